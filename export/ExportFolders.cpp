#include "ExportFolders.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <unistd.h>

namespace ExportFolders {

namespace {
const char* const Prefix = "tooldb-export-";
}

QString temporaryFolder()
{
    const QString tmpdir = qEnvironmentVariable("TMPDIR");
    if (!tmpdir.isEmpty()) {
        const QFileInfo dir(tmpdir);
        if (dir.isAbsolute() && dir.isDir() && dir.isWritable() && dir.isExecutable())
            return dir.canonicalFilePath();
    }
    return QStringLiteral("/tmp");
}

QString folderTemplate()
{
    return QString::fromLatin1(Prefix) + QStringLiteral("XXXXXX");
}

bool isExportFolderName(const QString& name)
{
    // QTemporaryDir puts letters and digits in place of the X's.
    static const QRegularExpression own(QStringLiteral("^%1[0-9A-Za-z]{6}$").arg(QLatin1String(Prefix)));
    return own.match(name).hasMatch();
}

int removeOld(const QString& base)
{
    const QDateTime dayAgo = QDateTime::currentDateTimeUtc().addDays(-1);
    const QDir dir(base);
    int removed = 0;
    const QFileInfoList entries =
        dir.entryInfoList({QString::fromLatin1(Prefix) + QLatin1Char('*')}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo& folder : entries) {
        if (folder.isSymLink() || !folder.isDir() || !isExportFolderName(folder.fileName())
            || folder.ownerId() != uint(geteuid()))
            continue;
        // A workbook saved again in its folder keeps the folder.
        QDateTime changed = folder.lastModified().toUTC();
        const QFileInfoList files = QDir(folder.filePath()).entryInfoList(
            QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
        for (const QFileInfo& f : files)
            changed = std::max(changed, f.lastModified().toUTC());
        if (changed >= dayAgo)
            continue;
        if (QDir(folder.filePath()).removeRecursively())
            ++removed;
    }
    return removed;
}

} // namespace ExportFolders
