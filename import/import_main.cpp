// tooldb-import: moves the old program's database (db_instr.mdb, an Access
// file) into a new database of this program and prints what it brought in
// and what the consistency check finds on the result.
// Exit status: 0 imported, 1 nothing imported (the reason printed), 2 a bad
// command line.
#include "Import.h"
#include "RuFormat.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <csignal>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The hidden file being written, for the signal handler: an interrupted run
// (Ctrl+C, kill) leaves nothing behind. Who the file is on its disk, taken
// as it was made: a file put under its name since is not removed.
char g_tempFile[4096];
volatile sig_atomic_t g_tempKnown = 0;
dev_t g_tempDev = 0;
ino_t g_tempIno = 0;

// A signal that came while no hidden file was known: the import stops at
// its next step, and the program then ends by that signal.
volatile sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int sig)
{
    struct stat st;
    if (!g_tempKnown) {
        g_interrupted = sig;
        return;
    }
    if (::lstat(g_tempFile, &st) == 0 && st.st_dev == g_tempDev && st.st_ino == g_tempIno) {
        ::unlink(g_tempFile);
        // The write-ahead log and its index beside it.
        const size_t n = std::strlen(g_tempFile);
        if (n + 5 < sizeof g_tempFile) {
            std::memcpy(g_tempFile + n, "-wal", 5);
            ::unlink(g_tempFile);
            std::memcpy(g_tempFile + n, "-shm", 5);
            ::unlink(g_tempFile);
        }
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void rememberTempFile(const QString& path)
{
    g_tempKnown = 0;
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (name.isEmpty() || size_t(name.size()) + 8 >= sizeof g_tempFile || ::lstat(name.constData(), &st) != 0)
        return;
    std::memcpy(g_tempFile, name.constData(), size_t(name.size()) + 1);
    g_tempDev = st.st_dev;
    g_tempIno = st.st_ino;
    g_tempKnown = 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tooldb-import"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Переносит базу данных старой программы (db_instr.mdb, файл Access) в новую базу данных\n"
        "этой программы: все таблицы со всеми строками, их ключами (ID), пустыми значениями,\n"
        "текстами, числами и датами как есть. Старый файл только читается. Новый файл не\n"
        "перезаписывает существующий: пишется рядом и получает свое имя только готовым, так что\n"
        "прерванный перенос ничего не оставляет. Затем печатает, что перенесено, и что находит\n"
        "проверка (как tooldb-check); ничего не исправляет.\n"
        "DEST - новый файл (например db_instr.db) или пустая база на сервере PostgreSQL\n"
        "(postgresql://пользователь@сервер/база).\n"
        "Код выхода: 0 - перенесено, 1 - ничего не перенесено, 2 - неверная командная строка."));
    p.addHelpOption();
    p.addPositionalArgument(QStringLiteral("OLD.mdb"), QStringLiteral("База данных старой программы."));
    p.addPositionalArgument(QStringLiteral("DEST"), QStringLiteral("Новая база данных."));
    p.addOption({QStringLiteral("images"),
                 QStringLiteral("Папка старой программы: рисунки из ее Images/Instrument, Images/FotoPeoples и "
                                "Images/NoFoto копируются в папки этой программы."),
                 QStringLiteral("OLD_PROGRAM_FOLDER")});
    p.addOption({QStringLiteral("program-folder"),
                 QStringLiteral("Папка этой программы, куда копируются рисунки (по умолчанию папка tooldb-import, "
                                "она же папка tooldb)."),
                 QStringLiteral("DIR")});
    p.process(app);
    const QStringList args = p.positionalArguments();
    if (args.size() != 2) {
        err << QStringLiteral("Укажите файл старой базы и новую базу данных. Справка: tooldb-import --help")
            << Qt::endl;
        return 2;
    }

    ImportOptions o;
    if (p.isSet(QStringLiteral("images"))) {
        o.oldProgramFolder = p.value(QStringLiteral("images"));
        o.programFolder = p.isSet(QStringLiteral("program-folder")) ? p.value(QStringLiteral("program-folder"))
                                                                     : QCoreApplication::applicationDirPath();
    }
    o.tempFileChanged = rememberTempFile;
    for (const int sig : {SIGINT, SIGTERM, SIGHUP})
        std::signal(sig, onInterrupt);
    o.progress = [&](qint64 done, qint64 total) {
        err << QStringLiteral("\r  строк: %1 из %2").arg(done / 2).arg(total / 2) << Qt::flush;
        return g_interrupted == 0;
    };

    const ImportOutcome r = importOldDatabase(args[0], args[1], o);
    if (!r.ok && g_interrupted) {
        std::signal(g_interrupted, SIG_DFL);
        std::raise(g_interrupted);
    }
    err << '\r' << QString(40, QLatin1Char(' ')) << '\r' << Qt::flush;
    if (!r.ok) {
        err << QStringLiteral("Ничего не перенесено: %1").arg(r.error) << Qt::endl;
        return 1;
    }
    for (const QString& line : r.lines)
        out << line << '\n';
    out << QStringLiteral("Время переноса: %1 с").arg(ru::locale().toString(r.seconds, 'f', 3)) << Qt::endl;
    return 0;
}
