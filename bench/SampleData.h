#pragma once
// Sample contents for a new database: firms, operators, accounts, tools of
// the four kinds with their stock, open and closed issues, receipts and
// write-offs, and optionally a handful of pictures. Used by tooldb-sample (a
// database to try the program on) and by tooldb-bench (the large one it
// measures against).
#include <QString>
#include <functional>
#include <QtGlobal>

struct SampleOptions {
    int tools = 400;        // divided evenly among the four kinds
    int debts = 60;         // open issues (Dolgi)
    int closed = 300;       // closed issues (Dolgi_History)
    int receipts = 2000;    // Prihod_History rows
    int writeoffs = 600;    // Spisanie_History rows
    QString password = QStringLiteral("123");   // of the account "Администратор"
    QString imagesFolder;   // empty: no pictures; else Images/... is written beneath it
    quint32 seed = 1;       // the same seed gives the same database
    // Told the temporary file the database is written into (beside the
    // target) while it exists, and "" once it is gone or renamed into place:
    // for a signal handler that removes it when the run is interrupted.
    std::function<void(const QString& tempFile)> tempFileChanged;
};

// The largest counts accepted: beyond them a run would write gigabytes.
constexpr int MaxSampleTools = 1'000'000;
constexpr int MaxSampleDebts = 1'000'000;
constexpr int MaxSampleHistoryRows = 10'000'000;   // each of closed debts, receipts, write-offs

// Writes a new database at path and fills it. Refuses an existing file,
// counts beyond the maxima above and an empty password. The database is
// written into a temporary file beside path, made exclusively and kept open
// until complete, when that very file gets the name path (never over a file
// there), so that an interrupted run leaves no database at path; a failure
// removes the temporary file, and nothing that took its name meanwhile.
// DbError on every failure.
// A server database (a postgresql:// name) must be empty or hold the
// program's tables without a row: the sample is written into a temporary
// file and copied onto it in one transaction, so that a failure leaves it empty.
void writeSampleDatabase(const QString& path, const SampleOptions& options);
