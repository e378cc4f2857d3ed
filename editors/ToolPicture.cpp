#include "ToolPicture.h"

#include "Dialogs.h"
#include "ImageBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

PictureChoice choosePicture(QWidget* parent, ImageBox* box, const QString& chosen, const QString& folder)
{
    PictureChoice out;
    const QFileInfo fi(chosen);
    if (!fi.isFile()) {
        out.result = PictureChoice::Missing;
        return out;
    }
    QString error;
    const QImage img = decodePicture(chosen, box->pictureArea(), &error);
    if (img.isNull()) {
        Dialogs::error(parent, error);
        return out;
    }
    if (fi.absolutePath() != folder) {
        QDir().mkpath(folder);
        const QString target = folder + QLatin1Char('/') + fi.fileName();
        QFile::remove(target);
        if (!QFile::copy(chosen, target)) {
            Dialogs::error(parent, QStringLiteral("Не удается скопировать картинку."));
            return out;
        }
    }
    box->showPicture(img);
    out.result = PictureChoice::Chosen;
    out.name = fi.fileName();
    return out;
}
