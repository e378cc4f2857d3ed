// The main window's grids: orders set by a click on a column title and
// the painting of their cells.
#include "frm_Main_Unit.h"

#include "DBGrid.h"
#include "DM_Unit.h"
#include "GridLook.h"
#include "RecordSet.h"
#include "ToolKind.h"

namespace {

// Sort orders set by a click on a column title, by field name (lower case).
// A column missing from its grid's table only gets the mark.
const QHash<QString, QString> SverlaOrders = {
    {"type", "Type,Diam_Sverla,KOD"},         {"kod", "KOD"},
    {"diam_sverla", "Diam_Sverla,KOD"},       {"diam_hvost", "Diam_Hvost,KOD"},
    {"l_instr", "L_Instr,Diam_Sverla,KOD"},   {"l_reza", "L_reza,Diam_Sverla,KOD"},
    {"k_vo_new", "K_vo_New,Diam_Sverla,KOD"}, {"k_vo_bu", "K_vo_BU,Diam_Sverla,KOD"},
    {"k_vo_dolg", "K_vo_Dolg,Diam_Sverla,KOD"}, {"name", "Name,Diam_Sverla,KOD"},
    {"korob", "Korob,Diam_Sverla,KOD"}};

const QHash<QString, QString> FrezyOrders = {
    {"type", "Type,Diam_Frez,KOD"},           {"kod", "KOD"},
    {"diam_frez", "Diam_Frez,KOD"},           {"diam_hvost", "Diam_Hvost,KOD"},
    {"l_reza", "L_reza,Diam_Frez,KOD"},       {"l_instr", "L_Instr,Diam_Frez,KOD"},
    {"n_zub", "N_zub,Diam_Frez,KOD"},         {"r_fas_instr", "R_FAS_instr,Diam_Frez,KOD"},
    {"k_vo_new", "K_vo_New,Diam_Frez,KOD"},   {"k_vo_bu", "K_vo_BU,Diam_Frez,KOD"},
    {"k_vo_dolg", "K_vo_Dolg,Diam_Frez,KOD"}, {"name", "Name,Diam_Frez,KOD"},
    {"korob", "Korob,Diam_Frez,KOD"}};

const QHash<QString, QString> DerjOrders = {
    {"derj_name", "Derj_Name,KOD"}, {"kod", "KOD"},           {"k_vo_new", "K_vo_New,KOD"},
    {"k_vo_bu", "K_vo_BU,KOD"},     {"k_vo_dolg", "K_vo_Dolg,KOD"}, {"name", "Name,KOD"}};

const QHash<QString, QString> PlastinyOrders = {
    {"naimenovanie", "Naimenovanie,KOD"}, {"kod", "KOD"},                {"k_vo_new", "K_vo_New,KOD"},
    {"k_vo_bu", "K_vo_BU,KOD"},           {"k_vo_dolg", "K_vo_Dolg,KOD"}, {"name", "Name,KOD"}};

const QHash<QString, QString> DolgiOrders = {
    {"nomer_zap", "Nomer_zap"}, {"tabl_name", "Tabl_Name,Nomer_zap"}, {"kod", "KOD"},
    {"date", "Date,Nomer_zap"}, {"fio", "FIO,KOD"},                   {"k_vo", "K_vo,KOD"},
    {"instr_is_bu", "Instr_is_BU,KOD"}};

} // namespace

// ---------------------------------------------------------------------------
// Grids: ordering by a title click, painting

void Tfrm_Main::titleClick(DBGrid* grid, const QString& fieldName, const SortOrders& orders)
{
    GridLook::titleClick(grid, fieldName, orders);
}

void Tfrm_Main::dbgr_SverloTitleClick(const QString& f) { titleClick(dbgr_Sverlo, f, SverlaOrders); }
void Tfrm_Main::dbgr_FrezyTitleClick(const QString& f) { titleClick(dbgr_Frezy, f, FrezyOrders); }
void Tfrm_Main::dbgr_Derj_PLTitleClick(const QString& f) { titleClick(dbgr_Derj_PL, f, DerjOrders); }
void Tfrm_Main::dbgr_PlastinyiTitleClick(const QString& f) { titleClick(dbgr_Plastinyi, f, PlastinyOrders); }
void Tfrm_Main::DBGrid_DolgiTitleClick(const QString& f) { titleClick(dbgrid_Dolgi, f, DolgiOrders); }

void Tfrm_Main::paintCell(DBGrid* grid, GridCell& cell, const char* newField, bool catalogue)
{
    RecordSet* rs = grid->recordSet();
    if (!rs || cell.pos < 0)
        return;
    // A tool with no new and no used pieces is drawn in red.
    const bool noStock = catalogue && rs->intAt(cell.pos, rs->fieldIndex(QString::fromLatin1(newField))) == 0
        && rs->intAt(cell.pos, rs->fieldIndex(QStringLiteral("K_vo_BU"))) == 0;
    GridLook::paintCell(grid, cell, noStock);
    paintLimitMarks(grid, cell);
}

void Tfrm_Main::dbgr_SverloDrawColumnCell(GridCell& cell) { paintCell(dbgr_Sverlo, cell, toolKind(ToolKind::Sverla).newField, true); }
void Tfrm_Main::dbgr_FrezyDrawColumnCell(GridCell& cell) { paintCell(dbgr_Frezy, cell, toolKind(ToolKind::Frezy).newField, true); }
void Tfrm_Main::dbgr_Derj_PLDrawColumnCell(GridCell& cell) { paintCell(dbgr_Derj_PL, cell, toolKind(ToolKind::Derj).newField, true); }
void Tfrm_Main::dbgr_PlastinyiDrawColumnCell(GridCell& cell) { paintCell(dbgr_Plastinyi, cell, toolKind(ToolKind::Plast).newField, true); }

void Tfrm_Main::DBGrid_DolgiDrawColumnCell(GridCell& cell)
{
    paintCell(dbgrid_Dolgi, cell, nullptr, false);
    GridLook::stockFlagText(dbgrid_Dolgi, cell);
}
