#include "Backup.h"

#include "Connection.h"
#include "DbError.h"
#include "Engine.h"
#include "RuFormat.h"
#include "Schema.h"
#include "ToolKind.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace backup {

namespace {

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

QString systemReason(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

QString megabytes(qint64 bytes)
{
    return ru::formatFloat(double(qRound(bytes / 1048576.0 * 10)) / 10) + QStringLiteral(" МБ");
}

QString timedName(const QString& stem, const QDateTime& t)
{
    return stem + t.toString(QStringLiteral("-yyyy-MM-dd-HHmmss")) + QStringLiteral(".db");
}

// The folder written to its disk, so that a new name in it stays.
void syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The folder ready to take a copy: made when `create` (the copies' own
// folder), writable. Empty when it is, else what is wrong.
QString folderProblem(const QString& folder, bool create)
{
    const QFileInfo fi(folder);
    if (!fi.exists()) {
        if (!create)
            return QStringLiteral("Папка \"%1\" не найдена (диск отключен?): копия не записана.").arg(shown(folder));
        if (!QDir().mkpath(folder))
            return QStringLiteral("Не удается создать папку для копий \"%1\" (нет прав на запись в папку базы "
                                  "данных?): копия не записана.")
                .arg(shown(folder));
        return {};
    }
    if (!fi.isDir())
        return QStringLiteral("\"%1\" не папка: копия не записана.").arg(shown(folder));
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
        return QStringLiteral("Папка \"%1\" только для чтения: копия не записана.").arg(shown(folder));
    return {};
}

QString tempNameOf(const QString& finalPath)
{
    return finalPath + QLatin1Char('.') + QString::number(QCoreApplication::applicationPid()) + QStringLiteral(".part");
}

// Gives the file `from` the name `to` as well, never over a file there, then
// drops `from`. A disk without links (a memory stick's) gets a rename after a
// look that `to` is free. 0 or the error number.
int publish(const QString& from, const QString& to)
{
    const QByteArray f = QFile::encodeName(from), t = QFile::encodeName(to);
    if (::link(f.constData(), t.constData()) == 0) {
        ::unlink(f.constData());
        return 0;
    }
    const int err = errno;
    if (err == EEXIST)
        return err;
    if (err != EPERM && err != EOPNOTSUPP && err != ENOSYS && err != EMLINK)
        return err;
    struct stat st;
    if (::lstat(t.constData(), &st) == 0)
        return EEXIST;
    return ::rename(f.constData(), t.constData()) == 0 ? 0 : errno;
}

// The bytes of `from` into the new file `to` (made exclusively), on disk.
// Empty, or what went wrong (the file made is removed then).
QString copyBytes(const QString& from, const QString& to)
{
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return QStringLiteral("Не удается прочитать \"%1\": %2").arg(shown(from), systemReason(errno));
    const QByteArray t = QFile::encodeName(to);
    const int out = ::open(t.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (out < 0) {
        const int err = errno;
        ::close(in);
        return QStringLiteral("Не удается создать \"%1\": %2").arg(shown(to), systemReason(err));
    }
    QByteArray buf(1 << 20, Qt::Uninitialized);
    int err = 0;
    for (;;) {
        const ssize_t n = ::read(in, buf.data(), size_t(buf.size()));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            break;
        }
        if (n == 0)
            break;
        for (ssize_t done = 0; done < n && !err;) {
            const ssize_t w = ::write(out, buf.constData() + done, size_t(n - done));
            if (w < 0 && errno != EINTR)
                err = errno;
            else if (w > 0)
                done += w;
        }
        if (err)
            break;
    }
    if (!err && ::fsync(out) != 0)
        err = errno;
    ::close(in);
    if (::close(out) != 0 && !err)
        err = errno;
    if (err) {
        ::unlink(t.constData());
        return err == ENOSPC ? QStringLiteral("На диске нет места для \"%1\".").arg(shown(to))
                             : QStringLiteral("Не удается записать \"%1\": %2").arg(shown(to), systemReason(err));
    }
    return {};
}

} // namespace

QString serverNotice()
{
    return QStringLiteral("База данных находится на сервере. Ее резервные копии делаются средствами сервера "
                          "(pg_dump, восстановление - pg_restore) администратором сервера.");
}

QString folderOf(const QString& dbPath)
{
    return QDir(QFileInfo(dbPath).absolutePath()).filePath(QStringLiteral("Backup"));
}

QString stemOf(const QString& dbPath)
{
    return QFileInfo(dbPath).completeBaseName();
}

QString dailyName(const QString& stem, const QDate& day)
{
    return stem + day.toString(QStringLiteral("-yyyy-MM-dd")) + QStringLiteral(".db");
}

std::optional<QDate> dailyDate(const QString& fileName, const QString& stem)
{
    static const QRegularExpression tail(QStringLiteral("^-(\\d{4})-(\\d{2})-(\\d{2})\\.db$"));
    if (!fileName.startsWith(stem))
        return std::nullopt;
    const auto m = tail.match(QStringView(fileName).mid(stem.size()));
    if (!m.hasMatch())
        return std::nullopt;
    const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!d.isValid())
        return std::nullopt;
    return d;
}

QList<QDate> keptDays(QList<QDate> days, const QDate& today)
{
    std::sort(days.begin(), days.end(), std::greater<QDate>());
    days.erase(std::unique(days.begin(), days.end()), days.end());
    QList<QDate> kept;
    int daily = 0;
    for (const QDate& d : days) {
        // A day after today (the clock was set back) is not judged.
        if (d > today || daily < KeptDays) {
            kept << d;
            if (d <= today)
                ++daily;
        }
    }
    const QDate thisMonth(today.year(), today.month(), 1);
    for (int m = 0; m < KeptMonths; ++m) {
        const QDate first = thisMonth.addMonths(-m), next = first.addMonths(1);
        // The days run newest first: the last one inside the month is its first copy.
        QDate firstCopy;
        for (const QDate& d : days)
            if (d >= first && d < next)
                firstCopy = d;
        if (firstCopy.isValid() && !kept.contains(firstCopy))
            kept << firstCopy;
    }
    std::sort(kept.begin(), kept.end(), std::greater<QDate>());
    return kept;
}

QStringList rotate(const QString& folder, const QString& stem, const QDate& today, QString* error)
{
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::NoSymLinks | QDir::Hidden);
    QList<QDate> days;
    for (const QFileInfo& f : files)
        if (const auto d = dailyDate(f.fileName(), stem))
            days << *d;
    const QList<QDate> kept = keptDays(days, today);
    QStringList removed;
    for (const QFileInfo& f : files) {
        const auto d = dailyDate(f.fileName(), stem);
        if (!d || kept.contains(*d))
            continue;
        if (QFile::remove(f.absoluteFilePath()))
            removed << f.fileName();
        else if (error && error->isEmpty())
            *error = QStringLiteral("Старую копию \"%1\" не удается удалить.").arg(shown(f.absoluteFilePath()));
    }
    return removed;
}

bool dailyCopyDue(const QString& dbPath, const QDate& today)
{
    return !QFileInfo::exists(QDir(folderOf(dbPath)).filePath(dailyName(stemOf(dbPath), today)));
}

void removeLeftovers(const QString& folder, const QDateTime& now)
{
    static const QRegularExpression part(QStringLiteral("\\.db\\.\\d+\\.part$"));
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::NoSymLinks | QDir::Hidden);
    for (const QFileInfo& f : files) {
        if (!part.match(f.fileName()).hasMatch())
            continue;
        if (f.lastModified().secsTo(now) > 3600) {
            QFile::remove(f.absoluteFilePath() + QStringLiteral("-journal"));
            QFile::remove(f.absoluteFilePath());
        }
    }
}

namespace {
QString checkCopyWords(const QString& path, bool quick);
}

QString checkCopy(const QString& path, bool quick)
{
    QString p = checkCopyWords(path, quick);
    while (p.endsWith(QLatin1Char('.')))
        p.chop(1);
    return p;
}

namespace {
QString checkCopyWords(const QString& path, bool quick)
{
    const QFileInfo fi(path);
    if (!fi.isFile())
        return QStringLiteral("файл \"%1\" не найден").arg(shown(path));
    if (fi.size() == 0)
        return QStringLiteral("файл \"%1\" пуст").arg(shown(path));
    try {
        Connection c;
        c.openReadOnly(path);
        const QString damage = c.engine().integrityProblem(quick);
        if (!damage.isEmpty())
            return QStringLiteral("файл поврежден (%1)").arg(damage.left(300));
        verifySchema(c);
        if (c.scalar(QStringLiteral("SELECT count(*) FROM Pasw_TBL")) == 0)
            return QStringLiteral("в нем нет ни одной учетной записи: войти в программу будет нельзя");
    } catch (const DbError& e) {
        return e.message();
    }
    return {};
}
} // namespace

CopyOutcome makeCopy(const QString& dbPath, const QString& folder, const QDateTime& now,
                     const std::function<void(qint64, qint64)>& progress, const std::atomic<bool>* cancel,
                     const QString& name)
{
    CopyOutcome out;
    if (isServerName(dbPath)) {
        out.error = serverNotice();
        return out;
    }
    const bool own = QFileInfo(folder).absoluteFilePath() == QFileInfo(folderOf(dbPath)).absoluteFilePath();
    out.error = folderProblem(folder, own);
    if (!out.error.isEmpty())
        return out;
    const QDir dir(folder);
    const QString stem = stemOf(dbPath);
    QString target = name.isEmpty() ? dailyName(stem, now.date()) : name;
    if (name.isEmpty() && QFileInfo::exists(dir.filePath(target)))
        target = timedName(stem, now);
    if (QFileInfo::exists(dir.filePath(target))) {
        out.error = QStringLiteral("Файл \"%1\" уже есть: копия не записана.").arg(shown(dir.filePath(target)));
        return out;
    }
    // Room for the whole file (its log folded in): said before any is written.
    const qint64 need = QFileInfo(dbPath).size() + QFileInfo(dbPath + QStringLiteral("-wal")).size();
    QStorageInfo disk(folder);
    if (disk.isValid() && disk.bytesAvailable() >= 0 && disk.bytesAvailable() < need) {
        out.error = QStringLiteral("На диске с папкой \"%1\" нет места для копии: нужно %2, свободно %3.")
                        .arg(shown(folder), megabytes(need), megabytes(disk.bytesAvailable()));
        return out;
    }
    const QString finalPath = dir.filePath(target);
    const QString temp = tempNameOf(finalPath);
    QFile::remove(temp);   // this process's own, left by an earlier try
    try {
        // While a program has the file open (its log beside it), a reader
        // of its own, which checks nothing and writes nothing; else the
        // program's own opening, with its checks.
        Connection src;
        if (QFileInfo(dbPath + QStringLiteral("-wal")).exists())
            src.openReadOnly(dbPath);
        else
            src.open(dbPath);
        src.engine().backupTo(temp, [&](qint64 done, qint64 total) {
            if (progress)
                progress(done, total);
            return !(cancel && cancel->load());
        });
    } catch (const DbError& e) {
        out.cancelled = e.message().isEmpty();
        out.error = out.cancelled ? QStringLiteral("Резервное копирование отменено.")
                                  : QStringLiteral("Резервная копия не записана: %1").arg(e.message());
        return out;
    }
    if (const QString problem = checkCopy(temp); !problem.isEmpty()) {
        QFile::remove(temp);
        out.error = QStringLiteral("Резервная копия не прошла проверку и удалена: %1").arg(problem);
        return out;
    }
    int err = publish(temp, finalPath);
    QString published = finalPath;
    if (err == EEXIST && name.isEmpty()) {
        // Another copy of the program wrote the day's copy meanwhile.
        published = dir.filePath(timedName(stem, now));
        err = publish(temp, published);
    }
    if (err) {
        QFile::remove(temp);
        out.error = err == EEXIST ? QStringLiteral("Файл \"%1\" уже есть: копия не записана.").arg(shown(published))
                                  : QStringLiteral("Не удается записать копию \"%1\": %2").arg(shown(published),
                                                                                               systemReason(err));
        return out;
    }
    syncFolder(folder);
    out.ok = true;
    out.path = published;
    return out;
}

CopyInfo describeCopy(const QString& path)
{
    CopyInfo info;
    const QFileInfo fi(path);
    info.path = fi.absoluteFilePath();
    info.size = fi.size();
    info.made = fi.lastModified();
    static const QRegularExpression dated(QStringLiteral("-(\\d{4})-(\\d{2})-(\\d{2})(?:-(\\d{2})(\\d{2})(\\d{2}))?\\.db$"));
    if (const auto m = dated.match(fi.fileName()); m.hasMatch()) {
        const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        if (d.isValid() && d != info.made.date())
            info.made = m.captured(4).isEmpty()
                ? QDateTime(d, QTime(0, 0))
                : QDateTime(d, QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt()));
    }
    try {
        Connection c;
        c.openReadOnly(path);
        qint64 tools = 0;
        for (ToolKind k : allToolKinds())
            tools += c.scalar(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(toolKind(k).table)));
        info.debts = c.scalar(QStringLiteral("SELECT count(*) FROM Dolgi"));
        info.tools = tools;
    } catch (const DbError& e) {
        info.problem = e.message();
    }
    return info;
}

QList<CopyInfo> listCopies(const QString& dbPath)
{
    const QString stem = stemOf(dbPath);
    QList<CopyInfo> out;
    const QFileInfoList files = QDir(folderOf(dbPath)).entryInfoList(QDir::Files | QDir::NoSymLinks);
    for (const QFileInfo& f : files) {
        if (f.fileName().startsWith(stem + QLatin1Char('-')) && f.fileName().endsWith(QLatin1String(".db")))
            out << describeCopy(f.absoluteFilePath());
    }
    std::sort(out.begin(), out.end(), [](const CopyInfo& a, const CopyInfo& b) { return a.made > b.made; });
    return out;
}

QString lockFileOf(const QString& dbPath)
{
    return QFileInfo(dbPath).absoluteFilePath() + QStringLiteral(".lock");
}

RunningLock::RunningLock(const QString& dbPath) : m_path(lockFileOf(dbPath)) {}

RunningLock::~RunningLock()
{
    release();
}

bool RunningLock::hold(int waitMs)
{
    if (m_fd < 0)
        m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (m_fd < 0)
        return false;
    for (int waited = 0;; waited += 50) {
        if (::flock(m_fd, LOCK_SH | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            break;
        if (waited >= waitMs)
            break;
        QThread::msleep(50);
    }
    release();
    return false;
}

bool RunningLock::takeAlone()
{
    if (m_fd < 0)
        m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (m_fd < 0)
        return false;
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
        return true;
    ::flock(m_fd, LOCK_SH | LOCK_NB);   // the change may have let the shared lock go
    return false;
}

void RunningLock::share()
{
    if (m_fd >= 0)
        ::flock(m_fd, LOCK_SH | LOCK_NB);
}

void RunningLock::release()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

RestoreOutcome restoreFromCopy(const QString& dbPath, const QString& copyPath, const QDateTime& now,
                               RunningLock* lock)
{
    RestoreOutcome out;
    const QString unchanged = QStringLiteral(" База данных не изменена.");
    if (isServerName(dbPath)) {
        out.error = serverNotice();
        return out;
    }
    // The file itself: a link to it stays a link to the new file.
    QString db = QFileInfo(dbPath).canonicalFilePath();
    if (db.isEmpty())
        db = QFileInfo(dbPath).absoluteFilePath();
    if (QFileInfo(copyPath).canonicalFilePath() == db) {
        out.error = QStringLiteral("Выбран сам файл базы данных, а не копия.") + unchanged;
        return out;
    }
    if (const QString problem = checkCopy(copyPath); !problem.isEmpty()) {
        out.error = QStringLiteral("Копия \"%1\" не годится для восстановления: %2.").arg(shown(copyPath), problem)
            + unchanged;
        return out;
    }
    RunningLock own(dbPath);
    RunningLock* l = lock ? lock : &own;
    if (!l->takeAlone()) {
        out.error = QStringLiteral("База данных открыта другой копией программы (на этом или другом компьютере). "
                                   "Закройте все другие копии программы и повторите восстановление.")
            + unchanged;
        return out;
    }
    struct Share {
        RunningLock* l;
        bool own;
        ~Share() { own ? l->release() : l->share(); }
    } share{l, l == &own};

    // What the log (or a crash's journal) holds goes into the file first:
    // the file kept is then the whole database, and nothing left beside the
    // name applies to the file put there.
    const QString wal = db + QStringLiteral("-wal"), journal = db + QStringLiteral("-journal");
    if (QFileInfo(wal).size() > 0 || QFileInfo(journal).size() > 0) {
        try {
            Connection c;
            c.open(db);
        } catch (const DbError& e) {
            out.error = QStringLiteral("Текущую базу данных не удается закрыть начисто: %1.").arg(e.message())
                + unchanged;
            return out;
        }
        if (QFileInfo(wal).size() > 0 || QFileInfo(journal).size() > 0) {
            out.error = QStringLiteral("Журнал текущей базы данных не удается записать в файл (база данных "
                                       "открыта другой программой?).")
                + unchanged;
            return out;
        }
    }
    const QString folder = folderOf(dbPath);
    if (const QString p = folderProblem(folder, true); !p.isEmpty()) {
        out.error = QStringLiteral("Текущую базу данных некуда сохранить: %1").arg(p) + unchanged;
        return out;
    }
    const QString saved = QDir(folder).filePath(stemOf(dbPath) + now.toString(QStringLiteral("-'before-restore'-yyyy-MM-dd-HHmmss")) + QStringLiteral(".db"));
    if (QFileInfo::exists(saved)) {
        out.error = QStringLiteral("Файл \"%1\" уже есть.").arg(shown(saved)) + unchanged;
        return out;
    }
    // The copy's bytes beside the database, on disk, before anything is replaced.
    const QString temp = tempNameOf(db);
    QFile::remove(temp);
    if (const QString p = copyBytes(copyPath, temp); !p.isEmpty()) {
        out.error = p + unchanged;
        return out;
    }
    if (QFileInfo(temp).size() != QFileInfo(copyPath).size()) {
        QFile::remove(temp);
        out.error = QStringLiteral("Копия прочитана не полностью.") + unchanged;
        return out;
    }
    // The current file keeps a second name (the same bytes); where the disk
    // has no links, a copy of it, on disk.
    const QByteArray s = QFile::encodeName(saved);
    if (::link(QFile::encodeName(db).constData(), s.constData()) != 0) {
        const int err = errno;
        QString p = err == EEXIST ? QStringLiteral("Файл \"%1\" уже есть.").arg(shown(saved)) : QString();
        if (p.isEmpty())
            p = copyBytes(db, saved);
        if (!p.isEmpty()) {
            QFile::remove(temp);
            out.error = QStringLiteral("Текущую базу данных не удается сохранить: %1").arg(p) + unchanged;
            return out;
        }
    }
    syncFolder(folder);
    // One step: the name denotes the old file or the new one, never neither.
    if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(db).constData()) != 0) {
        const int err = errno;
        QFile::remove(temp);
        out.error = QStringLiteral("Файл базы данных не удается заменить: %1.").arg(systemReason(err)) + unchanged
            + QStringLiteral(" Ее копия: \"%1\".").arg(shown(saved));
        return out;
    }
    syncFolder(QFileInfo(db).absolutePath());
    // The old file's log index means nothing to the new one.
    if (!QFileInfo::exists(wal))
        QFile::remove(db + QStringLiteral("-shm"));
    out.ok = true;
    out.savedAs = saved;
    return out;
}

} // namespace backup
