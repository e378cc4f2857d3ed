#include "frm_Edit_Derj_Unit.h"

#include "DM_Unit.h"
#include "DataAware.h"

#include <QApplication>

Tfrm_EditAdd_Derj* frm_EditAdd_Derj = nullptr;

namespace {
const TPlateEditor::Layout Holder = {ToolKind::Derj,
                                   "frm_EditAdd_Derj",
                                   "pm_Derj",
                                   "Derj_Name",
                                   "Наименование державки пластины *",
                                   "dbed_Derj_KOD",
                                   "Код державки пластины *",
                                   "dbcmbx_Derj_Firma",
                                   "dbmemo_Derj_Prim"};
} // namespace

Tfrm_EditAdd_Derj::Tfrm_EditAdd_Derj(QWidget* parent) : TPlateEditor(Holder, parent)
{
    dbed_Derj_KOD = m_code;
    dbcmbx_Derj_Firma = m_firm;
    dbmemo_Derj_Prim = m_notes;
}

void Tfrm_EditAdd_Derj::InitNaimPL() { fillList(DM->qr_DRJ_Naim, dbcmbx_Naim); }
void Tfrm_EditAdd_Derj::InitKorob() { fillList(DM->qr_DRJ_Korob, dbcmbx_Korob); }

void Tfrm_EditAdd_Derj::FormShow()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    showPictureOf();
    InitKorob();
    InitNaimPL();
    QApplication::restoreOverrideCursor();
    dbcmbx_Naim->setFocus();
}
