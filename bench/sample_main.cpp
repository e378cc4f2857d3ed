// tooldb-sample: writes a new database filled with sample data, to try the
// program on or to measure it.
#include "DbError.h"
#include "Engine.h"
#include "SampleData.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The temporary file being written, for the signal handler: an interrupted
// run (Ctrl+C, kill) leaves nothing behind. (SIGKILL cannot be caught: it
// leaves the hidden temporary file, never a database under the given name.)
// Who the file is on its disk, taken as it was made: a file put under its
// name since is not removed.
char g_tempFile[4096];
volatile sig_atomic_t g_tempKnown = 0;
dev_t g_tempDev = 0;
ino_t g_tempIno = 0;

extern "C" void onInterrupt(int sig)
{
    struct stat st;
    if (g_tempFile[0] && g_tempKnown && ::lstat(g_tempFile, &st) == 0 && st.st_dev == g_tempDev
        && st.st_ino == g_tempIno)
        ::unlink(g_tempFile);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void rememberTempFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    g_tempFile[0] = 0;   // never a half-copied name while the handler may run
    g_tempKnown = 0;
    struct stat st;
    if (!name.isEmpty() && ::lstat(name.constData(), &st) == 0) {
        g_tempDev = st.st_dev;
        g_tempIno = st.st_ino;
        g_tempKnown = 1;
    }
    if (!name.isEmpty() && size_t(name.size()) < sizeof g_tempFile) {
        std::memcpy(g_tempFile + 1, name.constData() + 1, size_t(name.size() - 1));
        g_tempFile[name.size()] = 0;
        g_tempFile[0] = name[0];
    }
}

QTextStream& out()
{
    static QTextStream s(stdout);
    return s;
}

QTextStream& err()
{
    static QTextStream s(stderr);
    return s;
}

bool readCount(const QCommandLineParser& p, const QString& name, int* target)
{
    if (!p.isSet(name))
        return true;
    bool ok = false;
    const int v = p.value(name).toInt(&ok);
    if (!ok || v < 0) {
        err() << QStringLiteral("Неверное значение --%1: \"%2\" (нужно целое число от 0).").arg(name, p.value(name))
              << Qt::endl;
        return false;
    }
    *target = v;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    // Pictures (their texts need the font system of a GUI application) are
    // drawn off screen; the program never opens a window.
    bool pictures = false;
    for (int i = 1; i < argc; ++i)
        pictures = pictures || qstrncmp(argv[i], "--images", 8) == 0;
    std::unique_ptr<QCoreApplication> appHolder;
    if (pictures) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        appHolder = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        appHolder = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication& app = *appHolder;
    QCoreApplication::setApplicationName(QStringLiteral("tooldb-sample"));

    const SampleOptions defaults;
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("Создает новую базу данных склада инструмента и заполняет ее примерными данными:\n"
                       "фирмы, операторы, учетные записи, сверла, фрезы, державки и пластины с остатками,\n"
                       "долги, закрытые долги, история прихода и списания.\n"
                       "Учетные записи: \"Администратор\" (пароль по умолчанию \"%1\", см. --password),\n"
                       "\"Кладовщик Петрова\" (пароль 1111), \"Кладовщик Сидоров\" (пароль 2222).\n"
                       "Существующий файл не перезаписывается; база пишется во временный файл рядом\n"
                       "и получает свое имя только готовой, так что прерванный запуск не оставляет базы.\n"
                       "Не больше %2 инструментов, %3 открытых долгов и %4 записей каждой истории.")
            .arg(defaults.password)
            .arg(MaxSampleTools)
            .arg(MaxSampleDebts)
            .arg(MaxSampleHistoryRows));
    p.addHelpOption();
    p.addPositionalArgument(QStringLiteral("PATH"),
                            QStringLiteral("Файл новой базы данных (например db_instr.db) или адрес пустой базы данных "
                                           "на сервере PostgreSQL (postgresql://пользователь@сервер/база)."));
    p.addOption({QStringLiteral("tools"), QStringLiteral("Число инструментов, поровну на четыре вида (%1).").arg(defaults.tools),
                 QStringLiteral("N")});
    p.addOption({QStringLiteral("debts"), QStringLiteral("Число открытых долгов (%1).").arg(defaults.debts),
                 QStringLiteral("N")});
    p.addOption({QStringLiteral("closed"), QStringLiteral("Число закрытых долгов (%1).").arg(defaults.closed),
                 QStringLiteral("N")});
    p.addOption({QStringLiteral("receipts"), QStringLiteral("Число записей истории прихода (%1).").arg(defaults.receipts),
                 QStringLiteral("N")});
    p.addOption({QStringLiteral("writeoffs"),
                 QStringLiteral("Число записей истории списания (%1).").arg(defaults.writeoffs), QStringLiteral("N")});
    p.addOption({QStringLiteral("password"),
                 QStringLiteral("Пароль учетной записи \"Администратор\" (по умолчанию \"%1\").").arg(defaults.password),
                 QStringLiteral("P")});
    p.addOption({QStringLiteral("images"),
                 QStringLiteral("Папка программы: в ее Images/Instrument, Images/FotoPeoples и Images/NoFoto "
                                "записываются примерные рисунки (без этого ключа рисунков нет)."),
                 QStringLiteral("DIR")});
    p.addOption({QStringLiteral("seed"),
                 QStringLiteral("Начальное число генератора; одно и то же число дает те же данные (%1).").arg(defaults.seed),
                 QStringLiteral("S")});
    p.process(app);

    const QStringList args = p.positionalArguments();
    if (args.size() != 1) {
        err() << QStringLiteral("Укажите один файл новой базы данных. Справка: tooldb-sample --help") << Qt::endl;
        return 1;
    }
    const QString path = args.first();
    const bool server = isServerName(path);
    if (!server && QFileInfo::exists(path)) {
        err() << QStringLiteral("Файл \"%1\" уже существует: он не будет перезаписан.").arg(path) << Qt::endl;
        return 1;
    }

    SampleOptions o;
    o.tempFileChanged = rememberTempFile;
    for (const int sig : {SIGINT, SIGTERM, SIGHUP})
        std::signal(sig, onInterrupt);
    if (!readCount(p, QStringLiteral("tools"), &o.tools) || !readCount(p, QStringLiteral("debts"), &o.debts)
        || !readCount(p, QStringLiteral("closed"), &o.closed) || !readCount(p, QStringLiteral("receipts"), &o.receipts)
        || !readCount(p, QStringLiteral("writeoffs"), &o.writeoffs))
        return 1;
    if (p.isSet(QStringLiteral("password")))
        o.password = p.value(QStringLiteral("password"));
    if (p.isSet(QStringLiteral("images")))
        o.imagesFolder = p.value(QStringLiteral("images"));
    if (p.isSet(QStringLiteral("seed"))) {
        bool ok = false;
        o.seed = p.value(QStringLiteral("seed")).toUInt(&ok);
        if (!ok) {
            err() << QStringLiteral("Неверное значение --seed: \"%1\".").arg(p.value(QStringLiteral("seed"))) << Qt::endl;
            return 1;
        }
    }

    QElapsedTimer t;
    t.start();
    try {
        writeSampleDatabase(path, o);
    } catch (const DbError& e) {
        err() << QStringLiteral("Ошибка: %1").arg(e.message()) << Qt::endl;
        return 1;
    }
    const double secs = t.nsecsElapsed() / 1e9;

    out() << QStringLiteral("Записана база данных %1\n").arg(server ? path : QFileInfo(path).absoluteFilePath())
          << QStringLiteral("  инструментов: %1 (поровну: сверла, пластины, фрезы, державки)\n").arg(o.tools)
          << QStringLiteral("  открытых долгов: %1, закрытых: %2\n").arg(o.debts).arg(o.closed)
          << QStringLiteral("  приходов: %1, списаний: %2\n").arg(o.receipts).arg(o.writeoffs)
          << QStringLiteral("  фирм: 20, операторов: 40, учетных записей: 3 (\"Администратор\", пароль \"%1\")\n")
                 .arg(o.password);
    if (!o.imagesFolder.isEmpty())
        out() << QStringLiteral("  рисунки: %1/Images\n").arg(QFileInfo(o.imagesFolder).absoluteFilePath());
    out() << QStringLiteral("  время: %1 с").arg(secs, 0, 'f', 2) << Qt::endl;
    return 0;
}
