// The long random run: many steps of the storekeeper's work through the
// windows, for one or more seeds, with the figures of each run.
//   tooldb-random-run [steps [seed ...]]
// Defaults: 10000 steps, seeds 1 and 2 (TOOLDB_RANDOM_STEPS and
// TOOLDB_RANDOM_SEED are taken when set). Exit code 1 on the first failure,
// which names the seed and the step to replay.
#include "RandomRun.h"

#include <QApplication>
#include <QTextStream>

namespace {

// The offscreen platform's notes on window hints say nothing about the run.
QtMessageHandler previous = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (!text.contains(QLatin1String("propagateSizeHints")))
        previous(type, context, text);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    previous = qInstallMessageHandler(quietHandler);
    QStringList args = app.arguments().mid(1);
    const int steps = args.isEmpty() ? RandomRun::stepsFromEnv(10000) : args.takeFirst().toInt();
    QList<quint32> seeds;
    for (const QString& a : args)
        seeds << a.toUInt();
    if (seeds.isEmpty()) {
        const quint32 s = RandomRun::seedFromEnv(0);
        seeds = s ? QList<quint32>{s} : QList<quint32>{1, 2};
    }
    QTextStream out(stdout);
    if (steps <= 0) {
        out << "usage: tooldb-random-run [steps [seed ...]]\n";
        return 2;
    }
    for (quint32 seed : seeds) {
        RandomRun r(seed);
        bool ok = r.start();
        while (ok && r.stepsDone() < steps)
            ok = r.step();
        ok = ok && r.finish();
        out << "seed " << seed << ":\n" << r.report().join('\n') << '\n';
        out.flush();
        if (!ok) {
            out << "FAILED: " << r.failure() << '\n';
            return 1;
        }
    }
    return 0;
}
