#pragma once
// Copies of the database file and the restore from one.
//
// The copies live in the folder "Backup" beside the database. The daily copy
// of a database "NAME.db" is "Backup/NAME-YYYY-MM-DD.db"; a copy made by
// hand on a day that already has one gets the time as well
// ("NAME-YYYY-MM-DD-HHMMSS.db"); the file a restore replaced is kept as
// "NAME-before-restore-YYYY-MM-DD-HHMMSS.db". Each copy is written under a
// temporary name ("….part"), checked (the engine's integrity check, and that
// it opens as this program's database) and only then given its name, never
// over an existing file: a file under a copy's name is always a whole,
// checked copy.
//
// Rotation keeps the 14 newest daily copies and the first copy of each of the
// last 12 months (the current month and the 11 before it); it deletes older
// daily copies only, never a file of any other name.
//
// Every copy of the program holds a shared lock on "NAME.db.lock" beside the
// database for as long as it runs; a restore takes the lock for itself alone,
// so it is refused while another copy has the file open.
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>

namespace backup {

inline constexpr int KeptDays = 14;
inline constexpr int KeptMonths = 12;

// The folder of the copies of the database file at `dbPath`.
QString folderOf(const QString& dbPath);
// "db_instr" of ".../db_instr.db".
QString stemOf(const QString& dbPath);
QString dailyName(const QString& stem, const QDate& day);
// The day of a daily copy's file name; none for any other name.
std::optional<QDate> dailyDate(const QString& fileName, const QString& stem);
// What rotation keeps of the daily copies' days, on `today`.
QList<QDate> keptDays(QList<QDate> days, const QDate& today);

// The daily copies in `folder` removed by the rotation on `today`; their
// names returned. `error` the first file that could not be removed.
QStringList rotate(const QString& folder, const QString& stem, const QDate& today, QString* error = nullptr);
// Whether the day has no daily copy yet.
bool dailyCopyDue(const QString& dbPath, const QDate& today);

// Temporary files of copies that were cut short (a kill, a power cut) and
// left more than an hour ago, removed.
void removeLeftovers(const QString& folder, const QDateTime& now);

struct CopyOutcome {
    bool ok = false;
    bool cancelled = false;
    QString path;      // the copy written
    QString error;     // why not, in the person's words
};

// Writes a checked copy of the database into `folder` under `name` (empty:
// the daily name of `now`'s day, or with the time when that is taken). Reads
// through a connection of its own; others may go on writing. progress gets
// the pages copied; `cancel` set stops it (nothing is left behind).
CopyOutcome makeCopy(const QString& dbPath, const QString& folder, const QDateTime& now,
                     const std::function<void(qint64, qint64)>& progress = {},
                     const std::atomic<bool>* cancel = nullptr, const QString& name = {});

// What a copy holds, for the restore list.
struct CopyInfo {
    QString path;
    QDateTime made;     // from the name, else the file's time
    qint64 size = 0;
    qint64 tools = -1;  // -1: could not be read
    qint64 debts = -1;
    QString problem;    // why it cannot be read (empty when it can)
};
CopyInfo describeCopy(const QString& path);
// The copies of the database in its folder (daily, by hand, before a
// restore), the newest first.
QList<CopyInfo> listCopies(const QString& dbPath);

// Empty when the file is a sound database of this program, else the reason.
// `quick`: the engine's quick check (every page read, the indexes not
// compared with their tables), for a first look before the full one.
QString checkCopy(const QString& path, bool quick = false);

// The lock every running copy of the program holds on its database file.
class RunningLock {
public:
    explicit RunningLock(const QString& dbPath);
    ~RunningLock();
    // Takes the shared lock, waiting up to `waitMs` for a restore in
    // progress to end; false when it could not (the program starts anyway).
    bool hold(int waitMs = 30000);
    // Takes the lock for this copy alone: false while another copy holds it.
    bool takeAlone();
    // Back to the shared lock after takeAlone.
    void share();
    void release();
    bool held() const { return m_fd >= 0; }
    RunningLock(const RunningLock&) = delete;
    RunningLock& operator=(const RunningLock&) = delete;

private:
    QString m_path;
    int m_fd = -1;
};
QString lockFileOf(const QString& dbPath);

struct RestoreOutcome {
    bool ok = false;
    QString savedAs;   // the replaced file kept under this name
    QString error;     // why nothing was changed
};

// Replaces the database file with the copy: checks the copy, takes the lock
// alone (refused while another copy of the program has the file open), keeps
// the current file as "NAME-before-restore-<now>.db" in the copies' folder
// (byte for byte), and puts a copy of the copy in its place in one step.
// Every connection of this process to the file must be closed. On a refusal
// or failure the database file is as it was. `lock` this process's lock
// (null: none held).
RestoreOutcome restoreFromCopy(const QString& dbPath, const QString& copyPath, const QDateTime& now,
                               RunningLock* lock);

// The messages of the automatic copy and of the commands.
QString serverNotice();

} // namespace backup
