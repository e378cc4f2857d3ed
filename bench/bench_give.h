#pragma once
#include <QString>

// The issue to work of each tool kind, end to end in the windows, on the
// database at `path` (it adds a debt per run); prints one line per kind.
void benchGiveToWork(const QString& path, int runs);
