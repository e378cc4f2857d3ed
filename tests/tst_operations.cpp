// The rules of the storeroom's operations, as tables run on a file for each
// of the four tool kinds. A row sets up the file (one tool of the kind with
// its counts, its debts and history rows), lets the other storekeeper write
// while "the dialog is open" (a second connection), runs one operation with
// the request a dialog would build, and compares the outcome and the file.
//
// The row language (blank-separated words):
//   setup   N|U|W        the tool's new, used and in-work counts
//           debt=NO:Q:S  an open debt of the tool (S new or used)
//           receipt writeoff closed   one history row of the tool
//           operator-gone            the issue's operator deleted
//   other   SQL run by the other connection; {T} the tool table, {N} {U} {W}
//           its count columns, {ID} the tool, {K} its kind code, {DEBT} the
//           first debt; ~ a blank
//   op      issue Q new|used NO      receive N U     writeoff N U
//           transfer Q               return NEW USED (the first debt, as shown)
//           delete                   edit            (the tool's Korob changed)
//   outcome stored | refused:REASON | failed
//   file    tool N|U|W, then debts NO:Q:S, receipts Q:S, writeoffs Q:S,
//           closed NO:Q:BACKNEW:BACKUSED:CODE, each ";"-separated
#include "Connection.h"
#include "DM_Unit.h"
#include "DbError.h"
#include "FaultInjection.h"
#include "Operations.h"
#include "Query.h"
#include "TestSupport.h"
#include "ToolKind.h"

#include <QtTest>
#include <functional>

namespace {

const char* const RefusalNames[] = {"None", "BadRequest", "ToolGone", "RowGone", "RowChanged", "NotEnoughStock",
                                    "TooMany", "CountOutOfRange", "NumberTaken", "OperatorGone", "DebtGone",
                                    "InWorkShort", "UnknownKind", "HasStock", "HasDebts", "HasReceipts",
                                    "HasWriteOffs", "HasClosedDebts", "HasOpenDebts", "FirmUsed", "LoginTaken",
                                    "LoginEmpty", "AdministratorKept"};

QString outcomeOf(const ops::Result& r)
{
    switch (r.status) {
    case ops::Status::Stored: return QStringLiteral("stored");
    case ops::Status::Refused: return QStringLiteral("refused:") + QString::fromLatin1(RefusalNames[int(r.refusal)]);
    case ops::Status::Failed: return QStringLiteral("failed");
    }
    return {};
}

// One tool of a kind in a file, with a firm and an operator.
struct Bench {
    TempDb db;
    Connection c;
    ToolKind kind;
    qint64 firm = 0, person = 0, tool = 0, firstDebt = 0;
    struct {
        qint64 number = 0;
        int quantity = 0;
        bool used = false;
    } listed;   // the first debt as the list showed it

    explicit Bench(ToolKind k) : kind(k)
    {
        c.open(db.path());
        firm = insertRow(c, "Firma", {{"Name", "Sandvik"}});
        person = insertRow(c, "People", {{"FIO", "Иванов И.И."}});
    }
    const ToolKindInfo& info() const { return toolKind(kind); }

    QString expand(QString sql) const
    {
        sql.replace("{T}", QString::fromLatin1(info().table)).replace("{N}", QString::fromLatin1(info().tableNewColumn));
        sql.replace("{U}", QString::fromLatin1(info().buField)).replace("{W}", QString::fromLatin1(info().tableDolgColumn));
        sql.replace("{ID}", QString::number(tool)).replace("{DEBT}", QString::number(firstDebt));
        sql.replace("{K}", QString::number(info().code));
        return sql.replace(QLatin1Char('~'), QLatin1Char(' '));
    }

    void setup(const QString& words)
    {
        for (const QString& w : words.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QStringList n = w.split(QLatin1Char('|'));
            if (n.size() == 3) {
                tool = insertTool(c, kind, firm, "T-1", n[0].toInt(), n[1].toInt(), n[2].toInt());
            } else if (w.startsWith("debt=")) {
                const QStringList d = w.mid(5).split(QLatin1Char(':'));
                const qint64 id = insertRow(c, "Dolgi", {{"Nomer_Zap", d[0].toInt()}, {"ID_Instr", tool},
                                                         {"ID_Tabl", info().code}, {"ID_People", person},
                                                         {"Date", QDateTime(QDate(2026, 3, 1), QTime())},
                                                         {"K_vo", d[1].toInt()}, {"Instr_is_BU", d[2] == "used"},
                                                         {"FIO_AdminBD", "Петров"}});
                if (!firstDebt)
                    firstDebt = id;
            } else if (w == "receipt" || w == "writeoff") {
                insertRow(c, w == "receipt" ? "Prihod_History" : "Spisanie_History",
                          {{"ID_Instr", tool}, {"ID_Tabl", info().code}, {"Date", QDateTime(QDate(2026, 3, 1), QTime())},
                           {"K_vo", 1}, {"Instr_is_BU", false}, {"FIO_AdminBD", "Петров"}});
            } else if (w == "closed") {
                insertRow(c, "Dolgi_History", {{"Nomer_Zap", 1}, {"ID_Instr", tool}, {"ID_Tabl", info().code},
                                               {"ID_People", person}, {"K_vo_Instr_Bral", 1}, {"Instr_BU", false},
                                               {"K_vo_Instr_Vernul_New", 1}, {"K_vo_Instr_Vernul_BU", 0},
                                               {"ID_Del_Type", 2}});
            } else if (w == "operator-gone") {
                c.exec(QStringLiteral("DELETE FROM People"));
            } else {
                QFAIL(qPrintable("setup word " + w));
            }
        }
    }

    // What the other storekeeper does meanwhile, through a connection of its
    // own, after the debts list showed the first debt.
    void other(const QString& sql)
    {
        Query d(c, "SELECT Nomer_Zap, K_vo, Instr_is_BU FROM Dolgi WHERE ID = ?");
        d.bindInt(0, firstDebt);
        if (d.next())
            listed = {d.int64(0), int(d.int64(1)), d.int64(2) != 0};
        if (sql.isEmpty())
            return;
        Connection o;
        o.open(db.path());
        o.exec(expand(sql));
    }

    // Runs on the bench's connection, or on another (a data module's).
    ops::Result run(const QString& op, Connection* on = nullptr)
    {
        Connection& cn = on ? *on : c;
        const QStringList w = op.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QDate today(2026, 12, 9);
        const QString login = QStringLiteral("Администратор");
        const int id = int(tool);
        if (w[0] == "issue")
            return ops::issue(cn, {kind, id, int(person), w[1].toInt(), w[2] == "used", w[3].toLongLong(), today, login});
        if (w[0] == "receive")
            return ops::receive(cn, {kind, id, w[1].toInt(), w[2].toInt(), today, login});
        if (w[0] == "writeoff")
            return ops::writeOff(cn, {kind, id, w[1].toInt(), w[2].toInt(), today, login});
        if (w[0] == "transfer")
            return ops::transferToUsed(cn, {kind, id, w[1].toInt()});
        if (w[0] == "return") {
            ops::ReturnRequest r;
            r.number = listed.number;
            r.quantity = listed.quantity;
            r.fromUsed = listed.used;
            r.debtId = int(firstDebt);
            r.toolId = id;
            r.kindCode = info().code;
            r.toNew = w[1].toInt();
            r.toUsed = w[2].toInt();
            r.date = today;
            r.login = login;
            return ops::closeDebt(cn, r);
        }
        ops::RecordWrite rec;
        rec.table = QString::fromLatin1(info().table);
        rec.id = id;
        rec.read << ops::ColumnValue{"Korob", FieldType::Text, "K-1"};
        if (w[0] == "delete")
            return ops::deleteTool(cn, kind, rec);
        if (w[0] == "edit") {
            rec.values << ops::ColumnValue{"Korob", FieldType::Text, "K-2"};
            return ops::saveTool(cn, kind, rec);
        }
        qFatal("op %s", qPrintable(op));
    }

    QString file()
    {
        const ToolKindInfo& k = info();
        QStringList parts;
        QString counts = rowsText(c, QStringLiteral("SELECT %1, %2, %3 FROM %4 WHERE ID = %5")
                                         .arg(k.tableNewColumn, k.buField, k.tableDolgColumn, k.table)
                                         .arg(tool))
                             .trimmed();
        counts.chop(counts.endsWith(QLatin1Char('|')) ? 1 : 0);
        parts << (counts.isEmpty() ? QStringLiteral("tool") : QStringLiteral("tool ") + counts);
        auto list = [&](const char* name, const QString& sql) {
            QString rows = rowsText(c, sql).trimmed();
            rows.replace(QLatin1Char('\n'), QLatin1Char(' '));
            rows.replace(QStringLiteral("| "), QStringLiteral(" "));
            if (rows.endsWith(QLatin1Char('|')))
                rows.chop(1);
            rows.replace(QLatin1Char('|'), QLatin1Char(':'));
            if (!rows.isEmpty())
                parts << QString::fromLatin1(name) + QLatin1Char(' ') + rows;
        };
        const QString stock = "CASE WHEN %1 <> 0 THEN 'used' ELSE 'new' END";
        list("debts", "SELECT Nomer_Zap, K_vo, " + stock.arg("Instr_is_BU") + " FROM Dolgi ORDER BY ID");
        list("receipts", "SELECT K_vo, " + stock.arg("Instr_is_BU") + " FROM Prihod_History ORDER BY ID");
        list("writeoffs", "SELECT K_vo, " + stock.arg("Instr_is_BU") + " FROM Spisanie_History ORDER BY ID");
        list("closed", "SELECT Nomer_Zap, K_vo_Instr_Bral, K_vo_Instr_Vernul_New, K_vo_Instr_Vernul_BU, ID_Del_Type "
                       "FROM Dolgi_History ORDER BY ID");
        return parts.join(QStringLiteral("; "));
    }
};

struct Row {
    const char* name;
    const char* setup;
    const char* other;
    const char* op;
    const char* outcome;
    const char* file;
};

// Every rule of the movements, for each kind.
const Row MovementRows[] = {
    // Issue to work.
    {"issue 2 of 5 new with 1 in work", "5|0|1 debt=3:1:new", "", "issue 2 new 7", "stored",
     "tool 3|0|3; debts 3:1:new 7:2:new"},
    {"issue from the used stock", "0|3|0", "", "issue 3 used 1", "stored", "tool 0|0|3; debts 1:3:used"},
    {"issue of 0 refused", "5|0|0", "", "issue 0 new 1", "refused:BadRequest", "tool 5|0|0"},
    {"issue more than the stock refused", "2|9|0", "", "issue 3 new 1", "refused:NotEnoughStock", "tool 2|9|0"},
    {"issue after the other took pieces", "5|0|0", "UPDATE~{T}~SET~{N}=1~WHERE~ID={ID}", "issue 2 new 1",
     "refused:NotEnoughStock", "tool 1|0|0"},
    {"issue after the other received pieces", "1|0|0", "UPDATE~{T}~SET~{N}=4~WHERE~ID={ID}", "issue 3 new 1",
     "stored", "tool 1|0|3; debts 1:3:new"},
    {"issue number held by an open debt", "5|0|1 debt=4:1:new", "", "issue 1 new 4", "refused:NumberTaken",
     "tool 5|0|1; debts 4:1:new"},
    {"issue number of a closed debt may repeat", "5|0|0 closed", "", "issue 1 new 1", "stored",
     "tool 4|0|1; debts 1:1:new; closed 1:1:1:0:2"},
    {"issue number taken by the other meanwhile", "5|0|0",
     "INSERT~INTO~Dolgi(Nomer_Zap,ID_Instr,ID_Tabl,K_vo,Instr_is_BU)~VALUES(9,0,0,1,0)", "issue 1 new 9",
     "refused:NumberTaken", "tool 5|0|0; debts 9:1:new"},
    {"issue to an operator deleted meanwhile", "5|0|0 operator-gone", "", "issue 1 new 1", "refused:OperatorGone",
     "tool 5|0|0"},
    {"issue of a tool deleted meanwhile", "5|0|0", "DELETE~FROM~{T}", "issue 1 new 1", "refused:ToolGone", "tool"},
    {"issue onto a full in-work count", "5|0|2147483647", "", "issue 1 new 1", "refused:TooMany",
     "tool 5|0|2147483647"},
    {"issue of a tool with a count past the column", "5|0|0", "UPDATE~{T}~SET~{U}=4294967296~WHERE~ID={ID}",
     "issue 1 new 1", "refused:CountOutOfRange", "tool 5|4294967296|0"},
    // Return.
    {"return 1 new 1 used", "0|0|2 debt=5:2:new", "", "return 1 1", "stored", "tool 1|1|0; closed 5:2:1:1:4"},
    {"return nothing back", "0|0|2 debt=5:2:new", "", "return 0 0", "refused:BadRequest",
     "tool 0|0|2; debts 5:2:new"},
    {"return of used pieces into new refused", "0|0|2 debt=5:2:used", "", "return 1 1", "refused:BadRequest",
     "tool 0|0|2; debts 5:2:used"},
    {"return of used pieces", "0|0|2 debt=5:2:used", "", "return 0 2", "stored", "tool 0|2|0; closed 5:2:0:2:3"},
    {"return of a debt closed meanwhile", "0|0|2 debt=5:2:new", "DELETE~FROM~Dolgi", "return 2 0",
     "refused:DebtGone", "tool 0|0|2"},
    {"return of a debt changed meanwhile", "0|0|3 debt=5:2:new", "UPDATE~Dolgi~SET~K_vo=3", "return 2 0",
     "refused:DebtGone", "tool 0|0|3; debts 5:3:new"},
    {"return onto a short in-work count", "0|0|1 debt=5:2:new", "", "return 2 0", "refused:InWorkShort",
     "tool 0|0|1; debts 5:2:new"},
    {"return after the other received pieces", "0|0|2 debt=5:2:new", "UPDATE~{T}~SET~{N}=7~WHERE~ID={ID}",
     "return 2 0", "stored", "tool 9|0|0; closed 5:2:2:0:2"},
    // Receipt.
    {"receipt into both stocks", "1|2|0", "", "receive 3 4", "stored", "tool 4|6|0; receipts 3:new 4:used"},
    {"receipt of nothing refused", "1|2|0", "", "receive 0 0", "refused:BadRequest", "tool 1|2|0"},
    {"receipt after the other's receipt adds up", "1|2|0", "UPDATE~{T}~SET~{N}=11~WHERE~ID={ID}", "receive 3 0",
     "stored", "tool 14|2|0; receipts 3:new"},
    {"receipt past the column refused", "2147483646|0|0", "", "receive 2 0", "refused:TooMany",
     "tool 2147483646|0|0"},
    {"receipt of a tool deleted meanwhile", "1|2|0", "DELETE~FROM~{T}", "receive 1 0", "refused:ToolGone", "tool"},
    // Write-off.
    {"write-off from both stocks", "3|2|0", "", "writeoff 1 2", "stored", "tool 2|0|0; writeoffs 1:new 2:used"},
    {"write-off of nothing refused", "3|2|0", "", "writeoff 0 0", "refused:BadRequest", "tool 3|2|0"},
    {"write-off after the other took pieces", "3|2|0", "UPDATE~{T}~SET~{U}=1~WHERE~ID={ID}", "writeoff 0 2",
     "refused:NotEnoughStock", "tool 3|1|0"},
    // Transfer to used.
    {"transfer 2 of 3", "3|1|0", "", "transfer 2", "stored", "tool 1|3|0"},
    {"transfer of 0 refused", "3|1|0", "", "transfer 0", "refused:BadRequest", "tool 3|1|0"},
    {"transfer after the other took pieces", "3|1|0", "UPDATE~{T}~SET~{N}=1~WHERE~ID={ID}", "transfer 2",
     "refused:NotEnoughStock", "tool 1|1|0"},
    // The tool record.
    {"edit of a tool", "3|1|0", "", "edit", "stored", "tool 3|1|0"},
    {"edit of a tool whose box changed meanwhile", "3|1|0", "UPDATE~{T}~SET~Korob='K-9'", "edit",
     "refused:RowChanged", "tool 3|1|0"},
    {"edit after the other's receipt", "3|1|0", "UPDATE~{T}~SET~{N}=8~WHERE~ID={ID}", "edit", "stored",
     "tool 8|1|0"},
    {"delete of a tool with nothing", "0|0|0", "", "delete", "stored", "tool"},
    {"delete of a tool with new pieces", "1|0|0", "", "delete", "refused:HasStock", "tool 1|0|0"},
    {"delete of a tool that gained pieces meanwhile", "0|0|0", "UPDATE~{T}~SET~{U}=5~WHERE~ID={ID}", "delete",
     "refused:HasStock", "tool 0|5|0"},
    {"delete of a tool in work", "0|0|1 debt=1:1:new", "", "delete", "refused:HasDebts",
     "tool 0|0|1; debts 1:1:new"},
    {"delete of a tool with a receipt", "0|0|0 receipt", "", "delete", "refused:HasReceipts",
     "tool 0|0|0; receipts 1:new"},
    {"delete of a tool with a write-off", "0|0|0 writeoff", "", "delete", "refused:HasWriteOffs",
     "tool 0|0|0; writeoffs 1:new"},
    {"delete of a tool with a closed debt", "0|0|0 closed", "", "delete", "refused:HasClosedDebts",
     "tool 0|0|0; closed 1:1:1:0:2"},
    {"delete of a tool that gained a receipt meanwhile", "0|0|0",
     "INSERT~INTO~Prihod_History(ID_Instr,ID_Tabl,K_vo,Instr_is_BU)~VALUES({ID},{K},1,0)", "delete",
     "refused:HasReceipts", "tool 0|0|0; receipts 1:new"},
};

} // namespace

class TestOperations : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void movements_data();
    void movements();
    void failedWriteLeavesNothing_data();
    void failedWriteLeavesNothing();
    void lockHeldElsewhereIsWaitedFor();
    void pagesEqualAFullRead_data();
    void pagesEqualAFullRead();
};

void TestOperations::initTestCase()
{
    SKIP_WITHOUT_TEST_SERVER();
}

void TestOperations::movements_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("row");
    for (ToolKind k : allToolKinds())
        for (int i = 0; i < int(std::size(MovementRows)); ++i)
            QTest::newRow(qPrintable(QStringLiteral("%1: %2").arg(toolKind(k).table, MovementRows[i].name)))
                << int(k) << i;
}

void TestOperations::movements()
{
    QFETCH(int, kind);
    QFETCH(int, row);
    const Row& r = MovementRows[row];
    if (!testServer().isEmpty() && QByteArray(r.other).contains("4294967296"))
        QSKIP("a server keeps every integer column within its range");
    Bench b{ToolKind(kind)};
    b.setup(QString::fromUtf8(r.setup));
    b.other(QString::fromUtf8(r.other));
    const ops::Result res = b.run(QString::fromUtf8(r.op));
    QCOMPARE(outcomeOf(res), QString::fromUtf8(r.outcome));
    QVERIFY2(res.stored() || !res.message.isEmpty(), "a refusal or failure names its reason");
    QCOMPARE(b.file(), QString::fromUtf8(r.file));
}

void TestOperations::failedWriteLeavesNothing_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("refusingTable");
    QTest::addColumn<int>("step");
    QTest::newRow("issue: the debt") << "5|0|0" << "issue 2 new 1" << "Dolgi" << int(ops::StepDebt);
    QTest::newRow("receipt: the used stock's row") << "1|1|0" << "receive 1 1" << "Prihod_History"
                                                   << int(ops::StepHistoryNew);
    QTest::newRow("write-off: its row") << "1|1|0" << "writeoff 1 0" << "Spisanie_History" << int(ops::StepHistoryNew);
    QTest::newRow("return: the closed debt") << "0|0|1 debt=2:1:new" << "return 1 0" << "Dolgi_History"
                                             << int(ops::StepClosedDebt);
}

void TestOperations::failedWriteLeavesNothing()
{
    QFETCH(QString, setup);
    QFETCH(QString, op);
    QFETCH(QString, refusingTable);
    QFETCH(int, step);
    for (ToolKind k : allToolKinds()) {
        Bench b{k};
        b.setup(setup);
        b.other(QString());
        const QString before = b.file();
        FaultInjection::addFailingTrigger(b.c, refusingTable, QStringLiteral("INSERT"), QStringLiteral("запрещено"));
        const ops::Result r = b.run(op);
        QCOMPARE(outcomeOf(r), QStringLiteral("failed"));
        QCOMPARE(r.step, step);
        QVERIFY(r.message.contains(QStringLiteral("запрещено")));
        QCOMPARE(b.file(), before);
        QVERIFY(!b.c.inTransaction());
    }
}

void TestOperations::lockHeldElsewhereIsWaitedFor()
{
    // The other copy holds the write lock for a while: the receipt waits and
    // is stored; held past the wait, it is refused as busy with nothing written.
    Bench b{ToolKind::Sverla};
    b.setup("1|0|0");
    b.c.setBusyWaitMs(3000);
    Connection other;
    other.open(b.db.path());
    other.beginWrite();
    QTimer::singleShot(400, [&] { other.commitTrans(); });
    QElapsedTimer t;
    t.start();
    QCOMPARE(outcomeOf(b.run("receive 2 0")), QStringLiteral("stored"));
    QVERIFY(t.elapsed() >= 300);
    QCOMPARE(b.file(), QStringLiteral("tool 3|0|0; receipts 2:new"));

    b.c.setBusyWaitMs(300);
    other.beginWrite();
    const ops::Result r = b.run("receive 2 0");
    other.rollbackTrans();
    QCOMPARE(outcomeOf(r), QStringLiteral("failed"));
    QCOMPARE(r.reason, DbError::Reason::Busy);
    QCOMPARE(b.file(), QStringLiteral("tool 3|0|0; receipts 2:new"));
}

// Every row of a record set as text, in its order, with its current row.
QString listed(RecordSet& rs)
{
    QStringList rows;
    for (int p = 0; p < rs.recordCount(); ++p) {
        QStringList cells;
        for (int f = 0; f < rs.fieldCount(); ++f)
            cells << rs.textAt(p, f);
        rows << cells.join(QLatin1Char('|'));
    }
    return rows.join(QLatin1Char('\n')) + QStringLiteral("\ncurrent %1").arg(rs.recNo());
}

void TestOperations::pagesEqualAFullRead_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("sort");
    QTest::addColumn<QString>("before");   // the other connection, before the operation
    QTest::addColumn<QString>("between");  // ... after it, before the pages are shown again
    const QString otherTool = "UPDATE~Sverla~SET~K_vo_BU=K_vo_BU+7~WHERE~ID=2";
    for (const char* op : {"issue 2 new 50", "receive 3 1", "writeoff 1 0", "transfer 1", "return 1 0"})
        for (const char* sort : {"", "K_vo_New DESC", "Kod"})
            for (auto [when, sql] : {std::pair{"alone", ""}, {"other tool before", "B"}, {"other tool between", "A"}}) {
                const QString s = QString::fromLatin1(sql);
                QTest::newRow(qPrintable(QStringLiteral("%1, sort \"%2\", %3").arg(op, sort, when)))
                    << op << sort << (s == "B" ? otherTool : QString()) << (s == "A" ? otherTool : QString());
            }
}

void TestOperations::pagesEqualAFullRead()
{
    QFETCH(QString, op);
    QFETCH(QString, sort);
    QFETCH(QString, before);
    QFETCH(QString, between);
    Bench b{ToolKind::Sverla};
    // Three drills with ties in their order; the first one is moved.
    b.setup("5|2|1 debt=3:1:new");
    for (int i = 0; i < 2; ++i)
        insertTool(b.c, ToolKind::Sverla, b.firm, QStringLiteral("T-%1").arg(i + 2), 4 + i, 1);
    TDM dm(b.db.path());
    RecordSet& drills = dm.dtSet_Sverla;
    if (!sort.isEmpty())
        drills.setSort(sort);
    drills.locate("ID", 3);
    dm.dtset_DolgiSQL.last();
    b.other(before);
    const quint64 reads[] = {drills.readCount(), dm.dtset_DolgiSQL.readCount()};
    // The operation runs on the data module's connection, as the windows run it.
    const ops::Result r = b.run(op, &dm.ADOConnection1);
    QCOMPARE(outcomeOf(r), QStringLiteral("stored"));
    b.other(between);
    dm.ShowChanges(r);
    // Alone, only the rows written were read again; after another's write, everything.
    const bool alone = before.isEmpty() && between.isEmpty();
    QCOMPARE(drills.readCount() == reads[0], alone);
    if (!op.startsWith("receive") && !op.startsWith("writeoff") && !op.startsWith("transfer"))
        QCOMPARE(dm.dtset_DolgiSQL.readCount() == reads[1], alone);

    TDM fresh(b.db.path());
    if (!sort.isEmpty())
        fresh.dtSet_Sverla.setSort(sort);
    fresh.dtSet_Sverla.locate("ID", 3);
    fresh.dtset_DolgiSQL.locate("ID", dm.dtset_DolgiSQL.fieldByName("ID").asInteger());
    QCOMPARE(listed(drills), listed(fresh.dtSet_Sverla));
    QCOMPARE(listed(dm.dtset_DolgiSQL), listed(fresh.dtset_DolgiSQL));
}

QTEST_MAIN(TestOperations)
#include "tst_operations.moc"
