#pragma once
// The receipt and the write-off dialogs share their face: the tool (code,
// firm, notes, picture) above, and below it a table of the new and the used
// stock, each with what there is, the pieces moved, and what there will be.
// A dialog makes its own two quantity inputs inside GroupBox3 and lays them
// in with layOut().
#include "Form.h"
#include "Operations.h"

class ImageBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TStockCountForm : public TMovementForm {
    Q_OBJECT
public:
    // Set by the main window before each showing (Kind: TMovementForm).
    int ToolID = 0;
    QString PictureName;
    QString LoginName;     // stamped on the history rows
    // What the last OK stored (the main window shows it on its pages).
    ops::Result Stored;

    QGroupBox* GroupBox1;          // "Общие характеристики"
    QLabel* Label1;
    QLineEdit* ed_Kod;
    QLabel* Label2;
    QLineEdit* ed_Firma;
    QLabel* Label3;
    QPlainTextEdit* Memo1;
    QGroupBox* GroupBox2;          // "Картинка"
    QFrame* Bevel1;
    ImageBox* Image1;
    QGroupBox* GroupBox3;          // "Колличество инструмента "
    QLabel* Label4;                // "Есть наличии"
    QLabel* Label5;                // the pieces moved
    QLabel* Label6;                // what there will be
    QLabel* Label7;                // "Новый инструмент на складе"
    QLineEdit* ed_kvo_new;
    QLineEdit* ed_K_vo_NEW_ALL;
    QLabel* Label8;                // "БУ инструмент на складе"
    QLineEdit* ed_kvo_BU;
    QLineEdit* ed_K_vo_BU_ALL;
    QPushButton* bbtn_OK;
    QPushButton* bbtn_Cancel;

protected:
    TStockCountForm(QWidget* parent, const char* movedCaption, const char* totalCaption);
    // The two inputs (new, used) into the table, the OK and "Отмена" below
    // it, the Tab order from the inputs to the buttons, a fixed border.
    void layOut(QWidget* inputNew, QWidget* inputUsed);
};
