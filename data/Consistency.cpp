#include "Consistency.h"

#include "Connection.h"
#include "DbError.h"
#include "Schema.h"
#include "ToolKind.h"

#include <QFileInfo>
#include <QUrl>

#include <array>
#include <functional>
#include <memory>

#include <sqlite3.h>

namespace {

// One statement, stepped row by row; DbError on every engine failure.
class Rows {
public:
    Rows(sqlite3* db, const QString& sql) : m_db(db)
    {
        const QByteArray u = sql.toUtf8();
        if (sqlite3_prepare_v2(db, u.constData(), int(u.size()), &m_st, nullptr) != SQLITE_OK)
            throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    ~Rows() { sqlite3_finalize(m_st); }
    Rows(const Rows&) = delete;
    Rows& operator=(const Rows&) = delete;

    bool next()
    {
        const int rc = sqlite3_step(m_st);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            throw DbError(QString::fromUtf8(sqlite3_errmsg(m_db)));
        return false;
    }
    int type(int i) const { return sqlite3_column_type(m_st, i); }
    qint64 integer(int i) const { return sqlite3_column_int64(m_st, i); }
    double real(int i) const { return sqlite3_column_double(m_st, i); }
    QString text(int i) const
    {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(m_st, i));
        return t ? QString::fromUtf8(t, sqlite3_column_bytes(m_st, i)) : QString();
    }
    // The value as the line shows it; a null as "пусто".
    QString shown(int i) const
    {
        switch (type(i)) {
        case SQLITE_NULL: return QStringLiteral("пусто");
        case SQLITE_FLOAT: return QString::number(real(i), 'g', 15).replace(QLatin1Char('.'), QLatin1Char(','));
        default: return text(i);
        }
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_st = nullptr;
};

// The kinds in the order of their codes, as the findings are listed.
std::array<const ToolKindInfo*, ToolKindCount> kindsByCode()
{
    std::array<const ToolKindInfo*, ToolKindCount> out{};
    for (int i = 0; i < ToolKindCount; ++i)
        out[size_t(i)] = &toolKind(toolKindsByCode()[size_t(i)]);
    return out;
}

// SQL condition that a count column breaks: not a whole number, or below 0.
QString badCount(const QString& col)
{
    return QStringLiteral("(typeof(%1) NOT IN ('integer', 'null') OR %1 < 0)").arg(col);
}

// What is wrong with a count, "" when nothing.
QString countProblem(const Rows& r, int i, const QString& label)
{
    const int t = r.type(i);
    if (t == SQLITE_NULL)
        return {};
    if (t != SQLITE_INTEGER)
        return QStringLiteral("%1 не целое число: %2").arg(label, r.shown(i));
    if (r.integer(i) < 0)
        return QStringLiteral("%1 меньше нуля: %2").arg(label).arg(r.integer(i));
    return {};
}

QString toolText(int kindCode, const QString& code, const QString& id)
{
    return QStringLiteral("%1, код \"%2\" (ID %3)").arg(kindName(kindCode), code, id);
}

void checkIntegrity(sqlite3* db, QStringList& out)
{
    Rows r(db, QStringLiteral("PRAGMA integrity_check"));
    while (r.next()) {
        const QString text = r.text(0);
        if (text == QLatin1String("ok"))
            continue;
        // One finding may span lines ("*** in database main ***", then the page).
        for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            if (!line.startsWith(QLatin1String("***")))
                out << QStringLiteral("Файл базы данных поврежден: %1").arg(line.trimmed());
    }
}

void checkKindNames(sqlite3* db, QStringList& out)
{
    for (const ToolKindInfo* k : kindsByCode()) {
        Rows r(db, QStringLiteral("SELECT count(*) FROM List_Tabl WHERE ID = %1").arg(k->code));
        if (r.next() && r.integer(0) == 0)
            out << QStringLiteral("Вида \"%1\" (код %2) нет в таблице List_Tabl: его долги и история не показываются")
                       .arg(kindName(k->code))
                       .arg(k->code);
    }
}

// Counters, the count in work against the open debts, and the firm.
void checkTools(sqlite3* db, const ToolKindInfo& k, QStringList& out)
{
    static const char* const counters[] = {"K_vo_New", "K_vo_BU", "K_vo_Dolg", "K_vo_Vozvrat"};
    static const char* const labels[] = {"\"К-во новый\"", "\"К-во БУ\"", "\"К-во долг\"", "\"К-во возврат\""};
    {
        QStringList bad;
        for (const char* c : counters)
            bad << badCount(QString::fromLatin1(c));
        const QString sql = QStringLiteral(
            "SELECT * FROM (SELECT T.ID, T.Kod, T.K_vo_New, T.K_vo_BU, T.K_vo_Dolg, T.K_vo_Vozvrat, T.ID_Firma, "
            "(SELECT count(*) FROM Firma AS F WHERE F.ID = T.ID_Firma) AS firms, "
            "(SELECT total(D.K_vo) FROM Dolgi AS D WHERE D.ID_Tabl = %2 AND D.ID_Instr = T.ID) AS debts "
            "FROM %1 AS T) WHERE %3 OR firms = 0 OR IFNULL(K_vo_Dolg, 0) <> debts ORDER BY ID")
                                .arg(QString::fromLatin1(k.table))
                                .arg(k.code)
                                .arg(bad.join(QStringLiteral(" OR ")));
        Rows r(db, sql);
        while (r.next()) {
            const QString tool = toolText(k.code, r.text(1), r.text(0));
            for (int c = 0; c < 4; ++c) {
                const QString p = countProblem(r, 2 + c, QString::fromUtf8(labels[c]));
                if (!p.isEmpty())
                    out << tool + QStringLiteral(": ") + p;
            }
            const double debts = r.real(8);
            const double inWork = r.type(4) == SQLITE_NULL ? 0.0 : r.real(4);
            if (inWork != debts)
                out << tool
                        + QStringLiteral(": \"К-во долг\" %1, а в открытых долгах %2")
                              .arg(r.type(4) == SQLITE_NULL ? QStringLiteral("пусто") : r.shown(4),
                                   QString::number(debts, 'g', 15).replace(QLatin1Char('.'), QLatin1Char(',')));
            if (r.integer(7) == 0)
                out << tool
                        + (r.type(6) == SQLITE_NULL ? QStringLiteral(": фирма не указана")
                                                    : QStringLiteral(": фирмы с ID %1 нет").arg(r.shown(6)));
        }
    }
}

// A table whose rows name a tool by (ID_Tabl, ID_Instr): debts and histories.
struct RefTable {
    const char* table;
    const char* what;          // "Долг", ...
    bool numbered;             // has Nomer_Zap
    bool people;               // has ID_People
    bool closed;               // Dolgi_History: what came back, and the closing code
    std::vector<std::pair<const char*, const char*>> counts;   // column, label
};

void checkReferences(sqlite3* db, const RefTable& t, QStringList& out)
{
    QStringList toolCount, toolCode, bad;
    for (const ToolKindInfo* k : kindsByCode()) {
        toolCount << QStringLiteral("WHEN %1 THEN (SELECT count(*) FROM %2 WHERE ID = R.ID_Instr)")
                         .arg(k->code)
                         .arg(QString::fromLatin1(k->table));
        toolCode << QStringLiteral("WHEN %1 THEN (SELECT Kod FROM %2 WHERE ID = R.ID_Instr)")
                        .arg(k->code)
                        .arg(QString::fromLatin1(k->table));
    }
    QStringList cols{QStringLiteral("R.ID"),
                     t.numbered ? QStringLiteral("R.Nomer_Zap") : QStringLiteral("NULL"),
                     QStringLiteral("R.ID_Tabl"),
                     QStringLiteral("R.ID_Instr"),
                     QStringLiteral("CASE R.ID_Tabl %1 ELSE -1 END AS tools").arg(toolCount.join(QLatin1Char(' '))),
                     QStringLiteral("CASE R.ID_Tabl %1 END").arg(toolCode.join(QLatin1Char(' '))),
                     t.people ? QStringLiteral("R.ID_People") : QStringLiteral("NULL"),
                     t.people ? QStringLiteral("(SELECT count(*) FROM People AS P WHERE P.ID = R.ID_People) AS people")
                              : QStringLiteral("1 AS people")};
    bad << QStringLiteral("tools <> 1") << QStringLiteral("people = 0");
    for (size_t i = 0; i < t.counts.size(); ++i) {
        const QString c = QStringLiteral("c%1").arg(i);
        cols << QStringLiteral("R.%1 AS %2").arg(QString::fromLatin1(t.counts[i].first), c);
        bad << badCount(c);
    }
    if (t.closed) {
        // c0 taken, c1 back new, c2 back used, c3 written off.
        cols << QStringLiteral("R.ID_Del_Type AS delType")
             << QStringLiteral("CASE WHEN IFNULL(R.K_vo_Instr_Vernul_New, 0) > 0 AND IFNULL(R.K_vo_Instr_Vernul_BU, 0) > 0 "
                               "THEN 4 WHEN IFNULL(R.K_vo_Instr_Vernul_New, 0) > 0 THEN 2 "
                               "WHEN IFNULL(R.K_vo_Instr_Vernul_BU, 0) > 0 THEN 3 ELSE 1 END AS wantType");
        bad << QStringLiteral("IFNULL(c0, 0) <> IFNULL(c1, 0) + IFNULL(c2, 0) + IFNULL(c3, 0)")
            << QStringLiteral("delType IS NOT wantType");
    }
    const QString sql = QStringLiteral("SELECT * FROM (SELECT %1 FROM %2 AS R) WHERE %3 ORDER BY ID")
                            .arg(cols.join(QStringLiteral(", ")), QString::fromLatin1(t.table),
                                 bad.join(QStringLiteral(" OR ")));
    Rows r(db, sql);
    const int firstCount = 8;
    while (r.next()) {
        QString row = t.numbered ? QStringLiteral("%1 № %2 (ID %3)").arg(QString::fromUtf8(t.what), r.shown(1), r.text(0))
                                 : QStringLiteral("%1 (ID %2)").arg(QString::fromUtf8(t.what), r.text(0));
        const qint64 tools = r.integer(4);
        if (tools == -1) {
            out << row + QStringLiteral(": вида инструмента с кодом %1 нет (ID_Instr %2)").arg(r.shown(2), r.shown(3));
            continue;
        }
        const int kind = int(r.integer(2));
        if (tools == 0) {
            out << row + QStringLiteral(": инструмента вида \"%1\" с ID %2 нет").arg(kindName(kind), r.shown(3));
        } else {
            row += QStringLiteral(", ") + toolText(kind, r.text(5), r.text(3));
        }
        if (r.integer(7) == 0)
            out << row
                    + (r.type(6) == SQLITE_NULL ? QStringLiteral(": оператор не указан")
                                                : QStringLiteral(": оператора с ID %1 нет").arg(r.shown(6)));
        bool countsSound = true;
        for (size_t i = 0; i < t.counts.size(); ++i) {
            const QString p = countProblem(r, firstCount + int(i), QString::fromUtf8(t.counts[i].second));
            if (!p.isEmpty()) {
                out << row + QStringLiteral(": ") + p;
                countsSound = false;
            }
        }
        if (t.closed && countsSound) {
            const int c = firstCount;
            auto n = [&](int i) { return r.type(c + i) == SQLITE_NULL ? 0 : r.integer(c + i); };
            if (n(0) != n(1) + n(2) + n(3))
                out << row
                        + QStringLiteral(": взято %1, а возвращено новых %2, БУ %3, списано %4")
                              .arg(n(0))
                              .arg(n(1))
                              .arg(n(2))
                              .arg(n(3));
            const int d = c + int(t.counts.size());
            if (r.type(d) != SQLITE_INTEGER || r.integer(d) != r.integer(d + 1))
                out << row
                        + QStringLiteral(": код закрытия %1, а по возвращенному должен быть %2")
                              .arg(r.shown(d))
                              .arg(r.integer(d + 1));
        }
    }
}

} // namespace

QStringList consistencyFindings(sqlite3* db, const QString& path, bool wholeFile)
{
    // One read transaction: counters and debts are seen as of one moment,
    // whatever another copy of the program commits meanwhile.
    struct ReadTransaction {
        sqlite3* db;
        bool own;
        ~ReadTransaction()
        {
            if (own)
                sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    } rt{db, sqlite3_get_autocommit(db) != 0};
    if (rt.own && sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
    QStringList out;
    if (wholeFile) {
        try {
            checkIntegrity(db, out);
        } catch (const DbError& e) {
            out << QStringLiteral("Файл базы данных поврежден: %1").arg(e.message());
        }
    }
    try {
        verifySchema(db, path);
    } catch (const DbError& e) {
        // Rows of a file that is not the program's database cannot be judged.
        out << e.message();
        return out;
    }
    const RefTable tables[] = {
        {"Dolgi", "Долг", true, true, false, {{"K_vo", "количество"}}},
        {"Dolgi_History",
         "Закрытый долг",
         true,
         true,
         true,
         {{"K_vo_Instr_Bral", "взято"},
          {"K_vo_Instr_Vernul_New", "возвращено новых"},
          {"K_vo_Instr_Vernul_BU", "возвращено БУ"},
          {"K_vo_Instr_Spisano", "списано"}}},
        {"Prihod_History", "Приход", false, false, false, {{"K_vo", "количество"}}},
        {"Spisanie_History", "Списание", false, false, false, {{"K_vo", "количество"}}},
    };
    // Each part on its own: a damaged table stops only its own part.
    auto part = [&](const QString& what, const std::function<void()>& check) {
        try {
            check();
        } catch (const DbError& e) {
            out << QStringLiteral("Проверка таблицы %1 прервана: %2").arg(what, e.message());
        }
    };
    part(QStringLiteral("List_Tabl"), [&] { checkKindNames(db, out); });
    for (const ToolKindInfo* k : kindsByCode())
        part(QString::fromLatin1(k->table), [&] { checkTools(db, *k, out); });
    for (const RefTable& t : tables)
        part(QString::fromLatin1(t.table), [&] { checkReferences(db, t, out); });
    return out;
}

QStringList consistencyFindings(Connection& c, bool wholeFile)
{
    if (!c.isOpen())
        throw DbError(QStringLiteral("Нет соединения с базой данных."));
    return consistencyFindings(c.handle(), c.path(), wholeFile);
}

namespace {

// A read-only connection that has read the file once.
struct Reader {
    sqlite3* db = nullptr;
    bool opened = false;   // false: the open itself failed
    QString error;         // the engine's words when it failed
    int code = SQLITE_OK;  // extended result code
    ~Reader() { sqlite3_close(db); }

    bool open(const QByteArray& uri)
    {
        if (sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK)
            return fail();
        opened = true;
        // A reader never folds the log into the file, not even on closing.
        sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        sqlite3_busy_timeout(db, 15000);
        // A page cache of this connection alone (nothing is stored in the
        // file): the history rows look up their tools, which stay in memory.
        sqlite3_exec(db, "PRAGMA cache_size=-65536", nullptr, nullptr, nullptr);
        // The first read: a file that is not a database at all fails here.
        if (sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK)
            return fail();
        return true;
    }
    bool fail()
    {
        error = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("нет памяти");
        code = db ? sqlite3_extended_errcode(db) : SQLITE_NOMEM;
        return false;
    }
};

} // namespace

QStringList consistencyOfFile(const QString& path)
{
    const QFileInfo fi(path);
    if (!fi.exists() || !fi.isFile())
        throw DbError(QStringLiteral("Файл базы данных \"%1\" не найден.").arg(path));
    const QString abs = fi.absoluteFilePath();
    // With neither a write-ahead log nor a rollback journal beside it, no
    // program is writing the file: it is read as unchangeable, which takes
    // no locks and creates no log files. Otherwise it is read through its
    // log, read-only, as a second reader would (also the log a crashed
    // program left behind).
    const bool logBeside = QFileInfo::exists(abs + QStringLiteral("-wal"))
        || QFileInfo::exists(abs + QStringLiteral("-journal"));
    QUrl url = QUrl::fromLocalFile(abs);
    url.setScheme(QStringLiteral("file"));
    // A reader through the log keeps its place in the log's index (the
    // "-shm" file, the readers' shared memory), and rebuilds the index when
    // a crash left it stale, as every reader does; the file and the log
    // itself it only reads.
    auto reader = std::make_unique<Reader>();
    const bool read = reader->open(url.toString(QUrl::FullyEncoded).toUtf8()
                                   + (logBeside ? QByteArray("?mode=ro") : QByteArray("?mode=ro&immutable=1")));
    if (!read && !reader->opened)
        throw DbError(QStringLiteral("Не удается открыть базу данных \"%1\": %2").arg(path, reader->error));
    if (!read)
        throw DbError(QStringLiteral("Файл \"%1\" не является базой данных программы: %2").arg(path, reader->error));
    sqlite3* db = reader->db;
    try {
        verifySchema(db, path);
    } catch (const DbError&) {
        // Damage can hide tables: say what the engine finds first.
        QStringList damage;
        checkIntegrity(db, damage);
        if (!damage.isEmpty())
            return damage;
        throw;
    }
    return consistencyFindings(db, path);
}
