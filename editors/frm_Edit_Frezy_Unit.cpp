#include "frm_Edit_Frezy_Unit.h"

#include "DM_Unit.h"
#include "DataAware.h"
#include "RecordSet.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

Tfrm_EditAdd_Frezy* frm_EditAdd_Frezy = nullptr;

Tfrm_EditAdd_Frezy::Tfrm_EditAdd_Frezy(QWidget* parent)
    : TDimensionEditor(ToolKind::Frezy, "frm_EditAdd_Frezy", "pm_FR", parent)
{
    setWindowTitle(QStringLiteral("Редактирование записи. Таблица: Фрезы"));

    dbcmbx_Type_FR = boundCombo("dbcmbx_Type_FR", "Type");
    dbed_Frezy_KOD = new DBEdit(GroupBox1);
    dbed_Frezy_KOD->setObjectName(QStringLiteral("dbed_Frezy_KOD"));
    dbed_Frezy_KOD->bind(&row(), QStringLiteral("Kod"));
    dbcmbx_Frezy_Firma = firmLookup("dbcmbx_Frezy_Firma");
    dbcmbx_Korob_FR = boundCombo("dbcmbx_Korob_FR", "Korob");
    dbcmbx_N_Zub = boundCombo("dbcmbx_N_Zub", "N_zub");
    dbcmbx_N_Zub->setItems({"1", "2", "3", "4", "5", "6", "7", "8"});
    // The number of teeth is a number column: only digits can be typed.
    dbcmbx_N_Zub->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,3}")), dbcmbx_N_Zub));
    dbcmbx_R_F_instr = boundCombo("dbcmbx_R_F_instr", "R_FAS_instr");
    dbcmbx_R_F_instr->setItems({"1", "2", "3", "4", "5", "6", "7", "8"});
    dbmemo_Frezy_Prim = new DBMemo(GroupBox1);
    dbmemo_Frezy_Prim->setObjectName(QStringLiteral("dbmemo_Frezy_Prim"));
    dbmemo_Frezy_Prim->bind(&row(), QStringLiteral("Prim"));
    dbmemo_Frezy_Prim->setFocusPolicy(Qt::ClickFocus);
    dbmemo_Frezy_Prim->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    dbmemo_Frezy_Prim->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    dbmemo_Frezy_Prim->setLineWrapMode(QPlainTextEdit::NoWrap);
    addCommon("Тип фрезы *", dbcmbx_Type_FR);
    addCommon("Код фрезы *", dbed_Frezy_KOD);
    addCommon("Фирма изготовитель *", dbcmbx_Frezy_Firma);
    addCommon("№ Короба *", dbcmbx_Korob_FR);
    addCommon("Число зубъев *", dbcmbx_N_Zub);
    addCommon("Радиус/Фаска *", dbcmbx_R_F_instr);
    addCommon("Примечания", dbmemo_Frezy_Prim);

    ed_DiamFR = dimensionBox("ed_DiamFR", "Диаметр фрезы *", "Не менее 0,1 и не более 30");
    ed_DiamHvost = dimensionBox("ed_DiamHvost", "Диаметр хвостовика *", "Не менее 0,1 и не более 30");
    ed_LFR = dimensionBox("ed_LFR", "Длина фрезы *", "Не менее 0,1 и не более 300");
    ed_LHvost = dimensionBox("ed_LHvost", "Длина режущей части *", "Не менее 0,1 и не более 300");
    ed_L_Sheiki = dimensionBox("ed_L_Sheiki", "Длина шейки *", "Не менее 0,1 и не более 300");
    paint(ed_L_Sheiki, false);   // the neck length is never coloured
    for (QLineEdit* b : {ed_DiamFR, ed_DiamHvost})
        setKeyFilter(b, &Tfrm_EditAdd_Frezy::ed_DiamFRKeyPress);
    for (QLineEdit* b : {ed_LFR, ed_LHvost, ed_L_Sheiki})
        setKeyFilter(b, &Tfrm_EditAdd_Frezy::ed_LFRKeyPress);
    connect(ed_DiamFR, &QLineEdit::textChanged, this, &Tfrm_EditAdd_Frezy::ed_DiamFRChange);
    connect(ed_DiamHvost, &QLineEdit::textChanged, this, &Tfrm_EditAdd_Frezy::ed_DiamHvostChange);
    connect(ed_LFR, &QLineEdit::textChanged, this, &Tfrm_EditAdd_Frezy::ed_LFRChange);
    connect(ed_LHvost, &QLineEdit::textChanged, this, &Tfrm_EditAdd_Frezy::ed_LHvostChange);
    // The neck length's change re-tests the cutting length.
    connect(ed_L_Sheiki, &QLineEdit::textChanged, this, &Tfrm_EditAdd_Frezy::ed_LHvostChange);

    finishLayout(GroupBox2);
    setTabOrder(dbcmbx_Type_FR, dbed_Frezy_KOD);
    setTabOrder(dbed_Frezy_KOD, dbcmbx_Frezy_Firma);
    setTabOrder(dbcmbx_Frezy_Firma, dbcmbx_Korob_FR);
    setTabOrder(dbcmbx_Korob_FR, dbcmbx_N_Zub);
    setTabOrder(dbcmbx_N_Zub, dbcmbx_R_F_instr);
    setTabOrder(dbcmbx_R_F_instr, ed_DiamFR);
    setTabOrder(ed_DiamFR, ed_DiamHvost);
    setTabOrder(ed_DiamHvost, ed_LFR);
    setTabOrder(ed_LFR, ed_LHvost);
    setTabOrder(ed_LHvost, ed_L_Sheiki);
    setTabOrder(ed_L_Sheiki, bbtn_OK);
    setTabOrder(bbtn_OK, bbtn_Cancel);
    resize(760, 540);
}

bool Tfrm_EditAdd_Frezy::ed_DiamFRKeyPress(QChar& key) { return decimalKey(key); }
// Digits and both separators, nothing converted: a point makes the number unreadable.
bool Tfrm_EditAdd_Frezy::ed_LFRKeyPress(QChar& key) { return separatorKey(key); }

void Tfrm_EditAdd_Frezy::ed_DiamFRChange() { diameterChange(ed_DiamFR, ed_DiamHvost, ed_LFR, ed_LHvost); }
void Tfrm_EditAdd_Frezy::ed_DiamHvostChange() { rangeChange(ed_DiamHvost); }
void Tfrm_EditAdd_Frezy::ed_LFRChange() { rangeChange(ed_LFR, ed_LHvost); }
void Tfrm_EditAdd_Frezy::ed_LHvostChange() { rangeChange(ed_LHvost); }

void Tfrm_EditAdd_Frezy::InitType() { fillList(DM->qr_FR_Type, dbcmbx_Type_FR); }
void Tfrm_EditAdd_Frezy::InitKorob() { fillList(DM->qr_FR_Korob, dbcmbx_Korob_FR); }
void Tfrm_EditAdd_Frezy::InitRF_Instr() { fillList(DM->qr_FR_RF_instr, dbcmbx_R_F_instr); }

void Tfrm_EditAdd_Frezy::FormShow()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    showPictureOf();
    InitType();
    InitKorob();
    InitRF_Instr();
    QApplication::restoreOverrideCursor();
    dbcmbx_Type_FR->setFocus();
}

void Tfrm_EditAdd_Frezy::bbtn_OKClick()
{
    // The drill editor's seven checks and texts, then every number written
    // must read (the neck length and the counts too).
    if (!passesChecks())
        return;
    RecordSet& rs = row();
    rs.fieldByName(QStringLiteral("Diam_Frez")).setAsFloat(floatOf(ed_DiamFR));
    rs.fieldByName(QStringLiteral("Diam_Hvost")).setAsFloat(floatOf(ed_DiamHvost));
    rs.fieldByName(QStringLiteral("L_Instr")).setAsFloat(floatOf(ed_LFR));
    rs.fieldByName(QStringLiteral("L_Reza")).setAsFloat(floatOf(ed_LHvost));
    rs.fieldByName(QStringLiteral("L_Sheiki")).setAsFloat(floatOf(ed_L_Sheiki));
    if (!ed_kvo_new->text().isEmpty())
        rs.fieldByName(QStringLiteral("K_vo_New")).setAsInteger(intOf(ed_kvo_new));
    if (!ed_kvo_BU->text().isEmpty())
        rs.fieldByName(QStringLiteral("K_vo_BU")).setAsInteger(intOf(ed_kvo_BU));
    finishOK();
}
