#include "export/jpegwriter.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "platform/error.h"
#include "platform/savefile.h"

namespace td {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return: jump back to the
// caller with the library's message.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// The library's work between setjmp and the last libjpeg call touches only plain data, so the
// jump skips no destructor. Returns false with `message` filled on failure.
bool compress(const QImage& rgb, int quality, unsigned char** buffer, unsigned long* size,
              char* message) {
    jpeg_compress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.message[0] = '\0';
    if (setjmp(errors.jump)) {
        std::copy_n(errors.message, JMSG_LENGTH_MAX, message);
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, size);
    info.image_width = JDIMENSION(rgb.width());
    info.image_height = JDIMENSION(rgb.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

QByteArray encodeJpeg(const QImage& image, int quality) {
    const int w = image.width();
    const int h = image.height();
    if (w <= 0 || h <= 0)
        throw Error(QStringLiteral("Cannot make a JPEG file of %1 × %2 pixels: the image is empty.")
                        .arg(std::max(w, 0))
                        .arg(std::max(h, 0)));
    if (w > JPEG_MAX_DIMENSION || h > JPEG_MAX_DIMENSION)
        throw Error(QStringLiteral("Cannot make a JPEG file of %1 × %2 pixels: a JPEG image is at "
                                   "most %3 pixels wide and %3 pixels high.")
                        .arg(w)
                        .arg(h)
                        .arg(JPEG_MAX_DIMENSION));
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull())
        throw Error(QStringLiteral("Cannot make a JPEG file of %1 × %2 pixels: out of memory.")
                        .arg(w)
                        .arg(h));

    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX] = {};
    const bool ok = compress(rgb, std::clamp(quality, kMinJpegQuality, kMaxJpegQuality), &buffer,
                             &size, message);
    QByteArray bytes;
    if (ok)
        bytes = QByteArray(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    if (!ok)
        throw Error(
            QStringLiteral("Cannot make a JPEG file: %1").arg(QString::fromLocal8Bit(message)));
    return bytes;
}

void writeJpeg(const QImage& image, const QString& fileName, int quality) {
    const QByteArray bytes = encodeJpeg(image, quality);
    saveFileContents(fileName, bytes);
}

}  // namespace td
