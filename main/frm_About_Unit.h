#pragma once
// "О программе": what the program is, and an OK button.
#include "Form.h"

class QLabel;
class QPushButton;

class Tfrm_About : public TForm {
    Q_OBJECT
public:
    explicit Tfrm_About(QWidget* parent = nullptr);

    QLabel* lb_Description;
    QPushButton* bbtn_OK;
};

extern Tfrm_About* frm_About;
