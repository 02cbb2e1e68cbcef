// Opening a face and drawing one row with it, two ways, over copies of the system fonts under
// distinct names (each file opened for the first time):
//  - QRawFont from the file's mapped bytes (what the face cache does), the row drawn as a glyph
//    run with QPainter onto an image;
//  - FreeType directly (FT_New_Memory_Face on the same bytes), the row's glyphs loaded,
//    rendered with FreeType's default hinting and antialiasing and blended onto an image.
// Also the face cache's own open (mapping, probe, names) and a cache hit.
//
// Run: build-<tag>/bench/platform/bench_faces [files]
#include <fcntl.h>
#include <ft2build.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include FT_FREETYPE_H

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QTemporaryDir>
#include <cstdio>

#include "platform/facecache.h"

#include "../support/benchutil.h"

using bench::median;
using bench::msSince;

namespace {

const QString kRow = QStringLiteral("abcdef ABCDEF 1234567890");
constexpr int kPixels = 12;

struct Mapped {
    const uchar* data = nullptr;
    qint64 size = 0;
    void* mapping = nullptr;
};

Mapped mapFile(const QString& path) {
    Mapped m;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    struct stat info {};
    if (fd >= 0 && ::fstat(fd, &info) == 0 && info.st_size > 0) {
        m.mapping = ::mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (m.mapping != MAP_FAILED) {
            m.data = static_cast<const uchar*>(m.mapping);
            m.size = info.st_size;
        } else {
            m.mapping = nullptr;
        }
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return m;
}

void drawQt(QImage& image, const QRawFont& raw) {
    const QList<quint32> glyphs = raw.glyphIndexesForString(kRow);
    const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs);
    QList<QPointF> positions;
    QPointF pen(2, 16);
    for (const QPointF& step : advances) {
        positions << pen;
        pen += step;
    }
    QGlyphRun run;
    run.setRawFont(raw);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    painter.drawGlyphRun(QPointF(), run);
}

void drawFreeType(QImage& image, FT_Face face) {
    int x = 2;
    const int baseline = 16;
    for (const QChar c : kRow) {
        if (FT_Load_Char(face, c.unicode(), FT_LOAD_RENDER) != 0) {
            continue;
        }
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const int y = baseline - slot->bitmap_top + int(row);
            if (y < 0 || y >= image.height()) {
                continue;
            }
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (unsigned col = 0; col < bitmap.width; ++col) {
                const int px = x + slot->bitmap_left + int(col);
                if (px < 0 || px >= image.width()) {
                    continue;
                }
                const int cover = bitmap.buffer[row * unsigned(bitmap.pitch) + col];
                const int v = qRed(line[px]) * (255 - cover) / 255;
                line[px] = qRgb(v, v, v);
            }
        }
        x += int(slot->advance.x >> 6);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 400;
    const QStringList sources = bench::systemFonts();
    if (sources.isEmpty()) {
        std::fprintf(stderr, "no system fonts found\n");
        return 1;
    }
    QTemporaryDir dir;
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString source = sources.at(i % sources.size());
        const QString target =
            dir.filePath(QStringLiteral("f%1-%2").arg(i).arg(QFileInfo(source).fileName()));
        QFile::copy(source, target);
        files << target;
    }
    FT_Library library = nullptr;
    FT_Init_FreeType(&library);

    std::vector<double> qtOpen, qtDraw, ftOpen, ftDraw, cacheOpen, cacheHit;
    QImage image(500, 24, QImage::Format_RGB32);
    td::FaceCache cache(1LL << 40);
    for (const QString& path : files) {
        const Mapped m = mapFile(path);
        const QByteArray bytes =
            QByteArray::fromRawData(reinterpret_cast<const char*>(m.data), m.size);
        QElapsedTimer timer;

        timer.start();
        {
            QRawFont raw;
            raw.loadFromData(bytes, kPixels, QFont::PreferDefaultHinting);
            qtOpen.push_back(msSince(timer));
            image.fill(Qt::white);
            timer.restart();
            drawQt(image, raw);
            qtDraw.push_back(msSince(timer));
        }

        timer.restart();
        FT_Face face = nullptr;
        FT_New_Memory_Face(library, m.data, FT_Long(m.size), 0, &face);
        FT_Set_Pixel_Sizes(face, 0, kPixels);
        ftOpen.push_back(msSince(timer));
        image.fill(Qt::white);
        timer.restart();
        drawFreeType(image, face);
        ftDraw.push_back(msSince(timer));
        FT_Done_Face(face);
        ::munmap(m.mapping, size_t(m.size));

        timer.restart();
        const auto opened = cache.open(path);
        cacheOpen.push_back(msSince(timer));
        timer.restart();
        cache.open(path);
        cacheHit.push_back(msSince(timer));
    }
    FT_Done_FreeType(library);
    std::printf("%d files, first open of each, medians:\n", count);
    std::printf("QRawFont:   open %.3f ms, draw a row %.3f ms, both %.3f ms\n", median(qtOpen),
                median(qtDraw), median(qtOpen) + median(qtDraw));
    std::printf("FreeType:   open %.3f ms, draw a row %.3f ms, both %.3f ms\n", median(ftOpen),
                median(ftDraw), median(ftOpen) + median(ftDraw));
    std::printf("face cache: open (map, probe, names) %.3f ms, hit %.4f ms\n", median(cacheOpen),
                median(cacheHit));
    return 0;
}
