// Adding 1,000 fonts (about 300 MB, copies of the DejaVu and Liberation fonts) to a new archive
// and deleting 500 of them again, the way "Add to zip" and "Delete" do it (the component with
// the writer library, compression level 9, names without folders), against Info-ZIP's `zip`
// doing the same work in the same run (`zip -9 -j -q` to add, `zip -d -q` to delete, on a copy
// of the same archive). Prints the times and the ratio of each pair.
//
//   make bench && build/bench/archive/bench_archivecommands [rounds]

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "archive/tziparchive.h"
#include "platform/library.h"
#include "platform/services.h"

#include "../support/benchutil.h"

namespace {

using bench::median;

constexpr int kFonts = 1000;
constexpr int kDeleted = 500;
constexpr int kDeleteRuns = 5;

[[noreturn]] void fail(const QString& what) {
    std::fprintf(stderr, "%s\n", qPrintable(what));
    std::exit(1);
}

// Copies of the installed DejaVu and Liberation fonts, in turn, under names of their own.
QStringList makeFonts(const QString& folder, qint64& bytes) {
    QStringList sources;
    for (const char* dir :
         {"/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/truetype/liberation"}) {
        for (const QFileInfo& info :
             QDir(QString::fromLatin1(dir))
                 .entryInfoList({QStringLiteral("*.ttf")}, QDir::Files, QDir::Name)) {
            sources << info.filePath();
        }
    }
    if (sources.isEmpty()) {
        fail(QStringLiteral("no DejaVu or Liberation fonts installed"));
    }
    QStringList names;
    bytes = 0;
    for (int i = 0; i < kFonts; ++i) {
        const QString& source = sources.at(i % sources.size());
        const QString name = QStringLiteral("%1-%2")
                                 .arg(i, 4, 10, QLatin1Char('0'))
                                 .arg(QFileInfo(source).fileName());
        if (!QFile::copy(source, folder + name)) {
            fail(QStringLiteral("cannot copy ") + source);
        }
        bytes += QFileInfo(folder + name).size();
        names << name;
    }
    return names;
}

double runZip(const QStringList& arguments, const QString& folder) {
    QProcess zip;
    zip.setWorkingDirectory(folder);
    QElapsedTimer timer;
    timer.start();
    zip.start(QStringLiteral("zip"), arguments);
    if (!zip.waitForFinished(-1) || zip.exitCode() != 0) {
        fail(QStringLiteral("zip failed: ") + QString::fromLocal8Bit(zip.readAllStandardError()));
    }
    return timer.nsecsElapsed() / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 1;
    QTemporaryDir work;
    const QString fonts = work.filePath(QStringLiteral("fonts")) + u'/';
    QDir().mkpath(fonts);
    qint64 bytes = 0;
    const QStringList names = makeFonts(fonts, bytes);
    QStringList deleted;
    for (int i = 0; i < kDeleted; ++i) {
        deleted << names.at(i * 2);
    }
    std::printf("%d fonts, %.1f MB; deleting %d of them\n", kFonts, bytes / 1e6, kDeleted);

    td::DlLibraryLoader loader(QStringLiteral(TD_OUTPUT_DIR));
    td::Services services;
    services.libraries = &loader;
    td::TZipArchive archive(services);
    archive.LoadZipLibrary();
    if (!td::TZipArchive::zipLibraryLoaded()) {
        fail(QStringLiteral("ZIPDLL.DLL not found in ") + QStringLiteral(TD_OUTPUT_DIR));
    }
    QDir::setCurrent(fonts);

    for (int round = 1; round <= rounds; ++round) {
        const QString ours = work.filePath(QStringLiteral("ours.zip"));
        const QString theirs = work.filePath(QStringLiteral("theirs.zip"));
        QFile::remove(ours);
        QFile::remove(theirs);

        // Adding: the settings "Add to zip" uses.
        archive.setZipFilename(ours);
        archive.Verbose = false;
        archive.Trace = true;
        archive.AddOptions = td::AddOpts{};
        archive.setFSpecArgs(names);
        QElapsedTimer timer;
        timer.start();
        archive.Add();
        const double ourAdd = timer.nsecsElapsed() / 1e9;
        if (archive.SuccessCount() != kFonts || archive.Count() != kFonts) {
            fail(QStringLiteral("add: %1 files added").arg(archive.SuccessCount()));
        }
        const double zipAdd = runZip(
            QStringList{QStringLiteral("-9"), QStringLiteral("-j"), QStringLiteral("-q"), theirs} +
                names,
            fonts);

        // Deleting, each from its own copy of the same archive; a short run, so the median of
        // a few is taken.
        const QString master = work.filePath(QStringLiteral("master.zip"));
        QFile::remove(master);
        if (!QFile::copy(ours, master)) {
            fail(QStringLiteral("cannot copy the archive"));
        }
        const qint64 ourSize = QFileInfo(ours).size();
        std::vector<double> ourTimes;
        std::vector<double> zipTimes;
        for (int run = 0; run < kDeleteRuns; ++run) {
            for (const QString& copy : {ours, theirs}) {
                QFile::remove(copy);
                if (!QFile::copy(master, copy)) {
                    fail(QStringLiteral("cannot copy the archive"));
                }
            }
            archive.setZipFilename(ours);
            archive.setFSpecArgs(deleted);
            timer.restart();
            archive.Delete();
            ourTimes.push_back(timer.nsecsElapsed() / 1e9);
            if (archive.SuccessCount() != kDeleted || archive.Count() != kFonts - kDeleted) {
                fail(QStringLiteral("delete: %1 entries deleted").arg(archive.SuccessCount()));
            }
            zipTimes.push_back(runZip(
                QStringList{QStringLiteral("-d"), QStringLiteral("-q"), theirs} + deleted, fonts));
        }
        const double ourDelete = median(ourTimes);
        const double zipDelete = median(zipTimes);

        std::printf("round %d: archive %.1f MB\n", round, ourSize / 1e6);
        std::printf("  add 1,000:   ours %7.2f s   zip %7.2f s   ratio %.2f\n", ourAdd, zipAdd,
                    ourAdd / zipAdd);
        std::printf("  delete 500:  ours %7.2f s   zip %7.2f s   ratio %.2f\n", ourDelete,
                    zipDelete, ourDelete / zipDelete);
    }
    td::TZipArchive::UnloadZipLibrary();
    return 0;
}
