// Every window, control and menu item of the built windows carries its own
// name, so that the windows' code, the tests and the tour find them: one
// row per window with the names it must hold. A window added later adds
// its row here.
#include "Program.h"
#include "ScriptedUser.h"
#include "TestSupport.h"

#include <QApplication>
#include <QMenu>
#include <QWidget>
#include <QtTest>

namespace {

QWidget* window(const QString& name)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name)
            return w;
    return nullptr;
}

// The window an object belongs to: its nearest ancestor that is a window of
// its own (pop-up menus belong to the window that owns them).
QObject* ownerWindow(QObject* o)
{
    for (QObject* p = o->parent(); p; p = p->parent()) {
        auto* w = qobject_cast<QWidget*>(p);
        if (w && w->isWindow() && !qobject_cast<QMenu*>(w))
            return w;
    }
    return nullptr;
}

QStringList words(const char* text)
{
    return QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

class TestNames : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void names_data();
    void names();

private:
    std::unique_ptr<TempDb> m_db;
};

void TestNames::initTestCase()
{
    m_db = std::make_unique<TempDb>();
    QVERIFY(Program::CreateWindows(m_db->path()));
}

void TestNames::cleanupTestCase()
{
    Program::DestroyWindows();
    m_db.reset();
}

void TestNames::names_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("names");

    // Main window: pages, grids, tool bars, detail panels, menus, status bar.
    QTest::newRow("frm_Main, pages and grids") << "frm_Main" << words(
        "PageControl_Main tbst_P1_Sverla tbst_P_Frezyi tbst_P_Derj_Plast tbst_P_Plastinyi tbst_P3_People "
        "dbgr_Sverlo dbgr_Frezy dbgr_Derj_PL dbgr_Plastinyi dbgrid_Dolgi StatusBar1");
    QTest::newRow("frm_Main, tool bars") << "frm_Main" << words(
        "spbt_Sverlo_New spbt_Sverlo_Edit spbt_Sverlo_Del spbt_SV_GiveToWork spbt_SVerlo_Search spbt_Sverlo_Filtr "
        "spbt_FR_NEW spbt_FR_EDIT spbt_FR_DEL spbt_FR_GiveToWork spbt_FR_Search spbt_FR_Filtr "
        "spbt_Derj_NEW spbt_Derj_EDIT spbt_Derj_DEL spbt_Derj_GiveToWork spbt_Derj_Search spbt_Derj_Filtr "
        "spbt_PL_New spbt_PL_Edit spbt_PL_DEL spbt_PL_GiveToWork spbt_PL_Search spbt_PL_Filtr "
        "SpeedButton1 spbt_SearchRec spbt_Dolgi_Filtr "
        "sttx_Filter_Sverla StaticText1 sttx_Filter_Derj StaticText3 sttx_Filter_Dolgi");
    QTest::newRow("frm_Main, detail panels") << "frm_Main" << words(
        "dbed_SV_K_vo_NEW dbed_SV_K_vo_BU dbed_FR_K_vo_NEW dbed_FR_K_vo_BU dbed_DRJ_K_vo_NEW dbed_DRJ_K_vo_BU "
        "dbed_PL_K_vo_NEW dbed_PL_K_vo_BU im_PicSv im_PicFreza im_Pic_Derj im_Plastina "
        "GroupBox15 DBEdit17 DBEdit18 DBEdit19 DBEdit20 DBEdit21 DBEdit22 ed_Dolg_Tp_Instr "
        "im_PicDolg_Instr im_PicDolg_Operator");
    QTest::newRow("frm_Main, main menu") << "frm_Main" << words(
        "MainMenu1 mm_Pasw mm_Exit mm_Tabl_People mm_Tabl_Firm mm_History_Dolg mm_History_Prihod mm_Spisanie_Hist "
        "mm_Change_Pasw mm_Export_ALL mm_Export_Activ_Page mm_About");
    QTest::newRow("frm_Main, drills menu") << "frm_Main" << words(
        "pm_Sverla pmSV_Edit pmSV_Add pmSV_Del pmSV_Prihod mmSV_per_BU pm_SV_Spisat pmSV_Give_to_Work "
        "pmSV_ViewDolgi pm_SV_View_Prih_Hist pm_SV_View_Spisanie_Hist pm_SV_View_Dolg_Hist");
    QTest::newRow("frm_Main, cutters menu") << "frm_Main" << words(
        "pm_Frezy pm_FR_Edit pm_FR_Add pm_FR_Del pm_FR_Prihod mmFR_per_BU pm_FR_Spisat pm_FR_GiveToWork "
        "pm_FR_Posm_Komu_Vidan pm_FR_View_Prih_Hist pm_FR_View_Spisanie_Hist N20");
    QTest::newRow("frm_Main, holders menu") << "frm_Main" << words(
        "pm_Derj pm_DRJ_Edit pm_DRJ_Add pm_DRJ_Del pm_DRJ_Prihod mmDRJ_per_BU pm_DRJ_Spisat pm_DRJ_GiveToWork "
        "pm_DRJ_Posm_Komu_Vidan pm_DRJ_Posm_Prih_Hist pm_DRJ_Posm_Spis_Hist N26");
    QTest::newRow("frm_Main, inserts menu") << "frm_Main" << words(
        "pm_Plastini pm_PL_Edit pm_PL_Add pm_PL_Del pm_PL_Prihod mmPL_per_BU pm_PL_Spisat pm_PL_GiveToWork "
        "pm_PL_Posm_Komu_Vidan pm_PL_Posm_Prih_Hist pm_PL_Posm_Spis_Hist N28");
    QTest::newRow("frm_Main, debts menu") << "frm_Main" << words("pm_Dolgi pm_Dolgi_Return pm_ViewInstr");

    QTest::newRow("frm_EditAdd_Sverla") << "frm_EditAdd_Sverla" << words(
        "GroupBox1 dbcmbx_Type_SV dbed_Sverla_KOD dbcmbx_Sverla_Firma dbcmbx_Korob dbmemo_Sverla_Prim "
        "GroupBox2 ed_DiamSv ed_DiamHvost ed_LSv ed_LHvost GroupBox3 ed_kvo_new ed_kvo_BU "
        "GroupBox4 Image1 pm_SV pm_Add pm_Del bbtn_OK bbtn_Cancel");
    QTest::newRow("frm_EditAdd_Frezy") << "frm_EditAdd_Frezy" << words(
        "GroupBox1 dbcmbx_Type_FR dbed_Frezy_KOD dbcmbx_Frezy_Firma dbcmbx_Korob_FR dbcmbx_N_Zub dbcmbx_R_F_instr "
        "dbmemo_Frezy_Prim GroupBox2 ed_DiamFR ed_DiamHvost ed_LFR ed_LHvost ed_L_Sheiki GroupBox3 ed_kvo_new "
        "ed_kvo_BU GroupBox4 Image1 pm_FR pm_Add pm_Del bbtn_OK bbtn_Cancel");
    QTest::newRow("frm_EditAdd_Derj") << "frm_EditAdd_Derj" << words(
        "GroupBox1 dbcmbx_Naim dbed_Derj_KOD dbcmbx_Derj_Firma dbcmbx_Korob dbmemo_Derj_Prim GroupBox3 ed_kvo_new "
        "ed_kvo_BU GroupBox4 Image1 pm_Derj pm_Add pm_Del bbtn_OK bbtn_Cancel");
    QTest::newRow("frm_EditAdd_Plast") << "frm_EditAdd_Plast" << words(
        "GroupBox1 dbcmbx_Naim dbed_Plast_KOD dbcmbx_Plast_Firma dbcmbx_Korob dbmemo_Plast_Prim GroupBox3 ed_kvo_new "
        "ed_kvo_BU GroupBox4 Image1 pm_Plastini pm_Add pm_Del bbtn_OK bbtn_Cancel");
    QTest::newRow("frm_Pasword") << "frm_Pasword" << words("Label1 cmbx_LOGIN Label2 ed_Password btm_OK btm_Cancel");
    QTest::newRow("frm_Prihod_Instr") << "frm_Prihod_Instr" << words(
        "GroupBox1 ed_Kod ed_Firma Memo1 GroupBox2 Bevel1 Image1 GroupBox3 ed_kvo_new sped_New ed_K_vo_NEW_ALL "
        "ed_kvo_BU sped_BU ed_K_vo_BU_ALL bbtn_OK bbtn_Cancel");
    QTest::newRow("frm_Spisat_Instr") << "frm_Spisat_Instr" << words(
        "GroupBox1 ed_Kod ed_Firma Memo1 GroupBox2 Bevel1 Image1 GroupBox3 ed_kvo_new cmbx_K_vo_NEW "
        "ed_K_vo_NEW_ALL ed_kvo_BU cmbx_K_vo_BU ed_K_vo_BU_ALL bbtn_OK bbtn_Cancel");
    QTest::newRow("frm_Per_Instr_BU") << "frm_Per_Instr_BU" << words(
        "GroupBox1 ed_Kod ed_Firma GroupBox2 ed_New_Instr cmbx_COUNT ed_BU_Instr ed_New_Instr_OST bbtn_OK "
        "bbtn_Cancel");
    QTest::newRow("frm_About") << "frm_About" << words("bbtn_OK");
    QTest::newRow("frm_People") << "frm_People" << words(
        "Panel1 Panel3 spbt_People_New spbt_People_Edit spbt_People_Del GroupBox1 img_People GroupBox2 "
        "dbmemo_People dbgr_People PopupMenu1 pm_Add pm_Edit pm_Del StatusBar1");
    QTest::newRow("frm_Edit_People") << "frm_Edit_People" << words(
        "Label1 dbed_FIO GroupBox1 img_Foto PopupMenu1 pm_Add_Pic pm_Del_Pic GroupBox2 DBMemo1 BitBtn1 BitBtn2");
    QTest::newRow("frm_Firm_List") << "frm_Firm_List" << words(
        "Panel3 spbt_Firm_New spbt_Firm_Edit spbt_Firm_Del dbgr_People StatusBar1");
    QTest::newRow("frm_Add_Edit_Firm_rec") << "frm_Add_Edit_Firm_rec" << words(
        "GroupBox1 dbed_Firma bbtn_OK bbtn_Cancel");
    QTest::newRow("frm_Pasw_List") << "frm_Pasw_List" << words("spbt_Add spbt_Edit spbt_Del DBGrid1");
    QTest::newRow("frm_GiveToWork") << "frm_GiveToWork" << words(
        "grbox_Sverla dbed_Kod dbed_Diam dbed_LInstr dbed_Firma grbox_Frezy DBEdit1 DBEdit2 DBEdit3 DBEdit4 "
        "grbox_Derjavki DBEdit5 DBEdit6 DBEdit8 grbox_Plastini DBEdit10 DBEdit7 DBEdit9 "
        "GroupBox2 ed_NomerZap DateTimePicker1 ed_FIOAdmin cmbx_Type ed_InstrSclad cmbx_K_vo_Otdat ed_InstrOstatok "
        "GroupBox3 DBLookupComboBox1 img_People bbtn_OK bbtn_Cancel");
    QTest::newRow("frm_Change_Pasw") << "frm_Change_Pasw" << words(
        "Label1 dbed_Login Label2 dbed_Pasw DBCheckBox1 bbtn_OK bbtn_Cancel");
    QTest::newRow("frm_SearchRec") << "frm_SearchRec" << words("Label1 ed_RecName CheckBox1 BitBtn_OK BitBtn_Cancel");
    QTest::newRow("frm_GetBackInstr") << "frm_GetBackInstr" << words(
        "GroupBox1 dbed_Nom DBEdit6 dbed_Svelo dbed_FIO dbed_Kod ed_Type dbed_Date GroupBox2 cmbx_K_vo_NEW "
        "cmbx_K_vo_BU ed_SUM BitBtn1 BitBtn2");
    QTest::newRow("frm_Filter_Sverla") << "frm_Filter_Sverla" << words(
        "GroupBox1 cmbx_DiamSv ed_DiamSv cmbx_DiamSv_SP ed_DiamSv_SP cmbx_DiamHvost ed_DiamHvost cmbx_DiamHvost_SP "
        "ed_DiamHvost_SP cmbx_L_SV ed_L_SV cmbx_L_SV_SP ed_L_SV_SP cmbx_L_RabCH ed_L_RabCH cmbx_L_RabCH_SP "
        "ed_L_RabCH_SP cmbx_NZub cmbx_NZub_Znach GroupBox2 cmbx_FirmList chbx_ShowInstr chbx_ShowInstrNEW "
        "BitBtn1 BitBtn2");
    QTest::newRow("frm_Prihod_Hist") << "frm_Prihod_Hist" << words(
        "spbt_Prih_Hist__Filtr spbt_Prihod_Hist_Del sttx_Filter_Prihod_Hist dbGrid_Prihod_History StatusBar1");
    QTest::newRow("frm_Spisanie_Hist") << "frm_Spisanie_Hist" << words(
        "spbt_Spisanie_Filtr spbt_Spisanie_Hist_Del sttx_Filter_Spisanie dbGrid_Spisanie_History StatusBar1");
    QTest::newRow("frm_Dolgi_History") << "frm_Dolgi_History" << words(
        "spbt_Dolg_Hist_Filtr spbt_Dolg_Hist_Del sttx_Filter_Dolg_Hist dbGrid_Dolgi_History StatusBar1");
    QTest::newRow("frm_ExportToExcell") << "frm_ExportToExcell" << words("Gauge1");
}

void TestNames::names()
{
    QFETCH(QString, window);
    QFETCH(QStringList, names);

    QWidget* w = ::window(window);
    QVERIFY2(w, qPrintable("no window " + window));
    QStringList missing;
    for (const QString& n : names) {
        QList<QObject*> found = w->findChildren<QObject*>(n);
        found.removeIf([w](QObject* o) { return ownerWindow(o) != w; });
        if (found.size() != 1)
            missing << QStringLiteral("%1 (%2 found)").arg(n).arg(found.size());
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ")));
}

QTEST_MAIN(TestNames)
#include "tst_names.moc"
