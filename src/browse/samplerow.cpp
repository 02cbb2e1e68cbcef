#include "browse/samplerow.h"

#include <QPainter>
#include <cmath>

namespace td {

int captionOffset(int sampleSize, int captionSize, int rowHeight) {
    const int sum = sampleSize + captionSize;
    // Sizes come from spin boxes that start at 1; a zero sum would divide by zero, and then
    // the caption simply keeps its 15 pixels.
    const double share = sum > 0 ? double(sampleSize) * rowHeight / sum : 0.0;
    // nearbyint rounds in the current mode, which is to nearest with ties to even.
    int offset = static_cast<int>(std::nearbyint(share)) - 1;
    if (rowHeight - offset < 15) {
        offset = rowHeight - 15;
    }
    return offset;
}

FontStyle styleFromSubfamily(const QString& subfamily) {
    const QString lower = subfamily.toLower();
    FontStyle style;
    style.italic = lower.contains(u"italic");
    style.bold = lower.contains(u"bold");
    return style;
}

QString captionText(const QString& family, const QString& subfamily, const QString& entry,
                    int faces) {
    QString text = family + u' ' + subfamily + QStringLiteral(" - ") + entry;
    if (faces > 1) {
        text += QStringLiteral(" (%1 faces)").arg(faces);
    }
    return text;
}

int pointsToPixels(int points, int dpi) {
    return std::max(1, static_cast<int>(std::lround(points * double(dpi) / 72.0)));
}

namespace {

void drawLine(QPainter& painter, const DrawingFont& font, const QPointF& topLeft,
              const QString& text, bool opaque) {
    if (opaque && !text.isEmpty()) {
        painter.fillRect(QRectF(topLeft, QSizeF(font.horizontalAdvance(text), font.height())),
                         painter.background());
    }
    font.drawTextAt(painter, topLeft, text);
}

}  // namespace

void paintSampleLines(QPainter& painter, const QPoint& topLeft, const QString& face,
                      FontStyle style, const QString& caption, int captionTop,
                      const SampleRowOptions& options, FontTable& fonts, bool opaque) {
    const DrawingFont sample =
        fonts.resolve(face, style, pointsToPixels(options.sampleSize, options.dpi));
    const DrawingFont base = fonts.resolve(options.baseFont, FontStyle{},
                                           pointsToPixels(options.captionSize, options.dpi));
    paintSampleLines(painter, topLeft, sample, base, options.sampleText, caption, captionTop,
                     opaque);
}

void paintSampleLines(QPainter& painter, const QPoint& topLeft, const DrawingFont& sample,
                      const DrawingFont& base, const QString& sampleText, const QString& caption,
                      int captionTop, bool opaque) {
    drawLine(painter, sample, topLeft, sampleText, opaque);
    drawLine(painter, base, QPointF(topLeft.x(), topLeft.y() + captionTop), caption, opaque);
}

void paintSampleRow(QPainter& painter, const QRect& rect, const SampleRow& row,
                    const SampleRowOptions& options, FontTable& fonts) {
    if (row.family.isEmpty()) {
        return;
    }
    const int offset = captionOffset(options.sampleSize, options.captionSize, rect.height());
    fonts.activate(row.path);
    paintSampleLines(
        painter, rect.topLeft(), row.family, styleFromSubfamily(row.subfamily),
        row.caption ? *row.caption : captionText(row.family, row.subfamily, row.entry, row.faces),
        offset, options, fonts, false);
    fonts.deactivate(row.path);
}

}  // namespace td
