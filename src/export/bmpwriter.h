#pragma once

#include <QImage>
#include <QString>

namespace td {

// Bits per pixel for an item of the colour-depth list ("1bit - 2 colors" ... "32bits - 16M+
// colors"): 1, 4, 8, 16, 24, 32. No item selected (-1), or any index outside the list, gives 4.
int SelectedPixelFormat(int colorDepthItem);

// Saves `image` as a Windows bitmap file (uncompressed, bottom-up rows) at 1, 4, 8, 16, 24 or
// 32 bits per pixel. Throws td::Error for another depth, an empty image, or a file that cannot
// be written; an existing file is replaced only by a complete new one.
void writeBmp(const QImage& image, const QString& fileName, int bitsPerPixel);

// The same file in memory.
QByteArray encodeBmp(const QImage& image, int bitsPerPixel);

}  // namespace td
