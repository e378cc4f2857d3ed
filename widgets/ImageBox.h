#pragma once
// A picture control: shows its picture scaled to fit its area, keeping the
// proportions, centred. The data module shows pictures on it through the
// PictureTarget interface; editors set pictures directly.
#include "Picture.h"

#include <QImage>
#include <QWidget>

class ImageBox : public QWidget, public PictureTarget {
    Q_OBJECT
public:
    explicit ImageBox(QWidget* parent = nullptr);

    QSize pictureArea() const override;
    void showPicture(const QImage& image) override;
    void hidePicture() override;
    void setPictureSource(const QString& path) override { m_source = path; }

    // Loads a file (decoded for this control's size, and again when the
    // control grows); false when it cannot be decoded.
    bool loadFile(const QString& path, QString* error = nullptr);
    const QImage& image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    void decodeAgain();

    QImage m_image;
    QString m_source;      // file the picture was decoded from
    QSize m_decodedFor;    // area it was decoded for
    bool m_againPending = false;
};
