#pragma once
// The closed issues: who took which tool, when it came back and how, whole
// or for one tool.
#include "HistoryForm.h"

class Tfrm_Dolgi_History : public THistoryForm {
    Q_OBJECT
public:
    explicit Tfrm_Dolgi_History(QWidget* parent = nullptr);

    QToolButton* spbt_Dolg_Hist_Filtr;
    QToolButton* spbt_Dolg_Hist_Del;
    QLabel* sttx_Filter_Dolg_Hist;
    DBGrid* dbGrid_Dolgi_History;

    void spbt_Dolg_Hist_FiltrClick();
    void spbt_Dolg_Hist_DelClick();
    void dbGrid_Dolgi_HistoryTitleClick(const QString& fieldName);
};

extern Tfrm_Dolgi_History* frm_Dolgi_History;
