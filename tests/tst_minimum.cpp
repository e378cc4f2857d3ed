// The minimum stock of a tool and the debts kept too long: the rules at
// their edges as tables on a file, the lists and the report made of them,
// the tables an older database gets, and the marks and commands of the
// main window.
#include "Connection.h"
#include "DbError.h"
#include "Engine.h"
#include "Operations.h"
#include "Query.h"
#include "ReportRegistry.h"
#include "ReportTable.h"
#include "RuFormat.h"
#include "Schema.h"
#include "StockLimits.h"
#include "StockReports.h"
#include "frm_Chto_Zakazat_Unit.h"
#include "frm_Limit_Unit.h"
#include "tst_main_session.h"

#include <QLabel>
#include <QMenu>
#include <QSpinBox>
#include <QTableView>
#include <QTextStream>
#include <QToolButton>

namespace {

// A tool of a kind with its counts (its firm made when none is given).
qint64 tool(Connection& c, ToolKind k, const QString& kod, int fresh, int used, int inWork = 0, qint64 firm = 0)
{
    if (!firm)
        firm = insertRow(c, "Firma", {{"Name", "Iscar"}});
    return insertTool(c, k, firm, kod, fresh, used, inWork);
}

void setMin(Connection& c, ToolKind k, qint64 id, qint64 minimum)
{
    const ops::Result r = ops::setMinimum(c, k, int(id), minimum);
    QVERIFY2(r.stored(), qPrintable(r.message));
}

qint64 debtOn(Connection& c, int nomer, ToolKind k, qint64 toolId, qint64 person, const QDateTime& when, int kvo = 1)
{
    return insertRow(c, "Dolgi", {{"Nomer_Zap", nomer}, {"ID_Instr", toolId}, {"ID_Tabl", kindCodeOf(k)},
                                   {"ID_People", person}, {"Date", when}, {"K_vo", kvo}, {"Instr_is_BU", false},
                                   {"FIO_AdminBD", "Администратор"}});
}

// The report program's standard output for these arguments.
QString reportOutput(const QStringList& args, int* rc = nullptr, QString* errors = nullptr)
{
    QString out, err;
    QTextStream o(&out), e(&err);
    const int r = reports::runReport(args, o, e);
    o.flush();
    e.flush();
    if (rc)
        *rc = r;
    if (errors)
        *errors = err;
    return out;
}

} // namespace

class TestMinimum : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Tfrm_Main::followOthers = false; }

    // --- The rules on a file -------------------------------------------------

    void belowMinimum_data();
    void belowMinimum();
    void reorderOrderAndFigures();
    void setMinimum_data();
    void setMinimum();
    void deleteToolTakesItsMinimum_data();
    void deleteToolTakesItsMinimum();
    void overdueEdge_data();
    void overdueEdge();
    void overdueLimitSetting_data();
    void overdueLimitSetting();
    void olderDatabaseGetsTablesOnce();

    // --- Report tables and the program ------------------------------------------

    void csvText_data();
    void csvText();
    void workbook();
    void reportOptions_data();
    void reportOptions();
    void reportOnOlderDatabase();

    // --- The main window ---------------------------------------------------------

    void marksAndStatus();
    void minimumDialogAndList();
    void overdueMarksAndFilter();
    void overdueLimitByAdministrator();
};

// ---------------------------------------------------------------------------

void TestMinimum::belowMinimum_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("fresh");
    QTest::addColumn<int>("used");
    QTest::addColumn<int>("inWork");
    QTest::addColumn<int>("minimum");   // 0: none set
    QTest::addColumn<int>("order");     // -1: not listed
    for (ToolKind k : allToolKinds()) {
        const QByteArray n = QByteArray(toolKind(k).table) + ": ";
        QTest::newRow(n + "one below") << int(k) << 2 << 1 << 0 << 4 << 1;
        QTest::newRow(n + "equal is not below") << int(k) << 2 << 2 << 0 << 4 << -1;
        QTest::newRow(n + "above") << int(k) << 5 << 0 << 0 << 4 << -1;
        QTest::newRow(n + "in work does not count") << int(k) << 1 << 0 << 9 << 3 << 2;
        QTest::newRow(n + "no minimum, no stock") << int(k) << 0 << 0 << 0 << 0 << -1;
        QTest::newRow(n + "used alone") << int(k) << 0 << 3 << 0 << 3 << -1;
        QTest::newRow(n + "empty stock") << int(k) << 0 << 0 << 2 << 1 << 1;
    }
}

void TestMinimum::belowMinimum()
{
    QFETCH(int, kind);
    QFETCH(int, fresh);
    QFETCH(int, used);
    QFETCH(int, inWork);
    QFETCH(int, minimum);
    QFETCH(int, order);
    const ToolKind k = ToolKind(kind);
    TempDb db;
    Connection c;
    c.open(db.path());
    const qint64 id = tool(c, k, "T-1", fresh, used, inWork);
    const qint64 other = tool(c, k, "T-2", 0, 0);   // a tool of the kind without a minimum
    Q_UNUSED(other);
    if (minimum > 0)
        setMin(c, k, id, minimum);

    QCOMPARE(limits::belowMinimum(fresh, used, minimum), order >= 0);
    const QList<limits::ReorderLine> list = limits::reorderList(c);
    QCOMPARE(list.size(), order >= 0 ? 1 : 0);
    QCOMPARE(limits::countBelow(c, k), order >= 0 ? 1 : 0);
    if (order >= 0) {
        const limits::ReorderLine& l = list.first();
        QCOMPARE(l.toolId, int(id));
        QCOMPARE(l.kind, k);
        QCOMPARE(QList<qint64>({l.fresh, l.used, l.inWork, l.minimum, l.order()}),
                 QList<qint64>({fresh, used, inWork, minimum, order}));
    }
    QCOMPARE(limits::minimumOf(c, k, int(id)).value_or(0), qint64(minimum));
}

void TestMinimum::reorderOrderAndFigures()
{
    TempDb db;
    Connection c;
    c.open(db.path());
    const qint64 firm = insertRow(c, "Firma", {{"Name", "Sandvik"}});
    // Inserts first (kind code 2), drills last: the list goes by page.
    const qint64 p = tool(c, ToolKind::Plast, "CNMG 12", 0, 1, 0, firm);
    const qint64 s1 = tool(c, ToolKind::Sverla, "ёж-2", 1, 0, 3, firm);
    const qint64 s2 = tool(c, ToolKind::Sverla, "Ель-1", 0, 0, 0, firm);
    const qint64 s3 = tool(c, ToolKind::Sverla, "A-7", 2, 2, 0, firm);
    const qint64 s4 = tool(c, ToolKind::Sverla, "10-Z", 0, 1, 0, firm);
    const qint64 f = tool(c, ToolKind::Frezy, "F-1", 0, 0, 0, firm);
    // A holder whose firm is gone is listed all the same.
    const qint64 d = tool(c, ToolKind::Derj, "D-1", 1, 1, 1, firm);
    c.exec(QStringLiteral("UPDATE Derj_Plast SET ID_Firma = 999 WHERE ID = %1").arg(d));
    for (auto [k, id, m] : {std::tuple{ToolKind::Plast, p, 5}, {ToolKind::Sverla, s1, 2}, {ToolKind::Sverla, s2, 1},
                            {ToolKind::Sverla, s3, 4}, {ToolKind::Sverla, s4, 6}, {ToolKind::Frezy, f, 10},
                            {ToolKind::Derj, d, 3}})
        setMin(c, k, id, m);

    const reports::Table t = reports::reorderTable(c);
    // s3 holds exactly its minimum; digits before Latin before Cyrillic, ё as е.
    const QString expected =
        "Вид;Код;Наименование / тип;Фирма;Новых;БУ;В работе;Минимум;Заказать\r\n"
        "Сверла;10-Z;;Sandvik;0;1;0;6;5\r\n"
        "Сверла;ёж-2;;Sandvik;1;0;3;2;1\r\n"
        "Сверла;Ель-1;;Sandvik;0;0;0;1;1\r\n"
        "Фрезы;F-1;;Sandvik;0;0;0;10;10\r\n"
        "Державки пластин;D-1;;;1;1;1;3;1\r\n"
        "Пластины;CNMG 12;;Sandvik;0;1;0;5;4\r\n";
    QString csv = reports::csvText(t);
    // The names are the kinds' own columns: empty here but for the holder and insert names.
    for (const QString& line : csv.split("\r\n", Qt::SkipEmptyParts).mid(1)) {
        const QStringList f = line.split(';');
        QCOMPARE(f.size(), 9);
    }
    QStringList lines = csv.split("\r\n");
    for (QString& l : lines) {
        QStringList f = l.split(';');
        if (f.size() == 9 && f[0] != "Вид")
            f[2].clear();
        l = f.join(';');
    }
    QCOMPARE(lines.join("\r\n"), expected);

    // The report program says the same.
    QCOMPARE(reportOutput({"reorder", db.path()}), reports::csvText(t));
}

void TestMinimum::setMinimum_data()
{
    QTest::addColumn<QList<qint64>>("values");   // set one after another
    QTest::addColumn<bool>("toolGone");
    QTest::addColumn<QString>("outcome");        // of the last
    QTest::addColumn<QString>("rows");           // Min_Ostatok after
    QTest::newRow("set") << QList<qint64>{5} << false << "stored" << "1|1|5|\n";
    QTest::newRow("set again replaces") << QList<qint64>{5, 7} << false << "stored" << "1|1|7|\n";
    QTest::newRow("zero removes") << QList<qint64>{5, 0} << false << "stored" << "";
    QTest::newRow("zero without one") << QList<qint64>{0} << false << "stored" << "";
    QTest::newRow("below zero refused") << QList<qint64>{5, -1} << false << "refused" << "1|1|5|\n";
    QTest::newRow("past the column refused") << QList<qint64>{qint64(1) << 31} << false << "refused" << "";
    QTest::newRow("tool gone") << QList<qint64>{4} << true << "refused" << "";
}

void TestMinimum::setMinimum()
{
    QFETCH(QList<qint64>, values);
    QFETCH(bool, toolGone);
    QFETCH(QString, outcome);
    QFETCH(QString, rows);
    TempDb db;
    Connection c;
    c.open(db.path());
    const qint64 id = tool(c, ToolKind::Sverla, "S", 0, 0);
    if (toolGone)
        c.exec(QStringLiteral("DELETE FROM Sverla WHERE ID = %1").arg(id));
    ops::Result r;
    for (qint64 v : values)
        r = ops::setMinimum(c, ToolKind::Sverla, int(id), v);
    QCOMPARE(r.stored() ? QString("stored") : r.status == ops::Status::Refused ? QString("refused") : QString("failed"),
             outcome);
    if (toolGone)
        QCOMPARE(r.refusal, ops::Refusal::ToolGone);
    QCOMPARE(rowsText(c, "SELECT ID_Tabl, ID_Instr, K_vo_Min FROM Min_Ostatok"), rows);
}

void TestMinimum::deleteToolTakesItsMinimum_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("fresh");
    QTest::addColumn<bool>("deleted");
    for (ToolKind k : allToolKinds()) {
        QTest::newRow(QByteArray(toolKind(k).table) + ": deleted") << int(k) << 0 << true;
        QTest::newRow(QByteArray(toolKind(k).table) + ": refused, kept") << int(k) << 1 << false;
    }
}

void TestMinimum::deleteToolTakesItsMinimum()
{
    QFETCH(int, kind);
    QFETCH(int, fresh);
    QFETCH(bool, deleted);
    const ToolKind k = ToolKind(kind);
    TempDb db;
    Connection c;
    c.open(db.path());
    const qint64 id = tool(c, k, "X", fresh, 0);
    // Another kind's tool with the same ID keeps its minimum.
    ToolKind otherKind = k == ToolKind::Sverla ? ToolKind::Frezy : ToolKind::Sverla;
    const qint64 other = tool(c, otherKind, "Y", 0, 0);
    QCOMPARE(other, id);
    setMin(c, k, id, 3);
    setMin(c, otherKind, other, 4);

    ops::RecordWrite w;
    w.id = int(id);
    const ops::Result r = ops::deleteTool(c, k, w);
    QCOMPARE(r.stored(), deleted);
    QCOMPARE(limits::minimumOf(c, k, int(id)).has_value(), !deleted);
    QCOMPARE(limits::minimumOf(c, otherKind, int(other)).value_or(0), qint64(4));
    if (deleted)
        QVERIFY(r.changes.tables.contains("Min_Ostatok"));
}

void TestMinimum::overdueEdge_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("daysAgo");
    QTest::addColumn<QTime>("at");      // the time of day written with the date
    QTest::addColumn<bool>("overdue");
    QTest::newRow("29 of 30") << 30 << 29 << QTime(0, 0) << false;
    QTest::newRow("exactly 30 is not") << 30 << 30 << QTime(0, 0) << false;
    QTest::newRow("exactly 30, late in the day") << 30 << 30 << QTime(23, 59, 59) << false;
    QTest::newRow("31 of 30") << 30 << 31 << QTime(0, 0) << true;
    QTest::newRow("31 of 30, late in the day") << 30 << 31 << QTime(23, 59) << true;
    QTest::newRow("limit 0, today") << 0 << 0 << QTime(12, 0) << false;
    QTest::newRow("limit 0, yesterday") << 0 << 1 << QTime(0, 0) << true;
    QTest::newRow("limit 7, a year") << 7 << 365 << QTime(0, 0) << true;
    QTest::newRow("issued later than today") << 30 << -3 << QTime(0, 0) << false;
}

void TestMinimum::overdueEdge()
{
    QFETCH(int, limit);
    QFETCH(int, daysAgo);
    QFETCH(QTime, at);
    QFETCH(bool, overdue);
    const QDate today(2026, 3, 1);   // after a February: whole days, not months
    const QDate issued = today.addDays(-daysAgo);
    QCOMPARE(limits::isOverdue(issued, today, limit), overdue);

    TempDb db;
    Connection c;
    c.open(db.path());
    const qint64 person = insertRow(c, "People", {{"FIO", "Иванов"}});
    const qint64 id = tool(c, ToolKind::Frezy, "F", 0, 0, 1);
    debtOn(c, 1, ToolKind::Frezy, id, person, QDateTime(issued, at));
    const QList<limits::OverdueLine> list = limits::overdueList(c, limit, today);
    QCOMPARE(list.size(), overdue ? 1 : 0);
    if (overdue)
        QCOMPARE(list.first().days, qint64(daysAgo));

    // The debts page's filter says the same.
    TDM dm(db.path());
    RecordSet& debts = dm.dtset_DolgiSQL;
    debts.setFilter(QStringLiteral("Date < '%1'").arg(ru::formatDate(limits::overdueBefore(today, limit))));
    debts.setFiltered(true);
    QCOMPARE(debts.recordCount(), overdue ? 1 : 0);
}

void TestMinimum::overdueLimitSetting_data()
{
    QTest::addColumn<QString>("stored");   // Nastroiki's value before ("-": no row)
    QTest::addColumn<QString>("login");
    QTest::addColumn<int>("days");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<int>("limit");        // read after
    QTest::newRow("none set") << "-" << "" << -100 << "" << 30;
    QTest::newRow("set 45") << "-" << "Администратор" << 45 << "stored" << 45;
    QTest::newRow("replaced") << "10" << "Администратор" << 14 << "stored" << 14;
    QTest::newRow("0 allowed") << "-" << "Администратор" << 0 << "stored" << 0;
    QTest::newRow("past ten years") << "-" << "Администратор" << 3651 << "refused" << 30;
    QTest::newRow("below 0") << "12" << "Администратор" << -1 << "refused" << 12;
    QTest::newRow("not the administrator") << "12" << "Кладовщик" << 20 << "refused" << 12;
    QTest::newRow("a word stored") << "тридцать" << "" << -100 << "" << 30;
    QTest::newRow("blanks around") << " 21 " << "" << -100 << "" << 21;
    QTest::newRow("too large stored") << "99999" << "" << -100 << "" << 30;
}

void TestMinimum::overdueLimitSetting()
{
    QFETCH(QString, stored);
    QFETCH(QString, login);
    QFETCH(int, days);
    QFETCH(QString, outcome);
    QFETCH(int, limit);
    TempDb db;
    Connection c;
    c.open(db.path());
    if (stored != "-")
        insertRow(c, "Nastroiki", {{"Name", limits::overdueSettingName()}, {"Value", stored}});
    if (days != -100) {
        const ops::Result r = ops::setOverdueLimit(c, days, login);
        QCOMPARE(r.stored() ? QString("stored") : QString("refused"), outcome);
    }
    QCOMPARE(limits::overdueLimit(c), limit);
    QVERIFY(c.scalar("SELECT COUNT(*) FROM Nastroiki") <= 1);
}

void TestMinimum::olderDatabaseGetsTablesOnce()
{
    TempDb db;
    {
        Connection c;
        c.open(db.path());
        c.exec("DROP TABLE Min_Ostatok");
        c.exec("DROP TABLE Nastroiki");
        const qint64 id = tool(c, ToolKind::Sverla, "S", 0, 0);
        Q_UNUSED(id);
    }
    // An older database opens as it is: the check does not ask for the new tables.
    Connection c;
    c.open(db.path());
    QVERIFY(!hasTable(c, "Min_Ostatok"));
    QCOMPARE(limits::overdueLimit(c), 30);
    QVERIFY(limits::reorderList(c).isEmpty());
    {
        // The data module's start adds them, in one commit.
        const quint64 before = c.fileState().version;
        TDM dm(db.path());
        QVERIFY(hasTable(dm.ADOConnection1, "Min_Ostatok"));
        QVERIFY(hasTable(dm.ADOConnection1, "Nastroiki"));
        QCOMPARE(dm.ADOConnection1.ownCommits(), quint64(1));
        Q_UNUSED(before);
        // Rows go in as into a new database.
        const qint64 id = queryInt(dm.ADOConnection1, "SELECT ID FROM Sverla");
        QVERIFY(ops::setMinimum(dm.ADOConnection1, ToolKind::Sverla, int(id), 2).stored());
        QVERIFY(ops::setOverdueLimit(dm.ADOConnection1, 9, ops::administratorLogin()).stored());
    }
    {
        // Only once: a second start writes nothing.
        TDM dm(db.path());
        QCOMPARE(dm.ADOConnection1.ownCommits(), quint64(0));
        QVERIFY(!addMissingTables(dm.ADOConnection1));
        QCOMPARE(limits::overdueLimit(dm.ADOConnection1), 9);
        QCOMPARE(limits::reorderList(dm.ADOConnection1).size(), 1);
    }
    // A new database has them from the start; the schema check knows their columns.
    TempDb fresh;
    Connection n;
    n.open(fresh.path());
    QVERIFY(hasTable(n, "Min_Ostatok"));
    QVERIFY(!addMissingTables(n));
    verifySchema(n);
    // The minimum is checked by the file too.
    QVERIFY_THROWS_EXCEPTION(DbError, n.exec("INSERT INTO Min_Ostatok (ID_Tabl, ID_Instr, K_vo_Min) VALUES (1, 1, -1)"));
    n.exec("INSERT INTO Min_Ostatok (ID_Tabl, ID_Instr, K_vo_Min) VALUES (1, 1, 1)");
    QVERIFY_THROWS_EXCEPTION(DbError, n.exec("INSERT INTO Min_Ostatok (ID_Tabl, ID_Instr, K_vo_Min) VALUES (1, 1, 2)"));
}

// ---------------------------------------------------------------------------

void TestMinimum::csvText_data()
{
    using reports::Column;
    QTest::addColumn<int>("kind");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("field");
    QTest::newRow("text") << int(Column::Text) << QVariant("Сверло") << "Сверло";
    QTest::newRow("semicolon quoted") << int(Column::Text) << QVariant("a;b") << "\"a;b\"";
    QTest::newRow("quote doubled") << int(Column::Text) << QVariant("12\" ok") << "\"12\"\" ok\"";
    QTest::newRow("line break quoted") << int(Column::Text) << QVariant("a\nb") << "\"a\nb\"";
    QTest::newRow("blank at the end quoted") << int(Column::Text) << QVariant("a ") << "\"a \"";
    QTest::newRow("null empty") << int(Column::Text) << QVariant() << "";
    QTest::newRow("integer") << int(Column::Integer) << QVariant(qint64(1234567)) << "1234567";
    QTest::newRow("negative") << int(Column::Integer) << QVariant(-3) << "-3";
    QTest::newRow("real comma") << int(Column::Real) << QVariant(2.5) << "2,5";
    QTest::newRow("real whole") << int(Column::Real) << QVariant(12.0) << "12";
    QTest::newRow("date") << int(Column::Date) << QVariant(QDate(2026, 12, 31)) << "31.12.2026";
    QTest::newRow("date and time") << int(Column::Date) << QVariant(QDateTime(QDate(2026, 1, 2), QTime(9, 5)))
                                   << "02.01.2026";
    QTest::newRow("null number") << int(Column::Integer) << QVariant() << "";
}

void TestMinimum::csvText()
{
    QFETCH(int, kind);
    QFETCH(QVariant, value);
    QFETCH(QString, field);
    reports::Table t;
    t.title = "T";
    t.columns = {{"A;1", reports::Column::Text}, {"B", reports::Column::Kind(kind)}};
    t.rows = {{QVariant("x"), value}};
    QCOMPARE(reports::csvText(t), QString("\"A;1\";B\r\nx;") + field + "\r\n");
}

void TestMinimum::workbook()
{
    reports::Table t;
    t.title = "Что заказать";
    t.columns = {{"Код", reports::Column::Text}, {"Заказать", reports::Column::Integer},
                 {"Дата", reports::Column::Date}};
    t.rows = {{"A", 3, QDate(2026, 1, 31)}, {"Б", QVariant(), QVariant()}};
    QTemporaryDir dir;
    QString error;
    const QString path = dir.filePath("w.xlsx");
    QImage chart(40, 30, QImage::Format_RGB32);
    chart.fill(Qt::blue);
    QVERIFY2(reports::writeXlsx(t, path, &error, &chart), qPrintable(error));
    QVERIFY(fileBytes(path).startsWith("PK"));
    // A file that cannot be written: failure, its reason, nothing left.
    const QString bad = dir.filePath("no/such/folder/w.xlsx");
    QVERIFY(!reports::writeXlsx(t, bad, &error));
    QVERIFY(error.contains("w.xlsx"));
    QVERIFY(!QFile::exists(bad));
    // The print text holds the title and every cell as shown.
    const QString html = reports::printHtml(t);
    for (const char* s : {"Что заказать", "Заказать", "31.01.2026", "Б"})
        QVERIFY2(html.contains(QString::fromUtf8(s)), s);
}

void TestMinimum::reportOptions_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error");     // empty: accepted
    QTest::addColumn<QString>("summary");   // report|db|xlsx|from|to|kind|days
    QTest::newRow("plain") << QStringList{"reorder", "a.db"} << "" << "reorder|a.db|||||-1";
    QTest::newRow("xlsx") << QStringList{"reorder", "a.db", "--xlsx", "o.xlsx"} << "" << "reorder|a.db|o.xlsx||||-1";
    QTest::newRow("options first, with =") << QStringList{"--days=7", "overdue", "a.db"} << ""
                                           << "overdue|a.db|||||7";
    QTest::newRow("dates both ways") << QStringList{"overdue", "a.db", "--from", "01.02.2026", "--to", "2026-12-31"}
                                     << "" << "overdue|a.db||2026-02-01|2026-12-31||-1";
    QTest::newRow("kind as given") << QStringList{"reorder", "a.db", "--kind", "Сверла"} << ""
                                   << "reorder|a.db||||Сверла|-1";
    QTest::newRow("short date") << QStringList{"overdue", "a.db", "--to", "2.1.2026"} << ""
                                << "overdue|a.db|||2026-01-02||-1";
    QTest::newRow("server name") << QStringList{"reorder", "postgresql://h/db"} << "" << "reorder|postgresql://h/db|||||-1";
    QTest::newRow("unknown report") << QStringList{"nothing", "a.db"} << "Нет отчета" << "";
    QTest::newRow("no database") << QStringList{"reorder"} << "Нужно назвать" << "";
    QTest::newRow("one too many") << QStringList{"reorder", "a.db", "b.db"} << "Лишний" << "";
    QTest::newRow("unknown option") << QStringList{"reorder", "a.db", "--csv"} << "Неизвестный" << "";
    QTest::newRow("unknown option before the names") << QStringList{"--csv", "reorder", "a.db"} << "Неизвестный" << "";
    QTest::newRow("value missing") << QStringList{"reorder", "a.db", "--xlsx"} << "нет значения" << "";
    QTest::newRow("bad date") << QStringList{"overdue", "a.db", "--from", "31.02.2026"} << "не дата" << "";
    QTest::newRow("from after to") << QStringList{"overdue", "a.db", "--from", "2.01.2026", "--to", "01.01.2026"}
                                   << "позже" << "";
    QTest::newRow("days not a number") << QStringList{"overdue", "a.db", "--days", "7,5"} << "не целое" << "";
    QTest::newRow("days below 0") << QStringList{"overdue", "a.db", "--days", "-1"} << "не целое" << "";
}

void TestMinimum::reportOptions()
{
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    QFETCH(QString, summary);
    reports::Options o;
    QString why;
    const bool ok = reports::parseOptions(args, &o, &why);
    QCOMPARE(ok, error.isEmpty());
    if (!ok) {
        QVERIFY2(why.contains(error), qPrintable(why));
        int rc = 0;
        reportOutput(args, &rc);
        QCOMPARE(rc, 2);
        return;
    }
    QCOMPARE(QStringList({o.report, o.database, o.xlsx, o.from.toString(Qt::ISODate), o.to.toString(Qt::ISODate),
                          o.kind, QString::number(o.days)})
                 .join('|'),
             summary);
    QCOMPARE(o.today, QDate::currentDate());
}

void TestMinimum::reportOnOlderDatabase()
{
    TempDb db;
    if (db.onServer())
        QSKIP("the file's bytes and a missing file are a file's matter");
    {
        Connection c;
        c.open(db.path());
        const qint64 person = insertRow(c, "People", {{"FIO", "Петров; Пётр"}});
        const qint64 id = tool(c, ToolKind::Sverla, "S-1", 0, 0, 2);
        debtOn(c, 7, ToolKind::Sverla, id, person, QDateTime(QDate(2026, 1, 1), QTime()), 2);
        debtOn(c, 8, ToolKind::Sverla, id, person, QDateTime(QDate(2026, 1, 2), QTime()), 1);
        c.exec("DROP TABLE Min_Ostatok");
        c.exec("DROP TABLE Nastroiki");
    }
    // Read only: the older file is not changed, the limit is the default.
    const QByteArray before = fileBytes(db.path());
    int rc = -1;
    QString err;
    const QString out = reportOutput({"overdue", db.path(), "--today", "01.02.2026"}, &rc, &err);
    QCOMPARE(rc, 0);
    QCOMPARE(out, QString("№ п.п.;Что брал;Код инструмента;ФИО оператора;Дата (когда брал);Дней;К-во инстр.;Тип инстр.\r\n"
                          "7;Сверла;S-1;\"Петров; Пётр\";01.01.2026;31;2;Новый\r\n"));
    QCOMPARE(reportOutput({"overdue", db.path(), "--today", "2026-02-01", "--days", "29"}).count("\r\n"), 3);
    QCOMPARE(reportOutput({"reorder", db.path()}, &rc), QString("Вид;Код;Наименование / тип;Фирма;Новых;БУ;В работе;"
                                                               "Минимум;Заказать\r\n"));
    QCOMPARE(fileBytes(db.path()), before);
    // A workbook where asked; a missing database fails with its reason.
    QTemporaryDir dir;
    QCOMPARE(reportOutput({"overdue", db.path(), "--xlsx", dir.filePath("o.xlsx")}, &rc), QString());
    QCOMPARE(rc, 0);
    QVERIFY(fileBytes(dir.filePath("o.xlsx")).startsWith("PK"));
    reportOutput({"overdue", dir.filePath("none.db")}, &rc, &err);
    QCOMPARE(rc, 1);
    QVERIFY(!err.isEmpty());
    QVERIFY(!QFile::exists(dir.filePath("none.db")));
}

// ---------------------------------------------------------------------------

void TestMinimum::marksAndStatus()
{
    Session s;
    const qint64 below = s.drill("D-below", 5, 1, 1);
    const qint64 equal = s.drill("D-equal", 6, 2, 1);
    const qint64 none = s.drill("D-none", 7, 0, 0);
    const qint64 inWork = s.drill("D-work", 8, 0, 1, 5);
    setMin(s.conn, ToolKind::Sverla, below, 3);
    setMin(s.conn, ToolKind::Sverla, equal, 3);
    setMin(s.conn, ToolKind::Sverla, inWork, 2);
    Q_UNUSED(none);
    QVERIFY(s.start());
    DBGrid* g = frm_Main->dbgr_Sverlo;
    RecordSet& rs = *g->recordSet();
    QStringList marked, tips;
    for (int pos = 0; pos < rs.recordCount(); ++pos) {
        const GridCell kod = g->cellAt(pos, "Kod");
        if (kod.mark.isValid()) {
            QCOMPARE(kod.mark, Tfrm_Main::minimumMarkColor());
            marked << kod.text;
            tips << kod.toolTip;
        }
        // Only the code cell; the row's colours as without a minimum.
        QVERIFY(!g->cellAt(pos, "Type").mark.isValid());
        QVERIFY(!g->cellAt(pos, "Type").toolTip.contains("минимум"));
    }
    QCOMPARE(marked, QStringList({"D-below", "D-work"}));
    QVERIFY2(tips[0].contains("минимальный остаток 3 шт.") && tips[0].contains("не хватает 1 шт."), qPrintable(tips[0]));
    QCOMPARE(frm_Main->statusPanelText(1), QString(" Ниже минимума: 2"));
    // The detail panel shows the current tool's minimum.
    rs.locate("ID", int(below));
    QCOMPARE(frm_Main->ed_Min_Ostatok[0]->text(), QString("3"));
    rs.locate("ID", int(none));
    QCOMPARE(frm_Main->ed_Min_Ostatok[0]->text(), QString());
    // Another page counts its own tools.
    frm_Main->PageControl_Main->setCurrentIndex(Tfrm_Main::PageFrezy);
    QCOMPARE(frm_Main->statusPanelText(1), QString(" Ниже минимума: 0"));
    frm_Main->PageControl_Main->setCurrentIndex(Tfrm_Main::PageDolgi);
    QCOMPARE(frm_Main->statusPanelText(1), QString());
    frm_Main->close();
}

void TestMinimum::minimumDialogAndList()
{
    Session s;
    const qint64 a = s.drill("A-1", 5, 1, 0);
    s.drill("B-1", 6, 4, 0);
    QVERIFY(s.start());
    RecordSet& rs = *frm_Main->dbgr_Sverlo->recordSet();
    QVERIFY(rs.locate("ID", int(a)));
    const auto setTo = [&](int value) {
        s.user.onModal([value](QDialog* d) {
            auto* f = qobject_cast<Tfrm_Limit*>(d);
            QVERIFY(f);
            QCOMPARE(f->objectName(), QString("frm_Min_Ostatok"));
            f->sped_Value->setValue(value);
            QTest::mouseClick(f->bbtn_OK, Qt::LeftButton);
        });
        frm_Main->catalogueMenu(ToolKind::Sverla).minimum->trigger();
    };
    QCOMPARE(frm_Main->catalogueMenu(ToolKind::Sverla).minimum->text(), QString("Минимальный остаток…"));
    setTo(4);
    QCOMPARE(limits::minimumOf(DM->ADOConnection1, ToolKind::Sverla, int(a)).value_or(0), qint64(4));
    QVERIFY(frm_Main->dbgr_Sverlo->cellAt(rs.recNo() - 1, "Kod").mark.isValid());
    QCOMPARE(frm_Main->statusPanelText(1), QString(" Ниже минимума: 1"));
    QCOMPARE(frm_Main->ed_Min_Ostatok[0]->text(), QString("4"));

    // "Что заказать" lists it; the report program gives the window's list.
    s.user.onModal([&](QDialog* d) {
        auto* w = qobject_cast<Tfrm_Chto_Zakazat*>(d);
        QVERIFY(w);
        QCOMPARE(w->model().rowCount(), 1);
        QCOMPARE(w->model().index(0, 8).data().toString(), QString("3"));
        QCOMPARE(reports::csvText(w->table()), reportOutput({"reorder", s.db.path()}));
        // The workbook goes to a folder of the export's and to the spreadsheet program.
        QTemporaryDir tmp;
        w->TempFolder = tmp.path();
        QTest::mouseClick(w->bbtn_Export, Qt::LeftButton);
        QVERIFY(QFile::exists(w->lastWorkbook()));
        QCOMPARE(s.user.documentsOpened().value(0), w->lastWorkbook());
        w->reject();
    });
    frm_Main->mm_Chto_Zakazat->trigger();
    QCOMPARE(s.user.modalsShown().last(), QString("frm_Chto_Zakazat"));

    // 0 removes it; Cancel changes nothing.
    setTo(0);
    QCOMPARE(rowsText(DM->ADOConnection1, "SELECT COUNT(*) FROM Min_Ostatok"), QString("0|\n"));
    QVERIFY(!frm_Main->dbgr_Sverlo->cellAt(rs.recNo() - 1, "Kod").mark.isValid());
    s.user.onModal([](QDialog* d) {
        auto* f = qobject_cast<Tfrm_Limit*>(d);
        f->sped_Value->setValue(9);
        QTest::mouseClick(f->bbtn_Cancel, Qt::LeftButton);
    });
    frm_Main->catalogueMenu(ToolKind::Sverla).minimum->trigger();
    QCOMPARE(rowsText(DM->ADOConnection1, "SELECT COUNT(*) FROM Min_Ostatok"), QString("0|\n"));
    QCOMPARE(s.user.unexpected(), 0);
    frm_Main->close();
}

void TestMinimum::overdueMarksAndFilter()
{
    Session s;
    const qint64 d = s.drill("S-1", 5, 0, 0, 3);
    const qint64 p = s.person("Сидоров");
    const QDate today = QDate::currentDate();
    for (auto [nomer, ago] : {std::pair{1, 30}, {2, 31}, {3, 2}})
        s.insert("Dolgi", {{"Nomer_Zap", nomer}, {"ID_Instr", d}, {"ID_Tabl", 1}, {"ID_People", p},
                           {"Date", QDateTime(today.addDays(-ago), QTime())}, {"K_vo", 1}, {"Instr_is_BU", false},
                           {"FIO_AdminBD", "Администратор"}});
    QVERIFY(s.start());
    DBGrid* g = frm_Main->dbgrid_Dolgi;
    RecordSet& debts = *g->recordSet();
    QStringList marked;
    for (int pos = 0; pos < debts.recordCount(); ++pos) {
        const GridCell c = g->cellAt(pos, "Date");
        if (c.mark.isValid()) {
            marked << debts.textAt(pos, debts.fieldIndex("Nomer_Zap"));
            QVERIFY2(c.toolTip.contains("31 дн.") && c.toolTip.contains("на 1 дн."), qPrintable(c.toolTip));
        }
        QVERIFY(!g->cellAt(pos, "FIO").mark.isValid());
    }
    QCOMPARE(marked, QStringList{"2"});

    // "Просроченные": the page narrowed, the indicator shown; the filter button clears it.
    QTest::mouseClick(frm_Main->spbt_Dolgi_Prosroch, Qt::LeftButton);
    QCOMPARE(frm_Main->PageControl_Main->currentIndex(), int(Tfrm_Main::PageDolgi));
    QCOMPARE(debts.recordCount(), 1);
    QVERIFY(frm_Main->sttx_Filter_Dolgi->isVisibleTo(frm_Main));
    QCOMPARE(frm_Main->statusPanelText(0), QString(" Всего записей : 1"));
    QTest::mouseClick(frm_Main->spbt_Dolgi_Filtr, Qt::LeftButton);
    QCOMPARE(debts.recordCount(), 3);
    QVERIFY(!frm_Main->sttx_Filter_Dolgi->isVisibleTo(frm_Main));
    QVERIFY(!frm_Main->overdueView());
    // One tool's view replaces it.
    frm_Main->pm_Dolgi_Prosroch->trigger();
    QVERIFY(frm_Main->overdueView());
    frm_Main->PageControl_Main->setCurrentIndex(Tfrm_Main::PageSverla);
    frm_Main->catalogueMenu(ToolKind::Sverla).viewDolgi->trigger();
    QVERIFY(!frm_Main->overdueView());
    QCOMPARE(debts.recordCount(), 3);
    QVERIFY(frm_Main->sttx_Filter_Dolgi->isVisibleTo(frm_Main));
    frm_Main->close();
}

void TestMinimum::overdueLimitByAdministrator()
{
    Session s;
    const qint64 d = s.drill("S-1", 5, 0, 0, 1);
    const qint64 p = s.person("Сидоров");
    s.insert("Dolgi", {{"Nomer_Zap", 1}, {"ID_Instr", d}, {"ID_Tabl", 1}, {"ID_People", p},
                       {"Date", QDateTime(QDate::currentDate().addDays(-10), QTime())}, {"K_vo", 1},
                       {"Instr_is_BU", false}, {"FIO_AdminBD", "Администратор"}});
    {
        Session k;
        k.insert("Pasw_TBL", {{"Login", "Кладовщик"}, {"Pasword", "1"}, {"Default", false}});
        QVERIFY(k.create());
        QVERIFY(k.showWithLogin("Кладовщик", "1"));
        QCOMPARE(frm_Main->mm_Srok_Vydachi->text(), QString("Срок выдачи, дней"));
        frm_Main->mm_Srok_Vydachi->trigger();
        QCOMPARE(k.user.lastText(), QString("Изменить срок выдачи может только \"Администратор\""));
        QCOMPARE(k.user.modalsShown().size(), 1);   // the login alone
        frm_Main->close();
    }
    QVERIFY(s.start());
    frm_Main->pm_Dolgi_Prosroch->trigger();
    QCOMPARE(frm_Main->dbgrid_Dolgi->recordSet()->recordCount(), 0);
    s.user.onModal([](QDialog* dlg) {
        auto* f = qobject_cast<Tfrm_Limit*>(dlg);
        QVERIFY(f);
        QCOMPARE(f->sped_Value->value(), 30);
        f->sped_Value->setValue(9);
        QTest::mouseClick(f->bbtn_OK, Qt::LeftButton);
    });
    frm_Main->mm_Srok_Vydachi->trigger();
    QCOMPARE(limits::overdueLimit(DM->ADOConnection1), 9);
    // The overdue view follows the new limit.
    QCOMPARE(frm_Main->dbgrid_Dolgi->recordSet()->recordCount(), 1);
    QVERIFY(frm_Main->dbgrid_Dolgi->cellAt(0, "Date").mark.isValid());
    frm_Main->close();
}

QTEST_MAIN(TestMinimum)
#include "tst_minimum.moc"
