#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <vector>

#include "app/settings.h"

namespace td {

// The height of the sample band of a sheet row: Pc × H ÷ (Pc + Pb), to the nearest integer
// with halves to the even neighbour (16, 8, 50 give 33; 9, 9, 45 give 22). The caption band
// starts there.
int sampleBandHeight(int sampleSize, int captionSize, int rowHeight);

// One sheet of a grouped export: its first row of the list and how many rows it holds.
struct SheetSpan {
    int first = 0;
    int rows = 0;
    friend bool operator==(const SheetSpan&, const SheetSpan&) = default;
};

// The sheets of `rowCount` rows at `perSheet` rows a sheet (below 1 counts as 1): full sheets,
// the last holding what remains (7 at 3 give 3, 3, 1; 6 give 3, 3; none give no sheet).
std::vector<SheetSpan> sheetSpans(int rowCount, int perSheet);

// The stem of a grouped export's sheet names, from the listed folder: lower-cased, one
// trailing "/" dropped, every "\", "/" and ":" made a ",". "/home/ann/Fonts/" gives
// ",home,ann,fonts"; the root "/" keeps its one separator and gives ",".
QString exportStem(const QString& folder);

// The name part of a text: what follows its last "/".
QString namePart(const QString& text);

// The image file names of the exports. `family` (and `style`, `italic` for installed fonts) are
// the table's columns 0, 1 and 2; `sheet` the number of a grouped export's sheet.
//
// Directory fonts, view mode 1 (a folder's files) and 3 (an archive's fonts): each font in its
// own file is the family (its name part in view mode 3) and ".JPG", ".BMP" or ".GIF"; a sheet is
// the stem (view mode 1) or the archive's file name (view mode 3), "-", the number and ".jpg",
// ".bmp" or ".GIF". In other view modes nothing is written: the name is empty.
QString directoryImageName(int viewMode, bool eachOwnFile, ImageType type, const QString& family,
                           const QString& stemOrArchive, int sheet);

// Installed fonts: each in its own file is "face.bmp" for BMP and "face style italic.JPG"
// (".GIF") otherwise; a sheet is "Installed-" + number + ".jpg" (".bmp", ".GIF").
QString installedImageName(bool eachOwnFile, ImageType type, const QString& face,
                           const QString& bold, const QString& italic, int sheet);

// How a sheet is written.
struct ImageEncoding {
    ImageType type = ImageType::Jpeg;
    int quality = 50;  // JPEG
    int bmpBits = 32;  // BMP: 1, 4, 8, 16, 24 or 32
};

// The file bytes of `image` in the chosen format, as writeSampleImage writes them.
QByteArray encodeSampleImage(const QImage& image, const ImageEncoding& encoding);

// Writes `image` to `fileName`: JPEG at the quality, BMP at its bits per pixel, GIF reduced to
// the 216-colour palette by nearest colour and coded by runs. A file is replaced only by a
// complete new one; throws td::Error naming the file when it cannot be written.
void writeSampleImage(const QImage& image, const QString& fileName, const ImageEncoding& encoding);

}  // namespace td
