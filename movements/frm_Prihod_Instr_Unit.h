#pragma once
// Receipt: new and used pieces of one tool come into the storeroom. The
// main window fills the tool's boxes and shows the dialog; OK adds the pieces
// to the counts the file holds and writes one Prihod_History row for each
// stock that receives pieces, all in one operation of the data layer.
#include "Form.h"
#include "Operations.h"

class ImageBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace stock {
class QuantitySpinBox;
}

class Tfrm_Prihod_Instr : public TMovementForm {
    Q_OBJECT
public:
    explicit Tfrm_Prihod_Instr(QWidget* parent = nullptr);

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
    QLabel* Label5;                // "Приход  *"
    QLabel* Label6;                // "ИТОГО"
    QLabel* Label7;                // "Новый инструмент на складе"
    QLineEdit* ed_kvo_new;
    stock::QuantitySpinBox* sped_New;
    QLineEdit* ed_K_vo_NEW_ALL;
    QLabel* Label8;                // "БУ инструмент на складе"
    QLineEdit* ed_kvo_BU;
    stock::QuantitySpinBox* sped_BU;
    QLineEdit* ed_K_vo_BU_ALL;
    QPushButton* bbtn_OK;
    QPushButton* bbtn_Cancel;

    void sped_NewChange();
    void sped_BUChange();
    void bbtn_OKClick();

    // The caption of each Kind, and the message when the tool's row cannot
    // be saved.
    static QString captionOf(int kind);
    static QString failureOf(int kind);

protected:
    void FormShow() override;
};

extern Tfrm_Prihod_Instr* frm_Prihod_Instr;
