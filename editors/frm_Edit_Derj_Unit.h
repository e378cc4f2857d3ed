#pragma once
// Insert-holder editor: one row of the holders catalogue.
#include "PlateEditor.h"

class Tfrm_EditAdd_Derj : public TPlateEditor {
    Q_OBJECT
public:
    explicit Tfrm_EditAdd_Derj(QWidget* parent = nullptr);

    DBEdit* dbed_Derj_KOD;
    DBLookupComboBox* dbcmbx_Derj_Firma;
    DBMemo* dbmemo_Derj_Prim;

    void InitNaimPL();
    void InitKorob();

protected:
    void FormShow() override;
};

extern Tfrm_EditAdd_Derj* frm_EditAdd_Derj;
