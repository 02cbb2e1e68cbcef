// The "Directory fonts" tab on a folder of 1,000 font files:
//  - ListFonts (file list, path list, the eight names of every font) against fc-scan of the
//    same folder, each run several times in this process;
//  - one full screen of the sample grid (30 rows of 50 pixels at the default sizes 9 and 8
//    points), activation included, painted the first time and again (a repaint);
//  - one new row, as scrolling by one row paints it;
//  - ListFonts against fc-scan on a mixed folder of as many files: copies of TrueType (.ttf),
//    OpenType CFF (.otf) and collection (.ttc) files in turn, under distinct names;
//  - the first paint of a row of a collection against that of a row of a single .ttf.
//  - Page Down held through a folder of 10,000 font files (hard links to the system fonts under
//    distinct names where the file system allows, else copies): the time of each frame from the
//    key press to the finished paint, with the event loop running between key repeats (33 ms)
//    so that rows drawn ahead on the worker pool arrive as they would.
//
// Run: build-<tag>/bench/browse/bench_listing [fonts] [scroll fonts]
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QListWidget>
#include <QPainter>
#include <QProcess>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "archive/tziparchive.h"
#include "browse/directorypanel.h"
#include "browse/fontlisting.h"
#include "browse/samplegrid.h"
#include "browse/samplerow.h"
#include "platform/busyanimation.h"
#include "platform/dialogs.h"
#include "platform/drives.h"
#include "platform/services.h"
#include "ttfnames/fontnames.h"

#include "../support/benchutil.h"

using bench::median;
using bench::msSince;
using bench::systemFonts;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    constexpr int kRuns = 5;

    const QStringList sources = systemFonts();
    if (sources.isEmpty()) {
        std::fprintf(stderr, "no system fonts found\n");
        return 1;
    }
    QTemporaryDir dir;
    for (int i = 0; i < count; ++i) {
        const QString source = sources.at(i % sources.size());
        QFile::copy(source, dir.filePath(QStringLiteral("f%1-%2")
                                             .arg(i, 4, 10, QLatin1Char('0'))
                                             .arg(QFileInfo(source).fileName())));
    }
    std::printf("%d font files (copies of %lld system fonts) in %s\n", count,
                static_cast<long long>(sources.size()), qPrintable(dir.path()));

    td::Services services;
    td::TZipArchive archive(services);
    int pumps = 0;
    td::DirectorySource source(archive, nullptr, QDir::tempPath(),
                               td::DirectorySource::Hooks{{},
                                                          {},
                                                          [&pumps] {
                                                              ++pumps;
                                                              td::keepPainting();
                                                          },
                                                          [] { return false; }});
    source.setFolder(dir.path());

    std::vector<double> listing;
    std::vector<double> scans;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        source.ListFonts();
        listing.push_back(msSince(timer));

        timer.restart();
        QProcess scan;
        scan.setStandardOutputFile(QProcess::nullDevice());
        scan.start(QStringLiteral("fc-scan"),
                   {QStringLiteral("--format"), QStringLiteral("%{family}\\n"), dir.path()});
        scan.waitForFinished(-1);
        scans.push_back(msSince(timer));
    }
    std::printf("ListFonts:  median %.1f ms, best %.1f ms (%d rows, %d busy pumps per run)\n",
                median(listing), *std::min_element(listing.begin(), listing.end()),
                source.listing().rowCount(), pumps / kRuns);
    std::printf("fc-scan:    median %.1f ms, best %.1f ms\n", median(scans),
                *std::min_element(scans.begin(), scans.end()));

    // The same listing shown in the window's controls: the file list, the hidden nine-column
    // table and the grid's rows.
    {
        td::QtDialogs dialogs;
        td::FakeDrives drives;
        td::QtFontTable panelFonts;
        QListWidget fileList;
        QTableWidget hiddenTable;
        QTableWidget grid;
        QStringList paths;
        td::DirectoryControls controls;
        controls.FileListBox1 = &fileList;
        controls.StringGrid1 = &hiddenTable;
        controls.StringGrid2 = &grid;
        controls.lb_ = &paths;
        td::DirectorySource shown(
            archive, nullptr, QDir::tempPath(),
            td::DirectorySource::Hooks{{}, {}, [] { td::keepPainting(); }, [] { return false; }});
        td::DirectoryPanel panel(controls, shown, dialogs, drives, panelFonts, {}, {});
        panel.openFolder(dir.path());
        std::vector<double> panelRuns;
        for (int run = 0; run < kRuns; ++run) {
            QElapsedTimer timer;
            timer.start();
            panel.ListFonts();
            panelRuns.push_back(msSince(timer));
        }
        std::printf("ListFonts in the controls: median %.1f ms, best %.1f ms\n", median(panelRuns),
                    *std::min_element(panelRuns.begin(), panelRuns.end()));
    }

    // One screen of the grid: 30 rows of 50 pixels.
    td::QtFontTable fonts;
    const td::SampleRowOptions options{QStringLiteral("abcdef ABCDEF 1234567890"),
                                       QStringLiteral("Arial"), 9, 8, 96};
    td::SampleGridModel model(source.listing());
    td::SampleRowDelegate delegate(fonts, [&] { return options; });
    QTableView view;
    td::setUpSampleGrid(view);
    view.setModel(&model);
    view.setItemDelegate(&delegate);
    view.resize(560, 30 * 50 + 4);
    view.setColumnWidth(0, 535);

    // The first paint of the window sets up the style and looks the base font up once; a
    // screen of rows whose files were never drawn is timed apart from that.
    QElapsedTimer timer;
    timer.start();
    view.viewport()->grab();
    const double firstScreen = msSince(timer);
    // Screens of files never drawn, one after another (the first of them alone is printed
    // as before; the median of the next ones beside it).
    std::vector<double> newScreens;
    for (int top = 30; top + 30 <= std::min(source.listing().rowCount(), 60 + 30 * 4); top += 30) {
        view.scrollTo(model.index(top, 0), QAbstractItemView::PositionAtTop);
        timer.restart();
        view.viewport()->grab();
        newScreens.push_back(msSince(timer));
    }
    const double newScreen = newScreens.empty() ? 0 : newScreens.front();
    view.scrollToTop();
    std::vector<double> repaints;
    for (int i = 0; i < 20; ++i) {
        timer.restart();
        view.viewport()->grab();
        repaints.push_back(msSince(timer));
    }
    std::printf(
        "30 rows:    first paint of the window %.2f ms, a screen of files never drawn %.2f ms, "
        "repaint median %.2f ms\n",
        firstScreen, newScreen, median(repaints));
    if (newScreens.size() > 1) {
        std::printf("            next screens never drawn: median %.2f ms of %zu\n",
                    median(std::vector<double>(newScreens.begin() + 1, newScreens.end())),
                    newScreens.size() - 1);
    }

    // Scrolling by one row paints the row that comes into view: a file not drawn before, then
    // one drawn before (scrolling back).
    QImage row(535, 50, QImage::Format_ARGB32_Premultiplied);
    std::vector<double> newRows;
    std::vector<double> seenRows;
    for (int r = 60; r < std::min(160, source.listing().rowCount()); ++r) {
        row.fill(Qt::white);
        QPainter painter(&row);
        const td::SampleRow sample = model.sampleRow(r);
        timer.restart();
        td::paintSampleRow(painter, row.rect(), sample, options, fonts);
        newRows.push_back(msSince(timer));
        timer.restart();
        td::paintSampleRow(painter, row.rect(), sample, options, fonts);
        seenRows.push_back(msSince(timer));
    }
    if (!newRows.empty()) {
        std::printf("one row:    new file median %.3f ms, seen file median %.3f ms\n",
                    median(newRows), median(seenRows));
    }
    // The same rows as the grid draws them now: a picture of the row from the file, the way a
    // worker draws it (here on this thread), then blitted.
    std::vector<double> pictureRows;
    std::vector<double> blits;
    for (int r = 160; r < std::min(260, source.listing().rowCount()); ++r) {
        const td::SampleRow sample = model.sampleRow(r);
        timer.restart();
        const td::RowImageJob job =
            td::rowImageJob(sample, options, fonts, Qt::black, row.size(), 1.0);
        const std::optional<QImage> picture = td::renderRowImage(job);
        pictureRows.push_back(msSince(timer));
        if (picture) {
            QPainter painter(&row);
            timer.restart();
            painter.drawImage(0, 0, *picture);
            blits.push_back(msSince(timer));
        }
    }
    if (!pictureRows.empty() && !blits.empty()) {
        std::printf("one row:    as a picture, new file median %.3f ms; blit median %.3f ms\n",
                    median(pictureRows), median(blits));
    }

    // Page Down held through a large folder.
    const int scrollCount = argc > 2 ? std::max(1, atoi(argv[2])) : 10000;
    QTemporaryDir big;
    int linked = 0;
    for (int i = 0; i < scrollCount; ++i) {
        const QString source = sources.at(i % sources.size());
        const QString target = big.filePath(QStringLiteral("g%1-%2")
                                                .arg(i, 5, 10, QLatin1Char('0'))
                                                .arg(QFileInfo(source).fileName()));
        if (::link(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) ==
            0) {
            ++linked;
        } else {
            QFile::copy(source, target);
        }
    }
    td::DirectorySource bigSource(
        archive, nullptr, QDir::tempPath(),
        td::DirectorySource::Hooks{{}, {}, [] { td::keepPainting(); }, [] { return false; }});
    bigSource.setFolder(big.path());
    timer.restart();
    bigSource.ListFonts();
    const double bigListing = msSince(timer);
    td::SampleGridModel bigModel(bigSource.listing());
    td::SampleRowDelegate bigDelegate(fonts, [&] { return options; });
    QTableView pages;
    td::setUpSampleGrid(pages);
    pages.setModel(&bigModel);
    pages.setItemDelegate(&bigDelegate);
    pages.resize(560, 30 * 50 + 4);
    pages.setColumnWidth(0, 535);
    pages.show();
    pages.setCurrentIndex(bigModel.index(0, 0));
    pages.viewport()->repaint();
    auto keyRepeat = [] {
        QEventLoop loop;
        QTimer::singleShot(33, &loop, &QEventLoop::quit);
        loop.exec();
    };
    keyRepeat();
    std::vector<double> frames;
    while (pages.currentIndex().row() < bigModel.rowCount() - 1) {
        timer.restart();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QApplication::sendEvent(&pages, &press);
        pages.viewport()->repaint();
        frames.push_back(msSince(timer));
        keyRepeat();
    }
    if (frames.empty()) {
        std::printf("Page Down:  %d files: one screen, nothing to page through\n",
                    bigModel.rowCount());
        return 0;
    }
    std::sort(frames.begin(), frames.end());
    const auto over = std::count_if(frames.begin(), frames.end(), [](double f) { return f > 16; });
    std::printf(
        "Page Down:  %d files (%d hard links), listed in %.0f ms; %zu frames: median %.2f ms, "
        "p99 %.2f ms, worst %.2f ms, %lld over 16 ms\n",
        bigModel.rowCount(), linked, bigListing, frames.size(), median(frames),
        frames[std::min(frames.size() - 1, frames.size() * 99 / 100)], frames.back(),
        static_cast<long long>(over));

    // The mixed folder: .ttf, .otf and .ttc copies in turn.
    const QString collection = QStringLiteral("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc");
    QStringList openType;
    const QDir cantarell(QStringLiteral("/usr/share/fonts/opentype/cantarell"));
    for (const QString& name : cantarell.entryList({QStringLiteral("*.otf")}, QDir::Files)) {
        openType << cantarell.filePath(name);
    }
    if (openType.isEmpty() || !QFile::exists(collection)) {
        std::fprintf(stderr,
                     "fonts-cantarell and fonts-wqy-microhei are needed for the mixed "
                     "folder\n");
        return 1;
    }
    QTemporaryDir mixed;
    for (int i = 0; i < count; ++i) {
        const QString from = i % 3 == 0   ? sources.at((i / 3) % sources.size())
                             : i % 3 == 1 ? openType.at((i / 3) % openType.size())
                                          : collection;
        QFile::copy(from, mixed.filePath(QStringLiteral("m%1-%2")
                                             .arg(i, 4, 10, QLatin1Char('0'))
                                             .arg(QFileInfo(from).fileName())));
    }
    source.setFolder(mixed.path());
    listing.clear();
    scans.clear();
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer mixedTimer;
        mixedTimer.start();
        source.ListFonts();
        listing.push_back(msSince(mixedTimer));
        mixedTimer.restart();
        QProcess scan;
        scan.setStandardOutputFile(QProcess::nullDevice());
        scan.start(QStringLiteral("fc-scan"),
                   {QStringLiteral("--format"), QStringLiteral("%{family}\\n"), mixed.path()});
        scan.waitForFinished(-1);
        scans.push_back(msSince(mixedTimer));
    }
    std::printf(
        "mixed folder (.ttf/.otf/.ttc): ListFonts median %.1f ms (%d rows), fc-scan median "
        "%.1f ms, %.1fx\n",
        median(listing), source.listing().rowCount(), median(scans),
        median(scans) / median(listing));

    // The first paint of one row, each time in a fresh font table (nothing cached).
    auto firstRowPaint = [&](const QString& path) {
        const td::TFontNames names = td::ReadFontNames(path);
        std::vector<double> runs;
        for (int run = 0; run < 9; ++run) {
            td::QtFontTable fresh;
            QImage image(535, 50, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::white);
            QPainter painter(&image);
            QElapsedTimer rowTimer;
            rowTimer.start();
            td::paintSampleRow(
                painter, image.rect(),
                td::SampleRow{names.Family, names.Subfamily, QFileInfo(path).fileName(), path},
                options, fresh);
            runs.push_back(msSince(rowTimer));
        }
        return median(runs);
    };
    const QString single = sources.first();
    std::printf("first paint of one row: %s (%lld KB) %.2f ms, %s (%lld KB) %.2f ms\n",
                qPrintable(QFileInfo(single).fileName()), QFileInfo(single).size() / 1024,
                firstRowPaint(single), qPrintable(QFileInfo(collection).fileName()),
                QFileInfo(collection).size() / 1024, firstRowPaint(collection));
    return 0;
}
