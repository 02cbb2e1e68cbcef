#include "gif/gifpicture.h"

#include <QPixmap>
#include <algorithm>

#include "gif/gifcoder.h"
#include "platform/error.h"
#include "platform/savefile.h"

namespace td {

namespace {

// Level 0..5 of one channel: 48 or more reaches level 1, 99 or more level 2, and so on.
constexpr std::array<std::uint8_t, 256> makeLevels() {
    std::array<std::uint8_t, 256> levels{};
    for (int v = 0; v < 256; ++v)
        levels[std::size_t(v)] = std::uint8_t((v + 3) / 51);
    return levels;
}
constexpr std::array<std::uint8_t, 256> kLevel = makeLevels();

void appendLe16(QByteArray& out, int value) {
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

void checkSize(int width, int height) {
    if (width <= 0 || height <= 0)
        throw Error(QStringLiteral("Cannot make a GIF image of %1 × %2 pixels: the image is empty.")
                        .arg(std::max(width, 0))
                        .arg(std::max(height, 0)));
    if (width > TGifPicture::kMaxSide || height > TGifPicture::kMaxSide)
        throw Error(QStringLiteral("Cannot make a GIF image of %1 × %2 pixels: a GIF image is at "
                                   "most %3 pixels wide and %3 pixels high.")
                        .arg(width)
                        .arg(height)
                        .arg(TGifPicture::kMaxSide));
}

void fill216(TGifColorMap& map) {
    map.clear();
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                map.add(qRgb(51 * r, 51 * g, 51 * b));
}

}  // namespace

// ---------------------------------------------------------------------------------------------

int TGifColorMap::bitCount() const {
    if (m_count == 0)
        return 0;
    int bits = 1;
    while ((1 << bits) < m_count)
        ++bits;
    return bits;
}

void TGifColorMap::clear() {
    m_count = 0;
    m_sorted = false;
}

int TGifColorMap::add(QRgb color) {
    if (m_count >= kMaxColors)
        throw Error(QStringLiteral("Color table overflow"));
    std::uint8_t* entry = m_rgb.data() + m_count * 3;
    entry[0] = std::uint8_t(qRed(color));
    entry[1] = std::uint8_t(qGreen(color));
    entry[2] = std::uint8_t(qBlue(color));
    return m_count++;
}

QRgb TGifColorMap::color(int index) const {
    if (index < 0 || index >= m_count)
        throw Error(QStringLiteral("Color not in color table"));
    const std::uint8_t* entry = m_rgb.data() + index * 3;
    return qRgb(entry[0], entry[1], entry[2]);
}

QByteArray TGifColorMap::tableBytes(int bits) const {
    if (m_count == 0)
        return {};
    QByteArray bytes(3 << std::max(bits, bitCount()), '\0');
    std::copy_n(m_rgb.data(), m_count * 3, bytes.data());
    return bytes;
}

std::uint8_t TGifFrame::descriptorFlags() const {
    if (m_colorMap.isEmpty())
        return 0;
    std::uint8_t flags = 0x80;
    if (m_colorMap.isSorted())
        flags |= 0x20;
    flags |= std::uint8_t(m_colorMap.bitCount() - 1);
    return flags;
}

// ---------------------------------------------------------------------------------------------

int TGifPicture::paletteIndex(int red, int green, int blue) {
    return kLevel[std::size_t(red & 0xFF)] * 36 + kLevel[std::size_t(green & 0xFF)] * 6 +
           kLevel[std::size_t(blue & 0xFF)];
}

TGifFrame TGifPicture::newFrame(int width, int height) {
    checkSize(width, height);
    TGifFrame frame;
    frame.m_width = width;
    frame.m_height = height;
    frame.m_pixels.resize(std::size_t(width) * std::size_t(height));
    return frame;
}

void TGifPicture::replaceBy(TGifFrame frame) {
    m_frames.clear();
    m_globalMap.clear();
    m_screenWidth = 0;
    m_screenHeight = 0;
    m_screenWidth = std::max(m_screenWidth, frame.m_left + frame.m_width);
    m_screenHeight = std::max(m_screenHeight, frame.m_top + frame.m_height);
    m_frames.push_back(std::move(frame));
}

void TGifPicture::assign(const QImage& image) {
    // The frame is built aside, so a refused image leaves the picture as it was.
    TGifFrame frame = newFrame(image.width(), image.height());
    const int w = image.width();
    std::uint8_t* out = frame.m_pixels.data();

    switch (image.format()) {
        case QImage::Format_Mono:
        case QImage::Format_MonoLSB: {
            for (QRgb c : image.colorTable())
                frame.m_colorMap.add(c);
            const bool msbFirst = image.format() == QImage::Format_Mono;
            for (int y = 0; y < image.height(); ++y) {
                const uchar* line = image.constScanLine(y);
                for (int x = 0; x < w; ++x) {
                    const int shift = msbFirst ? 7 - (x & 7) : (x & 7);
                    *out++ = std::uint8_t((line[x >> 3] >> shift) & 1);
                }
            }
            break;
        }
        case QImage::Format_Indexed8: {
            const QList<QRgb> table = image.colorTable();
            // A table longer than 256 cannot come from a valid 8-bit image; keep what fits.
            for (qsizetype i = 0; i < std::min<qsizetype>(table.size(), 256); ++i)
                frame.m_colorMap.add(table[i]);
            for (int y = 0; y < image.height(); ++y) {
                const uchar* line = image.constScanLine(y);
                out = std::copy_n(line, w, out);
            }
            break;
        }
        default:
            reduceTo216(image, frame);
            break;
    }
    replaceBy(std::move(frame));
}

void TGifPicture::assign(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage();
    TGifFrame frame = newFrame(image.width(), image.height());
    reduceExact(image, frame);
    replaceBy(std::move(frame));
}

void TGifPicture::reduceTo216(const QImage& image, TGifFrame& frame) const {
    fill216(frame.m_colorMap);
    const int w = image.width();
    const int h = image.height();
    // Converting a strip at a time keeps the copy small for tall sheets.
    const bool direct =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
    constexpr int kStrip = 256;
    std::uint8_t* out = frame.m_pixels.data();

    if (m_dither == GifDitherMode::NearestColor) {
        for (int y0 = 0; y0 < h; y0 += kStrip) {
            const int rows = std::min(kStrip, h - y0);
            const QImage strip =
                direct ? QImage()
                       : image.copy(0, y0, w, rows).convertToFormat(QImage::Format_RGB32);
            for (int y = 0; y < rows; ++y) {
                const QRgb* line = reinterpret_cast<const QRgb*>(
                    direct ? image.constScanLine(y0 + y) : strip.constScanLine(y));
                QRgb last = line[0] ^ 0xFFFFFFFFu;
                std::uint8_t lastIndex = 0;
                for (int x = 0; x < w; ++x) {
                    const QRgb c = line[x] & 0xFFFFFFu;
                    if (c != last) {
                        last = c;
                        lastIndex = std::uint8_t(paletteIndex(qRed(c), qGreen(c), qBlue(c)));
                    }
                    *out++ = lastIndex;
                }
            }
        }
        return;
    }

    // Error diffusion: 7/16 right, 3/16 below left, 5/16 below, 1/16 below right, rows left to
    // right. Errors are kept in sixteenths per channel for the current and the next row.
    std::vector<int> errThis(std::size_t(w + 2) * 3, 0);
    std::vector<int> errNext(std::size_t(w + 2) * 3, 0);
    for (int y0 = 0; y0 < h; y0 += kStrip) {
        const int rows = std::min(kStrip, h - y0);
        const QImage strip =
            direct ? QImage() : image.copy(0, y0, w, rows).convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < rows; ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(direct ? image.constScanLine(y0 + y)
                                                                    : strip.constScanLine(y));
            std::fill(errNext.begin(), errNext.end(), 0);
            for (int x = 0; x < w; ++x) {
                const int channels[3] = {qRed(line[x]), qGreen(line[x]), qBlue(line[x])};
                int want[3];
                int level[3];
                for (int c = 0; c < 3; ++c) {
                    want[c] =
                        std::clamp(channels[c] + errThis[std::size_t(x + 1) * 3 + c] / 16, 0, 255);
                    level[c] = kLevel[std::size_t(want[c])];
                }
                *out++ = std::uint8_t(level[0] * 36 + level[1] * 6 + level[2]);
                for (int c = 0; c < 3; ++c) {
                    const int err = want[c] - level[c] * 51;
                    errThis[std::size_t(x + 2) * 3 + c] += err * 7;
                    errNext[std::size_t(x) * 3 + c] += err * 3;
                    errNext[std::size_t(x + 1) * 3 + c] += err * 5;
                    errNext[std::size_t(x + 2) * 3 + c] += err;
                }
            }
            std::swap(errThis, errNext);
        }
    }
}

void TGifPicture::reduceExact(const QImage& image, TGifFrame& frame) const {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    TGifColorMap& map = frame.m_colorMap;
    map.clear();
    // The 8 colours last met, searched backwards from the last hit before the whole map.
    constexpr int kCache = 8;
    std::array<QRgb, kCache> cacheColor{};
    std::array<std::uint8_t, kCache> cacheIndex{};
    int cacheUsed = 0;
    int lastHit = 0;
    int nextSlot = 0;
    std::vector<QRgb> mapColors;
    mapColors.reserve(TGifColorMap::kMaxColors);
    std::uint8_t* out = frame.m_pixels.data();

    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = line[x] & 0xFFFFFFu;
            int found = -1;
            for (int i = 0; i < kCache; ++i) {
                const int slot = (lastHit - i + kCache) % kCache;
                if (slot < cacheUsed && cacheColor[std::size_t(slot)] == c) {
                    found = slot;
                    break;
                }
            }
            if (found >= 0) {
                lastHit = found;
                *out++ = cacheIndex[std::size_t(found)];
                continue;
            }
            auto it = std::find(mapColors.begin(), mapColors.end(), c);
            int index;
            if (it != mapColors.end()) {
                index = int(it - mapColors.begin());
            } else {
                index = map.add(c);
                mapColors.push_back(c);
            }
            cacheColor[std::size_t(nextSlot)] = c;
            cacheIndex[std::size_t(nextSlot)] = std::uint8_t(index);
            lastHit = nextSlot;
            nextSlot = (nextSlot + 1) % kCache;
            cacheUsed = std::min(cacheUsed + 1, kCache);
            *out++ = std::uint8_t(index);
        }
    }
}

QByteArray TGifPicture::saveToBytes() const {
    if (m_frames.empty())
        throw Error(QStringLiteral("There is no image to save as GIF."));

    const bool v89 = m_globalMap.isSorted() ||
                     std::any_of(m_frames.begin(), m_frames.end(),
                                 [](const TGifFrame& f) { return f.needsVersion89a(); });
    QByteArray out;
    out.append(v89 ? "GIF89a" : "GIF87a");

    int maxBits = m_globalMap.bitCount();
    for (const TGifFrame& f : m_frames)
        maxBits = std::max(maxBits, f.colorMap().bitCount());
    const int depth = std::max(maxBits - 1, 0);
    std::uint8_t flags = std::uint8_t(depth << 4 | depth);
    if (!m_globalMap.isEmpty()) {
        flags |= 0x80;
        if (m_globalMap.isSorted())
            flags |= 0x08;
    }
    appendLe16(out, m_screenWidth);
    appendLe16(out, m_screenHeight);
    out.append(char(flags));
    out.append(char(0));  // background colour index
    out.append(char(0));  // pixel aspect ratio
    // The size bits announce the deepest map of the file; a global table is padded to that
    // size so that a decoder reading it by those bits finds the image descriptor after it.
    out.append(m_globalMap.tableBytes(depth + 1));

    for (const TGifFrame& f : m_frames) {
        for (const QByteArray& extension : f.extensions())
            out.append(extension);
        if (f.isEmpty())
            continue;
        out.append(char(0x2C));
        appendLe16(out, f.left());
        appendLe16(out, f.top());
        appendLe16(out, f.width());
        appendLe16(out, f.height());
        out.append(char(f.descriptorFlags()));
        out.append(f.colorMap().tableBytes());
        const auto encode =
            m_compression == GifCompression::RunLength ? encodeGifImageData : encodeGifImageDataLzw;
        out.append(encode(f.pixels().data(), f.pixels().size(), f.colorMap().count(),
                          f.colorMap().bitCount()));
    }
    out.append(char(0x3B));
    return out;
}

void TGifPicture::saveToFile(const QString& fileName) const {
    // Coding completes in memory first: a failure (an index outside the map) leaves any
    // existing file untouched instead of a half-written one.
    const QByteArray bytes = saveToBytes();
    saveFileContents(fileName, bytes);
}

}  // namespace td
