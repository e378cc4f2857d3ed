// What the program does when the database server fails it: the server stops
// (killed mid-operation, down when a command comes, restarted while idle), a
// lock held by another program outlasts the wait, a deadlock with another
// connection, a serialization failure that does not go away. Every failure
// leaves nothing written and says so in one message; the next command
// connects again. Runs on the test server (tools/with-postgres.sh), which
// it stops and starts again: never beside other tests (RUN_SERIAL).
#include "Connection.h"
#include "DbError.h"
#include "Operations.h"
#include "TestSupport.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QProcess>
#include <QtTest>
#include <unistd.h>

namespace {

// The test server's own programs, run as the user that owns its files.
QStringList serverCommand(const QString& program, const QStringList& args)
{
    const QString bin = qEnvironmentVariable("TOOLDB_PG_BIN") + QLatin1Char('/') + program;
    if (::getuid() == 0)
        return QStringList{QStringLiteral("runuser"), QStringLiteral("-u"), QStringLiteral("postgres"),
                           QStringLiteral("--"), bin} + args;
    return QStringList{bin} + args;
}

QString dataFolder() { return qEnvironmentVariable("TOOLDB_PG_DATA"); }

// Stops the server at once, as a power cut would (no shutdown checkpoint).
QStringList stopCommand()
{
    return serverCommand("pg_ctl", {"-D", dataFolder(), "-m", "immediate", "stop"});
}

bool runServerTool(const QStringList& cmd)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(cmd.first(), cmd.mid(1));
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        qWarning("%s: %s", qPrintable(cmd.join(' ')), p.readAll().constData());
        return false;
    }
    return true;
}

bool stopServer() { return runServerTool(stopCommand()); }

// Starts it again with the options it was started with (postmaster.opts).
bool startServer()
{
    return runServerTool(serverCommand("pg_ctl", {"-D", dataFolder(), "-l", dataFolder() + "/../server.log", "-w",
                                                  "-t", "60", "restart"}));
}

// A statement of another program on the database, in psql: started, not
// waited for.
struct OtherProgram {
    QProcess p;
    void start(const QString& uri, const QString& sql)
    {
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(qEnvironmentVariable("TOOLDB_PG_BIN") + "/psql",
                {"-X", "-q", "-v", "ON_ERROR_STOP=1", "-d", uri, "-c", sql});
        QVERIFY(p.waitForStarted());
    }
    QString finish()
    {
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAll()).trimmed();
    }
};

struct Storeroom {
    TempDb db;
    Connection c;
    qint64 tool = 0;
    Storeroom()
    {
        c.open(db.path());
        const qint64 firm = insertRow(c, "Firma", {{"Name", "Sandvik"}});
        tool = addDrill(c, "С-1", "Р6М5", 5.0, firm, 10, 0);
    }
    ops::Result receive(int pieces)
    {
        ops::StockRequest r;
        r.kind = ToolKind::Sverla;
        r.toolId = int(tool);
        r.newPieces = pieces;
        r.date = QDate(2026, 12, 9);
        r.login = QStringLiteral("Администратор");
        return ops::receive(c, r);
    }
    // The drill's new count and receipts, read on a connection of their own.
    QString file()
    {
        Connection look;
        look.open(db.path());
        return rowsText(look, QStringLiteral("SELECT K_vo_New, (SELECT COUNT(*) FROM Prihod_History) FROM Sverla"));
    }
};

QString failure(const ops::Result& r)
{
    if (r.stored())
        return QStringLiteral("stored");
    QString reason;
    switch (r.reason) {
    case DbError::Reason::Busy: reason = QStringLiteral("busy"); break;
    case DbError::Reason::Conflict: reason = QStringLiteral("conflict"); break;
    case DbError::Reason::ServerLost: reason = QStringLiteral("server lost"); break;
    default: reason = QStringLiteral("failed"); break;
    }
    return reason;
}

} // namespace

class TestServerFaults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void serverStops_data();
    void serverStops();
    void otherConnections_data();
    void otherConnections();
    void notificationTellsOfOthersWrites();
    void cleanup();
};

// A test that failed halfway leaves the server running for the next.
void TestServerFaults::cleanup()
{
    QProcess status;
    const QStringList cmd = serverCommand("pg_ctl", {"-D", dataFolder(), "status"});
    status.start(cmd.first(), cmd.mid(1));
    status.waitForFinished(30000);
    if (status.exitCode() != 0)
        startServer();
}

void TestServerFaults::initTestCase()
{
    if (testServer().isEmpty() || dataFolder().isEmpty())
        QSKIP("no test server (TOOLDB_TEST_PG): run the suite through tools/with-postgres.sh");
}

void TestServerFaults::serverStops_data()
{
    QTest::addColumn<QString>("when");
    QTest::addColumn<QString>("outcome");   // of the receipt; a failure is followed by one more once the server is back
    QTest::addColumn<QString>("file");
    // A receipt whose history row takes 5 s to write: the server is
    // stopped half a second into it.
    QTest::newRow("killed during the operation") << "during" << "server lost" << "10|0|\n";
    // Down when the command comes: said at once, not after a wait.
    QTest::newRow("down when the command comes") << "down" << "server lost" << "10|0|\n";
    // Stopped and started again while the program was idle: the command
    // finds its connection broken, connects again and is stored.
    QTest::newRow("restarted while idle") << "restarted" << "stored" << "13|1|\n";
}

void TestServerFaults::serverStops()
{
    QFETCH(QString, when);
    QFETCH(QString, outcome);
    QFETCH(QString, file);
    Storeroom s;
    QProcess killer;
    if (when == "during") {
        s.c.exec("CREATE FUNCTION slow_write() RETURNS trigger LANGUAGE plpgsql AS "
                 "$$BEGIN PERFORM pg_sleep(5); RETURN NEW; END$$");
        s.c.exec("CREATE TRIGGER slow_write BEFORE INSERT ON Prihod_History FOR EACH ROW EXECUTE FUNCTION slow_write()");
        const QStringList stop = stopCommand();
        killer.start("sh", QStringList{"-c", "sleep 0.5; exec \"$0\" \"$@\"", stop.first()} + stop.mid(1));
        QVERIFY(killer.waitForStarted());
    } else {
        QVERIFY(stopServer());
        if (when == "restarted")
            QVERIFY(startServer());
    }
    QElapsedTimer t;
    t.start();
    const ops::Result r = s.receive(3);
    const qint64 took = t.elapsed();
    killer.waitForFinished(30000);
    QVERIFY2(failure(r) == outcome, qPrintable(failure(r) + ": " + r.message));
    if (!r.stored()) {
        // One message, the server's absence in the program's words.
        QVERIFY2(r.message.startsWith(DbError::serverLostText()), qPrintable(r.message));
        QVERIFY2(took < 5000, qPrintable(QString::number(took)));
        QVERIFY(!s.c.inTransaction());
        QVERIFY(startServer());
    }
    QCOMPARE(s.file(), file);
    if (when == "during")
        s.c.exec("DROP TRIGGER slow_write ON Prihod_History");
    // The next command connects again.
    QCOMPARE(failure(s.receive(1)), QStringLiteral("stored"));
}

void TestServerFaults::otherConnections_data()
{
    QTest::addColumn<QString>("setup");      // SQL run on the program's connection first
    QTest::addColumn<QString>("other");      // another program's statements, run beside the receipt
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<int>("minMs");          // the receipt took at least this long
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("readMeanwhile");   // a timer reads on the program's connection while the receipt waits
    // Another program holds the drill's row: the receipt waits the busy wait (3 s), then says so.
    QTest::newRow("row locked past the wait")
        << QString() << "BEGIN; SELECT 1 FROM Sverla FOR UPDATE; SELECT pg_sleep(4.5); COMMIT;"
        << "busy" << 2900 << "10|0|\n" << false;
    // ... and released within it: the receipt waits and is stored.
    QTest::newRow("row locked for a moment")
        << QString() << "BEGIN; SELECT 1 FROM Sverla FOR UPDATE; SELECT pg_sleep(1); COMMIT;"
        << "stored" << 500 << "13|1|\n" << false;
    // Another program holds the drill's row and then asks for the program's
    // write lock, which the receipt holds: the server breaks the deadlock by
    // failing the receipt's statement, and the receipt runs again, stored once.
    QTest::newRow("deadlock")
        << QString()
        << "BEGIN; SELECT 1 FROM Sverla FOR UPDATE; SELECT pg_sleep(1); UPDATE tooldb_version SET n = n + 1; COMMIT;"
        << "stored" << 500 << "13|1|\n" << false;
    // The server asks for the transaction to be run again, once: run again, stored once.
    QTest::newRow("serialization failure once")
        << "CREATE SEQUENCE tries; CREATE FUNCTION refuse_once() RETURNS trigger LANGUAGE plpgsql AS "
           "$$BEGIN IF nextval('tries') = 1 THEN RAISE EXCEPTION 'could not serialize' USING ERRCODE = "
           "'serialization_failure'; END IF; RETURN NEW; END$$; CREATE TRIGGER refuse BEFORE INSERT ON "
           "Prihod_History FOR EACH ROW EXECUTE FUNCTION refuse_once()"
        << QString() << "stored" << 0 << "13|1|\n" << false;
    // Another program holds the write lock a moment, and meanwhile a timer
    // of the windows (kept running by the wait) reads on the program's own
    // connection: the read is told the database is busy, and the receipt,
    // whose answer the read must not take, is stored once.
    QTest::newRow("write lock held for a moment, a read meanwhile")
        << QString() << "BEGIN; UPDATE tooldb_version SET n = n + 1; SELECT pg_sleep(1); COMMIT;"
        << "stored" << 500 << "13|1|\n" << true;
    // ... every time: after the retries "changed elsewhere", nothing written.
    QTest::newRow("serialization failure every time")
        << "CREATE FUNCTION refuse_always() RETURNS trigger LANGUAGE plpgsql AS "
           "$$BEGIN RAISE EXCEPTION 'could not serialize' USING ERRCODE = 'serialization_failure'; END$$; "
           "CREATE TRIGGER refuse BEFORE INSERT ON Prihod_History FOR EACH ROW EXECUTE FUNCTION refuse_always()"
        << QString() << "conflict" << 0 << "10|0|\n" << false;
    // A statement refused by a trigger: its words, nothing written, no retry.
    QTest::newRow("refused by a trigger")
        << "CREATE FUNCTION refuse_all() RETURNS trigger LANGUAGE plpgsql AS "
           "$$BEGIN RAISE EXCEPTION 'Приход запрещен'; END$$; "
           "CREATE TRIGGER refuse BEFORE INSERT ON Prihod_History FOR EACH ROW EXECUTE FUNCTION refuse_all()"
        << QString() << "failed" << 0 << "10|0|\n" << false;
}

void TestServerFaults::otherConnections()
{
    QFETCH(QString, setup);
    QFETCH(QString, other);
    QFETCH(QString, outcome);
    QFETCH(int, minMs);
    QFETCH(QString, file);
    QFETCH(bool, readMeanwhile);
    Storeroom s;
    if (!setup.isEmpty())
        s.c.exec(setup);
    OtherProgram o;
    if (!other.isEmpty()) {
        o.start(s.db.path(), other);
        // Until the other program holds the drill's row.
        Connection look;
        look.open(s.db.path());
        QTRY_VERIFY_WITH_TIMEOUT(look.scalar("SELECT COUNT(*) FROM pg_locks l JOIN pg_stat_activity a ON a.pid = l.pid "
                                             "WHERE a.application_name = 'psql' AND l.locktype = 'transactionid'")
                                     > 0,
                                 10000);
    }
    QString meanwhile;
    if (readMeanwhile)
        QTimer::singleShot(300, [&] {
            try {
                s.c.scalar("SELECT COUNT(*) FROM Sverla");
                meanwhile = "read";
            } catch (const DbError& e) {
                meanwhile = e.reason() == DbError::Reason::Busy ? "busy" : e.message();
            }
        });
    QElapsedTimer t;
    t.start();
    const ops::Result r = s.receive(3);
    const qint64 took = t.elapsed();
    if (!other.isEmpty())
        o.finish();
    QCOMPARE(failure(r), outcome);
    QCOMPARE(meanwhile, QString(readMeanwhile ? "busy" : ""));
    QVERIFY2(took >= minMs, qPrintable(QString::number(took)));
    if (outcome == "busy")
        QCOMPARE(r.message, DbError::busyText());
    if (outcome == "conflict")
        QCOMPARE(r.message, DbError::conflictText());
    if (outcome == "failed")
        QVERIFY2(r.message.contains(QStringLiteral("Приход запрещен")), qPrintable(r.message));
    QVERIFY(!s.c.inTransaction());
    QCOMPARE(s.file(), file);
}

// What another connection stores reaches this one as a notification: the
// change is seen without reading the counter again; a write by another
// program's plain statement notifies too.
void TestServerFaults::notificationTellsOfOthersWrites()
{
    Storeroom s;
    const FileState read = s.c.fileState();
    QVERIFY(!s.c.othersWroteSince(read));
    Connection other;
    other.open(s.db.path());
    ops::StockRequest r;
    r.kind = ToolKind::Sverla;
    r.toolId = int(s.tool);
    r.newPieces = 1;
    r.date = QDate(2026, 12, 9);
    QVERIFY(ops::receive(other, r).stored());
    QTRY_VERIFY_WITH_TIMEOUT(s.c.othersWroteSince(read), 3000);

    const FileState again = s.c.fileState();
    QVERIFY(!s.c.othersWroteSince(again));
    OtherProgram o;
    o.start(s.db.path(), "UPDATE Sverla SET Korob = 'K-9'");
    QCOMPARE(o.finish(), QString());
    QTRY_VERIFY_WITH_TIMEOUT(s.c.othersWroteSince(again), 3000);
    // Its own write is no one else's.
    const ops::Result mine = s.receive(1);
    QVERIFY(mine.stored());
    QVERIFY(!s.c.othersWroteSince(mine.after));
}

QTEST_GUILESS_MAIN(TestServerFaults)
#include "tst_serverfaults.moc"
