#pragma once
// The stock movements measured end to end through the program's windows:
// the command on the drills page, the dialog played by a scripted user
// (quantity chosen, OK pressed), the posts, the commit and the refresh of
// the page that ends the movement; beside it, that refresh alone.
#include <QString>
#include <vector>

struct MovementFigure {
    QString what;
    std::vector<double> totalMs;     // each run of the movement
    std::vector<double> refreshMs;   // each run of the drills refresh alone
    QString note;
    QString error;
};

// Creates the program's windows on the database at `path` (which the
// movements change: a receipt, a write-off and a transfer of one piece per
// run) and measures each movement `runs` times.
std::vector<MovementFigure> measureMovements(const QString& path, int runs);
