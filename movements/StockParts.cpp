#include "StockParts.h"

#include "DM_Unit.h"
#include "Dialogs.h"
#include "ImageBox.h"
#include "NumberListModel.h"
#include "PictureFile.h"
#include "ProgramFolder.h"
#include "RecordSet.h"
#include "RowEditor.h"

#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>

namespace stock {

QLabel* label(QWidget* parent, const char* name, const char* text)
{
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

QGridLayout* toolNameGroup(QWidget* dialog, QGroupBox** group, QLabel** codeLabel, QLineEdit** code,
                           QLabel** firmLabel, QLineEdit** firm)
{
    *group = new QGroupBox(QStringLiteral("Общие характеристики"), dialog);
    (*group)->setObjectName(QStringLiteral("GroupBox1"));
    *codeLabel = label(*group, "Label1", "Код");
    *code = shownBox(*group, "ed_Kod");
    *firmLabel = label(*group, "Label2", "Фирма изготовитель");
    *firm = shownBox(*group, "ed_Firma");
    auto* grid = new QGridLayout(*group);
    grid->addWidget(*codeLabel, 0, 0);
    grid->addWidget(*code, 0, 1);
    grid->addWidget(*firmLabel, 1, 0);
    grid->addWidget(*firm, 1, 1);
    return grid;
}

QComboBox* quantityList(QWidget* parent, const char* name, int minimumWidth)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setEditable(false);   // choice only
    c->setMaxVisibleItems(20);
    c->setMinimumWidth(minimumWidth);
    NumberListModel::of(c);
    return c;
}

QHBoxLayout* okCancelRow(QDialog* dialog, QPushButton** ok, QPushButton** cancel)
{
    *ok = new QPushButton(QStringLiteral("OK"), dialog);
    (*ok)->setObjectName(QStringLiteral("bbtn_OK"));
    (*ok)->setDefault(true);
    *cancel = new QPushButton(QStringLiteral("Отмена"), dialog);
    (*cancel)->setObjectName(QStringLiteral("bbtn_Cancel"));
    QObject::connect(*cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(*ok);
    row->addWidget(*cancel);
    return row;
}

namespace {

void grey(QWidget* w)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Base, QColor(192, 192, 192));
    w->setPalette(p);
}

} // namespace

QuantitySpinBox::QuantitySpinBox(QWidget* parent) : QSpinBox(parent) {}

QValidator::State QuantitySpinBox::validate(QString& input, int& pos) const
{
    QString kept;
    int keptPos = 0;
    for (int i = 0; i < input.size(); ++i) {
        const QChar c = input[i];
        if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+') || c == QLatin1Char('-')
            || c == QLatin1Char(',')) {
            kept += c;
            if (i < pos)
                ++keptPos;
        }
    }
    input = kept;
    pos = keptPos;
    return QValidator::Acceptable;
}

int QuantitySpinBox::valueFromText(const QString& text) const
{
    // A whole number, however long, is pulled into the range; anything else is 0.
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(QLatin1Char('+')) || t.startsWith(QLatin1Char('-'))) {
        negative = t.startsWith(QLatin1Char('-'));
        t.remove(0, 1);
    }
    if (t.isEmpty())
        return std::clamp(0, minimum(), maximum());
    for (QChar c : t)
        if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            return std::clamp(0, minimum(), maximum());
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok);
    if (!ok || v > qlonglong(maximum()) + 1)
        return negative ? minimum() : maximum();
    return int(std::clamp<qlonglong>(negative ? -v : v, minimum(), maximum()));
}

void QuantitySpinBox::fixup(QString& input) const
{
    input = textFromValue(valueFromText(input));
}

QLineEdit* shownBox(QWidget* parent, const char* name)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setReadOnly(true);
    grey(e);
    return e;
}

QPlainTextEdit* shownMemo(QWidget* parent, const char* name)
{
    auto* m = new QPlainTextEdit(parent);
    m->setObjectName(QString::fromLatin1(name));
    m->setReadOnly(true);
    grey(m);
    return m;
}

void showToolPicture(ImageBox* image, const QString& pictureName)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Only a file of the picture folder itself is ever opened.
    const QString path = pictureFileIn(instrumentFolder(), pictureName);
    if (path.isEmpty() || !image->loadFile(path))
        image->hidePicture();
    QApplication::restoreOverrideCursor();
}

void fillQuantities(QComboBox* list, int stock)
{
    const QSignalBlocker quiet(list);
    NumberListModel::of(list)->setLast(stock);
    list->setCurrentIndex(0);
}

int chosenQuantity(const QComboBox* list)
{
    return NumberListModel::chosen(list);
}

void showFileAgain(QWidget* owner, ToolKind kind)
{
    try {
        DM->ShowFile(kind);
    } catch (const DbError& e) {
        Dialogs::error(owner, e.message());
    }
}

bool finish(QWidget* owner, ToolKind kind, const ops::Result& r, const QString& failure,
            const QList<std::pair<int, QString>>& stepFailures)
{
    if (r.stored())
        return true;
    showFileAgain(owner, kind);
    if (r.status == ops::Status::Refused) {
        Dialogs::error(owner, r.message);
        return false;
    }
    QString message = failure;
    for (const auto& [step, text] : stepFailures)
        if (step == r.step)
            message = text;
    Dialogs::error(owner, failureText(message, r));
    return false;
}

} // namespace stock
