#pragma once
// Write-off: new and used pieces of one tool leave the storeroom for good.
// The main window fills the tool's boxes and shows the dialog; the lists
// offer no more than each stock, and OK takes the pieces from the counts the
// file holds and writes one Spisanie_History row for each stock written off,
// all in one operation of the data layer.
#include "StockCountForm.h"

class QComboBox;

class Tfrm_Spisat_Instr : public TStockCountForm {
    Q_OBJECT
public:
    explicit Tfrm_Spisat_Instr(QWidget* parent = nullptr);

    // Set by the main window before each showing, with the base's.
    int StockNew = 0;
    int StockBU = 0;

    // Label5 "Списать  *", Label6 "ИТОГО останется"; the pieces written off:
    QComboBox* cmbx_K_vo_NEW;
    QComboBox* cmbx_K_vo_BU;

    void cmbx_K_vo_NEWChange();
    void cmbx_K_vo_BUChange();
    void bbtn_OKClick();

    static QString captionOf(int kind);
    // The message when the tool's row cannot be saved.
    static QString failureOf(int kind);

protected:
    void FormShow() override;
};

extern Tfrm_Spisat_Instr* frm_Spisat_Instr;
