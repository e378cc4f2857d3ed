#pragma once
// What the data layer needs of a database engine, behind one interface with
// two implementations: an SQLite file (SqliteEngine.cpp) and a database on a
// PostgreSQL server (PgEngine.cpp). Only those implementations include an
// engine's own header; the connection, the statements, the record sets, the
// operations and the checks speak to this interface, and what their SQL
// texts must say differently comes from the engine's Dialect.
#include "DbError.h"
#include "FieldDef.h"

#include <QByteArray>
#include <QDateTime>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string_view>

enum class EngineKind { Sqlite, Postgres };

// The type of a value as the engine gives it back.
enum class ValueType { Null, Integer, Float, Text, Blob };

// One prepared statement: parameters bound by position (0-based), rows
// stepped one by one. Every failure raises DbError with its reason.
class EngineStatement {
public:
    virtual ~EngineStatement() = default;
    virtual void bindNull(int i) = 0;
    virtual void bindInt(int i, qint64 v) = 0;
    virtual void bindDouble(int i, double v) = 0;
    virtual void bindText(int i, const QByteArray& utf8) = 0;
    virtual void bindDateTime(int i, const QDateTime& v) = 0;
    // The next row; the first call runs the statement. False at the end.
    virtual bool next() = 0;
    virtual void reset() = 0;
    virtual int columnCount() const = 0;
    virtual QString columnName(int c) const = 0;
    virtual ValueType type(int c) const = 0;
    virtual qint64 int64(int c) const = 0;
    virtual double real(int c) const = 0;
    virtual std::string_view utf8(int c) const = 0;
    // Rows written by the statement; the key given to the row it inserted.
    virtual qint64 changes() const = 0;
    virtual qint64 insertedId() const = 0;
    // The table and column a result column is read from; empty for an
    // expression (what a record set may write back).
    virtual QString originTable(int c) const = 0;
    virtual QString originColumn(int c) const = 0;
};

// Many rows written into one table at once (a whole database copied): the
// values of each row in the order of the columns named, then endRow();
// finish() after the last row. On a server one COPY stream, on a file one
// prepared INSERT run per row. A failure raises DbError (on a server at
// finish() at the latest); the caller's transaction then writes nothing.
class EngineBulkWriter {
public:
    virtual ~EngineBulkWriter() = default;
    virtual void addNull() = 0;
    virtual void addInt(qint64 v) = 0;
    virtual void addDouble(double v) = 0;
    virtual void addText(const QByteArray& utf8) = 0;
    virtual void addDateTime(const QDateTime& v) = 0;
    virtual void endRow() = 0;
    virtual void finish() = 0;
};

// What the SQL texts say differently on each engine.
struct Dialect {
    EngineKind kind = EngineKind::Sqlite;

    // `expr` null-safely equal to the next parameter (a changed row is not overwritten).
    QString sameAsParam(const QString& expr) const;
    // The column, typed as the field is read back, for comparing with a value read.
    QString asRead(const QString& column, FieldType type) const;
    // Whole days (with their fraction) from `start` to `end`, two date/time expressions.
    QString daysBetween(const QString& start, const QString& end) const;
    // The column type of the schema's DDL; `autoKey` the table's generated key.
    QString columnType(FieldType type, int size, bool autoKey, bool key) const;
    // An identifier as the texts write it, quoted.
    QString quoted(const QString& ident) const;
    // A query's text with its closing ORDER BY as this engine must read it
    // to give the rows in the order a file gives them (see Engine.cpp).
    QString orderedAsAFile(const QString& sql) const;
};

class Engine {
public:
    virtual ~Engine() = default;
    virtual EngineKind kind() const = 0;
    const Dialect& dialect() const { return m_dialect; }
    // What the person is shown as the database's name: a file's path, or
    // "база данных D на сервере H".
    virtual QString displayName() const = 0;
    // What opening found and mended, to be told to the person (empty: nothing).
    virtual QString openNotice() const { return {}; }

    virtual std::unique_ptr<EngineStatement> prepare(const QString& sql) = 0;
    // One or more statements without results.
    virtual void exec(const QString& sql) = 0;

    // Transactions: a write transaction takes the write lock at once
    // (another holder is waited for up to the busy wait, then DbError Busy).
    virtual void begin(bool write) = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    virtual bool inTransaction() const = 0;
    // The engine ended the open transaction itself (a failing disk): nothing
    // of it remains and, until the rollback, nothing more may be written.
    virtual bool transactionLost() const { return false; }
    virtual void setBusyWait(int ms) = 0;

    // A number that changes when another connection commits a write: read
    // inside a write transaction, it tells whether anyone wrote since it was
    // last read. -1 when the engine cannot tell.
    virtual qint64 changeVersion() = 0;
    // The number right after this connection's own commit: what a list read
    // before it and brought up to date with its rows now stands at.
    virtual qint64 committedVersion() = 0;
    // Announces a committed write to the other copies of the program (a
    // server notification); no-op where they watch the version instead.
    virtual void announceChange() {}
    // Whether a change was announced (by any connection) since the last
    // call, or the connection broke meanwhile.
    virtual bool changeAnnounced() { return false; }

    // The columns of a table or view, lower case; `exists` false when there
    // is none of that name.
    virtual QSet<QString> columnsOf(const QString& table, bool* exists) = 0;
    // A server database holding no table or view at all (one its
    // administrator has just made), where the program may create its own.
    virtual bool holdsNoTables() { return false; }
    // The engine's own check of the whole store: empty when sound, else its words.
    virtual QString integrityProblem(bool quick) { return {}; }
    // A writer of rows into `table`'s `columns`, inside a write transaction.
    virtual std::unique_ptr<EngineBulkWriter> bulkWriter(const QString& table, const QStringList& columns);
    // After rows were written with their keys given (an import, a copy): the
    // generated keys continue after the highest one.
    virtual void keysWritten(const QString& table) {}
    // The engine's own handle, for the engine-specific tools and tests
    // (an sqlite3* of a file; none on a server).
    virtual void* nativeHandle() { return nullptr; }

    // A copy of the whole database, as of one moment, written into a new
    // file at `target` (made exclusively: an existing name is refused), while
    // other connections go on reading and writing. `progress(done, total)`
    // is told the pages copied after each step; false from it cancels. On a
    // failure or a cancel the file made is removed and DbError raised (a
    // cancel with an empty message). A server database is copied with the
    // server's own tools: DbError here.
    virtual void backupTo(const QString& target, const std::function<bool(qint64, qint64)>& progress)
    {
        throw DbError(QStringLiteral("База данных на сервере копируется средствами сервера (pg_dump)."));
    }

    // Of a file this engine created (createEngine): closes it and removes
    // it with its logs, provided its name still denotes the file made; a
    // file put under that name by anyone else is left as it is.
    virtual void discardCreated() {}
    // Of a file this engine created: closes it, puts it on disk in full and
    // gives the file itself the name `target` (never replacing a file
    // there), then drops its first name. DbError when that cannot be done;
    // the file made is removed then, and nothing else is.
    virtual void publishCreated(const QString& target)
    {
        throw DbError(QStringLiteral("Базу данных \"%1\" нельзя записать под другим именем.").arg(target));
    }

protected:
    Dialect m_dialect;
};

// The engine for a database name: a libpq connection URI
// ("postgresql://…" or "postgres://…") names a server database, anything else
// a SQLite file. The engine is connected (DbError when it cannot be).
std::unique_ptr<Engine> openEngine(const QString& name);
// The same for reading only: nothing is written (a file's journal mode
// neither), and a file no program is writing is read without locks or logs.
std::unique_ptr<Engine> openReadingEngine(const QString& name);
// A new, empty database file for the caller to fill: made exclusively (an
// existing name is refused, and no link is followed), in the write-ahead log.
std::unique_ptr<Engine> createEngine(const QString& path);
bool isServerName(const QString& name);
