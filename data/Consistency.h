#pragma once
// The consistency check of the stock: every counter and every reference that
// the movements keep, read back from the file. Each finding is one plain
// Russian line naming the tool's kind and code (or the row that is wrong);
// no finding means every rule holds. The check only reads.
//
// Rules checked:
// - no stock counter of a tool, and no count of a debt or history row, is
//   below 0 or other than a whole number;
// - a tool's "К-во долг" equals the sum of its open debts;
// - a closed debt gave back (new + used + written off) what was taken, and
//   its closing code matches what came back;
// - every tool names an existing firm; every debt and history row names an
//   existing kind (also in List_Tabl), tool and, for debts, operator;
// - the engine's own PRAGMA integrity_check finds nothing.
#include <QString>
#include <QStringList>

class Connection;

// Checks an open database (the program's own connection, for instance);
// DbError when it cannot be read or is not this program's database.
// Without `wholeFile` the engine's integrity check of every page is left
// out: the rows alone, for checks after every step of a long run.
QStringList consistencyFindings(Connection& c, bool wholeFile = true);

// Opens the database read-only, checks it and closes it. Nothing is
// written: not the file, not its journal mode; a file with no log beside it
// is read as unchangeable, so no log files are left behind either. DbError
// when it cannot be opened as this program's database. `name` a file path
// or a server database's URI.
QStringList consistencyOfFile(const QString& name);
