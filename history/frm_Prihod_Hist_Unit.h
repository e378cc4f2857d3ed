#pragma once
// The receipts history: every receipt into the new or the used stock, whole
// or for one tool.
#include "HistoryForm.h"

class Tfrm_Prihod_Hist : public THistoryForm {
    Q_OBJECT
public:
    explicit Tfrm_Prihod_Hist(QWidget* parent = nullptr);

    QToolButton* spbt_Prih_Hist__Filtr;
    QToolButton* spbt_Prihod_Hist_Del;
    QLabel* sttx_Filter_Prihod_Hist;
    DBGrid* dbGrid_Prihod_History;

    void spbt_Prih_Hist__FiltrClick();
    void spbt_Prihod_Hist_DelClick();
    void dbGrid_Prihod_HistoryTitleClick(const QString& fieldName);
    void dbGrid_Prihod_HistoryDrawColumnCell(GridCell& cell);
};

extern Tfrm_Prihod_Hist* frm_Prihod_Hist;
