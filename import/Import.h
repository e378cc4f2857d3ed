#pragma once
// Moving in: the old program's database (db_instr.mdb, an Access file) read
// and written into a new database of this program, with every table's rows,
// keys, empty values, texts, numbers and dates as the old file holds them.
// Nothing is repaired: what the consistency check finds on the result is
// reported for the storekeeper to decide. The old file is only read.
// A new file is written beside its name and takes the name only when
// complete; a failed or stopped import leaves nothing behind.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class OldDatabase;

// The old program's tables, in the order they are brought in.
QStringList oldTableNames();

struct ImportOptions {
    // The old program's folder, holding Images/Instrument, Images/FotoPeoples
    // and Images/NoFoto; empty: no pictures are copied.
    QString oldProgramFolder;
    // The folder whose Images/... receive the pictures (this program's folder).
    QString programFolder;
    // Told as rows are read and written (done of total); false stops the
    // import, which then leaves nothing behind.
    std::function<bool(qint64 done, qint64 total)> progress;
    // The hidden file being written beside the destination (empty once it is
    // gone or renamed), for a signal handler that removes it.
    std::function<void(const QString& tempFile)> tempFileChanged;
};

struct ImportedTable {
    QString table;        // this program's name
    QString oldName;      // as the old file spells it; empty when missing there
    qint64 rows = 0;
};

struct PictureReport {
    int copied = 0;
    int alreadyThere = 0;
    QStringList missing;   // "name (table, ID n)": rows whose file is not in the old folder
    QStringList kept;      // a different file of that name already in the new folder, left as it was
    QStringList failed;    // could not be copied (reason)
    int unused = 0;        // files in the old Instrument and FotoPeoples folders that no row names (not copied)
};

struct ImportOutcome {
    bool ok = false;
    bool stopped = false;          // progress said stop
    QString error;                 // why nothing was written
    QStringList lines;             // the report, one line each
    std::vector<ImportedTable> tables;
    QStringList findings;          // what the consistency check found on the result
    PictureReport pictures;
    double seconds = 0;            // time of the whole import
};

// Imports `oldFile` into a new database at `destination`: a file path
// (never overwritten) or, through a temporary file copied whole, an empty
// server database (postgresql://...).
ImportOutcome importOldDatabase(const QString& oldFile, const QString& destination, const ImportOptions& options = {});

// The old program's file in the folder of the database file `databaseFile`:
// db_instr.mdb whatever its letter case; empty when there is none.
QString oldDatabaseBeside(const QString& databaseFile);

// The pictures the rows of the imported database name, copied from the old
// program's folder into the new one's (used by importOldDatabase).
PictureReport copyPictures(const QString& databaseFile, const QString& oldProgramFolder, const QString& programFolder);
