// The engine of an SQLite database file: the file checked before anything is
// written to it (DatabaseFile), its write-ahead log, the busy wait that keeps
// the windows painted, and the statements stepped through the C API.
#include "Engine.h"

#include "DatabaseFile.h"
#include "Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QThread>
#include <QUrl>
#include <QVariant>

#include <sqlite3.h>

#include <cerrno>
#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 kMsPerDay = 86400000;

QByteArray dateText(const QDateTime& dt)
{
    QString f = dt.date().toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ')
        + dt.time().toString(QStringLiteral("HH:mm:ss"));
    if (dt.time().msec() != 0)
        f += QStringLiteral(".%1").arg(dt.time().msec(), 3, 10, QLatin1Char('0'));
    return f.toUtf8();
}

class SqliteEngine;

// The engine error as raised to callers: a busy file and an out of date
// read get their reasons and texts, anything else the engine's words.
DbError errorOf(sqlite3* db, const QString& context)
{
    const QString engine = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("нет соединения с базой данных");
    const QString msg = context.isEmpty() ? engine : context + QStringLiteral(": ") + engine;
    if (!db)
        return DbError(msg);
    const int ext = sqlite3_extended_errcode(db);
    // Another connection wrote after this transaction had read: what was
    // read is out of date, as if the row had been changed meanwhile.
    if (ext == SQLITE_BUSY_SNAPSHOT)
        return DbError(DbError::conflictText(), DbError::Reason::Conflict);
    if ((ext & 0xff) == SQLITE_BUSY || (ext & 0xff) == SQLITE_LOCKED)
        return DbError(DbError::busyText(), DbError::Reason::Busy);
    // A damaged page met while reading or writing: the file is named.
    if ((ext & 0xff) == SQLITE_CORRUPT || (ext & 0xff) == SQLITE_NOTADB) {
        const char* file = sqlite3_db_filename(db, "main");
        const QString shown = QDir::toNativeSeparators(file ? QString::fromUtf8(file) : QString());
        const QString damaged = QStringLiteral("Файл базы данных \"%1\" повреждён: %2").arg(shown, engine);
        return DbError(context.isEmpty() ? damaged : context + QStringLiteral(": ") + damaged, DbError::Reason::Damaged);
    }
    // A full disk is said so: the person can do something about it.
    if ((ext & 0xff) == SQLITE_FULL)
        return DbError(DbError::diskFullText(), DbError::Reason::DiskFull);
    return DbError(msg);
}

class SqliteStatement : public EngineStatement {
public:
    SqliteStatement(sqlite3* db, const QString& sql) : m_db(db)
    {
        const QByteArray u = sql.toUtf8();
        if (sqlite3_prepare_v2(db, u.constData(), int(u.size()), &m_st, nullptr) != SQLITE_OK)
            throw errorOf(db, QString());
    }
    ~SqliteStatement() override { sqlite3_finalize(m_st); }

    void bindNull(int i) override { sqlite3_bind_null(m_st, i + 1); }
    void bindInt(int i, qint64 v) override { sqlite3_bind_int64(m_st, i + 1, v); }
    void bindDouble(int i, double v) override { sqlite3_bind_double(m_st, i + 1, v); }
    void bindText(int i, const QByteArray& utf8) override
    {
        sqlite3_bind_text(m_st, i + 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    void bindDateTime(int i, const QDateTime& v) override
    {
        if (!v.isValid()) {
            bindNull(i);
            return;
        }
        bindText(i, dateText(v));
    }
    bool next() override
    {
        if (m_done)
            return false;
        const int rc = sqlite3_step(m_st);
        if (rc == SQLITE_ROW)
            return true;
        m_done = true;
        if (rc != SQLITE_DONE) {
            const DbError e = errorOf(m_db, QString());
            sqlite3_reset(m_st);
            throw e;
        }
        m_changes = sqlite3_changes(m_db);
        m_inserted = sqlite3_last_insert_rowid(m_db);
        return false;
    }
    void reset() override
    {
        sqlite3_reset(m_st);
        m_done = false;
    }
    int columnCount() const override { return sqlite3_column_count(m_st); }
    QString columnName(int c) const override { return QString::fromUtf8(sqlite3_column_name(m_st, c)); }
    ValueType type(int c) const override
    {
        switch (sqlite3_column_type(m_st, c)) {
        case SQLITE_INTEGER: return ValueType::Integer;
        case SQLITE_FLOAT: return ValueType::Float;
        case SQLITE_TEXT: return ValueType::Text;
        case SQLITE_BLOB: return ValueType::Blob;
        default: return ValueType::Null;
        }
    }
    qint64 int64(int c) const override { return sqlite3_column_int64(m_st, c); }
    double real(int c) const override { return sqlite3_column_double(m_st, c); }
    std::string_view utf8(int c) const override
    {
        const auto* p = sqlite3_column_type(m_st, c) == SQLITE_BLOB
            ? static_cast<const char*>(sqlite3_column_blob(m_st, c))
            : reinterpret_cast<const char*>(sqlite3_column_text(m_st, c));
        return p ? std::string_view(p, size_t(sqlite3_column_bytes(m_st, c))) : std::string_view();
    }
    qint64 changes() const override { return m_changes; }
    qint64 insertedId() const override { return m_inserted; }
    QString originTable(int c) const override
    {
        const char* t = sqlite3_column_table_name(m_st, c);
        return t ? QString::fromUtf8(t) : QString();
    }
    QString originColumn(int c) const override
    {
        const char* o = sqlite3_column_origin_name(m_st, c);
        return o ? QString::fromUtf8(o) : QString();
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_st = nullptr;
    bool m_done = false;
    qint64 m_changes = 0, m_inserted = 0;
};

class SqliteEngine : public Engine {
public:
    explicit SqliteEngine(const QString& path);
    // A new file, made exclusively; nothing of it is checked.
    struct Create {};
    SqliteEngine(const QString& path, Create);
    // Reading only: nothing is written, not the file, not its journal mode.
    struct ReadOnly {};
    SqliteEngine(const QString& path, ReadOnly);
    ~SqliteEngine() override;

    EngineKind kind() const override { return EngineKind::Sqlite; }
    QString displayName() const override { return QDir::toNativeSeparators(m_path); }
    QString openNotice() const override { return m_notice; }
    std::unique_ptr<EngineStatement> prepare(const QString& sql) override
    {
        return std::make_unique<SqliteStatement>(m_db, sql);
    }
    void exec(const QString& sql) override { execRaw(sql.toUtf8().constData()); }

    void begin(bool write) override
    {
        // A write takes the lock first: a lock held by another connection is
        // waited for by the busy handler, and nothing read afterwards can be
        // outdated by it. A read begins deferred.
        execRaw(write ? "BEGIN IMMEDIATE" : "BEGIN DEFERRED");
        m_inTransaction = true;
        m_lost = false;
    }
    void commit() override
    {
        if (m_lost)
            throw DbError(QStringLiteral("Транзакция прервана ошибкой записи на диск, изменения не сохранены."));
        execRaw("COMMIT");   // on failure the transaction stays open for the rollback
        m_inTransaction = false;
    }
    void rollback() override
    {
        m_inTransaction = false;
        m_lost = false;
        if (m_db && !sqlite3_get_autocommit(m_db))
            execRaw("ROLLBACK");
    }
    bool inTransaction() const override { return m_inTransaction; }
    bool transactionLost() const override { return m_lost; }
    void setBusyWait(int ms) override { m_busyWaitMs = ms; }
    int busyWait() const { return m_busyWaitMs; }

    // Others' commits only: this connection's own do not change it.
    qint64 changeVersion() override
    {
        sqlite3_stmt* st = nullptr;
        qint64 v = -1;
        if (sqlite3_prepare_v2(m_db, "PRAGMA data_version", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            v = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        return v;
    }
    qint64 committedVersion() override { return changeVersion(); }

    QSet<QString> columnsOf(const QString& table, bool* exists) override
    {
        try {
            return tableColumns(m_db, table, exists);
        } catch (const DbError&) {
            throw errorOf(m_db, QString());   // a busy file gets its reason
        }
    }
    QString integrityProblem(bool quick) override
    {
        sqlite3_stmt* st = nullptr;
        QStringList found;
        if (sqlite3_prepare_v2(m_db, quick ? "PRAGMA quick_check" : "PRAGMA integrity_check", -1, &st, nullptr)
            != SQLITE_OK)
            return QString::fromUtf8(sqlite3_errmsg(m_db));
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            found << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE)
            return QString::fromUtf8(sqlite3_errmsg(m_db));
        return found == QStringList{QStringLiteral("ok")} ? QString() : found.join(QStringLiteral("; "));
    }
    void* nativeHandle() override { return m_db; }
    void backupTo(const QString& target, const std::function<bool(qint64, qint64)>& progress) override;
    void discardCreated() override;
    void publishCreated(const QString& target) override;

    void execRaw(const char* sql)
    {
        if (!m_db)
            throw DbError(QStringLiteral("Нет соединения с базой данных."));
        char* err = nullptr;
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
            sqlite3_free(err);
            throw errorOf(m_db, QString());
        }
    }

private:
    void release();
    // The engine's handle closed, and with it the file's locks.
    void closeHandle();
    // Whether the file's name still denotes the file a create made here: a
    // file put under that name by anyone else is not this engine's to touch.
    bool madeFileNamed() const;
    // The handle closed; the file made here removed with its logs when its
    // name still denotes it; its descriptor closed.
    void discardMade();
    void closeMade();
    static int busyHandler(void* arg, int tries);
    static void engineRolledBack(void* self);
    static int authorize(void* self, int action, const char*, const char*, const char*, const char*);

    sqlite3* m_db = nullptr;
    QString m_qtName;   // the Qt connection that owns the handle
    QString m_notice;
    bool m_ownsHandle = false;   // opened here, not through Qt's driver
    QString m_path;
    // The file a create made, kept open until the handle is closed (it
    // holds no locks, so closing it then takes none from the engine), and
    // who it is on its disk.
    int m_madeFd = -1;
    dev_t m_madeDev = 0;
    ino_t m_madeIno = 0;
    int m_busyWaitMs = 3000;
    RunMark m_mark;   // a file's run of the program, while it is open for writing
    bool m_inTransaction = false;
    // The engine rolled the open transaction back on its own (a write to the
    // disk failed): until the caller's rollback, nothing more is written, so
    // that no remaining write of the command is stored on its own.
    bool m_lost = false;
};

// A write that meets a lock held by another connection waits a little,
// keeping the windows painted, then gives up with the busy message.
int SqliteEngine::busyHandler(void* arg, int tries)
{
    auto* self = static_cast<SqliteEngine*>(arg);
    const int stepMs = 20;
    if ((tries + 1) * stepMs > self->m_busyWaitMs)
        return 0;
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, stepMs);
    QThread::msleep(stepMs);
    return 1;
}

void SqliteEngine::engineRolledBack(void* self)
{
    // Called for every rollback of the whole transaction; the program's own
    // rollbacks come with the transaction already ended.
    auto* e = static_cast<SqliteEngine*>(self);
    if (e->m_inTransaction)
        e->m_lost = true;
}

int SqliteEngine::authorize(void* self, int action, const char* arg, const char*, const char*, const char*)
{
    if (!static_cast<SqliteEngine*>(self)->m_lost)
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

SqliteEngine::SqliteEngine(const QString& path)
{
    m_dialect.kind = EngineKind::Sqlite;
    const QFileInfo fi(path);
    // Whether the last run on the file ended cleanly, asked before this
    // connection puts its own log beside it.
    QStringList deadMarks;
    const bool fullCheck = fullCheckDue(path, &deadMarks);
    // Read-only first: a file refused here has not been written to at all.
    bool recovered = false;
    const bool contentChecked = checkDatabaseFile(path, &recovered);
    if (recovered)
        m_notice = QStringLiteral("База данных \"%1\" была закрыта аварийно, не дописав изменения. Незаконченные "
                                  "изменения отменены, база данных восстановлена в состоянии до них.")
                       .arg(QDir::toNativeSeparators(fi.absoluteFilePath()));

    const bool logBeside = QFileInfo(fi.absoluteFilePath() + QStringLiteral("-wal")).size() > 0;
    static int counter = 0;
    m_qtName = QStringLiteral("tooldb_%1").arg(++counter);
    {
        // Through Qt's SQLite driver, which hands over its engine handle.
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
    sqlite3_rollback_hook(m_db, &SqliteEngine::engineRolledBack, this);
    sqlite3_set_authorizer(m_db, &SqliteEngine::authorize, this);
    m_path = fi.absoluteFilePath();
    try {
        // Nothing is written before the file has proved to be our database.
        // The whole file is read only after a run that did not end cleanly;
        // otherwise the header, the schema and the write lock are checked,
        // and a damaged page met later is reported when it is read.
        if (!contentChecked)
            checkDatabaseContent(m_db, m_path, fullCheck);
        sqlite3_busy_handler(m_db, busyHandler, this);
        // Switching the journal needs the file to itself for a moment: a
        // lock held elsewhere is said so plainly.
        if (sqlite3_exec(m_db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr) != SQLITE_OK) {
            const int rc = sqlite3_errcode(m_db);
            if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
                throw DbError(databaseInUseMessage(QDir::toNativeSeparators(fi.absoluteFilePath())));
            throw errorOf(m_db, QString());
        }
        execRaw("PRAGMA synchronous=FULL");
        // Long histories join every row to its tool: a larger page cache
        // (grown only as used) keeps the tool tables in memory meanwhile.
        execRaw("PRAGMA cache_size=-65536");
        // This run's mark, and the marks of the runs the check was made for.
        m_mark.take(m_path);
        removeRunMarks(deadMarks);
    } catch (...) {
        // A refused file is left as it was found: closing must not fold a
        // write-ahead log that was left beside it into the file.
        if (logBeside)
            sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        release();
        throw;
    }
}

void SqliteEngine::release()
{
    closeHandle();
    m_mark.release();   // after the handle: its log is folded in and gone
    closeMade();
}

void SqliteEngine::closeHandle()
{
    if (m_db) {
        if (!sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_rollback_hook(m_db, nullptr, nullptr);
        sqlite3_set_authorizer(m_db, nullptr, nullptr);
        if (m_ownsHandle)
            sqlite3_close_v2(m_db);
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
}

SqliteEngine::SqliteEngine(const QString& path, Create)
{
    m_dialect.kind = EngineKind::Sqlite;
    m_path = QFileInfo(path).absoluteFilePath();
    const QByteArray name = QFile::encodeName(m_path);
    // Made here and nowhere else: a name already taken (a file, a link, a
    // folder) is refused in the same step, and no link is followed.
    m_madeFd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (m_madeFd < 0) {
        const int err = errno;
        if (err == EEXIST || err == ELOOP)
            throw DbError(QStringLiteral("Файл \"%1\" уже существует: новая база данных не создана.").arg(path));
        throw DbError(QStringLiteral("Не удается создать базу данных \"%1\": %2")
                          .arg(path, QString::fromLocal8Bit(std::strerror(err))));
    }
    struct stat st;
    if (::fstat(m_madeFd, &st) != 0) {
        const int err = errno;
        discardMade();
        throw DbError(QStringLiteral("Не удается создать базу данных \"%1\": %2")
                          .arg(path, QString::fromLocal8Bit(std::strerror(err))));
    }
    m_madeDev = st.st_dev;
    m_madeIno = st.st_ino;
    try {
        // The engine opens that file by its name, creating none. (Links in
        // the folders above are the person's own and are followed.)
        const int rc = sqlite3_open_v2(name.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
        m_ownsHandle = true;
        if (rc != SQLITE_OK)
            throw DbError(QStringLiteral("Не удается создать базу данных \"%1\": %2")
                              .arg(path, m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("нет памяти")));
        // Nothing is read or written before the name has proved to denote
        // the file made here: one put in its place meanwhile is another's.
        if (!madeFileNamed())
            throw DbError(QStringLiteral("Файл \"%1\" появился от другой программы, пока создавалась база данных: "
                                         "он не тронут, новая база данных не создана.")
                              .arg(path));
        sqlite3_busy_handler(m_db, busyHandler, this);
        execRaw("PRAGMA journal_mode=WAL");
        execRaw("PRAGMA synchronous=FULL");
    } catch (...) {
        discardMade();
        throw;
    }
}

bool SqliteEngine::madeFileNamed() const
{
    struct stat st;
    return m_madeFd >= 0 && ::lstat(QFile::encodeName(m_path).constData(), &st) == 0 && st.st_dev == m_madeDev
        && st.st_ino == m_madeIno;
}

void SqliteEngine::closeMade()
{
    if (m_madeFd >= 0)
        ::close(m_madeFd);
    m_madeFd = -1;
}

void SqliteEngine::discardMade()
{
    closeHandle();
    // Still open here, the file cannot be replaced by a new one of the same
    // number: the name denotes it, or it is left alone with whatever is beside it.
    if (madeFileNamed()) {
        for (const char* suffix : {"-wal", "-shm", "-journal", ""})
            ::unlink(QFile::encodeName(m_path + QLatin1String(suffix)).constData());
    }
    closeMade();
}

void SqliteEngine::discardCreated()
{
    if (m_madeFd >= 0)
        discardMade();
}

void SqliteEngine::publishCreated(const QString& target)
{
    if (m_madeFd < 0)
        throw DbError(QStringLiteral("База данных \"%1\" не создавалась этой программой.").arg(m_path));
    // Closing folds the log into the file; then the file itself is on disk.
    closeHandle();
    if (::fsync(m_madeFd) != 0) {
        discardMade();
        throw DbError(QStringLiteral("Не удается записать \"%1\" на диск.").arg(m_path));
    }
    if (!madeFileNamed()) {
        closeMade();
        throw DbError(QStringLiteral("Файл \"%1\" подменен другой программой: база данных не записана.").arg(m_path));
    }
    // The second name goes to the file itself, through its descriptor, not
    // to whatever its first name denotes by then; a link never replaces a
    // file that appeared at the target meanwhile. Without /proc, by the name
    // just checked.
    const QByteArray to = QFile::encodeName(target);
    int rc;
    if (::access("/proc/self/fd", X_OK) == 0) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_madeFd);
        rc = ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, to.constData(), AT_SYMLINK_FOLLOW);
    } else {
        rc = ::link(QFile::encodeName(m_path).constData(), to.constData());
    }
    if (rc != 0) {
        const int err = errno;
        discardMade();
        throw DbError(err == EEXIST
                          ? QStringLiteral("Файл \"%1\" уже существует: он не будет перезаписан.").arg(target)
                          : QStringLiteral("Не удается записать \"%1\": %2")
                                .arg(target, QString::fromLocal8Bit(std::strerror(err))));
    }
    // The temporary name goes, when it is still this file's.
    if (madeFileNamed())
        ::unlink(QFile::encodeName(m_path).constData());
    closeMade();
}

void SqliteEngine::backupTo(const QString& target, const std::function<bool(qint64, qint64)>& progress)
{
    if (!m_db)
        throw DbError(QStringLiteral("Нет соединения с базой данных."));
    if (m_inTransaction || !sqlite3_get_autocommit(m_db))
        throw DbError(QStringLiteral("Копия не делается посреди транзакции."));
    const QByteArray name = QFile::encodeName(target);
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int err = errno;
        throw DbError(QStringLiteral("Не удается создать файл \"%1\": %2")
                          .arg(QDir::toNativeSeparators(target), QString::fromLocal8Bit(std::strerror(err))),
                      err == ENOSPC ? DbError::Reason::DiskFull : DbError::Reason::General);
    }
    struct stat made;
    ::fstat(fd, &made);
    sqlite3* dest = nullptr;
    sqlite3_backup* b = nullptr;
    bool reading = false;
    // Everything made here goes again; a file put under the name by anyone
    // else meanwhile is left alone.
    auto discard = [&] {
        if (b)
            sqlite3_backup_finish(b);
        b = nullptr;
        if (dest)
            sqlite3_close_v2(dest);
        dest = nullptr;
        if (reading)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        reading = false;
        struct stat now;
        if (::lstat(name.constData(), &now) == 0 && now.st_dev == made.st_dev && now.st_ino == made.st_ino) {
            ::unlink((name + "-journal").constData());
            ::unlink(name.constData());
        }
        ::close(fd);
    };
    auto destError = [&](int rc) {
        const int code = (dest ? sqlite3_extended_errcode(dest) : rc) & 0xff;
        const QString why = dest ? QString::fromUtf8(sqlite3_errmsg(dest)) : QString::fromUtf8(sqlite3_errstr(rc));
        if (code == SQLITE_FULL)
            return DbError(QStringLiteral("На диске нет места для копии \"%1\".").arg(QDir::toNativeSeparators(target)),
                           DbError::Reason::DiskFull);
        return DbError(QStringLiteral("Не удается записать копию \"%1\": %2").arg(QDir::toNativeSeparators(target), why));
    };
    try {
        int rc = sqlite3_open_v2(name.constData(), &dest, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK)
            throw destError(rc);
        // A copy cut short is removed, never used: the copy needs no journal,
        // and is put on disk once, whole, at the end (fsync below).
        if (sqlite3_exec(dest, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr, nullptr)
            != SQLITE_OK)
            throw destError(SQLITE_ERROR);
        // One read transaction for the whole copy: the copy is the database
        // as of its first page, whatever other connections commit meanwhile
        // (the write-ahead log lets them go on writing).
        execRaw("BEGIN");
        reading = true;
        execRaw("SELECT count(*) FROM sqlite_master");
        b = sqlite3_backup_init(dest, "main", m_db, "main");
        if (!b)
            throw destError(SQLITE_ERROR);
        int busyTries = 0;
        for (;;) {
            rc = sqlite3_backup_step(b, 256);   // a megabyte at a time
            const qint64 total = sqlite3_backup_pagecount(b);
            if (rc == SQLITE_OK || rc == SQLITE_DONE) {
                busyTries = 0;
                if (progress && !progress(total - sqlite3_backup_remaining(b), total))
                    throw DbError(QString());
                if (rc == SQLITE_DONE)
                    break;
                continue;
            }
            if ((rc == SQLITE_BUSY || rc == SQLITE_LOCKED) && ++busyTries * 20 < m_busyWaitMs) {
                QThread::msleep(20);
                continue;
            }
            if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
                throw DbError(DbError::busyText(), DbError::Reason::Busy);
            if ((rc & 0xff) == SQLITE_FULL)
                throw DbError(QStringLiteral("На диске нет места для копии \"%1\".").arg(QDir::toNativeSeparators(target)),
                              DbError::Reason::DiskFull);
            throw destError(rc);
        }
        rc = sqlite3_backup_finish(b);
        b = nullptr;
        if (rc != SQLITE_OK)
            throw destError(rc);
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        reading = false;
        // The copy stands alone: a rollback journal, not the source's log
        // (read first, the copy's header names the log it was copied with).
        if (sqlite3_exec(dest, "SELECT count(*) FROM sqlite_master; PRAGMA journal_mode=DELETE", nullptr, nullptr,
                         nullptr)
            != SQLITE_OK)
            throw destError(SQLITE_ERROR);
        rc = sqlite3_close(dest);
        dest = nullptr;
        if (rc != SQLITE_OK)
            throw destError(rc);
        if (::fsync(fd) != 0) {
            const int err = errno;
            throw DbError(QStringLiteral("Не удается записать копию \"%1\" на диск: %2")
                              .arg(QDir::toNativeSeparators(target), QString::fromLocal8Bit(std::strerror(err))),
                          err == ENOSPC ? DbError::Reason::DiskFull : DbError::Reason::General);
        }
        ::close(fd);
    } catch (...) {
        discard();
        throw;
    }
}

SqliteEngine::SqliteEngine(const QString& path, ReadOnly)
{
    m_dialect.kind = EngineKind::Sqlite;
    const QFileInfo fi(path);
    if (!fi.exists() || !fi.isFile())
        throw DbError(QStringLiteral("Файл базы данных \"%1\" не найден.").arg(path));
    m_path = fi.absoluteFilePath();
    // With neither a write-ahead log nor a rollback journal beside it, no
    // program is writing the file: it is read as unchangeable, which takes
    // no locks and creates no log files. Otherwise it is read through its
    // log, read-only, as a second reader would (also the log a crashed
    // program left behind). A reader through the log keeps its place in the
    // log's index (the "-shm" file), and rebuilds the index when a crash left
    // it stale, as every reader does; the file and the log it only reads.
    const bool logBeside = QFileInfo::exists(m_path + QStringLiteral("-wal"))
        || QFileInfo::exists(m_path + QStringLiteral("-journal"));
    QUrl url = QUrl::fromLocalFile(m_path);
    url.setScheme(QStringLiteral("file"));
    const QByteArray uri = url.toString(QUrl::FullyEncoded).toUtf8()
        + (logBeside ? QByteArray("?mode=ro") : QByteArray("?mode=ro&immutable=1"));
    const int rc = sqlite3_open_v2(uri.constData(), &m_db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    m_ownsHandle = true;
    if (rc != SQLITE_OK) {
        const QString err = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("нет памяти");
        release();
        throw DbError(QStringLiteral("Не удается открыть базу данных \"%1\": %2").arg(path, err));
    }
    // A reader never folds the log into the file, not even on closing.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_busy_timeout(m_db, 15000);
    // A page cache of this connection alone (nothing is stored in the file):
    // the history rows look up their tools, which stay in memory.
    sqlite3_exec(m_db, "PRAGMA cache_size=-65536", nullptr, nullptr, nullptr);
    // The first read: a file that is not a database at all fails here.
    if (sqlite3_exec(m_db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK) {
        const QString err = QString::fromUtf8(sqlite3_errmsg(m_db));
        release();
        throw DbError(QStringLiteral("Файл \"%1\" не является базой данных программы: %2").arg(path, err));
    }
}

SqliteEngine::~SqliteEngine()
{
    release();
}

} // namespace

std::unique_ptr<Engine> readSqliteEngine(const QString& path)
{
    return std::make_unique<SqliteEngine>(path, SqliteEngine::ReadOnly{});
}

std::unique_ptr<Engine> createSqliteEngine(const QString& path)
{
    return std::make_unique<SqliteEngine>(path, SqliteEngine::Create{});
}

std::unique_ptr<Engine> openSqliteEngine(const QString& path)
{
    return std::make_unique<SqliteEngine>(path);
}
