#include "jpeg_reader.h"

#include <cstdio>

#include <jpeglib.h>

namespace tdtest {

JpegInfo decodeJpeg(const QByteArray& bytes) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    JpegInfo out;
    if (jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK) {
        jpeg_start_decompress(&info);
        out.width = int(info.output_width);
        out.height = int(info.output_height);
        out.components = info.output_components;
        out.pixels.resize(std::size_t(out.width) * out.height * out.components);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row =
                out.pixels.data() + std::size_t(info.output_scanline) * out.width * out.components;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
    }
    jpeg_destroy_decompress(&info);
    return out;
}

}  // namespace tdtest
