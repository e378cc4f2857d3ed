// Copies of the database and the restore from one: a copy taken while
// another connection writes is the database as of one moment; a copy killed
// half way leaves nothing under a copy's name; the rotation keeps exactly the
// days it promises; a damaged copy is refused and the database left byte for
// byte; the file a restore replaced is kept byte for byte; a restore waits for
// no other copy of the program.
#include "Backup.h"
#include "BackupRunner.h"
#include "Connection.h"
#include "Consistency.h"
#include "DbError.h"
#include "Engine.h"
#include "Operations.h"
#include "SampleData.h"
#include "TestSupport.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <thread>

namespace {

// A sample storeroom big enough to be copied in several steps.
QString writeSample(const QString& folder, int receipts = 2000)
{
    const QString path = QDir(folder).filePath(QStringLiteral("db_instr.db"));
    SampleOptions o;
    o.receipts = receipts;
    writeSampleDatabase(path, o);
    return path;
}

QByteArray hashOf(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return h.result();
}

qint64 scalarOf(const QString& path, const QString& sql)
{
    Connection c;
    c.openReadOnly(path);
    return c.scalar(sql);
}

int firstDrill(Connection& c)
{
    return int(c.scalar(QStringLiteral("SELECT min(ID) FROM Sverla")));
}

ops::StockRequest oneNewDrill(int tool)
{
    ops::StockRequest r;
    r.kind = ToolKind::Sverla;
    r.toolId = tool;
    r.newPieces = 1;
    r.date = QDate(2026, 12, 1);
    r.login = QStringLiteral("Писатель");
    return r;
}

// The files of a folder, sorted.
QStringList filesIn(const QString& folder)
{
    QStringList l = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    l.sort();
    return l;
}

// "2026-01-27..2026-02-09" or "2026-01-01": the days named.
QStringList daysNamed(const QStringList& shape)
{
    QStringList out;
    for (const QString& s : shape) {
        const QStringList ends = s.split(QStringLiteral(".."));
        QDate d = QDate::fromString(ends.first(), Qt::ISODate);
        const QDate last = QDate::fromString(ends.last(), Qt::ISODate);
        for (; d <= last; d = d.addDays(1))
            out << backup::dailyName(QStringLiteral("db_instr"), d);
    }
    out.sort();
    return out;
}

// The child the kill test kills: copies the database slowly, saying "step"
// after each part.
int childMain(const QString& db)
{
    const backup::CopyOutcome r = backup::makeCopy(db, backup::folderOf(db), QDateTime::currentDateTime(),
                                                   [](qint64, qint64) {
                                                       std::printf("step\n");
                                                       std::fflush(stdout);
                                                       QThread::msleep(300);
                                                   });
    std::printf("%s\n", r.ok ? "done" : r.error.toUtf8().constData());
    return r.ok ? 0 : 1;
}

} // namespace

class TestBackup : public QObject {
    Q_OBJECT
private slots:
    void rotation_data();
    void rotation();
    void dailyCopyOncePerDay();
    void copyWhileWriting_data();
    void copyWhileWriting();
    void killDuringCopy_data();
    void killDuringCopy();
    void copyRefused_data();
    void copyRefused();
    void damagedCopyRefused_data();
    void damagedCopyRefused();
    void restoreKeepsReplacedFile_data();
    void restoreKeepsReplacedFile();
    void restoreWaitsForOtherCopies();
};

// The program started once a day (every `every` days), from `from` to `to`:
// what is left is the 14 newest daily copies and the first of each of the
// last 12 months; files of other names are never touched.
void TestBackup::rotation_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<int>("every");
    QTest::addColumn<QStringList>("kept");

    QTest::newRow("40 days") << QDate(2026, 1, 1) << QDate(2026, 2, 9) << 1
                             << QStringList{"2026-01-01", "2026-01-27..2026-02-09"};
    QTest::newRow("14 days, nothing goes") << QDate(2026, 3, 5) << QDate(2026, 3, 18) << 1
                                           << QStringList{"2026-03-05..2026-03-18"};
    QTest::newRow("more than a year") << QDate(2025, 11, 1) << QDate(2026, 12, 4) << 1
                                      << QStringList{"2026-01-01", "2026-02-01", "2026-03-01", "2026-04-01",
                                                     "2026-05-01", "2026-06-01", "2026-07-01", "2026-08-01",
                                                     "2026-09-01", "2026-10-01", "2026-11-01",
                                                     "2026-11-21..2026-12-04"};
    // Every third day: the 14 newest copies reach back 40 days; each month's
    // first copy is the first one in it, not the 1st.
    QDate last(2026, 1, 1);
    while (last.addDays(3) <= QDate(2026, 4, 30))
        last = last.addDays(3);
    QStringList third;
    for (int i = 0; i < backup::KeptDays; ++i)
        third << last.addDays(-3 * i).toString(Qt::ISODate);
    third << "2026-01-01" << "2026-02-03" << "2026-03-02";
    QTest::newRow("every third day") << QDate(2026, 1, 1) << QDate(2026, 4, 30) << 3 << third;
}

void TestBackup::rotation()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(int, every);
    QFETCH(QStringList, kept);
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("db_instr.db"));
    const QString folder = backup::folderOf(db);
    QVERIFY(QDir().mkpath(folder));
    // Not the rotation's: other names, by hand, before a restore, a broken date, another database's.
    const QStringList foreign = {"db_instr-2025-01-01-120000.db", "db_instr-before-restore-2025-01-01-101010.db",
                                 "db_instr-2025-02-30.db", "db_instr-2025-1-01.db", "other-2025-01-01.db",
                                 "notes.txt", "db_instr-2025-01-01.db.4242.part"};
    for (const QString& f : foreign) {
        QFile file(QDir(folder).filePath(f));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    for (QDate day = from; day <= to; day = day.addDays(every)) {
        if (backup::dailyCopyDue(db, day)) {
            QFile f(QDir(folder).filePath(backup::dailyName(QStringLiteral("db_instr"), day)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QVERIFY(!backup::dailyCopyDue(db, day));
        backup::rotate(folder, QStringLiteral("db_instr"), day);
    }
    QStringList expected = daysNamed(kept) + foreign;
    expected.sort();
    QCOMPARE(filesIn(folder), expected);
}

// The copy at start: once a day, written and checked, named by the day.
void TestBackup::dailyCopyOncePerDay()
{
    QTemporaryDir dir;
    const QString db = writeSample(dir.path());
    backup::Runner& r = backup::Runner::instance();
    QDateTime now(QDate(2026, 5, 31), QTime(8, 0));
    r.clock = [&] { return now; };
    r.setDatabase(db, nullptr);
    QSignalSpy done(&r, &backup::Runner::finished);
    QVERIFY(r.startDaily());
    QVERIFY(done.wait(30000));
    QCOMPARE(done.first().at(0).toBool(), true);
    const QString first = QDir(backup::folderOf(db)).filePath(QStringLiteral("db_instr-2026-05-31.db"));
    QCOMPARE(done.first().at(2).toString(), first);
    QVERIFY(!r.startDaily());   // the day has its copy
    now = now.addDays(1);
    QVERIFY(r.startDaily());
    QVERIFY(done.wait(30000));
    QCOMPARE(filesIn(backup::folderOf(db)), (QStringList{"db_instr-2026-05-31.db", "db_instr-2026-06-01.db"}));
    QVERIFY(consistencyOfFile(first).isEmpty());
    // A file standing alone: its header names the rollback journal, not the source's log.
    const QByteArray head = fileBytes(first).left(20);
    QCOMPARE(int(head.at(18)), 1);
    QCOMPARE(int(head.at(19)), 1);
    r.clock = [] { return QDateTime::currentDateTime(); };
    r.setDatabase(QString(), nullptr);
}

// Another connection commits receipts while the copy is written: between
// the copy's steps (each write sure to fall inside the copy), or from a
// thread of its own as fast as it can.
void TestBackup::copyWhileWriting_data()
{
    QTest::addColumn<bool>("betweenSteps");
    QTest::newRow("writes between the copy's steps") << true;
    QTest::newRow("a writer thread") << false;
}

void TestBackup::copyWhileWriting()
{
    QFETCH(bool, betweenSteps);
    QTemporaryDir dir;
    const QString db = writeSample(dir.path(), 60000);
    Connection writer;
    writer.open(db);
    const int tool = firstDrill(writer);
    const QString toolCount = QStringLiteral("SELECT K_vo_New FROM Sverla WHERE ID=%1").arg(tool);
    const QString rowCount = QStringLiteral("SELECT count(*) FROM Prihod_History WHERE ID_Instr=%1 AND ID_Tabl=1 "
                                            "AND FIO_AdminBD='Писатель'")
                                 .arg(tool);
    const qint64 stock0 = writer.scalar(toolCount);
    std::atomic<int> committed{0};
    std::atomic<bool> stop{false};
    int steps = 0;
    std::thread thread;
    if (!betweenSteps) {
        thread = std::thread([&] {
            Connection c;
            c.open(db);
            while (!stop) {
                if (ops::receive(c, oneNewDrill(tool)).stored())
                    ++committed;
            }
        });
        while (committed < 3)
            QThread::msleep(5);
    }
    const int atStart = committed;
    const backup::CopyOutcome r =
        backup::makeCopy(db, backup::folderOf(db), QDateTime(QDate(2026, 12, 1), QTime(9, 0)), [&](qint64 done, qint64 total) {
            ++steps;
            if (betweenSteps && done < total) {
                QVERIFY(ops::receive(writer, oneNewDrill(tool)).stored());
                ++committed;
            }
        });
    stop = true;
    if (thread.joinable())
        thread.join();
    const int atEnd = committed;
    QVERIFY2(r.ok, qPrintable(r.error));
    QVERIFY2(steps > 2, "the copy is written in several steps");
    QVERIFY(atEnd > atStart);   // writes went on meanwhile
    QCOMPARE(consistencyOfFile(r.path), QStringList());
    // One moment of the writer's: as many receipt rows as pieces added.
    const qint64 rows = scalarOf(r.path, rowCount);
    QCOMPARE(scalarOf(r.path, toolCount) - stock0, rows);
    QVERIFY(rows >= atStart && rows <= atEnd);
    if (betweenSteps)
        QCOMPARE(rows, qint64(0));   // the copy is the database as the copy began
}

// The copier killed after some steps: no file under a copy's name, only
// its temporary file, which a later copy clears once it is old.
void TestBackup::killDuringCopy_data()
{
    QTest::addColumn<int>("afterSteps");
    QTest::newRow("after the first step") << 1;
    QTest::newRow("after the third step") << 3;
}

void TestBackup::killDuringCopy()
{
    QFETCH(int, afterSteps);
    QTemporaryDir dir;
    const QString db = writeSample(dir.path(), 60000);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TOOLDB_BACKUP_CHILD"), db);
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(p.waitForStarted());
    QByteArray out;
    while (out.count("step\n") < afterSteps && p.waitForReadyRead(20000))
        out += p.readAllStandardOutput();
    QCOMPARE(out.count("step\n"), afterSteps);
    ::kill(pid_t(p.processId()), SIGKILL);
    QVERIFY(p.waitForFinished());
    const QString folder = backup::folderOf(db);
    const QStringList left = filesIn(folder);
    for (const QString& f : left)
        QVERIFY2(f.endsWith(QLatin1String(".part")) || f.endsWith(QLatin1String(".part-journal")), qPrintable(f));
    QVERIFY(!left.isEmpty());
    QVERIFY(backup::listCopies(db).isEmpty());
    // An hour later the leftovers go; a copy is written again.
    backup::removeLeftovers(folder, QDateTime::currentDateTime().addSecs(7200));
    QCOMPARE(filesIn(folder), QStringList());
    const backup::CopyOutcome r = backup::makeCopy(db, folder, QDateTime::currentDateTime());
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(filesIn(folder), QStringList{QFileInfo(r.path).fileName()});
}

// Where the copy cannot go, it says why; nothing is left behind.
void TestBackup::copyRefused_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("said");
    QTest::newRow("read-only copies' folder") << "readonly" << "только для чтения";
    QTest::newRow("missing chosen folder") << "missing" << "не найдена";
    QTest::newRow("copies' folder cannot be made") << "cannot-make" << "Не удается создать папку";
    QTest::newRow("a file in the folder's place") << "file" << "не папка";
    QTest::newRow("a server database") << "server" << "pg_dump";
}

void TestBackup::copyRefused()
{
    QFETCH(QString, where);
    QFETCH(QString, said);
    if (::geteuid() == 0 && (where == QLatin1String("readonly") || where == QLatin1String("cannot-make")))
        QSKIP("file permissions do not bind the superuser");
    QTemporaryDir dir;
    const QString db = writeSample(dir.path());
    const QByteArray before = hashOf(db);
    QString folder = backup::folderOf(db);
    QString dbName = db;
    if (where == QLatin1String("readonly")) {
        QVERIFY(QDir().mkpath(folder));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    } else if (where == QLatin1String("missing")) {
        folder = dir.filePath(QStringLiteral("stick/none"));
    } else if (where == QLatin1String("file")) {
        QFile f(folder);
        QVERIFY(f.open(QIODevice::WriteOnly));
    } else if (where == QLatin1String("cannot-make")) {
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    } else {
        dbName = QStringLiteral("postgresql://nobody@localhost/none");
    }
    const backup::CopyOutcome r = backup::makeCopy(dbName, folder, QDateTime::currentDateTime());
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(backup::folderOf(db), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!r.ok);
    QVERIFY2(r.error.contains(said), qPrintable(r.error));
    if (where != QLatin1String("file"))
        QVERIFY(backup::listCopies(db).isEmpty());
    QCOMPARE(hashOf(db), before);
}

// A copy that is no sound database of this program is refused with the
// reason; the database and its folder are as they were.
void TestBackup::damagedCopyRefused_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("said");
    QTest::newRow("empty file") << "empty" << "пуст";
    QTest::newRow("not a database") << "text" << "не является базой данных";
    QTest::newRow("cut in half") << "truncate" << "";   // in the engine's words
    QTest::newRow("pages overwritten") << "garbage" << "поврежден";
    QTest::newRow("another program's database") << "foreign" << "";
    QTest::newRow("missing file") << "missing" << "не найден";
}

void TestBackup::damagedCopyRefused()
{
    QFETCH(QString, damage);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QString db = writeSample(dir.path(), 60000);
    const backup::CopyOutcome made = backup::makeCopy(db, backup::folderOf(db), QDateTime::currentDateTime());
    QVERIFY2(made.ok, qPrintable(made.error));
    const QString copy = made.path;
    {
        QFile f(copy);
        if (damage == QLatin1String("empty")) {
            QVERIFY(f.resize(0));
        } else if (damage == QLatin1String("text")) {
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write("Это не база данных\n");
        } else if (damage == QLatin1String("truncate")) {
            QVERIFY(f.resize(f.size() / 2));
        } else if (damage == QLatin1String("garbage")) {
            QVERIFY(f.open(QIODevice::ReadWrite));
            const qint64 size = f.size();
            for (qint64 at = size / 4; at < size * 3 / 4; at += 4096 * 7) {
                f.seek(at + 100);
                f.write(QByteArray(2000, '\x5a'));
            }
        } else if (damage == QLatin1String("foreign")) {
            QVERIFY(f.remove());
            Connection c;
            c.create(copy);
            c.exec(QStringLiteral("CREATE TABLE notes (t TEXT)"));
            c.close();
        } else if (damage == QLatin1String("missing")) {
            QVERIFY(f.remove());
        }
    }
    const QByteArray before = hashOf(db);
    const QStringList filesBefore = filesIn(dir.path());
    // The first look the restore command takes already sees it.
    QVERIFY(!backup::checkCopy(copy, true).isEmpty());
    const backup::RestoreOutcome r = backup::restoreFromCopy(db, copy, QDateTime::currentDateTime(), nullptr);
    QVERIFY(!r.ok);
    QVERIFY2(r.error.contains(QStringLiteral("не годится")) && r.error.contains(said), qPrintable(r.error));
    QVERIFY(r.error.contains(QStringLiteral("База данных не изменена")));
    QCOMPARE(hashOf(db), before);
    QCOMPARE(filesIn(dir.path()), filesBefore);
    QVERIFY(!filesIn(backup::folderOf(db)).join(' ').contains(QLatin1String("before-restore")));
}

// The file a restore replaces is kept byte for byte (a log a crash left
// beside it written in first); the database then is the copy.
void TestBackup::restoreKeepsReplacedFile_data()
{
    QTest::addColumn<bool>("logBeside");
    QTest::newRow("closed cleanly") << false;
    QTest::newRow("a log left beside it") << true;
}

void TestBackup::restoreKeepsReplacedFile()
{
    QFETCH(bool, logBeside);
    QTemporaryDir dir;
    QString db = writeSample(dir.path());
    const QDateTime now(QDate(2026, 12, 9), QTime(17, 35, 10));
    const backup::CopyOutcome made = backup::makeCopy(db, backup::folderOf(db), now);
    QVERIFY2(made.ok, qPrintable(made.error));
    const QString receipts = QStringLiteral("SELECT count(*) FROM Prihod_History");
    const qint64 inCopy = scalarOf(made.path, receipts);
    {
        Connection c;
        c.open(db);
        QVERIFY(ops::receive(c, oneNewDrill(firstDrill(c))).stored());
        if (logBeside) {
            // The file and its log as a power cut leaves them, in a folder of their own.
            c.exec(QStringLiteral("PRAGMA wal_autocheckpoint=0"));
            QVERIFY(ops::receive(c, oneNewDrill(firstDrill(c))).stored());
            const QString other = dir.filePath(QStringLiteral("crashed"));
            QVERIFY(QDir().mkpath(other + QStringLiteral("/Backup")));
            for (const char* s : {"", "-wal"})
                QVERIFY(QFile::copy(db + QLatin1String(s), other + QStringLiteral("/db_instr.db") + QLatin1String(s)));
            QVERIFY(QFile::copy(made.path, other + QStringLiteral("/Backup/") + QFileInfo(made.path).fileName()));
            db = other + QStringLiteral("/db_instr.db");
        }
    }
    QCOMPARE(QFileInfo(db + QStringLiteral("-wal")).size() > 0, logBeside);
    const qint64 current = inCopy + (logBeside ? 2 : 1);
    const QByteArray before = logBeside ? QByteArray() : hashOf(db);
    const QString copy = QDir(backup::folderOf(db)).filePath(QFileInfo(made.path).fileName());
    const backup::RestoreOutcome r = backup::restoreFromCopy(db, copy, now.addSecs(60), nullptr);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(QFileInfo(r.savedAs).fileName(), QStringLiteral("db_instr-before-restore-2026-12-09-173610.db"));
    if (!logBeside)
        QCOMPARE(hashOf(r.savedAs), before);
    QCOMPARE(scalarOf(r.savedAs, receipts), current);
    QCOMPARE(hashOf(db), hashOf(copy));
    QCOMPARE(scalarOf(db, receipts), inCopy);
    QVERIFY(!QFileInfo::exists(db + QStringLiteral("-wal")));
    QCOMPARE(consistencyOfFile(db), QStringList());
    // The program opens it and writes to it.
    Connection c;
    c.open(db);
    QVERIFY(ops::receive(c, oneNewDrill(firstDrill(c))).stored());
    // The kept file is listed among the copies, to go back to.
    bool listed = false;
    for (const backup::CopyInfo& i : backup::listCopies(db))
        listed = listed || (i.path == r.savedAs && i.tools > 0);
    QVERIFY(listed);
}

// While another copy of the program holds the database, a restore is refused
// (said so) and nothing changes; once it has ended, the restore goes ahead.
void TestBackup::restoreWaitsForOtherCopies()
{
    QTemporaryDir dir;
    const QString db = writeSample(dir.path());
    const backup::CopyOutcome made = backup::makeCopy(db, backup::folderOf(db), QDateTime::currentDateTime());
    QVERIFY2(made.ok, qPrintable(made.error));
    backup::RunningLock mine(db), other(db);
    QVERIFY(mine.hold(0));
    QVERIFY(other.hold(0));
    const QByteArray before = hashOf(db);
    backup::RestoreOutcome r = backup::restoreFromCopy(db, made.path, QDateTime::currentDateTime(), &mine);
    QVERIFY(!r.ok);
    QVERIFY2(r.error.contains(QStringLiteral("открыта другой копией программы")), qPrintable(r.error));
    QCOMPARE(hashOf(db), before);
    QVERIFY(mine.held());
    // A copy starting while the restore holds the file waits, then starts.
    other.release();
    QVERIFY(mine.takeAlone());
    backup::RunningLock starting(db);
    QVERIFY(!starting.hold(100));
    mine.share();
    QVERIFY(starting.hold(0));
    starting.release();
    r = backup::restoreFromCopy(db, made.path, QDateTime::currentDateTime(), &mine);
    QVERIFY2(r.ok, qPrintable(r.error));
    QVERIFY(mine.held());
    QVERIFY(other.hold(0));   // shared again afterwards
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet("TOOLDB_BACKUP_CHILD")) {
        QCoreApplication app(argc, argv);
        return childMain(qEnvironmentVariable("TOOLDB_BACKUP_CHILD"));
    }
    QApplication app(argc, argv);
    TestBackup t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_backup.moc"
