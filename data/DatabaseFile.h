#pragma once
// The SQLite engine's checks of a database file (part of the SQLite engine):
// what is checked of the file before the program writes anything to it, so that a file that is refused is left byte for byte as it was and
// the storekeeper is told what is wrong in plain words.
#include <QSet>
#include <QString>
#include <QStringList>

struct sqlite3;

// DbError with the reason when the file is missing, or when its folder or
// the file itself cannot be written (the program could save nothing, and the
// engine needs to write beside the file). A file in the rollback journal (one
// the program would switch to its write-ahead log, rewriting the header: the
// program has not run on it), or one that is no database at all, is then
// checked whole through a read-only connection (checkDatabaseContent, full)
// and true returned. A file already in the
// write-ahead log is left to the caller's connection, false: a read-only one
// would leave an index file beside it. A file with a rollback journal a
// crash left beside it is checked on a copy of the two, and `recovered` set:
// opening it for writing then rolls the unfinished changes back.
bool checkDatabaseFile(const QString& path, bool* recovered = nullptr);

// DbError when another program holds the file locked (after waiting a
// moment), or when it is not an SQLite database, lacks a table, column or
// stored query of this program, or (with `full`, the engine's quick check of
// every page, which reads the whole file) is damaged. Reads only.
void checkDatabaseContent(sqlite3* db, const QString& path, bool full = true);

// Whether the start must read the whole file of a database in the
// write-ahead log (checkDatabaseContent with `full`): a run of the program
// on it ended without removing its mark (it was killed, crashed, or the
// power failed), or a log with changes in it is left beside the file while
// no run of the program has it open (another program's crash). The marks
// of the runs that ended so are put in `deadMarks`, to be removed once the
// file has passed the check. Asked before the file is opened.
bool fullCheckDue(const QString& path, QStringList* deadMarks);
// Removes marks that fullCheckDue found (the file has passed the check).
void removeRunMarks(const QStringList& marks);

// The mark of one run of the program on a database file: a small file
// beside it ("db_instr.db-run-…") that the run keeps locked while it has the
// database open and removes when it closes it. The lock ends with the
// process however it ends, so a mark that is there but not locked is one a
// run left when it did not end cleanly; two copies of the program each have
// their own mark.
class RunMark {
public:
    RunMark() = default;
    ~RunMark() { release(); }
    RunMark(const RunMark&) = delete;
    RunMark& operator=(const RunMark&) = delete;
    // Marks a run on the file at `path`; false when no mark could be made
    // (the run goes on: only the next start's knowledge of it is lost).
    bool take(const QString& path);
    void release();
    bool taken() const { return m_fd >= 0; }

private:
    int m_fd = -1;
    QString m_file;
};

// Checks that every table, column and stored query is present, on an
// engine handle of the file at path (a read-only connection).
void verifySchema(sqlite3* db, const QString& path);

// The message for a file that another program keeps locked.
QString databaseInUseMessage(const QString& path);

// The columns of a table or view (in lower case) of an open file; `exists`
// (may be null) tells whether it has any. DbError when the file cannot say.
QSet<QString> tableColumns(sqlite3* db, const QString& object, bool* exists);
