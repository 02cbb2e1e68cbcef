// Time to save the 256-character map of one font as JPEG and as GIF pictures with its page,
// into a fresh folder each pass: the whole export, and its parts (drawing the pictures,
// encoding them in memory, writing the files).
//
// Run: build/bench/export/bench_charmap [passes] [folder]   (default 5 passes, a temporary
// folder; give a folder on another disk to see its write costs)
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "export/charmap.h"
#include "export/jpegwriter.h"
#include "gif/gifpicture.h"
#include "platform/dialogs.h"
#include "platform/fonttable.h"
#include "views/fontmap.h"

#include "../support/benchutil.h"

namespace {

using bench::median;

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

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int passes = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir scratch(argc > 2
                              ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/bench-XXXXXX")
                              : QDir::tempPath() + QStringLiteral("/bench-XXXXXX"));
    td::QtFontTable fonts;
    SilentDialogs dialogs;
    const QString face = QStringLiteral("DejaVu Sans");

    std::printf("256-character map of %s, median of %d passes\n", qPrintable(face), passes);
    for (const td::ImageType type : {td::ImageType::Jpeg, td::ImageType::Gif}) {
        std::vector<double> whole;
        std::vector<double> drawing;
        std::vector<double> encoding;
        for (int pass = 0; pass < passes; ++pass) {
            const QString folder =
                scratch.filePath(QStringLiteral("p%1-%2").arg(pass).arg(int(type)));
            QDir().mkpath(folder);
            td::CharacterMapJob job;
            job.targetFolder = folder;
            job.baseDirectory = scratch.path() + u'/';
            job.face = face;
            job.encoding.type = type;
            job.cellText = [](int code) { return td::fontMapCharacter(code); };
            QElapsedTimer timer;
            timer.start();
            td::ExportCharacterMap(job, fonts, dialogs, nullptr, nullptr);
            whole.push_back(timer.nsecsElapsed() / 1e6);

            timer.restart();
            for (int code = 0; code < td::kCharacterCodes; ++code) {
                td::renderCharacterImage(fonts, face, td::fontMapCharacter(code));
            }
            drawing.push_back(timer.nsecsElapsed() / 1e6);

            timer.restart();
            for (int code = 0; code < td::kCharacterCodes; ++code) {
                const QImage picture =
                    td::renderCharacterImage(fonts, face, td::fontMapCharacter(code));
                if (type == td::ImageType::Jpeg) {
                    td::encodeJpeg(picture, 50);
                } else {
                    td::TGifPicture gif;
                    gif.assign(picture);
                    gif.saveToBytes();
                }
            }
            encoding.push_back(timer.nsecsElapsed() / 1e6 - drawing.back());
        }
        const double all = median(whole);
        const double draw = median(drawing);
        const double encode = median(encoding);
        std::printf(
            "%-4s  whole export %7.1f ms per map: drawing %6.1f ms, encoding %6.1f ms, "
            "writing the 257 files %7.1f ms\n",
            type == td::ImageType::Jpeg ? "JPEG" : "GIF", all, draw, encode, all - draw - encode);
    }
    return 0;
}
