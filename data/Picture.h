#pragma once
// Pictures of tools and operators: decoding for display, and the image
// controls the data module shows them on.
#include <QImage>
#include <QSize>
#include <QString>

// Limits of what is decoded at all. A file beyond them is treated as one
// that cannot be decoded (the placeholder is shown, no error box):
//  - a file larger than 64 MB is never read;
//  - a picture whose header gives more than 100 megapixels (40 for a
//    progressive JPEG, which the decoder must hold whole in memory) is not
//    decoded;
//  - the JPEG decoder's working memory is capped at 320 MB.
// Only the first bytes decide whether a file is a picture at all (JPEG,
// Windows bitmap, icon or PNG by their signatures); nothing else is read
// from a file that is not one.
constexpr qint64 MaxPictureFileBytes = qint64(64) << 20;
constexpr qint64 MaxPicturePixels = 100'000'000;
constexpr qint64 MaxProgressivePixels = 40'000'000;
constexpr long MaxJpegDecoderMemory = 320L << 20;
// The area a picture is decoded for when its control has no size yet.
constexpr int DefaultPictureWidth = 1024;
constexpr int DefaultPictureHeight = 768;

struct PictureHeader {
    QSize size;
    QByteArray format;          // "jpeg", "bmp", "ico", "png"
    bool progressive = false;   // JPEG only
};

// Reads only the file's signature and header: true for a picture within the
// limits above, with its size in *header; false with the reason in *error.
bool readPictureHeader(const QString& path, PictureHeader* header = nullptr, QString* error = nullptr);

// Decodes a picture for showing in an area of size fitInto (the default
// area when fitInto is not valid). A JPEG is reduced in the decoder itself
// (1/2, 1/4, 1/8) as far as still covers the area, then scaled smoothly so
// that it covers the area without being larger; other formats are scaled
// likewise. A null image, with the reason in *error, for a file that cannot
// be decoded or is beyond the limits; never crashes on a bad file.
QImage decodePicture(const QString& path, const QSize& fitInto = QSize(), QString* error = nullptr);

// An image control a window lends to the data module (targets 1 to 7).
class PictureTarget {
public:
    virtual ~PictureTarget() = default;
    virtual QSize pictureArea() const = 0;       // size the picture is shown at
    virtual void showPicture(const QImage& image) = 0;
    virtual void hidePicture() = 0;
    // The file the next showPicture comes from, so that a control that
    // grows later can decode it again for its new size.
    virtual void setPictureSource(const QString& path) { (void)path; }
};
