// The drill filter and the record search, driven through the main window's
// buttons and the dialogs' controls with a scripted user in the person's place.
#include "DataAware.h"
#include "GridLook.h"
#include "Query.h"
#include "SverlaFilterQuery.h"
#include "frm_Filter_Sverla_Unit.h"
#include "frm_SearchRec_Unit.h"
#include "tst_main_session.h"

#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QToolButton>
#include <sqlite3.h>

namespace {

const QString Base = "SELECT S.ID, S.Kod, S.Diam_Sverla, S.Diam_Hvost, S.L_Instr, S.L_reza,  S.N_zub, S.K_vo_BU, "
                     "S.K_vo_New, S.K_vo_Dolg, S.K_vo_Vozvrat, S.Pikcher, S.Prim, F.Name, S.ID_Firma, S.Korob, S.Type"
                     "\rFROM Sverla S, Firma F\rWHERE S.ID_Firma=F.ID\r";
const QString FullList = Base + "ORDER BY S.Diam_Sverla ;\r";
const QStringList AllDrills{"SV-03", "SV-05", "SV-06", "SV-08", "SV-10", "SV-12"};

// Six drills (in diameter order) of two firms, Sandvik (ID 1) and Iscar (ID 2).
void addDrills(Session& s)
{
    QCOMPARE(s.firm("Sandvik"), 1);
    QCOMPARE(s.firm("Iscar"), 2);
    struct D { const char* kod; double diam, hvost; int len, reza, zub, firm, kNew, kBu; };
    const D drills[] = {{"SV-08", 8.5, 8, 117, 75, 2, 2, 3, 0}, {"SV-03", 3, 3, 60, 30, 2, 1, 1, 0},
                        {"SV-05", 5, 6, 86, 52, 2, 1, 0, 0},    {"SV-12", 12, 12, 151, 101, 2, 2, 0, 0},
                        {"SV-06", 6.5, 6, 101, 63, 3, 2, 0, 2}, {"SV-10", 10, 10, 133, 87, 4, 1, 2, 1}};
    for (const D& d : drills)
        s.insert("Sverla", {{"Kod", d.kod}, {"Type", "Спиральное"}, {"Diam_Sverla", d.diam}, {"Diam_Hvost", d.hvost},
                            {"L_Instr", d.len}, {"L_reza", d.reza}, {"N_zub", d.zub}, {"ID_Firma", d.firm},
                            {"K_vo_New", d.kNew}, {"K_vo_BU", d.kBu}, {"K_vo_Dolg", 0}, {"K_vo_Vozvrat", 0}});
}

// Plays steps on a dialog's controls as a person would: "name=text" picks a
// list item by its text or types into a box; "name" clicks a tick box;
// "name+=text" pastes into a box.
void play(QWidget* dialog, const QStringList& steps)
{
    for (const QString& step : steps) {
        const bool paste = step.contains("+=");
        const QString name = step.section(paste ? "+=" : "=", 0, 0);
        const QString value = step.section(paste ? "+=" : "=", 1);
        QWidget* w = dialog->findChild<QWidget*>(name);
        QVERIFY2(w, qPrintable(name));
        if (auto* c = qobject_cast<QComboBox*>(w)) {
            QVERIFY2(c->findText(value) >= 0, qPrintable(step));
            c->setCurrentIndex(c->findText(value));
        } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
            e->setFocus();
            e->selectAll();
            QTest::keyClick(e, Qt::Key_Delete);
            if (paste) {
                QApplication::clipboard()->setText(value);
                QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
            } else {
                for (const QChar ch : value) {   // key by key, Cyrillic included
                    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
                    QApplication::sendEvent(e, &press);
                }
            }
        } else if (auto* b = qobject_cast<QCheckBox*>(w)) {
            QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
        }
    }
}

QString currentKod() { return DM->dtSet_Sverla.fieldByName("Kod").asString(); }

} // namespace

class TestSearch : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QVERIFY(noWindowShown()); }

    void filter_data();
    void filter();
    void refusedValues_data();
    void refusedValues();
    void controls_data();
    void controls();
    void secondShowingAndCancel();
    void failedOpenKeepsTheList_data();
    void failedOpenKeepsTheList();
    void search_data();
    void search();
    void searchKeepsTextAndHonoursTheFilter();
};

// ---------------------------------------------------------------------------
// The drill filter

void TestSearch::filter_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("clauses");
    QTest::addColumn<QStringList>("listed");

    QTest::newRow("no criteria") << QStringList{} << "" << AllDrills;
    QTest::newRow("drill diameter 5 … 8,5, both bounds in")
        << QStringList{"cmbx_DiamSv=больше  (>)", "ed_DiamSv=5", "cmbx_DiamSv_SP=меньше (<)", "ed_DiamSv_SP=8,5"}
        << " AND  ((S.Diam_Sverla>=5) AND (S.Diam_Sverla<=8.5))" << QStringList{"SV-05", "SV-06", "SV-08"};
    QTest::newRow("drill diameter from 8.5 typed with a point")
        << QStringList{"cmbx_DiamSv=больше  (>)", "ed_DiamSv=8.5"} << " AND (S.Diam_Sverla>=8.5)"
        << QStringList{"SV-08", "SV-10", "SV-12"};
    QTest::newRow("drill diameter equal")
        << QStringList{"cmbx_DiamSv=равно (=)", "ed_DiamSv=6,5"} << " AND (S.Diam_Sverla=6.5)" << QStringList{"SV-06"};
    QTest::newRow("drill diameter up to 3, the comma last")
        << QStringList{"cmbx_DiamSv=меньше (<)", "ed_DiamSv=3,"} << " AND (S.Diam_Sverla<=3.)" << QStringList{"SV-03"};
    QTest::newRow("drill diameter from ,5") << QStringList{"cmbx_DiamSv=больше  (>)", "ed_DiamSv=,5"}
                                            << " AND (S.Diam_Sverla>=.5)" << AllDrills;
    QTest::newRow("drill diameter up to 5")
        << QStringList{"cmbx_DiamSv=меньше (<)", "ed_DiamSv=5"} << " AND (S.Diam_Sverla<=5)"
        << QStringList{"SV-03", "SV-05"};
    QTest::newRow("tail diameter from its own box")
        << QStringList{"cmbx_DiamSv=равно (=)", "ed_DiamSv=3", "cmbx_DiamSv=нет", "cmbx_DiamHvost=равно (=)",
                       "ed_DiamHvost=6"}
        << " AND (S.Diam_Hvost=6)" << QStringList{"SV-05", "SV-06"};
    QTest::newRow("tail diameter range, bounds out")
        << QStringList{"cmbx_DiamHvost=больше (>)", "ed_DiamHvost=6", "cmbx_DiamHvost_SP=меньше (<)",
                       "ed_DiamHvost_SP=12"}
        << " AND ((S.Diam_Hvost>6) AND (S.Diam_Hvost<12))" << QStringList{"SV-08", "SV-10"};
    QTest::newRow("drill length over 117")
        << QStringList{"cmbx_L_SV=больше (>)", "ed_L_SV=117"} << "AND (S.L_Instr>117)" << QStringList{"SV-10", "SV-12"};
    QTest::newRow("drill length range")
        << QStringList{"cmbx_L_SV=больше (>)", "ed_L_SV=60", "cmbx_L_SV_SP=меньше (<)", "ed_L_SV_SP=117"}
        << " AND ((S.L_Instr>60) AND (S.L_Instr<117))" << QStringList{"SV-05", "SV-06"};
    QTest::newRow("cutting length under 63")
        << QStringList{"cmbx_L_RabCH=меньше (<)", "ed_L_RabCH=63"} << " AND (S.L_reza<63)"
        << QStringList{"SV-03", "SV-05"};
    QTest::newRow("cutting length range")
        << QStringList{"cmbx_L_RabCH=больше (>)", "ed_L_RabCH=52", "cmbx_L_RabCH_SP=меньше (<)", "ed_L_RabCH_SP=87"}
        << " AND ((S.L_reza>52) AND (S.L_reza<87))" << QStringList{"SV-06", "SV-08"};
    QTest::newRow("teeth equal 3") << QStringList{"cmbx_NZub=равно (=)", "cmbx_NZub_Znach=3"} << " AND (S.N_zub=3)"
                                   << QStringList{"SV-06"};
    QTest::newRow("teeth over the first value 2") << QStringList{"cmbx_NZub=больше (>)"} << " AND (S.N_zub>2)"
                                                  << QStringList{"SV-06", "SV-10"};
    QTest::newRow("teeth under 3") << QStringList{"cmbx_NZub=меньше (<)", "cmbx_NZub_Znach=3"} << " AND (S.N_zub<3)"
                                   << QStringList{"SV-03", "SV-05", "SV-08", "SV-12"};
    QTest::newRow("firm") << QStringList{"cmbx_FirmList=Iscar"} << " AND (S.ID_Firma=2)"
                          << QStringList{"SV-06", "SV-08", "SV-12"};
    QTest::newRow("in stock") << QStringList{"chbx_ShowInstr"} << " AND ((S.K_vo_BU+S.K_vo_New)>0)"
                              << QStringList{"SV-03", "SV-06", "SV-08", "SV-10"};
    QTest::newRow("new in stock") << QStringList{"chbx_ShowInstr", "chbx_ShowInstrNEW"} << " AND (S.K_vo_New>0)"
                                  << QStringList{"SV-03", "SV-08", "SV-10"};
    QTest::newRow("new ticked, stock unticked again")
        << QStringList{"chbx_ShowInstr", "chbx_ShowInstrNEW", "chbx_ShowInstr"} << "" << AllDrills;
    QTest::newRow("everything, joined in the fixed order")
        << QStringList{"chbx_ShowInstr", "cmbx_FirmList=Iscar", "cmbx_NZub=меньше (<)", "cmbx_NZub_Znach=8",
                       "cmbx_L_RabCH=больше (>)", "ed_L_RabCH=10", "cmbx_L_SV=меньше (<)", "ed_L_SV=200",
                       "cmbx_DiamHvost=больше (>)", "ed_DiamHvost=1", "cmbx_DiamSv=больше  (>)", "ed_DiamSv=6"}
        << " AND (S.Diam_Sverla>=6) AND (S.Diam_Hvost>1) AND (S.L_Instr<200) AND (S.L_reza>10) AND (S.N_zub<8)"
           " AND (S.ID_Firma=2) AND ((S.K_vo_BU+S.K_vo_New)>0)"
        << QStringList{"SV-06", "SV-08"};
}

void TestSearch::filter()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, clauses);
    QFETCH(QStringList, listed);

    Session s;
    addDrills(s);
    QVERIFY(s.start());
    s.user.onModal([&](QDialog* d) {
        QCOMPARE(d->windowTitle(), QString("Фильтр записей (таблица СВЕРЛА)"));
        play(d, steps);
        QTest::mouseClick(frm_Filter_Sverla->BitBtn1, Qt::LeftButton);
    });
    QTest::mouseClick(frm_Main->spbt_Sverlo_Filtr, Qt::LeftButton);

    QCOMPARE(DM->dtSet_Sverla.commandText(), Base + clauses + "\rORDER BY S.Diam_Sverla ;\r");
    QCOMPARE(column(DM->dtSet_Sverla, "Kod"), listed);
    QVERIFY(frm_Main->sttx_Filter_Sverla->isVisible());
    QCOMPARE(frm_Main->sttx_Filter_Sverla->text(), QString("Фильтр записей активирован"));
    QCOMPARE(frm_Main->statusPanelText(0), QString(" Всего записей : %1").arg(listed.size()));
    // The filter stays in force when others re-read the list.
    DM->RefreshSverla();
    QCOMPARE(column(DM->dtSet_Sverla, "Kod"), listed);

    // The second press lists every drill again, without the dialog.
    QTest::mouseClick(frm_Main->spbt_Sverlo_Filtr, Qt::LeftButton);
    QCOMPARE(DM->dtSet_Sverla.commandText(), FullList);
    QCOMPARE(column(DM->dtSet_Sverla, "Kod"), AllDrills);
    QVERIFY(!frm_Main->sttx_Filter_Sverla->isVisible());
    QCOMPARE(frm_Main->statusPanelText(0), QString(" Всего записей : 6"));
    QCOMPARE(s.user.modalsShown(), (QStringList{"frm_Pasword", "frm_Filter_Sverla"}));
    QVERIFY(s.user.shown().isEmpty());
}

void TestSearch::refusedValues_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("message");

    const QString number = ": введите число (цифры и не более одной запятой).";
    QTest::newRow("empty") << QStringList{"cmbx_DiamSv=равно (=)", "ed_DiamSv="} << "ed_DiamSv"
                           << "Критерий \"Диаметр сверла\"" + number;
    QTest::newRow("a comma alone") << QStringList{"cmbx_DiamHvost=меньше (<)", "ed_DiamHvost=,"} << "ed_DiamHvost"
                                   << "Критерий \"Диаметр хвостовика\"" + number;
    QTest::newRow("two decimal points typed") << QStringList{"cmbx_L_SV=равно (=)", "ed_L_SV=5.5.5"} << "ed_L_SV"
                                              << "Критерий \"Длина сверла\"" + number;
    QTest::newRow("SQL pasted, letters dropped, nothing left")
        << QStringList{"cmbx_L_RabCH=равно (=)", "ed_L_RabCH+=') OR 'x'='x"} << "ed_L_RabCH"
        << "Критерий \"Длина режущей части\": введите число (цифры и не более одной запятой).";
    QTest::newRow("the second bound empty")
        << QStringList{"cmbx_DiamSv=больше  (>)", "ed_DiamSv=5", "cmbx_DiamSv_SP=меньше (<)", "ed_DiamSv_SP="}
        << "ed_DiamSv_SP" << "Критерий \"Диаметр сверла\", второе значение (меньше)" + number;
    QTest::newRow("a length beyond 32 bits")
        << QStringList{"cmbx_L_SV=больше (>)", "ed_L_SV=2147483648"} << "ed_L_SV"
        << "Критерий \"Длина сверла\": число вне допустимого диапазона (не более 2147483647).";
    QTest::newRow("the first refused box is named")
        << QStringList{"cmbx_L_RabCH=равно (=)", "ed_L_RabCH=", "cmbx_DiamHvost=равно (=)", "ed_DiamHvost=1,,"}
        << "ed_DiamHvost" << "Критерий \"Диаметр хвостовика\"" + number;
}

void TestSearch::refusedValues()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, box);
    QFETCH(QString, message);

    Session s;
    addDrills(s);
    QVERIFY(s.start());
    const QString before = DM->dtSet_Sverla.commandText();
    s.user.onModal([&](QDialog* d) {
        play(d, steps);
        d->findChild<QPushButton*>("BitBtn2")->setFocus();
        QTest::mouseClick(frm_Filter_Sverla->BitBtn1, Qt::LeftButton);
        QVERIFY(d->isVisible());   // the user may correct the value
        QCOMPARE(QApplication::focusWidget(), d->findChild<QWidget*>(box));
        QTest::mouseClick(frm_Filter_Sverla->BitBtn2, Qt::LeftButton);
    });
    QTest::mouseClick(frm_Main->spbt_Sverlo_Filtr, Qt::LeftButton);

    QCOMPARE(s.user.texts(), QStringList{message});
    QCOMPARE(s.user.shown().first().title, QString("Ошибка"));
    QCOMPARE(DM->dtSet_Sverla.commandText(), before);
    QCOMPARE(DM->dtSet_Sverla.recordCount(), 6);
    QVERIFY(!frm_Main->sttx_Filter_Sverla->isVisible());
}

void TestSearch::controls_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("shown");   // of the boxes and lists that come and go
    QTest::addColumn<QString>("box");         // a value box, then its text and whether it is red
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("red");

    const QStringList none;
    QTest::newRow("at start") << none << none << "ed_DiamSv" << "0" << false;
    QTest::newRow("equal: the value box") << QStringList{"cmbx_DiamSv=равно (=)"} << QStringList{"ed_DiamSv"} << ""
                                          << "" << false;
    QTest::newRow("greater: the second-bound list")
        << QStringList{"cmbx_DiamHvost=больше (>)"} << QStringList{"ed_DiamHvost", "cmbx_DiamHvost_SP"} << "" << ""
        << false;
    QTest::newRow("second bound less: its box")
        << QStringList{"cmbx_L_SV=больше (>)", "cmbx_L_SV_SP=меньше (<)"}
        << QStringList{"ed_L_SV", "cmbx_L_SV_SP", "ed_L_SV_SP"} << "" << "" << false;
    QTest::newRow("comparison changed: the second bound goes")
        << QStringList{"cmbx_L_RabCH=больше (>)", "cmbx_L_RabCH_SP=меньше (<)", "cmbx_L_RabCH=меньше (<)"}
        << QStringList{"ed_L_RabCH"} << "" << "" << false;
    QTest::newRow("back to нет") << QStringList{"cmbx_DiamSv=больше  (>)", "cmbx_DiamSv=нет"} << none << "" << ""
                                 << false;
    QTest::newRow("teeth") << QStringList{"cmbx_NZub=меньше (<)"} << QStringList{"cmbx_NZub_Znach"} << "" << ""
                           << false;
    // What the value boxes keep of what is typed or pasted (shown or not).
    QTest::newRow("a point becomes a comma") << QStringList{"ed_L_SV=8.5"} << none << "ed_L_SV" << "8,5" << false;
    QTest::newRow("letters and blanks dropped") << QStringList{"ed_L_SV=1 2a,5б"} << none << "ed_L_SV" << "12,5"
                                                << false;
    QTest::newRow("two commas: red") << QStringList{"ed_L_SV=5,5,"} << none << "ed_L_SV" << "5,5," << true;
    QTest::newRow("a comma alone: red") << QStringList{"ed_DiamHvost=,"} << none << "ed_DiamHvost" << "," << true;
    QTest::newRow("pasted like typed") << QStringList{"ed_DiamHvost+=12.5 мм"} << none << "ed_DiamHvost" << "12,5"
                                       << false;
    QTest::newRow("drill diameter takes 5 characters") << QStringList{"ed_DiamSv=123456"} << none << "ed_DiamSv"
                                                       << "12345" << false;
    QTest::newRow("pasted beyond the limit") << QStringList{"ed_DiamSv_SP+=8,1234567"} << none << "ed_DiamSv_SP"
                                             << "8,123" << false;
    QTest::newRow("emptied: red") << QStringList{"ed_L_RabCH_SP="} << none << "ed_L_RabCH_SP" << "" << true;
}

void TestSearch::controls()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, shown);
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(bool, red);

    Session s;
    QVERIFY(s.create());
    Tfrm_Filter_Sverla* f = frm_Filter_Sverla;
    f->show();
    play(f, steps);
    QStringList visible;
    for (const char* row : {"DiamSv", "DiamHvost", "L_SV", "L_RabCH"})
        for (const QString& name : {QString("ed_%1").arg(row), QString("cmbx_%1_SP").arg(row),
                                    QString("ed_%1_SP").arg(row)})
            if (f->findChild<QWidget*>(name)->isVisibleTo(f))
                visible << name;
    if (f->cmbx_NZub_Znach->isVisibleTo(f))
        visible << "cmbx_NZub_Znach";
    QCOMPARE(visible, shown);
    // A hidden second bound is back at "нет" and plays no part.
    for (const char* sp : {"cmbx_DiamSv_SP", "cmbx_DiamHvost_SP", "cmbx_L_SV_SP", "cmbx_L_RabCH_SP"})
        if (!shown.contains(sp))
            QCOMPARE(f->findChild<QComboBox*>(sp)->currentText(), QString("нет"));
    QCOMPARE(f->cmbx_NZub_Znach->currentText(), QString("2"));
    if (!box.isEmpty()) {
        auto* e = f->findChild<QLineEdit*>(box);
        QCOMPARE(e->text(), text);
        QCOMPARE(isRed(e), red);
    }
    f->close();
}

void TestSearch::secondShowingAndCancel()
{
    Session s;
    addDrills(s);
    QVERIFY(s.start());
    const QStringList steps{"cmbx_DiamSv=больше  (>)", "ed_DiamSv=5",    "cmbx_NZub=больше (>)", "cmbx_NZub_Znach=2",
                            "cmbx_FirmList=Sandvik",   "chbx_ShowInstr", "chbx_ShowInstrNEW"};
    s.user.onModal([&](QDialog* d) {
        QCOMPARE(frm_Filter_Sverla->cmbx_FirmList->currentText(), QString("Любая фирма"));
        play(d, steps);
        QTest::mouseClick(frm_Filter_Sverla->BitBtn1, Qt::LeftButton);
    });
    QTest::mouseClick(frm_Main->spbt_Sverlo_Filtr, Qt::LeftButton);
    QCOMPARE(column(DM->dtSet_Sverla, "Kod"), (QStringList{"SV-10"}));
    QTest::mouseClick(frm_Main->spbt_Sverlo_Filtr, Qt::LeftButton);

    // A firm added meanwhile is offered; the firm is reset, the rest kept.
    DM->tbl_Firma.insert();
    DM->tbl_Firma.fieldByName("Name").setAsString("Guhring");
    storePending(DM->tbl_Firma);
    s.user.onModal([&](QDialog* d) {
        Tfrm_Filter_Sverla* f = frm_Filter_Sverla;
        QStringList firms;
        for (int i = 0; i < f->cmbx_FirmList->count(); ++i)
            firms << f->cmbx_FirmList->itemText(i);
        QCOMPARE(firms, (QStringList{"Любая фирма", "Sandvik", "Iscar", "Guhring"}));
        QCOMPARE(f->cmbx_FirmList->currentText(), QString("Любая фирма"));
        QCOMPARE(f->cmbx_DiamSv->currentText(), QString("больше  (>)"));
        QCOMPARE(f->ed_DiamSv->text(), QString("5"));
        QVERIFY(f->ed_DiamSv->isVisible());
        QVERIFY(f->cmbx_NZub_Znach->isVisible());
        QVERIFY(f->chbx_ShowInstr->isChecked() && f->chbx_ShowInstrNEW->isChecked());
        QVERIFY(f->chbx_ShowInstrNEW->isEnabled());
        QTest::mouseClick(f->BitBtn2, Qt::LeftButton);
    });
    QTest::mouseClick(frm_Main->spbt_Sverlo_Filtr, Qt::LeftButton);
    // Cancel: the full list stays, the indicator hidden.
    QCOMPARE(DM->dtSet_Sverla.commandText(), FullList);
    QCOMPARE(column(DM->dtSet_Sverla, "Kod"), AllDrills);
    QVERIFY(!frm_Main->sttx_Filter_Sverla->isVisible());
    QCOMPARE(s.user.leftOpen(), 0);
}

namespace {
int g_selects = 0;        // selects the engine has been asked to compile
int g_deniedSelect = 0;   // the one it refuses (0: none)
int denySelect(void*, int action, const char*, const char*, const char*, const char*)
{
    if (action != SQLITE_SELECT || g_deniedSelect == 0)
        return SQLITE_OK;
    return ++g_selects == g_deniedSelect ? SQLITE_DENY : SQLITE_OK;
}

// A file that breaks while rows are read, though the statements compile:
// while a statement of a broken text runs, the engine's progress calls are
// counted, and the last call of each whole reading interrupts it.
struct Broken {
    int calls = 0;
    int breakAt = 0;   // the calls of a whole reading; 0 while they are counted
};
QHash<QByteArray, Broken> g_broken;   // by the text as the engine keeps it: up to its ";"
int breakReading(void* db)
{
    for (sqlite3_stmt* st = sqlite3_next_stmt(static_cast<sqlite3*>(db), nullptr); st && !g_broken.isEmpty();
         st = sqlite3_next_stmt(static_cast<sqlite3*>(db), st)) {
        const auto it = g_broken.find(QByteArray(sqlite3_sql(st)));
        if (sqlite3_stmt_busy(st) && it != g_broken.end()) {
            ++it->calls;
            return it->breakAt > 0 && it->calls % it->breakAt == 0 ? 1 : 0;
        }
    }
    return 0;
}

// Every reading of these texts fails at its very last step, after its rows came.
void breakReadingOf(Connection& c, const QStringList& texts)
{
    for (const QString& text : texts) {
        const QByteArray key = text.left(text.lastIndexOf(';') + 1).toUtf8();
        g_broken[key] = Broken();
        Query q(c, text);
        int rows = 0;
        while (q.next())
            ++rows;
        QVERIFY(rows > 0 && g_broken[key].calls > 0);
        g_broken[key] = Broken{0, g_broken[key].calls};
    }
}

void unbreak()
{
    g_deniedSelect = 0;
    g_broken.clear();
}
} // namespace

void TestSearch::failedOpenKeepsTheList_data()
{
    // "deny:N": the Nth select compiled is refused; "break": the file breaks,
    // the new list and the one shown can no longer be read.
    QTest::addColumn<QString>("fault");
    QTest::newRow("refused when compiled") << "deny:1";
    QTest::newRow("refused when read") << "deny:3";
    QTest::newRow("broken while its rows are read") << "break";
}

void TestSearch::failedOpenKeepsTheList()
{
    QFETCH(QString, fault);

    Session s;
    addDrills(s);
    QVERIFY(s.start());
    clickTitle(frm_Main->dbgr_Sverlo, "K_vo_New");
    const QStringList sorted = column(DM->dtSet_Sverla, "Kod");
    clickRow(frm_Main->dbgr_Sverlo, 4);
    const QString current = currentKod();
    const QString before = DM->dtSet_Sverla.commandText();
    sqlite3* db = DM->ADOConnection1.handle();
    sqlite3_set_authorizer(db, denySelect, nullptr);
    sqlite3_progress_handler(db, 1, breakReading, db);
    const QString filtered = Base + " AND (S.Diam_Sverla<=5)\rORDER BY S.Diam_Sverla ;\r";
    // The fault for the next reading of text.
    auto arm = [&](const QString& text) {
        if (fault == "break") {
            breakReadingOf(DM->ADOConnection1, {text, DM->dtSet_Sverla.commandText()});
        } else {
            g_selects = 0;
            g_deniedSelect = fault.section(':', 1).toInt();
        }
    };
    const QString refusal = fault == "break" ? "interrupted" : "not authorized";

    s.user.onModal([&](QDialog* d) {
        play(d, {"cmbx_DiamSv=меньше (<)", "ed_DiamSv=5"});
        arm(filtered);
        QTest::mouseClick(frm_Filter_Sverla->BitBtn1, Qt::LeftButton);
        unbreak();
        // The engine's error; the list, its order, current row, sort mark
        // and text as they were.
        QVERIFY(d->isVisible());
        QCOMPARE(s.user.shown().size(), 1);
        QVERIFY2(s.user.lastText().contains(refusal), qPrintable(s.user.lastText()));
        QCOMPARE(DM->dtSet_Sverla.commandText(), before);
        QCOMPARE(column(DM->dtSet_Sverla, "Kod"), sorted);
        QCOMPARE(currentKod(), current);
        QCOMPARE(frm_Main->dbgr_Sverlo->currentIndex().row(), 4);
        QCOMPARE(frm_Main->dbgr_Sverlo->titleColor("K_vo_New"), GridLook::sortMarkColor());
        // Pressed again, it works.
        QTest::mouseClick(frm_Filter_Sverla->BitBtn1, Qt::LeftButton);
    });
    QTest::mouseClick(frm_Main->spbt_Sverlo_Filtr, Qt::LeftButton);
    QCOMPARE(column(DM->dtSet_Sverla, "Kod"), (QStringList{"SV-03", "SV-05"}));
    QVERIFY(frm_Main->sttx_Filter_Sverla->isVisible());
    QCOMPARE(frm_Main->dbgr_Sverlo->titleColor("K_vo_New") == GridLook::sortMarkColor(), false);

    // Clearing that fails keeps the filtered list, its current row and the indicator.
    clickRow(frm_Main->dbgr_Sverlo, 1);
    arm(FullList);
    QTest::mouseClick(frm_Main->spbt_Sverlo_Filtr, Qt::LeftButton);
    unbreak();
    QCOMPARE(s.user.shown().size(), 2);
    QVERIFY2(s.user.lastText().contains(refusal), qPrintable(s.user.lastText()));
    QVERIFY(frm_Main->sttx_Filter_Sverla->isVisible());
    QCOMPARE(DM->dtSet_Sverla.commandText(), filtered);
    QCOMPARE(column(DM->dtSet_Sverla, "Kod"), (QStringList{"SV-03", "SV-05"}));
    QCOMPARE(currentKod(), QString("SV-05"));
    sqlite3_set_authorizer(db, nullptr, nullptr);
    sqlite3_progress_handler(db, 0, nullptr, nullptr);
}

// ---------------------------------------------------------------------------
// The record search

void TestSearch::search_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("partial");
    QTest::addColumn<bool>("enter");     // Enter in the box instead of a click on OK
    QTest::addColumn<QString>("current"); // the row then current ("" = not moved, "-" = not found)

    const QString sv = "Поиск записи (табл. СВЕРЛА)";
    QTest::newRow("drill, exact") << 0 << sv << "Код сверла" << "SV-10" << false << false << "SV-10";
    QTest::newRow("drill, partial: first in order") << 0 << sv << "Код сверла" << "SV-1" << true << true << "SV-10";
    QTest::newRow("drill, a final character missing") << 0 << sv << "Код сверла" << "SV-1" << false << true << "-";
    QTest::newRow("drill, letter case counts") << 0 << sv << "Код сверла" << "sv-10" << true << false << "-";
    QTest::newRow("drill, empty box") << 0 << sv << "Код сверла" << "" << true << true << "";
    QTest::newRow("drill, quotes") << 0 << sv << "Код сверла" << "SV' OR '1'='1\"" << true << false << "-";
    QTest::newRow("drill, very long text") << 0 << sv << "Код сверла" << QString(5000, 'S') << true << false << "-";
    QTest::newRow("cutter") << 1 << "Поиск записи (табл. ФРЕЗЫ)" << "Код фрезы" << "FR-2" << false << true << "FR-2";
    QTest::newRow("holder, partial") << 2 << "Поиск записи (табл. ДЕРЖАВКИ ПЛАСТИН)" << "Код державки пластины"
                                     << "DR" << true << false << "DR-1";
    QTest::newRow("insert") << 3 << "Поиск записи (табл. ПЛАСТИНЫ)" << "Код пластины" << "PL-2" << false << false
                            << "PL-2";
    const QString dl = "Поиск записи (табл. ДОЛГИ)";
    QTest::newRow("debt by its number") << 4 << dl << "№ записи п.п." << "12" << false << true << "12";
    QTest::newRow("debt number, partial on its digits") << 4 << dl << "№ записи п.п." << "2" << true << false << "21";
    QTest::newRow("debt number not there") << 4 << dl << "№ записи п.п." << "1" << false << false << "-";
    QTest::newRow("debt, not a number") << 4 << dl << "№ записи п.п." << "abc" << false << false << "-";
}

void TestSearch::search()
{
    QFETCH(int, page);
    QFETCH(QString, caption);
    QFETCH(QString, prompt);
    QFETCH(QString, typed);
    QFETCH(bool, partial);
    QFETCH(bool, enter);
    QFETCH(QString, current);

    Session s;
    addDrills(s);
    for (const char* kod : {"FR-1", "FR-2"})
        s.insert("Frezy", {{"Kod", kod}, {"ID_Firma", 1}, {"K_vo_New", 1}, {"K_vo_BU", 0}});
    for (const char* kod : {"DR-1", "DR-2"})
        s.insert("Derj_Plast", {{"Name", "H"}, {"KOD", kod}, {"ID_Firma", 1}});
    for (const char* kod : {"PL-1", "PL-2"})
        s.insert("Plastinyi", {{"Naimenovanie", "P"}, {"KOD", kod}, {"ID_Firma", 1}});
    const qint64 op = s.person("Иванов И. И.");
    for (int n : {3, 21, 12, 2})
        s.debt(n, 1, 1, op, false);
    QVERIFY(s.start());
    frm_Main->PageControl_Main->setCurrentIndex(page);
    RecordSet* rs = frm_Main->pageRecordSet(page);
    const QString field = page == 4 ? "Nomer_Zap" : "Kod";
    rs->last();
    const QString before = rs->fieldByName(field).asString();

    QToolButton* buttons[] = {frm_Main->spbt_SVerlo_Search, frm_Main->spbt_FR_Search, frm_Main->spbt_Derj_Search,
                              frm_Main->spbt_PL_Search, frm_Main->spbt_SearchRec};
    s.user.onModal([&](QDialog* d) {
        Tfrm_SearchRec* f = frm_SearchRec;
        QCOMPARE(d->windowTitle(), caption);
        QCOMPARE(f->Label1->text(), prompt);
        QCOMPARE(int(f->SearchTarget), page);
        QCOMPARE(f->CheckBox1->text(), QString("Допускается частичное совпадение"));
        f->ed_RecName->setText(typed);
        f->CheckBox1->setChecked(partial);
        if (enter)
            QTest::keyClick(f->ed_RecName, Qt::Key_Return);
        else
            QTest::mouseClick(f->BitBtn_OK, Qt::LeftButton);
        QVERIFY(!d->isVisible());
    });
    QTest::mouseClick(buttons[page], Qt::LeftButton);

    const QString now = rs->fieldByName(field).asString();
    if (current == "-") {
        QCOMPARE(s.user.texts(), QStringList{"Извините, строка не найдена"});
        QCOMPARE(s.user.shown().first().title, QString("Поиск записи"));
        QCOMPARE(s.user.shown().first().icon, Dialogs::Icon::Error);
    } else {
        QVERIFY(s.user.shown().isEmpty());
    }
    QCOMPARE(now, current == "-" || current.isEmpty() ? before : current);
    if (page == 4)   // the details follow the debt found
        QCOMPARE(frm_Main->DBEdit17->text(), now);
}

void TestSearch::searchKeepsTextAndHonoursTheFilter()
{
    Session s;
    addDrills(s);
    QVERIFY(s.start());
    // The drills filtered to those from 8,5 on.
    s.user.onModal([](QDialog* d) {
        play(d, {"cmbx_DiamSv=больше  (>)", "ed_DiamSv=8,5"});
        QTest::mouseClick(frm_Filter_Sverla->BitBtn1, Qt::LeftButton);
    });
    QTest::mouseClick(frm_Main->spbt_Sverlo_Filtr, Qt::LeftButton);
    DM->dtSet_Sverla.last();

    // A code outside the filter is not found; the text and the tick stay.
    s.user.onModal([](QDialog*) {
        frm_SearchRec->ed_RecName->setText("SV-05");
        frm_SearchRec->CheckBox1->setChecked(true);
        QTest::mouseClick(frm_SearchRec->BitBtn_OK, Qt::LeftButton);
    });
    QTest::mouseClick(frm_Main->spbt_SVerlo_Search, Qt::LeftButton);
    QCOMPARE(s.user.texts(), QStringList{"Извините, строка не найдена"});
    QCOMPARE(currentKod(), QString("SV-12"));

    // Shown again: the same text and tick, found once more in the full list.
    QTest::mouseClick(frm_Main->spbt_Sverlo_Filtr, Qt::LeftButton);
    s.user.onModal([](QDialog*) {
        QCOMPARE(frm_SearchRec->ed_RecName->text(), QString("SV-05"));
        QVERIFY(frm_SearchRec->CheckBox1->isChecked());
        QTest::mouseClick(frm_SearchRec->BitBtn_OK, Qt::LeftButton);
    });
    DM->dtSet_Sverla.last();
    QTest::mouseClick(frm_Main->spbt_SVerlo_Search, Qt::LeftButton);
    QCOMPARE(currentKod(), QString("SV-05"));
    // Cancel moves nothing.
    s.user.onModal([](QDialog*) { QTest::mouseClick(frm_SearchRec->BitBtn_Cancel, Qt::LeftButton); });
    DM->dtSet_Sverla.last();
    QTest::mouseClick(frm_Main->spbt_SVerlo_Search, Qt::LeftButton);
    QCOMPARE(currentKod(), QString("SV-12"));
    QCOMPARE(s.user.shown().size(), 1);
}

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
