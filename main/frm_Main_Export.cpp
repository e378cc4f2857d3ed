// The main window's export commands: the page showing, or every page, into
// a spreadsheet workbook.
#include "frm_Main_Unit.h"

#include "DBGrid.h"
#include "DM_Unit.h"
#include "frm_ExportToExcell_Unit.h"

#include <QTabWidget>

namespace {

// Per page: its record set, the grid hidden while it is written, the sheet's name.
struct ExportPage {
    int page;
    RecordSet TDM::* recordSet;
    DBGrid* Tfrm_Main::* grid;
    const char* sheetName;
};

const ExportPage ExportPages[] = {
    {0, &TDM::dtSet_Sverla, &Tfrm_Main::dbgr_Sverlo, "Сверла"},
    {1, &TDM::dtSet_Frezy, &Tfrm_Main::dbgr_Frezy, "Фрезы"},
    {2, &TDM::dtSet_Derj_PL, &Tfrm_Main::dbgr_Derj_PL, "Державки"},
    {3, &TDM::dtSet_Plastiny, &Tfrm_Main::dbgr_Plastinyi, "Пластинки"},
    {4, &TDM::dtset_DolgiSQL, &Tfrm_Main::dbgrid_Dolgi, "Долги"},
};

// The workbook of every page.
const char* const AllPagesBook = "БД Инструмента";

Tfrm_ExportToExcell::Page exportPage(Tfrm_Main* w, const ExportPage& p)
{
    return {&(DM->*p.recordSet), w->*p.grid, QString::fromUtf8(p.sheetName)};
}

} // namespace

void Tfrm_Main::mm_Export_Activ_PageClick()
{
    if (!DM || !frm_ExportToExcell)
        return;
    const int index = PageControl_Main->currentIndex();
    for (const ExportPage& p : ExportPages)
        if (p.page == index)
            frm_ExportToExcell->ExportToExcell({exportPage(this, p)}, QString::fromUtf8(p.sheetName));
}

void Tfrm_Main::mm_Export_ALLClick()
{
    if (!DM || !frm_ExportToExcell)
        return;
    QList<Tfrm_ExportToExcell::Page> pages;
    for (const ExportPage& p : ExportPages)
        pages << exportPage(this, p);
    frm_ExportToExcell->ExportToExcell(pages, QString::fromUtf8(AllPagesBook));
}
