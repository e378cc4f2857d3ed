#pragma once
// Shared pieces of the tests: a fresh database in a temporary folder per
// test, and small helpers to put rows into it.
#include "ToolKind.h"

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QTemporaryDir>
#include <QVariantMap>
#include <memory>

class Connection;
class RecordSet;

// A new database for one test: a file in a temporary folder, or, with
// TOOLDB_TEST_ENGINE=postgres, a database of its own on the test server
// (TOOLDB_TEST_PG), dropped again at the end.
class TempDb {
public:
    explicit TempDb(const QString& password = QStringLiteral("123"));
    ~TempDb();
    QString path() const { return m_path; }   // a file path or a server URI
    QString folder() const { return m_dir.path(); }
    bool onServer() const { return !m_server.isEmpty(); }

private:
    QTemporaryDir m_dir;
    QString m_path;
    QString m_server, m_name;
};

// Where a sample database for a test goes (bench's writeSampleDatabase):
// a new file `fileName` in the test's folder, or, on the test server, the
// test's own database with its tables emptied (a copy goes only into a
// database holding no rows).
QString sampleTarget(TempDb& db, const QString& fileName);

// The test server's URI when the tests run against a server; empty otherwise.
QString testServer();
// The tests were asked to run against a server (TOOLDB_TEST_ENGINE=postgres)
// but none was started for them (TOOLDB_TEST_PG unset).
bool testServerMissing();
// In a suite's initTestCase: the whole suite is skipped then.
#define SKIP_WITHOUT_TEST_SERVER()                                                                         \
    do {                                                                                                   \
        if (testServerMissing())                                                                           \
            QSKIP("no test server (TOOLDB_TEST_PG): run the suite through tools/with-postgres.sh");        \
    } while (false)

// Inserts one row into a table through plain SQL; returns its ID.
qint64 insertRow(Connection& c, const QString& table, const QVariantMap& values);

// The whole content of a file (empty when it cannot be read).
QByteArray fileBytes(const QString& path);

// Writes a file with the bytes given (none: an empty file); false when not written.
bool writeFile(const QString& path, const QByteArray& bytes = {});

// A picture of one colour written as a file (its folder made); false when not written.
bool writeImage(const QString& path, const QColor& color, int width = 40, int height = 30);

// A drill row with the columns the tests care about; the rest stay null.
qint64 addDrill(Connection& c, const QString& kod, const QString& type, double diam, qint64 firm,
                int kNew = 0, int kBu = 0);

// The text of one field on every visible row, in the current order.
QStringList column(RecordSet& rs, const QString& field);

// A tool row of a kind with its counters and the dimensions its editor
// asks for (holders and inserts get a name), and any other columns given;
// the rest stay null.
qint64 insertTool(Connection& c, ToolKind k, qint64 firm, const QString& kod, int kNew = 0, int kBu = 0,
                  int kDolg = 0, const QVariantMap& more = {});

// A tool's counters in the file as "new|used|in work".
QString toolCounts(Connection& c, ToolKind k, qint64 id);

// SQL about one tool of a kind: {T} its table, {N} and {D} its new and
// in-work columns, {C} the kind code, {ID} the tool.
QString kindSql(QString sql, ToolKind k, qint64 id);

// Every table of the file, row by row.
QString wholeFileText(Connection& c);

// Every row of a query as text, its columns ended by "|", one row a line.
QString rowsText(Connection& c, const QString& sql);

// The stock commands of a catalogue page, and what each says when the
// tool row cannot be saved, or when one of its history rows (the new or the
// used stock's) cannot.
enum class StockMove { Prihod, Spisat, PerBU };
QString stockFailureText(StockMove m, ToolKind k);
QString stockRowFailureText(StockMove m, bool bu);

// Stores the record set's pending row as the editors do (a plain row save
// of the data layer), then shows the table again with the row current.
// DbError with the reason when the save is not stored; the row then stays
// pending.
qint64 storePending(RecordSet& rs);
// Deletes the current row as read (it must still hold what was read), then
// reads the rows again. DbError when not deleted.
void deleteCurrent(RecordSet& rs);
