#pragma once
// Issue to work: how many pieces of the current tool go from the new or the
// used stock to which operator, on which date, under which record number.
// The main window prepares the dialog (Prepare) and shows it; OK checks what
// was chosen and stores the issue (the new debt and the tool's counts) in one
// operation of the data layer. A refusal or failure is named and the dialog
// stays open with what was chosen; a stored issue closes it with "Done".
#include "Form.h"
#include "Operations.h"

#include <QColor>
#include <QLineEdit>

class DBEdit;
class DBLookupComboBox;
class ImageBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QPushButton;
class RecordSet;

// "№ записи": typed characters are kept only when they are digits, "," or
// "." (which becomes ","); Backspace is not taken. Pasted or dropped text
// goes through the same filter, character by character.
class NomerZapEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit NomerZapEdit(QWidget* parent = nullptr);
    // The characters of `text` that may stand in the box, "." turned into ",".
    static QString filtered(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* e) override;
};

class Tfrm_GiveToWork : public TMovementForm {
    Q_OBJECT
public:
    explicit Tfrm_GiveToWork(QWidget* parent = nullptr);

    // Before each showing, with the tool's new and used counts as the page
    // shows them: refuses (with its message) a tool without any pieces;
    // otherwise chooses the stock, fills the quantity list, shows the user
    // and proposes the next record number. False when refused or when the
    // next number cannot be read (the message has been shown).
    bool Prepare(int newCount, int buCount, const QString& loginName);

    int ToolID = 0;     // the tool's row, set by the main window with Kind
    int StockNew = 0;   // the tool row's counts, read when the dialog is shown
    int StockBU = 0;
    // What the last OK stored (the main window shows it on its pages).
    ops::Result Stored;

    // The message when the issue of a Kind cannot be saved.
    static QString failureOf(int kind);

    // Colours of "Есть": normal (the menu-bar colour) and an empty stock.
    static QColor stockColor();
    static QColor noStockColor() { return QColor(255, 0, 0); }

    // --- Characteristics of the tool, one group per kind ---
    QGroupBox* grbox_Sverla;
    DBEdit* dbed_Kod;
    DBEdit* dbed_Diam;
    DBEdit* dbed_LInstr;
    DBEdit* dbed_Firma;
    QGroupBox* grbox_Frezy;
    DBEdit* DBEdit1;
    DBEdit* DBEdit2;
    DBEdit* DBEdit3;
    DBEdit* DBEdit4;
    QGroupBox* grbox_Derjavki;
    DBEdit* DBEdit5;
    DBEdit* DBEdit6;
    DBEdit* DBEdit8;
    QGroupBox* grbox_Plastini;
    DBEdit* DBEdit10;
    DBEdit* DBEdit7;
    DBEdit* DBEdit9;

    // --- "Параметры передачи" ---
    QGroupBox* GroupBox2;
    NomerZapEdit* ed_NomerZap;
    QDateEdit* DateTimePicker1;
    QLineEdit* ed_FIOAdmin;
    QComboBox* cmbx_Type;
    QLineEdit* ed_InstrSclad;
    QComboBox* cmbx_K_vo_Otdat;
    QLineEdit* ed_InstrOstatok;

    // --- "Оператор" ---
    QGroupBox* GroupBox3;
    DBLookupComboBox* DBLookupComboBox1;
    QGroupBox* GroupBox4;
    ImageBox* img_People;

    QPushButton* bbtn_OK;
    QPushButton* bbtn_Cancel;

    // --- Handlers ---
    void cmbx_TypeChange();
    void cmbx_K_vo_OtdatChange();
    void DBLookupComboBox1Click();
    void ed_NomerZapChange();
    void bbtn_OKClick();

protected:
    void FormShow() override;

private:
    QGroupBox* kindGroup(int kind) const;
    // The tool's counts as the file holds them now.
    void readStock();
    // A refusal: the page shows the file again and the dialog what it allows.
    void showRefusal(const ops::Result& r);
    // Fills the quantity list with "0" … S, S chosen.
    void fillQuantities(int stock);
    // "Есть" and the enabling for a stock S of the chosen type.
    void showStock(int stock);
    void updateLeft();
    void setBoxColor(QLineEdit* box, const QColor& c);

    QString m_loginName;
    bool m_filling = false;   // the lists are being filled by the program, not chosen
};

extern Tfrm_GiveToWork* frm_GiveToWork;
