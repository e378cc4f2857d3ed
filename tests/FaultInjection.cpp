#include "FaultInjection.h"

#include "Connection.h"

#include <sqlite3.h>

#include <cstring>

namespace FaultInjection {
namespace {

sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;

int g_seen = 0;
int g_failed = 0;
int g_nth = 0;        // 0: nothing armed
bool g_sticky = false;
Fault g_fault = Fault::IoError;
std::function<void(const QString&)> g_beforeOpen;

// Our file wraps the real one, which lives right behind it.
struct File {
    sqlite3_file base;
    sqlite3_file* real;
};

sqlite3_file* real(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }

int xClose(sqlite3_file* f)
{
    sqlite3_file* r = real(f);
    const int rc = r->pMethods ? r->pMethods->xClose(r) : SQLITE_OK;
    r->pMethods = nullptr;
    return rc;
}
int xRead(sqlite3_file* f, void* buf, int n, sqlite3_int64 off) { return real(f)->pMethods->xRead(real(f), buf, n, off); }
int xWrite(sqlite3_file* f, const void* buf, int n, sqlite3_int64 off)
{
    ++g_seen;
    if (g_nth > 0 && (g_seen == g_nth || (g_sticky && g_seen > g_nth))) {
        ++g_failed;
        return g_fault == Fault::DiskFull ? SQLITE_FULL : SQLITE_IOERR_WRITE;
    }
    return real(f)->pMethods->xWrite(real(f), buf, n, off);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) { return real(f)->pMethods->xTruncate(real(f), size); }
int xSync(sqlite3_file* f, int flags) { return real(f)->pMethods->xSync(real(f), flags); }
int xFileSize(sqlite3_file* f, sqlite3_int64* size) { return real(f)->pMethods->xFileSize(real(f), size); }
int xLock(sqlite3_file* f, int l) { return real(f)->pMethods->xLock(real(f), l); }
int xUnlock(sqlite3_file* f, int l) { return real(f)->pMethods->xUnlock(real(f), l); }
int xCheckReservedLock(sqlite3_file* f, int* out) { return real(f)->pMethods->xCheckReservedLock(real(f), out); }
int xFileControl(sqlite3_file* f, int op, void* arg) { return real(f)->pMethods->xFileControl(real(f), op, arg); }
int xSectorSize(sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); }
int xDeviceCharacteristics(sqlite3_file* f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); }
int xShmMap(sqlite3_file* f, int pg, int sz, int extend, void volatile** p)
{
    return real(f)->pMethods->xShmMap(real(f), pg, sz, extend, p);
}
int xShmLock(sqlite3_file* f, int off, int n, int flags) { return real(f)->pMethods->xShmLock(real(f), off, n, flags); }
void xShmBarrier(sqlite3_file* f) { real(f)->pMethods->xShmBarrier(real(f)); }
int xShmUnmap(sqlite3_file* f, int del) { return real(f)->pMethods->xShmUnmap(real(f), del); }
int xFetch(sqlite3_file* f, sqlite3_int64 off, int n, void** p) { return real(f)->pMethods->xFetch(real(f), off, n, p); }
int xUnfetch(sqlite3_file* f, sqlite3_int64 off, void* p) { return real(f)->pMethods->xUnfetch(real(f), off, p); }

const sqlite3_io_methods kMethods = {
    3, xClose, xRead, xWrite, xTruncate, xSync, xFileSize, xLock, xUnlock, xCheckReservedLock, xFileControl,
    xSectorSize, xDeviceCharacteristics, xShmMap, xShmLock, xShmBarrier, xShmUnmap, xFetch, xUnfetch,
};
// For real files of an older method version (no shared memory, no mapping).
const sqlite3_io_methods kMethods1 = {
    1, xClose, xRead, xWrite, xTruncate, xSync, xFileSize, xLock, xUnlock, xCheckReservedLock, xFileControl,
    xSectorSize, xDeviceCharacteristics, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
};

int vOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags)
{
    auto* file = reinterpret_cast<File*>(f);
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    file->real->pMethods = nullptr;
    const int rc = g_real->xOpen(g_real, name, file->real, flags, outFlags);
    const sqlite3_io_methods* m = file->real->pMethods;
    file->base.pMethods = !m ? nullptr : (m->iVersion >= 3 ? &kMethods : &kMethods1);
    return rc;
}
int vDelete(sqlite3_vfs*, const char* n, int sync) { return g_real->xDelete(g_real, n, sync); }
int vAccess(sqlite3_vfs*, const char* n, int flags, int* out) { return g_real->xAccess(g_real, n, flags, out); }
// The engine resolves a name (links followed) before it opens the file.
int vFullPathname(sqlite3_vfs*, const char* n, int size, char* out)
{
    if (g_beforeOpen && n)
        g_beforeOpen(QString::fromUtf8(n));
    return g_real->xFullPathname(g_real, n, size, out);
}
void* vDlOpen(sqlite3_vfs*, const char* n) { return g_real->xDlOpen(g_real, n); }
void vDlError(sqlite3_vfs*, int n, char* msg) { g_real->xDlError(g_real, n, msg); }
void (*vDlSym(sqlite3_vfs*, void* h, const char* s))(void) { return g_real->xDlSym(g_real, h, s); }
void vDlClose(sqlite3_vfs*, void* h) { g_real->xDlClose(g_real, h); }
int vRandomness(sqlite3_vfs*, int n, char* out) { return g_real->xRandomness(g_real, n, out); }
int vSleep(sqlite3_vfs*, int us) { return g_real->xSleep(g_real, us); }
int vCurrentTime(sqlite3_vfs*, double* t) { return g_real->xCurrentTime(g_real, t); }
int vGetLastError(sqlite3_vfs*, int n, char* out) { return g_real->xGetLastError(g_real, n, out); }
int vCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* t) { return g_real->xCurrentTimeInt64(g_real, t); }

} // namespace

void install()
{
    if (g_real)
        return;
    sqlite3_initialize();
    g_real = sqlite3_vfs_find(nullptr);
    std::memset(&g_vfs, 0, sizeof g_vfs);
    g_vfs.iVersion = 2;
    g_vfs.szOsFile = int(sizeof(File)) + g_real->szOsFile;
    g_vfs.mxPathname = g_real->mxPathname;
    g_vfs.zName = "faultinjection";
    g_vfs.xOpen = vOpen;
    g_vfs.xDelete = vDelete;
    g_vfs.xAccess = vAccess;
    g_vfs.xFullPathname = vFullPathname;
    g_vfs.xDlOpen = vDlOpen;
    g_vfs.xDlError = vDlError;
    g_vfs.xDlSym = vDlSym;
    g_vfs.xDlClose = vDlClose;
    g_vfs.xRandomness = vRandomness;
    g_vfs.xSleep = vSleep;
    g_vfs.xCurrentTime = vCurrentTime;
    g_vfs.xGetLastError = vGetLastError;
    g_vfs.xCurrentTimeInt64 = vCurrentTimeInt64;
    sqlite3_vfs_register(&g_vfs, 1);
}

void failWrite(int nth, Fault fault, bool sticky)
{
    g_seen = 0;
    g_failed = 0;
    g_nth = nth;
    g_fault = fault;
    g_sticky = sticky;
}

void clear() { failWrite(0); }
void beforeOpen(std::function<void(const QString& path)> hook) { g_beforeOpen = std::move(hook); }
int writesSeen() { return g_seen; }
int faultsInjected() { return g_failed; }

int everyWriteFails(Fault fault, bool sticky, const std::function<void(int nth)>& attempt)
{
    for (int nth = 1;; ++nth) {
        failWrite(nth, fault, sticky);
        attempt(nth);
        const bool met = g_failed > 0;
        clear();
        if (!met)
            return nth - 1;
    }
}

QString addFailingTrigger(Connection& c, const QString& table, const QString& operation, const QString& message)
{
    const QString name = QStringLiteral("fault_%1_%2").arg(table, operation.toLower());
    QString quoted = message;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    if (c.isServer()) {
        // A server's trigger calls a function that raises the error.
        c.exec(QStringLiteral("CREATE OR REPLACE FUNCTION \"%1\"() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION '%2'; "
                              "END $$ LANGUAGE plpgsql")
                   .arg(name, quoted));
        c.exec(QStringLiteral("CREATE TRIGGER \"%1\" BEFORE %2 ON \"%3\" FOR EACH ROW EXECUTE FUNCTION \"%1\"()")
                   .arg(name, operation.toUpper(), table));
        return table + QLatin1Char('|') + name;
    }
    c.exec(QStringLiteral("CREATE TRIGGER \"%1\" BEFORE %2 ON \"%3\" BEGIN SELECT RAISE(ABORT, '%4'); END")
               .arg(name, operation.toUpper(), table, quoted));
    return name;
}

void dropFailingTrigger(Connection& c, const QString& name)
{
    if (c.isServer()) {
        const QString table = name.section(QLatin1Char('|'), 0, 0), fn = name.section(QLatin1Char('|'), 1);
        c.exec(QStringLiteral("DROP TRIGGER IF EXISTS \"%1\" ON \"%2\"").arg(fn, table));
        c.exec(QStringLiteral("DROP FUNCTION IF EXISTS \"%1\"()").arg(fn));
        return;
    }
    c.exec(QStringLiteral("DROP TRIGGER IF EXISTS \"%1\"").arg(name));
}

} // namespace FaultInjection
