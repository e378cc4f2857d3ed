#pragma once
#include "Form.h"

class Tfrm_Pasw_List : public TForm {
    Q_OBJECT
public:
    explicit Tfrm_Pasw_List(QWidget* parent = nullptr);
};

extern Tfrm_Pasw_List* frm_Pasw_List;
