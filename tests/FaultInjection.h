#pragma once
// Faults on demand, for tests: a thin layer between the engine and the file
// system (an SQLite VFS) that makes chosen writes fail as a failing disk or
// a full one would, another program's files appearing as a database is
// opened, and triggers that make the engine refuse a statement.
//
//   FaultInjection::install();                       // once, before connections open
//   FaultInjection::Armed f(1, FaultInjection::Fault::IoError);   // the next write fails
//   FaultInjection::Armed full(3, FaultInjection::Fault::DiskFull, true); // 3rd write on: disk full
//   FaultInjection::addFailingTrigger(conn, "People", "INSERT");   // every insert refused
//   FaultInjection::everyWriteFails(Fault::DiskFull, true, attempt); // each write in turn
#include <QString>

#include <functional>

class Connection;

namespace FaultInjection {

enum class Fault {
    IoError,    // the write fails: SQLITE_IOERR_WRITE, "disk I/O error"
    DiskFull,   // no room left: SQLITE_FULL, "database or disk is full"
};

// Puts the layer under every connection opened afterwards (it becomes the
// engine's default VFS); writes pass through until a fault is armed. Idempotent.
void install();

// Counting from now, write number `nth` (1 = the next one) to any file of
// any database (the file, its log, its journal) fails with the fault; with
// `sticky` every write after it fails too (a disk that stays full).
void failWrite(int nth, Fault fault = Fault::IoError, bool sticky = false);
// Writes succeed again; the counts start from 0.
void clear();
int writesSeen();       // writes attempted since the last failWrite or clear
int faultsInjected();   // of them, how many were made to fail

// Runs `hook` with the name of a database file each time just before the
// engine opens it (as it resolves the name), as another program acting at
// that moment would; an empty function ends it.
void beforeOpen(std::function<void(const QString& path)> hook);

// Arms a fault for one scope and clears it at the end of the scope.
class Armed {
public:
    Armed(int nth, Fault fault = Fault::IoError, bool sticky = false) { failWrite(nth, fault, sticky); }
    ~Armed() { clear(); }
    Armed(const Armed&) = delete;
    Armed& operator=(const Armed&) = delete;
};

// Runs `attempt` once for every write it makes: on run n the nth write
// fails (with `sticky`, every write from the nth on), until a run meets no
// fault because it wrote fewer times. An attempt that fails must leave
// everything as before, so the next run starts from the same state. Returns
// how many runs met a fault; the last run completed without one.
//   int runs = FaultInjection::everyWriteFails(Fault::IoError, false, [&](int) { saveFirm(); check(); });
int everyWriteFails(Fault fault, bool sticky, const std::function<void(int nth)>& attempt);

// A trigger that makes every `operation` (INSERT, UPDATE or DELETE) on the
// table fail with the message, as a refusing engine would; the name of the
// trigger is returned, for dropFailingTrigger.
QString addFailingTrigger(Connection& c, const QString& table, const QString& operation,
                          const QString& message = QStringLiteral("injected fault"));
void dropFailingTrigger(Connection& c, const QString& name);

} // namespace FaultInjection
