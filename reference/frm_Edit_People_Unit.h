#pragma once
// Operator editor: edits the pending row of tbl_People (name, notes) and
// keeps the operator's photograph as a file in Images/FotoPeoples/.
#include "Form.h"

class DBEdit;
class DBMemo;
class ImageBox;
class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;

class Tfrm_Edit_People : public TForm {
    Q_OBJECT
public:
    explicit Tfrm_Edit_People(QWidget* parent = nullptr);

    QString PhotoName;   // bare file name of the photograph; empty for none

    QLabel* Label1;
    DBEdit* dbed_FIO;
    QGroupBox* GroupBox1;
    ImageBox* img_Foto;
    QMenu* PopupMenu1;
    QAction* pm_Add_Pic;
    QAction* pm_Del_Pic;
    QGroupBox* GroupBox2;
    DBMemo* DBMemo1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

    void BitBtn1Click();
    void pm_Add_PicClick();
    void pm_Del_PicClick();

protected:
    void FormShow() override;
};

extern Tfrm_Edit_People* frm_Edit_People;
