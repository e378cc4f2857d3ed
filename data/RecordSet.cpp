#include "RecordSet.h"

#include "Operations.h"

#include "Connection.h"
#include "Engine.h"
#include "Query.h"
#include "Schema.h"
#include "DbError.h"
#include "RuFormat.h"
#include "TextCollate.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <numeric>


// ---------------------------------------------------------------------------
// Storage: one column of values per field, nulls flagged per cell.

struct RecordSet::Column {
    FieldType type = FieldType::Integer;
    std::vector<int32_t> ints;   // Integer, Boolean; text pool index (-1 null) for Text/Memo
    std::vector<double> reals;   // Float
    std::vector<int64_t> stamps; // DateTime: Julian day * 86400000 + msecs of the day
    std::vector<uint8_t> nulls;  // Integer, Boolean, Float, DateTime
    StringPool pool;
    int32_t lastText = -1;   // the text of the row before, for runs of equal texts

    bool isText() const { return type == FieldType::Text || type == FieldType::Memo; }
    void clear()
    {
        ints.clear(); ints.shrink_to_fit();
        reals.clear(); reals.shrink_to_fit();
        stamps.clear(); stamps.shrink_to_fit();
        nulls.clear(); nulls.shrink_to_fit();
        pool.clear();
        lastText = -1;
    }
    size_t bytes() const
    {
        return ints.capacity() * 4 + reals.capacity() * 8 + stamps.capacity() * 8 + nulls.capacity()
            + pool.memoryBytes();
    }
};

namespace {

constexpr int64_t kMsPerDay = 86400000;

int64_t stampOf(const QDateTime& dt)
{
    return int64_t(dt.date().toJulianDay()) * kMsPerDay + dt.time().msecsSinceStartOfDay();
}

QDateTime fromStamp(int64_t s)
{
    const int64_t day = s >= 0 ? s / kMsPerDay : -((-s + kMsPerDay - 1) / kMsPerDay);
    const int64_t ms = s - day * kMsPerDay;
    return QDateTime(QDate::fromJulianDay(day), QTime::fromMSecsSinceStartOfDay(int(ms)));
}

// The plain text of a stamp, as ru::formatDateTime writes the date and time
// it stands for ("31.12.2026", "31.12.2026 9:05:00"), without building a
// QDateTime: lists of many thousand dates are written out as text.
QString stampText(int64_t s)
{
    const int64_t day = s >= 0 ? s / kMsPerDay : -((-s + kMsPerDay - 1) / kMsPerDay);
    const int ms = int(s - day * kMsPerDay);
    int y = 0, mo = 0, d = 0;
    QDate::fromJulianDay(day).getDate(&y, &mo, &d);
    if (y < 1 || y > 9999)
        return ru::formatDateTime(fromStamp(s));
    char buf[24];
    int n = 0;
    auto two = [&](int v) {
        buf[n++] = char('0' + v / 10);
        buf[n++] = char('0' + v % 10);
    };
    two(d);
    buf[n++] = '.';
    two(mo);
    buf[n++] = '.';
    two(y / 100);
    two(y % 100);
    if (ms != 0) {
        const int h = ms / 3600000, mi = ms / 60000 % 60, se = ms / 1000 % 60;
        buf[n++] = ' ';
        if (h >= 10)
            buf[n++] = char('0' + h / 10);
        buf[n++] = char('0' + h % 10);
        buf[n++] = ':';
        two(mi);
        buf[n++] = ':';
        two(se);
    }
    return QString::fromLatin1(buf, n);
}

// "YYYY-MM-DD[ HH:MM[:SS[.fff]]]" (also with 'T'); false when not in that form.
bool parseIsoStamp(const char* s, int n, int64_t* out)
{
    auto dig = [&](int i, int cnt, int* v) {
        int r = 0;
        for (int k = 0; k < cnt; ++k) {
            if (i + k >= n || s[i + k] < '0' || s[i + k] > '9')
                return false;
            r = r * 10 + (s[i + k] - '0');
        }
        *v = r;
        return true;
    };
    int y, mo, d, h = 0, mi = 0, se = 0, ms = 0;
    if (n < 10 || !dig(0, 4, &y) || s[4] != '-' || !dig(5, 2, &mo) || s[7] != '-' || !dig(8, 2, &d))
        return false;
    if (n >= 16 && (s[10] == ' ' || s[10] == 'T')) {
        if (!dig(11, 2, &h) || s[13] != ':' || !dig(14, 2, &mi))
            return false;
        if (n >= 19 && s[16] == ':' && !dig(17, 2, &se))
            return false;
        // A fraction of any length: the server writes 00:00:00.5, not .500.
        if (n >= 21 && s[19] == '.')
            for (int i = 20, unit = 100; i < n && s[i] >= '0' && s[i] <= '9' && unit > 0; ++i, unit /= 10)
                ms += (s[i] - '0') * unit;
    }
    const QDate date(y, mo, d);
    if (!date.isValid())
        return false;
    *out = int64_t(date.toJulianDay()) * kMsPerDay + ((h * 60 + mi) * 60 + se) * 1000 + ms;
    return true;
}

QString boolText(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }

bool parseBool(const QString& s, bool* out)
{
    const QString t = s.trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("1") || t == QLatin1String("-1") || t == QLatin1String("да")) {
        *out = true;
        return true;
    }
    if (t == QLatin1String("false") || t == QLatin1String("0") || t == QLatin1String("нет")) {
        *out = false;
        return true;
    }
    return false;
}

bool parseDateTimeText(const QString& s, QDateTime* out)
{
    const QString t = s.trimmed();
    QDateTime dt = QDateTime::fromString(t, QStringLiteral("dd.MM.yyyy H:mm:ss"));
    if (!dt.isValid())
        dt = QDateTime::fromString(t, QStringLiteral("dd.MM.yyyy H:mm"));
    if (!dt.isValid()) {
        QDate d;
        if (ru::parseDate(t, &d))
            dt = QDateTime(d, QTime(0, 0));
    }
    if (!dt.isValid()) {
        int64_t st;
        const QByteArray u = t.toUtf8();
        if (parseIsoStamp(u.constData(), int(u.size()), &st))
            dt = fromStamp(st);
    }
    if (!dt.isValid())
        return false;
    *out = dt;
    return true;
}

// A value converted to a field's type; DbError when it cannot be.
QVariant convertTo(const FieldDef& f, const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return QVariant();
    auto bad = [&](const QString& what) -> DbError {
        return DbError(QStringLiteral("\"%1\" не является %2 (поле \"%3\").").arg(v.toString(), what, f.name));
    };
    switch (f.type) {
    case FieldType::Integer: {
        if (v.typeId() == QMetaType::QString) {
            int i;
            if (!ru::parseInt(v.toString(), &i))
                throw bad(QStringLiteral("целым числом"));
            return i;
        }
        if (v.typeId() == QMetaType::Double) {
            const double d = v.toDouble();
            if (std::fabs(d) > 2147483647.0)
                throw bad(QStringLiteral("целым числом"));
            return int(std::lround(d));
        }
        bool ok = false;
        const qlonglong l = v.toLongLong(&ok);
        if (!ok || l > 2147483647LL || l < -2147483648LL)
            throw bad(QStringLiteral("целым числом"));
        return int(l);
    }
    case FieldType::Float: {
        if (v.typeId() == QMetaType::QString) {
            double d;
            if (!ru::parseFloat(v.toString(), &d))
                throw bad(QStringLiteral("числом"));
            return d;
        }
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok)
            throw bad(QStringLiteral("числом"));
        return d;
    }
    case FieldType::Boolean: {
        if (v.typeId() == QMetaType::QString) {
            bool b;
            if (!parseBool(v.toString(), &b))
                throw bad(QStringLiteral("логическим значением"));
            return b;
        }
        return v.toBool();
    }
    case FieldType::DateTime: {
        if (v.typeId() == QMetaType::QDateTime)
            return v.toDateTime();
        if (v.typeId() == QMetaType::QDate)
            return QDateTime(v.toDate(), QTime(0, 0));
        QDateTime dt;
        if (!parseDateTimeText(v.toString(), &dt))
            throw bad(QStringLiteral("датой"));
        return dt;
    }
    case FieldType::Text:
    case FieldType::Memo:
        if (v.typeId() == QMetaType::Double)
            return ru::formatFloat(v.toDouble());
        if (v.typeId() == QMetaType::Bool)
            return boolText(v.toBool());
        return v.toString();
    }
    return v;
}

QString textOf(const FieldDef& f, const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return QString();
    switch (f.type) {
    case FieldType::Integer: return QString::number(v.toInt());
    case FieldType::Float: return ru::formatFloat(v.toDouble());
    case FieldType::Boolean: return boolText(v.toBool());
    case FieldType::DateTime: return ru::formatDateTime(v.toDateTime());
    default: return v.toString();
    }
}

// A query's text without its closing semicolons.
QString bareText(const QString& sql)
{
    QString inner = sql.trimmed();
    while (inner.endsWith(QLatin1Char(';')))
        inner = inner.left(inner.size() - 1).trimmed();
    return inner;
}

} // namespace

// ---------------------------------------------------------------------------

class RecordSet::RowAccess : public FilterRow {
public:
    explicit RowAccess(const RecordSet& rs) : m_rs(rs) {}
    bool isNull(int f, int r) const override { return m_rs.storedNull(r, f); }
    double number(int f, int r) const override
    {
        const Column& c = m_rs.m_cols[size_t(f)];
        switch (c.type) {
        case FieldType::Float: return c.reals[size_t(r)];
        case FieldType::DateTime: return double(c.stamps[size_t(r)]);
        default: return c.ints[size_t(r)];
        }
    }
    std::string_view text(int f, int r) const override
    {
        const Column& c = m_rs.m_cols[size_t(f)];
        return c.pool.view(c.ints[size_t(r)]);
    }

private:
    const RecordSet& m_rs;
};

// ---------------------------------------------------------------------------
// Field

const FieldDef& Field::def() const { return m_rs->m_fields[m_index]; }
bool Field::readOnly() const { return !m_rs->isFieldWritable(m_index); }
bool Field::isNull() const { return m_rs->curIsNull(m_index); }
QVariant Field::value() const { return m_rs->curValue(m_index); }

int Field::asInteger() const
{
    const QVariant v = value();
    if (!v.isValid())
        return 0;
    if (dataType() == FieldType::Text || dataType() == FieldType::Memo) {
        int i;
        if (!ru::parseInt(v.toString(), &i))
            throw DbError(QStringLiteral("\"%1\" не является целым числом.").arg(v.toString()));
        return i;
    }
    if (dataType() == FieldType::Float)
        return int(std::lround(v.toDouble()));
    if (dataType() == FieldType::DateTime)
        return 0;
    return v.toInt();
}

double Field::asFloat() const
{
    const QVariant v = value();
    if (!v.isValid())
        return 0;
    if (dataType() == FieldType::Text || dataType() == FieldType::Memo) {
        double d;
        if (!ru::parseFloat(v.toString(), &d))
            throw DbError(QStringLiteral("\"%1\" не является числом.").arg(v.toString()));
        return d;
    }
    if (dataType() == FieldType::DateTime)
        return double(v.toDateTime().date().toJulianDay() - QDate(1899, 12, 30).toJulianDay())
            + v.toDateTime().time().msecsSinceStartOfDay() / double(kMsPerDay);
    return v.toDouble();
}

bool Field::asBoolean() const
{
    const QVariant v = value();
    if (!v.isValid())
        return false;
    if (dataType() == FieldType::Text || dataType() == FieldType::Memo) {
        bool b = false;
        parseBool(v.toString(), &b);
        return b;
    }
    return v.toBool();
}

QDateTime Field::asDateTime() const
{
    const QVariant v = value();
    if (!v.isValid())
        return QDateTime();
    if (dataType() == FieldType::DateTime)
        return v.toDateTime();
    QDateTime dt;
    if (parseDateTimeText(v.toString(), &dt))
        return dt;
    return QDateTime();
}

QString Field::asString() const { return textOf(def(), value()); }

void Field::setAsInteger(int v) { m_rs->setBuffer(m_index, convertTo(def(), QVariant(v))); }
void Field::setAsFloat(double v) { m_rs->setBuffer(m_index, convertTo(def(), QVariant(v))); }
void Field::setAsBoolean(bool v) { m_rs->setBuffer(m_index, convertTo(def(), QVariant(v))); }
void Field::setAsDateTime(const QDateTime& v) { m_rs->setBuffer(m_index, convertTo(def(), QVariant(v))); }
void Field::setAsString(const QString& v)
{
    // An empty text clears a number, date or flag, as a bound box emptied by the user.
    if (v.isEmpty() && dataType() != FieldType::Text && dataType() != FieldType::Memo)
        m_rs->setBuffer(m_index, QVariant());
    else
        m_rs->setBuffer(m_index, convertTo(def(), QVariant(v)));
}
void Field::setValue(const QVariant& v) { m_rs->setBuffer(m_index, convertTo(def(), v)); }
void Field::clear() { m_rs->setBuffer(m_index, QVariant()); }

// ---------------------------------------------------------------------------
// RecordSet

RecordSet::RecordSet(Connection* conn, const QString& name, Kind kind, const QString& source,
                     const QList<FieldDef>& fields, QObject* parent)
    : QObject(parent), m_conn(conn), m_name(name), m_kind(kind), m_source(source), m_fields(fields)
{
    setObjectName(name);
    m_fieldObjs.reserve(size_t(fields.size()));
    for (int i = 0; i < fields.size(); ++i)
        m_fieldObjs.emplace_back(this, i);
    m_cols.resize(size_t(fields.size()));
    for (int i = 0; i < fields.size(); ++i)
        m_cols[size_t(i)].type = fields[i].type;
    m_writable.assign(size_t(fields.size()), 0);
    m_originColumn.resize(size_t(fields.size()));
    m_idField = fieldIndex(QStringLiteral("ID"));
}

RecordSet::~RecordSet() = default;

int RecordSet::fieldIndex(const QString& name) const
{
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

Field& RecordSet::fieldByName(const QString& name)
{
    const int i = fieldIndex(name);
    if (i < 0)
        throw DbError(QStringLiteral("%1: поле \"%2\" не найдено.").arg(m_name, name));
    return m_fieldObjs[size_t(i)];
}

bool RecordSet::isFieldWritable(int i) const
{
    return i >= 0 && i < int(m_writable.size()) && m_writable[size_t(i)];
}

void RecordSet::setCommandText(const QString& text)
{
    if (isOpen())
        throw DbError(QStringLiteral("%1: текст запроса можно менять только у закрытого набора данных.").arg(m_name));
    m_source = text;
}

int RecordSet::recordCount() const
{
    if (m_state == State::Inactive)
        return 0;
    return int(m_view.size()) + (m_state == State::Insert ? 1 : 0);
}

size_t RecordSet::memoryBytes() const
{
    size_t b = m_order.capacity() * 4 + m_view.capacity() * 4;
    for (const Column& c : m_cols)
        b += c.bytes();
    return b;
}

// ---------------------------------------------------------------------------
// Open and close

void RecordSet::open()
{
    if (isOpen())
        return;
    ++m_reads;
    QString where;
    if (m_filtered)
        where = m_filter.sqlWhere();
    load(where);
    showRowsRead();
}

void RecordSet::openWithText(const QString& text)
{
    if (!isOpen()) {
        const QString previous = m_source;
        m_source = text;
        try {
            open();
        } catch (...) {
            m_source = previous;
            throw;
        }
        return;
    }
    // The new rows are read beside the ones shown, which stay until they
    // are all in.
    RecordSet fresh(m_conn, m_name, m_kind, text, m_fields);
    fresh.setRowReader(m_rowReaderText, m_rowReader);
    if (!m_filterText.isEmpty())
        fresh.setFilter(m_filterText);
    fresh.setFiltered(m_filtered);
    fresh.open();
    close();
    m_source = text;
    ++m_reads;
    m_cols.swap(fresh.m_cols);
    m_rows = fresh.m_rows;
    m_baseTable = fresh.m_baseTable;
    m_writable = fresh.m_writable;
    m_originColumn = fresh.m_originColumn;
    m_pushedWhere = fresh.m_pushedWhere;
    m_readState = fresh.m_readState;
    showRowsRead();
}

void RecordSet::showRowsRead()
{
    m_sortText.clear();
    m_sortKeys.clear();
    m_order.resize(size_t(m_rows));
    std::iota(m_order.begin(), m_order.end(), 0);
    rebuildView();
    m_cur = m_view.empty() ? -1 : 0;
    m_bof = true;
    m_eof = false;
    m_state = State::Browse;
    emit layoutReset();
    emit stateChanged();
    emit afterScroll();
}

void RecordSet::load(const QString& where)
{
    if (!m_conn || !m_conn->isOpen())
        throw DbError(QStringLiteral("%1: нет соединения с базой данных.").arg(m_name));
    // Before the rows: a commit elsewhere in between makes the rows newer
    // than the state, never older, and only costs a full re-read later.
    m_readState = m_conn->fileState();
    if (usesRowReader()) {
        loadFromReader(where);
        return;
    }
    Connection& conn = *m_conn;
    const Dialect& dialect = conn.dialect();

    QString sql;
    bool compound = false;
    switch (m_kind) {
    case Kind::Table: {
        QStringList cols;
        for (const FieldDef& f : m_fields)
            cols << dialect.quoted(f.name);
        sql = QStringLiteral("SELECT %1 FROM %2").arg(cols.join(QStringLiteral(", ")), dialect.quoted(m_source));
        if (!where.isEmpty())
            sql += QStringLiteral(" WHERE ") + where;
        break;
    }
    case Kind::StoredQuery:
        sql = QStringLiteral("SELECT * FROM %1").arg(dialect.quoted(m_source));
        if (!where.isEmpty())
            sql += QStringLiteral(" WHERE ") + where;
        compound = true;
        break;
    case Kind::Query: {
        static const QRegularExpression unionRe(QStringLiteral("\\bUNION\\b"),
                                                QRegularExpression::CaseInsensitiveOption);
        compound = unionRe.match(m_source).hasMatch();
        const QString source = dialect.orderedAsAFile(m_source);
        sql = source;
        if (!where.isEmpty())
            sql = QStringLiteral("SELECT * FROM (%1) AS q WHERE %2").arg(bareText(source), where);
        break;
    }
    }

    std::unique_ptr<Query> st;
    try {
        st = std::make_unique<Query>(conn, sql);
    } catch (const DbError& e) {
        throw DbError(QStringLiteral("%1: %2").arg(m_name, e.message()), e.reason());
    }
    Query& q = *st;

    const int nf = int(m_fields.size());
    // The statement runs with its first row: a server says what its columns
    // are only then.
    bool any = false;
    try {
        any = q.next();
    } catch (const DbError& e) {
        throw DbError(QStringLiteral("%1: %2").arg(m_name, e.message()), e.reason());
    }
    const int nc = q.columnCount();
    std::vector<int> colOf(size_t(nf), -1);
    std::vector<uint8_t> taken(size_t(nc), 0);
    for (int f = 0; f < nf; ++f) {
        for (int c = 0; c < nc; ++c) {
            if (taken[size_t(c)])
                continue;
            if (m_fields[f].name.compare(q.columnName(c), Qt::CaseInsensitive) == 0) {
                colOf[size_t(f)] = c;
                taken[size_t(c)] = 1;
                break;
            }
        }
        if (colOf[size_t(f)] < 0)
            throw DbError(QStringLiteral("%1: поле \"%2\" не найдено в результате запроса.").arg(m_name, m_fields[f].name));
    }

    // Which table the rows are written to, and which fields belong to it.
    m_baseTable.clear();
    std::fill(m_writable.begin(), m_writable.end(), 0);
    if (m_kind == Kind::Table) {
        if (m_idField >= 0 && findTable(m_source))
            m_baseTable = m_source;
    } else if (!compound && m_idField >= 0) {
        const QString t = q.originTable(colOf[size_t(m_idField)]);
        const QString o = q.originColumn(colOf[size_t(m_idField)]);
        if (!t.isEmpty() && o.compare(QStringLiteral("ID"), Qt::CaseInsensitive) == 0)
            m_baseTable = t;
    }
    for (int f = 0; f < nf; ++f) {
        m_originColumn[size_t(f)] = m_fields[f].name;
        if (m_baseTable.isEmpty())
            continue;
        if (m_kind == Kind::Table) {
            m_writable[size_t(f)] = 1;
            continue;
        }
        const QString t = q.originTable(colOf[size_t(f)]);
        const QString o = q.originColumn(colOf[size_t(f)]);
        if (!t.isEmpty() && !o.isEmpty() && m_baseTable.compare(t, Qt::CaseInsensitive) == 0) {
            m_writable[size_t(f)] = 1;
            m_originColumn[size_t(f)] = o;
        }
    }
    if (m_idField >= 0)
        m_writable[size_t(m_idField)] = 0;   // the key is the engine's

    for (Column& c : m_cols)
        c.clear();
    m_rows = 0;
    try {
        for (; any; any = q.next()) {
            for (int f = 0; f < nf; ++f)
                appendCell(m_cols[size_t(f)], q, colOf[size_t(f)]);
            ++m_rows;
        }
    } catch (const DbError& e) {
        for (Column& c : m_cols)
            c.clear();
        m_rows = 0;
        // The rows read before were dropped above: a re-read that fails (a
        // filter change) leaves no order or view pointing into them.
        m_order.clear();
        m_view.clear();
        m_cur = -1;
        emit layoutReset();
        throw DbError(QStringLiteral("%1: %2").arg(m_name, e.message()), e.reason());
    }
    m_pushedWhere = where;
}

void RecordSet::appendCell(Column& c, const Query& q, int col)
{
    const ValueType t = q.type(col);
    switch (c.type) {
    case FieldType::Integer:
    case FieldType::Boolean: {
        const bool isNull = t == ValueType::Null;
        qint64 v = isNull ? 0 : q.int64(col);
        if (c.type == FieldType::Boolean)
            v = v != 0;
        c.ints.push_back(int32_t(v));
        c.nulls.push_back(isNull);
        break;
    }
    case FieldType::Float:
        c.reals.push_back(t == ValueType::Null ? 0.0 : q.real(col));
        c.nulls.push_back(t == ValueType::Null);
        break;
    case FieldType::DateTime: {
        int64_t s = 0;
        bool isNull = t == ValueType::Null;
        if (t == ValueType::Text) {
            const std::string_view v = q.utf8(col);
            isNull = !parseIsoStamp(v.data(), int(v.size()), &s);
        } else if (t == ValueType::Float || t == ValueType::Integer) {
            // A Julian day number, as the engine's date functions give.
            const double jd = q.real(col);
            s = int64_t(std::llround((jd + 0.5) * double(kMsPerDay)));
        }
        c.stamps.push_back(isNull ? 0 : s);
        c.nulls.push_back(isNull);
        break;
    }
    case FieldType::Text:
    case FieldType::Memo:
        if (t == ValueType::Null) {
            c.ints.push_back(-1);
        } else {
            const std::string_view v = q.utf8(col);
            if (c.lastText < 0 || c.pool.view(c.lastText) != v)
                c.lastText = c.pool.intern(v.data() ? v.data() : "", uint32_t(v.size()));
            c.ints.push_back(c.lastText);
        }
        break;
    }
}

void RecordSet::setRowReader(const QString& forText, RowReader reader)
{
    m_rowReaderText = forText;
    m_rowReader = std::move(reader);
}

void RecordSet::loadFromReader(const QString& where)
{
    for (Column& c : m_cols)
        c.clear();
    m_rows = 0;
    m_baseTable.clear();
    std::fill(m_writable.begin(), m_writable.end(), 0);
    for (int f = 0; f < m_fields.size(); ++f)
        m_originColumn[size_t(f)] = m_fields[f].name;
    auto fail = [this](const QString& msg) {
        for (Column& c : m_cols)
            c.clear();
        m_rows = 0;
        m_order.clear();
        m_view.clear();
        m_cur = -1;
        emit layoutReset();
        throw DbError(QStringLiteral("%1: %2").arg(m_name, msg));
    };
    int rows = 0;
    try {
        RowBuffer buf(*this);
        rows = m_rowReader(*m_conn, where, buf);
    } catch (const DbError& e) {
        fail(e.message());
    } catch (const std::bad_alloc&) {
        fail(QStringLiteral("недостаточно памяти."));
    }
    for (const Column& c : m_cols) {
        const size_t n = c.type == FieldType::Float ? c.reals.size()
                       : c.type == FieldType::DateTime ? c.stamps.size() : c.ints.size();
        if (n != size_t(rows) || (!c.isText() && c.nulls.size() != size_t(rows)))
            fail(QStringLiteral("прочитаны неполные строки."));
    }
    m_rows = rows;
    m_pushedWhere = where;
}

// ---------------------------------------------------------------------------
// RowBuffer

int RowBuffer::field(const QString& name) const
{
    const int f = m_rs.fieldIndex(name);
    if (f < 0)
        throw DbError(QStringLiteral("поле \"%1\" не найдено.").arg(name));
    return f;
}

void RowBuffer::appendColumn(int f, const Query& q, int col) { RecordSet::appendCell(m_rs.m_cols[size_t(f)], q, col); }

void RowBuffer::appendNull(int f)
{
    RecordSet::Column& c = m_rs.m_cols[size_t(f)];
    switch (c.type) {
    case FieldType::Float: c.reals.push_back(0); c.nulls.push_back(1); break;
    case FieldType::DateTime: c.stamps.push_back(0); c.nulls.push_back(1); break;
    case FieldType::Text:
    case FieldType::Memo: c.ints.push_back(-1); break;
    default: c.ints.push_back(0); c.nulls.push_back(1); break;
    }
}

void RowBuffer::appendPooled(int f, int32_t poolIndex) { m_rs.m_cols[size_t(f)].ints.push_back(poolIndex); }

void RowBuffer::appendStamp(int f, int64_t stamp)
{
    RecordSet::Column& c = m_rs.m_cols[size_t(f)];
    c.stamps.push_back(stamp);
    c.nulls.push_back(0);
}

void RowBuffer::appendInt(int f, int32_t v)
{
    RecordSet::Column& c = m_rs.m_cols[size_t(f)];
    c.ints.push_back(c.type == FieldType::Boolean ? int32_t(v != 0) : v);
    c.nulls.push_back(0);
}

StringPool& RowBuffer::pool(int f) { return m_rs.m_cols[size_t(f)].pool; }

bool RowBuffer::stampOfText(const char* s, int n, int64_t* stamp) { return parseIsoStamp(s, n, stamp); }

int RowBuffer::rows() const
{
    const RecordSet::Column& c = m_rs.m_cols[0];
    return int(c.type == FieldType::Float ? c.reals.size() : c.type == FieldType::DateTime ? c.stamps.size() : c.ints.size());
}

void RowBuffer::reorder(const std::vector<int32_t>& order)
{
    auto permute = [&](auto& v) {
        if (v.empty())
            return;
        std::remove_reference_t<decltype(v)> out(order.size());
        for (size_t i = 0; i < order.size(); ++i)
            out[i] = v[size_t(order[i])];
        v.swap(out);
    };
    for (RecordSet::Column& c : m_rs.m_cols) {
        permute(c.ints);
        permute(c.reals);
        permute(c.stamps);
        permute(c.nulls);
    }
}

void RecordSet::close()
{
    if (!isOpen())
        return;
    m_buf.clear();
    m_bufChanged.clear();
    for (Column& c : m_cols)
        c.clear();
    m_rows = 0;
    m_order.clear();
    m_order.shrink_to_fit();
    m_view.clear();
    m_view.shrink_to_fit();
    m_cur = -1;
    m_state = State::Inactive;
    m_pushedWhere.clear();
    m_sortText.clear();
    m_sortKeys.clear();
    emit layoutReset();
    emit stateChanged();
}

// ---------------------------------------------------------------------------
// Filter and sort

void RecordSet::rebuildView()
{
    m_view.clear();
    if (!m_filtered || m_filter.passesAll()) {
        m_view = m_order;
        return;
    }
    RowAccess acc(*this);
    m_view.reserve(m_order.size());
    for (int32_t r : m_order)
        if (m_filter.test(acc, r))
            m_view.push_back(r);
}

void RecordSet::setFilter(const QString& text)
{
    Filter parsed(text, m_fields);   // raises on a text that does not parse
    if (isOpen() && m_state != State::Browse)
        cancel();
    m_filter = std::move(parsed);
    m_filterText = text;
    if (isOpen() && m_filtered)
        setFiltered(true);   // applies the new text at once
}

void RecordSet::setFiltered(bool on)
{
    const bool changed = on != m_filtered;
    m_filtered = on;
    if (!isOpen())
        return;
    if (!changed && !on)
        return;
    if (m_state != State::Browse)
        cancel();
    if (!m_pushedWhere.isEmpty()) {
        // The rows in memory were read through the previous filter: read the
        // source again so that rows outside it are there, then keep the order.
        const QString where = m_filtered ? m_filter.sqlWhere() : QString();
        load(where);
        m_order.resize(size_t(m_rows));
        std::iota(m_order.begin(), m_order.end(), 0);
        applySortKeys();
    }
    rebuildView();
    m_cur = m_view.empty() ? -1 : 0;
    m_bof = true;
    m_eof = false;
    emit layoutReset();
    emit afterScroll();
}

bool RecordSet::sortsBefore(int32_t a, int32_t b) const
{
    for (const SortKey& k : m_sortKeys) {
        const Column& c = m_cols[size_t(k.field)];
        int r = 0;
        if (c.isText()) {
            const int32_t ia = c.ints[size_t(a)], ib = c.ints[size_t(b)];
            r = ia == ib ? 0 : ia < 0 ? -1 : ib < 0 ? 1 : collatePrimary(c.pool.view(ia), c.pool.view(ib));
        } else {
            const bool na = c.nulls[size_t(a)], nb = c.nulls[size_t(b)];
            if (na || nb) {
                r = na == nb ? 0 : (na ? -1 : 1);
            } else if (c.type == FieldType::Float) {
                const double x = c.reals[size_t(a)], y = c.reals[size_t(b)];
                r = x < y ? -1 : (x > y ? 1 : 0);
            } else if (c.type == FieldType::DateTime) {
                const int64_t x = c.stamps[size_t(a)], y = c.stamps[size_t(b)];
                r = x < y ? -1 : (x > y ? 1 : 0);
            } else {
                const int32_t x = c.ints[size_t(a)], y = c.ints[size_t(b)];
                r = x < y ? -1 : (x > y ? 1 : 0);
            }
        }
        if (r != 0)
            return k.desc ? r > 0 : r < 0;
    }
    // Rows equal under the keys come in the source's own order (the
    // physical one), whatever sort was set before.
    return a < b;
}

void RecordSet::applySortKeys()
{
    // The order depends on the rows and the sort text alone.
    std::sort(m_order.begin(), m_order.end(), [this](int32_t a, int32_t b) { return sortsBefore(a, b); });
}

void RecordSet::setSort(const QString& text)
{
    std::vector<SortKey> keys;
    for (const QString& partRaw : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        QStringList words = partRaw.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        bool desc = false;
        if (words.size() == 2 && words[1].compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0)
            desc = true;
        else if (words.size() == 2 && words[1].compare(QLatin1String("ASC"), Qt::CaseInsensitive) == 0)
            desc = false;
        else if (words.size() != 1)
            throw DbError(QStringLiteral("%1: неверный порядок сортировки \"%2\".").arg(m_name, text));
        QString name = words[0];
        if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
            name = name.mid(1, name.size() - 2);
        const int f = fieldIndex(name);
        if (f < 0)
            throw DbError(QStringLiteral("%1: поле \"%2\" не найдено.").arg(m_name, name));
        keys.push_back({f, desc});
    }
    if (!isOpen()) {
        m_sortKeys = keys;
        m_sortText = text;
        return;
    }
    if (m_state != State::Browse)
        cancel();
    const int curRow = m_cur >= 0 ? physical(m_cur) : -1;
    m_sortKeys = std::move(keys);
    m_sortText = text;
    applySortKeys();
    rebuildView();
    m_cur = -1;
    if (curRow >= 0) {
        const auto it = std::find(m_view.begin(), m_view.end(), curRow);
        if (it != m_view.end())
            m_cur = int(it - m_view.begin());
    }
    if (m_cur < 0 && !m_view.empty())
        m_cur = 0;
    emit layoutReset();
    emit afterScroll();
}

// ---------------------------------------------------------------------------
// Navigation

void RecordSet::checkBrowse()
{
    // Nothing pending is written by moving away from it.
    if (m_state == State::Edit || m_state == State::Insert)
        cancel();
}

void RecordSet::setRecNo(int recNo)
{
    if (!isOpen())
        return;
    checkBrowse();
    m_bof = m_eof = false;
    const int n = int(m_view.size());
    if (n == 0)
        return;
    const int pos = std::clamp(recNo - 1, 0, n - 1);
    if (pos == m_cur)
        return;
    m_cur = pos;
    emit afterScroll();
}

void RecordSet::first()
{
    setRecNo(1);
    m_bof = true;
}

void RecordSet::last()
{
    setRecNo(int(m_view.size()));
    m_eof = true;
}

void RecordSet::next()
{
    if (!isOpen())
        return;
    checkBrowse();
    if (m_cur >= int(m_view.size()) - 1) {
        m_eof = true;
        return;
    }
    setRecNo(m_cur + 2);
}

void RecordSet::prior()
{
    if (!isOpen())
        return;
    checkBrowse();
    if (m_cur <= 0) {
        m_bof = true;
        return;
    }
    setRecNo(m_cur);
}

bool RecordSet::locate(const QString& fieldName, const QVariant& value, int options)
{
    const int f = fieldIndex(fieldName);
    if (f < 0)
        throw DbError(QStringLiteral("%1: поле \"%2\" не найдено.").arg(m_name, fieldName));
    if (!isOpen())
        return false;
    checkBrowse();
    const bool partial = options & PartialKey;
    const Column& c = m_cols[size_t(f)];
    int found = -1;
    if (c.isText()) {
        const QByteArray key = value.toString().toUtf8();
        if (!partial) {
            const int32_t idx = c.pool.find(key.constData(), uint32_t(key.size()));
            if (idx >= 0) {
                for (size_t p = 0; p < m_view.size(); ++p)
                    if (c.ints[size_t(m_view[p])] == idx) { found = int(p); break; }
            }
        } else {
            std::vector<uint8_t> match(size_t(c.pool.size()), 0);
            const std::string_view k(key.constData(), size_t(key.size()));
            for (int i = 0; i < c.pool.size(); ++i)
                match[size_t(i)] = c.pool.view(i).substr(0, k.size()) == k;
            for (size_t p = 0; p < m_view.size(); ++p) {
                const int32_t idx = c.ints[size_t(m_view[p])];
                if (idx >= 0 && match[size_t(idx)]) { found = int(p); break; }
            }
        }
    } else if (!partial) {
        QVariant v;
        try {
            v = convertTo(m_fields[f], value);
        } catch (const DbError&) {
            return false;
        }
        if (!v.isValid())
            return false;
        for (size_t p = 0; p < m_view.size() && found < 0; ++p) {
            const int r = m_view[p];
            if (c.nulls[size_t(r)])
                continue;
            switch (c.type) {
            case FieldType::Float: if (c.reals[size_t(r)] == v.toDouble()) found = int(p); break;
            case FieldType::DateTime: if (c.stamps[size_t(r)] == stampOf(v.toDateTime())) found = int(p); break;
            case FieldType::Boolean: if ((c.ints[size_t(r)] != 0) == v.toBool()) found = int(p); break;
            default: if (c.ints[size_t(r)] == v.toInt()) found = int(p); break;
            }
        }
    } else {
        const QString key = value.toString();
        for (size_t p = 0; p < m_view.size(); ++p)
            if (textAt(int(p), f).startsWith(key)) { found = int(p); break; }
    }
    if (found < 0)
        return false;
    m_cur = found;
    m_bof = m_eof = false;
    emit afterScroll();
    return true;
}

// ---------------------------------------------------------------------------
// Reading

bool RecordSet::storedNull(int row, int f) const
{
    const Column& c = m_cols[size_t(f)];
    return c.isText() ? c.ints[size_t(row)] < 0 : c.nulls[size_t(row)] != 0;
}

QVariant RecordSet::storedValue(int row, int f) const
{
    if (storedNull(row, f))
        return QVariant();
    const Column& c = m_cols[size_t(f)];
    switch (c.type) {
    case FieldType::Integer: return c.ints[size_t(row)];
    case FieldType::Boolean: return c.ints[size_t(row)] != 0;
    case FieldType::Float: return c.reals[size_t(row)];
    case FieldType::DateTime: return fromStamp(c.stamps[size_t(row)]);
    case FieldType::Text:
    case FieldType::Memo: return c.pool.string(c.ints[size_t(row)]);
    }
    return QVariant();
}

void RecordSet::requireCurrent() const
{
    if (m_state == State::Inactive)
        throw DbError(QStringLiteral("%1: набор данных закрыт.").arg(m_name));
}

bool RecordSet::curIsNull(int f) const
{
    if (m_state == State::Edit || m_state == State::Insert)
        return !m_buf[size_t(f)].isValid();
    if (m_cur < 0)
        return true;
    return storedNull(physical(m_cur), f);
}

QVariant RecordSet::curValue(int f) const
{
    if (m_state == State::Edit || m_state == State::Insert)
        return m_buf[size_t(f)];
    if (m_cur < 0)
        return QVariant();
    return storedValue(physical(m_cur), f);
}

bool RecordSet::isNullAt(int pos, int f) const
{
    if (isPendingPos(pos) || (m_state == State::Edit && pos == m_cur))
        return !m_buf[size_t(f)].isValid();
    if (pos < 0 || pos >= int(m_view.size()))
        return true;
    return storedNull(physical(pos), f);
}

QVariant RecordSet::valueAt(int pos, int f) const
{
    if (isPendingPos(pos) || (m_state == State::Edit && pos == m_cur))
        return m_buf[size_t(f)];
    if (pos < 0 || pos >= int(m_view.size()))
        return QVariant();
    return storedValue(physical(pos), f);
}

QString RecordSet::textAt(int pos, int f) const
{
    const bool stored = !isPendingPos(pos) && !(m_state == State::Edit && pos == m_cur) && pos >= 0
        && pos < int(m_view.size());
    if (stored && m_fields[f].type == FieldType::DateTime) {
        const int row = physical(pos);
        return storedNull(row, f) ? QString() : stampText(m_cols[size_t(f)].stamps[size_t(row)]);
    }
    return textOf(m_fields[f], valueAt(pos, f));
}

int RecordSet::intAt(int pos, int f) const
{
    const QVariant v = valueAt(pos, f);
    if (!v.isValid())
        return 0;
    if (m_fields[f].type == FieldType::Float)
        return int(std::lround(v.toDouble()));
    return v.toInt();
}

double RecordSet::floatAt(int pos, int f) const
{
    const QVariant v = valueAt(pos, f);
    return v.isValid() ? v.toDouble() : 0.0;
}

bool RecordSet::boolAt(int pos, int f) const
{
    const QVariant v = valueAt(pos, f);
    return v.isValid() && v.toBool();
}

// ---------------------------------------------------------------------------
// Writing

void RecordSet::setBuffer(int f, const QVariant& v)
{
    if (m_state != State::Edit && m_state != State::Insert)
        throw DbError(QStringLiteral("%1: запись не в режиме редактирования.").arg(m_name));
    if (!isFieldWritable(f))
        throw DbError(QStringLiteral("%1: поле \"%2\" нельзя изменить.").arg(m_name, m_fields[f].name));
    m_buf[size_t(f)] = v;
    m_bufChanged[size_t(f)] = 1;
    emit fieldChanged(f);
    emit rowChanged(m_cur);
}

void RecordSet::storeValue(int row, int f, const QVariant& v)
{
    Column& c = m_cols[size_t(f)];
    const bool isNull = !v.isValid() || v.isNull();
    switch (c.type) {
    case FieldType::Integer: c.ints[size_t(row)] = isNull ? 0 : v.toInt(); c.nulls[size_t(row)] = isNull; break;
    case FieldType::Boolean: c.ints[size_t(row)] = isNull ? 0 : v.toBool(); c.nulls[size_t(row)] = isNull; break;
    case FieldType::Float: c.reals[size_t(row)] = isNull ? 0 : v.toDouble(); c.nulls[size_t(row)] = isNull; break;
    case FieldType::DateTime:
        c.stamps[size_t(row)] = isNull ? 0 : stampOf(v.toDateTime());
        c.nulls[size_t(row)] = isNull;
        break;
    case FieldType::Text:
    case FieldType::Memo: c.ints[size_t(row)] = isNull ? -1 : c.pool.intern(v.toString()); break;
    }
}

void RecordSet::appendPhysicalRow()
{
    for (Column& c : m_cols) {
        switch (c.type) {
        case FieldType::Float: c.reals.push_back(0); c.nulls.push_back(1); break;
        case FieldType::DateTime: c.stamps.push_back(0); c.nulls.push_back(1); break;
        case FieldType::Text:
        case FieldType::Memo: c.ints.push_back(-1); break;
        default: c.ints.push_back(0); c.nulls.push_back(1); break;
        }
    }
    ++m_rows;
}

void RecordSet::insert()
{
    requireCurrent();
    checkBrowse();
    if (isReadOnly())
        throw DbError(QStringLiteral("%1: набор данных только для чтения.").arg(m_name));
    m_buf.assign(m_fields.size(), QVariant());
    m_bufChanged.assign(m_fields.size(), 0);
    m_curBeforeInsert = m_cur;
    m_state = State::Insert;
    m_cur = int(m_view.size());
    emit rowInserted(m_cur);
    emit stateChanged();
    emit afterScroll();
}

void RecordSet::edit()
{
    requireCurrent();
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    if (m_cur < 0)
        throw DbError(QStringLiteral("%1: нет текущей записи для редактирования.").arg(m_name));
    if (isReadOnly())
        throw DbError(QStringLiteral("%1: набор данных только для чтения.").arg(m_name));
    m_buf.resize(size_t(m_fields.size()));
    const int row = physical(m_cur);
    for (int f = 0; f < m_fields.size(); ++f)
        m_buf[size_t(f)] = storedValue(row, f);
    m_bufChanged.assign(m_fields.size(), 0);
    m_state = State::Edit;
    emit stateChanged();
}

void RecordSet::cancel()
{
    if (m_state == State::Edit) {
        m_state = State::Browse;
        m_buf.clear();
        m_bufChanged.clear();
        emit rowChanged(m_cur);
        emit stateChanged();
        emit afterScroll();
    } else if (m_state == State::Insert) {
        const int pos = int(m_view.size());
        m_state = State::Browse;
        m_buf.clear();
        m_bufChanged.clear();
        m_cur = m_view.empty() ? -1 : std::clamp(m_curBeforeInsert, 0, int(m_view.size()) - 1);
        emit rowRemoved(pos);
        emit stateChanged();
        emit afterScroll();
    }
}


void RecordSet::reread()
{
    if (!isOpen())
        return;
    if (m_state == State::Edit || m_state == State::Insert)
        cancel();
    const int id = m_idField >= 0 && m_cur >= 0 ? intAt(m_cur, m_idField) : 0;
    const int pos = m_cur;
    const QString sortText = m_sortText;
    close();
    open();
    if (!sortText.isEmpty())
        setSort(sortText);
    if (id > 0 && !locate(m_fields[m_idField].name, id) && pos > 0 && pos < recordCount())
        setRecNo(pos + 1);
}

ops::RecordWrite RecordSet::pendingWrite() const
{
    if (m_state != State::Edit && m_state != State::Insert)
        throw DbError(QStringLiteral("%1: нет изменений для записи.").arg(m_name));
    if (isReadOnly())
        throw DbError(QStringLiteral("%1: набор данных только для чтения.").arg(m_name));
    ops::RecordWrite w;
    w.table = m_baseTable;
    const int row = m_state == State::Edit ? physical(m_cur) : -1;
    w.id = row >= 0 && m_idField >= 0 ? m_cols[size_t(m_idField)].ints[size_t(row)] : 0;
    for (int f = 0; f < m_fields.size(); ++f) {
        if (!m_bufChanged[size_t(f)] || !isFieldWritable(f))
            continue;
        const FieldType t = m_fields[f].type;
        w.values << ops::ColumnValue{m_originColumn[size_t(f)], t, m_buf[size_t(f)]};
        if (row >= 0)
            w.read << ops::ColumnValue{m_originColumn[size_t(f)], t, storedValue(row, f)};
    }
    return w;
}

ops::RecordWrite RecordSet::currentRecord() const
{
    if (m_cur < 0 || m_cur >= int(m_view.size()) || m_idField < 0)
        throw DbError(QStringLiteral("%1: нет текущей записи.").arg(m_name));
    ops::RecordWrite w;
    w.table = m_baseTable;
    const int row = physical(m_cur);
    w.id = m_cols[size_t(m_idField)].ints[size_t(row)];
    for (int f = 0; f < m_fields.size(); ++f)
        if (isFieldWritable(f))
            w.read << ops::ColumnValue{m_originColumn[size_t(f)], m_fields[f].type, storedValue(row, f)};
    return w;
}

void RecordSet::repositionRow(int row)
{
    // The row's place under the sort keys (ties in the source's order, as
    // applySortKeys gives them): taken out and put back where it belongs.
    const auto it = std::find(m_order.begin(), m_order.end(), row);
    if (it != m_order.end())
        m_order.erase(it);
    m_order.insert(std::lower_bound(m_order.begin(), m_order.end(), row,
                                    [this](int32_t a, int32_t b) { return sortsBefore(a, b); }),
                   row);
}

void RecordSet::refreshRows(const QList<int>& ids, bool appendNew)
{
    if (!isOpen() || ids.isEmpty())
        return;
    if (m_idField < 0 || usesRowReader() || m_kind == Kind::StoredQuery) {
        reread();
        return;
    }
    if (m_state == State::Edit || m_state == State::Insert)
        cancel();
    QStringList list;
    for (int id : ids)
        list << QString::number(id);
    const Dialect& dialect = m_conn->dialect();
    const QString inner = m_kind == Kind::Table ? QStringLiteral("SELECT * FROM %1").arg(dialect.quoted(m_source))
                                                : bareText(m_source);
    QString where = QStringLiteral("%1 IN (%2)").arg(dialect.quoted(m_fields[m_idField].name), list.join(QLatin1Char(',')));
    if (!m_pushedWhere.isEmpty())
        where = QStringLiteral("(%1) AND %2").arg(m_pushedWhere, where);
    const QString sql = QStringLiteral("SELECT * FROM (%1) AS q WHERE %2").arg(inner, where);

    const FileState state = m_conn->fileState();
    Query q(*m_conn, sql);
    bool any = q.next();
    const int nf = int(m_fields.size());
    const int nc = q.columnCount();
    std::vector<int> colOf(size_t(nf), -1);
    for (int f = 0; f < nf; ++f)
        for (int c = 0; c < nc && colOf[size_t(f)] < 0; ++c)
            if (m_fields[f].name.compare(q.columnName(c), Qt::CaseInsensitive) == 0)
                colOf[size_t(f)] = c;

    const int curId = m_cur >= 0 ? intAt(m_cur, m_idField) : 0;
    const std::vector<int32_t> viewBefore = m_view;
    std::vector<int> touched;   // physical rows read again
    auto physicalOf = [&](int id) {
        const std::vector<int32_t>& keys = m_cols[size_t(m_idField)].ints;
        for (int r : m_order)
            if (keys[size_t(r)] == id)
                return r;
        return -1;
    };
    QList<int> missing = ids;
    for (; any; any = q.next()) {
        const int id = int(q.int64(colOf[size_t(m_idField)]));
        missing.removeAll(id);
        int row = physicalOf(id);
        if (row < 0) {
            if (!appendNew)
                continue;
            // A new row: appended as the last physical row.
            for (int f = 0; f < nf; ++f)
                appendCell(m_cols[size_t(f)], q, colOf[size_t(f)]);
            row = m_rows++;
            m_order.push_back(row);
        } else {
            // The values read replace the row's, cell by cell.
            for (int f = 0; f < nf; ++f) {
                Column& c = m_cols[size_t(f)];
                Column one;
                one.type = c.type;
                appendCell(one, q, colOf[size_t(f)]);
                switch (c.type) {
                case FieldType::Float: c.reals[size_t(row)] = one.reals[0]; c.nulls[size_t(row)] = one.nulls[0]; break;
                case FieldType::DateTime: c.stamps[size_t(row)] = one.stamps[0]; c.nulls[size_t(row)] = one.nulls[0]; break;
                case FieldType::Text:
                case FieldType::Memo: {
                    const int32_t i = one.ints[0];
                    c.ints[size_t(row)] = i < 0 ? -1 : c.pool.intern(one.pool.view(i).data(), uint32_t(one.pool.view(i).size()));
                    break;
                }
                default: c.ints[size_t(row)] = one.ints[0]; c.nulls[size_t(row)] = one.nulls[0]; break;
                }
            }
        }
        repositionRow(row);
        touched.push_back(row);
    }
    for (int id : missing) {
        const int row = physicalOf(id);
        if (row >= 0)
            m_order.erase(std::find(m_order.begin(), m_order.end(), row));
    }
    rebuildView();
    m_cur = -1;
    if (curId > 0)
        for (size_t p = 0; p < m_view.size() && m_cur < 0; ++p)
            if (m_cols[size_t(m_idField)].ints[size_t(m_view[p])] == curId)
                m_cur = int(p);
    if (m_cur < 0 && !m_view.empty())
        m_cur = 0;
    m_readState = state;
    if (m_view == viewBefore) {
        // The same rows in the same places: only those read again change.
        for (int row : touched) {
            const auto it = std::find(m_view.begin(), m_view.end(), row);
            if (it != m_view.end())
                emit rowChanged(int(it - m_view.begin()));
        }
    } else {
        emit layoutReset();
    }
    emit afterScroll();
}
