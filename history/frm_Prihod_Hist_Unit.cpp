#include "frm_Prihod_Hist_Unit.h"

#include "DBGrid.h"

#include <QToolButton>

Tfrm_Prihod_Hist* frm_Prihod_Hist = nullptr;

namespace {

const GridLook::SortOrders MovementOrders = {
    {"tabl_name", "Tabl_Name,KOD"}, {"kod", "KOD"},           {"date", "Date,KOD"},
    {"k_vo", "K_vo,KOD"},           {"instr_is_bu", "Instr_is_BU,KOD"}, {"fio_adminbd", "FIO_AdminBD,KOD"}};

const HistoryLayout Layout = {
    "frm_Prihod_Hist",
    "История прихода инструмента",
    QSize(1003, 634),
    false,
    "dtSet_Prihod_Hist",
    "tbl_Prihod_Hist",
    "spbt_Prih_Hist__Filtr",
    "spbt_Prihod_Hist_Del",
    "sttx_Filter_Prihod_Hist",
    "dbGrid_Prihod_History",
    "Вы уверенны, что хотите удалить запись из таблицы ИСТОРИЯ ПРИХОДА ИНСТРУМЕНТА?",
    "Возникла ошибка при попытке удаления данных в таблице \"tbl_Prihod_Hist\". Данные не сохранены!!!",
    MovementOrders,
};

} // namespace

Tfrm_Prihod_Hist::Tfrm_Prihod_Hist(QWidget* parent)
    : THistoryForm(Layout, parent),
      spbt_Prih_Hist__Filtr(m_filterButton),
      spbt_Prihod_Hist_Del(m_deleteButton),
      sttx_Filter_Prihod_Hist(m_indicator),
      dbGrid_Prihod_History(m_grid)
{
    connect(spbt_Prih_Hist__Filtr, &QToolButton::clicked, this, &Tfrm_Prihod_Hist::spbt_Prih_Hist__FiltrClick);
    connect(spbt_Prihod_Hist_Del, &QToolButton::clicked, this, &Tfrm_Prihod_Hist::spbt_Prihod_Hist_DelClick);
    connect(dbGrid_Prihod_History, &DBGrid::titleClicked, this, &Tfrm_Prihod_Hist::dbGrid_Prihod_HistoryTitleClick);
    dbGrid_Prihod_History->setDrawHandler([this](GridCell& cell) { dbGrid_Prihod_HistoryDrawColumnCell(cell); });
}

void Tfrm_Prihod_Hist::spbt_Prih_Hist__FiltrClick() { FilterClick(); }
void Tfrm_Prihod_Hist::spbt_Prihod_Hist_DelClick() { DeleteClick(); }
void Tfrm_Prihod_Hist::dbGrid_Prihod_HistoryTitleClick(const QString& fieldName) { TitleClick(fieldName); }
void Tfrm_Prihod_Hist::dbGrid_Prihod_HistoryDrawColumnCell(GridCell& cell) { DrawColumnCell(cell); }
