#include "gif_reader.h"

#include <gif_lib.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace tdtest {

namespace {

class Cursor {
  public:
    explicit Cursor(const QByteArray& bytes) : m_bytes(bytes) {}
    int u8() {
        if (m_at >= m_bytes.size())
            throw std::runtime_error("GIF ends early");
        return std::uint8_t(m_bytes[m_at++]);
    }
    int u16() {
        const int low = u8();
        return low | u8() << 8;
    }
    QByteArray take(qsizetype n) {
        if (m_at + n > m_bytes.size())
            throw std::runtime_error("GIF ends early");
        QByteArray part = m_bytes.mid(m_at, n);
        m_at += n;
        return part;
    }
    bool atEnd() const { return m_at == m_bytes.size(); }

  private:
    const QByteArray& m_bytes;
    qsizetype m_at = 0;
};

int readMemory(GifFileType* gif, GifByteType* out, int length) {
    auto* source = static_cast<std::pair<const QByteArray*, qsizetype>*>(gif->UserData);
    const qsizetype left = source->first->size() - source->second;
    const int n = int(std::min<qsizetype>(left, length));
    std::memcpy(out, source->first->constData() + source->second, std::size_t(n));
    source->second += n;
    return n;
}

}  // namespace

ParsedGif parseGif(const QByteArray& file) {
    Cursor in(file);
    ParsedGif gif;
    if (in.take(3) != "GIF")
        throw std::runtime_error("no GIF signature");
    gif.version = in.take(3);
    gif.width = in.u16();
    gif.height = in.u16();
    gif.flags = std::uint8_t(in.u8());
    gif.background = std::uint8_t(in.u8());
    gif.aspect = std::uint8_t(in.u8());
    if (gif.flags & 0x80)
        gif.globalTable = in.take(3 << ((gif.flags & 7) + 1));
    for (;;) {
        const int separator = in.u8();
        if (separator == 0x3B) {
            gif.trailerLast = in.atEnd();
            return gif;
        }
        if (separator == 0x21) {  // extension: label, then sub-blocks
            in.u8();
            for (int n = in.u8(); n != 0; n = in.u8())
                in.take(n);
            continue;
        }
        if (separator != 0x2C)
            throw std::runtime_error("unexpected block " + std::to_string(separator));
        ParsedFrame frame;
        frame.left = in.u16();
        frame.top = in.u16();
        frame.width = in.u16();
        frame.height = in.u16();
        frame.flags = std::uint8_t(in.u8());
        if (frame.flags & 0x80)
            frame.localTable = in.take(3 << ((frame.flags & 7) + 1));
        frame.codeSize = in.u8();
        for (int n = in.u8(); n != 0; n = in.u8()) {
            frame.subBlockLengths.push_back(n);
            frame.data += in.take(n);
        }
        gif.frames.push_back(frame);
    }
}

std::vector<int> readCodes(const QByteArray& data, int codeSize) {
    const int clear = 1 << codeSize;
    const int end = clear + 1;
    std::vector<int> codes;
    int width = codeSize + 1;
    int next = clear + 2;
    bool first = true;
    std::uint64_t acc = 0;
    int bits = 0;
    qsizetype at = 0;
    for (;;) {
        while (bits < width) {
            if (at >= data.size())
                throw std::runtime_error("image data ends before the end code");
            acc |= std::uint64_t(std::uint8_t(data[at++])) << bits;
            bits += 8;
        }
        const int code = int(acc & ((1u << width) - 1));
        acc >>= width;
        bits -= width;
        codes.push_back(code);
        if (code == end)
            return codes;
        if (code == clear) {
            width = codeSize + 1;
            next = clear + 2;
            first = true;
            continue;
        }
        if (first) {
            first = false;
            continue;
        }
        if (next < 4096)
            ++next;
        if (next == (1 << width) && width < 12)
            ++width;
    }
}

Decoded decodeWithGiflib(const QByteArray& file) {
    std::pair<const QByteArray*, qsizetype> source{&file, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&source, readMemory, &error);
    if (!gif)
        throw std::runtime_error(std::string("giflib cannot open: ") + GifErrorString(error));
    if (DGifSlurp(gif) != GIF_OK) {
        const std::string message = GifErrorString(gif->Error);
        DGifCloseFile(gif, &error);
        throw std::runtime_error("giflib cannot decode: " + message);
    }
    Decoded out;
    if (gif->ImageCount != 1) {
        DGifCloseFile(gif, &error);
        throw std::runtime_error("expected one image");
    }
    const SavedImage& image = gif->SavedImages[0];
    out.width = image.ImageDesc.Width;
    out.height = image.ImageDesc.Height;
    out.indices.assign(image.RasterBits, image.RasterBits + std::size_t(out.width) * out.height);
    const ColorMapObject* map =
        image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    if (map)
        for (int i = 0; i < map->ColorCount; ++i)
            out.colors.push_back(
                qRgb(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue));
    DGifCloseFile(gif, &error);
    return out;
}

}  // namespace tdtest
