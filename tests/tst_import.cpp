// Moving in from the old program: every table, row and value of the old
// Access file compared with what mdbtools' own mdb-export reads from it, the
// awkward rows real files carry, the report's lines, the old file left as it
// was, an interrupted import leaving nothing, pictures found whatever their
// letter case, and the offer at the program's first start.
#include "Connection.h"
#include "Consistency.h"
#include "Dialogs.h"
#include "Engine.h"
#include "Import.h"
#include "OldDatabase.h"
#include "Program.h"
#include "ProgramFolder.h"
#include "Query.h"
#include "Schema.h"
#include "ScriptedUser.h"
#include "TestSupport.h"
#include "frm_Import_Unit.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QProcess>
#include <QtTest>

#include <cmath>
#include <csignal>
#include <optional>

namespace {

const QString Fixture = QStringLiteral(TOOLDB_TEST_DATA "/db_instr.mdb");

// One table as mdb-export prints it: the header, and each row's fields
// (nullopt for a field printed without quotes and empty: NULL, or an empty text).
struct Csv {
    QStringList header;
    QList<QList<std::optional<QString>>> rows;
    QList<QList<bool>> quoted;
};

Csv parseCsv(const QString& s)
{
    Csv out;
    QList<std::optional<QString>> row;
    QList<bool> quoted;
    int i = 0;
    const int n = int(s.size());
    bool first = true;
    while (i < n) {
        QString field;
        bool q = false;
        if (s[i] == QLatin1Char('"')) {
            q = true;
            ++i;
            while (i < n) {
                if (s[i] == QLatin1Char('"')) {
                    if (i + 1 < n && s[i + 1] == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += s[i++];
            }
        } else {
            while (i < n && s[i] != QLatin1Char(',') && s[i] != QLatin1Char('\n'))
                field += s[i++];
        }
        row << (q || !field.isEmpty() ? std::optional<QString>(field) : std::nullopt);
        quoted << q;
        if (i >= n || s[i] == QLatin1Char('\n')) {
            if (first) {
                for (const auto& f : row)
                    out.header << f.value_or(QString());
                first = false;
            } else {
                out.rows << row;
                out.quoted << quoted;
            }
            row.clear();
            quoted.clear();
        }
        ++i;
    }
    return out;
}

Csv mdbExport(const QString& file, const QString& table)
{
    QProcess p;
    p.start(QStringLiteral("mdb-export"), {QStringLiteral("-T"), QStringLiteral("%Y-%m-%d %H:%M:%S"), file, table});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    return parseCsv(QString::fromUtf8(p.readAllStandardOutput()));
}

QByteArray sha(const QString& path) { return QCryptographicHash::hash(fileBytes(path), QCryptographicHash::Sha256); }

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// A copy of the fixture with names changed in place (UTF-16 as Jet 4 stores
// table and column names), `which` the occurrence (-1: every one).
QString patchedCopy(const QString& folder, const QString& from, const QString& to, int which)
{
    QByteArray bytes = fileBytes(Fixture);
    const QByteArray f(reinterpret_cast<const char*>(from.utf16()), from.size() * 2);
    const QByteArray t(reinterpret_cast<const char*>(to.utf16()), to.size() * 2);
    int at = -1, k = 0;
    while ((at = int(bytes.indexOf(f, at + 1))) >= 0) {
        if (which < 0 || which == k)
            bytes.replace(at, t.size(), t);
        ++k;
    }
    const QString path = QDir(folder).filePath(QStringLiteral("db_instr.mdb"));
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(bytes);
    return path;
}

void putFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_old;            // the fixture copied into the folder
    QString m_db;             // the database imported from it
    QByteArray m_oldSha;
    QDateTime m_oldTime;
    ImportOutcome m_outcome;

private slots:
    void initTestCase()
    {
        QVERIFY(QFileInfo(Fixture).isFile());
        m_old = QDir(m_dir.path()).filePath(QStringLiteral("db_instr.mdb"));
        QVERIFY(QFile::copy(Fixture, m_old));
        m_oldSha = sha(m_old);
        m_oldTime = QFileInfo(m_old).lastModified();
        m_db = QDir(m_dir.path()).filePath(QStringLiteral("db_instr.db"));
        m_outcome = importOldDatabase(m_old, m_db);
        QVERIFY2(m_outcome.ok, qPrintable(m_outcome.error));
        QVERIFY(QFileInfo(m_db).isFile());
    }

    // Every table, row and value as mdb-export reads it from the same file.
    void everyValue_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("rows");
        const std::pair<const char*, int> tables[] = {
            {"Firma", 10},         {"People", 10},          {"Sverla", 118},          {"Frezy", 120},
            {"Derj_Plast", 61},    {"Plastinyi", 120},      {"Dolgi", 45},            {"Dolgi_History", 120},
            {"Prihod_History", 360}, {"Spisanie_History", 120}, {"Pasw_TBL", 3},      {"List_Tabl", 3},
            {"Support", 1}};
        for (const auto& [t, n] : tables)
            QTest::newRow(t) << QString::fromLatin1(t) << n;
    }
    void everyValue()
    {
        QFETCH(QString, table);
        QFETCH(int, rows);
        const Csv csv = mdbExport(Fixture, table);
        QVERIFY2(!csv.header.isEmpty(), "mdb-export (package mdbtools) read nothing");
        QCOMPARE(csv.rows.size(), rows);
        const TableShape* shape = findTable(table);
        QVERIFY(shape);

        Connection c;
        c.openReadOnly(m_db);
        QHash<qint64, int> exported;   // ID -> row of the export
        const int idCol = int(csv.header.indexOf(QStringLiteral("ID")));
        QVERIFY(idCol >= 0);
        for (int r = 0; r < csv.rows.size(); ++r)
            exported.insert(csv.rows[r][idCol]->toLongLong(), r);
        QCOMPARE(queryInt(c, QStringLiteral("SELECT count(*) FROM %1").arg(c.dialect().quoted(table))), qint64(rows));

        for (int h = 0; h < csv.header.size(); ++h) {
            const ColumnShape* col = nullptr;
            for (const ColumnShape& cs : shape->columns)
                if (cs.name.compare(csv.header[h], Qt::CaseInsensitive) == 0)
                    col = &cs;
            QVERIFY2(col, qPrintable(csv.header[h]));
            Query q(c, QStringLiteral("SELECT ID, %1 FROM %2 ORDER BY ID")
                           .arg(c.dialect().quoted(col->name), c.dialect().quoted(table)));
            int seen = 0;
            while (q.next()) {
                ++seen;
                const qint64 id = q.int64(0);
                QVERIFY2(exported.contains(id), qPrintable(QStringLiteral("ID %1 not in the old file").arg(id)));
                const std::optional<QString>& want = csv.rows[exported[id]][h];
                const QString where = QStringLiteral("%1 ID %2 %3").arg(table).arg(id).arg(col->name);
                if (!want) {
                    // NULL, or an empty text (mdb-export prints both alike).
                    QVERIFY2(q.isNull(1) || ((col->type == FieldType::Text || col->type == FieldType::Memo)
                                             && q.text(1).isEmpty()),
                             qPrintable(where));
                    continue;
                }
                QVERIFY2(!q.isNull(1), qPrintable(where + QStringLiteral(" is NULL")));
                QString got;
                switch (col->type) {
                case FieldType::Integer:
                case FieldType::Boolean: got = QString::number(q.int64(1)); break;
                case FieldType::Float: got = QString::asprintf("%.16g", q.real(1)); break;
                case FieldType::DateTime: got = q.dateTime(1).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); break;
                case FieldType::Text:
                case FieldType::Memo: got = q.text(1); break;
                }
                QVERIFY2(got == *want, qPrintable(QStringLiteral("%1: %2, old file %3").arg(where, got, *want)));
            }
            QCOMPARE(seen, rows);
        }
    }

    // The awkward rows, value by value, as they must come out.
    void awkwardValues_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("expected");   // invalid: NULL
        const QVariant null;
        QTest::newRow("blanks around a code kept") << "Sverla" << 6 << "Kod" << QVariant(QStringLiteral("  SD105A-5,2 "));
        QTest::newRow("Cyrillic code") << "Sverla" << 7 << "Kod" << QVariant(QStringLiteral("СВ-6"));
        QTest::newRow("CRLF in a drill's note") << "Sverla" << 1 << "Prim"
                                                << QVariant(QStringLiteral("Р6М5\r\nзаточка 118°"));
        QTest::newRow("CRLF in an operator's note") << "People" << 3 << "Prim"
                                                    << QVariant(QStringLiteral("участок ЧПУ\r\nсмена 2"));
        QTest::newRow("double as stored") << "Sverla" << 17 << "Diam_Sverla" << QVariant(8.199999999999999);
        QTest::newRow("cutter's count never filled in") << "Frezy" << 3 << "K_vo_NEW" << null;
        QTest::newRow("cutter's used count never filled in") << "Frezy" << 3 << "K_vo_BU" << null;
        QTest::newRow("empty neck length") << "Frezy" << 1 << "L_Sheiki" << null;
        QTest::newRow("debt without a date") << "Dolgi" << 5 << "Date" << null;
        QTest::newRow("time of day kept") << "Dolgi" << 3 << "Date"
                                          << QVariant(QDateTime(QDate(2024, 10, 10), QTime(13, 45)));
        QTest::newRow("midnight date") << "Dolgi" << 1 << "Date" << QVariant(QDateTime(QDate(2025, 6, 21), QTime(0, 0)));
        QTest::newRow("boolean true") << "Pasw_TBL" << 2 << "Default" << QVariant(true);
        QTest::newRow("boolean false") << "Pasw_TBL" << 1 << "Default" << QVariant(false);
        QTest::newRow("debt from the used stock") << "Dolgi" << 7 << "Instr_is_BU" << QVariant(true);
        QTest::newRow("firm that is gone, kept") << "Sverla" << 4 << "ID_Firma" << QVariant(99);
        QTest::newRow("operator that is gone, kept") << "Dolgi" << 2 << "ID_People" << QVariant(77);
        QTest::newRow("written-off count never filled in") << "Dolgi_History" << 1 << "K_vo_Instr_Spisano" << null;
        QTest::newRow("password text") << "Pasw_TBL" << 2 << "Pasword" << QVariant(QStringLiteral("пароль"));
    }
    void awkwardValues()
    {
        QFETCH(QString, table);
        QFETCH(int, id);
        QFETCH(QString, column);
        QFETCH(QVariant, expected);
        Connection c;
        c.openReadOnly(m_db);
        Query q(c, QStringLiteral("SELECT %1 FROM %2 WHERE ID = ?").arg(c.dialect().quoted(column), table));
        q.bindInt(0, id);
        QVERIFY(q.next());
        if (!expected.isValid()) {
            QVERIFY(q.isNull(0));
            return;
        }
        QVERIFY(!q.isNull(0));
        switch (expected.typeId()) {
        case QMetaType::QString: QCOMPARE(q.text(0), expected.toString()); break;
        case QMetaType::Double: QCOMPARE(q.real(0), expected.toDouble()); break;   // bit for bit
        case QMetaType::Bool: QCOMPARE(q.int64(0), qint64(expected.toBool() ? 1 : 0)); break;
        case QMetaType::Int: QCOMPARE(q.int64(0), qint64(expected.toInt())); break;
        case QMetaType::QDateTime:
            QCOMPARE(q.dateTime(0).toString(Qt::ISODate), expected.toDateTime().toString(Qt::ISODate));
            break;
        default: QFAIL("unexpected type");
        }
    }

    void deletedIdsStayGone()
    {
        Connection c;
        c.openReadOnly(m_db);
        QCOMPARE(queryInt(c, QStringLiteral("SELECT count(*) FROM Sverla WHERE ID IN (8, 9)")), qint64(0));
        QCOMPARE(queryInt(c, QStringLiteral("SELECT max(ID) FROM Sverla")), qint64(120));
        // A new row's key continues after the highest one kept.
        QTemporaryDir dir;
        const QString copy = QDir(dir.path()).filePath(QStringLiteral("copy.db"));
        QVERIFY(QFile::copy(m_db, copy));
        Connection w;
        w.open(copy);
        QCOMPARE(insertRow(w, QStringLiteral("Sverla"), {{QStringLiteral("Kod"), QStringLiteral("новое")}}), qint64(121));
    }

    // Dates from the stored double: days since 30.12.1899, the fraction the
    // time of day after that day's midnight whatever the sign.
    void dates_data()
    {
        QTest::addColumn<double>("stored");
        QTest::addColumn<QString>("expected");   // empty: not a date
        QTest::newRow("day zero") << 0.0 << "1899-12-30 00:00:00";
        QTest::newRow("noon of day one") << 1.5 << "1899-12-31 12:00:00";
        QTest::newRow("before 1900, time after midnight") << -1.25 << "1899-12-29 06:00:00";
        QTest::newRow("before day zero, same day") << -0.5 << "1899-12-30 12:00:00";
        QTest::newRow("18th century") << -60000.75 << "1735-09-21 18:00:00";
        QTest::newRow("first Access day") << -657434.0 << "0100-01-01 00:00:00";
        QTest::newRow("last second of 9999") << 2958465.999988426 << "9999-12-31 23:59:59";
        QTest::newRow("13:45") << 45575.572916666664 << "2024-10-10 13:45:00";
        QTest::newRow("a hair before midnight rounds up") << 36526.999999999 << "2000-01-02 00:00:00";
        QTest::newRow("after 9999") << 2958466.0 << "";
        QTest::newRow("before 100") << -657435.0 << "";
        QTest::newRow("not a number") << std::nan("") << "";
    }
    void dates()
    {
        QFETCH(double, stored);
        QFETCH(QString, expected);
        const QDateTime dt = oldDateTime(stored);
        QCOMPARE(dt.isValid() ? dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString(), expected);
        if (!dt.isValid())
            return;
        // And the database keeps it so.
        TempDb db;
        Connection c;
        c.open(db.path());
        Query w(c, QStringLiteral("INSERT INTO Dolgi (ID, Date) VALUES (1, ?)"));
        w.bindDateTime(0, dt);
        w.exec();
        Query r(c, QStringLiteral("SELECT Date FROM Dolgi WHERE ID = 1"));
        QVERIFY(r.next());
        QCOMPARE(r.dateTime(0).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), expected);
    }

    // The report: what came in per table and what the check finds.
    void reportLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("drills") << "  Sverla: 118 строк";
        QTest::newRow("holders, one") << "  Derj_Plast: 61 строка";
        QTest::newRow("accounts, few") << "  Pasw_TBL: 3 строки";
        QTest::newRow("support") << "  Support: 1 строка";
        QTest::newRow("kind 4 missing, not invented")
            << "В List_Tabl нет строки для вида 4 (Державки пластин): строка не добавлена.";
        QTest::newRow("check heading") << "Проверка перенесенной базы (как tooldb-check):";
        QTest::newRow("firm gone") << "  Сверла, код \"SD103A-11,8\" (ID 4): фирмы с ID 99 нет";
        QTest::newRow("operator gone") << "  Долг № 2 (ID 2), Сверла, код \"SD180A-12,4\" (ID 81): оператора с ID 77 нет";
        QTest::newRow("kind without a name")
            << "  Вида \"Державки пластин\" (код 4) нет в таблице List_Tabl: его долги и история не показываются";
    }
    void reportLines()
    {
        QFETCH(QString, line);
        QVERIFY2(m_outcome.lines.contains(line), qPrintable(m_outcome.lines.join(QLatin1Char('\n'))));
    }

    // The findings are tooldb-check's own on the result, and nothing else is said of rows.
    void findingsAreTheCheck()
    {
        QCOMPARE(m_outcome.findings, consistencyOfFile(m_db));
        QVERIFY(!m_outcome.findings.isEmpty());
        Connection c;
        c.openReadOnly(m_db);
        QCOMPARE(queryInt(c, QStringLiteral("SELECT count(*) FROM List_Tabl WHERE ID = 4")), qint64(0));
        QCOMPARE(queryInt(c, QStringLiteral("SELECT count(*) FROM Pasw_TBL WHERE Login = 'Кладовщик Смена 1'")),
                 qint64(1));
    }

    void oldFileUnchanged()
    {
        QCOMPARE(sha(m_old), m_oldSha);
        QCOMPARE(QFileInfo(m_old).lastModified(), m_oldTime);
        // Nothing beside it but what the import was asked to write.
        QCOMPARE(filesIn(m_dir.path()), QStringList({QStringLiteral("db_instr.db"), QStringLiteral("db_instr.mdb")}));
    }

    // Names changed in a copy of the file: tables and columns are found
    // whatever their letter case; a missing one is created empty or left
    // empty, an extra one named.
    void renamed_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("which");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("sql");       // a count on the result
        QTest::addColumn<int>("count");
        QTest::newRow("table in upper case") << "Support" << "SUPPORT" << -1 << QStringList{"  Support: 1 строка"}
                                             << "SELECT count(*) FROM Support" << 1;
        QTest::newRow("table in odd case") << "Sverla" << "sVERLA" << -1 << QStringList{"  Sverla: 118 строк"}
                                           << "SELECT count(*) FROM Sverla" << 118;
        QTest::newRow("missing table, extra table")
            << "Support" << "Xupport" << -1
            << QStringList{"  Support: таблицы нет, создана пустая",
                           "Не перенесены таблицы, которые программе не нужны: Xupport.",
                           "В таблице Support нет ни одной строки: строка не добавлена."}
            << "SELECT count(*) FROM Support" << 0;
        QTest::newRow("column in upper case") << "Korob" << "KOROB" << 0 << QStringList{"  Sverla: 118 строк"}
                                              << "SELECT count(*) FROM Sverla WHERE Korob = 'К-0' AND ID = 1" << 1;
        QTest::newRow("missing column, extra column")
            << "Korob" << "Xorob" << 0
            << QStringList{"В таблице \"Sverla\" старой базы нет поля \"Korob\": оно оставлено пустым.",
                           "Поле \"Xorob\" таблицы \"Sverla\" не перенесено (программе оно не нужно)."}
            << "SELECT count(*) FROM Sverla WHERE Korob IS NULL" << 118;
    }
    void renamed()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, which);
        QFETCH(QStringList, lines);
        QFETCH(QString, sql);
        QFETCH(int, count);
        QTemporaryDir dir;
        const QString old = patchedCopy(dir.path(), from, to, which);
        const QString db = QDir(dir.path()).filePath(QStringLiteral("db_instr.db"));
        const ImportOutcome r = importOldDatabase(old, db);
        QVERIFY2(r.ok, qPrintable(r.error));
        for (const QString& l : lines)
            QVERIFY2(r.lines.contains(l), qPrintable(l + QStringLiteral("\n---\n") + r.lines.join(QLatin1Char('\n'))));
        Connection c;
        c.openReadOnly(db);
        QCOMPARE(queryInt(c, sql), qint64(count));
    }

    // Stopped at any point, or refused, the import leaves nothing behind.
    void leavesNothing_data()
    {
        QTest::addColumn<int>("stopAt");      // progress call that says stop (-1: none)
        QTest::addColumn<bool>("destExists");
        QTest::addColumn<bool>("oldBroken");
        QTest::newRow("stopped at once") << 1 << false << false;
        QTest::newRow("stopped halfway") << 3 << false << false;
        QTest::newRow("stopped after the last row") << 1000 << false << false;
        QTest::newRow("destination exists") << -1 << true << false;
        QTest::newRow("old file not an Access file") << -1 << false << true;
    }
    void leavesNothing()
    {
        QFETCH(int, stopAt);
        QFETCH(bool, destExists);
        QFETCH(bool, oldBroken);
        QTemporaryDir dir;
        const QString old = QDir(dir.path()).filePath(QStringLiteral("db_instr.mdb"));
        if (oldBroken)
            putFile(old, QByteArray(8192, 'x'));
        else
            QVERIFY(QFile::copy(Fixture, old));
        const QString db = QDir(dir.path()).filePath(QStringLiteral("db_instr.db"));
        if (destExists)
            putFile(db, "mine");
        const QStringList before = filesIn(dir.path());
        ImportOptions o;
        int calls = 0;
        bool stopped = false;
        o.progress = [&](qint64 done, qint64 total) {
            ++calls;
            if (calls == stopAt || (stopAt == 1000 && done == total)) {
                stopped = true;
                return false;
            }
            return true;
        };
        const ImportOutcome r = importOldDatabase(old, db, o);
        QVERIFY(!r.ok);
        QVERIFY(!r.error.isEmpty());
        QCOMPARE(r.stopped, stopped);
        QCOMPARE(filesIn(dir.path()), before);
        if (destExists)
            QCOMPARE(fileBytes(db), QByteArray("mine"));
    }

    // Onto an empty server database: the same rows and values as in the file.
    void toServer()
    {
        const QString server = qEnvironmentVariable("TOOLDB_TEST_PG");
        if (server.isEmpty())
            QSKIP("no test server (TOOLDB_TEST_PG): run the suite through tools/with-postgres.sh");
        const QString name = QStringLiteral("import_%1").arg(QCoreApplication::applicationPid());
        {
            Connection admin;
            admin.open(server, false);
            admin.exec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name));
            admin.exec(QStringLiteral("CREATE DATABASE %1").arg(name));
        }
        const QString target = QString(server).replace(QStringLiteral("/tooldb_test?"), QStringLiteral("/%1?").arg(name));
        const ImportOutcome r = importOldDatabase(m_old, target);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.findings, m_outcome.findings);
        {
            Connection a, b;
            a.openReadOnly(m_db);
            b.open(target);
            for (const QString& t : oldTableNames()) {
                const QString sql = QStringLiteral("SELECT COUNT(*), COALESCE(SUM(ID), 0) FROM %1").arg(t);
                QCOMPARE(rowsText(b, sql), rowsText(a, sql));
            }
            QCOMPARE(rowsText(b, QStringLiteral("SELECT Kod, Prim FROM Sverla WHERE ID IN (1, 6, 7) ORDER BY ID")),
                     rowsText(a, QStringLiteral("SELECT Kod, Prim FROM Sverla WHERE ID IN (1, 6, 7) ORDER BY ID")));
            Query q(b, QStringLiteral("SELECT Date FROM Dolgi WHERE ID = 3"));
            QVERIFY(q.next());
            QCOMPARE(q.dateTime(0).time(), QTime(13, 45));
        }
        Connection admin;
        admin.open(server, false);
        admin.exec(QStringLiteral("DROP DATABASE %1").arg(name));
    }

    // tooldb-import killed while it writes leaves nothing behind.
    void commandKilled()
    {
        QTemporaryDir dir;
        const QString old = QDir(dir.path()).filePath(QStringLiteral("db_instr.mdb"));
        QVERIFY(QFile::copy(Fixture, old));
        QProcess p;
        p.start(QStringLiteral(TOOLDB_IMPORT_EXE), {old, QDir(dir.path()).filePath(QStringLiteral("db_instr.db"))});
        QVERIFY(p.waitForStarted());
        // As soon as the hidden file is there.
        QElapsedTimer t;
        t.start();
        bool caught = false;
        while (t.elapsed() < 20000 && p.state() == QProcess::Running) {
            if (filesIn(dir.path()).size() > 1) {
                ::kill(pid_t(p.processId()), SIGTERM);
                caught = true;
                break;
            }
        }
        p.waitForFinished(20000);
        if (!caught)
            QSKIP("the import ended before it could be interrupted");
        QCOMPARE(p.exitStatus(), QProcess::CrashExit);
        QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("db_instr.mdb")});
    }

    // Pictures: each file a row names, found whatever its case, is copied
    // under the stored name; names without a file are listed; a different
    // file already in the program's folder is kept.
    void pictures_data()
    {
        QTest::addColumn<QString>("folder");     // Instrument, FotoPeoples, NoFoto
        QTest::addColumn<QString>("stored");     // the name the row stores (the file in the new folder)
        QTest::addColumn<QString>("onDisk");     // the old file's own name ("" none)
        QTest::addColumn<QString>("outcome");    // copied, missing, kept
        QTest::addColumn<QString>("reportLine");
        QTest::newRow("same case") << "Instrument" << "sv_4.jpg" << "sv_4.jpg" << "copied" << "";
        QTest::newRow("upper-case file") << "Instrument" << "sv_0.jpg" << "SV_0.JPG" << "copied" << "";
        QTest::newRow("mixed-case folder file") << "FotoPeoples" << "foto_1.jpg" << "Foto_1.Jpg" << "copied" << "";
        QTest::newRow("no file") << "Instrument" << "sv_16.jpg" << "" << "missing"
                                 << "  нет файла рисунка: sv_16.jpg (Сверла, ID 17)";
        QTest::newRow("operator without a file") << "FotoPeoples" << "foto_4.jpg" << "" << "missing"
                                                 << "  нет файла рисунка: foto_4.jpg (Операторы, ID 4)";
        QTest::newRow("another file there already") << "Instrument" << "sv_12.jpg" << "sv_12.jpg" << "kept"
                                                    << "  другой файл с этим именем уже есть, оставлен: sv_12.jpg "
                                                       "(Сверла, ID 13)";
        QTest::newRow("placeholder") << "NoFoto" << "null_img_1.jpg" << "NULL_IMG_1.JPG" << "copied" << "";
        QTest::newRow("a file no row names") << "Instrument" << "nobody.jpg" << "" << "missing"
                                             << "  файлов, которые ни одна строка не называет (не скопированы): 1";
    }
    void pictures()
    {
        QFETCH(QString, folder);
        QFETCH(QString, stored);
        QFETCH(QString, onDisk);
        QFETCH(QString, outcome);
        QFETCH(QString, reportLine);
        static QTemporaryDir dir;
        static ImportOutcome r;
        const QString oldProgram = QDir(dir.path()).filePath(QStringLiteral("old"));
        const QString newProgram = QDir(dir.path()).filePath(QStringLiteral("new"));
        auto bytesOf = [](const QString& name) { return QByteArray("JPEG of ") + name.toUtf8(); };
        if (!r.ok) {
            // The old program's folder as a Windows disk leaves it: letter cases mixed.
            QDir(oldProgram).mkpath(QStringLiteral("IMAGES/instrument"));
            QVERIFY(QFile::copy(Fixture, QDir(oldProgram).filePath(QStringLiteral("db_instr.mdb"))));
            const char* files[][2] = {{"IMAGES/instrument/sv_4.jpg", "sv_4.jpg"},
                                      {"IMAGES/instrument/SV_0.JPG", "SV_0.JPG"},
                                      {"IMAGES/instrument/sv_12.jpg", "sv_12.jpg"},
                                      {"IMAGES/FotoPeoples/Foto_1.Jpg", "Foto_1.Jpg"},
                                      {"IMAGES/NoFoto/NULL_IMG_1.JPG", "NULL_IMG_1.JPG"},
                                      {"IMAGES/instrument/nobody.jpg", "nobody.jpg"}};
            for (const auto& f : files)
                putFile(QDir(oldProgram).filePath(QString::fromUtf8(f[0])), bytesOf(QString::fromUtf8(f[1])));
            putFile(QDir(newProgram).filePath(QStringLiteral("Images/Instrument/sv_12.jpg")), "ours");
            ImportOptions o;
            o.oldProgramFolder = oldProgram;
            o.programFolder = newProgram;
            r = importOldDatabase(QDir(oldProgram).filePath(QStringLiteral("db_instr.mdb")),
                                  QDir(dir.path()).filePath(QStringLiteral("db_instr.db")), o);
            QVERIFY2(r.ok, qPrintable(r.error));
        }
        const QString target = QDir(newProgram).filePath(QStringLiteral("Images/%1/%2").arg(folder, stored));
        if (outcome == QLatin1String("copied")) {
            QCOMPARE(fileBytes(target), bytesOf(onDisk));
        } else if (outcome == QLatin1String("missing")) {
            QVERIFY(!QFileInfo::exists(target));
        } else {
            QCOMPARE(fileBytes(target), QByteArray("ours"));
        }
        if (!reportLine.isEmpty())
            QVERIFY2(r.lines.contains(reportLine), qPrintable(r.lines.join(QLatin1Char('\n'))));
        // Only the stored spelling is written.
        if (!onDisk.isEmpty() && onDisk != stored)
            QVERIFY(!QFileInfo::exists(QDir(newProgram).filePath(QStringLiteral("Images/%1/%2").arg(folder, onDisk))));
    }

    // The program's first start: the offer comes before the one to create
    // an empty database; Yes moves the data in and shows the report.
    void firstStart_data()
    {
        QTest::addColumn<QString>("oldName");     // the old file beside ("" none)
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("questions");
        QTest::addColumn<bool>("result");
        QTest::addColumn<bool>("imported");
        QTest::addColumn<bool>("stop");   // "Прервать" pressed in the progress window
        QTest::newRow("accepted") << "db_instr.mdb" << true << QStringList{"Перенести данные из db_instr.mdb?"} << true
                                  << true << false;
        QTest::newRow("upper-case old file") << "DB_INSTR.MDB" << true
                                             << QStringList{"Перенести данные из DB_INSTR.MDB?"} << true << true << false;
        QTest::newRow("declined, then no empty database")
            << "db_instr.mdb" << false
            << QStringList{"Перенести данные из db_instr.mdb?",
                           "Файл базы данных \"db_instr.db\" не найден в папке \"%1\".\nСоздать новую базу данных?"}
            << false << false << false;
        QTest::newRow("no old file") << "" << false
                                     << QStringList{"Файл базы данных \"db_instr.db\" не найден в папке \"%1\".\nСоздать "
                                                    "новую базу данных?"}
                                     << false << false << false;
        QTest::newRow("stopped in the progress window: nothing, and the program ends")
            << "db_instr.mdb" << true << QStringList{"Перенести данные из db_instr.mdb?"} << false << false << true;
    }
    void firstStart()
    {
        QFETCH(QString, oldName);
        QFETCH(bool, yes);
        QFETCH(QStringList, questions);
        QFETCH(bool, result);
        QFETCH(bool, imported);
        QFETCH(bool, stop);
        QTemporaryDir dir;
        setProgramFolder(QDir(dir.path()).filePath(QStringLiteral("program")));
        if (!oldName.isEmpty())
            QVERIFY(QFile::copy(Fixture, QDir(dir.path()).filePath(oldName)));
        const QString db = QDir(dir.path()).filePath(QStringLiteral("db_instr.db"));
        ScriptedUser user;
        user.answer(yes);
        user.answer(false);   // no empty database
        QString report;
        user.onModal([&](QDialog* d) {
            if (auto* t = d->findChild<QPlainTextEdit*>(QStringLiteral("mem_Report")))
                report = t->toPlainText();
            d->accept();
        });
        if (stop) {
            // The person's click arrives while the window is on the screen.
            QTimer::singleShot(0, [] {
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (w->objectName() == QLatin1String("frm_Import") && w->isVisible())
                        if (auto* b = w->findChild<QPushButton*>(QStringLiteral("bbtn_Cancel")))
                            b->click();
            });
        }
        QCOMPARE(Program::EnsureDatabase(db), result);
        if (stop) {
            QCOMPARE(user.lastText(), QStringLiteral("Перенос данных прерван: новая база данных не записана."));
            QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("db_instr.mdb")});
        }
        QStringList asked;
        for (const auto& s : user.shown())
            if (s.kind == ScriptedUser::Shown::Question)
                asked << s.text;
        for (QString& q : questions)
            q.replace(QStringLiteral("%1"), QDir::toNativeSeparators(dir.path()));
        QCOMPARE(asked, questions);
        QCOMPARE(QFileInfo::exists(db), imported);
        if (imported) {
            QCOMPARE(user.modalsShown(), QStringList{QStringLiteral("frm_Import_Report")});
            QVERIFY(report.contains(QStringLiteral("  Sverla: 118 строк")));
            QVERIFY(report.contains(QStringLiteral("фирмы с ID 99 нет")));
            // The old accounts come along for the login.
            Connection c;
            c.openReadOnly(db);
            QCOMPARE(queryInt(c, QStringLiteral("SELECT count(*) FROM Pasw_TBL")), qint64(3));
        }
    }
};

QTEST_MAIN(TestImport)
#include "tst_import.moc"
