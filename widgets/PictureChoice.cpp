#include "PictureChoice.h"

#include "Dialogs.h"
#include "ImageBox.h"
#include "PictureFile.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

PictureChoice choosePicture(QWidget* parent, ImageBox* box, const QString& chosen, const QString& folder)
{
    PictureChoice out;
    if (!QFileInfo(chosen).isFile()) {
        out.result = PictureChoice::Missing;
        return out;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString error;
    // A file that is no picture is neither shown nor copied.
    const QImage img = decodePicture(chosen, box->pictureArea(), &error);
    if (img.isNull()) {
        QApplication::restoreOverrideCursor();
        Dialogs::error(parent, error);
        return out;
    }
    const PictureImport imported = importPicture(chosen, folder, [parent](const QString& name) {
        QApplication::restoreOverrideCursor();
        const bool yes = Dialogs::ask(
            parent, QStringLiteral("Замена картинки"),
            QStringLiteral("В папке картинок уже есть другой файл \"%1\".\nЗаменить его выбранной картинкой?")
                .arg(name));
        QApplication::setOverrideCursor(Qt::WaitCursor);
        return yes;
    });
    QApplication::restoreOverrideCursor();
    switch (imported.result) {
    case PictureImport::Kept:
        out.result = PictureChoice::Kept;
        return out;
    case PictureImport::Failed:
        Dialogs::error(parent, imported.error);
        return out;
    default:
        break;
    }
    box->setPictureSource(QDir(folder).filePath(imported.name));
    box->showPicture(img);
    out.result = PictureChoice::Chosen;
    out.name = imported.name;
    return out;
}
