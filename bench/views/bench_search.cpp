// The "Search" tab on a tree of 100,000 files in 5,000 folders, 2,000 of them ".ttf" files:
//  - SearchFonts through the tab's controller, the result grid filled and painted, against
//    `find DIR -xdev -iname '*.ttf'` on the same tree, each run several times in this process;
//  - the same on a tree whose 100,000 files all match (the grid's largest case), with a sort
//    by every column.
//
// Run: build/bench/views/bench_search [folder that keeps the trees between runs]
#include <stdlib.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextEdit>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "platform/busyanimation.h"
#include "views/searchpanel.h"

#include "../support/benchutil.h"

namespace {

using bench::median;
using bench::msSince;

constexpr int kFolders = 5000;
constexpr int kFiles = 100000;
constexpr int kRuns = 5;

// 50 folders of 100 subfolders each hold the files, 20 per subfolder; `fonts` of them end in
// ".ttf" (spread evenly), the others in ".txt".
void makeTree(const QString& root, int fonts) {
    const int perFolder = kFiles / kFolders;
    int file = 0;
    for (int folder = 0; folder < kFolders; ++folder) {
        const QString path =
            QStringLiteral("%1/d%2/s%3").arg(root).arg(folder / 100).arg(folder % 100);
        QDir().mkpath(path);
        for (int i = 0; i < perFolder; ++i, ++file) {
            const bool font = static_cast<long long>(file) * fonts / kFiles !=
                              static_cast<long long>(file + 1) * fonts / kFiles;
            QFile out(QStringLiteral("%1/file%2.%3")
                          .arg(path)
                          .arg(file)
                          .arg(font ? QStringLiteral("TTF") : QStringLiteral("txt")));
            out.open(QIODevice::WriteOnly);
            out.write(QByteArray(file % 97 + 1, 'x'));
        }
    }
}

struct Tab {
    QListWidget drives;
    QLineEdit mask{QStringLiteral("*")};
    QPushButton search;
    QTableView grid;
    QTextEdit preview;
    QListWidget previewed;
    int pumps = 0;
    td::SearchPanel panel;

    static td::SearchPanelHooks hooks(int& pumps) {
        td::SearchPanelHooks hooks;
        hooks.keepPainting = [&pumps] {
            ++pumps;
            td::keepPainting();
        };
        return hooks;
    }

    explicit Tab(const QString& root)
        : panel(td::SearchControls{&drives, &mask, &search, &grid, &preview, &previewed}, nullptr,
                hooks(pumps)) {
        drives.addItem(root);
        drives.item(0)->setSelected(true);
        grid.resize(800, 600);
        grid.show();
    }

    // One search with the grid filled and painted.
    double run() {
        QElapsedTimer timer;
        timer.start();
        panel.SearchFonts();
        grid.viewport()->grab();
        return msSince(timer);
    }
};

double findRun(const QString& root, int* lines) {
    QElapsedTimer timer;
    timer.start();
    QProcess find;
    find.start(QStringLiteral("find"),
               {root, QStringLiteral("-xdev"), QStringLiteral("-iname"), QStringLiteral("*.ttf")});
    find.waitForFinished(-1);
    const QByteArray out = find.readAllStandardOutput();
    const double ms = msSince(timer);
    *lines = static_cast<int>(out.count('\n'));
    return ms;
}

void compare(const QString& root, const char* title) {
    Tab tab(root);
    int lines = 0;
    tab.run();  // warms the caches for both
    findRun(root, &lines);
    std::vector<double> searches;
    std::vector<double> finds;
    for (int run = 0; run < kRuns; ++run) {
        searches.push_back(tab.run());
        finds.push_back(findRun(root, &lines));
    }
    // The walk and the sort alone, without the controls.
    std::vector<double> walks;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        const std::vector<td::SearchHit> hits = td::SearchDrives({root}, QStringLiteral("*"));
        walks.push_back(msSince(timer));
    }
    const double ratio = median(searches) / median(finds);
    std::printf("%s\n", title);
    std::printf("  SearchFonts + grid: median %.1f ms, best %.1f ms (%d hits, %d busy pumps)\n",
                median(searches), *std::min_element(searches.begin(), searches.end()),
                tab.panel.results().rowCount(), tab.pumps / (kRuns + 1));
    std::printf("  find -xdev -iname:  median %.1f ms, best %.1f ms (%d hits)\n", median(finds),
                *std::min_element(finds.begin(), finds.end()), lines);
    std::printf("  ratio %.2f\n", ratio);
    std::printf("  SearchDrives alone (walk and sort by path): median %.1f ms\n", median(walks));
    if (tab.panel.results().rowCount() == kFiles) {
        for (int column = 0; column <= td::kSearchColumns; ++column) {
            QElapsedTimer timer;
            timer.start();
            tab.panel.SortResults(column);
            tab.grid.viewport()->grab();
            std::printf("  sort by column %d: %.1f ms\n", column, msSince(timer));
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    // A folder given on the command line keeps the trees for the next run; otherwise they are
    // made in a temporary folder and removed at the end.
    std::unique_ptr<QTemporaryDir> temporary;
    QString parent;
    if (argc > 1) {
        parent = QString::fromLocal8Bit(argv[1]);
    } else {
        temporary = std::make_unique<QTemporaryDir>();
        parent = temporary->path();
    }
    const QString some = parent + QStringLiteral("/some");
    const QString all = parent + QStringLiteral("/all");
    QElapsedTimer timer;
    timer.start();
    for (const auto& [root, fonts] : {std::pair{some, 2000}, std::pair{all, kFiles}}) {
        if (!QFileInfo::exists(root + QStringLiteral("/complete"))) {
            QDir(root).removeRecursively();
            makeTree(root, fonts);
            QFile(root + QStringLiteral("/complete")).open(QIODevice::WriteOnly);
        }
    }
    std::printf("trees of %d files in %d folders ready in %.1f s under %s\n", kFiles, kFolders,
                msSince(timer) / 1000, qPrintable(parent));
    compare(some, "2,000 of the files are fonts:");
    compare(all, "every file is a font:");
    return 0;
}
