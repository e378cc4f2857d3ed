#pragma once
#include "Form.h"

class Tfrm_Firm_List : public TForm {
    Q_OBJECT
public:
    explicit Tfrm_Firm_List(QWidget* parent = nullptr);
};

extern Tfrm_Firm_List* frm_Firm_List;
