#include "frm_People_Unit.h"

Tfrm_People* frm_People = nullptr;

Tfrm_People::Tfrm_People(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("frm_People"));
    setWindowTitle(QStringLiteral("Список операторов"));
}
