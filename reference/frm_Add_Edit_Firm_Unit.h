#pragma once
// Firm editor: the name of the pending row of tbl_Firma.
#include "Form.h"

class DBEdit;
class QGroupBox;
class QPushButton;

class Tfrm_Add_Edit_Firm_rec : public TForm {
    Q_OBJECT
public:
    explicit Tfrm_Add_Edit_Firm_rec(QWidget* parent = nullptr);

    QGroupBox* GroupBox1;
    DBEdit* dbed_Firma;
    QPushButton* bbtn_OK;
    QPushButton* bbtn_Cancel;

    void bbtn_OKClick();

protected:
    void FormShow() override;
};

extern Tfrm_Add_Edit_Firm_rec* frm_Add_Edit_Firm_rec;
