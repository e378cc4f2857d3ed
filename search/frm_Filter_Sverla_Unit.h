#pragma once
// The drill filter: criteria on the diameters, lengths, teeth, firm and
// stock of the drills, turned into the query text of dtSet_Sverla, which is
// then opened again. The controls keep their state between showings; the
// firm list is filled again and reset at each showing.
#include "Form.h"
#include "SverlaFilterQuery.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class Tfrm_Filter_Sverla : public TForm {
    Q_OBJECT
public:
    explicit Tfrm_Filter_Sverla(QWidget* parent = nullptr);

    // True once an OK of the current showing has put a new query text on
    // dtSet_Sverla (the list is then filtered).
    bool QueryReplaced = false;

    QGroupBox* GroupBox1;
    QComboBox* cmbx_DiamSv;
    QLineEdit* ed_DiamSv;
    QComboBox* cmbx_DiamSv_SP;
    QLineEdit* ed_DiamSv_SP;
    QComboBox* cmbx_DiamHvost;
    QLineEdit* ed_DiamHvost;
    QComboBox* cmbx_DiamHvost_SP;
    QLineEdit* ed_DiamHvost_SP;
    QComboBox* cmbx_L_SV;
    QLineEdit* ed_L_SV;
    QComboBox* cmbx_L_SV_SP;
    QLineEdit* ed_L_SV_SP;
    QComboBox* cmbx_L_RabCH;
    QLineEdit* ed_L_RabCH;
    QComboBox* cmbx_L_RabCH_SP;
    QLineEdit* ed_L_RabCH_SP;
    QComboBox* cmbx_NZub;
    QComboBox* cmbx_NZub_Znach;

    QGroupBox* GroupBox2;
    QComboBox* cmbx_FirmList;
    QCheckBox* chbx_ShowInstr;
    QCheckBox* chbx_ShowInstrNEW;

    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

    // The criteria as the controls hold them.
    SverlaFilter::Criteria criteria() const;

    // --- Handlers ---
    void cmbx_DiamSvChange() { comparisonChanged(0); }
    void cmbx_DiamHvostChange() { comparisonChanged(1); }
    void cmbx_L_SVChange() { comparisonChanged(2); }
    void cmbx_L_RabCHChange() { comparisonChanged(3); }
    void cmbx_DiamSv_SPChange() { upperChanged(0); }
    void cmbx_DiamHvost_SPChange() { upperChanged(1); }
    void cmbx_L_SV_SPChange() { upperChanged(2); }
    void cmbx_L_RabCH_SPChange() { upperChanged(3); }
    void cmbx_NZubChange();
    void chbx_ShowInstrClick();
    // Shared by the eight value boxes: keeps digits and the comma ("."
    // becomes ","), whether typed or pasted, and paints the box red while
    // its text does not read as a number.
    void ed_ValueChange(QLineEdit* box);
    void BitBtn1Click();

protected:
    void FormShow() override;

private:
    struct CriterionRow {
        QComboBox* compare;
        QLineEdit* value;
        QComboBox* upper;
        QLineEdit* upperValue;
    };
    void comparisonChanged(int row);
    void upperChanged(int row);
    CriterionRow m_rows[4];
};

extern Tfrm_Filter_Sverla* frm_Filter_Sverla;
