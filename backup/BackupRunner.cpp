#include "BackupRunner.h"

#include "Engine.h"

#include <QFileInfo>
#include <QMetaObject>

namespace backup {

Runner& Runner::instance()
{
    static Runner r;
    return r;
}

Runner::~Runner()
{
    cancelAndWait();
}

void Runner::setDatabase(const QString& dbPath, RunningLock* lock)
{
    m_db = isServerName(dbPath) ? dbPath : QFileInfo(dbPath).absoluteFilePath();
    m_lock = lock;
}

bool Runner::startDaily()
{
    if (m_busy || m_db.isEmpty() || isServerName(m_db) || !dailyCopyDue(m_db, clock().date()))
        return false;
    run(folderOf(m_db), true);
    return true;
}

bool Runner::start(const QString& folder)
{
    if (m_busy || m_db.isEmpty() || isServerName(m_db))
        return false;
    run(folder.isEmpty() ? folderOf(m_db) : folder, false);
    return true;
}

void Runner::run(const QString& folder, bool automatic)
{
    wait();
    m_busy = true;
    m_cancel = false;
    const QString db = m_db;
    const QDateTime now = clock();
    m_thread = std::thread([this, db, folder, now, automatic] {
        int shown = -1;
        const bool own = QFileInfo(folder).absoluteFilePath() == QFileInfo(folderOf(db)).absoluteFilePath();
        if (own)
            removeLeftovers(folder, now);
        CopyOutcome r = makeCopy(db, folder, now, [&](qint64 done, qint64 total) {
            const int percent = total > 0 ? int(done * 100 / total) : 0;
            if (percent != shown) {
                shown = percent;
                QMetaObject::invokeMethod(this, [this, percent] { emit progressed(percent); }, Qt::QueuedConnection);
            }
        }, &m_cancel);
        if (r.ok && own)
            rotate(folder, stemOf(db), now.date());
        QMetaObject::invokeMethod(
            this, [this, r, automatic] { done(r.ok, automatic, r.path, r.cancelled ? QString() : r.error); },
            Qt::QueuedConnection);
    });
}

void Runner::done(bool ok, bool automatic, const QString& path, const QString& error)
{
    wait();
    if (!error.isEmpty() || ok)
        emit finished(ok, automatic, path, error);
}

void Runner::wait()
{
    if (m_thread.joinable())
        m_thread.join();
    m_busy = false;
}

void Runner::cancelAndWait()
{
    m_cancel = true;
    wait();
}

} // namespace backup
