#include "frm_Change_Pasw_Unit.h"

Tfrm_Change_Pasw* frm_Change_Pasw = nullptr;

Tfrm_Change_Pasw::Tfrm_Change_Pasw(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("frm_Change_Pasw"));
    setWindowTitle(QStringLiteral("Смена пароля"));
}
