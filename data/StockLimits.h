#pragma once
// The storeroom's limits: a minimum stock per tool (Min_Ostatok) and how
// long a tool may stay out in work (Nastroiki). The rules, and the lists
// that follow from them: the tools to order and the debts kept too long.
// Reads only; the writes are operations (Operations.h).
#include "ToolKind.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>

class Connection;
class RecordSet;
struct Dialect;

namespace limits {

// The limit in days when none is set.
constexpr int DefaultOverdueDays = 30;
// The largest limit that can be set (ten years).
constexpr int MaxOverdueDays = 3650;
// The settings row of the limit (Nastroiki.Name).
QString overdueSettingName();

// Below its minimum: new + used pieces fewer than the minimum. Pieces in
// work do not count; a minimum of 0 (none) is never undercut.
inline bool belowMinimum(qint64 fresh, qint64 used, qint64 minimum)
{
    return minimum > 0 && fresh + used < minimum;
}
// How many to order: minimum - new - used (0 when not below).
inline qint64 toOrder(qint64 fresh, qint64 used, qint64 minimum)
{
    return belowMinimum(fresh, used, minimum) ? minimum - fresh - used : 0;
}

// Whole days a debt issued on `issued` has been out on `today`.
inline qint64 daysOut(const QDate& issued, const QDate& today) { return issued.daysTo(today); }
// Kept too long: out more days than the limit (exactly the limit is not).
inline bool isOverdue(const QDate& issued, const QDate& today, int limitDays)
{
    return issued.isValid() && daysOut(issued, today) > limitDays;
}
// The last issue day that is not overdue on `today`; debts issued before it are.
inline QDate overdueBefore(const QDate& today, int limitDays) { return today.addDays(-limitDays); }

// The limit as the database holds it; the default when none is set, the
// settings table is missing (an older database read only) or the value is
// not a whole number in 0..MaxOverdueDays.
int overdueLimit(Connection& c);

// The minimums of a kind's tools, by tool ID (none when the table is missing).
QHash<int, qint64> minimumsOf(Connection& c, ToolKind kind);
// One tool's minimum; none when not set.
std::optional<qint64> minimumOf(Connection& c, ToolKind kind, int toolId);
// How many tools of the kind are below their minimum.
int countBelow(Connection& c, ToolKind kind);
// The same among the rows a kind's catalogue record set shows (passing its
// filter), with the minimums as read by minimumsOf.
int countBelowIn(const RecordSet& catalogue, ToolKind kind, const QHash<int, qint64>& minimums);

// One line of "Что заказать".
struct ReorderLine {
    ToolKind kind = ToolKind::Sverla;
    int toolId = 0;
    QString kindName;   // List_Tabl's name of the kind
    QString code;
    QString name;       // type (drills, cutters) or name (holders, inserts)
    QString firm;
    qint64 fresh = 0, used = 0, inWork = 0, minimum = 0;
    qint64 order() const { return toOrder(fresh, used, minimum); }
};
// Every tool of the four kinds below its minimum, by kind (page order),
// then code (in the storekeeper's order of texts).
QList<ReorderLine> reorderList(Connection& c);
// Its query, as the engine runs it (one statement, rows in no set order).
QString reorderSql();

// One debt kept too long.
struct OverdueLine {
    int debtId = 0;
    qint64 number = 0;
    QString kindName, code, person;
    QDate issued;
    qint64 days = 0;
    qint64 quantity = 0;
    bool used = false;
};
// The open debts issued before overdueBefore(today, limitDays), oldest first.
QList<OverdueLine> overdueList(Connection& c, int limitDays, const QDate& today);
// Its query: four parameters (one per kind), each the first day that is not overdue.
QString overdueSql(const Dialect& d);

} // namespace limits
