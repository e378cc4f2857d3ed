#pragma once
// The tables, columns and stored queries of the database file, and the one
// function that writes a new, empty database.
#include "FieldDef.h"

#include <QString>
#include <QSet>
#include <QStringList>
#include <functional>
#include <vector>

class Connection;
struct Dialect;

struct ColumnShape {
    QString name;
    FieldType type;
    int size = 0;          // Text only
    bool autoKey = false;  // the table's AUTOINCREMENT key
    bool key = false;      // plain integer key (List_Tabl)
};

struct TableShape {
    QString name;
    std::vector<ColumnShape> columns;
    // A table this program added after the first databases were made: an
    // older database lacks it until it is opened for writing, when
    // addMissingTables makes it; its absence is no fault of the file.
    bool addedLater = false;
};

const std::vector<TableShape>& schemaTables();
const TableShape* findTable(const QString& name);   // case-insensitive
// Names and columns of the two stored queries, in order.
QStringList maxNOfDolgiColumns();
QStringList sqlDolgiHistoryColumns();

// The DDL of the whole schema (tables, indexes, views), one statement per
// entry, as an engine's dialect writes it (without one: SQLite's).
QStringList schemaStatements();
QStringList schemaStatements(const Dialect& d);

// Display names of the kinds, by kind code 1..4.
QString kindName(int kindCode);

// Writes a new database: schema, List_Tabl rows and the account
// "Администратор" with the password, marked default. `name` a file path (an
// existing file is refused, and a file left half made is removed) or a
// server database (one holding the program's tables is refused).
void createDatabase(const QString& name, const QString& adminPassword);
// The same without the administrator's account (for rows copied in).
void createEmptyDatabase(const QString& name);
// The schema's tables, views and kind names (and the administrator, when a
// password is given) on an open database without them, in one transaction.
void createSchema(Connection& c, const QString& adminPassword = QString());
// Makes the tables added later (TableShape::addedLater) that the database
// lacks, all in one write transaction, before anything else is written;
// true when it made any. A database that has them is not written at all.
bool addMissingTables(Connection& c);
// Whether the database has the table (or view).
bool hasTable(Connection& c, const QString& name);
// Whether the database holds the program's tables.
bool holdsSchema(Connection& c);

// Checks that every table, column and stored query is present; DbError naming
// the first missing one otherwise. Reads only.
void verifySchema(Connection& c);
// The same with the columns of each table or view told by `columnsOf`
// (lower case; `exists` false for none), `shown` naming the database.
void verifySchemaWith(const std::function<QSet<QString>(const QString&, bool*)>& columnsOf, const QString& shown);

// Fields of a table as its table object exposes them (no labels).
QList<FieldDef> tableFields(const QString& table, const QStringList& without = {});
