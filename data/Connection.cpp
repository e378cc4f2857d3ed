#include "Connection.h"

#include "DbError.h"
#include "Engine.h"

#include <QFileInfo>

#include "Schema.h"

Connection::Connection(QObject* parent) : QObject(parent) {}

Connection::~Connection()
{
    close();
}

void Connection::open(const QString& name, bool checkSchema)
{
    close();
    m_engine = openEngine(name);
    m_engine->setBusyWait(m_busyWaitMs);
    m_path = isServerName(name) ? name : QFileInfo(name).absoluteFilePath();
    m_writing = false;
    // A file was checked before it was opened; a server's database now.
    if (checkSchema && isServer()) {
        try {
            if (!holdsSchema(*this))
                throw DbError(QStringLiteral("В базе данных %1 нет таблиц программы.").arg(displayName()));
            verifySchema(*this);
        } catch (...) {
            close();
            throw;
        }
    }
}

void Connection::openReadOnly(const QString& name)
{
    close();
    m_engine = openReadingEngine(name);
    m_engine->setBusyWait(m_busyWaitMs);
    m_path = isServerName(name) ? name : QFileInfo(name).absoluteFilePath();
}

void Connection::create(const QString& path)
{
    close();
    m_engine = createEngine(path);
    m_engine->setBusyWait(m_busyWaitMs);
    m_path = QFileInfo(path).absoluteFilePath();
    m_created = true;
}

void Connection::discardCreated()
{
    if (m_created && m_engine)
        m_engine->discardCreated();
    close();
}

void Connection::publishCreated(const QString& target)
{
    if (!m_created || !m_engine)
        throw DbError(QStringLiteral("База данных \"%1\" не создавалась этим соединением.").arg(m_path));
    try {
        m_engine->publishCreated(target);
    } catch (...) {
        close();
        throw;
    }
    close();
}

void Connection::close()
{
    m_engine.reset();
    m_path.clear();
    m_writing = false;
    m_created = false;
}

bool Connection::isServer() const { return m_engine && m_engine->kind() == EngineKind::Postgres; }

QString Connection::openNotice() const { return m_engine ? m_engine->openNotice() : QString(); }

QString Connection::displayName() const { return m_engine ? m_engine->displayName() : m_path; }

Engine& Connection::engine() const
{
    if (!m_engine)
        throw DbError(QStringLiteral("Нет соединения с базой данных."));
    return *m_engine;
}

const Dialect& Connection::dialect() const { return engine().dialect(); }

sqlite3* Connection::handle() const
{
    return m_engine && m_engine->kind() == EngineKind::Sqlite ? static_cast<sqlite3*>(m_engine->nativeHandle())
                                                              : nullptr;
}

void Connection::exec(const QString& sql) { engine().exec(sql); }

qint64 Connection::scalar(const QString& sql)
{
    auto st = engine().prepare(sql);
    return st->next() ? st->int64(0) : 0;
}

void Connection::setBusyWaitMs(int ms)
{
    m_busyWaitMs = ms;
    if (m_engine)
        m_engine->setBusyWait(ms);
}

bool Connection::inTransaction() const { return m_engine && m_engine->inTransaction(); }
bool Connection::transactionLost() const { return m_engine && m_engine->transactionLost(); }

void Connection::beginWrite()
{
    if (inTransaction())
        throw DbError(QStringLiteral("Транзакция уже открыта."));
    engine().begin(true);
    m_writing = true;
}

void Connection::beginTrans()
{
    if (inTransaction())
        throw DbError(QStringLiteral("Транзакция уже открыта."));
    engine().begin(false);
    m_writing = false;
}

void Connection::commitTrans()
{
    if (!inTransaction())
        throw DbError(QStringLiteral("Нет открытой транзакции."));
    engine().commit();   // on failure the transaction stays open for the rollback
    if (m_writing)
        ++m_ownCommits;
    m_writing = false;
}

void Connection::rollbackTrans()
{
    if (!m_engine)
        throw DbError(QStringLiteral("Нет открытой транзакции."));
    m_writing = false;
    m_engine->rollback();
}

FileState Connection::fileState()
{
    FileState s;
    s.own = m_ownCommits;
    if (m_engine)
        s.version = m_engine->changeVersion();
    return s;
}

bool Connection::othersWroteSince(const FileState& s)
{
    if (!m_engine)
        return false;
    // One cheap look: the file's data version, or the server's change counter.
    return m_engine->changeVersion() != s.version;
}

WriteTransaction::WriteTransaction(Connection& c) : m_c(c)
{
    m_c.beginWrite();
    try {
        m_before = m_c.fileState();
    } catch (...) {
        m_done = true;
        try {
            m_c.rollbackTrans();
        } catch (...) {
        }
        throw;
    }
}

WriteTransaction::~WriteTransaction()
{
    if (!m_done) {
        try {
            m_c.rollbackTrans();
        } catch (...) {
        }
    }
}

void WriteTransaction::commit()
{
    m_c.commitTrans();
    m_done = true;
    m_after = {m_c.engine().committedVersion(), m_c.ownCommits()};
}

Transaction::~Transaction()
{
    if (!m_done) {
        try {
            m_c.rollbackTrans();
        } catch (...) {
        }
    }
}

void Transaction::commit()
{
    m_c.commitTrans();
    m_done = true;
}

void Transaction::rollback()
{
    m_done = true;
    m_c.rollbackTrans();
}
