#pragma once
// Milling-cutter editor: the drill editor's design on the cutters
// catalogue, with teeth, radius/chamfer and neck length, and lengths that
// may hold decimals.
#include "DimensionEditor.h"

class DBComboBox;
class DBEdit;
class DBLookupComboBox;
class DBMemo;

class Tfrm_EditAdd_Frezy : public TDimensionEditor {
    Q_OBJECT
public:
    explicit Tfrm_EditAdd_Frezy(QWidget* parent = nullptr);

    DBComboBox* dbcmbx_Type_FR;
    DBEdit* dbed_Frezy_KOD;
    DBLookupComboBox* dbcmbx_Frezy_Firma;
    DBComboBox* dbcmbx_Korob_FR;
    DBComboBox* dbcmbx_N_Zub;
    DBComboBox* dbcmbx_R_F_instr;
    DBMemo* dbmemo_Frezy_Prim;
    QLineEdit* ed_DiamFR;
    QLineEdit* ed_DiamHvost;
    QLineEdit* ed_LFR;
    QLineEdit* ed_LHvost;
    QLineEdit* ed_L_Sheiki;

    static bool ed_DiamFRKeyPress(QChar& key);
    static bool ed_LFRKeyPress(QChar& key);
    void ed_DiamFRChange();
    void ed_DiamHvostChange();
    void ed_LFRChange();
    void ed_LHvostChange();
    void InitType();
    void InitKorob();
    void InitRF_Instr();
    void bbtn_OKClick() override;

protected:
    void FormShow() override;
};

extern Tfrm_EditAdd_Frezy* frm_EditAdd_Frezy;
