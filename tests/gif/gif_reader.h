#pragma once

#include <QByteArray>
#include <QRgb>
#include <cstdint>
#include <vector>

namespace tdtest {

// The parts of a GIF file the tests look at, read by hand so that every field is checked
// where it sits in the file.
struct ParsedFrame {
    int left = 0, top = 0, width = 0, height = 0;
    std::uint8_t flags = 0;
    QByteArray localTable;             // as stored, padded
    int codeSize = 0;                  // first byte of the image data
    std::vector<int> subBlockLengths;  // without the closing zero block
    QByteArray data;                   // the sub-blocks' contents, joined
};

struct ParsedGif {
    QByteArray version;  // "87a" or "89a"
    int width = 0, height = 0;
    std::uint8_t flags = 0, background = 0, aspect = 0;
    QByteArray globalTable;
    std::vector<ParsedFrame> frames;
    bool trailerLast = false;  // 0x3B is the file's last byte
};

// Throws std::runtime_error on anything it does not expect.
ParsedGif parseGif(const QByteArray& file);

// Reads the codes of image data the way an LZW decoder sizes them: B + 1 bits after a clear,
// one bit more whenever the next table entry would not fit, at most 12.
std::vector<int> readCodes(const QByteArray& data, int codeSize);

// What giflib makes of the file.
struct Decoded {
    int width = 0, height = 0;
    std::vector<std::uint8_t> indices;
    std::vector<QRgb> colors;  // the map the frame uses (local, else global)
};
Decoded decodeWithGiflib(const QByteArray& file);

}  // namespace tdtest
