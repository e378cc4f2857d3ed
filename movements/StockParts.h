#pragma once
// Pieces shared by the receipt, write-off and transfer dialogs: their boxes,
// the tool's picture, and the history rows a receipt or write-off writes.
#include "DbError.h"

#include <QSpinBox>
#include <QString>

class ImageBox;
class QDialog;
class QHBoxLayout;
class QPushButton;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QWidget;
class RecordSet;

namespace stock {

// A whole-number quantity box: only digits, "+", "-" and the decimal
// separator get in (typed or pasted, anything else is dropped), text that
// is not a whole number counts as 0, and a value outside the range is
// pulled to the nearer bound (in the value at once, in the text when the
// box loses the focus).
class QuantitySpinBox : public QSpinBox {
    Q_OBJECT
public:
    explicit QuantitySpinBox(QWidget* parent = nullptr);
    QValidator::State validate(QString& input, int& pos) const override;
    int valueFromText(const QString& text) const override;
    void fixup(QString& input) const override;
};

// The dialog's OK (the default button) and "Отмена" (rejects the dialog),
// right-aligned in a row of their own.
QHBoxLayout* okCancelRow(QDialog* dialog, QPushButton** ok, QPushButton** cancel);

// A read-only grey box showing a number or a text.
QLineEdit* shownBox(QWidget* parent, const char* name);
QPlainTextEdit* shownMemo(QWidget* parent, const char* name);

// The tool's picture from Images/Instrument/ (busy cursor while loading);
// hidden when the name is empty or not a bare file name of that folder, or
// the file is missing or cannot be decoded.
void showToolPicture(ImageBox* image, const QString& pictureName);

// A choice-only list "0", "1", ... up to `stock` ("0" alone for a stock of
// 0 or below), "0" chosen.
void fillQuantities(QComboBox* list, int stock);
// The chosen quantity (0 when nothing is chosen).
int chosenQuantity(const QComboBox* list);

// One row of Prihod_History or Spisanie_History.
struct HistoryRow {
    int toolId = 0;
    int kindCode = 0;
    int quantity = 0;
    bool bu = false;
    QString login;
};

// Writes one history row through a table object in a transaction nested in
// the open one: the table object is opened on no rows (the history is never
// read whole for it), the row inserted and posted, the nested transaction
// committed; in every case the table object is closed again with its filter
// as it was. On failure the pending row is cancelled, the nested
// transaction rolled back and the error raised.
void writeHistoryRow(RecordSet& table, const HistoryRow& row);

// What the OK of a receipt or write-off writes, all or nothing: the two new
// counts into the pending tool row, then up to two history rows (the new
// stock's first), all inside one transaction nested in the caller's.
struct StockWrite {
    RecordSet* toolRow = nullptr;      // the catalogue row in edit state
    QString newField, buField;         // its counters
    int newCount = 0, buCount = 0;     // the counts after the movement
    RecordSet* history = nullptr;      // tbl_Prihod_Hist or tbl_Spisanie_Hist
    HistoryRow rows[2];                // the new stock's, the used stock's
    QString messages[2];               // shown when that row cannot be written
    bool write[2] = {false, false};    // which rows this movement writes
};

enum class StockWriteResult {
    Written,        // counts set, history rows written (pending the caller's commit)
    RowRefused,     // a row was refused: nothing of this OK remains; the dialog stays open
    FileChanged,    // the file is busy or changed elsewhere: nothing remains, and
                    // nothing more can be written in the caller's transaction
    WriteLost,      // a write to the disk failed and the engine ended the caller's
                    // whole transaction: nothing is shown here, the caller's
                    // commit fails and reports it
};

// On failure the row's message is shown (with the reason for a busy or
// changed file; none when the caller's transaction is lost), the history rows
// already written are rolled back and the tool row's counts are put back as
// they were before this OK.
StockWriteResult writeStock(QWidget* owner, const StockWrite& w);

} // namespace stock
