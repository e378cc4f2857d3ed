#include "UsageReports.h"

#include "Connection.h"
#include "DbError.h"
#include "Engine.h"
#include "Query.h"
#include "RuFormat.h"
#include "Schema.h"
#include "TextCollate.h"
#include "ToolKind.h"

#include <QHash>
#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace reports {

namespace {

QDateTime startOf(const QDate& d) { return QDateTime(d, QTime(0, 0)); }

// A sum as the engine gives it: an integer, or (a server's sum of integers)
// a numeric read as a float.
qint64 whole(const Query& q, int c)
{
    return q.type(c) == ValueType::Float ? std::llround(q.real(c)) : q.int64(c);
}

// "AND ID_Tabl = ?" for one kind, its parameter appended.
QString kindCondition(const Period& p, const QString& column, QVariantList* params)
{
    if (p.kindCode == 0)
        return {};
    *params << p.kindCode;
    return QStringLiteral(" AND %1 = ?").arg(column);
}

// "col >= ? AND col < ?": the period's days.
QString inPeriod(const Period& p, const QString& column, QVariantList* params)
{
    *params << startOf(p.from) << startOf(p.to.addDays(1));
    return QStringLiteral("%1 >= ? AND %1 < ?").arg(column);
}

// The kinds' names: the kind list's, or the program's own where it has none.
std::array<QString, 5> kindNames(Connection& c)
{
    std::array<QString, 5> names;
    for (int k = 1; k <= 4; ++k)
        names[size_t(k)] = kindName(k);
    Query q(c, QStringLiteral("SELECT ID, Tabl_Name FROM List_Tabl"));
    while (q.next()) {
        const qint64 k = q.int64(0);
        const QString name = q.text(1).trimmed();
        if (k >= 1 && k <= 4 && !q.isNull(0) && !name.isEmpty())
            names[size_t(k)] = name;
    }
    return names;
}

bool knownKind(qint64 code) { return code >= 1 && code <= 4; }

QString periodText(const Period& p)
{
    return QStringLiteral("%1 – %2").arg(ru::formatDate(p.from), ru::formatDate(p.to));
}

QString title(Usage r, Connection& c, const Period& p)
{
    QString t = QStringLiteral("%1 за %2").arg(reportName(r), periodText(p));
    if (knownKind(p.kindCode))
        t += QStringLiteral(", ") + kindNames(c)[size_t(p.kindCode)];
    return t;
}

int monthIndex(const QDate& d) { return d.year() * 12 + d.month() - 1; }
QDate monthStart(int index) { return QDate(index / 12, index % 12 + 1, 1); }

} // namespace

Period currentMonth(const QDate& today)
{
    const QDate first(today.year(), today.month(), 1);
    return Period{first, first.addMonths(1).addDays(-1), 0};
}

QString periodProblem(const Period& p)
{
    if (!p.from.isValid() || !p.to.isValid())
        return QStringLiteral("Не задан период отчета.");
    if (p.from > p.to)
        return QStringLiteral("Начало периода позже его конца.");
    if (p.kindCode != 0 && !knownKind(p.kindCode))
        return QStringLiteral("Нет такого вида инструмента.");
    return {};
}

bool parseKind(const QString& text, int* code)
{
    const QString t = text.trimmed();
    int found = -1;
    if (t.isEmpty())
        found = 0;
    for (int k = 1; k <= 4 && found < 0; ++k) {
        const ToolKind kind = *toolKindByCode(k);
        if (t == QString::number(k) || t.compare(kindName(k), Qt::CaseInsensitive) == 0
            || t.compare(QString::fromLatin1(toolKind(kind).table), Qt::CaseInsensitive) == 0)
            found = k;
    }
    if (found < 0)
        return false;
    if (code)
        *code = found;
    return true;
}

QString reportName(Usage r)
{
    switch (r) {
    case Usage::Consumption: return QStringLiteral("Расход по месяцам");
    case Usage::Operators: return QStringLiteral("По операторам");
    case Usage::Tools: return QStringLiteral("По инструменту");
    }
    return {};
}

Statement reportStatement(Usage r, const Dialect& d, const Period& p, const QDate& today)
{
    Statement s;
    QVariantList& v = s.params;
    switch (r) {
    case Usage::Consumption: {
        // Source 0 receipts, 1 write-offs, 2 issues; summed per kind and day.
        QStringList parts;
        const struct {
            const char* table;
            const char* date;
            const char* count;
        } sources[] = {{"Prihod_History", "\"Date\"", "K_vo"},
                       {"Spisanie_History", "\"Date\"", "K_vo"},
                       {"Dolgi", "\"Date\"", "K_vo"},
                       {"Dolgi_History", "Date_Start", "K_vo_Instr_Bral"}};
        for (int i = 0; i < 4; ++i) {
            const QString date = QString::fromLatin1(sources[i].date);
            QString where = inPeriod(p, date, &v);
            where += kindCondition(p, QStringLiteral("ID_Tabl"), &v);
            parts << QStringLiteral("SELECT %1, ID_Tabl, %2, SUM(%3) FROM %4 WHERE %5 GROUP BY ID_Tabl, %2")
                         .arg(std::min(i, 2))
                         .arg(date, QString::fromLatin1(sources[i].count), QString::fromLatin1(sources[i].table),
                              where);
        }
        s.sql = parts.join(QStringLiteral(" UNION ALL "));
        break;
    }
    case Usage::Operators: {
        // Closed debts that were in work during the period, then the open
        // ones taken before its end: per operator the pieces taken in the
        // period, returned new and used in it, in work at its end, and the
        // days in work of those debts (up to the return, or to the period's
        // last day or today, whichever is earlier) with their count.
        const QDateTime from = startOf(p.from), end = startOf(p.to.addDays(1));
        const QDateTime asOf = startOf(std::min(p.to, today));
        s.sql = QStringLiteral(
                    "SELECT ID_People, "
                    "SUM(CASE WHEN Date_Start >= ? THEN K_vo_Instr_Bral ELSE 0 END), "
                    "SUM(CASE WHEN Date_Fin < ? THEN K_vo_Instr_Vernul_New ELSE 0 END), "
                    "SUM(CASE WHEN Date_Fin < ? THEN K_vo_Instr_Vernul_BU ELSE 0 END), "
                    "SUM(CASE WHEN Date_Fin >= ? THEN K_vo_Instr_Bral ELSE 0 END), "
                    "SUM(CASE WHEN Date_Fin < ? THEN %1 ELSE %2 END), COUNT(*) "
                    "FROM Dolgi_History WHERE Date_Start < ? AND Date_Fin >= ?%3 GROUP BY ID_People")
                    .arg(d.daysBetween(QStringLiteral("Date_Start"), QStringLiteral("Date_Fin")),
                         d.daysBetween(QStringLiteral("Date_Start"), QStringLiteral("?")),
                         p.kindCode ? QStringLiteral(" AND ID_Tabl = ?") : QString());
        v << from << end << end << end << end << asOf << end << from;
        const QString oneKind = p.kindCode ? QStringLiteral(" AND ID_Tabl = ?") : QString();
        if (p.kindCode)
            v << p.kindCode;
        s.sql += QStringLiteral(
                     " UNION ALL SELECT ID_People, SUM(CASE WHEN \"Date\" >= ? THEN K_vo ELSE 0 END), 0, 0, SUM(K_vo), "
                     "SUM(%1), COUNT(*) FROM Dolgi WHERE \"Date\" < ?%2 GROUP BY ID_People")
                     .arg(d.daysBetween(QStringLiteral("\"Date\""), QStringLiteral("?")), oneKind);
        // The open debts' parameters in their order.
        QVariantList open{from, asOf, end};
        if (p.kindCode)
            open << p.kindCode;
        v << open;
        break;
    }
    case Usage::Tools: {
        // Source 0 write-offs, 1 issues; summed per tool.
        QStringList parts;
        const struct {
            int source;
            const char* table;
            const char* date;
            const char* count;
        } sources[] = {{0, "Spisanie_History", "\"Date\"", "K_vo"},
                       {1, "Dolgi", "\"Date\"", "K_vo"},
                       {1, "Dolgi_History", "Date_Start", "K_vo_Instr_Bral"}};
        for (const auto& src : sources) {
            QString where = inPeriod(p, QString::fromLatin1(src.date), &v);
            where += kindCondition(p, QStringLiteral("ID_Tabl"), &v);
            parts << QStringLiteral("SELECT %1, ID_Tabl, ID_Instr, SUM(%2) FROM %3 WHERE %4 GROUP BY ID_Tabl, ID_Instr")
                         .arg(src.source)
                         .arg(QString::fromLatin1(src.count), QString::fromLatin1(src.table), where);
        }
        s.sql = parts.join(QStringLiteral(" UNION ALL "));
        break;
    }
    }
    return s;
}

namespace {

Query& run(Query& q, const Statement& s)
{
    for (int i = 0; i < s.params.size(); ++i)
        q.bind(i, s.params[i]);
    return q;
}

} // namespace

Table consumptionReport(Connection& c, const Period& p)
{
    using namespace consumption;
    Table t;
    t.title = title(Usage::Consumption, c, p);
    t.columns = {{QStringLiteral("Месяц"), Column::Month},
                 {QStringLiteral("Вид инструмента"), Column::Text},
                 {QStringLiteral("Получено"), Column::Integer},
                 {QStringLiteral("Списано"), Column::Integer},
                 {QStringLiteral("Выдано"), Column::Integer}};
    if (!periodProblem(p).isEmpty())
        return t;

    // (month, kind code) -> received, written off, issued.
    std::map<std::pair<int, int>, std::array<qint64, 3>> sums;
    const Statement s = reportStatement(Usage::Consumption, c.dialect(), p);
    Query q(c, s.sql);
    run(q, s);
    while (q.next()) {
        const qint64 kind = q.int64(1);
        const QDateTime day = q.dateTime(2);
        if (!knownKind(kind) || !day.isValid())
            continue;
        sums[{monthIndex(day.date()), int(kind)}][size_t(q.int64(0))] += whole(q, 3);
    }

    const std::array<QString, 5> names = kindNames(c);
    for (int m = monthIndex(p.from); m <= monthIndex(p.to); ++m) {
        for (ToolKind k : allToolKinds()) {
            const auto it = sums.find({m, kindCodeOf(k)});
            if (it == sums.end())
                continue;
            const auto& n = it->second;
            t.rows.append(QVariantList{monthStart(m), names[size_t(kindCodeOf(k))], n[0], n[1], n[2]});
        }
    }
    return t;
}

Table operatorsReport(Connection& c, const Period& p, const QDate& today)
{
    using namespace operators;
    Table t;
    t.title = title(Usage::Operators, c, p);
    t.columns = {{QStringLiteral("ФИО оператора"), Column::Text},
                 {QStringLiteral("Взял"), Column::Integer},
                 {QStringLiteral("Вернул новым"), Column::Integer},
                 {QStringLiteral("Вернул БУ"), Column::Integer},
                 {QStringLiteral("В работе на конец периода"), Column::Integer},
                 {QStringLiteral("Дней в работе, в среднем"), Column::Real}};
    if (!periodProblem(p).isEmpty())
        return t;

    struct Sums {
        qint64 taken = 0, returnedNew = 0, returnedUsed = 0, inWork = 0, debts = 0;
        double days = 0;
    };
    QHash<qint64, Sums> byPerson;
    const Statement s = reportStatement(Usage::Operators, c.dialect(), p, today);
    Query q(c, s.sql);
    run(q, s);
    while (q.next()) {
        Sums& o = byPerson[q.int64(0)];
        o.taken += whole(q, 1);
        o.returnedNew += whole(q, 2);
        o.returnedUsed += whole(q, 3);
        o.inWork += whole(q, 4);
        o.days += q.real(5);
        o.debts += whole(q, 6);
    }

    QHash<qint64, QString> names;
    {
        Query n(c, QStringLiteral("SELECT ID, FIO FROM People"));
        while (n.next())
            names.insert(n.int64(0), n.text(1));
    }
    struct Row {
        QString name;
        qint64 id;
        Sums s;
    };
    std::vector<Row> rows;
    for (auto it = byPerson.cbegin(); it != byPerson.cend(); ++it) {
        const auto name = names.constFind(it.key());
        rows.push_back({name != names.cend() ? *name : QStringLiteral("(нет в списке операторов, № %1)").arg(it.key()),
                        it.key(), it.value()});
    }
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        const int c = collateCompare(a.name, b.name);
        return c != 0 ? c < 0 : a.id < b.id;
    });
    for (const Row& r : rows) {
        const QVariant average = r.s.debts > 0 ? QVariant(std::round(r.s.days / double(r.s.debts) * 10) / 10) : QVariant();
        t.rows.append(QVariantList{r.name, r.s.taken, r.s.returnedNew, r.s.returnedUsed, r.s.inWork, average});
    }
    return t;
}

Table toolsReport(Connection& c, const Period& p)
{
    using namespace tools;
    Table t;
    t.title = title(Usage::Tools, c, p);
    t.columns = {{QStringLiteral("Вид инструмента"), Column::Text}, {QStringLiteral("Код"), Column::Text},
                 {QStringLiteral("Фирма"), Column::Text},           {QStringLiteral("Списано"), Column::Integer},
                 {QStringLiteral("Выдано"), Column::Integer},       {QStringLiteral("Всего"), Column::Integer}};
    if (!periodProblem(p).isEmpty())
        return t;

    struct Tool {
        int kind;
        qint64 id;
        qint64 writtenOff = 0, issued = 0;
        qint64 total() const { return writtenOff + issued; }
    };
    std::vector<Tool> list;
    {
        QHash<QPair<int, qint64>, size_t> at;
        const Statement s = reportStatement(Usage::Tools, c.dialect(), p);
        Query q(c, s.sql);
        run(q, s);
        while (q.next()) {
            const qint64 kind = q.int64(1);
            if (!knownKind(kind) || q.isNull(2))
                continue;
            const QPair<int, qint64> key{int(kind), q.int64(2)};
            auto it = at.find(key);
            if (it == at.end()) {
                it = at.insert(key, list.size());
                list.push_back(Tool{int(kind), key.second});
            }
            (q.int64(0) == 0 ? list[*it].writtenOff : list[*it].issued) += whole(q, 3);
        }
    }
    // Most pieces first; then most written off, then by kind and row.
    const auto firstPlace = [](const Tool& a, const Tool& b) {
        if (a.total() != b.total())
            return a.total() > b.total();
        if (a.writtenOff != b.writtenOff)
            return a.writtenOff > b.writtenOff;
        return a.kind != b.kind ? a.kind < b.kind : a.id < b.id;
    };
    const size_t named = std::min(list.size(), size_t(TopTools));
    std::partial_sort(list.begin(), list.begin() + qsizetype(named), list.end(), firstPlace);

    const std::array<QString, 5> names = kindNames(c);
    QHash<qint64, QString> firms;
    {
        Query f(c, QStringLiteral("SELECT ID, Name FROM Firma"));
        while (f.next())
            firms.insert(f.int64(0), f.text(1));
    }
    std::array<std::unique_ptr<Query>, 5> byId;
    for (size_t i = 0; i < named; ++i) {
        const Tool& tool = list[i];
        auto& q = byId[size_t(tool.kind)];
        if (!q) {
            const ToolKind k = *toolKindByCode(tool.kind);
            q = std::make_unique<Query>(c, QStringLiteral("SELECT KOD, ID_Firma FROM %1 WHERE ID = ?")
                                               .arg(c.dialect().quoted(QString::fromLatin1(toolKind(k).table))));
        }
        q->reset();
        q->bindInt(0, tool.id);
        QString code, firm;
        if (q->next()) {
            code = q->text(0);
            firm = firms.value(q->int64(1));
        } else {
            code = QStringLiteral("(удален, № %1)").arg(tool.id);
        }
        t.rows.append(QVariantList{names[size_t(tool.kind)], code, firm, tool.writtenOff, tool.issued, tool.total()});
    }
    if (list.size() > named) {
        qint64 writtenOff = 0, issued = 0;
        for (size_t i = named; i < list.size(); ++i) {
            writtenOff += list[i].writtenOff;
            issued += list[i].issued;
        }
        t.rows.append(QVariantList{QVariant(), QStringLiteral("прочие"), QVariant(), writtenOff, issued,
                                   writtenOff + issued});
    }
    return t;
}

Table makeReport(Usage r, Connection& c, const Period& p, const QDate& today)
{
    switch (r) {
    case Usage::Consumption: return consumptionReport(c, p);
    case Usage::Operators: return operatorsReport(c, p, today);
    case Usage::Tools: return toolsReport(c, p);
    }
    return {};
}

} // namespace reports
