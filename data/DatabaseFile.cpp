#include "DatabaseFile.h"

#include "DbError.h"
#include "Schema.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>

#include <sqlite3.h>

#include <atomic>
#include <ctime>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How long the start waits for another program's lock before saying so.
constexpr int StartLockWaitMs = 2000;

bool isLockError(int rc)
{
    rc &= 0xFF;
    return rc == SQLITE_BUSY || rc == SQLITE_LOCKED;
}


} // namespace

QSet<QString> tableColumns(sqlite3* db, const QString& object, bool* exists)
{
    QSet<QString> cols;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT name FROM pragma_table_info(?)", -1, &st, nullptr) != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
    const QByteArray o = object.toUtf8();
    sqlite3_bind_text(st, 1, o.constData(), int(o.size()), SQLITE_TRANSIENT);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        cols.insert(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))).toLower());
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
    if (exists)
        *exists = !cols.isEmpty();
    return cols;
}

void verifySchema(sqlite3* db, const QString& path)
{
    // The first read of the file: a file that is not a database fails here.
    char* err = nullptr;
    if (sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = QString::fromUtf8(err ? err : sqlite3_errmsg(db));
        sqlite3_free(err);
        throw DbError(QStringLiteral("Файл \"%1\" не является базой данных программы: %2").arg(path, msg));
    }
    verifySchemaWith([db](const QString& t, bool* exists) { return tableColumns(db, t, exists); }, path);
}

QString databaseInUseMessage(const QString& path)
{
    return QStringLiteral("База данных \"%1\" занята другой программой, которая держит файл для записи. "
                          "Закройте ту программу и запустите эту снова.")
        .arg(QDir::toNativeSeparators(path));
}

namespace {

// Opens `file` through a connection of its own (flags: read-only, or for
// writing a copy) and checks its content as the database at `path`.
void checkContentOf(const QString& file, int flags, const QString& path)
{
    sqlite3* db = nullptr;
    const QByteArray name = QFile::encodeName(file);
    const int rc = sqlite3_open_v2(name.constData(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    struct Closer {
        sqlite3* db;
        ~Closer() { sqlite3_close(db); }
    } closer{db};
    if (rc != SQLITE_OK)
        throw DbError(QStringLiteral("Не удается открыть базу данных \"%1\": %2")
                          .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()),
                               db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("нет памяти")));
    checkDatabaseContent(db, path);
}

} // namespace

bool checkDatabaseFile(const QString& path, bool* recovered)
{
    const QFileInfo fi(path);
    const QString shown = QDir::toNativeSeparators(fi.absoluteFilePath());
    if (!fi.exists() || !fi.isFile())
        throw DbError(QStringLiteral("Файл базы данных \"%1\" не найден.").arg(path));
    const QString folder = QDir::toNativeSeparators(fi.absolutePath());
    if (!QFileInfo(fi.absolutePath()).isWritable())
        throw DbError(QStringLiteral("В папку \"%1\" нельзя записывать, а программе нужно записывать рядом с "
                                     "базой данных \"%2\" (файлы \"%3-wal\" и \"%3-shm\"). Разрешите запись в эту "
                                     "папку или перенесите базу данных в другую.")
                          .arg(folder, fi.fileName(), fi.fileName()));
    if (!fi.isWritable())
        throw DbError(QStringLiteral("Файл базы данных \"%1\" доступен только для чтения: программа не сможет "
                                     "сохранить ни одного изменения. Разрешите запись в этот файл.")
                          .arg(shown));

    // The header says whether the file is in the write-ahead log already.
    QByteArray header;
    {
        QFile f(fi.absoluteFilePath());
        if (f.open(QIODevice::ReadOnly))
            header = f.read(100);
    }
    if (header.size() == 100 && header.startsWith(QByteArray("SQLite format 3\0", 16)) && header[18] == 2 &&
        header[19] == 2)
        return false;

    // A rollback journal left beside the file by a crash (a "hot" journal):
    // a read-only connection cannot read the file until it is rolled back.
    // The checks run on a copy of the two, rolled back there; only a file
    // that proves to be ours is then opened for writing, which rolls the
    // journal back as the engine does after any crash.
    const QString journal = fi.absoluteFilePath() + QStringLiteral("-journal");
    if (header.startsWith(QByteArray("SQLite format 3\0", 16)) && QFileInfo(journal).size() > 0) {
        QTemporaryDir copy;
        const QString copied = copy.filePath(QStringLiteral("check.db"));
        if (!copy.isValid() || !QFile::copy(fi.absoluteFilePath(), copied)
            || !QFile::copy(journal, copied + QStringLiteral("-journal")))
            throw DbError(QStringLiteral("Файл базы данных \"%1\" остался после сбоя с незаконченными изменениями "
                                         "(файл \"%2\"), и для проверки не хватило места во временной папке.")
                              .arg(shown, QDir::toNativeSeparators(journal)));
        checkContentOf(copied, SQLITE_OPEN_READWRITE, path);
        if (recovered)
            *recovered = true;
        return true;
    }

    checkContentOf(fi.absoluteFilePath(), SQLITE_OPEN_READONLY, path);
    return true;
}

void checkDatabaseContent(sqlite3* db, const QString& path, bool full)
{
    const QString shown = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    sqlite3_busy_timeout(db, StartLockWaitMs);
    // The first read: a lock held elsewhere, or a file that is no database, shows here.
    char* err = nullptr;
    int rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, &err);
    const QString firstError = QString::fromUtf8(err ? err : sqlite3_errmsg(db));
    sqlite3_free(err);
    if (isLockError(rc))
        throw DbError(databaseInUseMessage(shown));
    if ((rc & 0xFF) == SQLITE_CORRUPT)
        throw DbError(QStringLiteral("Файл базы данных \"%1\" повреждён: %2").arg(shown, firstError));
    if (rc != SQLITE_OK)
        throw DbError(QStringLiteral("Файл \"%1\" не является базой данных программы: %2").arg(path, firstError));

    verifySchema(db, path);
    if (!full)
        return;

    // Damaged pages (a file cut short, overwritten in the middle) are found
    // before anything is written, not by the first record set that reads them.
    sqlite3_stmt* st = nullptr;
    rc = sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &st, nullptr);
    QString verdict;
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(st);
        if (rc == SQLITE_ROW)
            verdict = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    }
    const QString checkError = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(st);
    if (isLockError(rc))
        throw DbError(databaseInUseMessage(shown));
    if (rc != SQLITE_ROW)
        throw DbError(QStringLiteral("Файл базы данных \"%1\" повреждён: %2").arg(shown, checkError));
    verdict.remove(QStringLiteral("*** in database main ***")).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (verdict.trimmed() != QLatin1String("ok"))
        throw DbError(QStringLiteral("Файл базы данных \"%1\" повреждён: %2").arg(shown, verdict.trimmed()));
}

// ---------------------------------------------------------------------------
// The marks of the program's runs on a file

namespace {

// How long a mark may stay empty while its run is still making it.
constexpr int MarkBeingMadeSeconds = 10;

QString markPrefix(const QString& path)
{
    return QFileInfo(path).fileName() + QStringLiteral("-run-");
}

enum class MarkState { Gone, Live, Dead };

// A run holds its mark locked; a mark nobody holds is a run's that ended
// without removing it, unless it is still being made (empty, and new).
MarkState markState(const QString& file)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return MarkState::Gone;
    MarkState state = MarkState::Live;
    if (::flock(fd, LOCK_SH | LOCK_NB) == 0) {
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)
            && (st.st_size > 0 || std::time(nullptr) - st.st_mtime > MarkBeingMadeSeconds))
            state = MarkState::Dead;
    }
    ::close(fd);   // the probe's own lock goes with it
    return state;
}

} // namespace

bool fullCheckDue(const QString& path, QStringList* deadMarks)
{
    const QFileInfo fi(path);
    const QString prefix = markPrefix(path);
    const QDir folder = fi.absoluteDir();
    bool anyLive = false;
    QStringList dead;
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!name.startsWith(prefix))
            continue;
        const QString file = folder.filePath(name);
        switch (markState(file)) {
        case MarkState::Live: anyLive = true; break;
        case MarkState::Dead: dead << file; break;
        case MarkState::Gone: break;
        }
    }
    if (deadMarks)
        *deadMarks = dead;
    if (!dead.isEmpty())
        return true;
    // A log with changes in it and no run of the program going: whoever
    // wrote it did not close the file (a run of another program, or of one
    // that made no marks).
    return !anyLive && QFileInfo(fi.absoluteFilePath() + QStringLiteral("-wal")).size() > 0;
}

void removeRunMarks(const QStringList& marks)
{
    for (const QString& m : marks)
        if (markState(m) == MarkState::Dead)
            ::unlink(QFile::encodeName(m).constData());
}

bool RunMark::take(const QString& path)
{
    release();
    static std::atomic<int> counter{0};
    const QFileInfo fi(path);
    const QString base = fi.absoluteDir().filePath(markPrefix(path)) + QString::number(::getpid());
    for (int tries = 0; tries < 100 && m_fd < 0; ++tries) {
        const QString file = base + QLatin1Char('-') + QString::number(++counter);
        const int fd = ::open(QFile::encodeName(file).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                              0644);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        // Held until the run closes the database, or its process ends.
        if (::flock(fd, LOCK_EX) != 0) {
            ::close(fd);
            ::unlink(QFile::encodeName(file).constData());
            return false;
        }
        m_fd = fd;
        m_file = file;
    }
    if (m_fd < 0)
        return false;
    const QByteArray what = "tooldb " + QByteArray::number(::getpid()) + ' '
        + QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toLatin1() + '\n';
    if (::write(m_fd, what.constData(), size_t(what.size())) != what.size()) {
        release();
        return false;
    }
    return true;
}

void RunMark::release()
{
    if (m_fd < 0)
        return;
    // Removed while still locked: no other run can take it for a dead one.
    ::unlink(QFile::encodeName(m_file).constData());
    ::close(m_fd);
    m_fd = -1;
    m_file.clear();
}
