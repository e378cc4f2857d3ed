#pragma once
#include "Form.h"

class Tfrm_Change_Pasw : public TForm {
    Q_OBJECT
public:
    explicit Tfrm_Change_Pasw(QWidget* parent = nullptr);
};

extern Tfrm_Change_Pasw* frm_Change_Pasw;
