#pragma once
// Drill editor: one row of the drills catalogue, its dimensions checked as
// they are typed and on OK.
#include "DimensionEditor.h"

class DBComboBox;
class DBEdit;
class DBLookupComboBox;
class DBMemo;

class Tfrm_EditAdd_Sverla : public TDimensionEditor {
    Q_OBJECT
public:
    explicit Tfrm_EditAdd_Sverla(QWidget* parent = nullptr);

    DBComboBox* dbcmbx_Type_SV;
    DBEdit* dbed_Sverla_KOD;
    DBLookupComboBox* dbcmbx_Sverla_Firma;
    DBComboBox* dbcmbx_Korob;
    DBMemo* dbmemo_Sverla_Prim;
    QLineEdit* ed_DiamSv;
    QLineEdit* ed_DiamHvost;
    QLineEdit* ed_LSv;
    QLineEdit* ed_LHvost;

    static bool ed_DiamSvKeyPress(QChar& key);
    static bool ed_LSvKeyPress(QChar& key);
    void ed_DiamSvChange();
    void ed_DiamHvostChange();
    void ed_LSvChange();
    void ed_LHvostChange();
    void InitTypeInstr();
    void InitKorob();
    void bbtn_OKClick() override;

protected:
    void FormShow() override;
};

extern Tfrm_EditAdd_Sverla* frm_EditAdd_Sverla;
