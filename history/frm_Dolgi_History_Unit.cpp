#include "frm_Dolgi_History_Unit.h"

#include "DBGrid.h"

#include <QToolButton>

Tfrm_Dolgi_History* frm_Dolgi_History = nullptr;

namespace {

const HistoryLayout Layout = {
    "frm_Dolgi_History",
    "История долгов",
    QSize(897, 646),
    true,
    "stpr_SQL_Dolgi_History",
    "tbl_Dolgi_History",
    "spbt_Dolg_Hist_Filtr",
    "spbt_Dolg_Hist_Del",
    "sttx_Filter_Dolg_Hist",
    "dbGrid_Dolgi_History",
    "Вы уверенны, что хотите удалить запись из таблицы ИСТОРИЯ ДОЛГОВ?",
    "Возникла ошибка при попытке удаления данных в таблице \"tbl_Dolgi_History\". Данные не сохранены!!!",
    // Only these columns order the list; a click on another title marks it alone.
    {{"nomer_zap", "Nomer_zap"}, {"kod", "KOD,Nomer_zap"}, {"tabl_name", "Tabl_name,Nomer_zap"}, {"fio", "FIO,Nomer_zap"}},
};

} // namespace

Tfrm_Dolgi_History::Tfrm_Dolgi_History(QWidget* parent)
    : THistoryForm(Layout, parent),
      spbt_Dolg_Hist_Filtr(m_filterButton),
      spbt_Dolg_Hist_Del(m_deleteButton),
      sttx_Filter_Dolg_Hist(m_indicator),
      dbGrid_Dolgi_History(m_grid)
{
    connect(spbt_Dolg_Hist_Filtr, &QToolButton::clicked, this, &Tfrm_Dolgi_History::spbt_Dolg_Hist_FiltrClick);
    connect(spbt_Dolg_Hist_Del, &QToolButton::clicked, this, &Tfrm_Dolgi_History::spbt_Dolg_Hist_DelClick);
    connect(dbGrid_Dolgi_History, &DBGrid::titleClicked, this, &Tfrm_Dolgi_History::dbGrid_Dolgi_HistoryTitleClick);
}

void Tfrm_Dolgi_History::spbt_Dolg_Hist_FiltrClick() { FilterClick(); }
void Tfrm_Dolgi_History::spbt_Dolg_Hist_DelClick() { DeleteClick(); }
void Tfrm_Dolgi_History::dbGrid_Dolgi_HistoryTitleClick(const QString& fieldName) { TitleClick(fieldName); }
