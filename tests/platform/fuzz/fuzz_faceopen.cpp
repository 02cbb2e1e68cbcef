// Feeds arbitrary bytes to the face opener as a damaged or hostile font file would reach it:
// every face it accepts (the first, and a second as a collection has) must give its names and
// draw one glyph, and nothing may read outside the bytes given.
#include <stdlib.h>

#include <QGlyphRun>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdint>

#include "platform/facecache.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (int index = 0; index < 2; ++index) {
        const auto face = td::FontFace::fromData(bytes, index);
        if (!face) {
            continue;
        }
        (void)face->family();
        const QRawFont raw = face->rawFont(16);
        QList<quint32> glyphs = raw.glyphIndexesForString(QStringLiteral("A"));
        if (glyphs.isEmpty() || glyphs.first() == 0) {
            glyphs = {1};
        }
        QGlyphRun run;
        run.setRawFont(raw);
        run.setGlyphIndexes(glyphs);
        run.setPositions({QPointF(4, 20)});
        QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setPen(Qt::black);
        painter.drawGlyphRun(QPointF(), run);
    }
    return 0;
}
