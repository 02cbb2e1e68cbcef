#include "export/sheetlayout.h"

#include <algorithm>
#include <cmath>

#include "export/bmpwriter.h"
#include "export/jpegwriter.h"
#include "gif/gifpicture.h"
#include "platform/savefile.h"

namespace td {

int sampleBandHeight(int sampleSize, int captionSize, int rowHeight) {
    const int sum = sampleSize + captionSize;
    if (sum <= 0) {
        return 0;
    }
    // nearbyint rounds in the default mode: to nearest, ties to even.
    return static_cast<int>(std::nearbyint(double(sampleSize) * rowHeight / sum));
}

std::vector<SheetSpan> sheetSpans(int rowCount, int perSheet) {
    const int n = std::max(1, perSheet);
    std::vector<SheetSpan> spans;
    for (int first = 0; first < rowCount; first += n) {
        spans.push_back({first, std::min(n, rowCount - first)});
    }
    return spans;
}

QString exportStem(const QString& folder) {
    QString stem = folder.toLower();
    if (stem.size() > 1 && (stem.endsWith(u'/') || stem.endsWith(u'\\'))) {
        stem.chop(1);
    }
    for (QChar& c : stem) {
        if (c == u'/' || c == u'\\' || c == u':') {
            c = u',';
        }
    }
    return stem;
}

QString namePart(const QString& text) {
    return text.mid(text.lastIndexOf(u'/') + 1);
}

namespace {

QString extension(ImageType type, bool upper) {
    switch (type) {
        case ImageType::Bmp:
            return upper ? QStringLiteral(".BMP") : QStringLiteral(".bmp");
        case ImageType::Gif:
            return QStringLiteral(".GIF");
        case ImageType::Jpeg:
            break;
    }
    return upper ? QStringLiteral(".JPG") : QStringLiteral(".jpg");
}

}  // namespace

QString directoryImageName(int viewMode, bool eachOwnFile, ImageType type, const QString& family,
                           const QString& stemOrArchive, int sheet) {
    if (viewMode != 1 && viewMode != 3) {
        return {};
    }
    if (eachOwnFile) {
        return (viewMode == 3 ? namePart(family) : family) + extension(type, true);
    }
    return stemOrArchive + u'-' + QString::number(sheet) + extension(type, false);
}

QString installedImageName(bool eachOwnFile, ImageType type, const QString& face,
                           const QString& bold, const QString& italic, int sheet) {
    if (!eachOwnFile) {
        return QStringLiteral("Installed-") + QString::number(sheet) + extension(type, false);
    }
    if (type == ImageType::Bmp) {
        return face + extension(type, false);
    }
    return face + u' ' + bold + u' ' + italic + extension(type, true);
}

QByteArray encodeSampleImage(const QImage& image, const ImageEncoding& encoding) {
    switch (encoding.type) {
        case ImageType::Bmp:
            return encodeBmp(image, encoding.bmpBits);
        case ImageType::Gif: {
            TGifPicture gif;
            gif.setDitherMode(GifDitherMode::NearestColor);
            gif.setCompression(GifCompression::RunLength);
            gif.assign(image);
            return gif.saveToBytes();
        }
        case ImageType::Jpeg:
            break;
    }
    return encodeJpeg(image, encoding.quality);
}

void writeSampleImage(const QImage& image, const QString& fileName, const ImageEncoding& encoding) {
    // Coding completes in memory first, so a failure leaves any existing file untouched.
    saveFileContents(fileName, encodeSampleImage(image, encoding));
}

}  // namespace td
