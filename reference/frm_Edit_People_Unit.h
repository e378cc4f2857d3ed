#pragma once
#include "Form.h"

class Tfrm_Edit_People : public TForm {
    Q_OBJECT
public:
    explicit Tfrm_Edit_People(QWidget* parent = nullptr);
};

extern Tfrm_Edit_People* frm_Edit_People;
