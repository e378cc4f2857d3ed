#pragma once
// The usage reports over the whole benchmark database, each beside its
// floor: the report's own aggregate SQL with its parameters, stepped through
// the plain SQLite C API on a connection of its own.
#include <QString>
#include <vector>

struct sqlite3;

struct ReportFigure {
    QString what;
    std::vector<double> ms;        // each run of the report (its table made)
    std::vector<double> floorMs;   // each run of the floor
    QString note;
    QString error;
};

// Each of the three reports `runs` times over every day of the database's
// movements, the reports through the connection to `path`, the floors through `plain`.
std::vector<ReportFigure> measureReports(const QString& path, sqlite3* plain, int runs);
