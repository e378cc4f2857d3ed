#include "PictureBench.h"

#include "ImageBox.h"

#include <QElapsedTimer>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPixmap>

bool writeBenchPhoto(const QString& path, QSize pixels, bool progressive)
{
    // Smooth gradients with some detail, so that the file is of a photo's
    // size and the decoder has real work.
    QImage img(pixels, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            line[x] = qRgb((x * 255 / img.width() + ((x ^ y) & 15)) & 0xFF, (y * 255 / img.height()) & 0xFF,
                           ((x + y) / 16) & 0xFF);
    }
    QImageWriter w(path, "jpg");
    w.setQuality(90);
    w.setProgressiveScanWrite(progressive);
    return w.write(img);
}

double showInPictureBox(const QString& path, QSize box)
{
    ImageBox control;
    control.resize(box);
    QElapsedTimer t;
    t.start();
    if (!control.loadFile(path))
        return -1;
    const QPixmap shown = control.grab();   // runs the box's painting
    const double ms = t.nsecsElapsed() / 1e6;
    return shown.isNull() ? -1 : ms;
}
