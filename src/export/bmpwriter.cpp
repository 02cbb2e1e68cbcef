#include "export/bmpwriter.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "platform/error.h"
#include "platform/savefile.h"

namespace td {

namespace {

// Palettes of the indexed depths, chosen so black text on a white sheet stays crisp and its
// smoothed edges keep a useful grey:
//  - 1 bit: black and white; a pixel takes the nearer of the two by its brightness.
//  - 4 bits: the sixteen standard colours of a 16-colour display (black, maroon, green, olive,
//    navy, purple, teal, silver, grey, red, lime, yellow, blue, fuchsia, aqua, white).
//  - 8 bits: the 216-colour cube (levels 0, 51, ..., 255 per channel, index r × 36 + g × 6 + b)
//    followed by 40 extra greys, eight between each pair of neighbouring cube greys, so the
//    edges of text get 46 grey levels in all.
// Every pixel takes the palette entry nearest to it (smallest squared RGB distance).

using Palette = std::vector<QRgb>;

const Palette& palette1() {
    static const Palette p = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    return p;
}

const Palette& palette4() {
    static const Palette p = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
    return p;
}

// The grey levels of the 8-bit palette beyond the cube's own six.
int extraGrey(int i) {
    const int gap = i / 8;
    const int step = i % 8 + 1;
    return 51 * gap + (51 * step + 4) / 9;
}

const Palette& palette8() {
    static const Palette p = [] {
        Palette colours;
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    colours.push_back(qRgb(51 * r, 51 * g, 51 * b));
        for (int i = 0; i < 40; ++i)
            colours.push_back(qRgb(extraGrey(i), extraGrey(i), extraGrey(i)));
        return colours;
    }();
    return p;
}

int distance(QRgb a, QRgb b) {
    const int dr = qRed(a) - qRed(b);
    const int dg = qGreen(a) - qGreen(b);
    const int db = qBlue(a) - qBlue(b);
    return dr * dr + dg * dg + db * db;
}

int nearestByScan(const Palette& palette, QRgb c) {
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < int(palette.size()); ++i) {
        const int d = distance(palette[std::size_t(i)], c);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

// Nearest entry of the 8-bit palette without scanning: the cube is separable, so rounding each
// channel finds its nearest entry; the nearest grey is the one nearest the channels' mean.
int nearest8(QRgb c) {
    static const std::array<std::pair<int, int>, 46> greys = [] {
        std::array<std::pair<int, int>, 46> list{};
        int n = 0;
        for (int level = 0; level < 6; ++level)
            list[std::size_t(n++)] = {51 * level, 43 * level};
        for (int i = 0; i < 40; ++i)
            list[std::size_t(n++)] = {extraGrey(i), 216 + i};
        std::sort(list.begin(), list.end());
        return list;
    }();
    const int r = qRed(c), g = qGreen(c), b = qBlue(c);
    const int cube = ((r + 25) / 51) * 36 + ((g + 25) / 51) * 6 + (b + 25) / 51;
    int best = cube;
    int bestDistance = distance(palette8()[std::size_t(cube)], c);
    // Three times the mean, compared against three times each level, stays in integers.
    const int sum = r + g + b;
    auto above = std::lower_bound(greys.begin(), greys.end(), std::pair<int, int>{sum / 3, -1});
    for (auto it : {above - 1, above, above + 1}) {
        if (it < greys.begin() || it >= greys.end())
            continue;
        const int d = distance(qRgb(it->first, it->first, it->first), c);
        if (d < bestDistance) {
            bestDistance = d;
            best = it->second;
        }
    }
    return best;
}

void put16(QByteArray& out, std::uint32_t v) {
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}
void put32(QByteArray& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// Colour lookups with a memory of recent colours: sheets hold few distinct colours.
class IndexCache {
  public:
    template <typename Lookup>
    int find(QRgb c, Lookup lookup) {
        const std::size_t slot = (c * 2654435761u) >> 20 & (kSlots - 1);
        if (m_used[slot] && m_colour[slot] == c)
            return m_index[slot];
        const int index = lookup(c);
        m_used[slot] = true;
        m_colour[slot] = c;
        m_index[slot] = std::uint8_t(index);
        return index;
    }

  private:
    static constexpr std::size_t kSlots = 4096;
    std::array<QRgb, kSlots> m_colour{};
    std::array<std::uint8_t, kSlots> m_index{};
    std::array<bool, kSlots> m_used{};
};

}  // namespace

int SelectedPixelFormat(int colorDepthItem) {
    static constexpr int kBits[] = {1, 4, 8, 16, 24, 32};
    if (colorDepthItem < 0 || colorDepthItem >= int(std::size(kBits)))
        return 4;
    return kBits[colorDepthItem];
}

QByteArray encodeBmp(const QImage& image, int bitsPerPixel) {
    static constexpr int kDepths[] = {1, 4, 8, 16, 24, 32};
    if (std::find(std::begin(kDepths), std::end(kDepths), bitsPerPixel) == std::end(kDepths))
        throw Error(
            QStringLiteral("A bitmap file cannot have %1 bits per pixel.").arg(bitsPerPixel));
    const int w = image.width();
    const int h = image.height();
    if (w <= 0 || h <= 0)
        throw Error(
            QStringLiteral("Cannot make a bitmap file of %1 × %2 pixels: the image is empty.")
                .arg(std::max(w, 0))
                .arg(std::max(h, 0)));

    const Palette* palette = bitsPerPixel == 1   ? &palette1()
                             : bitsPerPixel == 4 ? &palette4()
                             : bitsPerPixel == 8 ? &palette8()
                                                 : nullptr;
    const std::uint64_t rowBytes = ((std::uint64_t(w) * std::uint64_t(bitsPerPixel) + 31) / 32) * 4;
    const std::uint64_t headerBytes =
        14 + 40 + (bitsPerPixel == 16 ? 12 : 0) + (palette ? palette->size() * 4 : 0);
    const std::uint64_t imageBytes = rowBytes * std::uint64_t(h);
    const std::uint64_t fileBytes = headerBytes + imageBytes;
    // The file's size fields are 32 bits; a QByteArray holds somewhat less.
    if (fileBytes > std::uint64_t(std::numeric_limits<std::int32_t>::max()) - 64)
        throw Error(QStringLiteral("Cannot make a bitmap file of %1 × %2 pixels at %3 bits per "
                                   "pixel: the file would be too large.")
                        .arg(w)
                        .arg(h)
                        .arg(bitsPerPixel));

    QByteArray out;
    out.reserve(qsizetype(fileBytes));
    out.append("BM");
    put32(out, std::uint32_t(fileBytes));
    put32(out, 0);
    put32(out, std::uint32_t(headerBytes));
    put32(out, 40);
    put32(out, std::uint32_t(w));
    put32(out, std::uint32_t(h));  // positive: rows bottom-up
    put16(out, 1);
    put16(out, std::uint32_t(bitsPerPixel));
    put32(out, bitsPerPixel == 16 ? 3 : 0);  // BI_BITFIELDS for 5-6-5, else BI_RGB
    put32(out, std::uint32_t(imageBytes));
    put32(out, 3780);  // 96 dots per inch
    put32(out, 3780);
    put32(out, palette ? std::uint32_t(palette->size()) : 0);
    put32(out, 0);
    if (bitsPerPixel == 16) {
        put32(out, 0xF800);
        put32(out, 0x07E0);
        put32(out, 0x001F);
    }
    if (palette) {
        for (QRgb c : *palette) {
            out.append(char(qBlue(c)));
            out.append(char(qGreen(c)));
            out.append(char(qRed(c)));
            out.append(char(0));
        }
    }

    const qsizetype pixelStart = out.size();
    out.resize(qsizetype(fileBytes));
    std::fill(out.begin() + pixelStart, out.end(), '\0');
    auto* pixels = reinterpret_cast<std::uint8_t*>(out.data() + pixelStart);

    IndexCache cache;
    auto indexOf = [&](QRgb c) -> int {
        if (bitsPerPixel == 8)
            return cache.find(c, nearest8);
        if (bitsPerPixel == 1) {
            const int luma = (qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114) / 1000;
            return luma >= 128 ? 1 : 0;
        }
        return cache.find(c, [](QRgb v) { return nearestByScan(palette4(), v); });
    };

    // Converting a strip at a time keeps the copy small for tall sheets.
    constexpr int kStrip = 256;
    const bool direct =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
    for (int y0 = 0; y0 < h; y0 += kStrip) {
        const int rows = std::min(kStrip, h - y0);
        const QImage strip =
            direct ? QImage() : image.copy(0, y0, w, rows).convertToFormat(QImage::Format_RGB32);
        for (int dy = 0; dy < rows; ++dy) {
            const int y = y0 + dy;
            const QRgb* line = reinterpret_cast<const QRgb*>(direct ? image.constScanLine(y)
                                                                    : strip.constScanLine(dy));
            std::uint8_t* row = pixels + rowBytes * std::uint64_t(h - 1 - y);
            for (int x = 0; x < w; ++x) {
                const QRgb c = line[x] & 0xFFFFFFu;
                switch (bitsPerPixel) {
                    case 1:
                        row[x >> 3] |= std::uint8_t(indexOf(c) << (7 - (x & 7)));
                        break;
                    case 4:
                        row[x >> 1] |= std::uint8_t(indexOf(c) << ((x & 1) ? 0 : 4));
                        break;
                    case 8:
                        row[x] = std::uint8_t(indexOf(c));
                        break;
                    case 16: {
                        const std::uint32_t r5 = (std::uint32_t(qRed(c)) * 31 + 127) / 255;
                        const std::uint32_t g6 = (std::uint32_t(qGreen(c)) * 63 + 127) / 255;
                        const std::uint32_t b5 = (std::uint32_t(qBlue(c)) * 31 + 127) / 255;
                        const std::uint32_t v = r5 << 11 | g6 << 5 | b5;
                        row[2 * x] = std::uint8_t(v);
                        row[2 * x + 1] = std::uint8_t(v >> 8);
                        break;
                    }
                    case 24:
                        row[3 * x] = std::uint8_t(qBlue(c));
                        row[3 * x + 1] = std::uint8_t(qGreen(c));
                        row[3 * x + 2] = std::uint8_t(qRed(c));
                        break;
                    default:
                        row[4 * x] = std::uint8_t(qBlue(c));
                        row[4 * x + 1] = std::uint8_t(qGreen(c));
                        row[4 * x + 2] = std::uint8_t(qRed(c));
                        row[4 * x + 3] = 0;  // reserved
                        break;
                }
            }
        }
    }
    return out;
}

void writeBmp(const QImage& image, const QString& fileName, int bitsPerPixel) {
    const QByteArray bytes = encodeBmp(image, bitsPerPixel);
    saveFileContents(fileName, bytes);
}

}  // namespace td
