#pragma once
// Pieces shared by the receipt, write-off and transfer dialogs: their boxes,
// the tool's picture, and the history rows a receipt or write-off writes.
#include "DbError.h"
#include "Operations.h"
#include "ToolKind.h"

#include <QSpinBox>
#include <QString>

class ImageBox;
class QDialog;
class QHBoxLayout;
class QPushButton;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
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

// A caption with its object name.
QLabel* label(QWidget* parent, const char* name, const char* text);

// A choice-only list of quantities (see fillQuantities), 20 shown at a time.
QComboBox* quantityList(QWidget* parent, const char* name, int minimumWidth = 90);

// "Общие характеристики" (GroupBox1) of a movement dialog: the tool's code
// and firm, shown (Label1, ed_Kod, Label2, ed_Firma) in the first two rows of
// its grid; the rows below are the dialog's.
QGridLayout* toolNameGroup(QWidget* dialog, QGroupBox** group, QLabel** codeLabel, QLineEdit** code,
                           QLabel** firmLabel, QLineEdit** firm);

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

// After a movement was refused or failed: the kind's page and the debts
// list show the file again (a read that fails is said).
void showFileAgain(QWidget* owner, ToolKind kind);

// How the OK of a movement dialog ends, by the operation's result: stored
// (the caller closes the dialog with its "done" word), or refused or failed
// (the page shows the file again and the message is shown: the refusal's own,
// or `failure` with the reason). `stepFailures` names the message of a write
// that failed, by its step; others get `failure`.
bool finish(QWidget* owner, ToolKind kind, const ops::Result& r, const QString& failure,
            const QList<std::pair<int, QString>>& stepFailures = {});

} // namespace stock
