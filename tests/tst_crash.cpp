// A writer killed at random moments (SIGKILL, dozens of times, often with a
// transaction open): after every kill the file opens, the consistency check
// finds nothing, every commit the writer reported is there, and nothing the
// writer did not commit is.
#include "Connection.h"
#include "Consistency.h"
#include "DbError.h"
#include "SampleData.h"
#include "ToolKind.h"

#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

namespace {

// What one run of the writer reported, in order.
struct ChildRun {
    QStringList lines;
    QStringList commits() const { return lines.filter(QRegularExpression(QStringLiteral("^commit "))); }
    bool killedInTransaction() const { return !lines.isEmpty() && lines.last().startsWith(QLatin1String("begin ")); }
};

// Starts the writer on the database, lets it write for `workMs` once it is
// ready, then kills it with SIGKILL.
ChildRun runAndKill(const QString& path, quint32 seed, int workMs)
{
    QProcess p;
    p.start(QStringLiteral(TOOLDB_CRASH_CHILD), {path, QString::number(seed)});
    ChildRun run;
    if (!p.waitForStarted(10000))
        return run;
    QByteArray out;
    while (!out.contains("ready\n") && p.state() == QProcess::Running && p.waitForReadyRead(10000))
        out += p.readAllStandardOutput();
    QThread::msleep(ulong(workMs));
    p.kill();
    p.waitForFinished(10000);
    out += p.readAllStandardOutput();
    // A line cut short by the kill is not a report.
    const int end = out.lastIndexOf('\n');
    run.lines = QString::fromUtf8(out.left(end < 0 ? 0 : end)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return run;
}

QHash<QString, QString> fieldsOf(const QString& commitLine)
{
    QHash<QString, QString> f;
    const QStringList parts = commitLine.split(QLatin1Char(' '));
    for (const QString& kv : parts.mid(2)) {
        const int eq = kv.indexOf(QLatin1Char('='));
        if (eq > 0)
            f.insert(kv.left(eq), kv.mid(eq + 1));
    }
    return f;
}

qint64 one(Connection& c, const QString& sql) { return c.scalar(sql); }

// Stock of every tool, (kind code, ID) -> (new, used), less what the
// receipts after history row `after` brought: constant while every receipt
// moves its stock and nothing else does.
using Stock = QHash<QPair<int, int>, QPair<qint64, qint64>>;
Stock stockBefore(Connection& c, qint64 after)
{
    Stock s;
    for (ToolKind kind : allToolKinds()) {
        const int k = kindCodeOf(kind);
        const QString received = QStringLiteral("(SELECT total(P.K_vo) FROM Prihod_History AS P WHERE P.ID > %1 "
                                                "AND P.ID_Tabl = %2 AND P.ID_Instr = T.ID AND P.Instr_is_BU = %3)");
        const QString sql = QStringLiteral("SELECT T.ID, T.K_vo_New - %2, T.K_vo_BU - %3 FROM %1 AS T")
                                .arg(QString::fromLatin1(toolKind(kind).table), received.arg(after).arg(k).arg(0),
                                     received.arg(after).arg(k).arg(1));
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(c.handle(), sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK)
            throw DbError(c.lastEngineError());
        while (sqlite3_step(st) == SQLITE_ROW)
            s.insert({k, sqlite3_column_int(st, 0)}, {sqlite3_column_int64(st, 1), sqlite3_column_int64(st, 2)});
        sqlite3_finalize(st);
    }
    return s;
}

// How each kind of reported commit is found in the file ("" when it is).
QString verify(Connection& c, const QString& line)
{
    const QString work = line.section(QLatin1Char(' '), 1, 1);
    const auto f = fieldsOf(line);
    auto text = [&](const QString& sql) {
        sqlite3_stmt* st = nullptr;
        QString v;
        if (sqlite3_prepare_v2(c.handle(), sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK
            && sqlite3_step(st) == SQLITE_ROW)
            v = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        return v;
    };
    if (work == QLatin1String("operator") || work == QLatin1String("firm")) {
        const QString got = text(QStringLiteral("SELECT %1 FROM %2 WHERE ID = %3")
                                     .arg(work == QLatin1String("firm") ? "Name" : "FIO",
                                          work == QLatin1String("firm") ? "Firma" : "People", f.value("id")));
        return got == f.value("name") ? QString() : QStringLiteral("lost: ") + line;
    }
    if (work == QLatin1String("receipt")) {
        const QString got = text(QStringLiteral("SELECT ID_Tabl || ' ' || ID_Instr || ' ' || K_vo || ' ' || Instr_is_BU "
                                                "FROM Prihod_History WHERE ID = %1")
                                     .arg(f.value("hist")));
        const QString want = QStringList{f.value("kind"), f.value("tool"), f.value("count"), f.value("bu")}.join(' ');
        return got == want ? QString() : QStringLiteral("lost: ") + line;
    }
    return QStringLiteral("no check for: ") + line;
}

} // namespace

class TestCrash : public QObject {
    Q_OBJECT
private slots:
    void killedWriterLeavesSoundFile();
};

void TestCrash::killedWriterLeavesSoundFile()
{
    const int kills = qEnvironmentVariableIntValue("TOOLDB_CRASH_KILLS") > 0
        ? qEnvironmentVariableIntValue("TOOLDB_CRASH_KILLS")
        : 30;
    const quint32 seed = qEnvironmentVariableIsSet("TOOLDB_CRASH_SEED")
        ? quint32(qEnvironmentVariableIntValue("TOOLDB_CRASH_SEED"))
        : QRandomGenerator::global()->generate() % 100000;
    qInfo("crash seed %u (TOOLDB_CRASH_SEED repeats the kill moments)", seed);
    QRandomGenerator rng(seed);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db_instr.db"));
    SampleOptions o;
    o.tools = 40;
    o.debts = 10;
    o.closed = 20;
    o.receipts = 50;
    o.writeoffs = 20;
    writeSampleDatabase(path, o);

    // Receipts after this ID are the writer's; the stock must follow them.
    qint64 firstHist, people, firms;
    Stock base;
    {
        Connection c;
        c.open(path);
        firstHist = one(c, QStringLiteral("SELECT max(ID) FROM Prihod_History"));
        base = stockBefore(c, firstHist);
        people = one(c, QStringLiteral("SELECT count(*) FROM People"));
        firms = one(c, QStringLiteral("SELECT count(*) FROM Firma"));
    }
    qint64 hist = firstHist, reported = 0;
    int inTransaction = 0;
    for (int i = 0; i < kills; ++i) {
        const ChildRun run = runAndKill(path, seed * 1000 + quint32(i), int(rng.bounded(5, 60)));
        QVERIFY2(!run.lines.isEmpty() && run.lines.first() == QLatin1String("ready"), "the writer did not start");
        inTransaction += run.killedInTransaction() ? 1 : 0;
        const QString when = QStringLiteral("kill %1, seed %2").arg(i).arg(seed);

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
        for (const QString& line : run.commits())
            QVERIFY2(verify(c, line).isEmpty(), qPrintable(when + QStringLiteral(": ") + verify(c, line)));
        // At most the one commit the kill came between it and its report.
        const qint64 histNow = one(c, QStringLiteral("SELECT max(ID) FROM Prihod_History"));
        const qint64 rows = (histNow - hist) + (one(c, QStringLiteral("SELECT count(*) FROM People")) - people)
            + (one(c, QStringLiteral("SELECT count(*) FROM Firma")) - firms);
        const qint64 commits = run.commits().size();
        QVERIFY2(rows == commits || (rows == commits + 1 && run.killedInTransaction()),
                 qPrintable(when + QStringLiteral(": %1 rows for %2 reported commits").arg(rows).arg(commits)));
        hist = histNow;
        people = one(c, QStringLiteral("SELECT count(*) FROM People"));
        firms = one(c, QStringLiteral("SELECT count(*) FROM Firma"));
        reported += commits;
        // Every receipt moved its stock, and only receipts did.
        QVERIFY2(stockBefore(c, firstHist) == base, qPrintable(when + QStringLiteral(": stock and receipts differ")));
    }
    qInfo("%d kills, %d with a transaction open, %lld commits reported", kills, inTransaction, reported);
    QVERIFY(inTransaction > 0);
    QVERIFY(reported > 0);
}

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
