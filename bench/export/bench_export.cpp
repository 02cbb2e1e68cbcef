// Sample sheets of 1,000 fonts at the default options (W 500, row height 50, 9 and 8 points,
// JPEG quality 50, the default pixel budget: 40 rows a JPEG sheet, 320 a GIF sheet):
//  - JPEG, several fonts per file: 25 sheets of 500 × 2,000;
//  - JPEG, each font in its own file: 1,000 files of 500 × 50;
//  - GIF, several fonts per file: 4 sheets of up to 500 × 16,000;
// each against its floor, the same sheets encoded and written as blank images, and with the
// peak memory of the process that ran it (each case runs in a process of its own), and the
// font work alone (activating 1,000 distinct files, looking their faces up, giving them back).
// Times are wall clock and processor time of this process: on a busy machine the second says
// more.
//
// Run: build/bench/export/bench_export [fonts]
#include <stdlib.h>
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "export/samplesheets.h"
#include "platform/fonttable.h"
#include "ttfnames/fontnames.h"

#include "../support/benchutil.h"

namespace {

using bench::systemFonts;

struct Case {
    const char* name;
    td::ImageType type;
    bool each;
    int perSheet;
};

const Case kCases[] = {{"jpeg-sheets", td::ImageType::Jpeg, false, 40},
                       {"jpeg-each", td::ImageType::Jpeg, true, 40},
                       {"gif-sheets", td::ImageType::Gif, false, 320}};

long peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// Processor time of this process (user and system), in milliseconds.
double cpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Runs the Pillow script on the font folder and prints what it says, or why it did not run.
// Debian's own python3 carries Pillow (python3-pil); another python3 on PATH may not.
void runPeer(const QString& folder) {
    const QString script = QStringLiteral(TD_PEER_SCRIPT);
    if (!QFile::exists(script)) {
        std::printf("peer        skipped: %s is missing\n", qPrintable(script));
        return;
    }
    QString python;
    for (const QString& candidate :
         {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        QProcess probe;
        probe.start(candidate, {QStringLiteral("-c"), QStringLiteral("import PIL")});
        if (probe.waitForFinished(-1) && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0) {
            python = candidate;
            break;
        }
    }
    if (python.isEmpty()) {
        std::printf("peer        skipped: no python3 with Pillow (install python3-pil)\n");
        return;
    }
    QTemporaryDir out;
    QProcess peer;
    peer.start(python, {script, folder, out.path()});
    peer.waitForFinished(-1);
    std::printf("peer        %s", peer.readAllStandardOutput().constData());
}

int runCase(const Case& c, int count) {
    const QStringList sources = systemFonts();
    if (sources.isEmpty()) {
        std::fprintf(stderr, "no system fonts found\n");
        return 1;
    }
    QTemporaryDir fonts;
    QTemporaryDir out;
    QTemporaryDir floorOut;
    std::vector<td::SheetRow> rows;
    for (int i = 0; i < count; ++i) {
        const QString source = sources.at(i % sources.size());
        const QString path =
            fonts.filePath(QStringLiteral("f%1.ttf").arg(i, 4, 10, QLatin1Char('0')));
        QFile::copy(source, path);
        const td::TFontNames names = td::ReadFontNames(path);
        rows.push_back({names.Family, td::styleFromSubfamily(names.Subfamily),
                        td::captionText(names.Family, names.Subfamily, QFileInfo(path).fileName()),
                        path, QStringLiteral("%1-%2.JPG").arg(names.Family).arg(i)});
    }
    td::SheetJob job;
    job.text = {QStringLiteral("abcdef ABCDEF 1234567890"), QStringLiteral("DejaVu Sans"), 9, 8,
                96};
    job.encoding.type = c.type;
    job.eachOwnFile = c.each;
    job.perSheet = c.perSheet;
    job.sheetName = [](int k) { return QStringLiteral("sheet-%1.img").arg(k); };
    td::QtFontTable table;
    const long setupPeak = peakMegabytes();

    QElapsedTimer timer;
    timer.start();
    double cpu = cpuMs();
    const QStringList written = td::writeSampleSheets(rows, job, out.path(), table);
    const double exportMs = timer.nsecsElapsed() / 1e6;
    const double exportCpu = cpuMs() - cpu;
    const long exportPeak = peakMegabytes();

    // The floor: the same number of sheets of the same sizes, blank, encoded and written.
    timer.restart();
    cpu = cpuMs();
    // The peer: the same files as JPEG sheets drawn by a Pillow script, in the same run.
    if (c.type == td::ImageType::Jpeg && !c.each) {
        runPeer(fonts.path());
    }

    const std::vector<td::SheetSpan> spans =
        c.each ? std::vector<td::SheetSpan>(std::size_t(count), td::SheetSpan{0, 1})
               : td::sheetSpans(count, c.perSheet);
    int k = 0;
    for (const td::SheetSpan& span : spans) {
        QImage blank(job.width, span.rows * job.rowHeight, QImage::Format_RGB32);
        blank.fill(Qt::white);
        td::writeSampleImage(blank, floorOut.filePath(QStringLiteral("b%1").arg(k++)),
                             job.encoding);
    }
    const double floorMs = timer.nsecsElapsed() / 1e6;
    const double floorCpu = cpuMs() - cpu;

    // The font work alone: each row's file activated, its face looked up, given back.
    timer.restart();
    cpu = cpuMs();
    {
        td::QtFontTable other;
        for (const td::SheetRow& row : rows) {
            other.activate(row.fontFile);
            other.resolve(row.face, row.style, 12);
            other.deactivate(row.fontFile);
        }
    }
    const double fontsMs = timer.nsecsElapsed() / 1e6;
    const double fontsCpu = cpuMs() - cpu;
    std::printf(
        "%-11s %4lld files | export %6.0f ms wall %6.0f ms cpu | blank floor %6.0f ms "
        "wall %6.0f ms cpu | cpu ratio %.2f | activation alone %6.0f ms wall %6.0f ms cpu | "
        "peak %ld MB (%ld MB before)\n",
        c.name, static_cast<long long>(written.size()), exportMs, exportCpu, floorMs, floorCpu,
        exportCpu / floorCpu, fontsMs, fontsCpu, exportPeak, setupPeak);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    if (argc > 2) {
        for (const Case& c : kCases) {
            if (qstrcmp(argv[2], c.name) == 0) {
                return runCase(c, count);
            }
        }
        return 2;
    }
    // Each case in a fresh process, so that the peak memory is its own.
    for (const Case& c : kCases) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QString::number(count), QString::fromLatin1(c.name)});
        child.waitForFinished(-1);
    }
    return 0;
}
