#pragma once
// Write-off: new and used pieces of one tool leave the storeroom for good.
// The main window fills the tool's boxes and shows the dialog; the lists
// offer no more than each stock, and OK takes the pieces from the counts the
// file holds and writes one Spisanie_History row for each stock written off,
// all in one operation of the data layer.
#include "Form.h"
#include "Operations.h"

class ImageBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class Tfrm_Spisat_Instr : public TMovementForm {
    Q_OBJECT
public:
    explicit Tfrm_Spisat_Instr(QWidget* parent = nullptr);

    // Set by the main window before each showing (Kind: TMovementForm).
    int StockNew = 0;
    int StockBU = 0;
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
    QLabel* Label5;                // "Списать  *"
    QLabel* Label6;                // "ИТОГО останется"
    QLabel* Label7;                // "Новый инструмент на складе"
    QLineEdit* ed_kvo_new;
    QComboBox* cmbx_K_vo_NEW;
    QLineEdit* ed_K_vo_NEW_ALL;
    QLabel* Label8;                // "БУ инструмент на складе"
    QLineEdit* ed_kvo_BU;
    QComboBox* cmbx_K_vo_BU;
    QLineEdit* ed_K_vo_BU_ALL;
    QPushButton* bbtn_OK;
    QPushButton* bbtn_Cancel;

    void cmbx_K_vo_NEWChange();
    void cmbx_K_vo_BUChange();
    void bbtn_OKClick();

    static QString captionOf(int kind);
    // The message when the tool's row cannot be saved.
    static QString failureOf(int kind);

protected:
    void FormShow() override;
};

extern Tfrm_Spisat_Instr* frm_Spisat_Instr;
