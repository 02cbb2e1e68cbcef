#pragma once

#include <QByteArray>
#include <QImage>
#include <QRgb>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

class QPixmap;

namespace td {

// How colours of deep bitmaps are reduced. Only the fixed 216-colour palette exists.
enum class GifColorReduction { Palette216 };
enum class GifDitherMode { NearestColor, FloydSteinberg };
enum class GifCompression { Lzw, RunLength };

// Up to 256 RGB entries. The bit count is what the file stores: 0 for an empty map, else the
// smallest i from 1 to 8 with 2^i >= count.
class TGifColorMap {
  public:
    static constexpr int kMaxColors = 256;

    int count() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    bool isSorted() const { return m_sorted; }
    void setSorted(bool sorted) { m_sorted = sorted; }
    int bitCount() const;

    void clear();
    // Appends a colour and returns its index; a 257th entry throws "Color table overflow".
    int add(QRgb color);
    QRgb color(int index) const;

    // The table as the file holds it: count × 3 bytes, then black entries up to 2^bit count
    // entries, or up to 2^bits when that is more.
    QByteArray tableBytes(int bits = 0) const;

  private:
    std::array<std::uint8_t, kMaxColors * 3> m_rgb{};
    int m_count = 0;
    bool m_sorted = false;
};

// One image of a GIF file: position, size, local colour map and one colour-map index per
// pixel, rows top to bottom without padding.
class TGifFrame {
  public:
    int left() const { return m_left; }
    int top() const { return m_top; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    bool isEmpty() const { return m_width == 0 || m_height == 0; }

    const TGifColorMap& colorMap() const { return m_colorMap; }
    TGifColorMap& colorMap() { return m_colorMap; }
    const std::vector<std::uint8_t>& pixels() const { return m_pixels; }

    // Each entry a complete extension block (0x21 up to and including its zero terminator),
    // written before the image descriptor. A frame with extensions needs GIF89a.
    const std::vector<QByteArray>& extensions() const { return m_extensions; }
    std::vector<QByteArray>& extensions() { return m_extensions; }

    // Image descriptor flags: local table present, sorted, table size; never interlaced.
    std::uint8_t descriptorFlags() const;
    bool needsVersion89a() const { return m_colorMap.isSorted() || !m_extensions.empty(); }

  private:
    friend class TGifPicture;

    int m_left = 0;
    int m_top = 0;
    int m_width = 0;
    int m_height = 0;
    TGifColorMap m_colorMap;
    std::vector<std::uint8_t> m_pixels;
    std::vector<QByteArray> m_extensions;
};

// A GIF image made from one bitmap. Image data is coded either by runs, which any LZW decoder
// reads without the coder keeping a string table (fast, what sample sheets use), or by full
// LZW. Largest frame side: 65535 pixels (the file's fields are 16 bits).
class TGifPicture {
  public:
    static constexpr int kMaxSide = 65535;

    TGifPicture() = default;

    GifColorReduction colorReduction() const { return m_reduction; }
    GifDitherMode ditherMode() const { return m_dither; }
    void setDitherMode(GifDitherMode mode) { m_dither = mode; }
    GifCompression compression() const { return m_compression; }
    void setCompression(GifCompression compression) { m_compression = compression; }

    // Replaces the picture by one frame made from `image`. Mono and 8-bit indexed images keep
    // their colour table and indices; every other format is reduced to the 216-colour palette
    // (alpha is ignored). Throws td::Error for an empty image or one too large for the file.
    void assign(const QImage& image);
    // A bitmap in the display's own format: its colours become the colour map in the order they
    // are met, exactly; a 257th distinct colour throws "Color table overflow".
    void assign(const QPixmap& pixmap);

    // Writes the file; an existing file is replaced only once the new one is complete.
    void saveToFile(const QString& fileName) const;
    // The whole file in memory.
    QByteArray saveToBytes() const;

    int width() const { return m_screenWidth; }
    int height() const { return m_screenHeight; }
    const TGifColorMap& globalColorMap() const { return m_globalMap; }
    TGifColorMap& globalColorMap() { return m_globalMap; }
    const std::vector<TGifFrame>& frames() const { return m_frames; }
    // For a frame's colour map flags and extensions; sizes and pixels stay as assigned.
    std::vector<TGifFrame>& frames() { return m_frames; }

    // Index of (r, g, b) in the 216-colour palette by nearest level, no dithering.
    static int paletteIndex(int red, int green, int blue);

  private:
    static TGifFrame newFrame(int width, int height);
    void replaceBy(TGifFrame frame);
    void reduceTo216(const QImage& image, TGifFrame& frame) const;
    void reduceExact(const QImage& image, TGifFrame& frame) const;

    GifColorReduction m_reduction = GifColorReduction::Palette216;
    GifDitherMode m_dither = GifDitherMode::NearestColor;
    GifCompression m_compression = GifCompression::RunLength;
    int m_screenWidth = 0;
    int m_screenHeight = 0;
    TGifColorMap m_globalMap;
    std::vector<TGifFrame> m_frames;
};

}  // namespace td
