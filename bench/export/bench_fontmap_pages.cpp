// The Font Map's Unicode pages: building the page list of a large face from its cmap, switching
// pages with the whole grid redrawn, and exporting one page of a CJK face.
//
// Run: build/bench/export/bench_fontmap_pages [passes]   (default 20 passes; the CJK figures
// need fonts-wqy-microhei)
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRawFont>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

#include "export/charmap.h"
#include "platform/dialogs.h"
#include "platform/fonttable.h"
#include "views/fontmap.h"
#include "views/unicodepages.h"

#include "../support/benchutil.h"

namespace {

using bench::median;
using bench::msSince;

constexpr const char* kCjkFile = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
constexpr const char* kCjkFace = "WenQuanYi Micro Hei";

// Answers every box with No, so no browser starts.
class SilentDialogs final : public td::Dialogs {
  public:
    td::BoxAnswer messageBox(QWidget*, td::BoxIcon, const QString&, td::BoxButtons,
                             const QString&) override {
        return td::BoxAnswer::No;
    }
    void beep() override {}
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString existingFolder(QWidget*, const QString&, const QString&) override { return {}; }
    std::optional<QFont> font(QWidget*, const QFont&, const QString&) override { return {}; }
};

// A cmap with one format 12 subtable: `count` characters in runs of 7 with gaps between them,
// from U+4E00 on, so the table has thousands of groups as a large real face does.
QByteArray syntheticCmap(int count) {
    QByteArray table;
    const auto put = [&table](quint32 value, int bytes) {
        for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) {
            table.append(static_cast<char>((value >> shift) & 0xFF));
        }
    };
    const int groups = (count + 6) / 7;
    put(0, 2), put(1, 2), put(3, 2), put(10, 2), put(12, 4);
    put(12, 2), put(0, 2), put(16 + 12 * groups, 4), put(0, 4), put(groups, 4);
    for (int group = 0; group < groups; ++group) {
        const quint32 first = 0x4E00 + 9 * group;
        put(first, 4), put(first + std::min(7, count - 7 * group) - 1, 4), put(1 + 7 * group, 4);
    }
    return table;
}

void benchPageList(const char* what, const QByteArray& cmap, int passes) {
    std::vector<double> times;
    td::CharacterCoverage coverage;
    QList<int> pages;
    for (int pass = 0; pass < passes; ++pass) {
        QElapsedTimer timer;
        timer.start();
        coverage = td::CharacterCoverage::fromCmap(cmap);
        pages = coverage.pages();
        times.push_back(msSince(timer));
    }
    std::printf("page list of %-34s %6lld characters, %4lld pages: %7.3f ms\n", what,
                static_cast<long long>(coverage.size()), static_cast<long long>(pages.size()),
                median(times));
}

// The map's controls as the main window makes them, showing `face`.
struct MapWindow {
    QTabWidget tabs;
    QWidget* page = new QWidget;
    QTableWidget* grid = new QTableWidget(17, 17, page);
    QSpinBox* size = new QSpinBox(page);
    QComboBox* selector = new QComboBox(page);
    std::unique_ptr<td::FontMapView> map;

    MapWindow(td::FontTable& fonts, const QString& face) {
        tabs.addTab(page, face);
        size->setRange(6, 100);
        size->setValue(30);
        grid->setGeometry(0, 30, 580, 580);
        for (int i = 0; i < 17; ++i) {
            grid->setColumnWidth(i, 30);
            grid->setRowHeight(i, 30);
        }
        td::writeFontMapCells(*grid);
        map = std::make_unique<td::FontMapView>(
            td::FontMapControls{&tabs, page, grid, size, selector}, fonts, td::FontMapHooks{});
        tabs.resize(620, 660);
        tabs.show();
    }
};

void benchPageSwitch(td::FontTable& fonts, const QString& face, int passes) {
    MapWindow window(fonts, face);
    const QList<int> pages = window.map->pages();
    std::vector<double> times;
    for (int pass = 0; pass < passes; ++pass) {
        const int page = pages.at((pass + 1) % pages.size());
        QElapsedTimer timer;
        timer.start();
        window.map->setPage(page);
        // Every cell painted, as the screen would after the switch.
        const QPixmap drawn = window.grid->viewport()->grab();
        times.push_back(msSince(timer));
    }
    std::printf("page switch, grid redrawn, %-26s %4lld pages: %7.3f ms\n", qPrintable(face),
                static_cast<long long>(pages.size()), median(times));
}

// A new face shown: resolving it, reading its cmap, listing its pages in the selector.
void benchNewFace(td::FontTable& fonts, const QString& face, int passes) {
    MapWindow window(fonts, QStringLiteral("DejaVu Sans"));
    std::vector<double> times;
    for (int pass = 0; pass < passes; ++pass) {
        window.map->showInstalledFont(QStringLiteral("DejaVu Serif"));
        QElapsedTimer timer;
        timer.start();
        window.map->showInstalledFont(face);
        times.push_back(msSince(timer));
    }
    std::printf("new face shown, page selector filled, %-16s %4d pages: %7.3f ms\n",
                qPrintable(face), window.selector->count(), median(times));
}

void benchPageExport(td::FontTable& fonts, const QString& face, int firstCode, int passes) {
    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/bench-XXXXXX"));
    SilentDialogs dialogs;
    MapWindow window(fonts, face);
    window.map->setPage(firstCode / td::kPageSize);
    for (const td::ImageType type : {td::ImageType::Jpeg, td::ImageType::Gif}) {
        std::vector<double> times;
        for (int pass = 0; pass < passes; ++pass) {
            const QString folder =
                scratch.filePath(QStringLiteral("p%1-%2").arg(pass).arg(int(type)));
            QDir().mkpath(folder);
            td::CharacterMapJob job;
            job.targetFolder = folder;
            job.baseDirectory = scratch.path() + u'/';
            job.face = face;
            job.encoding.type = type;
            job.firstCode = firstCode;
            job.cellText = [&window](int code) { return window.map->exportText(code); };
            QElapsedTimer timer;
            timer.start();
            td::ExportCharacterMap(job, fonts, dialogs, nullptr, nullptr);
            times.push_back(msSince(timer));
        }
        std::printf("page export U+%04X of %-22s %-4s %7.1f ms\n", firstCode, qPrintable(face),
                    type == td::ImageType::Jpeg ? "JPEG" : "GIF", median(times));
    }
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int passes = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    td::QtFontTable fonts;
    std::printf("median of %d passes\n", passes);

    benchPageList("a synthetic 30,000-character face", syntheticCmap(30000), passes);
    QFile cjk(QString::fromLatin1(kCjkFile));
    const bool haveCjk = cjk.exists();
    if (haveCjk && cjk.open(QIODevice::ReadOnly)) {
        const QRawFont raw(cjk.readAll(), 12);
        benchPageList(kCjkFace, raw.fontTable("cmap"), passes);
    }
    const QRawFont dejavu(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"), 12);
    benchPageList("DejaVu Sans", dejavu.fontTable("cmap"), passes);

    benchPageSwitch(fonts, QStringLiteral("DejaVu Sans"), passes);
    if (haveCjk) {
        benchPageSwitch(fonts, QString::fromLatin1(kCjkFace), passes);
        benchNewFace(fonts, QString::fromLatin1(kCjkFace), passes);
        benchPageExport(fonts, QString::fromLatin1(kCjkFace), 0x4E00, std::max(1, passes / 4));
    }
    benchPageExport(fonts, QStringLiteral("DejaVu Sans"), 0x400, std::max(1, passes / 4));
    return 0;
}
