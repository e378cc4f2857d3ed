#include "ImageBox.h"

#include <QPainter>

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
    setVisible(true);
    update();
}

void ImageBox::hidePicture()
{
    m_image = QImage();
    setVisible(false);
}

bool ImageBox::loadFile(const QString& path, QString* error)
{
    const QImage img = decodePicture(path, pictureArea(), error);
    if (img.isNull())
        return false;
    showPicture(img);
    return true;
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
