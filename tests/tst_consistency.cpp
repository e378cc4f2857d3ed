// The consistency check: each broken rule of the stock is reported as exactly
// its line, sound databases (the sample writer's too) pass, and the file is
// never written, whatever state it is found in.
#include "Connection.h"
#include "Consistency.h"
#include "CopyDatabase.h"
#include "DbError.h"
#include "SampleData.h"
#include "Schema.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <sqlite3.h>

namespace {

// One firm and operator; one tool of each kind with 5 new, 2 used and 3 in
// work, each owing one debt of 3; a closed debt, a receipt and a write-off.
void fillSound(Connection& c)
{
    insertRow(c, "Firma", {{"Name", "Sandvik"}});
    insertRow(c, "People", {{"FIO", "Иванов"}});
    const struct {
        const char* table;
        const char* codeColumn;
        const char* code;
        const char* newColumn;
    } tools[] = {{"Sverla", "Kod", "С-1", "K_vo_New"},
                 {"Plastinyi", "Kod", "П-1", "K_vo_new"},
                 {"Frezy", "Kod", "Ф-1", "K_vo_NEW"},
                 {"Derj_Plast", "KOD", "Д-1", "K_vo_NEW"}};
    for (int k = 0; k < 4; ++k) {
        insertRow(c, tools[k].table,
                  {{tools[k].codeColumn, QString::fromUtf8(tools[k].code)},
                   {tools[k].newColumn, 5},
                   {"K_vo_BU", 2},
                   {"K_vo_Dolg", 3},
                   {"K_vo_Vozvrat", 0},
                   {"ID_Firma", 1}});
        insertRow(c, "Dolgi",
                  {{"Nomer_Zap", k + 1}, {"ID_Instr", 1}, {"ID_Tabl", k + 1}, {"ID_People", 1},
                   {"Date", QDateTime(QDate(2026, 3, 1), QTime(0, 0))}, {"K_vo", 3}, {"Instr_is_BU", false},
                   {"FIO_AdminBD", "Администратор"}});
    }
    insertRow(c, "Dolgi_History",
              {{"Nomer_Zap", 10}, {"ID_Instr", 1}, {"ID_Tabl", 1}, {"ID_People", 1}, {"K_vo_Instr_Bral", 4},
               {"Instr_BU", false}, {"K_vo_Instr_Vernul_New", 1}, {"K_vo_Instr_Vernul_BU", 3}, {"ID_Del_Type", 4}});
    insertRow(c, "Prihod_History", {{"ID_Instr", 1}, {"ID_Tabl", 1}, {"K_vo", 5}, {"Instr_is_BU", false}});
    insertRow(c, "Spisanie_History", {{"ID_Instr", 1}, {"ID_Tabl", 2}, {"K_vo", 1}, {"Instr_is_BU", true}});
}

QStringList filesIn(const QString& folder) { return QDir(folder).entryList(QDir::Files, QDir::Name); }

QStringList sorted(QStringList l)
{
    l.sort();
    return l;
}

void runSql(const QString& path, const QString& sql)
{
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    const QString msg = QString::fromUtf8(err ? err : "");
    sqlite3_free(err);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(msg));
}

} // namespace

class TestConsistency : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SKIP_WITHOUT_TEST_SERVER(); }
    void brokenRule_data();
    void brokenRule();
    void damagedPageStopsOnlyItsTable();
    void sampleDatabasesPass();
    void copiedWhole_data();
    void copiedWhole();
    void neverWrites_data();
    void neverWrites();
    void refusedFiles_data();
    void refusedFiles();
    void program_data();
    void program();
};

void TestConsistency::brokenRule_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("expected");
    const QString drill = QStringLiteral("Сверла, код \"С-1\" (ID 1)");
    const QString insert = QStringLiteral("Пластины, код \"П-1\" (ID 1)");
    const QString cutter = QStringLiteral("Фрезы, код \"Ф-1\" (ID 1)");
    const QString holder = QStringLiteral("Державки пластин, код \"Д-1\" (ID 1)");
    const QString closed = QStringLiteral("Закрытый долг № 10 (ID 1), ") + drill;

    QTest::newRow("sound") << QString() << QStringList();
    QTest::newRow("written off on closing counts as given back")
        << "UPDATE Dolgi_History SET K_vo_Instr_Vernul_BU = 2, K_vo_Instr_Spisano = 1" << QStringList();
    // Counters of every kind.
    QTest::newRow("drill new below 0") << "UPDATE Sverla SET K_vo_New = -1"
                                       << QStringList{drill + ": \"К-во новый\" меньше нуля: -1"};
    QTest::newRow("insert new not whole") << "UPDATE Plastinyi SET K_vo_new = 'пять'"
                                          << QStringList{insert + ": \"К-во новый\" не целое число: пять"};
    QTest::newRow("cutter used below 0, in work below 0 and unlike its debts")
        << "UPDATE Frezy SET K_vo_BU = -2, K_vo_DOLG = -3"
        << QStringList{cutter + ": \"К-во БУ\" меньше нуля: -2", cutter + ": \"К-во долг\" меньше нуля: -3",
                       cutter + ": \"К-во долг\" -3, а в открытых долгах 3"};
    QTest::newRow("holder returned count below 0 and used a fraction")
        << "UPDATE Derj_Plast SET K_vo_Vozvrat = -1, K_vo_BU = 1.5"
        << QStringList{holder + ": \"К-во БУ\" не целое число: 1,5", holder + ": \"К-во возврат\" меньше нуля: -1"};
    // In work against the open debts, every kind.
    QTest::newRow("drill in work above its debts") << "UPDATE Sverla SET K_vo_Dolg = 4"
                                                   << QStringList{drill + ": \"К-во долг\" 4, а в открытых долгах 3"};
    QTest::newRow("insert debt gone") << "DELETE FROM Dolgi WHERE ID_Tabl = 2"
                                      << QStringList{insert + ": \"К-во долг\" 3, а в открытых долгах 0"};
    QTest::newRow("cutter debt smaller") << "UPDATE Dolgi SET K_vo = 1 WHERE ID_Tabl = 3"
                                         << QStringList{cutter + ": \"К-во долг\" 3, а в открытых долгах 1"};
    QTest::newRow("holder in work empty") << "UPDATE Derj_Plast SET K_vo_Dolg = NULL"
                                          << QStringList{holder + ": \"К-во долг\" пусто, а в открытых долгах 3"};
    QTest::newRow("second debt of the same drill") << "INSERT INTO Dolgi (Nomer_Zap, ID_Instr, ID_Tabl, ID_People, K_vo) "
                                                      "VALUES (5, 1, 1, 1, 2)"
                                                   << QStringList{drill + ": \"К-во долг\" 3, а в открытых долгах 5"};
    // Firms of tools.
    QTest::newRow("holder names a missing firm") << "UPDATE Derj_Plast SET ID_Firma = 9"
                                                 << QStringList{holder + ": фирмы с ID 9 нет"};
    QTest::newRow("drill names no firm") << "UPDATE Sverla SET ID_Firma = NULL"
                                         << QStringList{drill + ": фирма не указана"};
    QTest::newRow("firm deleted under every kind")
        << "DELETE FROM Firma"
        << QStringList{drill + ": фирмы с ID 1 нет", insert + ": фирмы с ID 1 нет", cutter + ": фирмы с ID 1 нет",
                       holder + ": фирмы с ID 1 нет"};
    // Debts.
    QTest::newRow("debt names a missing operator")
        << "UPDATE Dolgi SET ID_People = 5 WHERE ID = 2"
        << QStringList{"Долг № 2 (ID 2), " + insert + ": оператора с ID 5 нет"};
    QTest::newRow("tool deleted under its debt") << "DELETE FROM Frezy"
                                                 << QStringList{"Долг № 3 (ID 3): инструмента вида \"Фрезы\" с ID 1 нет"};
    QTest::newRow("debt of an unknown kind")
        << "UPDATE Dolgi SET ID_Tabl = 7 WHERE ID = 4"
        << QStringList{holder + ": \"К-во долг\" 3, а в открытых долгах 0",
                       "Долг № 4 (ID 4): вида инструмента с кодом 7 нет (ID_Instr 1)"};
    QTest::newRow("debt below 0") << "UPDATE Dolgi SET K_vo = -3 WHERE ID = 1"
                                  << QStringList{drill + ": \"К-во долг\" 3, а в открытых долгах -3",
                                                 "Долг № 1 (ID 1), " + drill + ": количество меньше нуля: -3"};
    // Closed debts.
    QTest::newRow("closed debt gave back less than taken")
        << "UPDATE Dolgi_History SET K_vo_Instr_Vernul_BU = 2"
        << QStringList{closed + ": взято 4, а возвращено новых 1, БУ 2, списано 0"};
    QTest::newRow("closed with nothing back (code 1) is sound")
        << "UPDATE Dolgi_History SET K_vo_Instr_Vernul_New = 0, K_vo_Instr_Vernul_BU = 0, ID_Del_Type = 1"
        << QStringList{};
    QTest::newRow("nothing back but closed as a return")
        << "UPDATE Dolgi_History SET K_vo_Instr_Vernul_New = 0, K_vo_Instr_Vernul_BU = 0"
        << QStringList{closed + ": взято 4, а возвращено новых 0, БУ 0, списано 0",
                       closed + ": код закрытия 4, а по возвращенному должен быть 1"};
    QTest::newRow("closing code unlike what came back")
        << "UPDATE Dolgi_History SET ID_Del_Type = 2"
        << QStringList{closed + ": код закрытия 2, а по возвращенному должен быть 4"};
    QTest::newRow("closed debt below 0 is not summed")
        << "UPDATE Dolgi_History SET K_vo_Instr_Vernul_New = -1"
        << QStringList{closed + ": возвращено новых меньше нуля: -1"};
    QTest::newRow("operator deleted under debts and closed debts")
        << "DELETE FROM People"
        << QStringList{"Долг № 1 (ID 1), " + drill + ": оператора с ID 1 нет",
                       "Долг № 2 (ID 2), " + insert + ": оператора с ID 1 нет",
                       "Долг № 3 (ID 3), " + cutter + ": оператора с ID 1 нет",
                       "Долг № 4 (ID 4), " + holder + ": оператора с ID 1 нет", closed + ": оператора с ID 1 нет"};
    // Receipts, write-offs and kinds.
    QTest::newRow("receipt of a missing tool") << "UPDATE Prihod_History SET ID_Instr = 8"
                                               << QStringList{"Приход (ID 1): инструмента вида \"Сверла\" с ID 8 нет"};
    QTest::newRow("write-off below 0") << "UPDATE Spisanie_History SET K_vo = -1"
                                       << QStringList{"Списание (ID 1), " + insert + ": количество меньше нуля: -1"};
    QTest::newRow("minimum of a tool deleted elsewhere")
        << "INSERT INTO Min_Ostatok (ID_Tabl, ID_Instr, K_vo_Min) VALUES (3, 1, 5), (1, 6, 2); DELETE FROM Sverla WHERE ID = 6"
        << QStringList{"Минимальный остаток (ID 2): инструмента вида \"Сверла\" с ID 6 нет"};
    QTest::newRow("kind missing from List_Tabl")
        << "DELETE FROM List_Tabl WHERE ID = 3"
        << QStringList{"Вида \"Фрезы\" (код 3) нет в таблице List_Tabl: его долги и история не показываются"};
    // The engine's own check: an index that no longer matches its rows.
    QTest::newRow("damaged index")
        << "PRAGMA writable_schema = ON; UPDATE sqlite_master SET sql = "
           "'CREATE INDEX IX_Spisanie_History_Instr ON Spisanie_History (ID_Instr, ID_Tabl)' "
           "WHERE name = 'IX_Spisanie_History_Instr'"
        << QStringList{"Файл базы данных поврежден: row 1 missing from index IX_Spisanie_History_Instr"};
}

void TestConsistency::brokenRule()
{
    QFETCH(QString, sql);
    QFETCH(QStringList, expected);
    TempDb db;
    // What only a file can hold: a text or a fraction in a column of whole
    // numbers (a server's typed column refuses or rounds it), its own pages.
    const QStringList fileOnly{"insert new not whole", "holder returned count below 0 and used a fraction",
                               "damaged index"};
    if (db.onServer() && fileOnly.contains(QString::fromUtf8(QTest::currentDataTag())))
        QSKIP("a file's own kind of damage");
    {
        Connection c;
        c.open(db.path());
        fillSound(c);
        if (!sql.isEmpty())
            c.exec(sql);
        // The program's own connection sees the same, inside its transaction too.
        if (!sql.startsWith(QLatin1String("PRAGMA"))) {
            QCOMPARE(consistencyFindings(c), expected);
            Transaction tr(c);
            QCOMPARE(consistencyFindings(c, false), expected);
        }
    }
    QCOMPARE(consistencyOfFile(db.path()), expected);
}

// A page of drills overwritten with garbage: the engine's own check says so,
// the drills cannot be judged, and every other table still is.
void TestConsistency::damagedPageStopsOnlyItsTable()
{
    TempDb db;
    if (db.onServer())
        QSKIP("a file's damage: a server's pages are the server's");
    {
        Connection c;
        c.open(db.path());
        fillSound(c);
        c.exec(QStringLiteral("UPDATE Plastinyi SET K_vo_BU = -1"));
    }
    runSql(db.path(), QStringLiteral("PRAGMA journal_mode = DELETE"));
    sqlite3* h = nullptr;
    sqlite3_open(db.path().toUtf8().constData(), &h);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, "SELECT rootpage FROM sqlite_master WHERE name = 'Sverla'", -1, &st, nullptr);
    sqlite3_step(st);
    const int page = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    sqlite3_close(h);
    QFile f(db.path());
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.seek(qint64(page - 1) * 4096));
    f.write(QByteArray(4096, char(0xff)));
    f.close();

    const QStringList found = consistencyOfFile(db.path());
    QVERIFY2(found.first().startsWith(QStringLiteral("Файл базы данных поврежден: ")), qPrintable(found.join('\n')));
    QVERIFY2(found.contains(QStringLiteral("Проверка таблицы Sverla прервана: Файл базы данных \"%1\" повреждён: "
                                          "database disk image is malformed")
                                .arg(QDir::toNativeSeparators(db.path()))),
             qPrintable(found.join('\n')));
    QVERIFY(found.contains(QStringLiteral("Пластины, код \"П-1\" (ID 1): \"К-во БУ\" меньше нуля: -1")));
    for (const QString& line : found)
        QVERIFY2(!line.contains(QLatin1Char('\n')), qPrintable(line));   // one line each
}

void TestConsistency::sampleDatabasesPass()
{
    QTemporaryDir dir;
    for (quint32 seed : {1u, 7u, 2026u}) {
        SampleOptions o;
        o.seed = seed;
        o.tools = seed == 1 ? 400 : 80;
        QString path = dir.filePath(QStringLiteral("s%1.db").arg(seed));
        const QString server = testServer();
        QString schema;
        if (!server.isEmpty()) {
            // On the server: an empty database (a schema of its own), filled
            // by the sample writer through a copy of its file.
            schema = QStringLiteral("sample_%1_%2").arg(QCoreApplication::applicationPid()).arg(seed);
            Connection admin;
            admin.open(server, false);
            admin.exec(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE; CREATE SCHEMA %1").arg(schema));
            path = server + QStringLiteral("&options=-csearch_path%3D") + schema;
        }
        writeSampleDatabase(path, o);
        QCOMPARE(consistencyOfFile(path), QStringList());
        if (!server.isEmpty()) {
            Connection c;
            c.open(path);
            QCOMPARE(c.scalar("SELECT COUNT(*) FROM Sverla") + c.scalar("SELECT COUNT(*) FROM Frezy")
                         + c.scalar("SELECT COUNT(*) FROM Derj_Plast") + c.scalar("SELECT COUNT(*) FROM Plastinyi"),
                     qint64(o.tools));
            c.close();
            Connection admin;
            admin.open(server, false);
            admin.exec(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(schema));
        }
    }
}

void TestConsistency::copiedWhole_data()
{
    QTest::addColumn<QString>("destination");   // "file", "server" (an empty database of the test server)
    QTest::newRow("to a new file") << "file";
    QTest::newRow("to an empty server database") << "server";
    QTest::newRow("to the server and back to a file") << "server and back";
}

// A storeroom copied whole (tooldb-copy): every row of every table with its
// keys, the copy's check clean; a destination holding data is refused and
// left as it was.
void TestConsistency::copiedWhole()
{
    QFETCH(QString, destination);
    QTemporaryDir dir;
    SampleOptions o;
    o.tools = 80;
    const QString source = dir.filePath("source.db");
    writeSampleDatabase(source, o);
    {
        // Text that a stream of rows must keep apart from its separators.
        Connection c;
        c.open(source);
        insertRow(c, "Firma", {{"Name", "Tab\there, back\\slash\nnew\rline 'q' \"dq\" \\N"}});
    }
    QString target = dir.filePath("copy.db");
    QString dropName;
    const QString server = qEnvironmentVariable("TOOLDB_TEST_PG");
    if (destination != "file") {
        if (server.isEmpty())
            QSKIP("no test server (TOOLDB_TEST_PG): run the suite through tools/with-postgres.sh");
        Connection admin;
        admin.open(server, false);
        dropName = QStringLiteral("copy_%1").arg(QCoreApplication::applicationPid());
        admin.exec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(dropName));
        admin.exec(QStringLiteral("CREATE DATABASE %1").arg(dropName));
        target = QString(server).replace(QStringLiteral("/tooldb_test?"), QStringLiteral("/%1?").arg(dropName));
    }
    const CopyOutcome r = copyDatabase(source, target);
    QVERIFY2(r.ok, qPrintable(r.error));
    QVERIFY(r.lines.last().contains("нарушений нет"));
    if (destination == "server and back") {
        const QString back = dir.filePath("back.db");
        const CopyOutcome home = copyDatabase(target, back);
        QVERIFY2(home.ok, qPrintable(home.error));
        Connection a, b;
        a.open(source);
        b.open(back);
        QCOMPARE(wholeFileText(b), wholeFileText(a));
    }
    {
        Connection a, b;
        a.open(source);
        b.open(target);
        for (const TableShape& t : schemaTables()) {
            const QString sql = QStringLiteral("SELECT COUNT(*), COALESCE(SUM(ID), 0) FROM %1").arg(t.name);
            QCOMPARE(rowsText(b, sql), rowsText(a, sql));
        }
        // New rows continue the keys.
        QVERIFY(insertRow(b, "Firma", {{"Name", "Новая"}}) > a.scalar("SELECT MAX(ID) FROM Firma"));
    }
    // Copied again onto what now holds data: refused, nothing changed.
    const CopyOutcome again = copyDatabase(source, target);
    QVERIFY(!again.ok);
    QVERIFY(!again.error.isEmpty());
    if (!dropName.isEmpty()) {
        Connection admin;
        admin.open(server, false);
        admin.exec(QStringLiteral("DROP DATABASE %1").arg(dropName));
    }
}

void TestConsistency::neverWrites_data()
{
    QTest::addColumn<QString>("state");
    QTest::newRow("closed, no log beside") << "closed";
    QTest::newRow("read-only file") << "readonly";
    QTest::newRow("rollback journal mode") << "journal";
    QTest::newRow("program running, log holds commits") << "running";
    QTest::newRow("left by a crashed program: log and its index") << "crashed";
    QTest::newRow("copied with its log but not the index") << "copied";
}

void TestConsistency::neverWrites()
{
    QFETCH(QString, state);
    TempDb db;
    if (db.onServer() && state != QLatin1String("closed") && state != QLatin1String("running"))
        QSKIP("a file's own states: its permissions, journal and logs");
    QString path = db.path();
    {
        Connection c;
        c.open(path);
        fillSound(c);
    }
    if (state == QLatin1String("journal"))
        runSql(path, QStringLiteral("PRAGMA journal_mode = DELETE"));
    if (state == QLatin1String("readonly"))
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));

    const QString committed = QStringLiteral("Сверла, код \"С-1\" (ID 1): \"К-во новый\" меньше нуля: -4");
    const bool withLog = state == QLatin1String("running") || state == QLatin1String("crashed")
        || state == QLatin1String("copied");
    Connection running;
    if (withLog) {
        running.open(path);
        running.exec(QStringLiteral("UPDATE Sverla SET K_vo_New = -4"));   // committed, in the log only
        running.beginTrans();
        running.exec(QStringLiteral("UPDATE Frezy SET K_vo_BU = -5"));     // not committed: not seen
    }
    if (state == QLatin1String("crashed") || state == QLatin1String("copied")) {
        // The files as a program killed now leaves them.
        const QString copy = db.folder() + QStringLiteral("/copy.db");
        QVERIFY(QFile::copy(path, copy));
        QVERIFY(QFile::copy(path + QStringLiteral("-wal"), copy + QStringLiteral("-wal")));
        if (state == QLatin1String("crashed"))
            QVERIFY(QFile::copy(path + QStringLiteral("-shm"), copy + QStringLiteral("-shm")));
        running.rollbackTrans();
        path = copy;
    }
    const QStringList before = filesIn(db.folder());
    QHash<QString, QByteArray> bytes;
    for (const QString& f : before)
        bytes.insert(f, fileBytes(db.folder() + QLatin1Char('/') + f));

    const QStringList found = consistencyOfFile(path);
    QCOMPARE(found, withLog ? QStringList{committed} : QStringList());
    if (running.inTransaction())
        running.rollbackTrans();
    if (state == QLatin1String("copied"))   // a log is read with an index; a new one is made
        QCOMPARE(filesIn(db.folder()), sorted(before + QStringList{QStringLiteral("copy.db-shm")}));
    else if (state != QLatin1String("running"))
        QCOMPARE(filesIn(db.folder()), before);   // no log files left behind
    // Not one byte of the file or its log changed (the log's index is the
    // readers' shared memory: a reader marks its place there).
    for (auto it = bytes.begin(); it != bytes.end(); ++it)
        if (!it.key().endsWith(QLatin1String("-shm")))
            QVERIFY2(fileBytes(db.folder() + QLatin1Char('/') + it.key()) == it.value(), qPrintable(it.key()));
    if (state == QLatin1String("journal"))
        QCOMPARE(int(bytes.value(QStringLiteral("db_instr.db")).at(18)), 1);   // still a rollback-journal database
    if (!db.onServer())
        QFile::setPermissions(db.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void TestConsistency::refusedFiles_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "missing" << "Файл базы данных \"%1\" не найден.";
    QTest::newRow("folder") << "folder" << "Файл базы данных \"%1\" не найден.";
    QTest::newRow("not a database") << "junk" << "Файл \"%1\" не является базой данных программы: file is not a database";
    QTest::newRow("another program's database") << "foreign" << "В базе данных \"%1\" нет таблицы \"Sverla\".";
}

void TestConsistency::refusedFiles()
{
    QFETCH(QString, what);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(what);
    if (what == QLatin1String("folder"))
        QDir(dir.path()).mkdir(what);
    if (what == QLatin1String("junk")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    if (what == QLatin1String("foreign"))
        runSql(path, QStringLiteral("CREATE TABLE Other (ID INTEGER)"));
    const QByteArray bytes = fileBytes(path);
    try {
        consistencyOfFile(path);
        QFAIL("the file was accepted");
    } catch (const DbError& e) {
        QCOMPARE(e.message(), message.arg(path));
    }
    QCOMPARE(fileBytes(path), bytes);
}

void TestConsistency::program_data()
{
    QTest::addColumn<QString>("sql");   // "-": no database at all
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::newRow("sound") << QString() << 0 << QString();
    QTest::newRow("broken") << "UPDATE Sverla SET K_vo_Dolg = 0; UPDATE Dolgi SET ID_People = 2 WHERE ID = 3" << 1
                            << QStringLiteral("Сверла, код \"С-1\" (ID 1): \"К-во долг\" 0, а в открытых долгах 3\n"
                                              "Долг № 3 (ID 3), Фрезы, код \"Ф-1\" (ID 1): оператора с ID 2 нет\n");
    QTest::newRow("missing") << "-" << 2 << QString();
}

void TestConsistency::program()
{
    QFETCH(QString, sql);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    TempDb db;
    QString path = db.path();
    {
        Connection c;
        c.open(path);
        fillSound(c);
        if (!sql.isEmpty() && sql != QLatin1String("-"))
            c.exec(sql);
    }
    if (sql == QLatin1String("-"))
        path = db.folder() + QStringLiteral("/нет.db");
    QProcess p;
    p.start(QStringLiteral(TOOLDB_CHECK), {path});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), exitCode);
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), out);
    QVERIFY(!p.readAllStandardError().isEmpty());   // the summary or the reason
}

QTEST_GUILESS_MAIN(TestConsistency)
#include "tst_consistency.moc"
