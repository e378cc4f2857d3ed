// What the start reads of the database file: the whole file only after a run
// that did not end cleanly (killed), otherwise the header, the schema and the
// write lock. A page damaged in a history table, which the start does not
// read, is then found by the start after a kill and named; after a clean end,
// or while another copy still runs, the start goes on and the page is
// reported, the file named, when the history is read; nothing is written.
//
// The runs before the start are this program started again as a child
// (tst_startup --run DB clean|hold): it starts the program's windows on the
// database and says "ready"; "clean" then closes them and ends, "hold" waits
// to be killed.
#include "Connection.h"
#include "DM_Unit.h"
#include "DbError.h"
#include "Program.h"
#include "Schema.h"
#include "ScriptedUser.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

#include <cstdio>
#include <thread>

namespace {

QString self;   // this test program, to start its child runs

const QByteArray RowMark = "PLANTED-ROW-";

// A database with a receipts history of some hundred pages, closed cleanly.
void writeDatabase(const QString& path)
{
    createDatabase(path, QStringLiteral("123"));
    Connection c;
    c.open(path);
    insertRow(c, "Firma", {{"Name", "F"}});
    insertRow(c, "Support", {{"Name_OP", "склад"}, {"BD_in_Work", 0}});
    insertRow(c, "Sverla", {{"Kod", "K1"}, {"ID_Firma", 1}});
    Transaction t(c);
    for (int i = 0; i < 3000; ++i)
        insertRow(c, "Prihod_History", {{"ID_Instr", 1}, {"ID_Tabl", 1}, {"K_vo", 1},
                                        {"FIO_AdminBD", QString::fromLatin1(RowMark) + QString::number(i).repeated(6)}});
    t.commit();
}

// Overwrites a leaf page of the receipts history's table in the middle of
// it; returns its number (counted from 1, as the engine counts pages), 0
// when none was found.
int damageHistoryPage(const QString& path)
{
    QList<int> pages;
    {
        sqlite3* db = nullptr;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK
            && sqlite3_prepare_v2(db, "SELECT pageno FROM dbstat WHERE name = 'Prihod_History' AND pagetype = 'leaf' "
                                      "ORDER BY pageno",
                                  -1, &st, nullptr)
                == SQLITE_OK)
            while (sqlite3_step(st) == SQLITE_ROW)
                pages << sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
        sqlite3_close(db);
    }
    QFile f(path);
    if (pages.size() < 20 || !f.open(QIODevice::ReadWrite))
        return 0;
    const int victim = pages[pages.size() / 2];
    const int size = 4096;
    if (!f.seek(qint64(victim - 1) * size) || !f.read(size).contains(RowMark) || !f.seek(qint64(victim - 1) * size))
        return 0;
    f.write(QByteArray(size, '\xA5'));
    return victim;
}

// A run of the program on the database, in a child process, once it is ready.
struct Run {
    QProcess p;
    bool start(const QString& path, const char* how)
    {
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(self, {QStringLiteral("--run"), path, QString::fromLatin1(how)});
        QByteArray out;
        while (!out.contains("ready\n") && p.waitForReadyRead(30000))
            out += p.readAllStandardOutput();
        return out.contains("ready\n");
    }
    ~Run()
    {
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(10000);
        }
    }
};

// The start of the program's data: the error it reports, empty when it opened.
QString startError(const QString& path)
{
    try {
        TDM dm(path);
        return {};
    } catch (const DbError& e) {
        return e.message();
    }
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void startAfter_data();
    void startAfter();
    void damageMetWhileReadingNamesTheFile();
};

void TestStartup::startAfter_data()
{
    QTest::addColumn<QString>("before");   // how the last run ended, or what is beside the file
    QTest::addColumn<bool>("checkedWhole");
    QTest::newRow("killed") << "killed" << true;
    QTest::newRow("ended cleanly") << "clean" << false;
    QTest::newRow("another copy still running") << "running" << false;
    QTest::newRow("killed, then one start that checked it") << "killed-checked" << false;
    QTest::newRow("two killed, another copy running") << "two-killed-running" << true;
    QTest::newRow("another program's log left with changes") << "foreign-log" << true;
    QTest::newRow("never opened by the program (rollback journal)") << "rollback" << true;
}

void TestStartup::startAfter()
{
    QFETCH(QString, before);
    QFETCH(bool, checkedWhole);
    QTemporaryDir dir;
    const QString path = dir.filePath("db_instr.db");
    writeDatabase(path);

    Run first, second, running;
    if (before == "killed" || before == "killed-checked" || before == "two-killed-running") {
        QVERIFY(first.start(path, "hold"));
        if (before == "two-killed-running")
            QVERIFY(second.start(path, "hold"));
        first.p.kill();
        QVERIFY(first.p.waitForFinished(10000));
        if (before == "two-killed-running") {
            QVERIFY(running.start(path, "hold"));
            second.p.kill();
            QVERIFY(second.p.waitForFinished(10000));
        }
        if (before == "killed-checked")
            QCOMPARE(startError(path), QString());   // the check passes, the killed run's mark goes
    } else if (before == "clean") {
        QVERIFY(first.start(path, "clean"));
        QVERIFY(first.p.waitForFinished(30000));
        QCOMPARE(first.p.exitCode(), 0);
    } else if (before == "running") {
        QVERIFY(running.start(path, "hold"));
    } else if (before == "foreign-log") {
        // A write of another program, still in its log when it stopped.
        const QString live = dir.filePath("live.db");
        QVERIFY(QFile::copy(path, live));
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(live).constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "PRAGMA wal_autocheckpoint=0; UPDATE Support SET BD_in_Work = 1", nullptr, nullptr,
                              nullptr),
                 SQLITE_OK);
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::copy(live, path));
        QVERIFY(QFile::copy(live + "-wal", path + "-wal"));
        sqlite3_close(db);
    } else if (before == "rollback") {
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }

    const int page = damageHistoryPage(path);
    QVERIFY(page > 0);
    const QByteArray damaged = fileBytes(path);
    const QString error = startError(path);
    if (checkedWhole) {
        // Refused, the file and the damaged page named, nothing written.
        QVERIFY2(error.contains(QDir::toNativeSeparators(path)) && error.contains("повреждён"), qPrintable(error));
        QVERIFY2(error.contains(QStringLiteral("page %1").arg(page), Qt::CaseInsensitive), qPrintable(error));
        QCOMPARE(fileBytes(path), damaged);
        // Still refused at the next start: the run that ended badly is not forgotten.
        QCOMPARE(startError(path), error);
    } else {
        QCOMPARE(error, QString());
    }
    // The run's own mark goes with a clean end; a running copy's stays.
    QStringList marks = QDir(dir.path()).entryList({"db_instr.db-run-*"}, QDir::Files);
    if (running.p.state() == QProcess::Running)
        QVERIFY(!marks.isEmpty());
    if (!checkedWhole && running.p.state() != QProcess::Running)
        QCOMPARE(marks, QStringList());
}

void TestStartup::damageMetWhileReadingNamesTheFile()
{
    // Started cleanly, the damage is met when the receipts history is read:
    // said with the file named, the file left as it was.
    QTemporaryDir dir;
    const QString path = dir.filePath("db_instr.db");
    writeDatabase(path);
    const int pg = damageHistoryPage(path);
    QVERIFY(pg > 0);
    const QByteArray damaged = fileBytes(path);
    TDM dm(path);
    for (RecordSet* rs : {&dm.dtSet_Prihod_Hist, &dm.tbl_Prihod_Hist}) {
        try {
            rs->open();
            QFAIL("the damaged history was read");
        } catch (const DbError& e) {
            QVERIFY2(e.message().contains(QDir::toNativeSeparators(path)) && e.message().contains("повреждён"),
                     qPrintable(e.message()));
        }
        QVERIFY(!rs->isOpen());
    }
    QCOMPARE(dm.dtSet_Sverla.recordCount(), 1);
    QCOMPARE(fileBytes(path), damaged);
}

// The child run: the program's windows started on the database.
int childRun(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ScriptedUser user;
    if (!Program::CreateWindows(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "start refused: %s\n", qPrintable(user.texts().join('\n')));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    if (qstrcmp(argv[3], "clean") == 0) {
        Program::DestroyWindows();
        return 0;
    }
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}

int main(int argc, char** argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--run") == 0)
        return childRun(argc, argv);
    QApplication app(argc, argv);
    self = QCoreApplication::applicationFilePath();
    TestStartup t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_startup.moc"
