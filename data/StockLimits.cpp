#include "StockLimits.h"

#include "Connection.h"
#include "Engine.h"
#include "Query.h"
#include "RecordSet.h"
#include "Schema.h"
#include "TextCollate.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

namespace limits {

namespace {

QString latin(const char* s) { return QString::fromLatin1(s); }

// The name column of each kind's table beside the code.
const char* nameColumn(ToolKind k)
{
    switch (k) {
    case ToolKind::Sverla: return "Type";
    case ToolKind::Frezy: return "Type";
    case ToolKind::Derj: return "Name";
    case ToolKind::Plast: return "Naimenovanie";
    }
    return "Kod";
}

bool hasMinimums(Connection& c) { return hasTable(c, QStringLiteral("Min_Ostatok")); }

} // namespace

QString overdueSettingName() { return QStringLiteral("Srok_Vydachi_Dney"); }

int overdueLimit(Connection& c)
{
    if (!hasTable(c, QStringLiteral("Nastroiki")))
        return DefaultOverdueDays;
    Query qr(c, QStringLiteral("SELECT \"Value\" FROM Nastroiki WHERE Name = ?"));
    qr.bindText(0, overdueSettingName());
    if (!qr.next())
        return DefaultOverdueDays;
    bool ok = false;
    const int v = qr.text(0).trimmed().toInt(&ok);
    return ok && v >= 0 && v <= MaxOverdueDays ? v : DefaultOverdueDays;
}

QHash<int, qint64> minimumsOf(Connection& c, ToolKind kind)
{
    QHash<int, qint64> out;
    if (!hasMinimums(c))
        return out;
    Query qr(c, QStringLiteral("SELECT ID_Instr, K_vo_Min FROM Min_Ostatok WHERE ID_Tabl = ? AND K_vo_Min > 0"));
    qr.bindInt(0, kindCodeOf(kind));
    while (qr.next())
        out.insert(int(qr.int64(0)), qr.int64(1));
    return out;
}

std::optional<qint64> minimumOf(Connection& c, ToolKind kind, int toolId)
{
    if (!hasMinimums(c))
        return std::nullopt;
    Query qr(c, QStringLiteral("SELECT K_vo_Min FROM Min_Ostatok WHERE ID_Tabl = ? AND ID_Instr = ? AND K_vo_Min > 0"));
    qr.bindInt(0, kindCodeOf(kind)).bindInt(1, toolId);
    if (!qr.next())
        return std::nullopt;
    return qr.int64(0);
}

int countBelow(Connection& c, ToolKind kind)
{
    if (!hasMinimums(c))
        return 0;
    const ToolKindInfo& k = toolKind(kind);
    return int(queryInt(c,
                        QStringLiteral("SELECT COUNT(*) FROM Min_Ostatok M JOIN %1 T ON T.ID = M.ID_Instr "
                                       "WHERE M.ID_Tabl = ? AND M.K_vo_Min > 0 "
                                       "AND COALESCE(T.%2, 0) + COALESCE(T.K_vo_BU, 0) < M.K_vo_Min")
                            .arg(latin(k.table), latin(k.tableNewColumn)),
                        {k.code}));
}

int countBelowIn(const RecordSet& rs, ToolKind kind, const QHash<int, qint64>& minimums)
{
    if (minimums.isEmpty() || !rs.isOpen())
        return 0;
    const ToolKindInfo& k = toolKind(kind);
    const int id = rs.fieldIndex(QStringLiteral("ID"));
    const int fresh = rs.fieldIndex(QString::fromLatin1(k.newField));
    const int used = rs.fieldIndex(QString::fromLatin1(k.buField));
    const int n = rs.recordCount();
    int below = 0;
    for (int pos = 0; pos < n; ++pos) {
        const auto it = minimums.constFind(rs.intAt(pos, id));
        if (it != minimums.constEnd() && belowMinimum(rs.intAt(pos, fresh), rs.intAt(pos, used), *it))
            ++below;
    }
    return below;
}

QString reorderSql()
{
    QStringList parts;
    for (ToolKind kind : allToolKinds()) {
        const ToolKindInfo& k = toolKind(kind);
        parts << QStringLiteral("SELECT %1 AS Page, T.ID, LT.Tabl_Name, T.Kod, T.%2, F.Name, "
                                "T.%3, T.K_vo_BU, T.%4, M.K_vo_Min "
                                "FROM Min_Ostatok M JOIN %5 T ON T.ID = M.ID_Instr "
                                "LEFT JOIN Firma F ON F.ID = T.ID_Firma "
                                "LEFT JOIN List_Tabl LT ON LT.ID = M.ID_Tabl "
                                "WHERE M.ID_Tabl = %6 AND M.K_vo_Min > 0 "
                                "AND COALESCE(T.%3, 0) + COALESCE(T.K_vo_BU, 0) < M.K_vo_Min")
                     .arg(pageOf(kind))
                     .arg(latin(nameColumn(kind)), latin(k.tableNewColumn), latin(k.tableDolgColumn),
                          latin(k.table))
                     .arg(k.code);
    }
    return parts.join(QStringLiteral(" UNION ALL "));
}

QList<ReorderLine> reorderList(Connection& c)
{
    QList<ReorderLine> out;
    if (!hasMinimums(c))
        return out;
    // Ordered by the codes' UTF-8 bytes as read, each converted once.
    struct Read {
        QByteArray code;
        ReorderLine line;
    };
    std::vector<Read> rows;
    Query qr(c, reorderSql());
    while (qr.next()) {
        Read r;
        ReorderLine& l = r.line;
        l.kind = *toolKindByPage(int(qr.int64(0)));
        l.toolId = int(qr.int64(1));
        l.kindName = qr.text(2);
        if (l.kindName.isEmpty())
            l.kindName = kindName(kindCodeOf(l.kind));
        const std::string_view code = qr.utf8(3);
        r.code = QByteArray(code.data(), qsizetype(code.size()));
        l.code = QString::fromUtf8(r.code);
        l.name = qr.text(4);
        l.firm = qr.text(5);
        l.fresh = qr.int64(6);
        l.used = qr.int64(7);
        l.inWork = qr.int64(8);
        l.minimum = qr.int64(9);
        rows.push_back(std::move(r));
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Read& a, const Read& b) {
        if (a.line.kind != b.line.kind)
            return int(a.line.kind) < int(b.line.kind);
        const int r = collateCompare(std::string_view(a.code.constData(), size_t(a.code.size())),
                                     std::string_view(b.code.constData(), size_t(b.code.size())));
        return r != 0 ? r < 0 : a.line.toolId < b.line.toolId;
    });
    out.reserve(qsizetype(rows.size()));
    for (Read& r : rows)
        out << std::move(r.line);
    return out;
}

QString overdueSql(const Dialect& d)
{
    // Compared as dates, whatever text a date was written as.
    const QString date = d.asRead(QStringLiteral("D.\"Date\""), FieldType::DateTime);
    const QString limit = d.kind == EngineKind::Sqlite ? QStringLiteral("julianday(?)") : QStringLiteral("?");
    QStringList parts;
    for (ToolKind kind : toolKindsByCode()) {
        const ToolKindInfo& k = toolKind(kind);
        parts << QStringLiteral("SELECT D.ID, D.Nomer_Zap, LT.Tabl_Name, T.Kod, PL.FIO, %3, D.K_vo, "
                                "D.Instr_is_BU FROM Dolgi D JOIN %1 T ON T.ID = D.ID_Instr "
                                "JOIN People PL ON PL.ID = D.ID_People JOIN List_Tabl LT ON LT.ID = D.ID_Tabl "
                                "WHERE D.ID_Tabl = %2 AND %3 < %4")
                     .arg(latin(k.table))
                     .arg(k.code)
                     .arg(date, limit);   // the date read as the engine compares it (a day number on a file)
    }
    return parts.join(QStringLiteral(" UNION ALL "));
}

QList<OverdueLine> overdueList(Connection& c, int limitDays, const QDate& today)
{
    QList<OverdueLine> out;
    Query qr(c, overdueSql(c.dialect()));
    const QDateTime before(overdueBefore(today, limitDays), QTime(0, 0));
    for (int i = 0; i < 4; ++i)
        qr.bindDateTime(i, before);
    while (qr.next()) {
        OverdueLine l;
        l.debtId = int(qr.int64(0));
        l.number = qr.int64(1);
        l.kindName = qr.text(2);
        l.code = qr.text(3);
        l.person = qr.text(4);
        // A day number (a file) gives the day without a time zone's detour.
        const ValueType t = qr.type(5);
        l.issued = t == ValueType::Float || t == ValueType::Integer
            ? QDate::fromJulianDay(qint64(std::floor(qr.real(5) + 0.5)))
            : qr.dateTime(5).date();
        l.days = daysOut(l.issued, today);
        l.quantity = qr.int64(6);
        l.used = qr.int64(7) != 0;
        out << l;
    }
    std::stable_sort(out.begin(), out.end(), [](const OverdueLine& a, const OverdueLine& b) {
        if (a.issued != b.issued)
            return a.issued < b.issued;
        return a.number < b.number;
    });
    return out;
}

} // namespace limits
