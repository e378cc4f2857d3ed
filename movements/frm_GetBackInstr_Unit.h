#pragma once
// The return of one open debt: the storekeeper says how many of its pieces
// come back into the new stock and how many into the used stock (together
// exactly the debt's quantity), and OK closes the debt in one operation of
// the data layer: the closed-debt history row, the tool's counters and the
// deletion of the debt are stored together or not at all. The debt is the
// current row of the debts list when the dialog is shown.
#include "Form.h"

#include <QColor>
#include <QDateTime>
#include <QString>

class DBEdit;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class RecordSet;
class TDM;

class Tfrm_GetBackInstr : public TForm {
    Q_OBJECT
public:
    explicit Tfrm_GetBackInstr(QWidget* parent = nullptr);

    // Highest numbers of pieces that may go back into the new and the used
    // stock; the main window sets both to the debt's quantity.
    int MaxNew = 0;
    int MaxBU = 0;
    // Who closes the debt (the logged-in user); set with MaxNew and MaxBU.
    QString LoginName;

    // Group "Инструмент": the current debt, read-only.
    QGroupBox* GroupBox1;
    DBEdit* dbed_Nom;
    DBEdit* DBEdit6;
    DBEdit* dbed_Svelo;
    DBEdit* dbed_FIO;
    DBEdit* dbed_Kod;
    QLineEdit* ed_Type;
    DBEdit* dbed_Date;
    // Group "Вернуть инструмент".
    QGroupBox* GroupBox2;
    QComboBox* cmbx_K_vo_NEW;
    QComboBox* cmbx_K_vo_BU;
    QLineEdit* ed_SUM;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

    void cmbx_K_vo_NEWChange();
    void BitBtn1Click();

    // The debt as the list showed it.
    struct Debt {
        int id = 0;
        int nomerZap = 0;
        int idInstr = 0;
        int idTabl = 0;
        int idPeople = 0;
        QDateTime date;
        int kvo = 0;
        bool bu = false;
        QString fioAdmin;
        bool valid = false;   // the list had a current row
    };
    static Debt currentDebt(RecordSet& dolgiList);
    // How the debt was closed (ID_Del_Type): 1 nothing back, 2 new only,
    // 3 used only, 4 both.
    static int closingCode(int rNew, int rUsed);

    enum class Outcome { Stored, Refused, Failed };
    struct Result {
        Outcome outcome;
        QString message;   // what the user is to be told (empty when stored)
    };
    // Closes the debt with rNew pieces back into the new stock and rUsed
    // into the used one, stamped with login (ops::closeDebt). Afterwards the
    // debts list (after a stored return on its first row), the tool's
    // catalogue and the closed-debts list show the file.
    static Result CloseDebt(TDM& dm, const Debt& debt, int rNew, int rUsed, const QString& login);

    // The failure messages of the three writes.
    static QString historyFailureText();
    static QString countersFailureText(int kindCode);
    static QString deleteFailureText();
    static QString totalMismatchText();

    static QColor paleGreen() { return QColor(204, 255, 204); }
    static QColor warnYellow() { return QColor(255, 255, 0); }
    static QColor warnRed() { return QColor(255, 0, 0); }

    // The total of the two lists as this debt counts it.
    qint64 total() const;
    const Debt& debt() const { return m_debt; }

protected:
    void FormShow() override;

private:
    int chosen(QComboBox* list) const;
    void fillList(QComboBox* list, int max, bool chooseLast);
    void setColour(QWidget* w, const QColor& c);

    Debt m_debt;
};

extern Tfrm_GetBackInstr* frm_GetBackInstr;
