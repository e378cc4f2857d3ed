// The three history windows driven as the storekeeper drives them: opened
// from the main menu and from the catalogue menus of the four kinds, the
// filter switched off, ordered by a title click, painted, rows deleted.
#include "frm_Dolgi_History_Unit.h"
#include "frm_Prihod_Hist_Unit.h"
#include "frm_Spisanie_Hist_Unit.h"
#include "tst_main_session.h"

#include <QAction>
#include <QLabel>
#include <QTimer>
#include <QToolButton>

namespace {

// What a test needs of one window.
struct Win {
    THistoryForm* form;
    const char* menuItem;       // main menu
    const char* table;          // history table
    const char* filterButton;
    const char* deleteButton;
    const char* indicator;
    const char* grid;
    const char* question;
    const char* failure;
};

Win win(const QString& name)
{
    if (name == "receipts")
        return {frm_Prihod_Hist, "mm_History_Prihod", "Prihod_History", "spbt_Prih_Hist__Filtr",
                "spbt_Prihod_Hist_Del", "sttx_Filter_Prihod_Hist", "dbGrid_Prihod_History",
                "Вы уверенны, что хотите удалить запись из таблицы ИСТОРИЯ ПРИХОДА ИНСТРУМЕНТА?",
                "Возникла ошибка при попытке удаления данных в таблице \"tbl_Prihod_Hist\". Данные не сохранены!!!"};
    if (name == "write-offs")
        return {frm_Spisanie_Hist, "mm_Spisanie_Hist", "Spisanie_History", "spbt_Spisanie_Filtr",
                "spbt_Spisanie_Hist_Del", "sttx_Filter_Spisanie", "dbGrid_Spisanie_History",
                "Вы уверенны, что хотите удалить запись из таблицы ИСТОРИЯ СПИСАНИЯ ИНСТРУМЕНТА?",
                "Возникла ошибка при попытке удаления данных в таблице \"tbl_Spisanie_Hist\". Данные не сохранены!!!"};
    return {frm_Dolgi_History, "mm_History_Dolg", "Dolgi_History", "spbt_Dolg_Hist_Filtr", "spbt_Dolg_Hist_Del",
            "sttx_Filter_Dolg_Hist", "dbGrid_Dolgi_History",
            "Вы уверенны, что хотите удалить запись из таблицы ИСТОРИЯ ДОЛГОВ?",
            "Возникла ошибка при попытке удаления данных в таблице \"tbl_Dolgi_History\". Данные не сохранены!!!"};
}

// The submenu item of each catalogue page (0 drills .. 3 inserts) that opens a window.
QString toolItem(const QString& window, int page)
{
    static const char* const items[4][3] = {
        {"pm_SV_View_Prih_Hist", "pm_SV_View_Spisanie_Hist", "pm_SV_View_Dolg_Hist"},
        {"pm_FR_View_Prih_Hist", "pm_FR_View_Spisanie_Hist", "N20"},
        {"pm_DRJ_Posm_Prih_Hist", "pm_DRJ_Posm_Spis_Hist", "N26"},
        {"pm_PL_Posm_Prih_Hist", "pm_PL_Posm_Spis_Hist", "N28"},
    };
    const int w = window == "receipts" ? 0 : window == "write-offs" ? 1 : 2;
    return QString::fromLatin1(items[page][w]);
}

void trigger(const QString& item)
{
    auto* a = frm_Main->findChild<QAction*>(item);
    QVERIFY2(a, qPrintable(item));
    QVERIFY2(a->isEnabled(), qPrintable(item));
    a->trigger();
}

template <class T> T* control(THistoryForm* f, const char* name)
{
    return f->findChild<T*>(QString::fromLatin1(name));
}

QStringList ids(RecordSet& rs) { return column(rs, "ID"); }

// Tools of every kind, a drill and a cutter both with ID 17, and the same
// seven rows in each history table (IDs 1 to 7): dates, issue numbers and
// quantities chosen so that every order differs; row 5 names a cutter
// that was deleted afterwards.
void fill(Session& s)
{
    const qint64 firm = s.firm();
    auto tool = [&](const char* table, const char* codeColumn, int id, const QString& code, int kNew, int kBu) {
        s.insert(table, {{"ID", id}, {codeColumn, code}, {"ID_Firma", firm}, {"K_vo_New", kNew}, {"K_vo_BU", kBu}});
    };
    tool("Sverla", "Kod", 1, "SV-1", 1, 0);
    tool("Sverla", "Kod", 17, "SV-17", 3, 1);
    tool("Frezy", "Kod", 5, "FR-5", 1, 1);
    tool("Frezy", "Kod", 17, "FR-17", 7, 2);
    tool("Frezy", "Kod", 20, "FR-20", 1, 1);
    tool("Derj_Plast", "KOD", 1, "DR-1", 2, 0);
    tool("Plastinyi", "Kod", 1, "PL-1", 4, 4);
    const qint64 a = s.person("Андреев"), y = s.person("Яковлев");
    struct R {
        int tool, kind, day, kvo, nomer;
        bool bu;
        qint64 who;
    };
    const R rows[] = {{17, 3, 10, 5, 30, false, y}, {17, 1, 5, 2, 10, true, a}, {17, 3, 3, 1, 20, true, y},
                      {1, 4, 7, 3, 40, false, a},   {20, 3, 8, 6, 50, false, a}, {1, 2, 1, 4, 5, false, a},
                      {5, 3, 9, 2, 25, false, a}};
    for (const R& r : rows) {
        const QDateTime date(QDate(2026, 1, r.day), QTime(0, 0));
        for (const char* t : {"Prihod_History", "Spisanie_History"})
            s.insert(t, {{"ID_Instr", r.tool}, {"ID_Tabl", r.kind}, {"Date", date}, {"K_vo", r.kvo},
                         {"Instr_is_BU", r.bu}, {"FIO_AdminBD", "Администратор"}});
        s.insert("Dolgi_History", {{"Nomer_Zap", r.nomer}, {"ID_Instr", r.tool}, {"ID_Tabl", r.kind},
                                   {"ID_People", r.who}, {"Date_Start", date}, {"Date_Fin", date.addDays(3)},
                                   {"K_vo_Instr_Bral", r.kvo}, {"Instr_BU", r.bu}, {"K_vo_Instr_Vernul_New", r.kvo},
                                   {"K_vo_Instr_Vernul_BU", 0}, {"ID_Del_Type", 2}, {"FIO_AdminBD_Add", "Администратор"},
                                   {"FIO_AdminBD_DEL", "Администратор"}});
    }
    s.conn.exec("DELETE FROM Frezy WHERE ID = 20");
}

qint64 rowCount(Connection& c, const char* table)
{
    return c.scalar(QString("SELECT count(*) FROM %1").arg(table));
}

QString counters(Connection& c)
{
    QStringList out;
    for (const char* t : {"Sverla", "Frezy", "Derj_Plast", "Plastinyi"})
        out << QString::number(c.scalar(QString("SELECT SUM(K_vo_New * 100 + K_vo_BU) FROM %1").arg(t)));
    return out.join(' ');
}

} // namespace

class TestHistory : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QVERIFY(noWindowShown()); }

    void openings_data();
    void openings();
    void filterLifetime_data();
    void filterLifetime();
    void ordering_data();
    void ordering();
    void deleting_data();
    void deleting();
    void realModalLoop_data();
    void realModalLoop();
};

void TestHistory::openings_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("page");            // -1: the main menu
    QTest::addColumn<QString>("current");     // code of the tool made current ("" = the page shows no rows)
    QTest::addColumn<QString>("filter");      // the list's filter text while shown
    QTest::addColumn<QStringList>("expected"); // IDs listed, in order

    const QStringList byDate{"6", "3", "2", "4", "7", "1"}, byNumber{"6", "2", "3", "7", "1", "4"};
    for (const char* w : {"receipts", "write-offs", "closed issues"}) {
        const bool closed = QString(w) == "closed issues";
        QTest::addRow("%s, main menu: all but the deleted cutter's", w) << w << -1 << "" << ""
                                                                      << (closed ? byNumber : byDate);
        QTest::addRow("%s, drill 17", w) << w << 0 << "SV-17" << "(ID_Instr=17) AND (ID_Tabl=1)" << QStringList{"2"};
        QTest::addRow("%s, cutter 17", w) << w << 1 << "FR-17" << "(ID_Instr=17) AND (ID_Tabl=3)"
                                          << QStringList{"3", "1"};
        QTest::addRow("%s, holder 1", w) << w << 2 << "DR-1" << "(ID_Instr=1) AND (ID_Tabl=4)" << QStringList{"4"};
        QTest::addRow("%s, insert 1", w) << w << 3 << "PL-1" << "(ID_Instr=1) AND (ID_Tabl=2)" << QStringList{"6"};
        QTest::addRow("%s, holders page without rows", w) << w << 2 << "" << "(ID_Instr=0) AND (ID_Tabl=4)"
                                                          << QStringList{};
    }
}

void TestHistory::openings()
{
    QFETCH(QString, window);
    QFETCH(int, page);
    QFETCH(QString, current);
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);

    Session s;
    fill(s);
    QVERIFY(s.start());
    const Win w = win(window);
    RecordSet& list = w.form->list();
    if (page >= 0) {
        frm_Main->PageControl_Main->setCurrentIndex(page);
        RecordSet* tools = frm_Main->pageRecordSet(page);
        if (current.isEmpty()) {
            tools->setFilter("ID=0");
            tools->setFiltered(true);
        } else {
            QVERIFY(tools->locate("Kod", current));
        }
    }

    bool shown = false;
    s.user.onModal([&](QDialog* d) {
        shown = true;
        QCOMPARE(d, static_cast<QDialog*>(w.form));
        QVERIFY(!frm_Main->isVisible());
        QVERIFY(list.isOpen());
        QCOMPARE(ids(list), expected);
        QCOMPARE(list.filtered(), !filter.isEmpty());
        QCOMPARE(list.filter(), filter);
        QCOMPARE(!control<QLabel>(w.form, w.indicator)->isHidden(), page >= 0);
        auto* grid = control<DBGrid>(w.form, w.grid);
        QVERIFY(grid);
        QCOMPARE(grid->model()->rowCount(), expected.size());
        d->close();
    });
    trigger(page < 0 ? QString::fromLatin1(w.menuItem) : toolItem(window, page));

    QVERIFY(shown);
    QVERIFY(frm_Main->isVisible());
    QVERIFY(!w.form->isVisible());
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(!list.isOpen());
    QCOMPARE(s.user.unexpected(), 0);
    QVERIFY(s.user.texts().isEmpty());
}

void TestHistory::filterLifetime_data()
{
    QTest::addColumn<QString>("window");
    QTest::newRow("receipts") << "receipts";
    QTest::newRow("write-offs") << "write-offs";
    QTest::newRow("closed issues") << "closed issues";
}

void TestHistory::filterLifetime()
{
    QFETCH(QString, window);
    Session s;
    fill(s);
    QVERIFY(s.start());
    const Win w = win(window);
    RecordSet& list = w.form->list();
    auto* indicator = control<QLabel>(w.form, w.indicator);
    auto* button = control<QToolButton>(w.form, w.filterButton);
    QVERIFY(button);
    frm_Main->PageControl_Main->setCurrentIndex(1);
    QVERIFY(DM->dtSet_Frezy.locate("Kod", "FR-17"));

    // The filter button shows the whole history at once and hides the indicator.
    s.user.onModal([&](QDialog*) {
        QCOMPARE(list.recordCount(), 2);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(list.recordCount(), 6);
        QVERIFY(indicator->isHidden());
        // Pressed again it does nothing: the filter cannot be switched on here.
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(list.recordCount(), 6);
        QVERIFY(indicator->isHidden());
    });
    trigger(toolItem(window, 1));

    // The filter outlives the window until the main menu opens it unfiltered.
    s.user.onModal([&](QDialog*) {});
    trigger(toolItem(window, 1));
    QVERIFY(list.filtered());
    s.user.onModal([&](QDialog*) {
        QCOMPARE(list.recordCount(), 6);
        QVERIFY(indicator->isHidden());
        QVERIFY(!list.filtered());
    });
    trigger(QString::fromLatin1(w.menuItem));
    QCOMPARE(s.user.modalsShown().size(), 4);
    QCOMPARE(s.user.unexpected(), 0);
}

void TestHistory::ordering_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("before");      // a title clicked first ("" = none)
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("painted");         // the grid draws the sort column and the even rows

    // Quantities 5 2 1 3 - 4 2 for rows 1..7; codes FR-17 SV-17 FR-17 DR-1 - PL-1 FR-5.
    QTest::newRow("write-offs, quantity then code")
        << "write-offs" << "" << "K_vo" << QStringList{"3", "7", "2", "4", "6", "1"} << true;
    QTest::newRow("receipts, code; equal codes in the list's order")
        << "receipts" << "" << "KOD" << QStringList{"4", "3", "1", "7", "6", "2"} << true;
    QTest::newRow("receipts, stock then code") << "receipts" << "K_vo" << "Instr_is_BU"
                                                << QStringList{"4", "1", "7", "6", "3", "2"} << true;
    QTest::newRow("write-offs, kind name then code")
        << "write-offs" << "" << "Tabl_Name" << QStringList{"4", "6", "2", "3", "1", "7"} << true;
    QTest::newRow("closed issues, code then number")
        << "closed issues" << "" << "KoD" << QStringList{"4", "3", "1", "7", "6", "2"} << false;
    QTest::newRow("closed issues, number") << "closed issues" << "KoD" << "Nomer_Zap"
                                           << QStringList{"6", "2", "3", "7", "1", "4"} << false;
    QTest::newRow("closed issues, operator then number")
        << "closed issues" << "" << "FIO" << QStringList{"6", "2", "7", "4", "3", "1"} << false;
    QTest::newRow("closed issues, date taken: mark only") << "closed issues" << "KoD" << "Date_Start"
                                                          << QStringList{"4", "3", "1", "7", "6", "2"} << false;
}

void TestHistory::ordering()
{
    QFETCH(QString, window);
    QFETCH(QString, before);
    QFETCH(QString, field);
    QFETCH(QStringList, expected);
    QFETCH(bool, painted);

    Session s;
    fill(s);
    QVERIFY(s.start());
    const Win w = win(window);
    RecordSet& list = w.form->list();
    s.user.onModal([&](QDialog*) {
        auto* grid = control<DBGrid>(w.form, w.grid);
        if (!before.isEmpty())
            clickTitle(grid, before);
        clickRow(grid, 2);
        checkTitleClick(grid, field, "ID", expected);
        // The sort column bold on every row but the current one; the even
        // rows money green, the odd ones silver in that column.
        const int cur = list.recNo() - 1;
        const QPalette pal = grid->palette();
        for (int pos = 0; pos < list.recordCount(); ++pos) {
            const GridCell cell = grid->cellAt(pos, field);
            if (pos == cur) {
                QVERIFY(!cell.bold);
                QCOMPARE(cell.background, pal.color(QPalette::Highlight));
            } else if (!painted) {
                QVERIFY(!cell.bold);
                QCOMPARE(cell.background, pal.color(QPalette::Base));
            } else {
                QVERIFY(cell.bold);
                QCOMPARE(cell.background, pos % 2 ? MoneyGreen : Silver);
                // Another column: green on even rows, plain on odd ones.
                const GridCell plain = grid->cellAt(pos, "FIO_AdminBD");
                QVERIFY(!plain.bold);
                QCOMPARE(plain.background, pos % 2 ? MoneyGreen : pal.color(QPalette::Base));
            }
        }
        if (painted) {
            // The stock flag reads as a word.
            const int bu = list.fieldIndex("Instr_is_BU");
            for (int pos = 0; pos < list.recordCount(); ++pos)
                QCOMPARE(grid->cellAt(pos, "Instr_is_BU").text, list.boolAt(pos, bu) ? QString("БУ") : QString("Новый"));
        } else {
            QCOMPARE(grid->cellAt(0, "Instr_BU").text, list.textAt(0, list.fieldIndex("Instr_BU")));
        }
    });
    trigger(QString::fromLatin1(w.menuItem));

    // Opened again, the list is in its own order with no marked title.
    s.user.onModal([&](QDialog*) {
        auto* grid = control<DBGrid>(w.form, w.grid);
        QCOMPARE(grid->titleColor(field) == Yellow, false);
        QCOMPARE(ids(list), window == "closed issues" ? (QStringList{"6", "2", "3", "7", "1", "4"})
                                                      : (QStringList{"6", "3", "2", "4", "7", "1"}));
    });
    trigger(QString::fromLatin1(w.menuItem));
    QCOMPARE(s.user.unexpected(), 0);
}

void TestHistory::deleting_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("page");           // -1: the whole list; else the catalogue page opened from
    QTest::addColumn<QString>("tool");       // code made current there ("" = the page shows no rows)
    QTest::addColumn<QString>("id");         // the row deleted
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("refused");       // the database refuses the deletion
    QTest::addColumn<bool>("goneBefore");    // the row was deleted elsewhere after the list was read
    QTest::addColumn<QStringList>("expected");

    for (const char* w : {"receipts", "write-offs", "closed issues"}) {
        const bool closed = QString(w) == "closed issues";
        // Row 1: 5 pieces of cutter 17.
        QTest::addRow("%s, cutter 17, yes", w) << w << 1 << "FR-17" << "1" << true << false << false
                                               << QStringList{"3"};
        QTest::addRow("%s, whole list, yes", w)
            << w << -1 << "" << "4" << true << false << false
            << (closed ? QStringList{"6", "2", "3", "7", "1"} : QStringList{"6", "3", "2", "7", "1"});
        QTest::addRow("%s, no", w) << w << 1 << "FR-17" << "1" << false << false << false << QStringList{"3", "1"};
        QTest::addRow("%s, refused", w) << w << 1 << "FR-17" << "3" << true << true << false << QStringList{"3", "1"};
        QTest::addRow("%s, deleted elsewhere: reported", w) << w << 1 << "FR-17" << "3" << true << true << true
                                                             << QStringList{"1"};
        QTest::addRow("%s, empty list", w) << w << 2 << "" << "" << true << false << false << QStringList{};
    }
}

void TestHistory::deleting()
{
    QFETCH(QString, window);
    QFETCH(int, page);
    QFETCH(QString, tool);
    QFETCH(QString, id);
    QFETCH(bool, yes);
    QFETCH(bool, refused);
    QFETCH(bool, goneBefore);
    QFETCH(QStringList, expected);

    Session s;
    fill(s);
    const Win w = win(window);
    if (refused && !goneBefore)
        s.conn.exec(QString("CREATE TRIGGER refuse BEFORE DELETE ON %1 BEGIN SELECT RAISE(ABORT, 'refused'); END")
                        .arg(w.table));
    QVERIFY(s.start());
    const Win w2 = win(window);   // the windows exist now
    RecordSet& list = w2.form->list();
    Connection& c = DM->ADOConnection1;
    const QString countsBefore = counters(c);
    const qint64 rowsBefore = rowCount(c, w2.table);
    if (page >= 0) {
        frm_Main->PageControl_Main->setCurrentIndex(page);
        RecordSet* tools = frm_Main->pageRecordSet(page);
        if (tool.isEmpty()) {
            tools->setFilter("ID=0");
            tools->setFiltered(true);
        } else {
            QVERIFY(tools->locate("Kod", tool));
        }
    }
    if (!id.isEmpty())
        s.user.answer(yes);
    s.user.onModal([&](QDialog*) {
        auto* grid = control<DBGrid>(w2.form, w2.grid);
        auto* del = control<QToolButton>(w2.form, w2.deleteButton);
        clickTitle(grid, grid->columnFieldName(1));
        if (!id.isEmpty())
            QVERIFY(list.locate("ID", id.toInt()));
        if (goneBefore)
            c.exec(QString("DELETE FROM %1 WHERE ID = %2").arg(w2.table, id));
        QTest::mouseClick(del, Qt::LeftButton);

        QVERIFY(list.isOpen());
        QCOMPARE(ids(list), expected);
        // After Yes the list is re-read, the deletion done or not: its own
        // order, no title marked, the first row current, the filter kept.
        // After No (or on an empty list) nothing changes.
        const bool reRead = !id.isEmpty() && yes;
        if (reRead)
            QCOMPARE(list.recNo(), 1);
        else if (!id.isEmpty())
            QCOMPARE(list.fieldByName("ID").asString(), id);
        QCOMPARE(grid->titleColor(grid->columnFieldName(1)) == Yellow, !reRead);
        QCOMPARE(list.filtered(), page >= 0);
        QCOMPARE(!control<QLabel>(w2.form, w2.indicator)->isHidden(), page >= 0);
    });
    trigger(page < 0 ? QString::fromLatin1(w2.menuItem) : toolItem(window, page));

    const auto& shown = s.user.shown();
    QCOMPARE(shown.size(), int(!id.isEmpty()) + int(refused));
    if (!id.isEmpty()) {
        QCOMPARE(shown[0].kind, ScriptedUser::Shown::Question);
        QCOMPARE(shown[0].icon, Dialogs::Icon::Question);
        QCOMPARE(shown[0].title, QString("Подтверждение удаления данных"));
        QCOMPARE(shown[0].text, QString::fromUtf8(w2.question));
    }
    if (refused) {
        QCOMPARE(shown[1].icon, Dialogs::Icon::Error);
        QCOMPARE(shown[1].title, QString("Ошибка"));
        QCOMPARE(shown[1].text, QString::fromUtf8(w2.failure));
    }
    const bool deleted = !id.isEmpty() && yes && !refused;
    QCOMPARE(rowCount(c, w2.table), rowsBefore - (deleted || goneBefore ? 1 : 0));
    QVERIFY(!c.inTransaction());
    // Only the history row goes: no tool counter changes, the other histories stay.
    QCOMPARE(counters(c), countsBefore);
    for (const char* t : {"Prihod_History", "Spisanie_History", "Dolgi_History"})
        if (QString(t) != w2.table)
            QCOMPARE(rowCount(c, t), 7);
    QCOMPARE(s.user.unexpected(), 0);
}

// Each window played by a person inside the program's real modal loop:
// while it is shown the main window is hidden; after Esc the main window is
// shown, enabled and no window is left modal, on every path. A list that
// cannot be read (its source taken away) shows the engine's error alone and
// never the window, in the real loop or not.
void TestHistory::realModalLoop_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("page");        // -1: the main menu
    QTest::addColumn<QString>("press");   // "filter", "delete" (answered No) or ""
    QTest::addColumn<QString>("breakIt"); // what takes the list's source away first
    QTest::addColumn<bool>("realLoop");
    for (const char* w : {"receipts", "write-offs", "closed issues"}) {
        QTest::addRow("%s, main menu", w) << w << -1 << "" << "" << true;
        QTest::addRow("%s, cutter 17, filter button", w) << w << 1 << "filter" << "" << true;
        QTest::addRow("%s, main menu, delete refused by No", w) << w << -1 << "delete" << "" << true;
    }
    const QString noReceipts = "ALTER TABLE Prihod_History RENAME TO Old_Prihod",
                  noWriteOffs = "ALTER TABLE Spisanie_History RENAME TO Old_Spisanie",
                  noClosed = "DROP VIEW SQL_Dolgi_History";
    QTest::newRow("receipts, the list cannot be read") << "receipts" << -1 << "" << noReceipts << true;
    QTest::newRow("closed issues, one tool, the list cannot be read") << "closed issues" << 1 << "" << noClosed << true;
    QTest::newRow("opening fails: receipts") << "receipts" << -1 << "" << noReceipts << false;
    QTest::newRow("opening fails: receipts, one tool") << "receipts" << 1 << "" << noReceipts << false;
    QTest::newRow("opening fails: write-offs") << "write-offs" << -1 << "" << noWriteOffs << false;
    QTest::newRow("opening fails: closed issues") << "closed issues" << -1 << "" << noClosed << false;
    QTest::newRow("opening fails: closed issues, one tool") << "closed issues" << 0 << "" << noClosed << false;
}

void TestHistory::realModalLoop()
{
    QFETCH(QString, window);
    QFETCH(int, page);
    QFETCH(QString, press);
    QFETCH(QString, breakIt);
    QFETCH(bool, realLoop);

    Session s;
    fill(s);
    QVERIFY(s.start());
    s.user.setRealLoop(realLoop);
    const Win w = win(window);
    frm_Main->PageControl_Main->setCurrentIndex(std::max(page, 0));
    if (page > 0)
        QVERIFY(DM->dtSet_Frezy.locate("Kod", "FR-17"));
    if (press == "delete")
        s.user.answer(false);
    const bool gone = !breakIt.isEmpty();
    if (gone)
        DM->ADOConnection1.exec(breakIt);
    bool mainHidden = gone;
    if (!gone)
        s.user.onModal([&](QDialog* d) {
            mainHidden = !frm_Main->isVisible();
            QTimer::singleShot(0, d, [&, d] {
                if (!press.isEmpty()) {
                    auto* b = control<QToolButton>(w.form, press == "filter" ? w.filterButton : w.deleteButton);
                    QTest::mouseClick(b, Qt::LeftButton);
                }
                QTimer::singleShot(0, d, [d] { QTest::keyClick(d, Qt::Key_Escape); });
            });
        });
    trigger(page < 0 ? QString::fromLatin1(w.menuItem) : toolItem(window, page));
    QCoreApplication::processEvents();

    QVERIFY(mainHidden);
    const QString problem = ScriptedUser::usableProblem(frm_Main);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(s.user.stuck(), 0);
    QCOMPARE(s.user.leftOpen(), 0);
    QCOMPARE(s.user.unexpected(), 0);
    QVERIFY(!w.form->list().isOpen());
    QCOMPARE(s.user.shown().size(), int(press == "delete" || gone));
    if (gone) {
        QCOMPARE(s.user.shown()[0].icon, Dialogs::Icon::Error);
        QCOMPARE(s.user.modalsShown(), QStringList{"frm_Pasword"});
        QVERIFY(frm_Main->isVisible());
        QVERIFY(!w.form->isVisible());
        QVERIFY(!QApplication::activeModalWidget());
    } else {
        QCOMPARE(rowCount(DM->ADOConnection1, w.table), qint64(7));
    }
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
