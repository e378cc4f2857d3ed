#include "Query.h"

#include "Connection.h"
#include "DbError.h"
#include "Engine.h"

#include <cmath>

namespace {

constexpr qint64 kMsPerDay = 86400000;

// A date/time text as the engines give it back: "yyyy-MM-dd[ HH:mm[:ss[.zzz]]]".
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
    std::unique_ptr<EngineStatement> st;
};

Query::Query(Connection& c, const QString& sql) : d(std::make_unique<Impl>())
{
    d->st = c.engine().prepare(sql);
}

Query::~Query() = default;

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
    d->st->bindNull(index);
    return *this;
}

Query& Query::bindInt(int index, qint64 value)
{
    d->st->bindInt(index, value);
    return *this;
}

Query& Query::bindDouble(int index, double value)
{
    d->st->bindDouble(index, value);
    return *this;
}

Query& Query::bindText(int index, const QString& value)
{
    d->st->bindText(index, value.toUtf8());
    return *this;
}

Query& Query::bindDateTime(int index, const QDateTime& value)
{
    d->st->bindDateTime(index, value);
    return *this;
}

void Query::exec()
{
    while (next()) {
    }
}

bool Query::next() { return d->st->next(); }
void Query::reset() { d->st->reset(); }
int Query::columnCount() const { return d->st->columnCount(); }
QString Query::columnName(int column) const { return d->st->columnName(column); }
ValueType Query::type(int column) const { return d->st->type(column); }
bool Query::isNull(int column) const { return d->st->type(column) == ValueType::Null; }
qint64 Query::int64(int column) const { return d->st->int64(column); }
double Query::real(int column) const { return d->st->real(column); }
std::string_view Query::utf8(int column) const { return d->st->utf8(column); }
QString Query::originTable(int column) const { return d->st->originTable(column); }
QString Query::originColumn(int column) const { return d->st->originColumn(column); }

QString Query::text(int column) const
{
    const std::string_view s = utf8(column);
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

QDateTime Query::dateTime(int column) const
{
    switch (type(column)) {
    case ValueType::Text: return parseDate(utf8(column));
    case ValueType::Integer:
    case ValueType::Float: {
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
    switch (type(column)) {
    case ValueType::Integer: return int64(column);
    case ValueType::Float: return real(column);
    case ValueType::Text: return text(column);
    case ValueType::Blob: {
        const std::string_view b = utf8(column);
        return QByteArray(b.data(), qsizetype(b.size()));
    }
    default: return {};
    }
}

qint64 Query::changes() const { return d->st->changes(); }
qint64 Query::insertedId() const { return d->st->insertedId(); }

qint64 queryInt(Connection& c, const QString& sql, std::initializer_list<QVariant> params)
{
    Query q(c, sql);
    int i = 0;
    for (const QVariant& p : params)
        q.bind(i++, p);
    return q.next() ? q.int64(0) : 0;
}
