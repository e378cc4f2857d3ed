#pragma once
// The SQLite engine's checks of a database file (part of the SQLite engine):
// what is checked of the file before the program writes anything to it, so that a file that is refused is left byte for byte as it was and
// the storekeeper is told what is wrong in plain words.
#include <QSet>
#include <QString>

struct sqlite3;

// DbError with the reason when the file is missing, or when its folder or
// the file itself cannot be written (the program could save nothing, and the
// engine needs to write beside the file). A file in the rollback journal (one
// the program would switch to its write-ahead log, rewriting the header), or
// one that is no database at all, is then checked through a read-only
// connection (checkDatabaseContent) and true returned. A file already in the
// write-ahead log is left to the caller's connection, false: a read-only one
// would leave an index file beside it. A file with a rollback journal a
// crash left beside it is checked on a copy of the two, and `recovered` set:
// opening it for writing then rolls the unfinished changes back.
bool checkDatabaseFile(const QString& path, bool* recovered = nullptr);

// DbError when another program holds the file locked (after waiting a
// moment), or when it is not an SQLite database, lacks a table, column or
// stored query of this program, or is damaged. Reads only.
void checkDatabaseContent(sqlite3* db, const QString& path);

// Checks that every table, column and stored query is present, on an
// engine handle of the file at path (a read-only connection).
void verifySchema(sqlite3* db, const QString& path);

// The message for a file that another program keeps locked.
QString databaseInUseMessage(const QString& path);

// The columns of a table or view (in lower case) of an open file; `exists`
// (may be null) tells whether it has any. DbError when the file cannot say.
QSet<QString> tableColumns(sqlite3* db, const QString& object, bool* exists);
