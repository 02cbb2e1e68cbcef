#pragma once

#include <QRect>
#include <QString>
#include <optional>

#include "platform/fonttable.h"

class QPainter;

namespace td {

// The offset of the caption line below a row's top: round(S1 × H ÷ (S1 + S2)) - 1, rounding
// halves to the even neighbour, but never so low that fewer than 15 pixels remain for the
// caption. S1 and S2 are the sample and caption sizes, H the row height.
int captionOffset(int sampleSize, int captionSize, int rowHeight);

// Bold and italic as a subfamily name asks for them: "italic" anywhere gives italic, "bold"
// anywhere gives bold (Semibold too), without regard to case.
FontStyle styleFromSubfamily(const QString& subfamily);

// The caption line: family, a blank, subfamily, " - " and the file list entry; for a collection
// of `faces` faces, " (N faces)" follows.
QString captionText(const QString& family, const QString& subfamily, const QString& entry,
                    int faces = 1);

// A point size in pixels at the given resolution (dots per inch), rounded.
int pointsToPixels(int points, int dpi);

// One font of a listing, as a row shows it.
struct SampleRow {
    QString family;
    QString subfamily;
    QString entry;
    QString path;  // the font file, activated while the row is drawn
    // A caption line of another form (the installed fonts' "name bold italic"); none means
    // captionText(family, subfamily, entry).
    std::optional<QString> caption{};
    int faces = 1;  // the faces of a collection; the first draws
};

// What the options say about every row.
struct SampleRowOptions {
    QString sampleText;
    QString baseFont;
    int sampleSize = 9;   // points
    int captionSize = 8;  // points
    int dpi = 96;         // of the device drawn on
};

// Draws the two lines of a row with its top-left corner at `topLeft`, in the painter's pen: the
// sample text in `face` with `style`, and `caption` in the base font `captionTop` pixels lower.
// With `opaque`, each text first covers its own box with the painter's background colour, so a
// later text hides what an earlier one drew under it. Activating font files is the caller's.
void paintSampleLines(QPainter& painter, const QPoint& topLeft, const QString& face,
                      FontStyle style, const QString& caption, int captionTop,
                      const SampleRowOptions& options, FontTable& fonts, bool opaque);

// The same with the two fonts given: `sample` draws `sampleText`, `base` the caption. Any thread
// may call it with fonts made on that thread.
void paintSampleLines(QPainter& painter, const QPoint& topLeft, const DrawingFont& sample,
                      const DrawingFont& base, const QString& sampleText, const QString& caption,
                      int captionTop, bool opaque);

// Draws one row of the sample grid (and of a sample sheet) into `rect`, in the painter's pen:
// the sample text in the font's own face with the style of its subfamily at the top, the
// caption line in the base font below it. The font file is active in `fonts` only while the row
// is drawn. A row without a family is left blank and activates nothing.
void paintSampleRow(QPainter& painter, const QRect& rect, const SampleRow& row,
                    const SampleRowOptions& options, FontTable& fonts);

}  // namespace td
