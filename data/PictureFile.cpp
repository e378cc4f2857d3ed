#include "PictureFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

bool isBarePictureName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() == 0)
            return false;
    return true;
}

namespace {

bool isInside(const QString& canonicalFile, const QString& canonicalFolder)
{
    return !canonicalFile.isEmpty() && !canonicalFolder.isEmpty() &&
           canonicalFile.startsWith(canonicalFolder + QLatin1Char('/'));
}

// Whether two files hold the same bytes, read piece by piece.
bool sameContent(const QString& a, const QString& b)
{
    QFile fa(a), fb(b);
    if (fa.size() != fb.size() || !fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    constexpr qint64 piece = 1 << 20;
    for (;;) {
        const QByteArray x = fa.read(piece);
        const QByteArray y = fb.read(piece);
        if (x != y)
            return false;
        if (x.isEmpty())
            return fa.atEnd() && fb.atEnd();
    }
}

} // namespace

QString pictureFileIn(const QString& folder, const QString& name)
{
    if (!isBarePictureName(name))
        return QString();
    const QString path = QDir(folder).filePath(name);
    const QFileInfo fi(path);
    if (!fi.isFile())
        return QString();
    if (!isInside(fi.canonicalFilePath(), QFileInfo(folder).canonicalFilePath()))
        return QString();
    return path;
}

PictureImport importPicture(const QString& chosen, const QString& folder,
                            const std::function<bool(const QString& name)>& replace)
{
    PictureImport out;
    const QFileInfo src(chosen);
    if (!src.isFile()) {
        out.error = QStringLiteral("Файл \"%1\" не найден.").arg(chosen);
        return out;
    }
    QDir().mkpath(folder);
    const QString dir = QFileInfo(folder).canonicalFilePath();
    if (dir.isEmpty()) {
        out.error = QStringLiteral("Не удается создать папку \"%1\".").arg(folder);
        return out;
    }
    // The same file reached through another path (a link to the program
    // folder, "..", a linked file) is the one already in the folder.
    const QFileInfo resolved(src.canonicalFilePath());
    if (resolved.absolutePath() == dir) {
        out.result = PictureImport::InFolder;
        out.name = resolved.fileName();
        return out;
    }

    const QString name = src.fileName();
    const QString target = dir + QLatin1Char('/') + name;
    const QFileInfo there(target);
    if (there.exists() || there.isSymLink()) {
        if (there.isDir()) {
            out.error = QStringLiteral("В папке \"%1\" уже есть папка \"%2\".").arg(dir, name);
            return out;
        }
        if (!there.isSymLink() && sameContent(src.absoluteFilePath(), target)) {
            out.result = PictureImport::SameBytes;
            out.name = name;
            return out;
        }
        if (!replace || !replace(name)) {
            out.result = PictureImport::Kept;
            return out;
        }
    }

    const QString cannotCopy = QStringLiteral("Не удается скопировать картинку в \"%1\".").arg(target);
    QFile in(src.absoluteFilePath());
    if (!in.open(QIODevice::ReadOnly)) {
        out.error = cannotCopy;
        return out;
    }
    QTemporaryFile tmp(dir + QStringLiteral("/.") + name + QStringLiteral(".XXXXXX"));
    if (!tmp.open()) {
        out.error = cannotCopy;
        return out;
    }
    constexpr qint64 piece = 1 << 20;
    for (;;) {
        const QByteArray data = in.read(piece);
        if (data.isEmpty()) {
            if (!in.atEnd()) {
                out.error = cannotCopy;
                return out;
            }
            break;
        }
        if (tmp.write(data) != data.size()) {
            out.error = cannotCopy;
            return out;
        }
    }
    tmp.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                       QFileDevice::ReadOther);
    if (!tmp.flush() || ::fsync(tmp.handle()) != 0) {
        out.error = cannotCopy;
        return out;
    }
    // rename() puts the complete copy in place in one step; the old file of
    // that name (if any) stays whole until then.
    if (std::rename(QFile::encodeName(tmp.fileName()).constData(), QFile::encodeName(target).constData()) != 0) {
        out.error = cannotCopy;
        return out;
    }
    tmp.setAutoRemove(false);
    out.result = PictureImport::Copied;
    out.name = name;
    return out;
}
