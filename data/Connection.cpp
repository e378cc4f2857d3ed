#include "Connection.h"

#include "DatabaseFile.h"
#include "DbError.h"
#include "Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>
#include <QVariant>

#include <sqlite3.h>

namespace {
int g_counter = 0;

// A write that meets a lock held by another connection waits a little,
// keeping the windows painted, then gives up with the busy message.
int busyHandler(void* arg, int tries)
{
    auto* self = static_cast<Connection*>(arg);
    const int stepMs = 20;
    if ((tries + 1) * stepMs > self->busyWaitMs())
        return 0;
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, stepMs);
    QThread::msleep(stepMs);
    return 1;
}
} // namespace

Connection::Connection(QObject* parent) : QObject(parent) {}

Connection::~Connection()
{
    close();
}

void Connection::open(const QString& path)
{
    close();
    const QFileInfo fi(path);
    // Read-only first: a file refused here has not been written to at all.
    const bool contentChecked = checkDatabaseFile(path);

    const bool logBeside = QFileInfo(fi.absoluteFilePath() + QStringLiteral("-wal")).size() > 0;
    m_qtName = QStringLiteral("tooldb_%1").arg(++g_counter);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_qtName);
        // mode=rw: the engine must never create the file; a missing file is an error.
        QUrl url = QUrl::fromLocalFile(fi.absoluteFilePath());
        url.setScheme(QStringLiteral("file"));
        db.setDatabaseName(url.toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=3000"));
        if (!db.open()) {
            const QString err = db.lastError().text();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_qtName);
            throw DbError(QStringLiteral("Не удается открыть базу данных \"%1\": %2").arg(path, err));
        }
        const QVariant h = db.driver()->handle();
        if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0) {
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_qtName);
            throw DbError(QStringLiteral("Драйвер SQLite не дал доступа к базе данных."));
        }
        m_db = *static_cast<sqlite3* const*>(h.data());
    }
    m_lost = false;
    sqlite3_rollback_hook(m_db, &Connection::engineRolledBack, this);
    sqlite3_set_authorizer(m_db, &Connection::authorize, this);
    m_path = fi.absoluteFilePath();
    try {
        // Nothing is written before the file has proved to be our database.
        if (!contentChecked)
            checkDatabaseContent(m_db, m_path);
        sqlite3_busy_handler(m_db, busyHandler, this);
        // Switching the journal needs the file to itself for a moment: a
        // lock held elsewhere is said so plainly.
        if (sqlite3_exec(m_db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr) != SQLITE_OK) {
            const int rc = sqlite3_errcode(m_db);
            if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
                throw DbError(databaseInUseMessage(QDir::toNativeSeparators(fi.absoluteFilePath())));
            throw DbError(lastEngineError());
        }
        execRaw("PRAGMA synchronous=FULL");
        // Long histories join every row to its tool: a larger page cache
        // (grown only as used) keeps the tool tables in memory meanwhile.
        execRaw("PRAGMA cache_size=-65536");
    } catch (...) {
        // A refused file is left as it was found: closing must not fold a
        // write-ahead log that was left beside it into the file.
        if (logBeside)
            sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        close();
        throw;
    }
}

void Connection::close()
{
    if (!m_db && m_qtName.isEmpty())
        return;
    if (m_db && m_level > 0)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    m_level = 0;
    m_lost = false;
    m_writing = false;
    if (m_db) {
        sqlite3_rollback_hook(m_db, nullptr, nullptr);
        sqlite3_set_authorizer(m_db, nullptr, nullptr);
    }
    m_db = nullptr;
    if (!m_qtName.isEmpty()) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_qtName, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_qtName);
        m_qtName.clear();
    }
    m_path.clear();
}

QString Connection::lastEngineError() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("нет соединения с базой данных");
}

DbError Connection::engineError(const QString& context) const
{
    const QString engine = lastEngineError();
    const QString msg = context.isEmpty() ? engine : context + QStringLiteral(": ") + engine;
    if (!m_db)
        return DbError(msg);
    const int ext = sqlite3_extended_errcode(m_db);
    // Another connection wrote after this transaction had read: what was
    // read is out of date, as if the row had been changed meanwhile.
    if (ext == SQLITE_BUSY_SNAPSHOT)
        return DbError(DbError::conflictText(), DbError::Reason::Conflict);
    if ((ext & 0xff) == SQLITE_BUSY || (ext & 0xff) == SQLITE_LOCKED)
        return DbError(DbError::busyText(), DbError::Reason::Busy);
    return DbError(msg);
}

void Connection::engineRolledBack(void* self)
{
    // Called for every rollback of the whole transaction; the program's own
    // rollbacks come with the level already at 0.
    auto* c = static_cast<Connection*>(self);
    if (c->m_level > 0)
        c->m_lost = true;
}

int Connection::authorize(void* self, int action, const char* arg, const char*, const char*, const char*)
{
    if (!static_cast<Connection*>(self)->m_lost)
        return SQLITE_OK;
    switch (action) {
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE:
        return SQLITE_DENY;
    case SQLITE_SAVEPOINT:   // a new savepoint would open a transaction of its own
        return arg && qstricmp(arg, "BEGIN") == 0 ? SQLITE_DENY : SQLITE_OK;
    default:
        return SQLITE_OK;   // reading, and rolling back, go on
    }
}

void Connection::execRaw(const char* sql)
{
    if (!m_db)
        throw DbError(QStringLiteral("Нет соединения с базой данных."));
    char* err = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        sqlite3_free(err);
        throw engineError(QString());
    }
}

void Connection::exec(const QString& sql)
{
    execRaw(sql.toUtf8().constData());
}

qint64 Connection::scalar(const QString& sql)
{
    if (!m_db)
        throw DbError(QStringLiteral("Нет соединения с базой данных."));
    sqlite3_stmt* st = nullptr;
    const QByteArray u = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, u.constData(), int(u.size()), &st, nullptr) != SQLITE_OK)
        throw engineError(QString());
    qint64 v = 0;
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW)
        v = sqlite3_column_int64(st, 0);
    else if (rc != SQLITE_DONE) {
        const DbError e = engineError(QString());
        sqlite3_finalize(st);
        throw e;
    }
    sqlite3_finalize(st);
    return v;
}

void Connection::beginWrite()
{
    if (m_level > 0)
        throw DbError(QStringLiteral("Транзакция уже открыта."));
    // The lock first: a lock held by another connection is waited for by the
    // busy handler, and nothing read afterwards can be outdated by it.
    execRaw("BEGIN IMMEDIATE");
    m_level = 1;
    m_writing = true;
}

FileState Connection::fileState()
{
    FileState s;
    s.own = m_ownCommits;
    if (m_db)
        s.version = scalar(QStringLiteral("PRAGMA data_version"));
    return s;
}

void Connection::beginTrans()
{
    if (m_level == 0) {
        // Deferred: the write lock is taken at the first write, not while a
        // dialog waits for the user. A write that then meets another copy's
        // lock waits a little (busy handler) and reports the busy file.
        execRaw("BEGIN DEFERRED");
    } else {
        execRaw(QStringLiteral("SAVEPOINT lvl_%1").arg(m_level).toUtf8().constData());
    }
    ++m_level;
}

void Connection::commitTrans()
{
    if (m_level <= 0)
        throw DbError(QStringLiteral("Нет открытой транзакции."));
    if (m_lost)
        throw DbError(QStringLiteral("Транзакция прервана ошибкой записи на диск, изменения не сохранены."));
    if (m_level == 1) {
        execRaw("COMMIT");   // on failure the transaction stays open for the rollback
        if (m_writing)
            ++m_ownCommits;
        m_writing = false;
    } else
        execRaw(QStringLiteral("RELEASE lvl_%1").arg(m_level - 1).toUtf8().constData());
    const int level = m_level--;
    emit committed(level);
}

void Connection::rollbackTrans()
{
    if (m_level <= 0)
        throw DbError(QStringLiteral("Нет открытой транзакции."));
    const int level = m_level--;
    if (level == 1) {
        m_lost = false;
        m_writing = false;
        try {
            if (m_db && !sqlite3_get_autocommit(m_db))
                execRaw("ROLLBACK");
        } catch (...) {
            emit rolledBack(level);
            throw;
        }
        emit rolledBack(level);
        return;
    }
    const QByteArray n = QByteArray::number(level - 1);
    try {
        // The engine may have ended the whole transaction itself (a full
        // disk, an I/O error): then there is no savepoint left to go back to.
        if (m_db && !sqlite3_get_autocommit(m_db))
            execRaw(QByteArray("ROLLBACK TO lvl_" + n + "; RELEASE lvl_" + n).constData());
    } catch (...) {
        emit rolledBack(level);
        throw;
    }
    emit rolledBack(level);
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
    // The engine's version counts the others' commits only.
    m_after = {m_before.version, m_c.ownCommits()};
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
