#pragma once
// The tables, columns and stored queries of the database file, and the one
// function that writes a new, empty database.
#include "FieldDef.h"

#include <QString>
#include <QStringList>
#include <vector>

class Connection;
struct sqlite3;

struct ColumnSpec {
    QString name;
    FieldType type;
    int size = 0;          // Text only
    bool autoKey = false;  // the table's AUTOINCREMENT key
    bool key = false;      // plain integer key (List_Tabl)
};

struct TableSpec {
    QString name;
    std::vector<ColumnSpec> columns;
};

const std::vector<TableSpec>& schemaTables();
const TableSpec* findTable(const QString& name);   // case-insensitive
// Names and columns of the two stored queries, in order.
QStringList maxNOfDolgiColumns();
QStringList sqlDolgiHistoryColumns();

// The DDL of the whole schema (tables, indexes, views), one statement per entry.
QStringList schemaStatements();

// Display names of the kinds, by kind code 1..4.
QString kindName(int kindCode);

// Writes a new database at path: schema, List_Tabl rows and the account
// "Администратор" with the password, marked default. Refuses an existing file.
void createDatabase(const QString& path, const QString& adminPassword);

// Checks that every table, column and stored query is present; DbError naming
// the first missing one otherwise. Reads only.
void verifySchema(Connection& c);
// The same on an engine handle of the file at path (a read-only connection).
void verifySchema(sqlite3* db, const QString& path);

// Fields of a table as its table object exposes them (no labels).
QList<FieldDef> tableFields(const QString& table, const QStringList& without = {});
