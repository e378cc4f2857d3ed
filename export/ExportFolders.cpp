#include "ExportFolders.h"

#include <QDir>
#include <QFileInfo>

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

} // namespace ExportFolders
