#pragma once
// Receipt: new and used pieces of one tool come into the storeroom. The
// main window fills the tool's boxes and shows the dialog; OK adds the pieces
// to the counts the file holds and writes one Prihod_History row for each
// stock that receives pieces, all in one operation of the data layer.
#include "StockCountForm.h"

namespace stock {
class QuantitySpinBox;
}

class Tfrm_Prihod_Instr : public TStockCountForm {
    Q_OBJECT
public:
    explicit Tfrm_Prihod_Instr(QWidget* parent = nullptr);

    // Label5 "Приход  *", Label6 "ИТОГО"; the pieces received:
    stock::QuantitySpinBox* sped_New;
    stock::QuantitySpinBox* sped_BU;

    void sped_NewChange();
    void sped_BUChange();
    void bbtn_OKClick();

    // The caption of each Kind, and the message when the tool's row cannot
    // be saved.
    static QString captionOf(int kind);
    static QString failureOf(int kind);

protected:
    void FormShow() override;
};

extern Tfrm_Prihod_Instr* frm_Prihod_Instr;
