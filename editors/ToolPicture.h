#pragma once
// Until the shared picture choice is in: the chosen file shown and copied
// into the tools' picture folder.
#include <QString>

class ImageBox;
class QWidget;

struct PictureChoice {
    enum Result { Chosen, Kept, Missing, Failed };
    Result result = Failed;
    QString name;
};

PictureChoice choosePicture(QWidget* parent, ImageBox* box, const QString& chosen, const QString& folder);
