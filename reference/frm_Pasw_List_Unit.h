#pragma once
// The accounts list: the storekeepers who may log in. Only the administrator
// opens it; the account "Администратор" keeps its login and cannot be deleted.
#include "Form.h"

class DBGrid;
class QToolButton;
class QWidget;

class Tfrm_Pasw_List : public TForm {
    Q_OBJECT
public:
    explicit Tfrm_Pasw_List(QWidget* parent = nullptr);

    QWidget* ToolBar;
    QToolButton* spbt_Add;
    QToolButton* spbt_Edit;
    QToolButton* spbt_Del;
    DBGrid* DBGrid1;

    void spbt_AddClick();
    void spbt_EditClick();
    void spbt_DelClick();

protected:
    void FormShow() override;
    void FormClose() override;

private:
    void AfterSave(int id);
    void Reread(int id);
};

extern Tfrm_Pasw_List* frm_Pasw_List;

// The administrator's login: the one account that may manage the accounts.
inline QString administratorLogin() { return QStringLiteral("Администратор"); }
