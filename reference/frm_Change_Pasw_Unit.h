#pragma once
// Account editor: login, password and the default mark of the pending row
// of tbl_Pasw. ResultWord is "CANCEL" while shown, "OK" once OK accepted.
#include "Form.h"

class DBCheckBox;
class DBEdit;
class QLabel;
class QPushButton;

class Tfrm_Change_Pasw : public TForm {
    Q_OBJECT
public:
    explicit Tfrm_Change_Pasw(QWidget* parent = nullptr);

    QLabel* Label1;
    DBEdit* dbed_Login;
    QLabel* Label2;
    DBEdit* dbed_Pasw;
    DBCheckBox* DBCheckBox1;
    QPushButton* bbtn_OK;
    QPushButton* bbtn_Cancel;

    void bbtn_OKClick();

protected:
    void FormShow() override;
};

extern Tfrm_Change_Pasw* frm_Change_Pasw;
