#pragma once
// The one connection to the database file (ADOConnection1). All record sets
// read and write through it; transactions nest: the outermost is a real
// transaction, every inner one a savepoint that folds into it on commit.
#include <QObject>
#include <QString>

#include "DbError.h"

struct sqlite3;

// Where the database stood for this connection: the others' commits it has
// seen (the engine's data version) and the count of its own commits. Rows
// read at one state and the file at the same state are the same rows.
struct FileState {
    qint64 version = -1;   // -1: not known
    quint64 own = 0;
    bool operator==(const FileState& o) const { return version == o.version && own == o.own; }
    bool operator!=(const FileState& o) const { return !(*this == o); }
    bool known() const { return version >= 0; }
};

class Connection : public QObject {
    Q_OBJECT
public:
    explicit Connection(QObject* parent = nullptr);
    ~Connection() override;

    // Opens an existing database file; never creates, alters or overwrites
    // a file that is not a database of this program (DbError then).
    void open(const QString& path);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    QString path() const { return m_path; }
    sqlite3* handle() const { return m_db; }

    // Runs one or more statements without results; DbError on failure.
    void exec(const QString& sql);
    // Runs a query returning one integer (0 when null or no row).
    qint64 scalar(const QString& sql);

    // A write transaction takes the write lock at once (waiting for another
    // connection's up to busyWaitMs, the windows kept painted), so that what
    // it reads is what it writes over; see WriteTransaction.
    void beginWrite();
    void beginTrans();
    void commitTrans();
    void rollbackTrans();
    int transLevel() const { return m_level; }
    bool inTransaction() const { return m_level > 0; }
    // The engine ended the open transaction itself (a write to the disk
    // failed): nothing of it remains, and until the caller's rollback nothing
    // more is written; its commit raises DbError.
    bool transactionLost() const { return m_lost; }

    // Message of the last engine error, in the engine's words.
    QString lastEngineError() const;
    // The last engine error as raised to callers: a busy file and an out of
    // date read get their reasons and texts, anything else the engine's words.
    DbError engineError(const QString& context) const;

    // The state of the file as this connection sees it now. Inside a write
    // transaction: as it was when the lock was taken.
    FileState fileState();
    quint64 ownCommits() const { return m_ownCommits; }

    // How long a write waits for a lock held by another connection (ms).
    int busyWaitMs() const { return m_busyWaitMs; }
    void setBusyWaitMs(int ms) { m_busyWaitMs = ms; }

signals:
    // Transaction level `level` (1 = the outermost) was committed into the
    // one around it, or into the file.
    void committed(int level);
    // Transaction level `level` was rolled back: rows written inside it are
    // gone from the file.
    void rolledBack(int level);

private:
    void execRaw(const char* sql);
    static void engineRolledBack(void* self);
    static int authorize(void* self, int action, const char*, const char*, const char*, const char*);

    sqlite3* m_db = nullptr;
    QString m_qtName;   // name of the QSqlDatabase connection that owns the handle
    QString m_path;
    int m_level = 0;
    int m_busyWaitMs = 3000;
    bool m_writing = false;     // the outermost transaction holds the write lock
    quint64 m_ownCommits = 0;   // write transactions committed by this connection
    // The engine rolled the open transaction back on its own (a write to the
    // disk failed): until the caller's rollback, nothing more is written, so
    // that no remaining write of the command is stored on its own.
    bool m_lost = false;
};

// One short write transaction: takes the write lock first, then the caller
// reads, checks and writes; commit stores everything, and leaving the scope
// without commit rolls everything back. `before` is the file's state when
// the lock was taken (nothing of this transaction in it), `after` the state
// once committed.
class WriteTransaction {
public:
    explicit WriteTransaction(Connection& c);
    ~WriteTransaction();
    void commit();
    FileState before() const { return m_before; }
    FileState after() const { return m_after; }
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

private:
    Connection& m_c;
    bool m_done = false;
    FileState m_before;
    FileState m_after;
};

// Holds a transaction for one scope: rolls back unless committed, so no path
// (an exception, an early return) leaves a transaction open.
class Transaction {
public:
    explicit Transaction(Connection& c) : m_c(c) { m_c.beginTrans(); }
    ~Transaction();
    void commit();
    void rollback();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

private:
    Connection& m_c;
    bool m_done = false;
};
