#pragma once
// The operators list: add, edit and delete the operators to whom tools are
// issued, with each operator's photograph and notes.
#include "Form.h"
#include "RowEditor.h"

class DBGrid;
class DBMemo;
class ImageBox;
class QAction;
class QGroupBox;
class QMenu;
class QStatusBar;
class QToolButton;
class QWidget;

class Tfrm_People : public TForm {
    Q_OBJECT
public:
    explicit Tfrm_People(QWidget* parent = nullptr);
    ~Tfrm_People() override;

    QWidget* Panel1;
    QWidget* Panel3;
    QToolButton* spbt_People_New;
    QToolButton* spbt_People_Edit;
    QToolButton* spbt_People_Del;
    QGroupBox* GroupBox1;
    ImageBox* img_People;
    QGroupBox* GroupBox2;
    DBMemo* dbmemo_People;
    DBGrid* dbgr_People;
    QMenu* PopupMenu1;
    QAction* pm_Add;
    QAction* pm_Edit;
    QAction* pm_Del;
    QStatusBar* StatusBar1;

    void spbt_People_NewClick();
    void spbt_People_EditClick();
    void spbt_People_DelClick();
    // The delete checks: may the operator with this ID be deleted?
    // After an editor: the list read again on the same operator.
    void showStored(RowEditorResult r);

protected:
    void FormShow() override;
    void FormClose() override;
};

extern Tfrm_People* frm_People;
