#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>

namespace td {

// Codes the pixel indices of one frame as GIF image data, exactly as a file holds it: the code
// size byte, the codes in sub-blocks of at most 255 bytes, and the closing zero-length block.
//
// The codes are those an LZW decoder expects, but no string table is built: runs of one index
// are written either as repeated single codes or as the table codes the decoder has just made
// for p, pp, ppp, ... after a clear. `colorCount` is the size of the frame's colour map and
// `bitCount` its bit count (0 for an empty map). An index not below `colorCount` throws
// td::Error("Color not in color table").
QByteArray encodeGifImageData(const std::uint8_t* pixels, std::size_t count, int colorCount,
                              int bitCount);

// The same frame coded with a full LZW string table (smaller files, more work): the table is
// cleared whenever its 4096 codes are used up. Same layout and errors as above.
QByteArray encodeGifImageDataLzw(const std::uint8_t* pixels, std::size_t count, int colorCount,
                                 int bitCount);

}  // namespace td
