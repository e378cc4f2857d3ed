// tooldb-bench: the speed and memory goals of the data layer, measured on a
// large database. Each figure is the median of several runs, printed beside
// its floor (the same query read by the engine's own library alone: stepped
// through the SQLite C API, or sent with libpq to a server, every column of
// every row read) and its goal. With --db naming a server database, the
// same measures run on the SQLite file and on the server, printed side by
// side at the end; those that read the file through the SQLite C API (the
// program's start, minimum stock and overdue debts, the usage reports, the
// backup copy) run on the file only. A missed goal is reported; an
// error (a bad option, a database that cannot be written, copied or opened,
// a measure that fails) ends it with a non-zero exit status.
#include "Backup.h"
#include "BackupRunner.h"
#include "BenchSupport.h"
#include "Connection.h"
#include "CopyDatabase.h"
#include "Engine.h"
#include "DM_Unit.h"
#include "Operations.h"
#include "Picture.h"
#include "PictureBench.h"
#include "DbError.h"
#include "MovementBench.h"
#include "ReportBench.h"
#include "SampleData.h"
#include "StartupBench.h"
#include "DatabaseFile.h"
#include "Schema.h"
#include "StockLimits.h"
#include "SverlaFilterQuery.h"
#include "frm_SearchRec_Unit.h"

#include <QCommandLineParser>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QDir>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include <libpq-fe.h>
#include <sqlite3.h>

namespace {

constexpr double kNoFloor = -1;
int g_failedMeasures = 0;   // measures that ended in an error

// The floor: prepare, step every row, read every column by its type.
qint64 stepAll(sqlite3* db, const QString& sql)
{
    sqlite3_stmt* st = nullptr;
    const QByteArray u = sql.toUtf8();
    if (sqlite3_prepare_v2(db, u.constData(), int(u.size()), &st, nullptr) != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
    qint64 rows = 0;
    quint64 sum = 0;
    const int nc = sqlite3_column_count(st);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        for (int c = 0; c < nc; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER: sum += quint64(sqlite3_column_int64(st, c)); break;
            case SQLITE_FLOAT: sum += quint64(sqlite3_column_double(st, c)); break;
            case SQLITE_TEXT: {
                const unsigned char* p = sqlite3_column_text(st, c);
                const int n = sqlite3_column_bytes(st, c);
                sum += quint64(n) + (n > 0 ? p[0] : 0);
                break;
            }
            case SQLITE_BLOB: sum += quint64(sqlite3_column_bytes(st, c)); break;
            default: break;
            }
        }
        ++rows;
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
    static volatile quint64 sink;
    sink = sink + sum;
    return rows;
}

sqlite3* openPlain(const QString& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        const QString msg = QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        throw DbError(msg);
    }
    // The same page cache the program's connection uses, so that the floor
    // differs from the program only by the record-set layer.
    sqlite3_exec(db, "PRAGMA cache_size=-65536", nullptr, nullptr, nullptr);
    return db;
}

// The floor of a measure: the same query read by the engine's own library
// alone, every column of every row.
class Floor {
public:
    virtual ~Floor() = default;
    // Rows read.
    virtual qint64 stepAll(const QString& sql) = 0;
    // The first column of the first row (`otherwise` without one).
    virtual qint64 firstInt(const QString& sql, qint64 otherwise) = 0;
    // A list's text as the program sends it to this engine.
    virtual QString asSent(const QString& sql) const { return sql; }
};

class SqliteFloor : public Floor {
public:
    explicit SqliteFloor(const QString& path) : m_db(openPlain(path)) {}
    ~SqliteFloor() override { sqlite3_close(m_db); }
    // The file's own connection, for the measures that use the C API itself.
    sqlite3* handle() const { return m_db; }
    qint64 stepAll(const QString& sql) override { return ::stepAll(m_db, sql); }
    qint64 firstInt(const QString& sql, qint64 otherwise) override
    {
        sqlite3_stmt* st = nullptr;
        qint64 v = otherwise;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK
            && sqlite3_step(st) == SQLITE_ROW)
            v = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        return v;
    }

private:
    sqlite3* m_db;
};

// On a server: libpq alone, one round trip, the whole result read. The
// text goes as the program's engine sends it: quoted names in lower case.
class PgFloor : public Floor {
public:
    explicit PgFloor(const QString& uri)
    {
        m_conn = PQconnectdb(uri.toUtf8().constData());
        if (PQstatus(m_conn) != CONNECTION_OK) {
            const QString msg = QString::fromUtf8(PQerrorMessage(m_conn)).trimmed();
            PQfinish(m_conn);
            throw DbError(msg);
        }
    }
    ~PgFloor() override { PQfinish(m_conn); }
    QString asSent(const QString& sql) const override
    {
        Dialect d;
        d.kind = EngineKind::Postgres;
        return d.orderedAsAFile(sql);
    }
    qint64 stepAll(const QString& sql) override
    {
        PGresult* r = exec(sql);
        const int rows = PQntuples(r), nc = PQnfields(r);
        quint64 sum = 0;
        for (int i = 0; i < rows; ++i)
            for (int c = 0; c < nc; ++c) {
                const int n = PQgetlength(r, i, c);
                sum += quint64(n) + (n > 0 ? quint8(PQgetvalue(r, i, c)[0]) : 0);
            }
        PQclear(r);
        static volatile quint64 sink;
        sink = sink + sum;
        return rows;
    }
    qint64 firstInt(const QString& sql, qint64 otherwise) override
    {
        PGresult* r = nullptr;
        try {
            r = exec(sql);
        } catch (const DbError&) {
            return otherwise;
        }
        const qint64 v = PQntuples(r) > 0 ? QByteArray(PQgetvalue(r, 0, 0)).toLongLong() : otherwise;
        PQclear(r);
        return v;
    }

private:
    PGresult* exec(const QString& sql)
    {
        const QString sent = asSent(sql);
        QString text;
        bool quoted = false, literal = false;
        for (const QChar ch : sent) {
            if (ch == QLatin1Char('\'') && !quoted)
                literal = !literal;
            else if (ch == QLatin1Char('"') && !literal)
                quoted = !quoted;
            text += quoted ? ch.toLower() : ch;
        }
        PGresult* r = PQexec(m_conn, text.toUtf8().constData());
        if (PQresultStatus(r) != PGRES_TUPLES_OK) {
            const QString msg = QString::fromUtf8(PQresultErrorMessage(r)).trimmed();
            PQclear(r);
            throw DbError(msg);
        }
        return r;
    }
    PGconn* m_conn = nullptr;
};

std::unique_ptr<Floor> openFloor(const QString& name)
{
    if (isServerName(name))
        return std::make_unique<PgFloor>(name);
    return std::make_unique<SqliteFloor>(name);
}

// The text a table object reads its table with: every column, by name.
QString tableSql(const QString& table)
{
    QStringList cols;
    for (const ColumnShape& c : findTable(table)->columns)
        cols << QLatin1Char('"') + c.name + QLatin1Char('"');
    return QStringLiteral("SELECT %1 FROM \"%2\"").arg(cols.join(QStringLiteral(", ")), table);
}

struct Line;
std::vector<Line>* g_lines = nullptr;   // every line printed, when collected

struct Line {
    explicit Line(const QString& w) : what(w) {}
    QString what;
    double figure = std::nan("");   // ms
    double floor = kNoFloor;        // ms
    double maxRatio = 0;            // goal: figure <= maxRatio * floor (0: none)
    double maxMs = 0;               // goal: figure < maxMs (0: none)
    QString note;
    QString error;
    bool fileOnly = false;          // not measured here: it reads the SQLite file itself
};

bool missed(const Line& l)
{
    if (l.fileOnly)
        return false;
    if (!l.error.isEmpty())
        return true;
    if (l.maxRatio > 0 && l.floor > 0 && l.figure > l.maxRatio * l.floor)
        return true;
    if (l.maxMs > 0 && l.figure >= l.maxMs)
        return true;
    return false;
}

QString goalText(const Line& l)
{
    QStringList g;
    if (l.maxRatio > 0)
        g << QStringLiteral("<= %1x floor").arg(l.maxRatio, 0, 'g', 3);
    if (l.maxMs > 0)
        g << QStringLiteral("< %1 ms").arg(l.maxMs, 0, 'f', 0);
    return g.isEmpty() ? QStringLiteral("-") : g.join(QStringLiteral(", "));
}

void print(const Line& l)
{
    if (g_lines)
        g_lines->push_back(l);
    if (l.fileOnly) {
        std::printf("%s %12s\n", l.what.leftJustified(44).toUtf8().constData(), "file only");
        std::fflush(stdout);
        return;
    }
    const QString fig = l.error.isEmpty() ? QStringLiteral("%1 ms").arg(l.figure, 0, 'f', 2) : QStringLiteral("error");
    const QString flo = l.floor > 0 ? QStringLiteral("%1 ms").arg(l.floor, 0, 'f', 2) : QStringLiteral("-");
    const QString ratio = l.floor > 0 && l.error.isEmpty() ? QStringLiteral("%1x").arg(l.figure / l.floor, 0, 'f', 2)
                                                           : QStringLiteral("-");
    const bool hasGoal = l.maxRatio > 0 || l.maxMs > 0;
    const QString verdict = missed(l) ? QStringLiteral("GOAL MISSED") : (hasGoal ? QStringLiteral("ok") : QString());
    std::printf("%s %12s %12s %7s   %-26s %s\n", l.what.leftJustified(44).toUtf8().constData(), fig.toUtf8().constData(),
                flo.toUtf8().constData(), ratio.toUtf8().constData(), goalText(l).toUtf8().constData(),
                verdict.toUtf8().constData());
    if (!l.error.isEmpty()) {
        ++g_failedMeasures;
        std::printf("    %s\n", l.error.toUtf8().constData());
    }
    if (!l.note.isEmpty())
        std::printf("    %s\n", l.note.toUtf8().constData());
    std::fflush(stdout);
}

// Runs figure and floor alternately, `runs` times each; medians into the line.
void measure(Line& l, int runs, const std::function<double()>& figure, const std::function<double()>& floor = {},
             const std::function<void()>& between = {})
{
    std::vector<double> f, g;
    try {
        for (int i = 0; i < runs; ++i) {
            if (floor)
                g.push_back(floor());
            f.push_back(figure());
            if (between)
                between();
        }
    } catch (const DbError& e) {
        l.error = e.message();
    } catch (const std::exception& e) {
        l.error = QString::fromUtf8(e.what());
    }
    l.figure = median(f);
    if (floor)
        l.floor = median(g);
}

QString mb(double bytes) { return QStringLiteral("%1 MB").arg(bytes / (1024.0 * 1024.0), 0, 'f', 1); }

} // namespace

// A consistent copy of a database into `copy`; nothing is written beside the
// source. With no log beside it, the file alone is the database and is
// copied as it is; with one (the program has it open, or ended without
// folding it in), the engine's backup reads both, through files already there.
void copyDatabaseFile(const QString& source, const QString& copy)
{
    if (!QFileInfo::exists(source + QStringLiteral("-wal")) && !QFileInfo::exists(source + QStringLiteral("-shm"))) {
        if (!QFile::copy(source, copy))
            throw DbError(QStringLiteral("cannot copy the file"));
        return;
    }
    sqlite3* from = nullptr;
    sqlite3* to = nullptr;
    auto fail = [&](sqlite3* db) {
        const QString msg = QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(from);
        sqlite3_close(to);
        throw DbError(msg);
    };
    if (sqlite3_open_v2(source.toUtf8().constData(), &from, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        fail(from);
    if (sqlite3_exec(from, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(from);
    if (sqlite3_open_v2(copy.toUtf8().constData(), &to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
        fail(to);
    sqlite3_backup* b = sqlite3_backup_init(to, "main", from, "main");
    if (!b)
        fail(to);
    const int rc = sqlite3_backup_step(b, -1);
    sqlite3_backup_finish(b);
    if (rc != SQLITE_DONE)
        fail(to);
    sqlite3_close(from);
    from = nullptr;
    if (sqlite3_close(to) != SQLITE_OK)
        fail(to);
}

int fatal(const QString& what)
{
    std::fprintf(stderr, "tooldb-bench: %s\n", what.toUtf8().constData());
    return 1;
}

// The record sets the data module opens at start, as SQL texts.
QStringList startSqlTexts()
{
    return {TDM::sverlaSql(),  TDM::frezySql(), TDM::derjSql(), TDM::plastinySql(), TDM::dolgiSql(),
            tableSql(QStringLiteral("Firma")), tableSql(QStringLiteral("Support"))};
}

// A measure that reads the SQLite file through its C API, on a server
// database: listed, not measured.
void fileOnly(const QString& what)
{
    Line l(what);
    l.fileOnly = true;
    print(l);
}

// Every measure on one database (a file, or a server database), printed
// as it is taken; the pictures (no database in them) only when asked.
// Non-zero when the measuring could not go on.
int measureDatabase(const QString& path, int runs, const QString& folder, const QString& picture, bool pictures)
{
    const bool onFile = !isServerName(path);
    std::printf("\nDatabase: %s\nMedians of %d runs. Build type: %s.\n\n", path.toUtf8().constData(), runs,
#ifdef NDEBUG
                "optimised"
#else
                "DEBUG (figures not meaningful)"
#endif
    );
    {
        QFile load(QStringLiteral("/proc/loadavg"));
        if (load.open(QIODevice::ReadOnly))
            std::printf("Load average before measuring: %s (other work on the machine slows every figure).\n\n",
                        load.readAll().trimmed().split(' ').mid(0, 3).join(' ').constData());
    }
    std::printf("%-44s %12s %12s %7s   %-26s %s\n", "measure", "figure", "floor", "ratio", "goal", "");

    std::unique_ptr<Floor> plain;
    try {
        plain = openFloor(path);
    } catch (const DbError& e) {
        return fatal(QStringLiteral("cannot open %1: %2").arg(path, e.message()));
    }
    // The file's own connection for the measures that use the C API itself
    // (null on a server).
    auto raw = [&]() -> sqlite3* { return onFile ? static_cast<SqliteFloor*>(plain.get())->handle() : nullptr; };
    // The size the goals are judged at: the tools the database holds.
    const qint64 tools = plain->firstInt("SELECT (SELECT count(*) FROM Sverla) + (SELECT count(*) FROM Frezy) + "
                                         "(SELECT count(*) FROM Derj_Plast) + (SELECT count(*) FROM Plastinyi)",
                                         0);

    // 1. Creating the data module: connection plus 4 catalogues, debts, firms, Support.
    const QStringList startSql = startSqlTexts();
    {
        Line l(QStringLiteral("Create data module (7 record sets)"));
        l.maxRatio = 1.2;
        measure(
            l, runs,
            [&] {
                std::unique_ptr<TDM> dm;
                const double ms = timeMs([&] { dm = std::make_unique<TDM>(path); });
                return ms;
            },
            [&] {
                return timeMs([&] {
                    const std::unique_ptr<Floor> db = openFloor(path);
                    for (const QString& s : startSql)
                        db->stepAll(s);
                });
            });
        print(l);
    }

    // 1a. The program's start in a process of its own, off screen, until the
    //     login window shows; the floor is a process that starts the same way
    //     and reads the start's record sets through the C API. Then the start
    //     after a run that was killed, which reads the whole file first.
    if (!onFile) {
        fileOnly(QStringLiteral("Start to login window (own process)"));
        fileOnly(QStringLiteral("Start after a killed run (whole file checked)"));
    } else {
        Line l(QStringLiteral("Start to login window (own process)"));
        l.maxMs = tools > 100000 ? 2000 : 500;
        std::vector<double> cpu, floorCpu;
        auto child = [&](const char* mode, std::vector<double>& cpus) {
            double c = 0;
            const double ms = timeStartChild(QString::fromLatin1(mode), path, &c);
            cpus.push_back(c);
            return ms;
        };
        measure(l, runs, [&] { return child("--start-program", cpu); }, [&] { return child("--start-floor", floorCpu); });
        l.note = QStringLiteral("the last run ended cleanly: header, schema and write lock checked; processor time "
                                "%1 ms, the floor's %2 ms")
                     .arg(median(cpu), 0, 'f', 1)
                     .arg(median(floorCpu), 0, 'f', 1);
        print(l);

        Line k(QStringLiteral("Start after a killed run (whole file checked)"));
        cpu.clear();
        floorCpu.clear();
        measure(
            k, std::min(runs, 3),
            [&] {
                leaveKilledRunMark(path);
                return child("--start-program", cpu);
            },
            [&] { return child("--start-floor", floorCpu); });
        k.note = QStringLiteral("database file %1; processor time %2 ms, the floor's %3 ms")
                     .arg(mb(double(QFileInfo(path).size())))
                     .arg(median(cpu), 0, 'f', 1)
                     .arg(median(floorCpu), 0, 'f', 1);
        print(k);
        // The floors' own connection opened anew: it was opened with no log
        // beside the file, which the programs started meanwhile made and removed.
        plain.reset();
        try {
            plain = openFloor(path);
        } catch (const DbError& e) {
            return fatal(QStringLiteral("cannot open %1: %2").arg(path, e.message()));
        }
    }

    std::unique_ptr<TDM> dmHolder;
    try {
        dmHolder = std::make_unique<TDM>(path);
    } catch (const DbError& e) {
        return fatal(QStringLiteral("cannot create the data module: %1").arg(e.message()));
    }
    TDM& dm = *dmHolder;
    std::printf("    rows: %d drills, %d cutters, %d holders, %d inserts, %d debts\n", dm.dtSet_Sverla.recordCount(),
                dm.dtSet_Frezy.recordCount(), dm.dtSet_Derj_PL.recordCount(), dm.dtSet_Plastiny.recordCount(),
                dm.dtset_DolgiSQL.recordCount());

    // 1b. The debts list read whole, against ten times the same list cut to
    //     its first tenth of debts (the same text, each branch to the debts
    //     up to an ID): the time grows with the rows, not faster.
    {
        const int n = dm.dtset_DolgiSQL.recordCount();
        const int fid = dm.dtset_DolgiSQL.fieldIndex(QStringLiteral("ID"));
        const int tenthId = n >= 10 ? dm.dtset_DolgiSQL.intAt(n / 10 - 1, fid) : 0;
        QString tenthText = TDM::dolgiSql();
        tenthText.replace(QStringLiteral("WHERE ("), QStringLiteral("WHERE (D.ID <= %1 AND ").arg(tenthId));
        RecordSet whole(&dm.ADOConnection1, QStringLiteral("debts"), RecordSet::Kind::Query, TDM::dolgiSql(),
                        dm.dtset_DolgiSQL.fieldDefs());
        RecordSet tenth(&dm.ADOConnection1, QStringLiteral("debts_tenth"), RecordSet::Kind::Query, tenthText,
                        dm.dtset_DolgiSQL.fieldDefs());
        Line l(QStringLiteral("Debts list vs 10x its first tenth"));
        l.maxRatio = 1.5;
        int tenthRows = 0;
        std::vector<double> plainMs;
        measure(
            l, runs,
            [&] {
                const double ms = timeMs([&] { whole.open(); });
                whole.close();
                plainMs.push_back(timeMs([&] { plain->stepAll(TDM::dolgiSql()); }));
                return ms;
            },
            [&] {
                const double ms = timeMs([&] { tenth.open(); });
                tenthRows = tenth.recordCount();
                tenth.close();
                return 10 * ms;
            });
        l.note = QStringLiteral("%1 debts, the tenth: %2; the whole list's SQL read alone %3 ms")
                     .arg(n)
                     .arg(tenthRows)
                     .arg(median(plainMs), 0, 'f', 2);
        print(l);
    }

    // 2. Refreshing the drills.
    {
        Line l(QStringLiteral("Refresh drills (RefreshSverla)"));
        l.maxRatio = 1.5;
        measure(
            l, runs, [&] { return timeMs([&] { dm.RefreshSverla(); }); },
            [&] { return timeMs([&] { plain->stepAll(TDM::sverlaSql()); }); });
        print(l);
    }

    // 3. Sorting the drills by three fields.
    {
        Line l{QStringLiteral("Sort drills \"Type,Diam_Sverla,KOD\"")};
        l.maxMs = 30;
        measure(
            l, runs, [&] { return timeMs([&] { dm.dtSet_Sverla.setSort(QStringLiteral("Type,Diam_Sverla,KOD")); }); },
            {}, [&] { dm.dtSet_Sverla.setSort(QString()); });
        print(l);
    }

    // 4. Filtering the debts to one drill.
    {
        const qint64 tool = plain->firstInt("SELECT ID_Instr FROM Dolgi WHERE ID_Tabl = 1 ORDER BY ID DESC LIMIT 1", 1);
        const QString text = QStringLiteral("(ID_Instr=%1) AND (ID_Tabl=1)").arg(tool);
        Line l(QStringLiteral("Filter debts to one drill"));
        int shown = 0;
        measure(
            l, runs,
            [&] {
                const double ms = timeMs([&] {
                    dm.dtset_DolgiSQL.setFilter(text);
                    dm.dtset_DolgiSQL.setFiltered(true);
                });
                shown = dm.dtset_DolgiSQL.recordCount();
                return ms;
            },
            {}, [&] { dm.dtset_DolgiSQL.setFiltered(false); });
        l.note = QStringLiteral("filter \"%1\": %2 of %3 debts").arg(text).arg(shown).arg(dm.dtset_DolgiSQL.recordCount());
        print(l);
    }

    // 5. Partial Locate on the drills' code: a key that only the last row
    //    matches in the current order, so the whole list is searched.
    {
        Line l(QStringLiteral("Partial Locate on drills' Kod"));
        const int kod = dm.dtSet_Sverla.fieldIndex(QStringLiteral("Kod"));
        const int n = dm.dtSet_Sverla.recordCount();
        const QString key = n > 0 ? dm.dtSet_Sverla.textAt(n - 1, kod) : QStringLiteral("R840");
        int at = 0;
        measure(
            l, runs,
            [&] {
                dm.dtSet_Sverla.first();
                const double ms = timeMs([&] {
                    dm.dtSet_Sverla.locate(QStringLiteral("Kod"), key, RecordSet::PartialKey);
                });
                at = dm.dtSet_Sverla.recNo();
                return ms;
            });
        l.note = QStringLiteral("key \"%1\": found at row %2 of %3").arg(key).arg(at).arg(n);
        print(l);
    }

    // 6. Opening the histories whole, and what they hold in memory. The
    //    floor is the list's SQL text stepped through the C API; the lists
    //    are read in one pass and joined in memory, so they may beat it.
    //    The receipts and write-offs are measured against the plain scan of
    //    their table through the C API, the closed issues against their
    //    stored query's text.
    struct HistoryCase {
        const char* what;
        RecordSet* rs;
        QString sql;
        double maxMs;
        double maxRatio;
    };
    // The time goals were set for the histories of 100,000 tools.
    const bool base = tools <= 100000;
    const HistoryCase histories[] = {
        {"Open receipts history (dtSet_Prihod_Hist)", &dm.dtSet_Prihod_Hist,
         QStringLiteral("SELECT * FROM Prihod_History"), base ? 800.0 : 0.0, 1.3},
        {"Open write-offs history (dtSet_Spisanie_Hist)", &dm.dtSet_Spisanie_Hist,
         QStringLiteral("SELECT * FROM Spisanie_History"), base ? 250.0 : 0.0, 1.3},
        {"Open closed issues (stpr_SQL_Dolgi_History)", &dm.stpr_SQL_Dolgi_History,
         QStringLiteral("SELECT * FROM SQL_Dolgi_History"), 0, 0},
    };
    for (const HistoryCase& h : histories) {
        Line l(QString::fromLatin1(h.what));
        l.maxMs = h.maxMs;
        l.maxRatio = h.maxRatio;
        std::vector<double> heldBytes, rssGrowth, cpu, floorCpu;
        int rows = 0;
        qint64 sqlRows = 0;
        const bool peakResets = resetPeakRss();
        measure(
            l, runs,
            [&] {
                resetPeakRss();
                const qint64 before = statusKb("VmRSS");
                const double cpu0 = threadCpuMs();
                const double ms = timeMs([&] { h.rs->open(); });
                cpu.push_back(threadCpuMs() - cpu0);
                rssGrowth.push_back(double(statusKb("VmHWM") - before) * 1024.0);
                heldBytes.push_back(double(h.rs->memoryBytes()));
                rows = h.rs->recordCount();
                return ms;
            },
            [&] {
                const double cpu0 = threadCpuMs();
                const double ms = timeMs([&] { sqlRows = plain->stepAll(h.sql); });
                floorCpu.push_back(threadCpuMs() - cpu0);
                return ms;
            },
            [&] { h.rs->close(); });
        l.note = QStringLiteral("%1 rows (the floor's text: %2)%3; processor time %4 ms, the floor's %5 ms")
                     .arg(rows)
                     .arg(sqlRows)
                     .arg(h.rs->usesRowReader() ? QStringLiteral(", read in one pass and joined in memory")
                                                : QString())
                     .arg(median(cpu), 0, 'f', 2)
                     .arg(median(floorCpu), 0, 'f', 2);
        if (rows > sqlRows && l.error.isEmpty())
            l.error = QStringLiteral("the list has %1 rows, its table %2").arg(rows).arg(sqlRows);
        print(l);

        const double held = median(heldBytes), grown = median(rssGrowth);
        const bool over = base && std::max(held, peakResets ? grown : 0.0) >= 300.0 * 1024 * 1024;
        std::printf("%-44s %12s %12s %7s   %-26s %s\n", "  its memory: memoryBytes / peak RSS growth",
                    mb(held).toUtf8().constData(), (peakResets ? mb(grown) : QStringLiteral("n/a")).toUtf8().constData(),
                    "", base ? "< 300 MB" : "-", over ? "GOAL MISSED" : (base ? "ok" : ""));
        if (!peakResets)
            std::printf("    peak RSS could not be reset; the growth shown is not meaningful\n");
    }

    // 6a. One tool's receipts: the cutter with the most of them, the filter
    //     set before the opening as the catalogue menu sets it.
    {
        const qint64 cutter = plain->firstInt("SELECT ID_Instr FROM Prihod_History WHERE ID_Tabl = 3 GROUP BY ID_Instr "
                                              "ORDER BY count(*) DESC, ID_Instr LIMIT 1",
                                              1);
        const QString text = QStringLiteral("(ID_Instr=%1) AND (ID_Tabl=3)").arg(cutter);
        RecordSet& h = dm.dtSet_Prihod_Hist;
        Line l(QStringLiteral("Open one cutter's receipts (filtered)"));
        l.maxMs = 20;
        int rows = 0;
        measure(
            l, runs,
            [&] {
                h.setFilter(text);
                h.setFiltered(true);
                const double ms = timeMs([&] { h.open(); });
                rows = h.recordCount();
                return ms;
            },
            [&] {
                QString inner = plain->asSent(TDM::historySql(QStringLiteral("Prihod_History")));
                inner.chop(1);   // the closing ";"
                return timeMs([&] {
                    plain->stepAll(QStringLiteral("SELECT * FROM (%1) AS q WHERE (ID_Instr=%2) AND (ID_Tabl=3)")
                                       .arg(inner)
                                       .arg(cutter));
                });
            },
            [&] {
                h.close();
                h.setFiltered(false);
                h.setFilter(QString());
            });
        l.note = QStringLiteral("filter \"%1\": %2 rows").arg(text).arg(rows);
        print(l);
    }

    // 6b. Deleting a receipt as the history window does it: the table
    //     object pointed at the row, the list closed, the row deleted in a
    //     transaction, the whole list read again.
    {
        RecordSet& list = dm.dtSet_Prihod_Hist;
        RecordSet& table = dm.tbl_Prihod_Hist;
        Line l(QStringLiteral("Delete a receipt and re-read the list"));
        l.maxMs = 1000;
        try {
            list.open();
        } catch (const DbError& e) {
            l.error = e.message();
        }
        // Floor: the list's SQL text stepped through the C API, the re-read alone.
        const QString listSql = TDM::historySql(QStringLiteral("Prihod_History"));
        std::vector<double> cpu;
        if (l.error.isEmpty())
            measure(
                l, runs,
                [&] {
                    const double cpu0 = threadCpuMs();
                    const double ms = timeMs([&] {
                        list.last();
                        const int id = list.fieldByName(QStringLiteral("ID")).asInteger();
                        table.setFilter(QStringLiteral("ID=%1").arg(id));
                        table.setFiltered(true);
                        table.open();
                        const ops::RecordWrite row = table.currentRecord();
                        list.close();
                        const ops::Result r = ops::deleteHistoryRow(dm.ADOConnection1, row);
                        if (!r.stored())
                            throw DbError(r.message);
                        table.close();
                        table.setFiltered(false);
                        list.open();
                    });
                    cpu.push_back(threadCpuMs() - cpu0);
                    return ms;
                },
                [&] { return timeMs([&] { plain->stepAll(listSql); }); });
        l.note = QStringLiteral("%1 rows left; processor time %2 ms").arg(list.recordCount()).arg(median(cpu), 0, 'f', 2);
        list.close();
        print(l);
    }

    // 7. One receipt of 3 new drills as the data layer makes it, and the
    //    drills page shown again after it (the tool's row re-read).
    {
        Line l(QStringLiteral("Receipt of 3 drills (operation, refresh)"));
        l.maxMs = 50;
        const QString login = QStringLiteral("Администратор");
        std::vector<double> opMs, refreshMs;
        measure(l, runs, [&] {
            QElapsedTimer part;
            return timeMs([&] {
                part.start();
                const int toolId = dm.dtSet_Sverla.fieldByName(QStringLiteral("ID")).asInteger();
                const ops::Result r = ops::receive(dm.ADOConnection1, {ToolKind::Sverla, toolId, 3, 0,
                                                                       QDate::currentDate(), login});
                if (!r.stored())
                    throw DbError(r.message);
                opMs.push_back(part.nsecsElapsed() / 1e6);
                part.start();
                dm.ShowChanges(r);
                refreshMs.push_back(part.nsecsElapsed() / 1e6);
            });
        });
        l.note = QStringLiteral("of which: the operation %1 ms, the drills page shown again %2 ms")
                     .arg(median(opMs), 0, 'f', 2)
                     .arg(median(refreshMs), 0, 'f', 2);
        print(l);
    }

    // 8. The drill filter: a filter applied to the drills and cleared again,
    //    each through the swap of query text the filter dialog makes.
    {
        SverlaFilter::Criteria c;
        c.rows[SverlaFilter::DiamSverla] = {SverlaFilter::Greater, QStringLiteral("5"), true, QStringLiteral("8,5")};
        c.inStock = true;
        const QString filtered = SverlaFilter::queryText(c);
        const QString full = SverlaFilter::fullListText();
        auto apply = [&](const QString& text) {
            QString error;
            if (!SverlaFilter::applyQuery(dm.dtSet_Sverla, text, &error))
                throw DbError(error);
        };
        int shown = 0;
        Line on(QStringLiteral("Drill filter: apply (5 … 8,5, in stock)"));
        on.maxRatio = 1.5;
        measure(
            on, runs,
            [&] {
                const double ms = timeMs([&] { apply(filtered); });
                shown = dm.dtSet_Sverla.recordCount();
                return ms;
            },
            [&] { return timeMs([&] { plain->stepAll(filtered); }); }, [&] { apply(full); });
        on.note = QStringLiteral("%1 drills pass").arg(shown);
        print(on);

        Line off(QStringLiteral("Drill filter: clear (every drill)"));
        off.maxRatio = 1.5;
        apply(filtered);
        measure(
            off, runs,
            [&] {
                const double ms = timeMs([&] { apply(full); });
                shown = dm.dtSet_Sverla.recordCount();
                return ms;
            },
            [&] { return timeMs([&] { plain->stepAll(full); }); }, [&] { apply(filtered); });
        apply(full);
        off.note = QStringLiteral("%1 drills listed").arg(shown);
        print(off);
    }

    // 9. The record search: a partial code that only the last drill in the
    //    current order matches, so that every code is compared.
    {
        Line l(QStringLiteral("Record search: partial code of a drill"));
        l.maxMs = 5;
        const int kod = dm.dtSet_Sverla.fieldIndex(QStringLiteral("Kod"));
        const int n = dm.dtSet_Sverla.recordCount();
        const QString key = n > 0 ? dm.dtSet_Sverla.textAt(n - 1, kod) : QStringLiteral("R840");
        int at = 0;
        measure(l, runs, [&] {
            dm.dtSet_Sverla.first();
            const double ms = timeMs([&] { Tfrm_SearchRec::locate(dm, 0, key, true); });
            at = dm.dtSet_Sverla.recNo();
            return ms;
        });
        l.note = QStringLiteral("key \"%1\": found at row %2 of %3 codes").arg(key).arg(at).arg(n);
        print(l);
    }

    // 10. The usage reports over every movement of the database.
    if (!onFile)
        fileOnly(QStringLiteral("Usage reports"));
    for (const ReportFigure& f : onFile ? measureReports(path, raw(), runs) : std::vector<ReportFigure>()) {
        Line l(f.what);
        l.maxRatio = 1.5;
        l.maxMs = 1000;
        l.figure = median(f.ms);
        l.floor = f.floorMs.empty() ? kNoFloor : median(f.floorMs);
        l.note = f.note;
        l.error = f.error;
        print(l);
    }

    plain.reset();

    // Pictures: a 12-megapixel photo shown in a picture box of a panel's size.
    for (const bool progressive : {false, true}) {
        if (!pictures)
            break;
        Line l(progressive ? QStringLiteral("Show a 12 MP progressive JPEG (400x300)")
                           : QStringLiteral("Show a 12 MP JPEG in a picture box (400x300)"));
        if (!progressive)
            l.maxMs = 40;
        const QString photo = QDir(folder).filePath(progressive ? QStringLiteral("photo-p.jpg") : QStringLiteral("photo.jpg"));
        if (!writeBenchPhoto(photo, QSize(4000, 3000), progressive)) {
            l.error = QStringLiteral("cannot write %1").arg(photo);
        } else {
            std::vector<double> cpu;
            measure(l, runs, [&] {
                double c = 0;
                const double ms = showInPictureBox(photo, QSize(400, 300), &c);
                if (ms < 0)
                    throw DbError(QStringLiteral("the picture was not shown"));
                cpu.push_back(c);
                return ms;
            });
            l.note = QStringLiteral("file %1; processor time %2 ms")
                         .arg(mb(double(QFileInfo(photo).size())))
                         .arg(median(cpu), 0, 'f', 2);
        }
        print(l);
    }

    if (pictures && !picture.isEmpty()) {
        const QString photo = picture;
        Line l(QStringLiteral("Show %1 (400x300)").arg(QFileInfo(photo).fileName()));
        std::vector<double> cpu;
        measure(l, runs, [&] {
            double c = 0;
            const double ms = showInPictureBox(photo, QSize(400, 300), &c);
            if (ms < 0)
                throw DbError(QStringLiteral("the picture was not shown (not a picture, or beyond the limits)"));
            cpu.push_back(c);
            return ms;
        });
        PictureHeader h;
        if (readPictureHeader(photo, &h))
            l.note = QStringLiteral("%1x%2%3, file %4; processor time %5 ms")
                         .arg(h.size.width())
                         .arg(h.size.height())
                         .arg(h.progressive ? QStringLiteral(" progressive") : QString())
                         .arg(mb(double(QFileInfo(photo).size())))
                         .arg(median(cpu), 0, 'f', 2);
        print(l);
    }

    // Minimum stock and overdue debts. A page refresh with its marks (the
    // refresh, the minimums read again, the tools below counted) beside the
    // refresh alone, without minimums and with minimums on 10% of the tools;
    // then the "Что заказать" list and the overdue debts beside their SQL.
    if (!onFile) {
        for (const char* what : {"Refresh drills + marks, no minimums", "Refresh drills + marks, minimums on 10%",
                                 "\"Что заказать\" list (reorderList)", "Overdue debts list (overdueList)",
                                 "Overdue view of the debts page (filter)"})
            fileOnly(QString::fromUtf8(what));
    } else {
        auto refreshWithMarks = [&](const char* what) {
            Line l(QString::fromUtf8(what));
            l.maxRatio = 1.1;
            int below = 0;
            std::vector<double> marks;   // the marks' part of each figure
            measure(
                l, runs,
                [&] {
                    const double refresh = timeMs([&] { dm.RefreshSverla(); });
                    const double m = timeMs([&] {
                        const QHash<int, qint64> mins = limits::minimumsOf(dm.ADOConnection1, ToolKind::Sverla);
                        below = limits::countBelowIn(dm.dtSet_Sverla, ToolKind::Sverla, mins);
                    });
                    marks.push_back(m);
                    return refresh + m;
                },
                [&] { return timeMs([&] { dm.RefreshSverla(); }); });
            l.note = QStringLiteral("floor: the refresh alone; the marks' part %1 ms; %2 drills below their minimum")
                         .arg(median(marks), 0, 'f', 2)
                         .arg(below);
            print(l);
        };
        try {
            dm.ADOConnection1.exec(QStringLiteral("DELETE FROM Min_Ostatok"));
        } catch (const DbError& e) {
            return fatal(QStringLiteral("cannot clear the minimums: %1").arg(e.message()));
        }
        refreshWithMarks("Refresh drills + marks, no minimums");
        // The floors' own plain connection, opened once the tables are there.
        std::unique_ptr<sqlite3, int (*)(sqlite3*)> own(nullptr, sqlite3_close);
        try {
            WriteTransaction tr(dm.ADOConnection1);
            dm.ADOConnection1.exec(QStringLiteral("DELETE FROM Min_Ostatok"));
            for (ToolKind k : allToolKinds()) {
                const ToolKindInfo& info = toolKind(k);
                // Every tenth tool; two in three of them below.
                dm.ADOConnection1.exec(QStringLiteral("INSERT INTO Min_Ostatok (ID_Tabl, ID_Instr, K_vo_Min) "
                                                      "SELECT %1, ID, COALESCE(%2, 0) + COALESCE(K_vo_BU, 0) + "
                                                      "(ID / 10) % 3 FROM %3 WHERE ID % 10 = 0")
                                           .arg(info.code)
                                           .arg(QString::fromLatin1(info.tableNewColumn), QString::fromLatin1(info.table)));
            }
            tr.commit();
        } catch (const DbError& e) {
            return fatal(QStringLiteral("cannot set the minimums: %1").arg(e.message()));
        }
        refreshWithMarks("Refresh drills + marks, minimums on 10%");
        try {
            own.reset(openPlain(path));
        } catch (const DbError& e) {
            return fatal(QStringLiteral("cannot open %1: %2").arg(path, e.message()));
        }

        Line r(QStringLiteral("\"Что заказать\" list (reorderList)"));
        r.maxRatio = 1.5;
        int lines = 0;
        measure(
            r, runs, [&] { return timeMs([&] { lines = int(limits::reorderList(dm.ADOConnection1).size()); }); },
            [&] { return timeMs([&] { stepAll(own.get(), limits::reorderSql()); }); });
        r.note = QStringLiteral("%1 tools to order").arg(lines);
        print(r);

        // The overdue debts as of the latest issue day + 30: the older half or so.
        const QDate today = QDate::fromJulianDay(
                                qint64(dm.ADOConnection1.scalar(QStringLiteral("SELECT CAST(julianday(MAX(\"Date\")) "
                                                                               "AS INTEGER) FROM Dolgi")))
                                + 1);
        const QDate before = limits::overdueBefore(today, limits::DefaultOverdueDays);
        QString plainSql = limits::overdueSql(dm.ADOConnection1.dialect());
        plainSql.replace(QStringLiteral("julianday(?)"),
                         QStringLiteral("julianday('%1 00:00:00')").arg(before.toString(Qt::ISODate)));
        Line o(QStringLiteral("Overdue debts list (overdueList)"));
        o.maxRatio = 1.5;
        int overdue = 0;
        measure(
            o, runs,
            [&] { return timeMs([&] { overdue = int(limits::overdueList(dm.ADOConnection1, 30, today).size()); }); },
            [&] { return timeMs([&] { stepAll(own.get(), plainSql); }); });
        o.note = QStringLiteral("%1 of %2 debts overdue on %3").arg(overdue).arg(dm.dtset_DolgiSQL.recordCount())
                     .arg(today.toString(QStringLiteral("dd.MM.yyyy")));
        print(o);

        Line v(QStringLiteral("Overdue view of the debts page (filter)"));
        v.maxRatio = 1.5;
        const QString text = QStringLiteral("Date < '%1'").arg(before.toString(QStringLiteral("dd.MM.yyyy")));
        int shown = 0;
        measure(
            v, runs,
            [&] {
                const double ms = timeMs([&] {
                    dm.dtset_DolgiSQL.setFilter(text);
                    dm.dtset_DolgiSQL.setFiltered(true);
                });
                shown = dm.dtset_DolgiSQL.recordCount();
                return ms;
            },
            [&] { return timeMs([&] { stepAll(own.get(), plainSql); }); },
            [&] { dm.dtset_DolgiSQL.setFiltered(false); });
        v.note = QStringLiteral("floor: the overdue SQL; %1 debts shown").arg(shown);
        print(v);
    }

    dmHolder.reset();

    // Each stock movement end to end through the windows; beside it, the full
    // refresh of the pages it shows again.
    for (const MovementFigure& f : measureMovements(path, runs)) {
        Line l(f.what);
        l.maxMs = onFile ? 15 : 20;
        l.figure = median(f.totalMs);
        l.floor = f.refreshMs.empty() ? kNoFloor : median(f.refreshMs);
        l.note = f.note;
        l.error = f.error;
        print(l);
    }

    // Copies of the database: the online backup against a plain file copy
    // (cp, then the copy put on disk, as the backup does), the whole checked
    // copy beside the same floor, and how long the window's event loop stalls
    // while the copy is written from its own thread.
    if (!onFile) {
        fileOnly(QStringLiteral("Backup copy (online backup, on disk)"));
        fileOnly(QStringLiteral("  the same checked and named (makeCopy)"));
        fileOnly(QStringLiteral("Longest window pause during a backup copy"));
    } else {
        QTemporaryDir copies;
        int n = 0;
        // The program has the file open meanwhile, as when it copies.
        Connection program;
        program.open(path);
        auto fresh = [&] { return copies.filePath(QStringLiteral("c%1.db").arg(++n)); };
        // Processor time, which the machine's other work does not stretch.
        auto cpuMs = [](int who) {
            struct rusage u;
            ::getrusage(who, &u);
            return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
        };
        std::vector<double> copyCpu, cpCpu;
        auto plainCopy = [&] {
            const QString t = fresh();
            const double c0 = cpuMs(RUSAGE_CHILDREN) + cpuMs(RUSAGE_SELF);
            const double ms = timeMs([&] {
                if (QProcess::execute(QStringLiteral("cp"), {path, t}) != 0)
                    throw DbError(QStringLiteral("cp failed"));
                QFile f(t);
                if (!f.open(QIODevice::ReadWrite) || ::fsync(f.handle()) != 0)
                    throw DbError(QStringLiteral("fsync failed"));
            });
            cpCpu.push_back(cpuMs(RUSAGE_CHILDREN) + cpuMs(RUSAGE_SELF) - c0);
            QFile::remove(t);
            return ms;
        };
        Line l(QStringLiteral("Backup copy (online backup, on disk)"));
        l.maxRatio = 1.5;
        measure(l, runs, [&] {
            const QString t = fresh();
            const double c0 = cpuMs(RUSAGE_SELF);
            const double ms = timeMs([&] {
                Connection c;
                c.openReadOnly(path);
                c.engine().backupTo(t, {});
            });
            copyCpu.push_back(cpuMs(RUSAGE_SELF) - c0);
            QFile::remove(t);
            return ms;
        }, plainCopy);
        l.note = QStringLiteral("floor: cp of the %1 file and fsync of the copy; processor time %2 ms, cp's %3 ms")
                     .arg(mb(double(QFileInfo(path).size())))
                     .arg(median(copyCpu), 0, 'f', 0)
                     .arg(median(cpCpu), 0, 'f', 0);
        print(l);

        Line whole(QStringLiteral("  the same checked and named (makeCopy)"));
        measure(whole, runs, [&] {
            const QString folder = fresh();
            QDir().mkpath(folder);
            QString made;
            const double ms = timeMs([&] {
                const backup::CopyOutcome r = backup::makeCopy(path, folder, QDateTime::currentDateTime());
                if (!r.ok)
                    throw DbError(r.error);
                made = r.path;
            });
            QFile::remove(made);
            return ms;
        }, plainCopy);
        whole.note = QStringLiteral("the copy, the integrity check of every page of it, and its name given");
        print(whole);

        // The window's event loop ticking every 5 ms: its longest pause while
        // the day's copy is written, beside the same time without a copy.
        backup::Runner& runner = backup::Runner::instance();
        runner.setDatabase(path, nullptr);
        double copyMs = 0;
        auto longestPause = [&](bool copying) {
            QElapsedTimer t;
            qint64 last = 0, worst = 0;
            QTimer tick;
            tick.setInterval(5);
            QObject::connect(&tick, &QTimer::timeout, [&] {
                const qint64 now = t.elapsed();
                worst = std::max(worst, now - last);
                last = now;
            });
            QEventLoop loop;
            QString folder = fresh();
            QDir().mkpath(folder);
            t.start();
            tick.start();
            if (copying) {
                QObject::connect(&runner, &backup::Runner::finished, &loop, &QEventLoop::quit);
                if (!runner.start(folder))
                    throw DbError(QStringLiteral("the copy did not start"));
                loop.exec();
                copyMs = double(t.elapsed());
            } else {
                QTimer::singleShot(int(std::max(copyMs, 200.0)), &loop, &QEventLoop::quit);
                loop.exec();
            }
            QDir(folder).removeRecursively();
            return double(worst);
        };
        Line pause(QStringLiteral("Longest window pause during a backup copy"));
        // The copy's own effect on the window: beside the same loop without
        // it (the machine's other work pauses both alike).
        pause.maxRatio = 1.5;
        std::vector<double> f, g;
        for (int i = 0; i < runs; ++i) {
            f.push_back(longestPause(true));
            g.push_back(longestPause(false));
        }
        pause.figure = median(f);
        pause.floor = median(g);
        pause.note = QStringLiteral("floor: the same event loop as long without a copy; the copy took %1 ms")
                         .arg(copyMs, 0, 'f', 0);
        runner.setDatabase(QString(), nullptr);
        print(pause);
    }
    return 0;
}

int main(int argc, char** argv)
{
    // Started by itself to time the program's start in a process of its own.
    if (const int rc = startChildMain(argc, argv,
                                      [](const QString& path) {
                                          sqlite3* db = openPlain(path);
                                          for (const QString& s : startSqlTexts())
                                              stepAll(db, s);
                                          sqlite3_close(db);
                                      });
        rc >= 0)
        return rc;
    // The picture case paints a picture box off screen, and the movements run
    // in their windows off screen; no window is shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tooldb-bench"));

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Measures the data layer against its speed and memory goals on a large database.\n"
        "Without --db it writes the benchmark database (100,000 tools, 10,000 open debts,\n"
        "200,000 closed debts, 1,000,000 receipts, 300,000 write-offs; --tools scales them)\n"
        "into a temporary folder.\n"
        "--db PATH: when PATH does not exist, the benchmark database is written there, kept and\n"
        "measured (the receipt measured adds rows to it); when it exists, it is never changed:\n"
        "a copy of it in a temporary folder is measured.\n"
        "--db postgresql://...: an empty database on a PostgreSQL server (best on the same\n"
        "machine, through its socket): the benchmark database is written into a temporary file\n"
        "and measured there, then copied onto the server and measured again; the floors there\n"
        "are the same queries read with libpq alone. Both sets of figures are printed side by side;\n"
        "the measures that read the SQLite file itself (the program's start, minimum stock and\n"
        "overdue debts, the usage reports, the backup copy) run on the file only.\n"
        "Exit status: 0 when every measure ran (a missed goal is reported, not an error);\n"
        "1 on an error (the database cannot be written, copied or opened, a measure failed);\n"
        "2 on a bad option."));
    p.addHelpOption();
    p.addOption({QStringLiteral("db"),
                 QStringLiteral("Database to measure: a file, or an empty server database (postgresql://...)."),
                 QStringLiteral("PATH")});
    p.addOption({QStringLiteral("picture"),
                  QStringLiteral("A picture file to show in the picture box as well (e.g. a camera's photo)."),
                  QStringLiteral("FILE")});
    p.addOption({QStringLiteral("runs"), QStringLiteral("Runs per figure; medians are shown (5)."), QStringLiteral("N")});
    p.addOption({QStringLiteral("tools"),
                  QStringLiteral("Tools of the database written (100000; at most 1000000); the debts and "
                                 "histories grow in proportion."),
                  QStringLiteral("N")});
    p.process(app);

    int tools = 100000;
    if (p.isSet(QStringLiteral("tools"))) {
        bool ok = false;
        tools = p.value(QStringLiteral("tools")).toInt(&ok);
        if (!ok || tools < 400 || tools > 1000000) {
            std::fprintf(stderr, "tooldb-bench: --tools needs a whole number from 400 to 1000000\n");
            return 2;
        }
    }

    int runs = 5;
    if (p.isSet(QStringLiteral("runs"))) {
        bool ok = false;
        runs = p.value(QStringLiteral("runs")).toInt(&ok);
        if (!ok || runs < 1) {
            std::fprintf(stderr, "tooldb-bench: --runs needs a whole number from 1\n");
            return 2;
        }
    }

    if (!p.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "tooldb-bench: unexpected argument \"%s\"; see --help\n",
                     p.positionalArguments().first().toUtf8().constData());
        return 2;
    }
    QTemporaryDir tmp;
    if (!tmp.isValid())
        return fatal(QStringLiteral("cannot make a temporary folder: %1").arg(tmp.errorString()));
    QString path = p.value(QStringLiteral("db"));
    QString server;
    if (isServerName(path)) {
        // A server database: the benchmark database is written into a file
        // here, measured there, then copied onto the server (which must hold
        // no data: the measures write) and measured again.
        server = path;
        try {
            Connection c;
            c.open(server, false);
            if (holdsSchema(c) && c.scalar(QStringLiteral("SELECT COUNT(*) FROM Pasw_TBL")) > 0)
                return fatal(QStringLiteral("%1 holds data: name an empty server database (the measures write into it, "
                                            "and it is kept filled)")
                                 .arg(c.displayName()));
        } catch (const DbError& e) {
            return fatal(QStringLiteral("cannot use %1: %2").arg(server, e.message()));
        }
        path.clear();
    }
    if (path.isEmpty())
        path = tmp.filePath(QStringLiteral("db_instr.db"));
    if (QFileInfo::exists(path)) {
        // A database this run did not write is measured on a copy: the
        // measures write (a receipt), and the file is someone's.
        const QString copy = tmp.filePath(QStringLiteral("db_instr.db"));
        std::printf("Copying %s to measure the copy ...\n", path.toUtf8().constData());
        std::fflush(stdout);
        try {
            copyDatabaseFile(path, copy);
            checkDatabaseFile(copy);
        } catch (const DbError& e) {
            return fatal(QStringLiteral("cannot use %1: %2").arg(path, e.message()));
        }
        path = copy;
    } else {
        SampleOptions o;
        const double scale = tools / 100000.0;
        o.tools = tools;
        o.debts = int(10000 * scale);
        o.closed = int(200000 * scale);
        o.receipts = std::min(int(1000000 * scale), 10000000);
        o.writeoffs = int(300000 * scale);
        std::printf("Writing the benchmark database %s ...\n", path.toUtf8().constData());
        std::fflush(stdout);
        try {
            const double ms = timeMs([&] { writeSampleDatabase(path, o); });
            std::printf("  written in %.2f s: %d tools, %d open debts, %d closed, %d receipts, %d write-offs, %s\n",
                        ms / 1000, o.tools, o.debts, o.closed, o.receipts, o.writeoffs,
                        mb(double(QFileInfo(path).size())).toUtf8().constData());
        } catch (const DbError& e) {
            return fatal(QStringLiteral("cannot write the benchmark database: %1").arg(e.message()));
        }
    }

    const QString picture = p.value(QStringLiteral("picture"));
    std::vector<Line> fileLines, serverLines;
    g_lines = &fileLines;
    if (const int rc = measureDatabase(path, runs, tmp.path(), picture, true))
        return rc;
    if (!server.isEmpty()) {
        // The same database copied onto the server, measured again.
        std::printf("\nCopying the benchmark database onto %s ...\n", server.toUtf8().constData());
        std::fflush(stdout);
        try {
            const double ms = timeMs([&] {
                const CopyOutcome c = copyDatabase(path, server);
                if (!c.ok)
                    throw DbError(c.error);
            });
            std::printf("  copied in %.2f s\n", ms / 1000);
        } catch (const DbError& e) {
            return fatal(QStringLiteral("cannot copy the benchmark database onto %1: %2").arg(server, e.message()));
        }
        g_lines = &serverLines;
        if (const int rc = measureDatabase(server, runs, tmp.path(), picture, false))
            return rc;
        g_lines = nullptr;
        std::printf("\nSide by side: the SQLite file and the server (figure / floor, ms)\n");
        std::printf("%-44s %21s %21s\n", "measure", "SQLite file", "server");
        auto cell = [](const Line& l) {
            if (l.fileOnly)
                return QStringLiteral("file only");
            if (!l.error.isEmpty())
                return QStringLiteral("error");
            QString t = QString::number(l.figure, 'f', 2);
            if (l.floor > 0)
                t += QStringLiteral(" / %1").arg(l.floor, 0, 'f', 2);
            return t + (missed(l) ? QStringLiteral(" !") : QString());
        };
        for (const Line& f : fileLines) {
            auto s = std::find_if(serverLines.begin(), serverLines.end(), [&](const Line& x) { return x.what == f.what; });
            // The usage reports stand on the server as one line.
            if (s == serverLines.end() && f.what.startsWith(QStringLiteral("Report")))
                s = std::find_if(serverLines.begin(), serverLines.end(),
                                 [&](const Line& x) { return x.what == QStringLiteral("Usage reports"); });
            std::printf("%s %21s %21s\n", f.what.leftJustified(44).toUtf8().constData(), cell(f).toUtf8().constData(),
                        (s == serverLines.end() ? QStringLiteral("-") : cell(*s)).toUtf8().constData());
        }
        std::printf("(! a goal missed; file only: it reads the SQLite file through its C API)\n");
    }

    std::printf("\nGoals: the data module created within 1.2x its floor; the program's start to its login window\n"
                "< 0.5 s at 100,000 tools, < 2 s at 1,000,000; the debts list within 1.5x ten times its first\n"
                "tenth; every other open and refresh within 1.5x its floor; sort < 30 ms; receipts and write-offs\n"
                "histories within 1.3x the plain scan of their table, and at 100,000 tools: receipts\n"
                "(1,000,000 rows) <= 0.8 s, write-offs (300,000) <= 0.25 s, each < 300 MB; one tool's\n"
                "history < 20 ms; a history row deleted and the list re-read < 1 s; one receipt < 50 ms;\n"
                "drill filter on and off within 1.5x their floors; partial record search < 5 ms; a 12 MP\n"
                "JPEG shown in a picture box < 40 ms; each stock movement (issue of each kind, receipt, write-off,\n"
                "transfer, return) end to end < 15 ms (< 20 ms on a server); a page refresh with its minimum\n"
                "marks within 1.1x the refresh alone; \"Что заказать\" and the overdue debts within 1.5x their\n"
                "SQL; each usage report over the whole database within 1.5x its aggregate SQL and < 1 s; a backup\n"
                "copy within 1.5x cp, the window's longest pause while it is written within 1.5x the same without it.\n");
    if (g_failedMeasures > 0) {
        std::fprintf(stderr, "tooldb-bench: %d measure(s) failed\n", g_failedMeasures);
        return 1;
    }
    return 0;
}
