#include "frm_Firm_List_Unit.h"

Tfrm_Firm_List* frm_Firm_List = nullptr;

Tfrm_Firm_List::Tfrm_Firm_List(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("frm_Firm_List"));
    setWindowTitle(QStringLiteral("Список фирм"));
}
