#include "frm_Edit_Sverla_Unit.h"

#include "DM_Unit.h"
#include "DataAware.h"
#include "RecordSet.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

Tfrm_EditAdd_Sverla* frm_EditAdd_Sverla = nullptr;

Tfrm_EditAdd_Sverla::Tfrm_EditAdd_Sverla(QWidget* parent)
    : TDimensionEditor(ToolKind::Sverla, "frm_EditAdd_Sverla", "pm_SV", parent)
{
    setWindowTitle(QStringLiteral("Редактирование записи. Таблица: СВЁРЛА"));

    dbcmbx_Type_SV = boundCombo("dbcmbx_Type_SV", "Type");
    dbed_Sverla_KOD = new DBEdit(GroupBox1);
    dbed_Sverla_KOD->setObjectName(QStringLiteral("dbed_Sverla_KOD"));
    dbed_Sverla_KOD->bind(&row(), QStringLiteral("Kod"));
    dbcmbx_Sverla_Firma = firmLookup("dbcmbx_Sverla_Firma");
    dbcmbx_Korob = boundCombo("dbcmbx_Korob", "Korob");
    dbmemo_Sverla_Prim = new DBMemo(GroupBox1);
    dbmemo_Sverla_Prim->setObjectName(QStringLiteral("dbmemo_Sverla_Prim"));
    dbmemo_Sverla_Prim->bind(&row(), QStringLiteral("Prim"));
    dbmemo_Sverla_Prim->setFocusPolicy(Qt::ClickFocus);
    dbmemo_Sverla_Prim->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    dbmemo_Sverla_Prim->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    dbmemo_Sverla_Prim->setLineWrapMode(QPlainTextEdit::NoWrap);
    addCommon("Тип сверла *", dbcmbx_Type_SV);
    addCommon("Код сверла *", dbed_Sverla_KOD);
    addCommon("Фирма изготовитель *", dbcmbx_Sverla_Firma);
    addCommon("№ Короба *", dbcmbx_Korob);
    addCommon("Примечания", dbmemo_Sverla_Prim);

    ed_DiamSv = dimensionBox("ed_DiamSv", "Диаметр сверла *", "Не менее 0,1 и не более 30");
    ed_DiamHvost = dimensionBox("ed_DiamHvost", "Диаметр хвостовика *", "Не менее 0,1 и не более 30");
    ed_LSv = dimensionBox("ed_LSv", "Длина сверла *", "Не менее 0,1 и не более 300");
    ed_LHvost = dimensionBox("ed_LHvost", "Длина режущей части *", "Не менее 0,1 и не более 300");
    for (QLineEdit* b : {ed_DiamSv, ed_DiamHvost})
        setKeyFilter(b, &Tfrm_EditAdd_Sverla::ed_DiamSvKeyPress);
    for (QLineEdit* b : {ed_LSv, ed_LHvost})
        setKeyFilter(b, &Tfrm_EditAdd_Sverla::ed_LSvKeyPress);
    connect(ed_DiamSv, &QLineEdit::textChanged, this, &Tfrm_EditAdd_Sverla::ed_DiamSvChange);
    connect(ed_DiamHvost, &QLineEdit::textChanged, this, &Tfrm_EditAdd_Sverla::ed_DiamHvostChange);
    connect(ed_LSv, &QLineEdit::textChanged, this, &Tfrm_EditAdd_Sverla::ed_LSvChange);
    connect(ed_LHvost, &QLineEdit::textChanged, this, &Tfrm_EditAdd_Sverla::ed_LHvostChange);

    finishLayout(GroupBox2);
    setTabOrder(dbcmbx_Type_SV, dbed_Sverla_KOD);
    setTabOrder(dbed_Sverla_KOD, dbcmbx_Sverla_Firma);
    setTabOrder(dbcmbx_Sverla_Firma, dbcmbx_Korob);
    setTabOrder(dbcmbx_Korob, ed_DiamSv);
    setTabOrder(ed_DiamSv, ed_DiamHvost);
    setTabOrder(ed_DiamHvost, ed_LSv);
    setTabOrder(ed_LSv, ed_LHvost);
    setTabOrder(ed_LHvost, bbtn_OK);
    setTabOrder(bbtn_OK, bbtn_Cancel);
    resize(760, 470);
}

bool Tfrm_EditAdd_Sverla::ed_DiamSvKeyPress(QChar& key) { return decimalKey(key); }
bool Tfrm_EditAdd_Sverla::ed_LSvKeyPress(QChar& key) { return digitKey(key); }

void Tfrm_EditAdd_Sverla::ed_DiamSvChange() { diameterChange(ed_DiamSv, ed_DiamHvost, ed_LSv, ed_LHvost); }
void Tfrm_EditAdd_Sverla::ed_DiamHvostChange() { rangeChange(ed_DiamHvost); }
void Tfrm_EditAdd_Sverla::ed_LSvChange() { rangeChange(ed_LSv, ed_LHvost); }
void Tfrm_EditAdd_Sverla::ed_LHvostChange() { rangeChange(ed_LHvost); }

void Tfrm_EditAdd_Sverla::InitTypeInstr() { fillList(DM->qr_SV_Type, dbcmbx_Type_SV); }
void Tfrm_EditAdd_Sverla::InitKorob() { fillList(DM->qr_SV_Korob, dbcmbx_Korob); }

void Tfrm_EditAdd_Sverla::FormShow()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    showPictureOf();
    InitTypeInstr();
    InitKorob();
    QApplication::restoreOverrideCursor();
    dbcmbx_Type_SV->setFocus();
}

void Tfrm_EditAdd_Sverla::bbtn_OKClick()
{
    if (!passesChecks())
        return;
    RecordSet& rs = row();
    rs.fieldByName(QStringLiteral("Diam_Sverla")).setAsFloat(floatOf(ed_DiamSv));
    rs.fieldByName(QStringLiteral("Diam_Hvost")).setAsFloat(floatOf(ed_DiamHvost));
    rs.fieldByName(QStringLiteral("L_Instr")).setAsInteger(intOf(ed_LSv));
    rs.fieldByName(QStringLiteral("L_reza")).setAsInteger(intOf(ed_LHvost));
    finishOK();
}
