// Reads the eight names of 1,000 font files (copies of the DejaVu and Liberation fonts in a
// temporary folder) and, in the same run and on the same folder, times `fc-scan` for
// comparison. Prints the median of several rounds of each.
//
//   cmake --build build --target bench_read_names && build/bench/ttfnames/bench_read_names [count]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "ttfnames/copyfile.h"
#include "ttfnames/fontnames.h"

#include "../support/benchutil.h"

namespace {

using bench::median;

constexpr int kRounds = 5;

QStringList sourceFonts() {
    QStringList fonts;
    for (const char* folder :
         {"/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/truetype/liberation"}) {
        const QDir dir(QString::fromLatin1(folder));
        for (const QString& name : dir.entryList({QStringLiteral("*.ttf")}, QDir::Files)) {
            fonts << dir.filePath(name);
        }
    }
    return fonts;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    const QStringList fonts = sourceFonts();
    if (fonts.isEmpty()) {
        std::fprintf(stderr, "no DejaVu or Liberation fonts found\n");
        return 1;
    }
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    QStringList paths;
    qint64 bytes = 0;
    for (int i = 0; i < count; ++i) {
        const QString& original = fonts[i % fonts.size()];
        const QString copy = folder.filePath(QStringLiteral("%1-%2")
                                                 .arg(i, 4, 10, QLatin1Char('0'))
                                                 .arg(QFileInfo(original).fileName()));
        if (!td::CopyFileContents(original, copy)) {
            std::fprintf(stderr, "cannot copy %s\n", qPrintable(original));
            return 1;
        }
        bytes += QFileInfo(copy).size();
        paths << copy;
    }
    std::printf("%d font files, %.1f MB, in %s\n", count, static_cast<double>(bytes) / 1e6,
                qPrintable(folder.path()));

    std::vector<double> readTimes;
    int nonEmpty = 0;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        int families = 0;
        for (const QString& path : paths) {
            families += td::ReadFontNames(path).Family.isEmpty() ? 0 : 1;
        }
        readTimes.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        nonEmpty = families;
    }
    std::printf("ReadFontNames: median %.4f s per %d files (%d with a family)\n", median(readTimes),
                count, nonEmpty);

    if (QStandardPaths::findExecutable(QStringLiteral("fc-scan")).isEmpty()) {
        std::printf("fc-scan: not installed\n");
        return 0;
    }
    std::vector<double> scanTimes;
    for (int round = 0; round < kRounds; ++round) {
        QProcess scan;
        scan.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        scan.start(QStringLiteral("fc-scan"),
                   {QStringLiteral("--format=%{family}\\n"), folder.path()});
        if (!scan.waitForFinished(600000) || scan.exitCode() != 0) {
            std::fprintf(stderr, "fc-scan failed\n");
            return 1;
        }
        scanTimes.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    const double read = median(readTimes);
    const double scan = median(scanTimes);
    std::printf("fc-scan:       median %.4f s for the same folder\n", scan);
    std::printf("ReadFontNames is %.1f times as fast as fc-scan\n", scan / read);
    return 0;
}
