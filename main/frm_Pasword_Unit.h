#pragma once
// The login dialog: the storekeeper picks or types a login and gives the
// password; one attempt per start. Holds the logged-in user's name for the
// whole run.
#include "Form.h"

#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class Tfrm_Pasword : public TForm {
    Q_OBJECT
public:
    explicit Tfrm_Pasword(QWidget* parent = nullptr);

    QLabel* Label1;
    QComboBox* cmbx_LOGIN;
    QLabel* Label2;
    QLineEdit* ed_Password;
    QPushButton* btm_OK;
    QPushButton* btm_Cancel;

    // The text of cmbx_LOGIN when OK was pressed; stamped on every row the
    // user writes.
    QString LoginName;
    // ResultWord (inherited): "CANCEL" while shown, "OK" after a matching password.

    void btm_OKClick();
    void btm_CancelClick();

protected:
    void FormCreate();
    void FormShow() override;
};

extern Tfrm_Pasword* frm_Pasword;

// The user whose login is exactly this name alone may manage the accounts.
inline const char* const AdministratorLogin = "Администратор";
