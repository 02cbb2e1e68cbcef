#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace td {

constexpr int kMinJpegQuality = 10;
constexpr int kMaxJpegQuality = 100;

// Saves `image` as a JPEG file through libjpeg: the quality factor (kept within 10..100) is the
// only setting; everything else stays at the library's defaults. Throws td::Error for an empty
// image, one too large for the format, or a file that cannot be written; an existing file is
// replaced only by a complete new one.
void writeJpeg(const QImage& image, const QString& fileName, int quality);

// The same file in memory.
QByteArray encodeJpeg(const QImage& image, int quality);

}  // namespace td
