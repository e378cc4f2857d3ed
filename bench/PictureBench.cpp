#include "PictureBench.h"

#include "ImageBox.h"

#include <QElapsedTimer>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPixmap>

#include <ctime>

bool writeBenchPhoto(const QString& path, QSize pixels, bool progressive)
{
    // Gradients, edges and grain, so that the file has about the size of a
    // camera's 12-megapixel photo (3 MB) and the decoder has a photo's work.
    QImage img(pixels, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 27) - 16;   // -16..15
            const int edge = ((x / 97 + y / 61) & 1) ? 40 : 0;
            line[x] = qRgb(qBound(0, x * 200 / img.width() + edge + grain, 255),
                           qBound(0, y * 200 / img.height() + grain, 255),
                           qBound(0, ((x + y) / 16) % 200 + grain / 2, 255));
        }
    }
    QImageWriter w(path, "jpg");
    w.setQuality(90);
    w.setProgressiveScanWrite(progressive);
    return w.write(img);
}

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double showInPictureBox(const QString& path, QSize box, double* cpuMs)
{
    ImageBox control;
    control.resize(box);
    const double cpu0 = threadCpuMs();
    QElapsedTimer t;
    t.start();
    if (!control.loadFile(path))
        return -1;
    const QPixmap shown = control.grab();   // runs the box's painting
    const double ms = t.nsecsElapsed() / 1e6;
    if (cpuMs)
        *cpuMs = threadCpuMs() - cpu0;
    return shown.isNull() ? -1 : ms;
}
