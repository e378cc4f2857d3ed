// The stock movements of the catalogue pages, driven through the windows as
// the storekeeper drives them, across the four tool kinds: receipt,
// write-off and transfer to used. Each case plays a short script in the
// dialog and checks what it showed, what the file holds afterwards (the
// counts, the history rows in order) and that the counts moved exactly as
// the history says.
#include "ImageBox.h"
#include "MoveCase.h"
#include "ProgramFolder.h"
#include "RowEditor.h"
#include "frm_Per_Instr_BU_Unit.h"
#include "frm_Prihod_Instr_Unit.h"
#include "frm_Spisat_Instr_Unit.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPlainTextEdit>
#include <array>

using Move = StockMove;

namespace {

const QString NoStock = "Нельзя списать инструмент к-во которого 0!";
const QString NoNew = "Нельзя переместить инструмент в БУ если \"К-во НОВЫЙ\"=0  !";

// History rows of a table as "K_vo|Instr_is_BU", in the order written.
QStringList history(Connection& c, const char* table)
{
    return query(c, QStringLiteral("SELECT K_vo, Instr_is_BU FROM %1 ORDER BY ID").arg(table));
}

const char* historyTable(Move m) { return m == Move::Prihod ? "Prihod_History" : "Spisanie_History"; }

TMovementForm* dialogOf(Move m)
{
    return std::array<TMovementForm*, 3>{frm_Prihod_Instr, frm_Spisat_Instr, frm_Per_Instr_BU}[int(m)];
}

QAction* itemOf(Move m, ToolKind k)
{
    const Tfrm_Main::CatalogueMenu& menu = frm_Main->catalogueMenu(k);
    return std::array<QAction*, 3>{menu.prihod, menu.spisat, menu.perBU}[int(m)];
}

} // namespace

// A movement: the counts "new|used|in work" of the tool before; the script
// of the storekeeper in the dialog (playStock; "~" for blanks in the other
// copy's SQL); the boxes shown, in order ({F}: the kind's failure message);
// the counts in the file afterwards and the history rows written ("K_vo|Instr_is_BU").
struct StockCase {
    const char* name;
    Move move;
    const char* before;
    QString script;
    QStringList texts;
    const char* after;
    QStringList rows;
};
Q_DECLARE_METATYPE(StockCase)

// The other copy's write before the command, the stock the dialog starts
// from ("" none shown) and what is said instead ({F} the command's failure).
struct PageCase {
    const char* name;
    Move move;
    const char* sql;
    const char* shown;
    QString message;
};
Q_DECLARE_METATYPE(PageCase)

// A dialog opened on a tool whose picture file exists or not.
struct ShowCase {
    const char* name;
    Move move;
    bool picture;
};
Q_DECLARE_METATYPE(ShowCase)

class TestStock : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QVERIFY(noWindowShown()); }
    void movement_data();
    void movement();
    void historyRowRefused_data();
    void historyRowRefused();
    void cancelAfterStored_data() { kindRows(); }
    void cancelAfterStored();
    void dialogShowsTheTool_data();
    void dialogShowsTheTool();
    void pageOlderThanTheFile_data();
    void pageOlderThanTheFile();
};

void TestStock::movement_data()
{
    const QString zeroIn = "Необходимо добать к-во инструмента больше 0.!";
    const QString zeroOut = "Чтобы списать инструмент нужно выбрать к-во отличное от 0 !";
    const QString busy = "{F}\n\n" + DbError::busyText();
    const QString shortNew = "Нельзя списать инструмента больше, чем есть в базе!";
    const QString shortTransfer = "Нельзя переместить в БУ больше новых, чем есть в базе!";
    // The other copy issues one new piece meanwhile, or holds the file's write lock.
    const QString issueThere = "elsewhere=UPDATE~{T}~SET~{N}={N}-1,{D}={D}+1~WHERE~ID={ID}";
    const QString lockThere = "elsewhere=BEGIN~IMMEDIATE;UPDATE~Firma~SET~Name=Name";
    const StockCase cases[] = {
        // Receipt.
        {"receipt: 3 new", Move::Prihod, "5|2|1",
         "see:sped_New=0 see:ed_kvo_new=5 see:ed_K_vo_NEW_ALL=5 new=3 bu=0 see:ed_K_vo_NEW_ALL=8 "
         "see:ed_K_vo_BU_ALL=2 ok closed", {}, "8|2|1", {"3|0"}},
        {"receipt: 2 new and 4 used, new row first", Move::Prihod, "5|2|0", "new=2 bu=4 ok", {}, "7|6|0",
         {"2|0", "4|1"}},
        {"receipt: used only", Move::Prihod, "0|0|0", "bu=1 ok", {}, "0|1|0", {"1|1"}},
        {"receipt: both 0", Move::Prihod, "5|2|0", "ok open cancel", {zeroIn}, "5|2|0", {}},
        {"receipt: 600 typed becomes 500", Move::Prihod, "5|2|0",
         "new=600 see:ed_K_vo_NEW_ALL=505 leave see:sped_New=500 ok", {}, "505|2|0", {"500|0"}},
        {"receipt: 600 typed, OK at once", Move::Prihod, "1|0|0", "new=600 ok", {}, "501|0|0", {"500|0"}},
        {"receipt: a negative number becomes 0", Move::Prihod, "5|2|0", "new=-7 leave see:sped_New=0 bu=1 ok", {},
         "5|3|0", {"1|1"}},
        {"receipt: the arrows step within 0 to 500", Move::Prihod, "5|2|0",
         "up=2 see:sped_New=2 down=3 see:sped_New=0 new=499 up=2 see:sped_New=500 ok", {}, "505|2|0", {"500|0"}},
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
        {"write-off: nothing in stock", Move::Spisat, "0|0|4", "", {NoStock}, "0|0|4", {}},
        {"write-off: only used pieces", Move::Spisat, "0|3|0",
         "see:cmbx_K_vo_NEW=0@0 see:cmbx_K_vo_BU=0,1,2,3@0 see:ed_K_vo_NEW_ALL=0 see:ed_K_vo_BU_ALL=3 bu=2 "
         "see:ed_K_vo_BU_ALL=1 ok", {}, "0|1|0", {"2|1"}},
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
         "see:ed_K_vo_NEW_ALL=0 ok closed", {}, "0|5|0", {"2147483647|0"}},
        {"write-off: more than the file now holds, refused", Move::Spisat, "5|1|0",
         "new=5 " + issueThere + " ok open see:cmbx_K_vo_NEW=0,1,2,3,4@0 cancel", {stockChangedText(shortNew, 4, 1)},
         "4|1|1", {}},
        {"write-off: changed elsewhere meanwhile, still allowed", Move::Spisat, "5|1|0",
         "new=4 " + issueThere + " ok closed", {}, "0|1|1", {"4|0"}},
        {"write-off: file busy, the dialog stays open", Move::Spisat, "5|1|0", "new=1 " + lockThere + " ok open cancel",
         {busy}, "5|1|0", {}},
        // Transfer to used.
        {"transfer: no new pieces", Move::PerBU, "0|5|0", "", {NoNew}, "0|5|0", {}},
        {"transfer: a count below 0", Move::PerBU, "-1|5|0", "", {NoNew}, "-1|5|0", {}},
        {"transfer: 3 of 4", Move::PerBU, "4|1|2",
         "see:cmbx_COUNT=0,1,2,3,4@0 see:ed_New_Instr=4 see:ed_BU_Instr=1 see:ed_New_Instr_OST=4 count=3 "
         "see:ed_BU_Instr=4 see:ed_New_Instr_OST=1 ok closed", {}, "1|4|2", {}},
        {"transfer: all new pieces", Move::PerBU, "2|0|0", "count=2 ok", {}, "0|2|0", {}},
        {"transfer: the largest stock, the list ends at it", Move::PerBU, "2147483647|0|0",
         "see:cmbx_COUNT=0,1,2,…,2147483647@0 count=2147483000 see:ed_BU_Instr=2147483000 "
         "see:ed_New_Instr_OST=647 ok closed", {}, "647|2147483000|0", {}},
        {"transfer: 0 chosen", Move::PerBU, "2|0|0", "ok open cancel", {zeroIn}, "2|0|0", {}},
        {"transfer: cancel after choosing", Move::PerBU, "2|0|0", "count=1 cancel", {}, "2|0|0", {}},
        {"transfer: more than the file now holds, refused", Move::PerBU, "2|0|0",
         "count=2 " + issueThere + " ok open cancel", {stockChangedText(shortTransfer, 1, 0)}, "1|0|1", {}},
        {"transfer: changed elsewhere meanwhile, still allowed", Move::PerBU, "3|0|0",
         "count=2 " + issueThere + " ok closed", {}, "0|2|1", {}},
    };
    kindRows(cases, ", ");
}

// Each case plays its script in the dialog and checks what it showed, what
// the file holds afterwards and that the counts moved as the history says.
void TestStock::movement()
{
    QFETCH(ToolKind, kind);
    QFETCH(StockCase, c);
    const QStringList b = QString(c.before).split('|'), a = QString(c.after).split('|');
    Session s;
    const qint64 firm = s.firm();
    // Two tools, so that the page's current row is a choice.
    insertTool(s.conn, kind, firm, "A-0", 9, 9);
    const qint64 id = insertTool(s.conn, kind, firm, "B-1", b[0].toInt(), b[1].toInt(), b[2].toInt());
    QVERIFY(s.start());
    Connection& other = s.otherCopy();
    bool locked = false;
    auto elsewhere = [&](QString sql) {
        sql = kindSql(sql.replace('~', ' '), kind, id);
        other.exec(sql);
        locked = sql.startsWith("BEGIN");
    };
    RecordSet& cat = catalogueOf(*DM, kind);
    QVERIFY(cat.locate("ID", int(id)));
    bool played = false;
    if (!c.script.isEmpty())
        s.user.onModal([&](QDialog* d) {
            played = true;
            QCOMPARE(d, dialogOf(c.move));
            playStock(d, c.script, elsewhere);
        });
    const QString stamp = QDate::currentDate().toString("yyyy-MM-dd") + " 00:00:00";
    itemOf(c.move, kind)->trigger();
    if (locked)
        other.exec("COMMIT");
    QCOMPARE(played, !c.script.isEmpty());
    QVERIFY(!DM->ADOConnection1.inTransaction());
    const QStringList expected = QStringList(c.texts).replaceInStrings("{F}", stockFailureText(c.move, kind));
    QVERIFY2(s.user.texts() == expected, qPrintable(s.user.texts().join(" | ")));
    QCOMPARE(s.user.unexpected(), 0);
    QCOMPARE(s.user.leftOpen(), 0);

    // The file: counts and history rows; no row of the other history, no debt.
    QCOMPARE(toolCounts(other, kind, id), QString(c.after));
    if (c.move != Move::PerBU) {
        const QString table = historyTable(c.move), by = QStringLiteral("%1|%2|%3|Администратор");
        QCOMPARE(history(other, historyTable(c.move)), c.rows);
        QCOMPARE(query(other, "SELECT DISTINCT ID_Instr, ID_Tabl, Date, FIO_AdminBD FROM " + table),
                 c.rows.isEmpty() ? QStringList() : QStringList{by.arg(id).arg(kindCodeOf(kind)).arg(stamp)});
    }
    const QString otherHistory = c.move == Move::Prihod ? "Spisanie_History" : "Prihod_History";
    QCOMPARE(other.scalar("SELECT (SELECT COUNT(*) FROM Dolgi) + (SELECT COUNT(*) FROM " + otherHistory + ")"), 0);

    // The invariant: new + used moved exactly by the history rows (a
    // transfer by nothing), the pieces in work only by the other copy.
    int historySum = 0;
    for (const QString& r : c.rows)
        historySum += r.section('|', 0, 0).toInt();
    QCOMPARE(a[0].toInt() + a[1].toInt() + a[2].toInt() - b[0].toInt() - b[1].toInt() - b[2].toInt(),
             c.move == Move::Prihod ? historySum : -historySum);
    if (c.move == Move::PerBU)
        QCOMPARE(historySum, 0);
    // The page shows the file, on the same tool.
    QCOMPARE(cat.state(), RecordSet::State::Browse);
    QCOMPARE(cat.fieldByName("ID").asInteger(), int(id));
    QCOMPARE(pageCounts(kind), QString(c.after));
}

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
    const char* table = historyTable(mv);
    Session s;
    const qint64 id = insertTool(s.conn, kind, s.firm(), "B-1", 5, 3, 1);
    s.conn.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON %1 WHEN NEW.Instr_is_BU = %2 "
                               "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                    .arg(table)
                    .arg(refuseUsed ? 1 : 0));
    QVERIFY(s.start());
    Connection& other = s.otherCopy(0);
    QVERIFY(catalogueOf(*DM, kind).locate("ID", int(id)));
    const QString rowText = stockRowFailureText(mv, refuseUsed);
    s.user.onModal([&](QDialog* d) {
        playStock(d, "new=2 bu=1 ok open");
        QCOMPARE(s.user.texts(), QStringList{rowText});
        // Nothing of that OK is in the file, and the tool row is as read.
        QCOMPARE(other.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)), 0);
        QCOMPARE(pageCounts(kind), QString("5|3|1"));
        // This copy holds the file's write lock since its first write: it lifts the refusal itself.
        if (retry)
            DM->ADOConnection1.exec("DROP TRIGGER refuse");
        playStock(d, retry ? "ok closed" : "cancel");
    });
    itemOf(mv, kind)->trigger();
    QCOMPARE(s.user.texts(), QStringList{rowText});
    QVERIFY(!DM->ADOConnection1.inTransaction());
    const int sign = mv == Move::Prihod ? 1 : -1;
    QCOMPARE(toolCounts(other, kind, id), retry ? QStringLiteral("%1|%2|1").arg(5 + 2 * sign).arg(3 + sign)
                                                : QStringLiteral("5|3|1"));
    QCOMPARE(history(other, table), retry ? QStringList({"2|0", "1|1"}) : QStringList());
}

// The dialogs are reused: each showing starts from nothing chosen, and a
// cancel after a stored movement stores nothing more. The transfer of a tool
// without new pieces is refused, so it gets some first.
void TestStock::cancelAfterStored()
{
    QFETCH(ToolKind, kind);
    Session s;
    const qint64 id = insertTool(s.conn, kind, s.firm(), "B-1", 5, 3);
    QVERIFY(s.start());
    QVERIFY(catalogueOf(*DM, kind).locate("ID", int(id)));
    Connection& file = s.otherCopy(0);
    const std::pair<Move, const char*> steps[] = {
        {Move::Prihod, "new=4 bu=1 ok"},   // 9|4
        {Move::Prihod, "see:sped_New=0 see:sped_BU=0 see:ed_kvo_new=9 see:ed_K_vo_NEW_ALL=9 new=7 cancel"},
        {Move::Prihod, "bu=2 esc"},
        {Move::Spisat, "new=9 ok"},   // 0|4
        {Move::Spisat, "see:cmbx_K_vo_NEW=0@0 see:cmbx_K_vo_BU=0,1,2,3,4@0 bu=4 cancel"},
        {Move::Prihod, "new=3 ok"},   // 3|4
        {Move::PerBU, "count=3 ok"},  // 0|7
        {Move::Prihod, "new=1 ok"},   // 1|7
        {Move::PerBU, "see:cmbx_COUNT=0,1@0 see:ed_BU_Instr=7 cancel"},
    };
    for (const auto& [mv, script] : steps) {
        s.user.onModal([&, script = script](QDialog* d) { playStock(d, script); });
        itemOf(mv, kind)->trigger();
    }
    QVERIFY(s.user.texts().isEmpty());
    QCOMPARE(s.user.leftOpen(), 0);
    QCOMPARE(toolCounts(file, kind, id), QString("1|7|0"));
    QCOMPARE(history(file, "Prihod_History"), QStringList({"4|0", "1|1", "3|0", "1|0"}));
    QCOMPARE(history(file, "Spisanie_History"), QStringList({"9|0"}));
}

void TestStock::dialogShowsTheTool_data()
{
    const ShowCase cases[] = {
        {"receipt, picture", Move::Prihod, true},           {"write-off, picture", Move::Spisat, true},
        {"transfer, picture", Move::PerBU, true},           {"receipt, no picture file", Move::Prihod, false},
        {"write-off, no picture file", Move::Spisat, false}, {"transfer, no picture file", Move::PerBU, false},
    };
    kindRows(cases, ", ");
}

// What each dialog shows of the tool: its caption, code, firm, notes and
// picture, and where the focus is.
void TestStock::dialogShowsTheTool()
{
    QFETCH(ToolKind, kind);
    QFETCH(ShowCase, c);
    const Move mv = c.move;
    const int move = int(mv);
    const bool picture = c.picture;
    const char* const tables[][4] = {{"СВЕРЛА", "ФРЕЗЫ", "ДЕРЖАВКИ ПЛАСИН", "ПЛАСИНЫ"},
                                     {"СВЕРЛА", "ФРЕЗЫ", "ДЕРЖАВКИ ПЛАСТИН", "ПЛАСТИНЫ"}};
    const QString caption = mv == Move::PerBU ? QString("Перенос инструмента в БУ")
                                              : std::array{"Приход инструмента", "Списать инструмент"}[move]
                                                    + QString(". Таблица: ") + tables[move][int(kind)];
    Session s;
    const qint64 id = insertTool(s.conn, kind, s.firm("Iscar"), "R390-11", 2, 1, 0,
                                 {{"Prim", "для чистовой"}, {"Pikcher", "tool.jpg"}});
    QVERIFY(s.create());
    const QString image = programFolder() + "/Images/Instrument/tool.jpg";
    QDir().mkpath(programFolder() + "/Images/Instrument");
    QFile::remove(image);
    if (picture)
        QVERIFY(writeImage(image, Qt::red));
    QVERIFY(s.showWithLogin("Администратор", "123"));
    QVERIFY(catalogueOf(*DM, kind).locate("ID", int(id)));
    s.user.onModal([&](QDialog* d) {
        QCOMPARE(d->windowTitle(), caption);
        QCOMPARE(child<QLineEdit>(d, "ed_Kod")->text(), QString("R390-11"));
        QCOMPARE(child<QLineEdit>(d, "ed_Firma")->text(), QString("Iscar"));
        QVERIFY(child<QLineEdit>(d, "ed_Kod")->isReadOnly());
        if (mv != Move::PerBU) {
            QCOMPARE(child<QPlainTextEdit>(d, "Memo1")->toPlainText(), QString("для чистовой"));
            QCOMPARE(child<ImageBox>(d, "Image1")->isVisible(), picture);
        }
        const char* focus = std::array{"sped_New", "cmbx_K_vo_NEW", "cmbx_COUNT"}[move];
        QWidget* f = d->focusWidget();
        QVERIFY(f);
        QVERIFY2(f->objectName() == focus || f->parent()->objectName() == focus, qPrintable(f->objectName()));
    });
    itemOf(mv, kind)->trigger();
    QFile::remove(image);
    QCOMPARE(s.user.modalsShown(), QStringList({"frm_Pasword", dialogOf(mv)->objectName()}));
    QVERIFY(s.user.texts().isEmpty());
}

void TestStock::pageOlderThanTheFile_data()
{
    const PageCase cases[] = {
        {"receipt: the file's counts", Move::Prihod, "UPDATE {T} SET {N}=9, K_vo_BU=4 WHERE ID={ID}", "9|4", ""},
        {"write-off: the file's counts", Move::Spisat, "UPDATE {T} SET {N}=2 WHERE ID={ID}", "2|1", ""},
        {"write-off: nothing left", Move::Spisat, "UPDATE {T} SET {N}=0, K_vo_BU=0 WHERE ID={ID}", "", NoStock},
        {"transfer: no new pieces left", Move::PerBU, "UPDATE {T} SET {N}=0 WHERE ID={ID}", "", NoNew},
        {"receipt: the tool deleted", Move::Prihod, "DELETE FROM {T} WHERE ID={ID}", "", "{F}\n\n{GONE}"},
        {"transfer: the tool deleted", Move::PerBU, "DELETE FROM {T} WHERE ID={ID}", "", "{F}\n\n{GONE}"},
    };
    kindRows(cases, ", ");
}

// Another copy wrote since the page was read: the page is read again before
// the dialog opens, which starts from the counts the file holds.
void TestStock::pageOlderThanTheFile()
{
    QFETCH(ToolKind, kind);
    QFETCH(PageCase, c);
    Session s;
    const qint64 id = insertTool(s.conn, kind, s.firm(), "B-1", 5, 1);
    QVERIFY(s.start());
    QVERIFY(catalogueOf(*DM, kind).locate("ID", int(id)));
    Connection& other = s.otherCopy(0);
    other.exec(kindSql(c.sql, kind, id));
    QString seen;
    s.user.onModal([&](QDialog* d) {
        const char* boxes[][2] = {{"ed_kvo_new", "ed_kvo_BU"}, {"ed_K_vo_NEW_ALL", "ed_K_vo_BU_ALL"},
                                  {"ed_New_Instr", "ed_BU_Instr"}};
        const char* const* box = boxes[int(c.move)];
        seen = child<QLineEdit>(d, box[0])->text() + "|" + child<QLineEdit>(d, box[1])->text();
        d->reject();
    });
    itemOf(c.move, kind)->trigger();
    QCOMPARE(seen, QString(c.shown));
    const QString message =
        QString(c.message).replace("{F}", stockFailureText(c.move, kind)).replace("{GONE}", ops::toolGoneText());
    QCOMPARE(s.user.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    // The page shows the file.
    QCOMPARE(qint64(catalogueOf(*DM, kind).recordCount()), other.scalar(kindSql("SELECT COUNT(*) FROM {T}", kind, id)));
}

QTEST_MAIN(TestStock)
#include "tst_stock.moc"
