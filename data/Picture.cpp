#include "Picture.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <csetjmp>
#include <cstdio>
#include <vector>
#include <jpeglib.h>

namespace {

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onJpegError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    longjmp(err->jump, 1);
}

void quietJpeg(j_common_ptr, int) {}

// Kept apart from decodePicture so that no object with a destructor lives in
// the frame that setjmp returns to: the image and the CMYK row buffer belong
// to the caller, so an error raised while the scanlines are read (after they
// were allocated) frees them as any other return would.
bool decodeJpegInto(const QByteArray& data, const QSize& fitInto, QImage* out, std::vector<unsigned char>* cmykRow,
                    char* message)
{
    jpeg_decompress_struct cinfo;
    JpegError jerr;
    cinfo.err = jpeg_std_error(&jerr.mgr);
    jerr.mgr.error_exit = onJpegError;
    jerr.mgr.emit_message = quietJpeg;
    jerr.message[0] = 0;
    if (setjmp(jerr.jump)) {
        jpeg_destroy_decompress(&cinfo);
        qstrncpy(message, jerr.message, JMSG_LENGTH_MAX);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.constData()), (unsigned long)data.size());
    jpeg_read_header(&cinfo, TRUE);

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    // Largest reduction that still gives at least the area's size.
    cinfo.scale_num = 1;
    cinfo.scale_denom = 1;
    if (fitInto.isValid() && fitInto.width() > 0 && fitInto.height() > 0) {
        for (unsigned d : {8u, 4u, 2u}) {
            if (cinfo.image_width / d >= unsigned(fitInto.width()) && cinfo.image_height / d >= unsigned(fitInto.height())) {
                cinfo.scale_denom = d;
                break;
            }
        }
    }
    jpeg_start_decompress(&cinfo);
    *out = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
    if (out->isNull()) {
        jpeg_destroy_decompress(&cinfo);
        qstrncpy(message, "недостаточно памяти", JMSG_LENGTH_MAX);
        return false;
    }
    if (cmyk)
        cmykRow->resize(size_t(cinfo.output_width) * 4);
    while (cinfo.output_scanline < cinfo.output_height) {
        uchar* line = out->scanLine(int(cinfo.output_scanline));
        JSAMPROW row = cmyk ? cmykRow->data() : line;
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            break;
        if (cmyk) {
            auto* px = reinterpret_cast<QRgb*>(line);
            for (unsigned x = 0; x < cinfo.output_width; ++x) {
                // Adobe writes CMYK inverted: the samples are 255 - ink.
                const unsigned char* p = cmykRow->data() + 4 * x;
                const int c = p[0], m = p[1], y = p[2], k = p[3];
                px[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace

QImage decodePicture(const QString& path, const QSize& fitInto, QString* error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Не удается открыть файл \"%1\".").arg(path);
        return QImage();
    }
    const QByteArray data = f.readAll();
    const QString ext = QFileInfo(path).suffix().toLower();
    const bool jpegMagic = data.size() > 3 && uchar(data[0]) == 0xFF && uchar(data[1]) == 0xD8;
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg") || jpegMagic) {
        QImage img;
        std::vector<unsigned char> cmykRow;
        char message[JMSG_LENGTH_MAX] = {0};
        if (decodeJpegInto(data, fitInto, &img, &cmykRow, message))
            return img;
        if (error)
            *error = QStringLiteral("Файл \"%1\" не является картинкой JPEG: %2").arg(path, QString::fromLocal8Bit(message));
        return QImage();
    }
    QImage img;
    if (!img.loadFromData(data)) {
        if (error)
            *error = QStringLiteral("Не удается прочитать картинку \"%1\".").arg(path);
        return QImage();
    }
    return img;
}
