#pragma once
// The firms list: the tool manufacturers every tool record names.
#include "Form.h"

class DBGrid;
class QStatusBar;
class QToolButton;
class QWidget;

class Tfrm_Firm_List : public TForm {
    Q_OBJECT
public:
    explicit Tfrm_Firm_List(QWidget* parent = nullptr);

    QWidget* Panel3;
    QToolButton* spbt_Firm_New;
    QToolButton* spbt_Firm_Edit;
    QToolButton* spbt_Firm_Del;
    DBGrid* dbgr_People;
    QStatusBar* StatusBar1;

    void spbt_Firm_NewClick();
    void spbt_Firm_EditClick();
    void spbt_Firm_DelClick();

protected:
    void FormShow() override;

private:
    // The list read again: on the same firm, or from its first row.
    void reread(bool keepRow);
};

extern Tfrm_Firm_List* frm_Firm_List;
