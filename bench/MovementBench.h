#pragma once
// The stock movements measured end to end through the program's windows (off
// screen): from the command on a page to the page showing what it wrote, the
// dialog played by a scripted user (quantity chosen, OK pressed: the
// operation runs inside it). Beside each, the full refresh a movement used
// to end with (the kind's catalogue and the debts list read again whole).
#include <QString>
#include <vector>

struct MovementFigure {
    QString what;
    std::vector<double> totalMs;     // each run of the movement
    std::vector<double> refreshMs;   // each run of the full refresh
    QString note;
    QString error;
};

// Creates the program's windows on the database at `path` (which the
// movements change: per kind one piece issued per run, then a receipt, a
// write-off, a transfer of one drill and the return of each debt issued) and
// measures each movement `runs` times.
std::vector<MovementFigure> measureMovements(const QString& path, int runs);
