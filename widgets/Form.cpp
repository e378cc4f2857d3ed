#include "Form.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QTextEdit>

#include <algorithm>

TForm::TForm(QWidget* parent) : QDialog(parent)
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

void TForm::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous()) {
        // A focus left from an earlier showing does not count as chosen.
        if (QWidget* f = focusWidget())
            f->clearFocus();
        FormShow();
        arrangeKeyboard();
    }
}

namespace {

// The line edit inside a spin box or an editable combo box: its owner stands
// for it in the Tab chain.
bool innerEditor(const QWidget* w)
{
    const QWidget* p = w->parentWidget();
    return p && (qobject_cast<const QAbstractSpinBox*>(p) || qobject_cast<const QComboBox*>(p));
}

bool readOnlyBox(const QWidget* w)
{
    if (auto* l = qobject_cast<const QLineEdit*>(w))
        return l->isReadOnly();
    if (auto* t = qobject_cast<const QPlainTextEdit*>(w))
        return t->isReadOnly();
    if (auto* t = qobject_cast<const QTextEdit*>(w))
        return t->isReadOnly();
    if (auto* b = qobject_cast<const QAbstractSpinBox*>(w))
        return b->isReadOnly();
    return false;
}

} // namespace

QList<QWidget*> TForm::tabChain() const
{
    QList<QWidget*> chain;
    for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(this) && w->isEnabled() && w->window() == this
            && !innerEditor(w))
            chain << w;
    return chain;
}

void TForm::arrangeKeyboard()
{
    QList<QWidget*> boxes, buttons;
    for (QWidget* w : findChildren<QWidget*>()) {
        if (w->window() != this || !w->isVisibleTo(this))
            continue;
        if (readOnlyBox(w) && (w->focusPolicy() & Qt::TabFocus))
            w->setFocusPolicy(Qt::ClickFocus);
        if (!(w->focusPolicy() & Qt::TabFocus) || innerEditor(w) || !w->isEnabled())
            continue;
        (qobject_cast<QAbstractButton*>(w) ? buttons : boxes) << w;
    }
    auto seen = [this](const QList<QWidget*>& ws) {
        QList<QWidget*> out = ws;
        std::stable_sort(out.begin(), out.end(), [this](QWidget* a, QWidget* b) {
            const QPoint pa = a->mapTo(this, QPoint(0, 0)), pb = b->mapTo(this, QPoint(0, 0));
            // Rows of boxes: tops within a few pixels count as one row.
            if (qAbs(pa.y() - pb.y()) > 6)
                return pa.y() < pb.y();
            return pa.x() < pb.x();
        });
        return out;
    };
    QList<QWidget*> chain;
    for (QWidget* w : m_fillOrder)
        if (boxes.contains(w) || buttons.contains(w))
            chain << w;
    for (QWidget* w : seen(boxes))
        if (!chain.contains(w))
            chain << w;
    for (QWidget* w : seen(buttons))
        if (!chain.contains(w))
            chain << w;
    for (int i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    if (chain.isEmpty())
        return;
    QWidget* f = focusWidget();
    if (f && innerEditor(f))
        f = f->parentWidget();
    const bool chosen = f && chain.contains(f) && !qobject_cast<QAbstractButton*>(f);
    if (!chosen)
        chain.first()->setFocus(Qt::TabFocusReason);
}

void TForm::done(int r)
{
    if (ResultWord == m_doneWord && Store) {
        switch (Store()) {
        case StoreResult::Stored:
            break;
        case StoreResult::StayOpen:
            ResultWord.clear();
            return;
        case StoreResult::Close:
            ResultWord.clear();
            r = QDialog::Rejected;
            break;
        }
    }
    CloseCode = ResultWord == m_doneWord ? 1 : 2;
    FormClose();
    QDialog::done(r);
}

void TForm::keyPressEvent(QKeyEvent* e)
{
    // Enter does not close a form by itself: only its OK button's handler does.
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && e->modifiers() == Qt::NoModifier) {
        QDialog::keyPressEvent(e);
        return;
    }
    QDialog::keyPressEvent(e);
}
