#pragma once
// The editors' "Добавить картинку" after the file dialog: shows the chosen
// file on the editor's picture box and puts it into the picture folder,
// asking before a different file of the same name there is replaced.
#include <QString>

class ImageBox;
class QWidget;

struct PictureChoice {
    enum Result {
        Chosen,    // shown and in the folder under `name`
        Kept,      // the user kept the folder's own file: name and picture as they were
        Missing,   // the chosen file does not exist
        Failed,    // it cannot be decoded or copied (the user was told); name to clear
    };
    Result result = Failed;
    QString name;
};

PictureChoice choosePicture(QWidget* parent, ImageBox* box, const QString& chosen, const QString& folder);
