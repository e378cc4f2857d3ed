#pragma once
// Transfer to used: pieces of one tool move from its new stock into its used
// stock, nothing enters or leaves the storeroom and no history row is
// written. The main window shows the dialog on the tool's row; OK moves the
// chosen quantity between the two counts as the file holds them, in one
// operation of the data layer.
#include "Form.h"
#include "Operations.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class Tfrm_Per_Instr_BU : public TMovementForm {
    Q_OBJECT
public:
    explicit Tfrm_Per_Instr_BU(QWidget* parent = nullptr);

    // Set by the main window before each showing (Kind: TMovementForm).
    int StockNew = 0;
    int StockBU = 0;
    int ToolID = 0;
    // What the last OK stored (the main window shows it on its pages).
    ops::Result Stored;
    // The message when the tool's row cannot be saved.
    static QString failureOf(int kind);
    // CloseCode (TForm) carries the outcome: 2 from the showing on, 1 once
    // OK has done its work; this dialog has no result word.

    QGroupBox* GroupBox1;          // "Общие характеристики"
    QLabel* Label1;
    QLineEdit* ed_Kod;
    QLabel* Label2;
    QLineEdit* ed_Firma;
    QGroupBox* GroupBox2;          // "Колличество инструмента "
    QLabel* Label3;                // "Новый инстр. (в наличии)"
    QLineEdit* ed_New_Instr;
    QLabel* Label4;                // "-"
    QLabel* Label5;                // "К-во для переноса в БУ"
    QComboBox* cmbx_COUNT;
    QLabel* Label6;                // "="
    QLabel* Label7;                // "БУ инстр. (будет)"
    QLineEdit* ed_BU_Instr;
    QLabel* Label8;                // "Новый инстр. (останется)"
    QLineEdit* ed_New_Instr_OST;
    QPushButton* bbtn_OK;
    QPushButton* bbtn_Cancel;

    void cmbx_COUNTChange();
    void bbtn_OKClick();

protected:
    void FormShow() override;
    void done(int r) override;
};

extern Tfrm_Per_Instr_BU* frm_Per_Instr_BU;
