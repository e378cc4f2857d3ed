#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString g_folder;
}

QString programFolder()
{
    if (g_folder.isEmpty() && QCoreApplication::instance())
        g_folder = QDir::cleanPath(QCoreApplication::applicationDirPath());
    return g_folder;
}

void setProgramFolder(const QString& folder)
{
    QString f = QDir::cleanPath(folder);
    while (f.size() > 1 && f.endsWith(QLatin1Char('/')))
        f.chop(1);
    g_folder = f;
}

QString instrumentFolder() { return programFolder() + QStringLiteral("/Images/Instrument/"); }
QString peopleFolder() { return programFolder() + QStringLiteral("/Images/FotoPeoples/"); }
QString noFotoFile() { return programFolder() + QStringLiteral("/Images/NoFoto/null_img_1.jpg"); }
