#pragma once
// The one connection to the database (ADOConnection1): an SQLite file or a
// database on a PostgreSQL server, behind the engine interface (Engine.h).
// All record sets read and the operations write through it. Transactions
// do not nest: each is one short unit of work (see WriteTransaction).
#include <QObject>
#include <QString>
#include <memory>

#include "DbError.h"

class Engine;
struct Dialect;
struct sqlite3;

// Where the database stood for this connection: the others' commits it has
// seen (the engine's change version) and the count of its own commits. Rows
// read at one state and the database at the same state are the same rows.
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

    // Opens an existing database: a file path, or a libpq URI naming a
    // server database. A file that is not a database of this program is
    // never created, altered or overwritten (DbError then); a server
    // database without the program's tables is refused too, unless
    // `checkSchema` is false (one about to get them).
    void open(const QString& name, bool checkSchema = true);
    // Opens a database for reading only (the checks' and copies' source).
    void openReadOnly(const QString& name);
    // Makes a new, empty database file for the caller to fill, exclusively
    // (DbError when anything of that name exists; no link is followed);
    // discardCreated closes and removes it again, only when its name still
    // denotes the file made. publishCreated closes it and gives the file
    // made the name `target` as well, never over an existing file, its own
    // name then dropped (DbError otherwise, the file made removed).
    void create(const QString& path);
    void discardCreated();
    void publishCreated(const QString& target);
    void close();
    bool isOpen() const { return bool(m_engine); }
    // The name it was opened with: the file's absolute path, or the URI.
    QString path() const { return m_path; }
    bool isServer() const;
    // What the person is shown as the database's name.
    QString displayName() const;
    // What opening found and mended (a crash's unfinished changes rolled
    // back), to be told to the person; empty when nothing.
    QString openNotice() const;
    Engine& engine() const;
    const Dialect& dialect() const;
    // The SQLite handle of a file (for the file's own tools and tests); null
    // on a server.
    sqlite3* handle() const;

    // Runs one or more statements without results; DbError on failure.
    void exec(const QString& sql);
    // Runs a query returning one integer (0 when null or no row).
    qint64 scalar(const QString& sql);

    // A write transaction takes the write lock at once (waiting for another
    // connection's up to busyWaitMs, the windows kept painted), so that what
    // it reads is what it writes over; see WriteTransaction. beginTrans
    // begins a transaction that reads first.
    void beginWrite();
    void beginTrans();
    void commitTrans();
    void rollbackTrans();
    int transLevel() const { return inTransaction() ? 1 : 0; }
    bool inTransaction() const;
    // The engine ended the open transaction itself (a write to the disk
    // failed): nothing of it remains, and until the rollback nothing more is
    // written; its commit raises DbError.
    bool transactionLost() const;

    // The state of the database as this connection sees it now. Inside a
    // write transaction: as it was when the lock was taken.
    FileState fileState();
    quint64 ownCommits() const { return m_ownCommits; }
    // Whether another connection wrote since `s` (a cheap look, for lists
    // that follow the other copies' changes).
    bool othersWroteSince(const FileState& s);

    // How long a write waits for a lock held by another connection (ms).
    int busyWaitMs() const { return m_busyWaitMs; }
    void setBusyWaitMs(int ms);

private:
    friend class WriteTransaction;
    std::unique_ptr<Engine> m_engine;
    QString m_path;
    bool m_created = false;   // this connection made the file
    int m_busyWaitMs = 3000;
    bool m_writing = false;     // the transaction holds the write lock
    quint64 m_ownCommits = 0;   // write transactions committed by this connection
};

// One short write transaction: takes the write lock first, then the caller
// reads, checks and writes; commit stores everything, and leaving the scope
// without commit rolls everything back. `before` is the database's state
// when the lock was taken (nothing of this transaction in it), `after` the
// state once committed.
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
