// The stock movements of the catalogue pages, driven through the windows as
// the storekeeper drives them, across the four tool kinds: receipt,
// write-off and transfer to used. Each case plays a short script in the
// dialog and checks what it showed, what the file holds afterwards (the
// counts, the history rows in order) and that the counts moved exactly as
// the history says.
#include "ImageBox.h"
#include "ProgramFolder.h"
#include "RowEditor.h"
#include "ToolKind.h"
#include "frm_Per_Instr_BU_Unit.h"
#include "frm_Prihod_Instr_Unit.h"
#include "frm_Spisat_Instr_Unit.h"
#include "tst_main_session.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPlainTextEdit>
#include <QSpinBox>

namespace {

// Every row of a query, its columns joined by "|".
QStringList query(Connection& c, const QString& sql)
{
    QStringList out;
    for (const QString& row : rowsText(c, sql).split('\n', Qt::SkipEmptyParts))
        out << (row.endsWith('|') ? row.chopped(1) : row);
    return out;
}

// History rows of a table as "K_vo|Instr_is_BU", in the order written.
QStringList history(Connection& c, const char* table)
{
    return query(c, QStringLiteral("SELECT K_vo, Instr_is_BU FROM %1 ORDER BY ID").arg(table));
}

using Move = StockMove;

const char* historyTable(Move m)
{
    return m == Move::Prihod ? "Prihod_History" : "Spisanie_History";
}

TMovementForm* dialogOf(Move m)
{
    switch (m) {
    case Move::Prihod: return frm_Prihod_Instr;
    case Move::Spisat: return frm_Spisat_Instr;
    case Move::PerBU: return frm_Per_Instr_BU;
    }
    return nullptr;
}

QAction* itemOf(Move m, ToolKind k)
{
    const Tfrm_Main::CatalogueMenu& menu = frm_Main->catalogueMenu(k);
    return m == Move::Prihod ? menu.prihod : m == Move::Spisat ? menu.spisat : menu.perBU;
}

// Plays a script in an open movement dialog. Steps, blank-separated:
//   new=T / bu=T / count=T   type T into the quantity box (receipt) or
//                            choose the item T of the list (write-off, transfer)
//   paste-new=T              paste T into the receipt's new-pieces box
//   up=N / down=N            press the arrow key N times in the new-pieces box
//   leave                    move the focus out of the quantity boxes
//   ok / cancel / esc        press OK, Отмена or Esc
//   see:NAME=TEXT            the control NAME shows TEXT (a list: its items)
//   open / closed            the dialog is still open / has closed
//   elsewhere=SQL            the other copy runs SQL ("~" for blanks; {T} the
//                            tool table, {N} and {D} its new and in-work
//                            columns, {ID} the tool)
void play(QDialog* d, const QString& script, const std::function<void(const QString&)>& elsewhere)
{
    for (const QString& step : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString key = step.section(QLatin1Char('='), 0, 0);
        const QString value = step.section(QLatin1Char('='), 1, -1);
        if (key == "new" || key == "bu" || key == "count" || key == "paste-new") {
            const QString box = key == "bu" ? "BU" : key == "count" ? "COUNT" : "New";
            if (auto* spin = d->findChild<QSpinBox*>("sped_" + box)) {
                spin->setFocus();
                spin->selectAll();
                QLineEdit* line = spin->findChild<QLineEdit*>();
                QVERIFY(line);
                if (key == "paste-new") {
                    QApplication::clipboard()->setText(value);
                    line->selectAll();
                    line->paste();
                } else {
                    line->selectAll();
                    QTest::keyClicks(line, value);
                }
                continue;
            }
            auto* list = d->findChild<QComboBox*>(key == "count" ? "cmbx_COUNT"
                                                  : key == "bu"  ? "cmbx_K_vo_BU"
                                                                 : "cmbx_K_vo_NEW");
            QVERIFY2(list, qPrintable(step));
            const int at = list->findText(value);
            QVERIFY2(at >= 0, qPrintable(step + " not offered: " + listItems(list)));
            list->setCurrentIndex(at);
        } else if (key == "up" || key == "down") {
            auto* spin = d->findChild<QSpinBox*>("sped_New");
            QVERIFY(spin);
            for (int i = 0; i < value.toInt(); ++i)
                QTest::keyClick(spin, key == "up" ? Qt::Key_Up : Qt::Key_Down);
        } else if (key == "leave") {
            for (QSpinBox* s : d->findChildren<QSpinBox*>())
                s->interpretText();
        } else if (key == "ok") {
            QTest::mouseClick(d->findChild<QPushButton*>("bbtn_OK"), Qt::LeftButton);
        } else if (key == "cancel") {
            QTest::mouseClick(d->findChild<QPushButton*>("bbtn_Cancel"), Qt::LeftButton);
        } else if (key == "esc") {
            QTest::keyClick(d, Qt::Key_Escape);
        } else if (key == "open" || key == "closed") {
            QCOMPARE(d->isVisible(), key == "open");
        } else if (key.startsWith("see:")) {
            const QString name = key.mid(4);
            QWidget* w = d->findChild<QWidget*>(name);
            QVERIFY2(w, qPrintable(name));
            QString shown;
            if (auto* c = qobject_cast<QComboBox*>(w))
                shown = listItems(c) + "@" + c->currentText();
            else if (auto* s = qobject_cast<QSpinBox*>(w))
                shown = s->findChild<QLineEdit*>()->text();
            else if (auto* e = qobject_cast<QLineEdit*>(w))
                shown = e->text();
            QCOMPARE(shown, value);
        } else if (key == "elsewhere") {
            elsewhere(value);
        } else {
            QFAIL(qPrintable("unknown step " + step));
        }
    }
}

} // namespace

class TestStock : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QVERIFY(noWindowShown()); }
    void movement_data();
    void movement();
    void historyRowRefused_data();
    void historyRowRefused();
    void cancelAfterStored_data();
    void cancelAfterStored();
    void dialogShowsTheTool_data();
    void dialogShowsTheTool();
    void pageOlderThanTheFile_data();
    void pageOlderThanTheFile();
};

// ---------------------------------------------------------------------------

void TestStock::movement_data()
{
    QTest::addColumn<ToolKind>("kind");
    QTest::addColumn<int>("move");
    QTest::addColumn<QString>("before");      // "new|used|in work" of the tool
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("texts");   // boxes shown, in order ({F}: the kind's failure message)
    QTest::addColumn<QString>("after");       // the counts in the file afterwards
    QTest::addColumn<QStringList>("rows");    // history rows written, "K_vo|Instr_is_BU"

    const QString noStock = "Нельзя списать инструмент к-во которого 0!";
    const QString noNew = "Нельзя переместить инструмент в БУ если \"К-во НОВЫЙ\"=0  !";
    const QString zeroIn = "Необходимо добать к-во инструмента больше 0.!";
    const QString zeroOut = "Чтобы списать инструмент нужно выбрать к-во отличное от 0 !";
    const QString busy = "{F}\n\n" + DbError::busyText();
    const QString shortNew = "Нельзя списать инструмента больше, чем есть в базе! В базе сейчас: новых %1 шт., БУ %2 "
                             "шт. (остаток изменён в другой копии программы). Ничего не сохранено, данные обновлены.";
    const QString shortTransfer = "Нельзя переместить в БУ больше новых, чем есть в базе! В базе сейчас: новых %1 шт., "
                                  "БУ %2 шт. (остаток изменён в другой копии программы). Ничего не сохранено, данные "
                                  "обновлены.";
    // The other copy issues one new piece meanwhile.
    const QString issueThere = "elsewhere=UPDATE~{T}~SET~{N}={N}-1,{D}={D}+1~WHERE~ID={ID}";
    const QString lockThere = "elsewhere=BEGIN~IMMEDIATE;UPDATE~Firma~SET~Name=Name";

    struct Case {
        const char* name;
        Move move;
        const char* before;
        QString script;
        QStringList texts;
        const char* after;
        QStringList rows;
    };
    const Case cases[] = {
        // Receipt.
        {"receipt: 3 new", Move::Prihod, "5|2|1",
         "see:sped_New=0 see:ed_kvo_new=5 see:ed_K_vo_NEW_ALL=5 new=3 bu=0 see:ed_K_vo_NEW_ALL=8 "
         "see:ed_K_vo_BU_ALL=2 ok closed",
         {}, "8|2|1", {"3|0"}},
        {"receipt: 2 new and 4 used, new row first", Move::Prihod, "5|2|0", "new=2 bu=4 ok", {}, "7|6|0",
         {"2|0", "4|1"}},
        {"receipt: used only", Move::Prihod, "0|0|0", "bu=1 ok", {}, "0|1|0", {"1|1"}},
        {"receipt: both 0", Move::Prihod, "5|2|0", "ok open cancel", {zeroIn}, "5|2|0", {}},
        {"receipt: 600 typed becomes 500", Move::Prihod, "5|2|0",
         "new=600 see:ed_K_vo_NEW_ALL=505 leave see:sped_New=500 ok", {}, "505|2|0", {"500|0"}},
        {"receipt: 600 typed, OK at once", Move::Prihod, "1|0|0", "new=600 ok", {}, "501|0|0", {"500|0"}},
        {"receipt: a negative number becomes 0", Move::Prihod, "5|2|0", "new=-7 leave see:sped_New=0 bu=1 ok",
         {}, "5|3|0", {"1|1"}},
        {"receipt: the arrows step within 0 to 500", Move::Prihod, "5|2|0",
         "up=2 see:sped_New=2 down=3 see:sped_New=0 new=499 up=2 see:sped_New=500 ok", {}, "505|2|0",
         {"500|0"}},
        {"receipt: letters cannot be typed", Move::Prihod, "5|2|0", "new=1x2 see:sped_New=12 ok", {}, "17|2|0",
         {"12|0"}},
        {"receipt: pasted text as typed", Move::Prihod, "5|2|0", "paste-new=3шт. see:sped_New=3 ok", {}, "8|2|0",
         {"3|0"}},
        {"receipt: a fraction counts as 0", Move::Prihod, "5|2|0", "new=1,5 ok open cancel", {zeroIn}, "5|2|0", {}},
        {"receipt: cancel after changes", Move::Prihod, "5|2|0", "new=3 bu=3 cancel", {}, "5|2|0", {}},
        {"receipt: Esc", Move::Prihod, "5|2|0", "new=3 esc closed", {}, "5|2|0", {}},
        {"receipt: changed elsewhere meanwhile, added to the file's counts", Move::Prihod, "5|2|0",
         "new=3 " + issueThere + " ok closed", {}, "7|2|1", {"3|0"}},
        {"receipt: file busy, the dialog stays open", Move::Prihod, "5|2|0", "new=3 " + lockThere + " ok open cancel",
         {busy}, "5|2|0", {}},

        // Write-off.
        {"write-off: nothing in stock", Move::Spisat, "0|0|4", "", {noStock}, "0|0|4", {}},
        {"write-off: only used pieces", Move::Spisat, "0|3|0",
         "see:cmbx_K_vo_NEW=0@0 see:cmbx_K_vo_BU=0,1,2,3@0 see:ed_K_vo_NEW_ALL=0 see:ed_K_vo_BU_ALL=3 bu=2 "
         "see:ed_K_vo_BU_ALL=1 ok",
         {}, "0|1|0", {"2|1"}},
        {"write-off: 2 of 5 new and 1 of 1 used", Move::Spisat, "5|1|2", "new=2 bu=1 ok", {}, "3|0|2",
         {"2|0", "1|1"}},
        {"write-off: both 0", Move::Spisat, "5|1|0", "ok open cancel", {zeroOut}, "5|1|0", {}},
        {"write-off: everything, the row stays", Move::Spisat, "4|2|0", "new=4 bu=2 ok", {}, "0|0|0",
         {"4|0", "2|1"}},
        {"write-off: a count below 0 offers nothing of it", Move::Spisat, "-2|1|0",
         "see:cmbx_K_vo_NEW=0@0 see:ed_K_vo_NEW_ALL=-2 bu=1 ok", {}, "-2|0|0", {"1|1"}},
        {"write-off: cancel after changes", Move::Spisat, "5|1|0", "new=5 cancel", {}, "5|1|0", {}},
        {"write-off: the largest stock, the list ends at it", Move::Spisat, "2147483647|5|0",
         "see:cmbx_K_vo_NEW=0,1,2,…,2147483647@0 see:cmbx_K_vo_BU=0,1,2,3,4,5@0 new=2147483647 "
         "see:ed_K_vo_NEW_ALL=0 ok closed",
         {}, "0|5|0", {"2147483647|0"}},
        {"write-off: more than the file now holds, refused", Move::Spisat, "5|1|0",
         "new=5 " + issueThere + " ok open see:cmbx_K_vo_NEW=0,1,2,3,4@0 cancel", {shortNew.arg(4).arg(1)}, "4|1|1",
         {}},
        {"write-off: changed elsewhere meanwhile, still allowed", Move::Spisat, "5|1|0",
         "new=4 " + issueThere + " ok closed", {}, "0|1|1", {"4|0"}},
        {"write-off: file busy, the dialog stays open", Move::Spisat, "5|1|0", "new=1 " + lockThere + " ok open cancel",
         {busy}, "5|1|0", {}},

        // Transfer to used.
        {"transfer: no new pieces", Move::PerBU, "0|5|0", "", {noNew}, "0|5|0", {}},
        {"transfer: a count below 0", Move::PerBU, "-1|5|0", "", {noNew}, "-1|5|0", {}},
        {"transfer: 3 of 4", Move::PerBU, "4|1|2",
         "see:cmbx_COUNT=0,1,2,3,4@0 see:ed_New_Instr=4 see:ed_BU_Instr=1 see:ed_New_Instr_OST=4 count=3 "
         "see:ed_BU_Instr=4 see:ed_New_Instr_OST=1 ok closed",
         {}, "1|4|2", {}},
        {"transfer: all new pieces", Move::PerBU, "2|0|0", "count=2 ok", {}, "0|2|0", {}},
        {"transfer: the largest stock, the list ends at it", Move::PerBU, "2147483647|0|0",
         "see:cmbx_COUNT=0,1,2,…,2147483647@0 count=2147483000 see:ed_BU_Instr=2147483000 "
         "see:ed_New_Instr_OST=647 ok closed",
         {}, "647|2147483000|0", {}},
        {"transfer: 0 chosen", Move::PerBU, "2|0|0", "ok open cancel", {zeroIn}, "2|0|0", {}},
        {"transfer: cancel after choosing", Move::PerBU, "2|0|0", "count=1 cancel", {}, "2|0|0", {}},
        {"transfer: more than the file now holds, refused", Move::PerBU, "2|0|0",
         "count=2 " + issueThere + " ok open cancel", {shortTransfer.arg(1).arg(0)}, "1|0|1", {}},
        {"transfer: changed elsewhere meanwhile, still allowed", Move::PerBU, "3|0|0",
         "count=2 " + issueThere + " ok closed", {}, "0|2|1", {}},
    };
    for (ToolKind k : Kinds)
        for (const Case& c : cases)
            QTest::newRow(qPrintable(kindName(k) + ", " + c.name))
                << k << int(c.move) << QString::fromLatin1(c.before) << c.script << c.texts
                << QString::fromLatin1(c.after) << c.rows;
}

void TestStock::movement()
{
    QFETCH(ToolKind, kind);
    QFETCH(int, move);
    QFETCH(QString, before);
    QFETCH(QString, script);
    QFETCH(QStringList, texts);
    QFETCH(QString, after);
    QFETCH(QStringList, rows);
    const Move mv = Move(move);
    const ToolKindInfo& info = toolKind(kind);

    Session s;
    const QStringList c = before.split('|');
    const qint64 firm = s.firm();
    // Two tools, so that the page's current row is a choice.
    insertTool(s.conn, kind, firm, "A-0", 9, 9);
    const qint64 id = insertTool(s.conn, kind, firm, "B-1", c[0].toInt(), c[1].toInt(), c[2].toInt());
    QVERIFY(s.start());
    DM->ADOConnection1.setBusyWaitMs(300);
    Connection other;
    other.open(s.db.path());
    other.setBusyWaitMs(300);
    bool locked = false;
    auto elsewhere = [&](QString sql) {
        sql = kindSql(sql.replace('~', ' '), kind, id);
        other.exec(sql);
        locked = sql.startsWith("BEGIN");
    };

    RecordSet& cat = catalogueOf(*DM, kind);
    QVERIFY(cat.locate("ID", int(id)));
    const bool opens = !script.isEmpty();
    bool played = false;
    if (opens)
        s.user.onModal([&](QDialog* d) {
            played = true;
            QCOMPARE(d, dialogOf(mv));
            play(d, script, elsewhere);
        });
    const QString stamp = QDate::currentDate().toString("yyyy-MM-dd") + " 00:00:00";

    itemOf(mv, kind)->trigger();
    if (locked)
        other.exec("COMMIT");

    QCOMPARE(played, opens);
    QVERIFY(!DM->ADOConnection1.inTransaction());
    QStringList expected;
    for (QString t : texts)
        expected << t.replace("{H}", stockRowFailureText(mv, false)).replace("{F}", stockFailureText(mv, kind));
    QVERIFY2(s.user.texts() == expected, qPrintable(s.user.texts().join(" | ")));
    QCOMPARE(s.user.unexpected(), 0);
    QCOMPARE(s.user.leftOpen(), 0);

    // The file: counts and history rows.
    QCOMPARE(toolCounts(other, kind, id), after);
    if (mv != Move::PerBU) {
        QCOMPARE(history(other, historyTable(mv)), rows);
        QCOMPARE(query(other, QStringLiteral("SELECT DISTINCT ID_Instr, ID_Tabl, Date, FIO_AdminBD FROM %1")
                                 .arg(historyTable(mv))),
                 rows.isEmpty() ? QStringList()
                                : QStringList{QStringLiteral("%1|%2|%3|Администратор").arg(id).arg(info.code).arg(stamp)});
    }
    const QString otherHistory = mv == Move::Prihod ? "Spisanie_History" : "Prihod_History";
    QCOMPARE(query(other, "SELECT COUNT(*) FROM " + otherHistory), QStringList{"0"});
    QCOMPARE(query(other, "SELECT COUNT(*) FROM Dolgi"), QStringList{"0"});

    // The invariant: new + used moved exactly by the history rows (a
    // transfer by nothing), the pieces in work only by the other copy.
    const QStringList a = after.split('|');
    const int moved = a[0].toInt() + a[1].toInt() - c[0].toInt() - c[1].toInt();
    const int changedThere = a[2].toInt() - c[2].toInt();
    int historySum = 0;
    for (const QString& r : rows)
        historySum += r.section('|', 0, 0).toInt();
    QCOMPARE(moved + changedThere, mv == Move::Prihod ? historySum : -historySum);
    if (mv == Move::PerBU)
        QCOMPARE(historySum, 0);

    // The page shows the file, on the same tool.
    QCOMPARE(cat.state(), RecordSet::State::Browse);
    QCOMPARE(cat.fieldByName("ID").asInteger(), int(id));
    QCOMPARE(QStringLiteral("%1|%2|%3")
                 .arg(cat.fieldByName(info.newField).asInteger())
                 .arg(cat.fieldByName(info.buField).asInteger())
                 .arg(cat.fieldByName(info.dolgField).asInteger()),
             after);
    other.close();
}

// ---------------------------------------------------------------------------

void TestStock::historyRowRefused_data()
{
    QTest::addColumn<ToolKind>("kind");
    QTest::addColumn<int>("move");
    QTest::addColumn<bool>("refuseUsed");   // the used stock's row is refused (else the new stock's)
    QTest::addColumn<bool>("retry");        // the refusal is lifted and OK pressed again (else cancel)
    for (ToolKind k : Kinds)
        for (Move m : {Move::Prihod, Move::Spisat})
            for (bool used : {false, true})
                for (bool retry : {false, true})
                    QTest::newRow(qPrintable(QStringLiteral("%1, %2, %3 row refused, %4")
                                                 .arg(kindName(k), m == Move::Prihod ? "receipt" : "write-off",
                                                      used ? "used" : "new", retry ? "then OK again" : "then cancel")))
                        << k << int(m) << used << retry;
}

// A history row the file refuses: its message, the dialog stays open and
// nothing of that OK remains; a second OK then stores exactly one movement.
void TestStock::historyRowRefused()
{
    QFETCH(ToolKind, kind);
    QFETCH(int, move);
    QFETCH(bool, refuseUsed);
    QFETCH(bool, retry);
    const Move mv = Move(move);
    const ToolKindInfo& info = toolKind(kind);
    const char* table = historyTable(mv);

    Session s;
    const qint64 firm = s.firm();
    const qint64 id = insertTool(s.conn, kind, firm, "B-1", 5, 3, 1);
    s.conn.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON %1 WHEN NEW.Instr_is_BU = %2 "
                               "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                    .arg(table)
                    .arg(refuseUsed ? 1 : 0));
    QVERIFY(s.start());
    Connection other;
    other.open(s.db.path());
    QVERIFY(catalogueOf(*DM, kind).locate("ID", int(id)));

    const QString rowText = stockRowFailureText(mv, refuseUsed);
    s.user.onModal([&](QDialog* d) {
        play(d, "new=2 bu=1 ok open", {});
        QCOMPARE(s.user.texts(), QStringList{rowText});
        // Nothing of that OK is in the file, and the tool row is as read.
        QCOMPARE(query(other, QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)), QStringList{"0"});
        RecordSet& cat = catalogueOf(*DM, kind);
        QCOMPARE(cat.fieldByName(info.newField).asInteger(), 5);
        QCOMPARE(cat.fieldByName(info.buField).asInteger(), 3);
        if (retry) {
            // This copy holds the file's write lock since its first write: it lifts the refusal itself.
            DM->ADOConnection1.exec("DROP TRIGGER refuse");
            play(d, "ok closed", {});
        } else {
            play(d, "cancel", {});
        }
    });
    itemOf(mv, kind)->trigger();

    QCOMPARE(s.user.texts(), QStringList{rowText});
    QVERIFY(!DM->ADOConnection1.inTransaction());
    const int sign = mv == Move::Prihod ? 1 : -1;
    QCOMPARE(toolCounts(other, kind, id), retry ? QStringLiteral("%1|%2|1").arg(5 + 2 * sign).arg(3 + sign)
                                            : QStringLiteral("5|3|1"));
    QCOMPARE(history(other, table), retry ? QStringList({"2|0", "1|1"}) : QStringList());
}

// ---------------------------------------------------------------------------

void TestStock::cancelAfterStored_data()
{
    QTest::addColumn<ToolKind>("kind");
    for (ToolKind k : Kinds)
        QTest::newRow(qPrintable(kindName(k))) << k;
}

// The dialogs are reused: each showing starts from nothing chosen, and a
// cancel after a stored movement stores nothing more.
void TestStock::cancelAfterStored()
{
    QFETCH(ToolKind, kind);
    Session s;
    const qint64 firm = s.firm();
    const qint64 id = insertTool(s.conn, kind, firm, "B-1", 5, 3);
    QVERIFY(s.start());
    QVERIFY(catalogueOf(*DM, kind).locate("ID", int(id)));
    Connection& file = s.conn;
    file.open(s.db.path());

    const std::pair<Move, const char*> steps[] = {
        {Move::Prihod, "new=4 bu=1 ok"},   // 9|4
        {Move::Prihod, "see:sped_New=0 see:sped_BU=0 see:ed_kvo_new=9 see:ed_K_vo_NEW_ALL=9 new=7 cancel"},
        {Move::Prihod, "bu=2 esc"},
        {Move::Spisat, "new=9 ok"},        // 0|4
        {Move::Spisat, "see:cmbx_K_vo_NEW=0@0 see:cmbx_K_vo_BU=0,1,2,3,4@0 bu=4 cancel"},
        {Move::PerBU, "see:cmbx_COUNT=0,1@0 see:ed_BU_Instr=7 cancel"},
    };
    // The transfer of a tool without new pieces is refused, so it gets some first.
    for (const auto& [mv, script] : steps) {
        if (mv == Move::PerBU) {
            s.user.onModal([&](QDialog* d) { play(d, "new=3 ok", {}); });   // 3|4
            itemOf(Move::Prihod, kind)->trigger();
            s.user.onModal([&](QDialog* d) { play(d, "count=3 ok", {}); });   // 0|7
            itemOf(Move::PerBU, kind)->trigger();
            s.user.onModal([&](QDialog* d) { play(d, "new=1 ok", {}); });   // 1|7
            itemOf(Move::Prihod, kind)->trigger();
        }
        s.user.onModal([&, script = script](QDialog* d) { play(d, QString::fromLatin1(script), {}); });
        itemOf(mv, kind)->trigger();
    }
    QVERIFY(s.user.texts().isEmpty());
    QCOMPARE(s.user.leftOpen(), 0);
    QCOMPARE(toolCounts(file, kind, id), QString("1|7|0"));
    QCOMPARE(history(file, "Prihod_History"), QStringList({"4|0", "1|1", "3|0", "1|0"}));
    QCOMPARE(history(file, "Spisanie_History"), QStringList({"9|0"}));
}

// ---------------------------------------------------------------------------

void TestStock::dialogShowsTheTool_data()
{
    QTest::addColumn<ToolKind>("kind");
    QTest::addColumn<int>("move");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("picture");   // the tool's picture file exists

    const char* const receipt[] = {"Приход инструмента. Таблица: СВЕРЛА", "Приход инструмента. Таблица: ФРЕЗЫ",
                                   "Приход инструмента. Таблица: ДЕРЖАВКИ ПЛАСИН",
                                   "Приход инструмента. Таблица: ПЛАСИНЫ"};
    const char* const writeOff[] = {"Списать инструмент. Таблица: СВЕРЛА", "Списать инструмент. Таблица: ФРЕЗЫ",
                                    "Списать инструмент. Таблица: ДЕРЖАВКИ ПЛАСТИН",
                                    "Списать инструмент. Таблица: ПЛАСТИНЫ"};
    for (ToolKind k : Kinds)
        for (bool picture : {true, false}) {
            const QString p = picture ? ", picture" : ", no picture file";
            QTest::newRow(qPrintable(kindName(k) + ", receipt" + p))
                << k << int(Move::Prihod) << QString::fromUtf8(receipt[int(k)]) << picture;
            QTest::newRow(qPrintable(kindName(k) + ", write-off" + p))
                << k << int(Move::Spisat) << QString::fromUtf8(writeOff[int(k)]) << picture;
            QTest::newRow(qPrintable(kindName(k) + ", transfer" + p))
                << k << int(Move::PerBU) << QString("Перенос инструмента в БУ") << picture;
        }
}

// What each dialog shows of the tool: its caption, code, firm, notes and picture.
void TestStock::dialogShowsTheTool()
{
    QFETCH(ToolKind, kind);
    QFETCH(int, move);
    QFETCH(QString, caption);
    QFETCH(bool, picture);
    const Move mv = Move(move);

    Session s;
    const qint64 firm = s.firm("Iscar");
    const qint64 id =
        insertTool(s.conn, kind, firm, "R390-11", 2, 1, 0, {{"Prim", "для чистовой"}, {"Pikcher", "tool.jpg"}});
    QVERIFY(s.create());
    const QString folder = programFolder() + "/Images/Instrument";
    QDir().mkpath(folder);
    QFile::remove(folder + "/tool.jpg");
    if (picture)
        QVERIFY(writeImage(folder + "/tool.jpg", Qt::red));
    QVERIFY(s.showWithLogin("Администратор", "123"));
    QVERIFY(catalogueOf(*DM, kind).locate("ID", int(id)));
    s.user.onModal([&](QDialog* d) {
        QCOMPARE(d->windowTitle(), caption);
        QCOMPARE(d->findChild<QLineEdit*>("ed_Kod")->text(), QString("R390-11"));
        QCOMPARE(d->findChild<QLineEdit*>("ed_Firma")->text(), QString("Iscar"));
        QVERIFY(d->findChild<QLineEdit*>("ed_Kod")->isReadOnly());
        if (mv != Move::PerBU) {
            QCOMPARE(d->findChild<QPlainTextEdit*>("Memo1")->toPlainText(), QString("для чистовой"));
            auto* image = d->findChild<ImageBox*>("Image1");
            QCOMPARE(image->isVisible(), picture);
        }
        const char* focus = mv == Move::Prihod ? "sped_New" : mv == Move::Spisat ? "cmbx_K_vo_NEW" : "cmbx_COUNT";
        QWidget* f = d->focusWidget();
        QVERIFY(f);
        QVERIFY2(f->objectName() == focus || f->parent()->objectName() == focus, qPrintable(f->objectName()));
    });
    itemOf(mv, kind)->trigger();
    QFile::remove(folder + "/tool.jpg");
    QCOMPARE(s.user.modalsShown(), QStringList({"frm_Pasword", dialogOf(mv)->objectName()}));
    QVERIFY(s.user.texts().isEmpty());
}

// ---------------------------------------------------------------------------

void TestStock::pageOlderThanTheFile_data()
{
    QTest::addColumn<ToolKind>("kind");
    QTest::addColumn<int>("move");
    QTest::addColumn<QString>("elsewhere");   // the other copy's write before the command
    QTest::addColumn<QString>("shown");       // the stock the dialog starts from ("" none shown)
    QTest::addColumn<QString>("message");     // what is said instead ({F} the command's failure)
    struct Case {
        const char* name;
        Move move;
        const char* sql;
        const char* shown;
        const char* message;
    };
    const Case cases[] = {
        {"receipt: the file's counts", Move::Prihod, "UPDATE {T} SET {N}=9, K_vo_BU=4 WHERE ID={ID}", "9|4", ""},
        {"write-off: the file's counts", Move::Spisat, "UPDATE {T} SET {N}=2 WHERE ID={ID}", "2|1", ""},
        {"write-off: nothing left", Move::Spisat, "UPDATE {T} SET {N}=0, K_vo_BU=0 WHERE ID={ID}", "",
         "Нельзя списать инструмент к-во которого 0!"},
        {"transfer: no new pieces left", Move::PerBU, "UPDATE {T} SET {N}=0 WHERE ID={ID}", "",
         "Нельзя переместить инструмент в БУ если \"К-во НОВЫЙ\"=0  !"},
        {"receipt: the tool deleted", Move::Prihod, "DELETE FROM {T} WHERE ID={ID}", "", "{F}\n\n{GONE}"},
        {"transfer: the tool deleted", Move::PerBU, "DELETE FROM {T} WHERE ID={ID}", "", "{F}\n\n{GONE}"},
    };
    for (ToolKind k : Kinds)
        for (const Case& c : cases)
            QTest::newRow(qPrintable(kindName(k) + ", " + c.name))
                << k << int(c.move) << QString::fromUtf8(c.sql) << QString::fromLatin1(c.shown)
                << QString::fromUtf8(c.message);
}

// Another copy wrote since the page was read: the page is read again before
// the dialog opens, which starts from the counts the file holds.
void TestStock::pageOlderThanTheFile()
{
    QFETCH(ToolKind, kind);
    QFETCH(int, move);
    QFETCH(QString, elsewhere);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    const Move mv = Move(move);
    const ToolKindInfo& info = toolKind(kind);
    Session s;
    const qint64 id = insertTool(s.conn, kind, s.firm(), "B-1", 5, 1);
    QVERIFY(s.start());
    QVERIFY(catalogueOf(*DM, kind).locate("ID", int(id)));
    Connection other;
    other.open(s.db.path());
    other.exec(kindSql(elsewhere, kind, id));
    QString seen;
    s.user.onModal([&](QDialog* d) {
        const char* boxes[][2] = {{"ed_kvo_new", "ed_kvo_BU"}, {"ed_K_vo_NEW_ALL", "ed_K_vo_BU_ALL"},
                                  {"ed_New_Instr", "ed_BU_Instr"}};
        const int b = mv == Move::Prihod ? 0 : mv == Move::Spisat ? 1 : 2;
        seen = d->findChild<QLineEdit*>(boxes[b][0])->text() + "|" + d->findChild<QLineEdit*>(boxes[b][1])->text();
        d->reject();
    });
    itemOf(mv, kind)->trigger();
    QCOMPARE(seen, shown);
    message.replace("{F}", stockFailureText(mv, kind)).replace("{GONE}", ops::toolGoneText());
    QCOMPARE(s.user.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    // The page shows the file.
    RecordSet& cat = catalogueOf(*DM, kind);
    QCOMPARE(qint64(cat.recordCount()), other.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(info.table)));
    other.close();
}

QTEST_MAIN(TestStock)
#include "tst_stock.moc"
