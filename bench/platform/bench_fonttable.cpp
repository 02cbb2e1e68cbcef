// Cost of one sample-grid row: activate the row's font file, draw the sample line in its face
// and the caption line in the base font, deactivate the file. 30 different font files, first
// pass (files read for the first time) and later passes (repaints, as when scrolling back).
// For comparison the same rows drawn through Qt's application fonts, added and removed per row.
//
// Run: build-<tag>/bench/platform/bench_fonttable [passes]
#include <stdlib.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QTemporaryDir>
#include <cstdio>

#include "platform/fonttable.h"

#include "../support/benchutil.h"

using bench::systemFonts;

namespace {

struct Row {
    QString path;
    QString family;
};

const QString kSample = QStringLiteral("The quick brown fox jumps over the lazy dog 0123456789");

double rowsWithTable(td::FontTable& table, const std::vector<Row>& rows, QImage& image) {
    QElapsedTimer timer;
    timer.start();
    QPainter painter(&image);
    painter.setPen(Qt::black);
    int y = 0;
    for (const Row& row : rows) {
        table.activate(row.path);
        const td::DrawingFont sample = table.resolve(row.family, {}, 24);
        sample.drawTextAt(painter, QPointF(2, y % 400), kSample);
        const td::DrawingFont caption = table.resolve(QStringLiteral("Arial"), {}, 11);
        caption.drawTextAt(painter, QPointF(2, y % 400 + 30),
                           row.family + QStringLiteral(" Regular"));
        table.deactivate(row.path);
        y += 45;
    }
    return timer.nsecsElapsed() / 1e6 / rows.size();
}

double rowsWithApplicationFonts(const std::vector<Row>& rows, QImage& image) {
    QElapsedTimer timer;
    timer.start();
    QPainter painter(&image);
    painter.setPen(Qt::black);
    int y = 0;
    for (const Row& row : rows) {
        const int id = QFontDatabase::addApplicationFont(row.path);
        QFont sample(row.family);
        sample.setPixelSize(24);
        painter.setFont(sample);
        painter.drawText(QPointF(2, y % 400 + 24), kSample);
        QFont caption(QStringLiteral("Arial"));
        caption.setPixelSize(11);
        painter.setFont(caption);
        painter.drawText(QPointF(2, y % 400 + 40), row.family + QStringLiteral(" Regular"));
        QFontDatabase::removeApplicationFont(id);
        y += 45;
    }
    return timer.nsecsElapsed() / 1e6 / rows.size();
}

}  // namespace

int main(int argc, char** argv) {
    // Never the real home: fontconfig and Qt may write caches.
    QTemporaryDir home;
    setenv("HOME", QFile::encodeName(home.path()).constData(), 1);
    setenv("XDG_CACHE_HOME", QFile::encodeName(home.path() + "/cache").constData(), 1);
    setenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", QFile::encodeName(home.path() + "/data").constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const int passes = argc > 1 ? std::max(2, atoi(argv[1])) : 5;

    const QStringList sources = systemFonts();
    if (sources.isEmpty()) {
        std::fprintf(stderr, "no fonts found\n");
        return 1;
    }
    // 30 different files, as a browsed folder would hold.
    std::vector<Row> rows;
    for (int i = 0; i < 30; ++i) {
        const QString target =
            home.filePath(QStringLiteral("font%1.ttf").arg(i, 2, 10, QLatin1Char('0')));
        QFile::copy(sources[i % sources.size()], target);
        rows.push_back({target, QRawFont(target, 12).familyName()});
    }

    QImage image(800, 450, QImage::Format_RGB32);
    image.fill(Qt::white);
    td::QtFontTable table;
    const double first = rowsWithTable(table, rows, image);
    double later = 0;
    for (int pass = 1; pass < passes; ++pass) {
        later += rowsWithTable(table, rows, image);
    }
    later /= passes - 1;

    const double appFirst = rowsWithApplicationFonts(rows, image);
    double appLater = 0;
    for (int pass = 1; pass < passes; ++pass) {
        appLater += rowsWithApplicationFonts(rows, image);
    }
    appLater /= passes - 1;

    std::printf("font table, first paint of 30 files:   %.3f ms per row\n", first);
    std::printf("font table, repaints (%d passes):        %.3f ms per row\n", passes - 1, later);
    std::printf("Qt application fonts, first paint:      %.3f ms per row\n", appFirst);
    std::printf("Qt application fonts, repaints:         %.3f ms per row\n", appLater);
    return 0;
}
