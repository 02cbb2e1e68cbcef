#include "gif/gifcoder.h"

#include <QString>
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/error.h"

namespace td {

namespace {

// Packs codes least significant bit first.
class BitWriter {
  public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : m_out(out) {}

    void put(std::uint32_t code, int width) {
        m_acc |= std::uint64_t(code) << m_bits;
        m_bits += width;
        if (m_bits >= 32) {
            const std::uint32_t word = std::uint32_t(m_acc);
            m_out.push_back(std::uint8_t(word));
            m_out.push_back(std::uint8_t(word >> 8));
            m_out.push_back(std::uint8_t(word >> 16));
            m_out.push_back(std::uint8_t(word >> 24));
            m_acc >>= 32;
            m_bits -= 32;
        }
    }

    // The last partial byte, padded with zero bits.
    void finish() {
        while (m_bits > 0) {
            m_out.push_back(std::uint8_t(m_acc));
            m_acc >>= 8;
            m_bits -= 8;
        }
        m_bits = 0;
    }

  private:
    std::vector<std::uint8_t>& m_out;
    std::uint64_t m_acc = 0;
    int m_bits = 0;
};

// Codes a frame as runs. The decoder on the other side builds its table as usual; this coder
// tracks just enough of that table to know which run codes are already defined, and clears
// before the decoder's 4096 entries would be used up.
class RunLengthCoder {
  public:
    RunLengthCoder(int codeSize, BitWriter& bits)
        : m_bits(bits),
          m_clearCode(1 << codeSize),
          m_endCode(m_clearCode + 1),
          m_firstTableCode(m_clearCode + 2),
          m_initialWidth(codeSize + 1),
          m_initialBump(m_clearCode - 1),
          m_initialClearLimit(codeSize > 3 ? m_clearCode - 2 : 9),
          m_maxCodes(4095 - m_firstTableCode),
          m_width(m_initialWidth) {}

    void encode(const std::uint8_t* pixels, std::size_t count, int colorCount) {
        clear();
        m_pixel = -1;
        // Runs are maximal, so every pixel of a run equals its first, which alone is checked.
        for (std::size_t at = 0; at < count;) {
            const int x = pixels[at];
            if (x >= colorCount)
                throw Error(QStringLiteral("Color not in color table"));
            const std::size_t end = runEnd(pixels, at, count);
            m_pixel = x;
            flush(std::int64_t(end - at));
            at = end;
        }
        m_bits.put(std::uint32_t(m_endCode), m_width);
    }

    void endOnly() { m_bits.put(std::uint32_t(m_endCode), m_width); }

  private:
    // The index after the run that starts at `at`; compares eight pixels at a time.
    static std::size_t runEnd(const std::uint8_t* pixels, std::size_t at, std::size_t count) {
        const std::uint8_t x = pixels[at];
        std::size_t end = at + 1;
        if constexpr (std::endian::native == std::endian::little) {
            const std::uint64_t pattern = 0x0101010101010101ull * x;
            while (end + 8 <= count) {
                std::uint64_t word;
                std::memcpy(&word, pixels + end, 8);
                if (const std::uint64_t diff = word ^ pattern)
                    return end + std::size_t(std::countr_zero(diff) / 8);
                end += 8;
            }
        }
        while (end < count && pixels[end] == x)
            ++end;
        return end;
    }

    void clear() {
        m_bumpLimit = m_initialBump;
        m_clearLimit = m_initialClearLimit;
        m_codesSinceClear = 0;
        m_tableRun = 0;
        m_justCleared = true;
        m_bits.put(std::uint32_t(m_clearCode), m_width);
        m_width = m_initialWidth;
    }

    void plain(int code) {
        m_justCleared = false;
        m_bits.put(std::uint32_t(code), m_width);
        ++m_codesSinceClear;
        if (m_codesSinceClear >= m_bumpLimit) {
            m_bumpLimit += std::int64_t(1) << m_width;
            ++m_width;
        }
        if (m_codesSinceClear >= m_clearLimit)
            clear();
    }

    // Right after a clear: writes the run as p, pp, ppp, ... so that the decoder's table fills
    // with runs of p in that order.
    void fromClear(std::int64_t count) {
        m_clearLimit = m_maxCodes;
        m_tablePixel = m_pixel;
        std::int64_t j = 1;
        while (count > 0) {
            if (j == 1) {
                m_tableRun = 1;
                plain(m_pixel);
                count -= 1;
            } else if (count >= j) {
                m_tableRun = j;
                plain(int(m_firstTableCode + j - 2));
                count -= j;
            } else {
                m_tableRun += 1;
                plain(count == 1 ? m_pixel : int(m_firstTableCode + count - 2));
                break;
            }
            j = m_codesSinceClear == 0 ? 1 : j + 1;
        }
        m_clearLimit = m_initialClearLimit;
        if (m_codesSinceClear >= m_initialClearLimit)
            clear();
    }

    // Codes that fromClear needs for `count` pixels when at most `m` codes fit between clears.
    static std::int64_t cost(std::int64_t count, std::int64_t m) {
        std::int64_t total = 0;
        const std::int64_t full = m * (m + 1) / 2;
        while (count >= full) {
            count -= full;
            total += m;
        }
        if (count > 0)
            total += smallestTriangle(count);
        return total;
    }

    // The smallest q with q (q + 1) >= 2 count.
    static std::int64_t smallestTriangle(std::int64_t count) {
        std::int64_t q = std::int64_t(std::sqrt(double(2 * count)));
        while (q > 0 && (q - 1) * q >= 2 * count)
            --q;
        while (q * (q + 1) < 2 * count)
            ++q;
        return q;
    }

    void clearOrRepeat(std::int64_t count) {
        if (cost(count, m_maxCodes) + 1 < count) {
            clear();
            fromClear(count);
            return;
        }
        for (std::int64_t i = 0; i < count; ++i)
            plain(m_pixel);
    }

    // The decoder's table holds runs of p up to m_tableRun: write the run in pieces of that
    // length, unless starting over from a clear is shorter.
    void withTable(std::int64_t count) {
        const std::int64_t t = m_tableRun;
        std::int64_t r = count / t;
        std::int64_t l = count % t;
        std::int64_t e = l > 0 ? 1 : 0;
        if (m_codesSinceClear + r + e > m_maxCodes) {
            r = m_maxCodes - m_codesSinceClear;
            l = count - r * t;
            e = 1 + cost(l, m_maxCodes);
        }
        if (cost(count, m_maxCodes) + 1 < r + e) {
            clear();
            fromClear(count);
            return;
        }
        m_clearLimit = m_maxCodes;
        const int runCode = int(m_firstTableCode + t - 2);
        for (std::int64_t i = 0; i < r; ++i)
            plain(runCode);
        if (l > 0) {
            if (m_justCleared)
                fromClear(l);
            else
                plain(l == 1 ? m_pixel : int(m_firstTableCode + l - 2));
        }
        m_clearLimit = m_initialClearLimit;
        if (m_codesSinceClear >= m_initialClearLimit)
            clear();
    }

    void flush(std::int64_t count) {
        if (count == 1)
            plain(m_pixel);
        else if (m_justCleared)
            fromClear(count);
        else if (m_tableRun > 1 && m_tablePixel == m_pixel)
            withTable(count);
        else
            clearOrRepeat(count);
    }

    BitWriter& m_bits;
    const int m_clearCode;
    const int m_endCode;
    const int m_firstTableCode;
    const int m_initialWidth;
    const std::int64_t m_initialBump;
    const std::int64_t m_initialClearLimit;
    const std::int64_t m_maxCodes;

    int m_width;
    std::int64_t m_bumpLimit = 0;
    std::int64_t m_clearLimit = 0;
    std::int64_t m_codesSinceClear = 0;
    std::int64_t m_tableRun = 0;
    int m_tablePixel = -1;
    bool m_justCleared = false;
    int m_pixel = -1;
};

// A plain LZW coder. Code widths follow the decoder, which enters a string one code later than
// the coder does: the k-th code after a clear must be wide enough for code R + k - 2.
class LzwCoder {
  public:
    LzwCoder(int codeSize, BitWriter& bits)
        : m_bits(bits),
          m_codeSize(codeSize),
          m_clearCode(1 << codeSize),
          m_endCode(m_clearCode + 1),
          m_firstTableCode(m_clearCode + 2) {}

    void encode(const std::uint8_t* pixels, std::size_t count, int colorCount) {
        clear();
        if (count == 0) {
            putCode(m_endCode);
            return;
        }
        if (pixels[0] >= colorCount)
            throw Error(QStringLiteral("Color not in color table"));
        int prefix = pixels[0];
        for (std::size_t i = 1; i < count; ++i) {
            const int pixel = pixels[i];
            if (pixel >= colorCount)
                throw Error(QStringLiteral("Color not in color table"));
            const std::uint32_t key = std::uint32_t(prefix) << 8 | std::uint32_t(pixel);
            std::size_t slot = hash(key);
            while (m_slotCode[slot] >= 0 && m_slotKey[slot] != key)
                slot = (slot + 1) & kSlotMask;
            if (m_slotCode[slot] >= 0) {
                prefix = m_slotCode[slot];
                continue;
            }
            putCode(prefix);
            const int entry = m_firstTableCode + m_codesSinceClear - 1;
            if (entry >= kLastCode) {
                putCode(m_clearCode);
                clearTable();
            } else {
                m_slotKey[slot] = key;
                m_slotCode[slot] = entry;
            }
            prefix = pixel;
        }
        putCode(prefix);
        putCode(m_endCode);
    }

  private:
    static constexpr int kLastCode = 4095;
    static constexpr std::size_t kSlots = 8192;
    static constexpr std::size_t kSlotMask = kSlots - 1;

    static std::size_t hash(std::uint32_t key) { return (key * 2654435761u) >> 19 & kSlotMask; }

    void putCode(int code) {
        ++m_codesSinceClear;
        while (m_width < 12 && (1 << m_width) <= m_firstTableCode + m_codesSinceClear - 2)
            ++m_width;
        m_bits.put(std::uint32_t(code), m_width);
    }

    void clear() {
        m_codesSinceClear = 0;
        m_width = m_codeSize + 1;
        putCode(m_clearCode);
        clearTable();
    }

    void clearTable() {
        m_codesSinceClear = 0;
        m_width = m_codeSize + 1;
        m_slotCode.fill(-1);
    }

    BitWriter& m_bits;
    const int m_codeSize;
    const int m_clearCode;
    const int m_endCode;
    const int m_firstTableCode;
    int m_width = 0;
    int m_codesSinceClear = 0;
    std::array<std::uint32_t, kSlots> m_slotKey{};
    std::array<int, kSlots> m_slotCode{};
};

QByteArray toSubBlocks(int codeSize, const std::vector<std::uint8_t>& codes) {
    QByteArray out;
    out.reserve(qsizetype(codes.size() + codes.size() / 255 + 3));
    out.append(char(codeSize));
    for (std::size_t at = 0; at < codes.size(); at += 255) {
        const std::size_t length = std::min<std::size_t>(255, codes.size() - at);
        out.append(char(length));
        out.append(reinterpret_cast<const char*>(codes.data() + at), qsizetype(length));
    }
    out.append(char(0));
    return out;
}

}  // namespace

QByteArray encodeGifImageDataLzw(const std::uint8_t* pixels, std::size_t count, int colorCount,
                                 int bitCount) {
    const int codeSize = std::max(bitCount, 2);
    std::vector<std::uint8_t> codes;
    codes.reserve(std::min<std::size_t>(count / 2 + 64, std::size_t(1) << 24));
    BitWriter bits(codes);
    auto coder = std::make_unique<LzwCoder>(codeSize, bits);
    coder->encode(pixels, count, colorCount);
    bits.finish();
    return toSubBlocks(codeSize, codes);
}

QByteArray encodeGifImageData(const std::uint8_t* pixels, std::size_t count, int colorCount,
                              int bitCount) {
    const int codeSize = std::max(bitCount, 2);
    std::vector<std::uint8_t> codes;
    // Text sheets are mostly long runs; a small start avoids regrowing for typical frames.
    codes.reserve(std::min<std::size_t>(count / 4 + 64, std::size_t(1) << 24));
    BitWriter bits(codes);
    RunLengthCoder coder(codeSize, bits);
    if (count == 0)
        coder.endOnly();
    else
        coder.encode(pixels, count, colorCount);
    bits.finish();

    return toSubBlocks(codeSize, codes);
}

}  // namespace td
