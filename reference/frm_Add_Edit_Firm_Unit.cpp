#include "frm_Add_Edit_Firm_Unit.h"

Tfrm_Add_Edit_Firm_rec* frm_Add_Edit_Firm_rec = nullptr;

Tfrm_Add_Edit_Firm_rec::Tfrm_Add_Edit_Firm_rec(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("frm_Add_Edit_Firm_rec"));
    setWindowTitle(QStringLiteral(""));
}
