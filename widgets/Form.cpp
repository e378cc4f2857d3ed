#include "Form.h"

#include <QKeyEvent>
#include <QShowEvent>

TForm::TForm(QWidget* parent) : QDialog(parent)
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

void TForm::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        FormShow();
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
