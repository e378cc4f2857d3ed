#include "frm_EditAdd_Plast_Unit.h"

#include "DM_Unit.h"
#include "DataAware.h"

#include <QApplication>

Tfrm_EditAdd_Plast* frm_EditAdd_Plast = nullptr;

namespace {
const TPlateEditor::Layout Insert = {ToolKind::Plast,
                                   "frm_EditAdd_Plast",
                                   "pm_Plastini",
                                   "Naimenovanie",
                                   "Наименование пластины *",
                                   "dbed_Plast_KOD",
                                   "Код пластины *",
                                   "dbcmbx_Plast_Firma",
                                   "dbmemo_Plast_Prim"};
} // namespace

Tfrm_EditAdd_Plast::Tfrm_EditAdd_Plast(QWidget* parent) : TPlateEditor(Insert, parent)
{
    dbed_Plast_KOD = m_code;
    dbcmbx_Plast_Firma = m_firm;
    dbmemo_Plast_Prim = m_notes;
}

void Tfrm_EditAdd_Plast::InitNaimDRJ() { fillList(DM->qr_PL_Naim, dbcmbx_Naim); }
void Tfrm_EditAdd_Plast::InitKorob() { fillList(DM->qr_PL_Korob, dbcmbx_Korob); }

void Tfrm_EditAdd_Plast::FormShow()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    showPictureOf();
    InitNaimDRJ();
    InitKorob();
    QApplication::restoreOverrideCursor();
    dbcmbx_Naim->setFocus();
}
