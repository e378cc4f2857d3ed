// The engine of a database on a PostgreSQL server, through libpq.
//
// - Names: the tables and columns are created unquoted (lower case), so that
//   the program's texts find them whatever their letter case; a quoted
//   identifier in a text ("Default", "Date") is read in lower case too.
// - Parameters: "?" in the texts becomes $1, $2, ...; values go as text and
//   the server gives them the types of the columns they meet.
// - The write lock: every write transaction first raises the counter row of
//   tooldb_version, which only one transaction at a time can hold; a holder
//   elsewhere is waited for at most the busy wait (lock_timeout), and the
//   counter is the change version that tells whether anyone wrote meanwhile.
//   Its commit notifies the other copies (LISTEN/NOTIFY tooldb_change).
// - Reading: a statement without parameters that returns rows is streamed
//   with COPY (...) TO STDOUT, so that a list of a million rows is neither
//   held twice nor fetched row by row; the others run at once.
// - A server that stopped or cannot be reached: the statement fails with
//   DbError ServerLost, nothing of the transaction is stored (the server's
//   atomicity), and the next statement connects again (connect_timeout).
#include "Engine.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

#include <charconv>
#include <cstring>
#include <optional>
#include <vector>

#include <libpq-fe.h>
#include <poll.h>

namespace {

// The SQLSTATE codes that mean something to the program.
bool isLockTimeout(const QByteArray& s) { return s == "55P03"; }
bool isConflict(const QByteArray& s) { return s == "40001" || s == "40P01"; }
bool isDiskFull(const QByteArray& s) { return s == "53100"; }
bool isConnectionGone(const QByteArray& s)
{
    return s.startsWith("08") || s == "57P01" || s == "57P02" || s == "57P03";
}

// Type OIDs of the built-in types the program reads.
enum : Oid {
    BoolOid = 16, Int8Oid = 20, Int2Oid = 21, Int4Oid = 23, OidOid = 26, Float4Oid = 700, Float8Oid = 701,
    NumericOid = 1700, ByteaOid = 17
};

ValueType valueTypeOf(Oid t)
{
    switch (t) {
    case BoolOid:
    case Int8Oid:
    case Int2Oid:
    case Int4Oid:
    case OidOid: return ValueType::Integer;
    case Float4Oid:
    case Float8Oid:
    case NumericOid: return ValueType::Float;
    case ByteaOid: return ValueType::Blob;
    default: return ValueType::Text;
    }
}

// The text as the server reads it: quoted identifiers in lower case, "?"
// parameters numbered; string literals left as they are.
QByteArray serverText(const QString& sql, int* params)
{
    const QByteArray in = sql.toUtf8();
    QByteArray out;
    out.reserve(in.size() + 16);
    int n = 0;
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char ch = in[i];
        if (ch == '\'') {
            const qsizetype end = in.indexOf('\'', i + 1);
            qsizetype j = end < 0 ? in.size() - 1 : end;
            // '' inside a literal continues it.
            while (j + 1 < in.size() && in[j + 1] == '\'') {
                const qsizetype next = in.indexOf('\'', j + 2);
                j = next < 0 ? in.size() - 1 : next;
            }
            out += in.mid(i, j - i + 1);
            i = j;
        } else if (ch == '"') {
            const qsizetype end = in.indexOf('"', i + 1);
            const qsizetype j = end < 0 ? in.size() - 1 : end;
            out += QString::fromUtf8(in.mid(i, j - i + 1)).toLower().toUtf8();
            i = j;
        } else if (ch == '?') {
            out += '$' + QByteArray::number(++n);
        } else {
            out += ch;
        }
    }
    if (params)
        *params = n;
    return out;
}

QByteArray dateText(const QDateTime& dt)
{
    QString f = dt.date().toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ')
        + dt.time().toString(QStringLiteral("HH:mm:ss"));
    if (dt.time().msec() != 0)
        f += QStringLiteral(".%1").arg(dt.time().msec(), 3, 10, QLatin1Char('0'));
    return f.toUtf8();
}

class PgEngine;
class PgStatement;

// The connection and what the statements share of it.
struct PgLink {
    PGconn* conn = nullptr;
    QByteArray conninfo;
    int busyWaitMs = 3000;
    bool inTransaction = false;
    bool aborted = false;          // an error inside the transaction: only a rollback now
    qint64 writeVersion = -1;      // the counter as this write transaction found it
    // The counter as last read outside a transaction: it stands until a
    // notification (any write to the database sends one) or a new connection.
    qint64 knownVersion = -1;
    QHash<quint64, std::pair<QString, QString>> origins;   // (table oid, column) -> names
    // A statement is on its way and its result awaited while the windows are
    // kept painted (waitFor): what they run meanwhile must not send anything,
    // or it would take that result for its own.
    bool waiting = false;
    // The statement whose rows are streaming in: the connection carries
    // nothing else until they are read, so another statement first has them
    // read into memory (a list that looks rows up as it reads).
    PgStatement* streaming = nullptr;
    void freeConnection();

    DbError error(const PGresult* r, const QString& context = {}) const;
    // The connection failed (libpq's own error, without a SQLSTATE, or
    // the server's word that it ends): the next command connects again.
    mutable bool broken = false;
    bool lost() const { return !conn || broken || PQstatus(conn) == CONNECTION_BAD; }
    void connect();
    void ensure();
    // Runs a text without parameters; DbError unless it succeeded.
    void run(const char* sql);
    // Runs a text that may wait for another's lock, keeping the windows
    // painted meanwhile; the caller clears the result.
    PGresult* waitFor(const char* sql);
    std::pair<QString, QString> origin(Oid table, int column);
};

DbError PgLink::error(const PGresult* r, const QString& context) const
{
    const QByteArray state = r ? QByteArray(PQresultErrorField(r, PG_DIAG_SQLSTATE)) : QByteArray();
    QString words = QString::fromUtf8(r ? PQresultErrorMessage(r) : PQerrorMessage(conn)).trimmed();
    if (words.isEmpty())
        words = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
    const QString msg = context.isEmpty() ? words : context + QStringLiteral(": ") + words;
    if (!conn || PQstatus(conn) == CONNECTION_BAD || isConnectionGone(state) || state.isEmpty()) {
        broken = true;
        return DbError(DbError::serverLostText(), DbError::Reason::ServerLost);
    }
    if (isLockTimeout(state))
        return DbError(DbError::busyText(), DbError::Reason::Busy);
    if (isConflict(state))
        return DbError(DbError::conflictText(), DbError::Reason::Conflict);
    if (isDiskFull(state))
        return DbError(msg, DbError::Reason::DiskFull);
    return DbError(msg);
}

void PgLink::connect()
{
    if (conn)
        PQfinish(conn);
    // The URI's own settings win over these defaults (they come after them).
    // A server that stops answering is noticed within seconds: the connect
    // timeout, keepalives while idle, and data left unacknowledged (10 s).
    const char* keys[] = {"connect_timeout", "keepalives", "keepalives_idle", "keepalives_interval", "keepalives_count",
                          "tcp_user_timeout", "application_name", "client_encoding", "dbname", nullptr};
    const char* values[] = {"5", "1", "5", "2", "2", "10000", "tooldb", "UTF8", conninfo.constData(), nullptr};
    conn = PQconnectdbParams(keys, values, 1);
    if (PQstatus(conn) != CONNECTION_OK) {
        const QString words = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
        PQfinish(conn);
        conn = nullptr;
        throw DbError(DbError::serverLostText() + QStringLiteral("\n\n") + words, DbError::Reason::ServerLost);
    }
    inTransaction = aborted = broken = false;
    knownVersion = -1;   // what was written while away is not known
    run("SET client_min_messages = warning");
    run("LISTEN tooldb_change");
}

void PgLink::ensure()
{
    if (waiting)
        throw DbError(DbError::busyText(), DbError::Reason::Busy);
    freeConnection();
    // The next command after the server went away connects again.
    if (lost()) {
        if (inTransaction)
            throw DbError(DbError::serverLostText(), DbError::Reason::ServerLost);
        connect();
    }
}

void PgLink::run(const char* sql)
{
    freeConnection();
    PGresult* r = PQexec(conn, sql);
    const ExecStatusType s = PQresultStatus(r);
    if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK) {
        const DbError e = error(r);
        PQclear(r);
        if (inTransaction)
            aborted = true;
        throw e;
    }
    PQclear(r);
}

PGresult* PgLink::waitFor(const char* sql)
{
    freeConnection();
    if (!PQsendQuery(conn, sql))
        return nullptr;
    waiting = true;
    while (PQconsumeInput(conn) && PQisBusy(conn)) {
        pollfd p{PQsocket(conn), POLLIN, 0};
        ::poll(&p, 1, 20);
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    }
    waiting = false;
    PGresult* r = PQgetResult(conn);
    while (PGresult* more = PQgetResult(conn))
        PQclear(more);
    return r;
}

std::pair<QString, QString> PgLink::origin(Oid table, int column)
{
    if (table == InvalidOid || column <= 0)
        return {};
    const quint64 key = (quint64(table) << 16) | quint64(column);
    const auto it = origins.constFind(key);
    if (it != origins.constEnd())
        return *it;
    // Every column of the table at once: one round trip per table read.
    const QByteArray t = QByteArray::number(table);
    const char* params[] = {t.constData()};
    PGresult* r = PQexecParams(conn,
                               "SELECT c.relname, a.attname, a.attnum FROM pg_attribute a JOIN pg_class c ON c.oid = "
                               "a.attrelid WHERE a.attrelid = $1 AND a.attnum > 0",
                               1, nullptr, params, nullptr, nullptr, 0);
    if (PQresultStatus(r) == PGRES_TUPLES_OK)
        for (int i = 0; i < PQntuples(r); ++i)
            origins.insert((quint64(table) << 16) | QByteArray(PQgetvalue(r, i, 2)).toULongLong(),
                           {QString::fromUtf8(PQgetvalue(r, i, 0)), QString::fromUtf8(PQgetvalue(r, i, 1))});
    PQclear(r);
    const auto found = origins.constFind(key);
    if (found != origins.constEnd())
        return *found;
    origins.insert(key, {});
    return {};
}

class PgStatement : public EngineStatement {
public:
    PgStatement(PgLink& link, const QString& sql) : m_link(link)
    {
        int n = 0;
        m_text = serverText(sql, &n);
        m_params.resize(size_t(n));
        m_null.assign(size_t(n), true);
        const QByteArray head = m_text.trimmed().left(8).toUpper();
        m_select = head.startsWith("SELECT") || head.startsWith("WITH");
        m_insert = head.startsWith("INSERT");
        // The key of an inserted row comes back with it.
        if (m_insert && !m_text.toUpper().contains("RETURNING")) {
            QByteArray t = m_text.trimmed();
            while (t.endsWith(';'))
                t.chop(1);
            m_text = t + " RETURNING id";
        }
    }
    ~PgStatement() override { clear(); }
    // The rows still to come read into memory, the connection free again.
    void bufferRest();

    void bindNull(int i) override { set(i, {}, true); }
    void bindInt(int i, qint64 v) override { set(i, QByteArray::number(v), false); }
    void bindDouble(int i, double v) override { set(i, QByteArray::number(v, 'g', 17), false); }
    void bindText(int i, const QByteArray& utf8) override { set(i, utf8, false); }
    void bindDateTime(int i, const QDateTime& v) override
    {
        if (!v.isValid())
            set(i, {}, true);
        else
            set(i, dateText(v), false);
    }

    bool next() override;
    void reset() override
    {
        clear();
        m_started = m_done = false;
        m_row = -1;
    }
    int columnCount() const override { return int(m_types.size()); }
    QString columnName(int c) const override { return m_names[size_t(c)]; }
    ValueType type(int c) const override
    {
        return cellNull(c) ? ValueType::Null : valueTypeOf(m_types[size_t(c)]);
    }
    qint64 int64(int c) const override
    {
        const std::string_view s = cell(c);
        if (s.empty())
            return 0;
        if (s == "t")
            return 1;
        if (s == "f")
            return 0;
        qint64 v = 0;
        if (std::from_chars(s.data(), s.data() + s.size(), v).ec != std::errc())
            return qint64(real(c));
        return v;
    }
    double real(int c) const override
    {
        const std::string_view s = cell(c);
        if (s.empty())
            return 0;
        double v = 0;
        std::from_chars(s.data(), s.data() + s.size(), v);
        return v;
    }
    std::string_view utf8(int c) const override { return cell(c); }
    qint64 changes() const override { return m_changes; }
    qint64 insertedId() const override { return m_inserted; }
    QString originTable(int c) const override { return m_origins[size_t(c)].first; }
    QString originColumn(int c) const override { return m_origins[size_t(c)].second; }

private:
    void set(int i, const QByteArray& v, bool null)
    {
        if (i < 0 || size_t(i) >= m_params.size())
            return;
        m_params[size_t(i)] = v;
        m_null[size_t(i)] = null;
    }
    void clear()
    {
        PQclear(m_result);
        m_result = nullptr;
        if (m_link.streaming == this)
            m_link.streaming = nullptr;
        m_rest.clear();
        m_restAt = 0;
        m_fromRest = false;
        m_restError.reset();
        if (m_copying) {
            // A stream left unread is drained: the connection must be free.
            char* buf = nullptr;
            while (PQgetCopyData(m_link.conn, &buf, 0) > 0)
                PQfreemem(buf);
            PQclear(PQgetResult(m_link.conn));
            while (PGresult* r = PQgetResult(m_link.conn))
                PQclear(r);
            m_copying = false;
        }
        m_cells.clear();
    }
    void describe(const PGresult* r)
    {
        const int n = PQnfields(r);
        m_types.resize(size_t(n));
        m_names.resize(size_t(n));
        m_origins.resize(size_t(n));
        for (int c = 0; c < n; ++c) {
            m_types[size_t(c)] = PQftype(r, c);
            m_names[size_t(c)] = QString::fromUtf8(PQfname(r, c));
            m_origins[size_t(c)] = m_link.origin(PQftable(r, c), PQftablecol(r, c));
        }
    }
    bool fail(PGresult* r)
    {
        const DbError e = m_link.error(r);
        if (r == m_result)
            m_result = nullptr;
        PQclear(r);
        if (m_link.inTransaction)
            m_link.aborted = true;
        m_done = true;
        throw e;
    }
    bool cellNull(int c) const
    {
        if (m_copying || !m_copyLine.isNull())
            return m_cells[size_t(c)].null;
        return PQgetisnull(m_result, m_row, c) != 0;
    }
    std::string_view cell(int c) const
    {
        if (m_copying || !m_copyLine.isNull()) {
            const Cell& x = m_cells[size_t(c)];
            return x.null ? std::string_view() : std::string_view(m_copyLine.constData() + x.at, size_t(x.len));
        }
        if (PQgetisnull(m_result, m_row, c))
            return {};
        return std::string_view(PQgetvalue(m_result, m_row, c), size_t(PQgetlength(m_result, m_row, c)));
    }
    bool start();
    bool startCopy();
    bool nextCopyRow();
    void parseCopyLine();

    struct Cell {
        int at = 0, len = 0;
        bool null = true;
    };
    PgLink& m_link;
    QByteArray m_text;
    bool m_select = false, m_insert = false;
    std::vector<QByteArray> m_params;
    std::vector<bool> m_null;
    PGresult* m_result = nullptr;
    int m_row = -1;
    bool m_started = false, m_done = false, m_copying = false;
    QByteArray m_copyLine;   // the row being read (unescaped in place)
    std::vector<QByteArray> m_rest;   // rows read ahead (bufferRest)
    size_t m_restAt = 0;
    bool m_fromRest = false;
    std::optional<DbError> m_restError;   // how the stream read ahead ended
    std::vector<Cell> m_cells;
    std::vector<Oid> m_types;
    std::vector<QString> m_names;
    std::vector<std::pair<QString, QString>> m_origins;
    qint64 m_changes = 0, m_inserted = 0;
};

bool PgStatement::next()
{
    if (m_done)
        return false;
    if (!m_started) {
        m_started = true;
        m_link.ensure();
        if (m_link.aborted)
            throw DbError(QStringLiteral("Транзакция прервана ошибкой, изменения не сохранены."));
        // A connection that broke while idle (the server restarted) is
        // noticed only now: a read outside a transaction connects again and
        // is sent once more. A write is not: it may have been done.
        if (m_select && !m_link.inTransaction) {
            try {
                return start();
            } catch (const DbError& e) {
                if (e.reason() != DbError::Reason::ServerLost)
                    throw;
                clear();
                m_done = false;
                m_link.connect();
            }
        }
        return start();
    }
    if (m_copying || m_fromRest)
        return nextCopyRow();
    if (m_row + 1 < PQntuples(m_result)) {
        ++m_row;
        return true;
    }
    m_done = true;
    return false;
}

bool PgStatement::start()
{
    if (m_select && m_params.empty())
        return startCopy();
    std::vector<const char*> values(m_params.size());
    std::vector<int> lengths(m_params.size());
    for (size_t i = 0; i < m_params.size(); ++i) {
        values[i] = m_null[i] ? nullptr : m_params[i].constData();
        lengths[i] = int(m_params[i].size());
    }
    m_result = PQexecParams(m_link.conn, m_text.constData(), int(values.size()), nullptr, values.data(),
                            lengths.data(), nullptr, 0);
    const ExecStatusType s = PQresultStatus(m_result);
    if (s != PGRES_TUPLES_OK && s != PGRES_COMMAND_OK)
        return fail(m_result);
    describe(m_result);
    const char* affected = PQcmdTuples(m_result);
    m_changes = affected && *affected ? QByteArray(affected).toLongLong() : 0;
    if (m_insert && PQntuples(m_result) > 0)
        m_inserted = QByteArray(PQgetvalue(m_result, 0, 0)).toLongLong();
    if (m_insert) {
        m_done = true;   // its RETURNING row is the program's, not the caller's
        return false;
    }
    if (m_row + 1 < PQntuples(m_result)) {
        ++m_row;
        return true;
    }
    m_done = true;
    return false;
}

bool PgStatement::startCopy()
{
    // The columns first (names, types, where they come from), then the rows
    // streamed in the text form of COPY.
    QByteArray body = m_text.trimmed();
    while (body.endsWith(';'))
        body.chop(1);
    PGresult* d = PQprepare(m_link.conn, "", body.constData(), 0, nullptr);
    if (PQresultStatus(d) != PGRES_COMMAND_OK)
        return fail(d);
    PQclear(d);
    d = PQdescribePrepared(m_link.conn, "");
    if (PQresultStatus(d) != PGRES_COMMAND_OK)
        return fail(d);
    describe(d);
    PQclear(d);
    const QByteArray copy = "COPY (" + body + ") TO STDOUT";
    PGresult* r = PQexec(m_link.conn, copy.constData());
    if (PQresultStatus(r) != PGRES_COPY_OUT)
        return fail(r);
    PQclear(r);
    m_copying = true;
    m_link.streaming = this;
    m_cells.resize(m_types.size());
    return nextCopyRow();
}

void PgStatement::bufferRest()
{
    if (!m_copying)
        return;
    char* buf = nullptr;
    int n = 0;
    while ((n = PQgetCopyData(m_link.conn, &buf, 0)) > 0) {
        m_rest.emplace_back(buf, n);
        PQfreemem(buf);
    }
    PGresult* r = PQgetResult(m_link.conn);
    if (PQresultStatus(r) != PGRES_COMMAND_OK) {
        m_restError = m_link.error(r);
        if (m_link.inTransaction)
            m_link.aborted = true;
    }
    PQclear(r);
    while (PGresult* more = PQgetResult(m_link.conn))
        PQclear(more);
    m_copying = false;
    m_fromRest = true;
    if (m_link.streaming == this)
        m_link.streaming = nullptr;
}

bool PgStatement::nextCopyRow()
{
    if (m_fromRest) {
        if (m_restAt < m_rest.size()) {
            m_copyLine = std::move(m_rest[m_restAt++]);
            parseCopyLine();
            return true;
        }
        m_copyLine = QByteArray();
        m_done = true;
        if (m_restError) {
            const DbError e = *m_restError;
            m_restError.reset();
            throw e;
        }
        return false;
    }
    char* buf = nullptr;
    const int n = PQgetCopyData(m_link.conn, &buf, 0);
    if (n < 0) {
        m_copying = false;
        if (m_link.streaming == this)
            m_link.streaming = nullptr;
        m_copyLine = QByteArray();
        PGresult* r = PQgetResult(m_link.conn);
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        if (!ok)
            return fail(r);
        m_changes = 0;
        PQclear(r);
        while (PGresult* more = PQgetResult(m_link.conn))
            PQclear(more);
        m_done = true;
        return false;
    }
    m_copyLine = QByteArray(buf, n);
    PQfreemem(buf);
    parseCopyLine();
    return true;
}

void PgStatement::parseCopyLine()
{
    // One line: fields separated by tabs, \N a null, backslash escapes.
    char* p = m_copyLine.data();
    int len = int(m_copyLine.size());
    if (len > 0 && p[len - 1] == '\n')
        --len;
    int field = 0, out = 0, start = 0;
    auto close = [&](int end, bool null) {
        if (size_t(field) < m_cells.size())
            m_cells[size_t(field)] = {start, end - start, null};
        ++field;
    };
    bool escapedNull = false;
    for (int i = 0; i <= len; ++i) {
        if (i == len || p[i] == '\t') {
            close(out, escapedNull);
            escapedNull = false;
            ++out;   // the tab's place
            start = out;
            continue;
        }
        char c = p[i];
        if (c == '\\' && i + 1 < len) {
            const char e = p[++i];
            switch (e) {
            case 'N':
                escapedNull = out == start;
                continue;
            case 'n': c = '\n'; break;
            case 'r': c = '\r'; break;
            case 't': c = '\t'; break;
            case 'b': c = '\b'; break;
            case 'f': c = '\f'; break;
            case 'v': c = '\v'; break;
            default: c = e; break;
            }
        }
        p[out++] = c;
    }
}

void PgLink::freeConnection()
{
    if (PgStatement* s = streaming) {
        streaming = nullptr;
        s->bufferRest();
    }
}

// Rows into one table through COPY ... FROM STDIN in its text format, sent
// in blocks: a round trip per block, not per row.
class PgBulkWriter : public EngineBulkWriter {
public:
    PgBulkWriter(PgLink& link, const QByteArray& sql) : m_link(link)
    {
        m_link.ensure();
        PGresult* r = PQexec(m_link.conn, sql.constData());
        if (PQresultStatus(r) != PGRES_COPY_IN) {
            const DbError e = m_link.error(r);
            PQclear(r);
            if (m_link.inTransaction)
                m_link.aborted = true;
            throw e;
        }
        PQclear(r);
        m_active = true;
    }
    ~PgBulkWriter() override
    {
        if (!m_active)
            return;
        // Left unfinished (a failure of the caller's): the stream is refused,
        // and with it the transaction.
        PQputCopyEnd(m_link.conn, "abandoned");
        while (PGresult* r = PQgetResult(m_link.conn))
            PQclear(r);
        if (m_link.inTransaction)
            m_link.aborted = true;
    }

    void addNull() override { cell("\\N"); }
    void addInt(qint64 v) override { cell(QByteArray::number(v)); }
    void addDouble(double v) override { cell(QByteArray::number(v, 'g', 17)); }
    void addDateTime(const QDateTime& v) override { cell(v.isValid() ? dateText(v) : QByteArray("\\N")); }
    void addText(const QByteArray& utf8) override
    {
        separate();
        for (const char ch : utf8) {
            switch (ch) {
            case '\\': m_buf += "\\\\"; break;
            case '\t': m_buf += "\\t"; break;
            case '\n': m_buf += "\\n"; break;
            case '\r': m_buf += "\\r"; break;
            default: m_buf += ch;
            }
        }
    }
    void endRow() override
    {
        m_buf += '\n';
        m_first = true;
        if (m_buf.size() >= 256 * 1024)
            send();
    }
    void finish() override
    {
        send();
        m_active = false;
        if (PQputCopyEnd(m_link.conn, nullptr) != 1)
            lost();
        std::optional<DbError> failure;
        while (PGresult* r = PQgetResult(m_link.conn)) {
            if (PQresultStatus(r) != PGRES_COMMAND_OK && !failure)
                failure = m_link.error(r);
            PQclear(r);
        }
        if (failure) {
            if (m_link.inTransaction)
                m_link.aborted = true;
            throw *failure;
        }
    }

private:
    void separate()
    {
        if (!m_first)
            m_buf += '\t';
        m_first = false;
    }
    void cell(const QByteArray& text)
    {
        separate();
        m_buf += text;
    }
    void send()
    {
        if (!m_buf.isEmpty() && PQputCopyData(m_link.conn, m_buf.constData(), int(m_buf.size())) != 1)
            lost();
        m_buf.clear();
    }
    [[noreturn]] void lost()
    {
        m_active = false;
        if (m_link.inTransaction)
            m_link.aborted = true;
        throw m_link.error(nullptr);
    }

    PgLink& m_link;
    QByteArray m_buf;
    bool m_first = true, m_active = false;
};

class PgEngine : public Engine {
public:
    explicit PgEngine(const QString& uri)
    {
        m_dialect.kind = EngineKind::Postgres;
        m_link.conninfo = uri.toUtf8();
        m_link.connect();
        const QUrl url(uri);
        const QString host = QUrlQuery(url).queryItemValue(QStringLiteral("host"));
        m_name = QStringLiteral("база данных \"%1\" на сервере %2")
                     .arg(url.path().mid(1), url.host().isEmpty() ? (host.isEmpty() ? QStringLiteral("localhost") : host)
                                                                  : url.host());
    }
    ~PgEngine() override
    {
        if (m_link.conn)
            PQfinish(m_link.conn);
    }

    EngineKind kind() const override { return EngineKind::Postgres; }
    QString displayName() const override { return m_name; }

    std::unique_ptr<EngineStatement> prepare(const QString& sql) override
    {
        m_link.ensure();
        return std::make_unique<PgStatement>(m_link, sql);
    }
    void exec(const QString& sql) override
    {
        m_link.ensure();
        const QByteArray t = serverText(sql, nullptr);
        m_link.run(t.constData());
    }

    void begin(bool write) override
    {
        m_link.ensure();
        try {
            m_link.run("BEGIN");
        } catch (const DbError& e) {
            // Broken while idle (the server restarted): nothing was begun,
            // so the transaction begins on a new connection.
            if (e.reason() != DbError::Reason::ServerLost)
                throw;
            m_link.connect();
            m_link.run("BEGIN");
        }
        m_link.inTransaction = true;
        m_link.aborted = false;
        m_link.writeVersion = -1;
        if (!write)
            return;
        try {
            const QByteArray timeout = "SET LOCAL lock_timeout = " + QByteArray::number(std::max(m_link.busyWaitMs, 1));
            m_link.run(timeout.constData());
            // The write lock: one holder of the counter row at a time.
            PGresult* r = m_link.waitFor("UPDATE tooldb_version SET n = n + 1 RETURNING n");
            if (PQresultStatus(r) != PGRES_TUPLES_OK || PQntuples(r) != 1) {
                const DbError e = PQresultStatus(r) == PGRES_TUPLES_OK
                    ? DbError(QStringLiteral("В базе данных нет счётчика изменений (tooldb_version)."))
                    : m_link.error(r);
                PQclear(r);
                throw e;
            }
            m_link.writeVersion = QByteArray(PQgetvalue(r, 0, 0)).toLongLong() - 1;
            PQclear(r);
            m_link.run("NOTIFY tooldb_change");
        } catch (...) {
            rollback();
            throw;
        }
    }
    void commit() override
    {
        if (m_link.aborted)
            throw DbError(QStringLiteral("Транзакция прервана ошибкой, изменения не сохранены."));
        // The counter as this commit leaves it (each statement written raised it).
        m_link.freeConnection();
        qint64 committed = -1;
        if (m_link.writeVersion >= 0) {
            PGresult* r = PQexec(m_link.conn, "SELECT n FROM tooldb_version");
            if (PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) == 1)
                committed = QByteArray(PQgetvalue(r, 0, 0)).toLongLong();
            PQclear(r);
        }
        m_link.run("COMMIT");
        m_link.inTransaction = false;
        if (m_link.writeVersion >= 0)
            m_committedVersion = m_link.knownVersion = committed;
        m_link.writeVersion = -1;
    }
    void rollback() override
    {
        m_link.inTransaction = false;
        m_link.aborted = false;
        m_link.writeVersion = -1;
        m_link.freeConnection();
        if (!m_link.lost()) {
            PGresult* r = PQexec(m_link.conn, "ROLLBACK");
            PQclear(r);
        }
    }
    bool inTransaction() const override { return m_link.inTransaction; }
    void setBusyWait(int ms) override { m_link.busyWaitMs = ms; }

    qint64 committedVersion() override { return m_committedVersion; }
    qint64 changeVersion() override
    {
        if (m_link.writeVersion >= 0)
            return m_link.writeVersion;
        // Between transactions the counter read last stands while no
        // notification came: watching costs no round trip to the server.
        if (!m_link.inTransaction && !changeAnnounced() && m_link.knownVersion >= 0)
            return m_link.knownVersion;
        m_link.ensure();
        PGresult* r = PQexec(m_link.conn, "SELECT n FROM tooldb_version");
        qint64 v = -1;
        if (PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) == 1) {
            v = QByteArray(PQgetvalue(r, 0, 0)).toLongLong();
        } else {
            const DbError e = m_link.error(r);
            PQclear(r);
            if (m_link.inTransaction)
                m_link.aborted = true;
            if (e.reason() == DbError::Reason::ServerLost)
                throw e;
            return -1;
        }
        PQclear(r);
        if (!m_link.inTransaction)
            m_link.knownVersion = v;
        return v;
    }
    bool changeAnnounced() override
    {
        if (!m_link.conn || m_link.inTransaction)
            return false;
        // A connection that broke meanwhile: nothing is known until the
        // next read connects again.
        if (!PQconsumeInput(m_link.conn) || PQstatus(m_link.conn) == CONNECTION_BAD) {
            m_link.broken = true;
            m_link.knownVersion = -1;
            return true;
        }
        bool any = false;
        while (PGnotify* n = PQnotifies(m_link.conn)) {
            any = true;
            PQfreemem(n);
        }
        if (any)
            m_link.knownVersion = -1;
        return any;
    }

    QSet<QString> columnsOf(const QString& table, bool* exists) override
    {
        m_link.ensure();
        const QByteArray t = table.toLower().toUtf8();
        const char* params[] = {t.constData()};
        PGresult* r = PQexecParams(m_link.conn,
                                   "SELECT a.attname FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid "
                                   "WHERE c.relname = $1 AND c.relnamespace = current_schema()::regnamespace "
                                   "AND a.attnum > 0 AND NOT a.attisdropped",
                                   1, nullptr, params, nullptr, nullptr, 0);
        if (PQresultStatus(r) != PGRES_TUPLES_OK) {
            const DbError e = m_link.error(r);
            PQclear(r);
            throw e;
        }
        QSet<QString> cols;
        for (int i = 0; i < PQntuples(r); ++i)
            cols.insert(QString::fromUtf8(PQgetvalue(r, i, 0)).toLower());
        PQclear(r);
        if (exists)
            *exists = !cols.isEmpty();
        return cols;
    }

    bool holdsNoTables() override
    {
        m_link.ensure();
        PGresult* r = PQexec(m_link.conn, "SELECT COUNT(*) FROM pg_class WHERE relnamespace = "
                                          "current_schema()::regnamespace AND relkind IN ('r', 'v', 'p', 'm', 'f')");
        if (PQresultStatus(r) != PGRES_TUPLES_OK) {
            const DbError e = m_link.error(r);
            PQclear(r);
            throw e;
        }
        const bool none = QByteArray(PQgetvalue(r, 0, 0)) == "0";
        PQclear(r);
        return none;
    }

    std::unique_ptr<EngineBulkWriter> bulkWriter(const QString& table, const QStringList& columns) override
    {
        QStringList cols;
        for (const QString& c : columns)
            cols << m_dialect.quoted(c);
        return std::make_unique<PgBulkWriter>(
            m_link, QStringLiteral("COPY %1 (%2) FROM STDIN").arg(m_dialect.quoted(table), cols.join(QStringLiteral(", "))).toUtf8());
    }

    void keysWritten(const QString& table) override
    {
        const QString t = table.toLower();
        exec(QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', 'id'), COALESCE((SELECT max(id) FROM %1), 0) + 1, "
                            "false)")
                 .arg(t));
    }

private:
    PgLink m_link;
    QString m_name;
    qint64 m_committedVersion = -1;   // the counter after this copy's last commit
};

} // namespace

std::unique_ptr<Engine> openPgEngine(const QString& uri)
{
    return std::make_unique<PgEngine>(uri);
}
