#include "ImageBox.h"

#include <QPainter>
#include <QTimer>

ImageBox::ImageBox(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(40, 40);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize ImageBox::pictureArea() const
{
    // Before the first layout the control has no real size yet: decode for a
    // typical panel size rather than for a few pixels.
    const QSize s = size();
    return (s.width() < 80 || s.height() < 80) ? QSize(320, 240) : s;
}

void ImageBox::showPicture(const QImage& image)
{
    m_image = image;
    m_decodedFor = pictureArea();
    setVisible(true);
    update();
}

void ImageBox::hidePicture()
{
    m_image = QImage();
    m_source.clear();
    setVisible(false);
}

bool ImageBox::loadFile(const QString& path, QString* error)
{
    const QImage img = decodePicture(path, pictureArea(), error);
    if (img.isNull())
        return false;
    m_source = path;
    showPicture(img);
    return true;
}

void ImageBox::resizeEvent(QResizeEvent*)
{
    // Decoded for a smaller area (before the first layout, or before the
    // window grew): decode again for the new size once the resizing settles.
    if (m_source.isEmpty() || m_image.isNull() || m_againPending)
        return;
    const QSize area = pictureArea();
    if (area.width() <= m_decodedFor.width() && area.height() <= m_decodedFor.height())
        return;
    m_againPending = true;
    QTimer::singleShot(0, this, &ImageBox::decodeAgain);
}

void ImageBox::decodeAgain()
{
    m_againPending = false;
    if (m_source.isEmpty() || m_image.isNull())
        return;
    const QSize area = pictureArea();
    const QImage img = decodePicture(m_source, area);
    m_decodedFor = area;
    if (!img.isNull()) {
        m_image = img;
        update();
    }
}

void ImageBox::paintEvent(QPaintEvent*)
{
    if (m_image.isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize target = m_image.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect r(QPoint((width() - target.width()) / 2, (height() - target.height()) / 2), target);
    p.drawImage(r, m_image);
}
