// The sample database: the stock and reference rules hold for every row it
// writes, the data module opens it, and its pictures can be shown.
#include "Connection.h"
#include "DM_Unit.h"
#include "DbError.h"
#include "FaultInjection.h"
#include "RecordSet.h"
#include "Picture.h"
#include "SampleData.h"
#include "TestSupport.h"
#include "ToolChecks.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include "Query.h"
#include <sys/types.h>

Q_DECLARE_METATYPE(ToolKind)

namespace {

struct Kind { int code; const char* table; };
const Kind kKinds[] = {{1, "Sverla"}, {2, "Plastinyi"}, {3, "Frezy"}, {4, "Derj_Plast"}};

// True when (ID_Tabl, ID_Instr) of alias a names an existing tool of its kind.
QString toolExists(const QString& a)
{
    QStringList parts;
    for (const Kind& k : kKinds)
        parts << QStringLiteral("(%1.ID_Tabl = %2 AND %1.ID_Instr IN (SELECT ID FROM %3))").arg(a).arg(k.code).arg(k.table);
    return QLatin1Char('(') + parts.join(QStringLiteral(" OR ")) + QLatin1Char(')');
}

SampleOptions smallOptions()
{
    SampleOptions o;
    o.tools = 42;      // not a multiple of four
    o.debts = 30;
    o.closed = 80;
    o.receipts = 150;
    o.writeoffs = 40;
    return o;
}

} // namespace

class TestSample : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void rowsAndAccounts();
    void stockCounters();
    void references();
    void closedIssues();
    void datesAndStamps();
    void refusesBadRequests_data();
    void refusesBadRequests();
    void plantedLinkNotFollowed_data();
    void plantedLinkNotFollowed();
    void interruptedRunLeavesNoDatabase_data();
    void interruptedRunLeavesNoDatabase();
    void benchReportsErrors_data();
    void benchReportsErrors();
    void dataModuleOpens();
    void everyToolPassesItsEditor_data();
    void everyToolPassesItsEditor();
    void pictures();
    void seedDecidesContent();

private:
    int q(const QString& sql) { return int(m_c.scalar(sql)); }

    QTemporaryDir m_dir;   // the pictures
    TempDb m_db, m_many;   // a file each, or databases of the test server
    QString m_path, m_manyPath;
    SampleOptions m_o = smallOptions();
    Connection m_c;
};

void TestSample::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_path = sampleTarget(m_db, QStringLiteral("sample.db"));
    m_o.imagesFolder = m_dir.path();
    writeSampleDatabase(m_path, m_o);
    m_c.open(m_path);
}

void TestSample::rowsAndAccounts()
{
    QCOMPARE(q("SELECT (SELECT count(*) FROM Sverla) + (SELECT count(*) FROM Plastinyi) + "
               "(SELECT count(*) FROM Frezy) + (SELECT count(*) FROM Derj_Plast)"),
             m_o.tools);
    for (const Kind& k : kKinds) {
        const int n = q(QStringLiteral("SELECT count(*) FROM %1").arg(k.table));
        QVERIFY2(n == m_o.tools / 4 || n == m_o.tools / 4 + 1, k.table);
    }
    QCOMPARE(q("SELECT count(*) FROM Dolgi"), m_o.debts);
    QCOMPARE(q("SELECT count(*) FROM Dolgi_History"), m_o.closed);
    QCOMPARE(q("SELECT count(*) FROM Prihod_History"), m_o.receipts);
    QCOMPARE(q("SELECT count(*) FROM Spisanie_History"), m_o.writeoffs);
    QVERIFY(q("SELECT count(*) FROM Firma") >= 15);
    QVERIFY(q("SELECT count(*) FROM People") >= 30);
    // Full names of three words, none twice.
    QCOMPARE(q("SELECT count(*) FROM People WHERE length(FIO) - length(replace(FIO, ' ', '')) <> 2"), 0);
    QCOMPARE(q("SELECT count(*) - count(DISTINCT FIO) FROM People"), 0);
    // The administrator alone is the default account, with the password asked for.
    QCOMPARE(q("SELECT count(*) FROM Pasw_TBL"), 3);
    QCOMPARE(q("SELECT count(*) FROM Pasw_TBL WHERE \"Default\" = 1 AND Login = 'Администратор' AND Pasword = '123'"), 1);
    QCOMPARE(q("SELECT count(*) FROM Pasw_TBL WHERE \"Default\" = 1"), 1);
}

void TestSample::stockCounters()
{
    int zeroStock = 0;
    for (const Kind& k : kKinds) {
        const QString t = QString::fromLatin1(k.table);
        QCOMPARE(q(QStringLiteral("SELECT count(*) FROM %1 WHERE K_vo_New IS NULL OR K_vo_BU IS NULL OR K_vo_Dolg IS NULL "
                                  "OR K_vo_New < 0 OR K_vo_BU < 0 OR K_vo_Dolg < 0 OR K_vo_Vozvrat IS NULL OR K_vo_Vozvrat <> 0").arg(t)),
                 0);
        // Pieces out in work are exactly the open issues of the tool.
        QCOMPARE(q(QStringLiteral("SELECT count(*) FROM %1 T WHERE T.K_vo_Dolg <> (SELECT COALESCE(SUM(D.K_vo), 0) "
                                  "FROM Dolgi D WHERE D.ID_Tabl = %2 AND D.ID_Instr = T.ID)")
                       .arg(t)
                       .arg(k.code)),
                 0);
        zeroStock += q(QStringLiteral("SELECT count(*) FROM %1 WHERE K_vo_New = 0 AND K_vo_BU = 0").arg(t));
    }
    QVERIFY(q("SELECT SUM(K_vo_Dolg) FROM Sverla") > 0);
    QVERIFY(zeroStock > 0);
    QCOMPARE(q("SELECT count(*) FROM Dolgi WHERE K_vo IS NULL OR K_vo < 1"), 0);
}

void TestSample::references()
{
    for (const char* h : {"Dolgi", "Dolgi_History", "Prihod_History", "Spisanie_History"})
        QCOMPARE(q(QStringLiteral("SELECT count(*) FROM %1 H WHERE NOT %2").arg(h, toolExists("H"))), 0);
    for (const char* h : {"Dolgi", "Dolgi_History"})
        QCOMPARE(q(QStringLiteral("SELECT count(*) FROM %1 WHERE ID_People NOT IN (SELECT ID FROM People)").arg(h)), 0);
    for (const Kind& k : kKinds)
        QCOMPARE(q(QStringLiteral("SELECT count(*) FROM %1 WHERE ID_Firma NOT IN (SELECT ID FROM Firma)").arg(k.table)), 0);
    // Issue numbers: none missing, none given twice across open and closed issues.
    QCOMPARE(q("SELECT count(*) - count(DISTINCT N) + count(*) - count(N) FROM "
               "(SELECT Nomer_Zap AS N FROM Dolgi UNION ALL SELECT Nomer_Zap FROM Dolgi_History) AS numbers"),
             0);
}

void TestSample::closedIssues()
{
    QCOMPARE(q("SELECT count(*) FROM Dolgi_History WHERE Date_Fin < Date_Start"), 0);
    QCOMPARE(q("SELECT count(*) FROM Dolgi_History WHERE K_vo_Instr_Bral < 1 "
               "OR K_vo_Instr_Vernul_New < 0 OR K_vo_Instr_Vernul_BU < 0 "
               "OR K_vo_Instr_Vernul_New + K_vo_Instr_Vernul_BU <> K_vo_Instr_Bral"),
             0);
    QCOMPARE(q("SELECT count(*) FROM Dolgi_History WHERE ID_Del_Type IS NULL OR ID_Del_Type <> CASE "
               "WHEN K_vo_Instr_Vernul_New > 0 AND K_vo_Instr_Vernul_BU > 0 THEN 4 "
               "WHEN K_vo_Instr_Vernul_New > 0 THEN 2 WHEN K_vo_Instr_Vernul_BU > 0 THEN 3 ELSE 1 END"),
             0);
    // Pieces taken from the used stock never come back new.
    QCOMPARE(q("SELECT count(*) FROM Dolgi_History WHERE Instr_BU = 1 AND K_vo_Instr_Vernul_New <> 0"), 0);
    QVERIFY(q("SELECT count(*) FROM Dolgi_History WHERE Instr_BU = 1") > 0);
    QCOMPARE(q("SELECT count(DISTINCT ID_Del_Type) FROM Dolgi_History"), 3);
    QCOMPARE(q("SELECT count(*) FROM Dolgi_History WHERE FIO_AdminBD_Add IS NULL OR FIO_AdminBD_DEL IS NULL "
               "OR FIO_AdminBD_Add NOT IN (SELECT Login FROM Pasw_TBL)"),
             0);
}

void TestSample::datesAndStamps()
{
    // Every date a day at 00:00, in the past six years, none in the future.
    const QList<QPair<QString, QString>> dates = {{"Dolgi", "\"Date\""},
                                                  {"Dolgi_History", "Date_Start"},
                                                  {"Dolgi_History", "Date_Fin"},
                                                  {"Prihod_History", "\"Date\""},
                                                  {"Spisanie_History", "\"Date\""}};
    const QDateTime now = QDateTime::currentDateTime();
    for (const auto& d : dates) {
        Query r(m_c, QStringLiteral("SELECT %1 FROM %2").arg(d.second, d.first));
        while (r.next()) {
            const QDateTime at = r.dateTime(0);
            QVERIFY2(at.isValid() && at.time() == QTime(0, 0) && at <= now && at >= now.addYears(-6),
                     qPrintable(d.first + ": " + at.toString(Qt::ISODate)));
        }
    }
    for (const char* h : {"Prihod_History", "Spisanie_History"}) {
        QCOMPARE(q(QStringLiteral("SELECT count(*) FROM %1 WHERE K_vo IS NULL OR K_vo < 1 OR Instr_is_BU NOT IN (0, 1) "
                                  "OR FIO_AdminBD NOT IN (SELECT Login FROM Pasw_TBL)")
                       .arg(h)),
                 0);
        QCOMPARE(q(QStringLiteral("SELECT count(DISTINCT Instr_is_BU) FROM %1").arg(h)), 2);
    }
    QCOMPARE(q("SELECT count(*) FROM Dolgi WHERE Instr_is_BU NOT IN (0, 1) OR FIO_AdminBD IS NULL"), 0);
}

void TestSample::refusesBadRequests_data()
{
    QTest::addColumn<QString>("change");   // what differs from the small options
    for (const char* c : {"existing file", "no tools but movements", "negative receipts", "tools beyond the maximum",
                          "debts beyond the maximum", "receipts beyond the maximum", "empty password",
                          "missing folder"})
        QTest::newRow(c) << QString::fromLatin1(c);
}

void TestSample::refusesBadRequests()
{
    if (m_db.onServer())
        QSKIP("the writer's own files: the same on either engine");
    QFETCH(QString, change);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("db_instr.db"));
    SampleOptions o = smallOptions();
    if (change == "existing file") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a database");
    } else if (change == "no tools but movements") {
        o.tools = 0;
    } else if (change == "negative receipts") {
        o.receipts = -1;
    } else if (change == "tools beyond the maximum") {
        o.tools = 2000000000;
    } else if (change == "debts beyond the maximum") {
        o.debts = MaxSampleDebts + 1;
    } else if (change == "receipts beyond the maximum") {
        o.receipts = MaxSampleHistoryRows + 1;
    } else if (change == "empty password") {
        o.password.clear();
    } else if (change == "missing folder") {
        path = dir.filePath(QStringLiteral("none/db_instr.db"));
    }
    QVERIFY_THROWS_EXCEPTION(DbError, writeSampleDatabase(path, o));
    // Nothing written, nothing left behind; an existing file untouched.
    if (change == "existing file") {
        QCOMPARE(fileBytes(path), QByteArray("not a database"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"db_instr.db"});
    } else {
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
}

// A link put in place of the writer's temporary file, as it is opened, is
// neither followed nor removed: its target stays as it was, and the database
// is written under another temporary name.
void TestSample::plantedLinkNotFollowed_data()
{
    QTest::addColumn<QByteArray>("target");   // the linked file's content; "-" none
    QTest::newRow("an empty file") << QByteArray();
    QTest::newRow("a file with content") << QByteArray("чужой файл");
    QTest::newRow("no file yet") << QByteArray("-");
}

void TestSample::plantedLinkNotFollowed()
{
    if (m_db.onServer())
        QSKIP("the writer's own files: the same on either engine");
    QFETCH(QByteArray, target);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db_instr.db"));
    QTemporaryDir other;
    const QString victim = other.filePath(QStringLiteral("victim"));
    if (target != "-") {
        QFile f(victim);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(target);
    }
    QString planted;
    FaultInjection::install();
    FaultInjection::beforeOpen([&](const QString& opened) {
        const QString name = QFileInfo(opened).fileName();
        if (!planted.isEmpty() || !name.startsWith(QStringLiteral(".db_instr.db.")))
            return;
        planted = dir.filePath(name);
        QFile::remove(planted);
        QFile::link(victim, planted);
    });
    QString error;
    try {
        writeSampleDatabase(path, smallOptions());
    } catch (const DbError& e) {
        error = e.message();
    }
    FaultInjection::beforeOpen({});
    QVERIFY(!planted.isEmpty());
    if (target == "-")
        QVERIFY(!QFileInfo::exists(victim));
    else
        QCOMPARE(fileBytes(victim), target);
    QCOMPARE(QFileInfo(planted).symLinkTarget(), victim);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(!QFileInfo(path).isSymLink());
    Connection c;
    c.open(path);
    QCOMPARE(c.scalar("SELECT count(*) FROM Dolgi"), qint64(smallOptions().debts));
    c.close();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
             (QStringList{planted.section('/', -1), "db_instr.db"}));
}

// The writer interrupted half-way leaves no database under the name given:
// caught signals remove the temporary file; SIGKILL leaves only that hidden
// file. A file put under the temporary name meanwhile is not the writer's
// and stays.
void TestSample::interruptedRunLeavesNoDatabase_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("SIGTERM") << int(SIGTERM) << false;
    QTest::newRow("SIGINT") << int(SIGINT) << false;
    QTest::newRow("SIGKILL") << int(SIGKILL) << false;
    QTest::newRow("SIGTERM, the temporary name taken by another file") << int(SIGTERM) << true;
}

void TestSample::interruptedRunLeavesNoDatabase()
{
    if (m_db.onServer())
        QSKIP("the writer's own files: the same on either engine");
    QFETCH(int, signal);
    QFETCH(bool, replaced);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db_instr.db"));
    QProcess writer;
    writer.start(QStringLiteral(TOOLDB_SAMPLE_EXE), {path, "--tools", "400000", "--receipts", "5000000"});
    QVERIFY(writer.waitForStarted());
    // Until its temporary file is there (the schema written) and filling.
    QElapsedTimer t;
    t.start();
    QStringList seen;
    qint64 seenAt = -1;
    while (t.elapsed() < 20000) {
        seen = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        if (!seen.isEmpty() && seenAt < 0)
            seenAt = t.elapsed();
        if (seenAt >= 0 && t.elapsed() - seenAt > 300)
            break;
        QTest::qWait(20);
    }
    QVERIFY2(!seen.isEmpty() && seen.first().startsWith(".db_instr.db."), qPrintable(seen.join(' ')));
    QCOMPARE(writer.state(), QProcess::Running);
    if (replaced) {
        QFile other(dir.filePath("other"));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write("чужой файл");
        other.close();
        QVERIFY(std::rename(QFile::encodeName(other.fileName()).constData(),
                            QFile::encodeName(dir.filePath(seen.first())).constData()) == 0);
    }
    ::kill(pid_t(writer.processId()), signal);
    QVERIFY(writer.waitForFinished(10000));
    QVERIFY(!QFileInfo::exists(path));
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    if (replaced) {
        QCOMPARE(left, QStringList{seen.first()});
        QCOMPARE(fileBytes(dir.filePath(seen.first())), QByteArray("чужой файл"));
    } else if (signal == SIGKILL)
        QVERIFY(left.size() <= 1);
    else
        QCOMPARE(left, QStringList());
}

// The benchmark ends with a non-zero status and the reason on an error, and
// never changes a database it did not write.
void TestSample::benchReportsErrors_data()
{
    QTest::addColumn<QStringList>("args");   // "@" stands for the temporary folder
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");       // on standard error
    QTest::newRow("no runs") << QStringList{"--runs", "0"} << 2 << "--runs";
    QTest::newRow("runs not a number") << QStringList{"--runs", "x"} << 2 << "--runs";
    QTest::newRow("a text file") << QStringList{"--db", "@/text.db", "--runs", "1"} << 1 << "not a database";
    QTest::newRow("a missing folder") << QStringList{"--db", "@/none/db_instr.db", "--runs", "1"} << 1
                                      << "cannot write";
    QTest::newRow("an existing database, measured on a copy")
        << QStringList{"--db", "@/db_instr.db", "--runs", "1"} << 0 << "";
}

void TestSample::benchReportsErrors()
{
    if (m_db.onServer())
        QSKIP("the writer's own files: the same on either engine");
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, says);
    QTemporaryDir dir;
    QFile text(dir.filePath("text.db"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("hello\n");
    text.close();
    const QString db = dir.filePath("db_instr.db");
    writeSampleDatabase(db, smallOptions());
    const QByteArray before = fileBytes(db);
    for (QString& a : args)
        a.replace("@", dir.path());
    QProcess bench;
    bench.start(QStringLiteral(TOOLDB_BENCH_EXE), args);
    QVERIFY(bench.waitForFinished(120000));
    const QString err = QString::fromUtf8(bench.readAllStandardError());
    QVERIFY2(bench.exitStatus() == QProcess::NormalExit && bench.exitCode() == status,
             qPrintable(QString("exit %1: %2").arg(bench.exitCode()).arg(err)));
    QVERIFY2(err.contains(says), qPrintable(err));
    QCOMPARE(fileBytes(db), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"db_instr.db", "text.db"}));
}

void TestSample::dataModuleOpens()
{
    TDM dm(m_path);
    QCOMPARE(dm.dtSet_Sverla.recordCount(), int(q("SELECT count(*) FROM Sverla")));
    QVERIFY(dm.dtSet_Frezy.recordCount() > 0);
    QVERIFY(dm.dtSet_Derj_PL.recordCount() > 0);
    QVERIFY(dm.dtSet_Plastiny.recordCount() > 0);
    // Every open debt is listed: its tool, operator and kind all exist.
    QCOMPARE(dm.dtset_DolgiSQL.recordCount(), m_o.debts);
    dm.tbl_Max_Namb_Of_Dolgi.open();
    QCOMPARE(dm.tbl_Max_Namb_Of_Dolgi.fieldByName(QStringLiteral("Expr1000")).asInteger(), m_o.debts + m_o.closed);
    dm.stpr_SQL_Dolgi_History.open();
    QCOMPARE(dm.stpr_SQL_Dolgi_History.recordCount(), m_o.closed);
}

// Every tool written is one its editor accepts as it stands (so that a note,
// say, can be changed on it): the editor's own checks on the texts it shows
// for the row, over a thousand tools of each kind.
void TestSample::everyToolPassesItsEditor_data()
{
    QTest::addColumn<ToolKind>("kind");
    for (ToolKind k : allToolKinds())
        QTest::newRow(toolKind(k).table) << k;
}

void TestSample::everyToolPassesItsEditor()
{
    QFETCH(ToolKind, kind);
    QString& path = m_manyPath;
    if (path.isEmpty()) {
        path = sampleTarget(m_many, QStringLiteral("many.db"));
        SampleOptions o;
        o.tools = 4000;
        o.debts = o.closed = o.receipts = o.writeoffs = 0;
        writeSampleDatabase(path, o);
    }
    TDM dm(path);
    RecordSet& cat = catalogueOf(dm, kind);
    QCOMPARE(cat.recordCount(), 1000);
    QStringList refused;
    for (int pos = 0; pos < cat.recordCount(); ++pos) {
        const toolchecks::Texts texts = toolchecks::rowTexts(kind, cat, pos);
        const toolchecks::Refusal r = toolchecks::firstRefusal(kind, texts);
        if (!r.message.isEmpty() && refused.size() < 5) {
            QStringList shown;
            for (auto it = texts.begin(); it != texts.end(); ++it)
                shown << it.key() + '=' + it.value();
            shown.sort();
            refused << r.message + " [" + shown.join(' ') + ']';
        }
    }
    QVERIFY2(refused.isEmpty(), qPrintable(refused.join('\n')));
}

void TestSample::pictures()
{
    const QDir images(m_dir.filePath(QStringLiteral("Images")));
    const QStringList tools = QDir(images.filePath("Instrument")).entryList({"*.jpg"}, QDir::Files);
    const QStringList photos = QDir(images.filePath("FotoPeoples")).entryList({"*.jpg"}, QDir::Files);
    QVERIFY(tools.size() >= 8);
    QVERIFY(photos.size() >= 4);
    QStringList files;
    for (const QString& t : tools)
        files << images.filePath("Instrument/" + t);
    for (const QString& p : photos)
        files << images.filePath("FotoPeoples/" + p);
    files << images.filePath("NoFoto/null_img_1.jpg");
    for (const QString& file : files) {
        QString error;
        const QImage img = decodePicture(file, QSize(), &error);
        QVERIFY2(!img.isNull(), qPrintable(file + ": " + error));
        QVERIFY(img.width() >= 100 && img.height() >= 100);
    }

    // Rows name pictures that exist, none, or one that is gone.
    int named = 0, empty = 0, missing = 0;
    auto classify = [&](const QString& sql, const QString& folder) {
        Query r(m_c, sql);
        while (r.next()) {
            const QString name = r.text(0);
            if (name.isEmpty())
                ++empty;
            else if (QFile::exists(images.filePath(folder + name)))
                ++named;
            else
                ++missing;
        }
    };
    classify("SELECT Pikcher FROM Sverla UNION ALL SELECT Pikcher FROM Frezy UNION ALL SELECT Pikcher FROM Derj_Plast "
             "UNION ALL SELECT pikcher FROM Plastinyi",
             "Instrument/");
    QVERIFY(named > 0 && empty > 0);
    const int toolMissing = missing;
    classify("SELECT Foto FROM People", "FotoPeoples/");
    QVERIFY(named > 0 && empty > 0 && missing > toolMissing);
    QVERIFY(toolMissing > 0);
    if (m_db.onServer())
        return;   // the rest writes files of its own

    // A placeholder already there is kept; without a folder no row names a picture.
    QTemporaryDir other;
    QVERIFY(QDir(other.path()).mkpath("Images/NoFoto"));
    const QString ph = other.filePath("Images/NoFoto/null_img_1.jpg");
    QVERIFY(QFile::copy(images.filePath("Instrument/" + tools.first()), ph));
    auto contents = [](const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray before = contents(ph);
    QVERIFY(!before.isEmpty());
    SampleOptions o = smallOptions();
    o.imagesFolder = other.path();
    writeSampleDatabase(other.filePath("a.db"), o);
    QCOMPARE(contents(ph), before);

    writeSampleDatabase(other.filePath("b.db"), smallOptions());
    Connection c;
    c.open(other.filePath("b.db"));
    QCOMPARE(c.scalar("SELECT count(*) FROM Sverla WHERE Pikcher <> ''"), 0LL);
    QCOMPARE(c.scalar("SELECT count(*) FROM People WHERE Foto <> ''"), 0LL);
}

void TestSample::seedDecidesContent()
{
    if (m_db.onServer())
        QSKIP("the writer's own files: the same on either engine");
    QTemporaryDir dir;
    auto fingerprint = [&](quint32 seed, const QString& name) {
        SampleOptions o = smallOptions();
        o.seed = seed;
        const QString path = dir.filePath(name);
        writeSampleDatabase(path, o);
        Connection c;
        c.open(path);
        return QStringList{QString::number(c.scalar("SELECT SUM(length(Kod) * ID) FROM Sverla")),
                           QString::number(c.scalar("SELECT SUM(K_vo * ID_Instr) FROM Prihod_History")),
                           QString::number(c.scalar("SELECT SUM(ID_People * Nomer_Zap) FROM Dolgi"))}
            .join(QLatin1Char('/'));
    };
    const QString a = fingerprint(7, "a.db");
    QCOMPARE(fingerprint(7, "b.db"), a);
    QVERIFY(fingerprint(8, "c.db") != a);
}

QTEST_MAIN(TestSample)
#include "tst_sample.moc"
