#pragma once
// The copy made while the program works: in a thread of its own, through a
// connection of its own, so that the windows stay usable. One copy at a
// time; its progress and its end are told to the main window.
#include "Backup.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace backup {

class Runner : public QObject {
    Q_OBJECT
public:
    static Runner& instance();
    ~Runner() override;

    // The database the copies are of; `lock` this copy of the program's
    // lock on it (may be null).
    void setDatabase(const QString& dbPath, RunningLock* lock);
    QString database() const { return m_db; }
    RunningLock* lock() const { return m_lock; }
    bool busy() const { return m_busy; }

    // The automatic copy: into the copies' folder when the day has none,
    // then the rotation. False when none was started.
    bool startDaily();
    // A copy now into `folder` (empty: the copies' folder). False while
    // another is being written.
    bool start(const QString& folder);
    // Stops a copy being written (nothing is left of it) and waits for its thread.
    void cancelAndWait();
    // Waits for the copy being written to end (tests, the benchmark).
    void wait();

    // The time the copies are named by (tests set their own).
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };

signals:
    void progressed(int percent);
    // automatic: the copy at start; `path` the copy written, else `error`.
    void finished(bool ok, bool automatic, const QString& path, const QString& error);

private:
    Runner() = default;
    void run(const QString& folder, bool automatic);
    void done(bool ok, bool automatic, const QString& path, const QString& error);

    QString m_db;
    RunningLock* m_lock = nullptr;
    bool m_busy = false;
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
};

} // namespace backup
