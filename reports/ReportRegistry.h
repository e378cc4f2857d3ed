#pragma once
// The reports of tooldb-report, by name, and the options they share:
//
//     tooldb-report NAME DB [--xlsx FILE] [--from DATE] [--to DATE] [--kind KIND] [--days N]
//
// Each report is one entry of the registry (ReportRegistry.cpp): a name, a
// line of help and a function making its table from an open database and
// the options. The table goes to standard output as CSV, or to a workbook.
#include "ReportTable.h"

#include <QDate>
#include <QStringList>
#include <functional>

class Connection;
class QTextStream;

namespace reports {

struct Options {
    QString report;    // NAME
    QString database;  // DB: a file path or a postgresql:// URI
    QString xlsx;      // --xlsx FILE: a workbook instead of CSV
    QDate from, to;    // --from, --to (null when not given)
    QString kind;      // --kind, as given (empty when not given)
    int days = -1;     // --days: the overdue limit (-1: the database's)
    QDate today;       // --today: the day the report is made for (today when not given)
};

struct Report {
    QString name;
    QString help;      // one line for the usage text
    std::function<Table(Connection&, const Options&)> make;
};

// Every report, in the order the usage text lists them.
const QList<Report>& registry();
const Report* findReport(const QString& name);

// A date as given on the command line: 31.12.2026 or 2026-12-31.
bool parseDateArgument(const QString& text, QDate* out);
// Reads the arguments after the program's name; false with *error naming
// what is wrong (an unknown option, a missing value, a bad date or number).
bool parseOptions(const QStringList& args, Options* out, QString* error);
QString usageText();

// The whole program: parses, opens the database for reading, makes the
// report and writes it. 0 done, 1 the report failed (database, file), 2 the
// command line was wrong.
int runReport(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace reports
