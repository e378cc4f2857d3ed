#include "frm_Edit_People_Unit.h"

Tfrm_Edit_People* frm_Edit_People = nullptr;

Tfrm_Edit_People::Tfrm_Edit_People(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("frm_Edit_People"));
    setWindowTitle(QStringLiteral(""));
}
