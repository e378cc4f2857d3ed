#pragma once
#include "Form.h"

class Tfrm_People : public TForm {
    Q_OBJECT
public:
    explicit Tfrm_People(QWidget* parent = nullptr);
};

extern Tfrm_People* frm_People;
