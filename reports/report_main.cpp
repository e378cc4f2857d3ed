// tooldb-report: a named list of the storeroom's database as CSV or a
// workbook, for the purchasing office and scheduled jobs (see ReportRegistry.h).
#include "ReportRegistry.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QStringConverter>
#include <QTextStream>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    // Pictures of charts are drawn without a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A scheduled job has no session: its runtime folder as Qt would make it, without the warning.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString dir = QDir::tempPath() + QStringLiteral("/runtime-%1").arg(getuid());
        if (QDir().mkpath(dir)) {
            QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir));
        }
    }
    QGuiApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    QStringList args = app.arguments();
    args.removeFirst();
    const int rc = reports::runReport(args, out, err);
    out.flush();
    err.flush();
    return rc;
}
