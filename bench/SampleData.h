#pragma once
// Sample contents for a new database: firms, operators, accounts, tools of
// the four kinds with their stock, open and closed issues, receipts and
// write-offs, and optionally a handful of pictures. Used by tooldb-sample (a
// database to try the program on) and by tooldb-bench (the large one it
// measures against).
#include <QString>
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
};

// Writes a new database at path and fills it. Refuses an existing file; a
// failure removes the half-written file. DbError on every failure.
void writeSampleDatabase(const QString& path, const SampleOptions& options);
