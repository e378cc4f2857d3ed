#pragma once
// Insert editor: one row of the inserts catalogue.
#include "PlateEditor.h"

class Tfrm_EditAdd_Plast : public TPlateEditor {
    Q_OBJECT
public:
    explicit Tfrm_EditAdd_Plast(QWidget* parent = nullptr);

    DBEdit* dbed_Plast_KOD;
    DBLookupComboBox* dbcmbx_Plast_Firma;
    DBMemo* dbmemo_Plast_Prim;

    void InitNaimDRJ();
    void InitKorob();

protected:
    void FormShow() override;
};

extern Tfrm_EditAdd_Plast* frm_EditAdd_Plast;
