#pragma once
#include "Form.h"

class Tfrm_Add_Edit_Firm_rec : public TForm {
    Q_OBJECT
public:
    explicit Tfrm_Add_Edit_Firm_rec(QWidget* parent = nullptr);
};

extern Tfrm_Add_Edit_Firm_rec* frm_Add_Edit_Firm_rec;
