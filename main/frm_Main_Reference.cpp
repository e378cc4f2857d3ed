// The main window's reference commands: accounts, operators, firms, about.
#include "frm_Main_Unit.h"

#include "Dialogs.h"
#include "HideWhileShown.h"
#include "frm_About_Unit.h"
#include "frm_Firm_List_Unit.h"
#include "frm_Pasw_List_Unit.h"
#include "frm_Pasword_Unit.h"
#include "frm_People_Unit.h"

#include <QComboBox>

void Tfrm_Main::mm_PaswClick()
{
    if (frm_Pasword->cmbx_LOGIN->currentText() != QString::fromUtf8(AdministratorLogin)) {
        Dialogs::error(this, QStringLiteral("Редактировать учетные записи может только \"Администратор\""));
        return;
    }
    Dialogs::showModal(frm_Pasw_List);
}

void Tfrm_Main::mm_Tabl_PeopleClick()
{
    HideWhileShown away(this);
    Dialogs::showModal(frm_People);
}

void Tfrm_Main::mm_Tabl_FirmClick()
{
    HideWhileShown away(this);
    Dialogs::showModal(frm_Firm_List);
}

void Tfrm_Main::mm_AboutClick()
{
    Dialogs::showModal(frm_About);
}
