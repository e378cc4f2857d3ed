#pragma once
// The program's start timed as the storekeeper meets it: a process of its
// own, off screen, from its start until the login window shows.
#include <QString>

#include <functional>

// The child's side, when tooldb-bench is started as one (argv[1] one of the
// modes below); -1 when it is not.
//   --start-program PATH  the program's own start-up on PATH (its windows off
//                         screen) until the login window shows, then gives up
//   --start-floor PATH    the same process start, then `floorWork(PATH)`: the
//                         rows of the start's record sets read through the C API
int startChildMain(int argc, char** argv, const std::function<void(const QString&)>& floorWork);

// The parent's side: starts the child in `mode` on `path` and returns the
// ms from its start until it is done (the login window shown, the floor's
// reading done), and in `cpuMs` the processor time the child used until
// then. DbError when the child fails.
double timeStartChild(const QString& mode, const QString& path, double* cpuMs = nullptr);

// Leaves beside the database the mark of a run that was killed, so that the
// next start checks the whole file.
void leaveKilledRunMark(const QString& path);
