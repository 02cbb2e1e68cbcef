#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

namespace tdtest {

// A JPEG file as libjpeg decodes it: size, components and the pixels, rows top to bottom.
struct JpegInfo {
    int width = 0, height = 0, components = 0;
    std::vector<std::uint8_t> pixels;
};

// Decodes with libjpeg; an unreadable file gives an empty result.
JpegInfo decodeJpeg(const QByteArray& bytes);

}  // namespace tdtest
