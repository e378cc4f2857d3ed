// The program's movements made through its windows by a writer killed at
// random moments (SIGKILL, dozens of times, often inside a dialog's open
// transaction): after every kill the file opens, the consistency check
// finds nothing, every commit the writer reported is there, the stock is
// the first stock moved by exactly the reported movements (plus at most the
// one the kill came between storing and reporting), and nothing the writer
// did not commit is there. Then two copies of the program at once on one
// file: no movement lost, none stored twice, the loser of every clash told
// why, no window left stuck.
#include "Connection.h"
#include "Consistency.h"
#include "DbError.h"
#include "Query.h"
#include "SampleData.h"
#include "TestSupport.h"
#include "ToolKind.h"

#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>


namespace {

QString child() { return QStringLiteral(TOOLDB_CRASH_CHILD); }

// What one run of the writer reported, in order.
struct ChildRun {
    QStringList lines;
    int exitCode = -1;
    QStringList starting(const char* word) const
    {
        return lines.filter(QRegularExpression(QStringLiteral("^%1 ").arg(QLatin1String(word))));
    }
    QStringList commits() const { return starting("commit"); }
    QString last() const { return lines.isEmpty() ? QString() : lines.last(); }
    // The movement chosen and perhaps stored, but not reported (the kill came first).
    QString pending() const
    {
        for (qsizetype i = lines.size() - 1; i >= 0; --i) {
            if (lines[i].startsWith(QLatin1String("commit ")) || lines[i].startsWith(QLatin1String("failed ")))
                return {};
            if (lines[i].startsWith(QLatin1String("move ")))
                return lines[i];
        }
        return {};
    }
};

ChildRun linesOf(QByteArray out)
{
    ChildRun run;
    // A line cut short by the kill is not a report.
    const int end = out.lastIndexOf('\n');
    run.lines = QString::fromUtf8(out.left(end < 0 ? 0 : end)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return run;
}

// Starts the writer on the database and, once it is ready, kills it with
// SIGKILL: after `workMs`, or (atOpen > 0) as soon as it has said `open`
// that many times, i.e. inside a dialog's open transaction.
ChildRun runAndKill(const QString& path, quint32 seed, int workMs, int atOpen)
{
    QProcess p;
    p.start(child(), {path, QString::number(seed)});
    if (!p.waitForStarted(10000))
        return {};
    QByteArray out;
    while (!out.contains("ready\n") && p.state() == QProcess::Running && p.waitForReadyRead(10000))
        out += p.readAllStandardOutput();
    if (atOpen > 0) {
        QElapsedTimer t;
        t.start();
        while (out.count("\nopen ") < atOpen && p.state() == QProcess::Running && t.elapsed() < 5000) {
            p.waitForReadyRead(100);
            out += p.readAllStandardOutput();
        }
    } else {
        QThread::msleep(ulong(workMs));
    }
    p.kill();
    p.waitForFinished(10000);
    out += p.readAllStandardOutput();
    return linesOf(out);
}

QHash<QString, QString> fieldsOf(const QString& line)
{
    QHash<QString, QString> f;
    const QStringList parts = line.split(QLatin1Char(' '));
    for (const QString& kv : parts.mid(2)) {
        const int eq = kv.indexOf(QLatin1Char('='));
        if (eq > 0)
            f.insert(kv.left(eq), kv.mid(eq + 1));
    }
    return f;
}

QString workOf(const QString& line) { return line.section(QLatin1Char(' '), 1, 1); }

QString text(Connection& c, const QString& sql)
{
    Query q(c, sql);
    return q.next() ? q.text(0) : QString();
}

// What the movements change: every tool's (new, used, in work), by (kind
// code, ID), and the number of rows of the tables they write.
const char* const Tables[] = {"People", "Firma", "Dolgi", "Dolgi_History", "Prihod_History", "Spisanie_History"};
struct StoreState {
    QMap<QPair<int, int>, std::array<qint64, 3>> stock;
    QMap<QString, qint64> rows;
    bool operator==(const StoreState&) const = default;
};

StoreState stateOf(Connection& c)
{
    StoreState s;
    for (ToolKind kind : allToolKinds()) {
        const ToolKindInfo& k = toolKind(kind);
        const QString sql = QStringLiteral("SELECT ID, %1, K_vo_BU, %2 FROM %3")
                                .arg(QString::fromLatin1(k.tableNewColumn), QString::fromLatin1(k.tableDolgColumn),
                                     QString::fromLatin1(k.table));
        Query q(c, sql);
        while (q.next())
            s.stock.insert({kindCodeOf(kind), int(q.int64(0))}, {q.int64(1), q.int64(2), q.int64(3)});
    }
    for (const char* t : Tables)
        s.rows.insert(QString::fromLatin1(t), c.scalar(QStringLiteral("SELECT count(*) FROM ") + QLatin1String(t)));
    return s;
}

// Where the two differ, for the failure message.
QString difference(const StoreState& want, const StoreState& got)
{
    QStringList d;
    for (auto it = want.stock.begin(); it != want.stock.end(); ++it)
        if (got.stock.value(it.key()) != it.value())
            d << QStringLiteral("tool %1/%2: want %3|%4|%5, file %6|%7|%8")
                     .arg(it.key().first)
                     .arg(it.key().second)
                     .arg(it.value()[0])
                     .arg(it.value()[1])
                     .arg(it.value()[2])
                     .arg(got.stock.value(it.key())[0])
                     .arg(got.stock.value(it.key())[1])
                     .arg(got.stock.value(it.key())[2]);
    for (auto it = want.rows.begin(); it != want.rows.end(); ++it)
        if (got.rows.value(it.key()) != it.value())
            d << QStringLiteral("%1: want %2 rows, file %3").arg(it.key()).arg(it.value()).arg(got.rows.value(it.key()));
    return d.join(QStringLiteral("; "));
}

// The state after one more movement (a `move` or `commit` line): the tool's
// counts move by dn/dbu/dd, and each work writes its rows.
bool apply(StoreState& s, const QString& line)
{
    const QString work = workOf(line);
    const auto f = fieldsOf(line);
    const int dn = f.value("dn").toInt(), dbu = f.value("dbu").toInt(), dd = f.value("dd").toInt();
    const struct {
        const char* work;
        const char* table;
        int rows;
    } rows[] = {
        {"operator", "People", 1},
        {"firm", "Firma", 1},
        {"receipt", "Prihod_History", 1},
        {"give", "Dolgi", 1},
        {"return", "Dolgi", -1},
        {"return", "Dolgi_History", 1},
        // One history row for each stock the receipt or the write-off moves.
        {"prihod", "Prihod_History", (dn > 0) + (dbu > 0)},
        {"spisat", "Spisanie_History", (dn < 0) + (dbu < 0)},
        {"perbu", "Prihod_History", 0},
    };
    bool known = false;
    for (const auto& r : rows)
        if (work == QLatin1String(r.work)) {
            s.rows[QString::fromLatin1(r.table)] += r.rows;
            known = true;
        }
    if (f.contains("kind")) {
        auto& t = s.stock[{f.value("kind").toInt(), f.value("tool").toInt()}];
        t[0] += dn;
        t[1] += dbu;
        t[2] += dd;
    }
    return known;
}

// How each kind of reported commit is found in the file ("" when it is).
// `returned`: the debts a later return closed; `ids`: the history rows the
// writer reported are its own (no other copy wrote meanwhile).
QString verify(Connection& c, const QString& line, const QSet<QString>& returned, bool ids)
{
    const QString work = workOf(line);
    const auto f = fieldsOf(line);
    const int dn = f.value("dn").toInt(), dbu = f.value("dbu").toInt();
    const QString lost = QStringLiteral("lost: ") + line;
    if (work == QLatin1String("operator") || work == QLatin1String("firm")) {
        const QString got = text(c, QStringLiteral("SELECT %1 FROM %2 WHERE ID = %3")
                                        .arg(work == QLatin1String("firm") ? "Name" : "FIO",
                                             work == QLatin1String("firm") ? "Firma" : "People", f.value("id")));
        return got == f.value("name") ? QString() : lost;
    }
    if (work == QLatin1String("receipt")) {
        const QString got = text(c, QStringLiteral("SELECT ID_Tabl || ' ' || ID_Instr || ' ' || K_vo || ' ' || Instr_is_BU "
                                                   "FROM Prihod_History WHERE ID = %1")
                                        .arg(f.value("hist")));
        const QString want = QStringList{f.value("kind"), f.value("tool"), QString::number(dn + dbu),
                                         dbu > 0 ? "1" : "0"}
                                 .join(' ');
        return got == want ? QString() : lost;
    }
    if (work == QLatin1String("give")) {
        if (f.value("debt").isEmpty())
            return QStringLiteral("no debt row found after: ") + line;
        if (returned.contains(f.value("debt")))
            return {};
        const QString got = text(c, QStringLiteral("SELECT ID_Tabl || ' ' || ID_Instr || ' ' || K_vo || ' ' || Instr_is_BU "
                                                   "|| ' ' || Nomer_Zap FROM Dolgi WHERE ID = %1")
                                        .arg(f.value("debt")));
        const QString want = QStringList{f.value("kind"), f.value("tool"), f.value("dd"), dbu < 0 ? "1" : "0",
                                         f.value("nomer")}
                                 .join(' ');
        return got == want ? QString() : lost + QStringLiteral(" (file: %1)").arg(got);
    }
    if (work == QLatin1String("return")) {
        if (c.scalar(QStringLiteral("SELECT count(*) FROM Dolgi WHERE ID = %1").arg(f.value("debt"))) != 0)
            return QStringLiteral("debt still open: ") + line;
        const qint64 closed = c.scalar(QStringLiteral("SELECT count(*) FROM Dolgi_History WHERE Nomer_Zap = %1 AND "
                                                      "ID_Tabl = %2 AND ID_Instr = %3 AND K_vo_Instr_Vernul_New = %4 "
                                                      "AND K_vo_Instr_Vernul_BU = %5")
                                           .arg(f.value("nomer"), f.value("kind"), f.value("tool"))
                                           .arg(dn)
                                           .arg(dbu));
        return closed > 0 ? QString() : lost;
    }
    if (work == QLatin1String("prihod") || work == QLatin1String("spisat")) {
        if (!ids)
            return {};
        const bool in = work == QLatin1String("prihod");
        QStringList want, got;
        if (dn != 0)
            want << QStringLiteral("%1|0").arg(in ? dn : -dn);
        if (dbu != 0)
            want << QStringLiteral("%1|1").arg(in ? dbu : -dbu);
        for (const QString& id : f.value("hist").split(QLatin1Char(','), Qt::SkipEmptyParts))
            got << text(c, QStringLiteral("SELECT K_vo || '|' || Instr_is_BU FROM %1 WHERE ID = %2 AND ID_Tabl = %3 "
                                          "AND ID_Instr = %4")
                               .arg(in ? "Prihod_History" : "Spisanie_History", id, f.value("kind"), f.value("tool")));
        want.sort();
        got.sort();
        return got == want ? QString() : lost + QStringLiteral(" (file: %1)").arg(got.join(','));
    }
    if (work == QLatin1String("perbu"))
        return {};   // no row of its own: the stock tells
    return QStringLiteral("no check for: ") + line;
}

QSet<QString> returnedDebts(const QStringList& commits)
{
    QSet<QString> s;
    for (const QString& l : commits)
        if (workOf(l) == QLatin1String("return"))
            s.insert(fieldsOf(l).value("debt"));
    return s;
}

// A sample for the writers: a file, or the test's database on the test
// server, where every row written by a writer takes a moment more (a
// trigger), so that kills land inside its transactions too.
QString sampleDatabase(TempDb& db, int tools)
{
    const QString path = sampleTarget(db, QStringLiteral("crash.db"));
    SampleOptions o;
    o.tools = tools;
    o.debts = 10;
    o.closed = 20;
    o.receipts = 50;
    o.writeoffs = 20;
    writeSampleDatabase(path, o);
    if (db.onServer()) {
        Connection c;
        c.open(path);
        c.exec("CREATE FUNCTION slow_row() RETURNS trigger LANGUAGE plpgsql AS "
               "$$BEGIN PERFORM pg_sleep(random() * 0.006); RETURN NULL; END$$");
        for (const char* t : {"Sverla", "Frezy", "Derj_Plast", "Plastinyi", "Dolgi", "Dolgi_History", "Prihod_History",
                              "Spisanie_History", "People", "Firma"})
            c.exec(QStringLiteral("CREATE TRIGGER slow_row AFTER INSERT OR UPDATE OR DELETE ON %1 FOR EACH ROW "
                                  "EXECUTE FUNCTION slow_row()")
                       .arg(QLatin1String(t)));
    }
    return path;
}

int envInt(const char* name, int otherwise)
{
    return qEnvironmentVariableIntValue(name) > 0 ? qEnvironmentVariableIntValue(name) : otherwise;
}

} // namespace

class TestCrash : public QObject {
    Q_OBJECT
private slots:
    void killedWriterLeavesSoundFile();
    void twoCopiesAtOnce();
};

void TestCrash::killedWriterLeavesSoundFile()
{
    const int kills = envInt("TOOLDB_CRASH_KILLS", 30);
    const quint32 seed = qEnvironmentVariableIsSet("TOOLDB_CRASH_SEED")
        ? quint32(qEnvironmentVariableIntValue("TOOLDB_CRASH_SEED"))
        : QRandomGenerator::global()->generate() % 100000;
    qInfo("crash seed %u (TOOLDB_CRASH_SEED repeats the kill moments)", seed);
    QRandomGenerator rng(seed);

    TempDb db;
    const QString path = sampleDatabase(db, 40);
    StoreState model;
    {
        Connection c;
        c.open(path);
        model = stateOf(c);
    }
    int inTransaction = 0, inDialog = 0, afterRows = 0, adopted = 0;
    qint64 reported = 0;
    QHash<QString, int> byWork;
    for (int i = 0; i < kills; ++i) {
        // Two kills in three at a pause: a dialog open, or an operation's
        // transaction with rows written.
        const int atOpen = i % 3 == 0 ? 0 : int(rng.bounded(1, 8));
        const ChildRun run = runAndKill(path, seed * 1000 + quint32(i), int(rng.bounded(5, 80)), atOpen);
        QVERIFY2(!run.lines.isEmpty() && run.lines.first() == QLatin1String("ready"), "the writer did not start");
        const QString when = QStringLiteral("kill %1, seed %2").arg(i).arg(seed);
        // Alone on the file, nothing fails and no window is left in the way.
        const QStringList wrong = run.starting("failed") + run.starting("problem");
        QVERIFY2(wrong.isEmpty(), qPrintable(when + QStringLiteral(": ") + wrong.join(QStringLiteral("\n"))));
        inTransaction += run.last().contains(QRegularExpression(QStringLiteral("^(begin|move|open) "))) ? 1 : 0;
        inDialog += run.last().startsWith(QLatin1String("open ")) ? 1 : 0;
        afterRows += run.last().startsWith(QLatin1String("open ")) && run.last().endsWith(QLatin1String(" written"));

        // Read as found, before anything opens it for writing...
        try {
            QCOMPARE(consistencyOfFile(path), QStringList());
        } catch (const DbError& e) {
            QFAIL(qPrintable(when + QStringLiteral(", read as found: ") + e.message()));
        }
        // ...then opened as the program opens it.
        Connection c;
        c.open(path);
        QCOMPARE(consistencyFindings(c), QStringList());
        const QStringList commits = run.commits();
        // A return killed between its commit and its report closed its debt too.
        const QSet<QString> returned = returnedDebts(QStringList(commits) << run.pending());
        for (const QString& line : commits) {
            const QString problem = verify(c, line, returned, true);
            QVERIFY2(problem.isEmpty(), qPrintable(when + QStringLiteral(": ") + problem));
            ++byWork[workOf(line)];
        }
        // The stock and the rows: those before, moved by every reported
        // commit, and by the one chosen last if the kill came between its
        // commit and the report of it; by nothing else.
        StoreState want = model;
        for (const QString& line : commits)
            QVERIFY2(apply(want, line), qPrintable(QStringLiteral("unknown work: ") + line));
        const StoreState got = stateOf(c);
        if (got != want) {
            StoreState withPending = want;
            const QString pending = run.pending();
            QVERIFY2(!pending.isEmpty() && apply(withPending, pending) && got == withPending,
                     qPrintable(when + QStringLiteral(": ") + difference(want, got)
                                + QStringLiteral(" (last: %1)").arg(run.last())));
            ++adopted;
        }
        model = got;
        reported += commits.size();
    }
    QStringList works;
    for (auto it = byWork.begin(); it != byWork.end(); ++it)
        works << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
    works.sort();
    qInfo("%d kills, %d inside a command, %d at a pause (%d of them inside an operation's transaction after rows "
          "were written, the others with a dialog open), %lld commits verified (%s), %d stored but not yet reported",
          kills, inTransaction, inDialog, afterRows, reported, qPrintable(works.join(", ")), adopted);
    if (!db.onServer())
        QVERIFY(afterRows > 0);
    QVERIFY(inTransaction > 0);
    QVERIFY(inDialog > afterRows);
    QVERIFY(reported > 0);
}

void TestCrash::twoCopiesAtOnce()
{
    const int ms = envInt("TOOLDB_TWOCOPIES_MS", 4000);
    const quint32 seed = qEnvironmentVariableIsSet("TOOLDB_CRASH_SEED")
        ? quint32(qEnvironmentVariableIntValue("TOOLDB_CRASH_SEED"))
        : QRandomGenerator::global()->generate() % 100000;
    qInfo("two copies, seed %u, %d ms", seed, ms);
    TempDb db;
    QTemporaryDir dir;
    // Few tools, so that the copies often move the same one.
    const QString path = sampleDatabase(db, 12);
    StoreState want;
    {
        Connection c;
        c.open(path);
        want = stateOf(c);
    }
    // Their reports go to files: a pipe nobody reads while waiting for the
    // other copy would hold its writer up.
    QProcess copies[2];
    for (int i = 0; i < 2; ++i) {
        copies[i].setStandardOutputFile(dir.filePath(QStringLiteral("copy%1.txt").arg(i)));
        copies[i].start(child(), {path, QString::number(seed * 10 + quint32(i)), QString::number(ms)});
    }
    ChildRun runs[2];
    for (int i = 0; i < 2; ++i) {
        QVERIFY(copies[i].waitForFinished(ms + 60000));
        QFile out(dir.filePath(QStringLiteral("copy%1.txt").arg(i)));
        QVERIFY(out.open(QIODevice::ReadOnly));
        runs[i] = linesOf(out.readAll());
        runs[i].exitCode = copies[i].exitCode();
        QVERIFY2(runs[i].exitCode == 0 && runs[i].last().startsWith(QLatin1String("end ")),
                 qPrintable(QStringLiteral("copy %1 ended with %2: %3")
                                .arg(i)
                                .arg(runs[i].exitCode)
                                .arg(QString::fromUtf8(copies[i].readAllStandardError()).right(2000))));
    }
    QStringList commits;
    int clashes = 0, busy = 0;
    for (const ChildRun& r : runs) {
        // Every dialog returned and left the main window usable, no write waited long.
        QVERIFY2(r.starting("problem").isEmpty(), qPrintable(r.starting("problem").join(QLatin1Char('\n'))));
        commits += r.commits();
        // The loser of a clash is told why; nothing of it is stored (the
        // stock below has only the commits).
        for (const QString& f : r.starting("failed")) {
            // A page older than the file is read again before a dialog opens:
            // the other copy may have left nothing to move.
            const bool changed = f.contains(DbError::conflictText())
                || f.contains(QStringLiteral("в другой копии программы"))
                || f.contains(QStringLiteral("уже есть в списке долгов"))
                || f.contains(QStringLiteral("\"К-во НОВЫЙ\"=0")) || f.contains(QStringLiteral("к-во которого 0"));
            const bool wasBusy = f.contains(DbError::busyText());
            QVERIFY2(changed || wasBusy, qPrintable(f));
            QVERIFY2(f.contains(QStringLiteral("Данные не сохранены")) || f.contains(QStringLiteral("Ничего не сохранено"))
                         || f.contains(QStringLiteral("Предложен следующий свободный номер"))
                         || f.contains(QStringLiteral("=0  !")) || f.contains(QStringLiteral("которого 0!")),
                     qPrintable(f));
            clashes += changed;
            busy += wasBusy;
        }
    }
    Connection c;
    c.open(path);
    QCOMPARE(consistencyFindings(c), QStringList());
    const QSet<QString> returned = returnedDebts(commits);
    for (const QString& line : commits) {
        const QString problem = verify(c, line, returned, false);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QVERIFY2(apply(want, line), qPrintable(line));
    }
    const StoreState got = stateOf(c);
    QVERIFY2(got == want, qPrintable(difference(want, got)));
    for (auto it = got.stock.begin(); it != got.stock.end(); ++it)
        for (qint64 n : it.value())
            QVERIFY2(n >= 0, qPrintable(QStringLiteral("tool %1/%2 below 0").arg(it.key().first).arg(it.key().second)));
    qInfo("two copies: %lld and %lld commits, %d clashes told as changed elsewhere, %d as busy, longest commands "
          "%s and %s ms",
          qint64(runs[0].commits().size()), qint64(runs[1].commits().size()), clashes, busy,
          qPrintable(runs[0].last().section(QLatin1Char('='), 1)), qPrintable(runs[1].last().section(QLatin1Char('='), 1)));
    QVERIFY(runs[0].commits().size() > 0 && runs[1].commits().size() > 0);
}

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
