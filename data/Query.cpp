#include "Query.h"

#include "Connection.h"
#include "DbError.h"

#include <cmath>
#include <sqlite3.h>

namespace {

constexpr qint64 kMsPerDay = 86400000;

// Dates are stored as "yyyy-MM-dd HH:mm:ss[.zzz]".
QByteArray dateText(const QDateTime& dt)
{
    QString f = dt.date().toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ')
        + dt.time().toString(QStringLiteral("HH:mm:ss"));
    if (dt.time().msec() != 0)
        f += QStringLiteral(".%1").arg(dt.time().msec(), 3, 10, QLatin1Char('0'));
    return f.toUtf8();
}

QDateTime parseDate(std::string_view s)
{
    auto dig = [&](size_t i, size_t n, int* v) {
        int r = 0;
        for (size_t k = 0; k < n; ++k) {
            if (i + k >= s.size() || s[i + k] < '0' || s[i + k] > '9')
                return false;
            r = r * 10 + (s[i + k] - '0');
        }
        *v = r;
        return true;
    };
    int y, mo, d, h = 0, mi = 0, se = 0, ms = 0;
    if (s.size() < 10 || !dig(0, 4, &y) || s[4] != '-' || !dig(5, 2, &mo) || s[7] != '-' || !dig(8, 2, &d))
        return {};
    if (s.size() >= 16 && (s[10] == ' ' || s[10] == 'T')) {
        if (!dig(11, 2, &h) || s[13] != ':' || !dig(14, 2, &mi))
            return {};
        if (s.size() >= 19 && s[16] == ':' && !dig(17, 2, &se))
            return {};
        if (s.size() >= 23 && s[19] == '.')
            dig(20, 3, &ms);
    }
    const QDate date(y, mo, d);
    const QTime time(h, mi, se, ms);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time);
}

} // namespace

struct Query::Impl {
    Connection* conn = nullptr;
    sqlite3* db = nullptr;
    sqlite3_stmt* st = nullptr;
    bool started = false;
    bool done = false;
    qint64 changes = 0;
    qint64 inserted = 0;
};

Query::Query(Connection& c, const QString& sql) : d(std::make_unique<Impl>())
{
    d->conn = &c;
    d->db = c.handle();
    if (!d->db)
        throw DbError(QStringLiteral("Нет соединения с базой данных."));
    const QByteArray u = sql.toUtf8();
    if (sqlite3_prepare_v2(d->db, u.constData(), int(u.size()), &d->st, nullptr) != SQLITE_OK)
        throw c.engineError(QString());
}

Query::~Query()
{
    sqlite3_finalize(d->st);
}

Query& Query::bind(int index, const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return bindNull(index);
    switch (v.typeId()) {
    case QMetaType::Bool: return bindInt(index, v.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::Short: return bindInt(index, v.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float: return bindDouble(index, v.toDouble());
    case QMetaType::QDateTime: return bindDateTime(index, v.toDateTime());
    case QMetaType::QDate: return bindDateTime(index, QDateTime(v.toDate(), QTime(0, 0)));
    default: return bindText(index, v.toString());
    }
}

Query& Query::bindNull(int index)
{
    sqlite3_bind_null(d->st, index + 1);
    return *this;
}

Query& Query::bindInt(int index, qint64 value)
{
    sqlite3_bind_int64(d->st, index + 1, value);
    return *this;
}

Query& Query::bindDouble(int index, double value)
{
    sqlite3_bind_double(d->st, index + 1, value);
    return *this;
}

Query& Query::bindText(int index, const QString& value)
{
    const QByteArray u = value.toUtf8();
    sqlite3_bind_text(d->st, index + 1, u.constData(), int(u.size()), SQLITE_TRANSIENT);
    return *this;
}

Query& Query::bindDateTime(int index, const QDateTime& value)
{
    if (!value.isValid())
        return bindNull(index);
    const QByteArray t = dateText(value);
    sqlite3_bind_text(d->st, index + 1, t.constData(), int(t.size()), SQLITE_TRANSIENT);
    return *this;
}

void Query::exec()
{
    while (next()) {
    }
}

bool Query::next()
{
    if (d->done)
        return false;
    d->started = true;
    const int rc = sqlite3_step(d->st);
    if (rc == SQLITE_ROW)
        return true;
    d->done = true;
    if (rc != SQLITE_DONE) {
        const DbError e = d->conn->engineError(QString());
        sqlite3_reset(d->st);
        throw e;
    }
    d->changes = sqlite3_changes(d->db);
    d->inserted = sqlite3_last_insert_rowid(d->db);
    return false;
}

void Query::reset()
{
    sqlite3_reset(d->st);
    d->started = d->done = false;
}

int Query::columnCount() const { return sqlite3_column_count(d->st); }
QString Query::columnName(int column) const { return QString::fromUtf8(sqlite3_column_name(d->st, column)); }
bool Query::isNull(int column) const { return sqlite3_column_type(d->st, column) == SQLITE_NULL; }
qint64 Query::int64(int column) const { return sqlite3_column_int64(d->st, column); }
double Query::real(int column) const { return sqlite3_column_double(d->st, column); }

std::string_view Query::utf8(int column) const
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(d->st, column));
    return p ? std::string_view(p, size_t(sqlite3_column_bytes(d->st, column))) : std::string_view();
}

QString Query::text(int column) const
{
    const std::string_view s = utf8(column);
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

QDateTime Query::dateTime(int column) const
{
    switch (sqlite3_column_type(d->st, column)) {
    case SQLITE_TEXT: return parseDate(utf8(column));
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: {
        // A Julian day number, as the engine's date functions give.
        const qint64 ms = std::llround((real(column) + 0.5) * double(kMsPerDay));
        const qint64 day = ms / kMsPerDay;
        return QDateTime(QDate::fromJulianDay(day), QTime::fromMSecsSinceStartOfDay(int(ms - day * kMsPerDay)));
    }
    default: return {};
    }
}

QVariant Query::value(int column) const
{
    switch (sqlite3_column_type(d->st, column)) {
    case SQLITE_INTEGER: return int64(column);
    case SQLITE_FLOAT: return real(column);
    case SQLITE_TEXT: return text(column);
    case SQLITE_BLOB: return QByteArray(static_cast<const char*>(sqlite3_column_blob(d->st, column)),
                                        sqlite3_column_bytes(d->st, column));
    default: return {};
    }
}

qint64 Query::changes() const { return d->changes; }
qint64 Query::insertedId() const { return d->inserted; }

qint64 queryInt(Connection& c, const QString& sql, std::initializer_list<QVariant> params)
{
    Query q(c, sql);
    int i = 0;
    for (const QVariant& p : params)
        q.bind(i++, p);
    return q.next() ? q.int64(0) : 0;
}
