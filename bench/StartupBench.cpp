#include "StartupBench.h"

#include "DbError.h"
#include "Dialogs.h"
#include "Program.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QStyleFactory>

#include <cstdio>
#include <cstring>

#include <sys/resource.h>

namespace {

// The processor time of this process so far (user and system), in ms.
double processCpuMs()
{
    struct rusage u;
    if (getrusage(RUSAGE_SELF, &u) != 0)
        return -1;
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

void sayDone()
{
    std::printf("done %.1f\n", processCpuMs());
    std::fflush(stdout);
}

// Stands in for the person: the login window's showing is the moment timed;
// it is then given up, which ends the program as a failed login does.
class LoginWatch : public Dialogs::User {
public:
    void message(QWidget*, Dialogs::Icon, const QString&, const QString& text) override
    {
        if (!shown)
            std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    }
    bool question(QWidget*, Dialogs::Icon, const QString&, const QString&) override { return false; }
    int modal(QDialog* dialog) override
    {
        if (!shown && dialog->objectName() == QLatin1String("frm_Pasword")) {
            dialog->show();
            QCoreApplication::processEvents();
            shown = true;
            sayDone();
            dialog->hide();
        }
        return QDialog::Rejected;
    }
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    bool text(QWidget*, const QString&, const QString&, QString*, bool) override { return false; }
    bool shown = false;
};

} // namespace

int startChildMain(int argc, char** argv, const std::function<void(const QString&)>& floorWork)
{
    if (argc != 3 || (std::strcmp(argv[1], "--start-program") != 0 && std::strcmp(argv[1], "--start-floor") != 0))
        return -1;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool program = std::strcmp(argv[1], "--start-program") == 0;
    const QString path = QString::fromLocal8Bit(argv[2]);
    // As the program's main() starts.
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    if (!program) {
        try {
            floorWork(path);
        } catch (const DbError& e) {
            std::fprintf(stderr, "%s\n", e.message().toUtf8().constData());
            return 1;
        }
        sayDone();
        return 0;
    }
    LoginWatch watch;
    Dialogs::setUser(&watch);
    Program::Run(path);
    Dialogs::setUser(nullptr);
    return watch.shown ? 0 : 1;
}

double timeStartChild(const QString& mode, const QString& path, double* cpuMs)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer t;
    t.start();
    p.start(QCoreApplication::applicationFilePath(), {mode, path});
    QByteArray out;
    double ms = -1;
    while (p.waitForReadyRead(120000) || p.bytesAvailable() > 0) {
        out += p.readAllStandardOutput();
        const int at = out.indexOf("done ");
        if (at >= 0 && out.indexOf('\n', at) > at) {
            ms = double(t.nsecsElapsed()) / 1e6;
            if (cpuMs)
                *cpuMs = out.mid(at + 5, out.indexOf('\n', at) - at - 5).toDouble();
            break;
        }
    }
    p.waitForFinished(120000);
    if (ms < 0 || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw DbError(QStringLiteral("the start (%1) failed: %2").arg(mode, QString::fromUtf8(p.readAllStandardError())));
    return ms;
}

void leaveKilledRunMark(const QString& path)
{
    QFile f(path + QStringLiteral("-run-999999999-1"));
    if (!f.open(QIODevice::WriteOnly) || f.write("tooldb 999999999 (killed)\n") <= 0)
        throw DbError(QStringLiteral("cannot write %1").arg(f.fileName()));
}
