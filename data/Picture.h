#pragma once
// Pictures of tools and operators: decoding for display, and the image
// controls the data module shows them on.
#include <QImage>
#include <QSize>
#include <QString>

// Decodes a JPEG (with libjpeg, scaled in the DCT to about the area it is
// shown in), a Windows bitmap or an icon. A null image, with the reason in
// *error, for a file that cannot be decoded; never crashes on a bad file.
QImage decodePicture(const QString& path, const QSize& fitInto = QSize(), QString* error = nullptr);

// An image control a window lends to the data module (targets 1 to 7).
class PictureTarget {
public:
    virtual ~PictureTarget() = default;
    virtual QSize pictureArea() const = 0;       // size the picture is shown at
    virtual void showPicture(const QImage& image) = 0;
    virtual void hidePicture() = 0;
};
