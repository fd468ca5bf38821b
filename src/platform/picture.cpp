#include "picture.h"

#include "core/error.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <csetjmp>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

namespace zentari {

namespace {

struct JpegErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void failJpeg(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1);
}

// libjpeg's default would print the message to stderr and, for a fatal error,
// call exit(): both are wrong inside a clock that must keep running.
void emitJpegMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace messages
    switch (cinfo->err->msg_code) {
    // The data end early or are damaged: libjpeg would paint the rest grey and
    // call it a picture.
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
        failJpeg(cinfo);
    default:
        break; // harmless, e.g. extraneous bytes before a marker
    }
}

// Runs every libjpeg call behind one setjmp. No C++ object lives in this frame,
// so the longjmp out of libjpeg skips no destructor.
bool decodeJpeg(const QByteArray& data, QImage& image)
{
    jpeg_decompress_struct cinfo;
    JpegErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = failJpeg;
    err.pub.emit_message = emitJpegMessage;
    err.pub.output_message = [](j_common_ptr) {};

    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&cinfo);

    // A damaged header can claim any size: hold to the limit Qt's readers keep.
    const qint64 limitMb = QImageReader::allocationLimit(); // 0: none
    if (limitMb > 0 && qint64(cinfo.output_width) * cinfo.output_height * 4 > limitMb << 20)
        failJpeg(reinterpret_cast<j_common_ptr>(&cinfo));
    image = QImage(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height),
                   cmyk ? QImage::Format_RGB32 : QImage::Format_RGB888);
    if (image.isNull())
        failJpeg(reinterpret_cast<j_common_ptr>(&cinfo));

    while (cinfo.output_scanline < cinfo.output_height) {
        uchar* line = image.scanLine(static_cast<int>(cinfo.output_scanline));
        JSAMPROW row = line;
        jpeg_read_scanlines(&cinfo, &row, 1);
        if (cmyk) {
            // Converted in place: each CMYK sample and its RGB32 pixel take the
            // same four bytes. Adobe stores the inks inverted, others do not.
            auto* pixel = reinterpret_cast<QRgb*>(line);
            for (JDIMENSION x = 0; x < cinfo.output_width; ++x) {
                const uchar* p = line + 4 * x;
                const auto clear = [&](int i) {
                    return cinfo.saw_Adobe_marker ? p[i] : 255 - p[i];
                };
                const int k = clear(3);
                pixel[x] = qRgb(clear(0) * k / 255, clear(1) * k / 255, clear(2) * k / 255);
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

bool isJpegName(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == u"jpg" || suffix == u"jpeg" || suffix == u"jpe";
}

} // namespace

QImage loadPicture(const QString& path)
{
    if (!QFileInfo(path).isFile())
        throw Error(QStringLiteral("Файл рисунка «%1» не найден.").arg(path));

    QImage image;
    if (isJpegName(path)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw Error(QStringLiteral("Не удаётся открыть файл рисунка «%1».").arg(path));
        const QByteArray data = file.readAll();
        if (!decodeJpeg(data, image))
            image = QImage();
    } else {
        QImageReader reader(path);
        image = reader.read();
    }
    if (image.isNull())
        throw Error(QStringLiteral("Файл «%1» повреждён или не является рисунком.").arg(path));
    return image;
}

QImage withoutBackground(const QImage& image)
{
    if (image.isNull())
        return image;
    QImage keyed = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = keyed.pixel(0, keyed.height() - 1);
    for (int y = 0; y < keyed.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x) {
            if (line[x] == key)
                line[x] = 0;
        }
    }
    return keyed;
}

} // namespace zentari
