#pragma once
// The write-offs history: every write-off from the new or the used stock,
// whole or for one tool.
#include "HistoryForm.h"

class Tfrm_Spisanie_Hist : public THistoryForm {
    Q_OBJECT
public:
    explicit Tfrm_Spisanie_Hist(QWidget* parent = nullptr);

    QToolButton* spbt_Spisanie_Filtr;
    QToolButton* spbt_Spisanie_Hist_Del;
    QLabel* sttx_Filter_Spisanie;
    DBGrid* dbGrid_Spisanie_History;

    void spbt_Spisanie_FiltrClick();
    void spbt_Spisanie_Hist_DelClick();
    void dbGrid_Spisanie_HistoryTitleClick(const QString& fieldName);
    void dbGrid_Spisanie_HistoryDrawColumnCell(GridCell& cell);
};

extern Tfrm_Spisanie_Hist* frm_Spisanie_Hist;
