#pragma once
// The storeroom's lists as report tables: the tools to order and the debts
// kept too long (the same lines the windows show).
#include "ReportTable.h"

#include <QDate>

class Connection;

namespace reports {

// "Что заказать": kind, code, name or type, firm, new, used, in work,
// minimum, to order; by kind, then code.
Table reorderTable(Connection& c);
// "Просроченные долги" on `today` with the limit in days (the database's
// limit when limitDays < 0).
Table overdueTable(Connection& c, const QDate& today, int limitDays = -1);

} // namespace reports
