// The "Installed fonts" tab on a fontconfig that sees 3,000 font files (copies of the system's
// DejaVu and Liberation fonts, each renamed so that every copy is a face of its own):
//  - ListInstalledFonts (the Fonts key's enumeration through fontconfig included) against
//    `fc-list` of the same configuration, each run several times in this run;
//  - one full screen (1920 x 1080) of the grid painted, the first time and again (a repaint).
// Everything lives in a temporary folder that stands in for the home folder.
//
// Run: build/bench/views/bench_installed [fonts [screenshot.png]]
#include <stdlib.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QListWidget>
#include <QPixmap>
#include <QProcess>
#include <QTableWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/busyanimation.h"
#include "platform/fontskey.h"
#include "platform/fonttable.h"
#include "platform/registry.h"
#include "views/installedfonts.h"

#include "../support/benchutil.h"

using bench::median;
using bench::msSince;
using bench::systemFonts;

namespace {

// Replaces every one-byte and two-byte (UTF-16BE) occurrence of `from` by `to` (same length).
void replaceName(QByteArray& data, const QString& from, const QString& to) {
    data.replace(from.toLatin1(), to.toLatin1());
    QByteArray wideFrom, wideTo;
    for (int i = 0; i < from.size(); ++i) {
        wideFrom.append('\0').append(char(from.at(i).unicode()));
        wideTo.append('\0').append(char(to.at(i).unicode()));
    }
    data.replace(wideFrom, wideTo);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 3000;
    constexpr int kRuns = 5;

    QTemporaryDir home;
    const QString fonts = home.filePath(QStringLiteral("data/fonts"));
    QDir().mkpath(fonts);
    QDir().mkpath(home.filePath(QStringLiteral("config")));
    const QString conf = home.filePath(QStringLiteral("fonts.conf"));
    {
        QFile file(conf);
        if (!file.open(QIODevice::WriteOnly)) {
            return 1;
        }
        file.write(QStringLiteral("<?xml version=\"1.0\"?>\n<fontconfig><dir>%1</dir>"
                                  "<cachedir>%2</cachedir><include ignore_missing=\"yes\" "
                                  "prefix=\"xdg\">fontconfig/conf.d</include></fontconfig>\n")
                       .arg(fonts, home.filePath(QStringLiteral("cache")))
                       .toUtf8());
    }
    for (const auto& [name, value] : {std::pair{"HOME", home.path()},
                                      {"XDG_CONFIG_HOME", home.filePath("config")},
                                      {"XDG_DATA_HOME", home.filePath("data")},
                                      {"XDG_CACHE_HOME", home.filePath("cache")},
                                      {"FONTCONFIG_FILE", conf}}) {
        qputenv(name, QFile::encodeName(value));
    }
    QApplication app(argc, argv);

    const QStringList sources = systemFonts();
    if (sources.isEmpty()) {
        std::fprintf(stderr, "no system fonts found\n");
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        const QString source = sources.at(i % sources.size());
        QFile in(source);
        if (!in.open(QIODevice::ReadOnly)) {
            return 1;
        }
        QByteArray data = in.readAll();
        const QString number = QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0'));
        for (const QString& word : {QStringLiteral("DejaVu"), QStringLiteral("Liberation")}) {
            replaceName(data, word, word.left(word.size() - 4) + number);
        }
        QFile out(fonts + QStringLiteral("/f%1.ttf").arg(number));
        if (!out.open(QIODevice::WriteOnly) || out.write(data) != data.size()) {
            return 1;
        }
    }

    td::QtFontTable table;
    td::FontconfigSystemFonts system(&table);
    QElapsedTimer timer;
    timer.start();
    system.refresh();  // scans the new folder and writes its cache
    std::printf("%d font files in %s; first scan %.0f ms\n", count, qPrintable(fonts),
                msSince(timer));

    std::vector<double> fcList;
    int fcLines = 0;
    for (int run = 0; run < kRuns; ++run) {
        QProcess process;
        timer.restart();
        process.start(QStringLiteral("fc-list"), {});
        process.waitForFinished(-1);
        const QByteArray output = process.readAllStandardOutput();
        fcList.push_back(msSince(timer));
        fcLines = int(output.count('\n'));
    }

    td::FileRegistry registry(home.filePath(QStringLiteral("config/kestro-typedeck")));
    td::installFontsKey(registry, system);
    QTableWidget grid, hidden;
    QListWidget sorting;
    td::InstalledFontsHooks hooks;
    hooks.keepPainting = [] { td::keepPainting(); };
    QString caption;
    hooks.setCaption = [&caption](const QString& text) { caption = text; };
    td::InstalledFontsPanel panel(
        td::InstalledControls{&grid, &hidden, &sorting}, registry, table,
        [] {
            return td::SampleRowOptions{QStringLiteral("The quick brown fox"),
                                        QStringLiteral("DejaVu Sans"), 9, 8};
        },
        hooks);
    std::vector<double> listing;
    for (int run = 0; run < kRuns; ++run) {
        timer.restart();
        panel.ListInstalledFonts();
        listing.push_back(msSince(timer));
    }
    std::printf("fc-list: %d lines, median %.1f ms\n", fcLines, median(fcList));
    std::printf("ListInstalledFonts: %s, median %.1f ms (%.2f x fc-list)\n", qPrintable(caption),
                median(listing), median(listing) / median(fcList));

    grid.resize(1920, 1080);
    grid.setColumnWidth(0, 1920 - 25);
    grid.verticalHeader()->setDefaultSectionSize(44);
    grid.show();
    timer.restart();
    const QPixmap shot = grid.viewport()->grab();
    const double first = msSince(timer);
    if (argc > 2) {
        shot.save(QString::fromLocal8Bit(argv[2]));  // to look at what was measured
    }
    std::vector<double> repaint;
    for (int run = 0; run < kRuns; ++run) {
        timer.restart();
        grid.viewport()->grab();
        repaint.push_back(msSince(timer));
    }
    std::printf("full screen 1920x1080 (%d rows): first paint %.1f ms, repaint median %.1f ms\n",
                1080 / 44 + 1, first, median(repaint));
    return 0;
}
