#include "frm_Spisanie_Hist_Unit.h"

#include "DBGrid.h"

#include <QToolButton>

Tfrm_Spisanie_Hist* frm_Spisanie_Hist = nullptr;

namespace {

const GridLook::SortOrders MovementOrders = {
    {"tabl_name", "Tabl_Name,KOD"}, {"kod", "KOD"},           {"date", "Date,KOD"},
    {"k_vo", "K_vo,KOD"},           {"instr_is_bu", "Instr_is_BU,KOD"}, {"fio_adminbd", "FIO_AdminBD,KOD"}};

const HistoryLayout Layout = {
    "frm_Spisanie_Hist",
    "История списания инструмента",
    QSize(870, 640),
    false,
    "dtSet_Spisanie_Hist",
    "tbl_Spisanie_Hist",
    "spbt_Spisanie_Filtr",
    "spbt_Spisanie_Hist_Del",
    "sttx_Filter_Spisanie",
    "dbGrid_Spisanie_History",
    "Вы уверенны, что хотите удалить запись из таблицы ИСТОРИЯ СПИСАНИЯ ИНСТРУМЕНТА?",
    "Возникла ошибка при попытке удаления данных в таблице \"tbl_Spisanie_Hist\". Данные не сохранены!!!",
    MovementOrders,
};

} // namespace

Tfrm_Spisanie_Hist::Tfrm_Spisanie_Hist(QWidget* parent)
    : THistoryForm(Layout, parent),
      spbt_Spisanie_Filtr(m_filterButton),
      spbt_Spisanie_Hist_Del(m_deleteButton),
      sttx_Filter_Spisanie(m_indicator),
      dbGrid_Spisanie_History(m_grid)
{
    connect(spbt_Spisanie_Filtr, &QToolButton::clicked, this, &Tfrm_Spisanie_Hist::spbt_Spisanie_FiltrClick);
    connect(spbt_Spisanie_Hist_Del, &QToolButton::clicked, this, &Tfrm_Spisanie_Hist::spbt_Spisanie_Hist_DelClick);
    connect(dbGrid_Spisanie_History, &DBGrid::titleClicked, this, &Tfrm_Spisanie_Hist::dbGrid_Spisanie_HistoryTitleClick);
    dbGrid_Spisanie_History->setDrawHandler([this](GridCell& cell) { dbGrid_Spisanie_HistoryDrawColumnCell(cell); });
}

void Tfrm_Spisanie_Hist::spbt_Spisanie_FiltrClick() { FilterClick(); }
void Tfrm_Spisanie_Hist::spbt_Spisanie_Hist_DelClick() { DeleteClick(); }
void Tfrm_Spisanie_Hist::dbGrid_Spisanie_HistoryTitleClick(const QString& fieldName) { TitleClick(fieldName); }
void Tfrm_Spisanie_Hist::dbGrid_Spisanie_HistoryDrawColumnCell(GridCell& cell) { DrawColumnCell(cell); }
