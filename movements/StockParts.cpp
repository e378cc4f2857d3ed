#include "StockParts.h"

#include "Connection.h"
#include "DM_Unit.h"
#include "Dialogs.h"
#include "ImageBox.h"
#include "PictureFile.h"
#include "ProgramFolder.h"
#include "RecordSet.h"
#include "RowEditor.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDateTime>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>

namespace stock {

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
    list->clear();
    QStringList items;
    items.reserve(std::max(stock, 0) + 1);
    for (int i = 0; i <= std::max(stock, 0); ++i)
        items << QString::number(i);
    list->addItems(items);
    list->setCurrentIndex(0);
}

int chosenQuantity(const QComboBox* list)
{
    return list->currentIndex() < 0 ? 0 : list->currentText().toInt();
}

void writeHistoryRow(RecordSet& table, const HistoryRow& row)
{
    Connection& conn = *table.connection();
    const QString oldFilter = table.filter();
    const bool oldFiltered = table.filtered();
    struct Restore {
        RecordSet& t;
        QString f;
        bool on;
        ~Restore()
        {
            if (t.state() == RecordSet::State::Insert)
                t.cancel();
            t.close();
            try {
                t.setFilter(f);
            } catch (const DbError&) {
            }
            t.setFiltered(on);
        }
    } restore{table, oldFilter, oldFiltered};

    Transaction nested(conn);
    table.close();
    table.setFilter(QStringLiteral("ID=0"));   // no row is read: the table is only written
    table.setFiltered(true);
    table.open();
    table.insert();
    try {
        table.fieldByName(QStringLiteral("ID_Instr")).setAsInteger(row.toolId);
        table.fieldByName(QStringLiteral("ID_Tabl")).setAsInteger(row.kindCode);
        table.fieldByName(QStringLiteral("Date")).setAsDateTime(QDateTime(QDate::currentDate(), QTime(0, 0)));
        table.fieldByName(QStringLiteral("K_vo")).setAsInteger(row.quantity);
        table.fieldByName(QStringLiteral("Instr_is_BU")).setAsBoolean(row.bu);
        table.fieldByName(QStringLiteral("FIO_AdminBD")).setAsString(row.login);
        table.post();
        nested.commit();
    } catch (...) {
        table.cancel();
        throw;   // the guard rolls the nested transaction back
    }
}

StockWriteResult writeStock(QWidget* owner, const StockWrite& w)
{
    Field& newCount = w.toolRow->fieldByName(w.newField);
    Field& buCount = w.toolRow->fieldByName(w.buField);
    const QVariant oldNew = newCount.value();
    const QVariant oldBu = buCount.value();
    Connection& conn = *w.toolRow->connection();
    int at = 0;
    try {
        Transaction all(conn);
        newCount.setAsInteger(w.newCount);
        buCount.setAsInteger(w.buCount);
        for (at = 0; at < 2; ++at)
            if (w.write[at])
                writeHistoryRow(*w.history, w.rows[at]);
        all.commit();
        return StockWriteResult::Written;
    } catch (const DbError& e) {
        // The rows of this OK are gone with the rollback; the counts go back too.
        newCount.setValue(oldNew);
        buCount.setValue(oldBu);
        // A failed disk ended the caller's transaction too: no row can be
        // written any more, and the movement's own message follows.
        if (conn.transactionLost())
            return StockWriteResult::WriteLost;
        Dialogs::error(owner, failureText(w.messages[std::min(at, 1)], e));
        return e.reason() == DbError::Reason::General ? StockWriteResult::RowRefused : StockWriteResult::FileChanged;
    }
}

} // namespace stock
