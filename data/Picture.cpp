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

struct JpegInfo {
    unsigned width = 0;
    unsigned height = 0;
    bool progressive = false;
};

bool withinLimits(qint64 w, qint64 h, bool progressive, char* message)
{
    if (w <= 0 || h <= 0) {
        qstrncpy(message, "пустая картинка", JMSG_LENGTH_MAX);
        return false;
    }
    const qint64 limit = progressive ? MaxProgressivePixels : MaxPicturePixels;
    if (w * h > limit) {
        qsnprintf(message, JMSG_LENGTH_MAX, "картинка %lldx%lld больше допустимых %lld мегапикселей",
                  (long long)w, (long long)h, (long long)(limit / 1000000));
        return false;
    }
    return true;
}

// Kept apart from decodePicture so that no object with a destructor lives in
// the frame that setjmp returns to: the image and the CMYK row buffer belong
// to the caller, so an error raised while the scanlines are read (after they
// were allocated) frees them as any other return would. The file is read as
// the decoder asks for it, never whole. With out == nullptr only the header
// is read.
bool decodeJpegInto(FILE* file, const QSize& fitInto, JpegInfo* info, QImage* out,
                    std::vector<unsigned char>* cmykRow, char* message)
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
    cinfo.mem->max_memory_to_use = MaxJpegDecoderMemory;
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    info->width = cinfo.image_width;
    info->height = cinfo.image_height;
    info->progressive = jpeg_has_multiple_scans(&cinfo);
    const bool within = withinLimits(cinfo.image_width, cinfo.image_height, info->progressive, message);
    if (!within || !out) {
        jpeg_destroy_decompress(&cinfo);
        return within;
    }

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    // Largest reduction that still gives at least the area's size.
    cinfo.scale_num = 1;
    cinfo.scale_denom = 1;
    for (unsigned d : {8u, 4u, 2u}) {
        if (cinfo.image_width / d >= unsigned(fitInto.width()) && cinfo.image_height / d >= unsigned(fitInto.height())) {
            cinfo.scale_denom = d;
            break;
        }
    }
    // The picture is shown reduced: the fast transform and plain upsampling
    // show no difference there, and block smoothing of progressive files
    // costs more than the whole decoding otherwise.
    cinfo.dct_method = JDCT_IFAST;
    cinfo.do_fancy_upsampling = FALSE;
    cinfo.do_block_smoothing = FALSE;
    // Reduced to 1/8, a pixel is the mean of its block alone: of a
    // progressive file only the first scans, those that hold the means of
    // every component, need to be read. The rest is never decoded.
    const bool meansOnly = info->progressive && cinfo.scale_denom == 8;
    cinfo.buffered_image = meansOnly ? TRUE : FALSE;
    jpeg_start_decompress(&cinfo);
    if (meansOnly) {
        for (;;) {
            const int r = jpeg_consume_input(&cinfo);
            if (r == JPEG_SUSPENDED || r == JPEG_REACHED_EOI)
                break;
            if (r != JPEG_SCAN_COMPLETED)
                continue;
            bool means = true;
            for (int c = 0; c < cinfo.num_components; ++c)
                means = means && cinfo.coef_bits[c][0] >= 0;
            if (means)
                break;
        }
        jpeg_start_output(&cinfo, cinfo.input_scan_number);
    }
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
    if (meansOnly)
        jpeg_finish_output(&cinfo);   // the scans after the means stay unread
    else
        jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// The format by the file's first bytes; empty for a file that is no picture.
QByteArray signature(QFile& f)
{
    const QByteArray head = f.read(8);
    auto at = [&](int i) { return i < head.size() ? uchar(head[i]) : 0x100; };
    if (at(0) == 0xFF && at(1) == 0xD8 && at(2) == 0xFF)
        return "jpeg";
    if (head.startsWith("BM"))
        return "bmp";
    if (at(0) == 0 && at(1) == 0 && at(2) == 1 && at(3) == 0)
        return "ico";
    if (head.startsWith("\x89PNG\r\n\x1a\n"))
        return "png";
    return QByteArray();
}

// Opens the file and checks its size and signature.
bool openPicture(const QString& path, QFile& f, QByteArray* format, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const QFileInfo fi(path);
    if (!fi.isFile() || !f.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Не удается открыть файл \"%1\".").arg(path));
    if (fi.size() > MaxPictureFileBytes)
        return fail(QStringLiteral("Файл \"%1\" больше %2 МБ.").arg(path).arg(MaxPictureFileBytes >> 20));
    *format = signature(f);
    if (format->isEmpty())
        return fail(QStringLiteral("Файл \"%1\" не является картинкой.").arg(path));
    f.seek(0);
    return true;
}

QSize areaOrDefault(const QSize& fitInto)
{
    if (fitInto.isValid() && fitInto.width() > 0 && fitInto.height() > 0)
        return fitInto;
    return QSize(DefaultPictureWidth, DefaultPictureHeight);
}

// Reduces a decoded picture to the smallest size that still covers the area.
QImage coverArea(const QImage& img, const QSize& area)
{
    if (img.width() <= area.width() || img.height() <= area.height())
        return img;
    return img.scaled(area, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
}

bool jpegFile(const QString& path, const QSize& fitInto, JpegInfo* info, QImage* out, QString* error)
{
    FILE* file = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!file) {
        if (error)
            *error = QStringLiteral("Не удается открыть файл \"%1\".").arg(path);
        return false;
    }
    std::vector<unsigned char> cmykRow;
    char message[JMSG_LENGTH_MAX] = {0};
    const bool ok = decodeJpegInto(file, fitInto, info, out, &cmykRow, message);
    std::fclose(file);
    if (!ok && error)
        *error = QStringLiteral("Файл \"%1\" не является картинкой JPEG: %2").arg(path, QString::fromUtf8(message));
    return ok;
}

} // namespace

bool readPictureHeader(const QString& path, PictureHeader* header, QString* error)
{
    QFile f(path);
    QByteArray format;
    if (!openPicture(path, f, &format, error))
        return false;
    PictureHeader h;
    h.format = format;
    if (format == "jpeg") {
        JpegInfo info;
        if (!jpegFile(path, QSize(), &info, nullptr, error))
            return false;
        h.size = QSize(int(info.width), int(info.height));
        h.progressive = info.progressive;
    } else {
        QImageReader reader(&f, format);
        h.size = reader.size();
        char message[JMSG_LENGTH_MAX] = {0};
        if (!h.size.isValid() || !withinLimits(h.size.width(), h.size.height(), false, message)) {
            if (error)
                *error = QStringLiteral("Не удается прочитать картинку \"%1\". %2").arg(path, QString::fromUtf8(message));
            return false;
        }
    }
    if (header)
        *header = h;
    return true;
}

QImage decodePicture(const QString& path, const QSize& fitInto, QString* error)
{
    const QSize area = areaOrDefault(fitInto);
    QFile f(path);
    QByteArray format;
    if (!openPicture(path, f, &format, error))
        return QImage();
    if (format == "jpeg") {
        JpegInfo info;
        QImage img;
        if (!jpegFile(path, area, &info, &img, error))
            return QImage();
        return coverArea(img, area);
    }
    QImageReader reader(&f, format);
    const QSize size = reader.size();
    char message[JMSG_LENGTH_MAX] = {0};
    if (!size.isValid() || !withinLimits(size.width(), size.height(), false, message)) {
        if (error)
            *error = QStringLiteral("Не удается прочитать картинку \"%1\". %2").arg(path, QString::fromUtf8(message));
        return QImage();
    }
    QImage img;
    if (!reader.read(&img)) {
        if (error)
            *error = QStringLiteral("Не удается прочитать картинку \"%1\".").arg(path);
        return QImage();
    }
    return coverArea(img, area);
}
