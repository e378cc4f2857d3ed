#include "frm_Pasw_List_Unit.h"

Tfrm_Pasw_List* frm_Pasw_List = nullptr;

Tfrm_Pasw_List::Tfrm_Pasw_List(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("frm_Pasw_List"));
    setWindowTitle(QStringLiteral("Список учетных записей"));
}
