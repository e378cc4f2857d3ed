#pragma once
// The three usage reports (how much is used, by whom, and of what), each a
// table for a period and optionally one kind, computed from the histories by
// aggregate SQL through the connection (so on a file and on a server alike):
//
//   consumption  per month and kind: pieces received, written off, issued;
//   operators    per operator: pieces taken, returned new, returned used,
//                still in work at the period's end, average days in work;
//   tools        the tools most written off and issued (the first 20, then
//                the rest summed up as "прочие").
//
// A period is whole days, from its first to its last day inclusive. Pieces
// issued are those of the debts (open and closed) taken in the period;
// returns count on the day of the return. A movement of a tool since deleted
// still counts, and a kind whose name is missing from the kind list is named
// by the program's own name for it.
#include "ReportTable.h"

#include <QDate>
#include <QString>
#include <QVariantList>

class Connection;
struct Dialect;

namespace reports {

struct Period {
    QDate from, to;     // inclusive
    int kindCode = 0;   // ID_Tabl of the one kind; 0: every kind
};

// The current month, from its first to its last day.
Period currentMonth(const QDate& today = QDate::currentDate());
// Why a period cannot be reported on (empty when it can).
QString periodProblem(const Period& p);
// A kind as given on the command line: its code (1 to 4), its name
// ("Сверла", any letter case) or its table ("Sverla"); empty: every kind (0).
bool parseKind(const QString& text, int* code);

// The SQL one report runs, with its parameters in order: what the
// benchmark steps through the engine's own interface as the floor.
struct Statement {
    QString sql;
    QVariantList params;
};

enum class Usage { Consumption, Operators, Tools };

Statement reportStatement(Usage r, const Dialect& d, const Period& p, const QDate& today = QDate::currentDate());

// The reports themselves; DbError when the database cannot be read, and a
// period with a problem gives an empty table.
Table consumptionReport(Connection& c, const Period& p);
Table operatorsReport(Connection& c, const Period& p, const QDate& today = QDate::currentDate());
Table toolsReport(Connection& c, const Period& p);
Table makeReport(Usage r, Connection& c, const Period& p, const QDate& today = QDate::currentDate());

// The window and menu name of each report: "Расход по месяцам" etc.
QString reportName(Usage r);
// How many tools the tools report lists by name before "прочие".
constexpr int TopTools = 20;

// Column positions of the tables.
namespace consumption {
enum { Month, Kind, Received, WrittenOff, Issued, ColumnCount };
}
namespace operators {
enum { Name, Taken, ReturnedNew, ReturnedUsed, InWork, AverageDays, ColumnCount };
}
namespace tools {
enum { Kind, Code, Firm, WrittenOff, Issued, Total, ColumnCount };
}

} // namespace reports
