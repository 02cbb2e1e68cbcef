#include <gtest/gtest.h>

#include <QDir>
#include <QImage>

#include "export/charmap.h"
#include "export/htmlpage.h"
#include "export/sheetlayout.h"
#include "fake_services.h"
#include "platform/error.h"
#include "platform/fonttable.h"
#include "sandbox.h"
#include "testfiles.h"
#include "views/fontmap.h"

namespace {

using td::ImageType;

TEST(CharacterMapPage, FileNamesAndPageLines) {
    EXPECT_EQ(td::characterImageName(65, "Arial", ImageType::Jpeg), "065Arial.jpg");
    EXPECT_EQ(td::characterImageName(7, "Arial", ImageType::Jpeg), "07Arial.jpg");
    EXPECT_EQ(td::characterImageName(200, "Arial", ImageType::Bmp), "0200Arial.BMP");
    EXPECT_EQ(td::characterImageName(0, "Font Map", ImageType::Gif), "00Font Map.GIF");
    EXPECT_EQ(td::characterMapPageName("Font Map"), "Font Map.html");
    EXPECT_EQ(td::characterMapTitleLines("Arial"),
              (QStringList{"<title>Kestro TypeDeck</title></head><body>",
                           "This is Arial True Type Font"}));

    for (const ImageType type : {ImageType::Jpeg, ImageType::Gif}) {
        const QStringList lines = td::characterMapTableLines("Arial", type, 30, 256);
        ASSERT_EQ(lines.size(), 272);
        for (int row = 0; row < 16; ++row) {
            EXPECT_EQ(lines.at(row * 17), "<BR>");
            for (int column = 0; column < 16; ++column) {
                const int code = row * 16 + column;
                EXPECT_TRUE(lines.at(row * 17 + 1 + column)
                                .startsWith("<img src=\"0" + QString::number(code) + "Arial."))
                    << code;
            }
        }
    }
    EXPECT_EQ(td::characterMapTableLines("Arial", ImageType::Jpeg, 30, 256).at(4 * 17 + 2),
              "<img src=\"065Arial.jpg\" alt=\"065Arial.jpg\" width=30\" height=30\" >");
    EXPECT_EQ(td::characterMapTableLines("Arial", ImageType::Gif, 100, 256).at(12 * 17 + 9),
              "<img src=\"0200Arial.GIF\" alt=\"0200Arial.gif\" width=100\" height=100\" >");
    // A map cut short lists the codes written, and the row break of a row begun.
    const QStringList part = td::characterMapTableLines("Arial", ImageType::Jpeg, 30, 17);
    EXPECT_EQ(part.size(), 19);
    EXPECT_EQ(part.at(17), "<BR>");
    EXPECT_TRUE(td::characterMapTableLines("Arial", ImageType::Jpeg, 30, 0).isEmpty());

    // Beyond page 0 the same rule with the code's decimal value.
    EXPECT_EQ(td::characterImageName(19968, "DejaVu Sans", ImageType::Jpeg),
              "019968DejaVu Sans.jpg");
    const QStringList cjk = td::characterMapTableLines("Arial", ImageType::Jpeg, 30, 256, 19968);
    ASSERT_EQ(cjk.size(), 272);
    EXPECT_EQ(cjk.at(1),
              "<img src=\"019968Arial.jpg\" alt=\"019968Arial.jpg\" width=30\" height=30\" >");
    EXPECT_EQ(cjk.at(16 * 17 - 1),
              "<img src=\"020223Arial.jpg\" alt=\"020223Arial.jpg\" width=30\" height=30\" >");
}

TEST(CharacterMapPage, FacesThatCannotNameAFile) {
    EXPECT_TRUE(td::characterMapFaceProblem("Arial").isEmpty());
    EXPECT_TRUE(td::characterMapFaceProblem("Font Map").isEmpty());
    EXPECT_TRUE(td::characterMapFaceProblem(QString(247, u'x')).isEmpty());
    EXPECT_FALSE(td::characterMapFaceProblem(QString(248, u'x')).isEmpty());
    EXPECT_FALSE(td::characterMapFaceProblem(QString(247, u'x'), 0x10FFFF).isEmpty());
    EXPECT_TRUE(td::characterMapFaceProblem("AC/DC").contains("AC/DC"));
    EXPECT_FALSE(td::characterMapFaceProblem(QString("A") + QChar(0) + "B").isEmpty());
}

TEST(CharacterMapPage, PicturesAreTheCharacterOnWhite) {
    td::QtFontTable fonts;
    const QImage a = td::renderCharacterImage(fonts, "DejaVu Sans", "A");
    const QImage b = td::renderCharacterImage(fonts, "DejaVu Sans", "B");
    ASSERT_EQ(a.size(), QSize(50, 50));
    QImage white(a.size(), a.format());
    white.fill(Qt::white);
    EXPECT_NE(a, white);
    EXPECT_NE(a, b);
    EXPECT_EQ(a.pixel(0, 0), qRgb(255, 255, 255));
    // A blank is nothing but white.
    EXPECT_EQ(td::renderCharacterImage(fonts, "DejaVu Sans", " "), white);
}

// A character map export of DejaVu Sans into a folder of the sandbox, with the services of a run.
class CharacterMapExport : public tdtest::SandboxTest, protected tdtest::FakeServiceSet {
  protected:
    int idles = 0;
    QList<bool> flags;

    td::CharacterMapJob job(ImageType type, const QString& folder = QStringLiteral("out")) {
        QDir().mkpath(sandbox.path("base/out"));
        td::CharacterMapJob job;
        job.baseDirectory = sandbox.path("base") + u'/';
        job.targetFolder = job.baseDirectory + folder;
        job.face = QStringLiteral("DejaVu Sans");
        job.encoding.type = type;
        job.encoding.bmpBits = 8;
        job.cellSize = 30;
        job.browser = QStringLiteral("/usr/bin/web-browser");
        job.cellText = [](int code) { return td::fontMapCharacter(code); };
        return job;
    }
    int run(const td::CharacterMapJob& job) {
        td::CharacterMapHooks hooks;
        hooks.setExportFlag = [this](bool on) { flags << on; };
        hooks.showIdle = [this] { ++idles; };
        return td::ExportCharacterMap(job, fonts, dialogs, &shell, nullptr, hooks);
    }
    static QStringList pageLines(const QString& path) {
        QStringList lines = QString::fromUtf8(tdtest::fileBytes(path)).split("\r\n");
        EXPECT_EQ(lines.takeLast(), QString());  // every line ends in CR LF
        return lines;
    }
    // A few pictures decoded: 50 pixels square, and not all white.
    void expectPictures(const QString& folder, ImageType type) {
        for (const int code : {33, 65, 128, 255}) {
            const QImage image(folder + u'/' + td::characterImageName(code, "DejaVu Sans", type));
            ASSERT_EQ(image.size(), QSize(50, 50)) << code;
            QImage white(image.size(), QImage::Format_RGB32);
            white.fill(Qt::white);
            EXPECT_NE(image.convertToFormat(QImage::Format_RGB32), white) << code;
        }
    }
};

TEST_F(CharacterMapExport, JpegAndGifWriteEveryCodeAndThePageLineByLine) {
    for (const ImageType type : {ImageType::Jpeg, ImageType::Gif}) {
        SCOPED_TRACE(static_cast<int>(type));
        dialogs.answer(td::BoxAnswer::Yes);
        const td::CharacterMapJob map = job(type);
        EXPECT_EQ(run(map), 256);
        const QString page = map.targetFolder + "/DejaVu Sans.html";
        const QStringList lines = pageLines(page);
        ASSERT_EQ(lines.size(), 4 + 2 + 16 * 17 + 4);
        EXPECT_EQ(lines.mid(0, 4), td::pageMetaLines());
        EXPECT_EQ(lines.at(4), "<title>Kestro TypeDeck</title></head><body>");
        EXPECT_EQ(lines.at(5), "This is DejaVu Sans True Type Font");
        EXPECT_EQ(lines.mid(6, 272), td::characterMapTableLines("DejaVu Sans", type, 30, 256));
        EXPECT_EQ(lines.mid(278), td::pageFooterLines());
        EXPECT_EQ(lines.at(6 + 4 * 17 + 2), type == ImageType::Jpeg
                                                ? "<img src=\"065DejaVu Sans.jpg\" alt=\"065DejaVu "
                                                  "Sans.jpg\" width=30\" height=30\" >"
                                                : "<img src=\"065DejaVu Sans.GIF\" alt=\"065DejaVu "
                                                  "Sans.gif\" width=30\" height=30\" >");
        expectPictures(map.targetFolder, type);
        // Drawn on the worker pool, byte for byte the pictures drawn one by one here.
        for (int code = 0; code < 256; ++code) {
            EXPECT_EQ(tdtest::fileBytes(map.targetFolder + u'/' +
                                        td::characterImageName(code, map.face, type)),
                      td::encodeSampleImage(
                          td::renderCharacterImage(fonts, map.face, td::fontMapCharacter(code)),
                          map.encoding))
                << code;
        }
        EXPECT_EQ(dialogs.boxTexts().last(), td::previewQuestion(page));
        ASSERT_FALSE(shell.calls().isEmpty());
        EXPECT_EQ(shell.calls().last().arguments, QStringList{page});
    }
    // 256 pictures per type, and the two pages.
    EXPECT_EQ(QDir(sandbox.path("base/out")).entryList(QDir::Files).size(), 2 * 256 + 1);
    EXPECT_EQ(idles, 2);
    EXPECT_EQ(flags, (QList<bool>{true, false, false, true, false, false}));
}

TEST_F(CharacterMapExport, APageBeyondZeroNamesItsCodesAndLeavesMissingOnesEmpty) {
    td::CharacterMapJob map = job(ImageType::Jpeg);
    map.firstCode = 0x400;
    // The map says the face lacks U+0400.
    map.cellText = [](int code) { return code == 0x400 ? QString() : td::fontMapCharacter(code); };
    dialogs.answer(td::BoxAnswer::No);
    EXPECT_EQ(run(map), 256);
    const QStringList lines = pageLines(map.targetFolder + "/DejaVu Sans.html");
    EXPECT_EQ(lines.mid(6, 272),
              td::characterMapTableLines("DejaVu Sans", ImageType::Jpeg, 30, 256, 0x400));
    QImage white(50, 50, QImage::Format_RGB32);
    white.fill(Qt::white);
    EXPECT_EQ(
        QImage(map.targetFolder + "/01024DejaVu Sans.jpg").convertToFormat(QImage::Format_RGB32),
        white);
    EXPECT_NE(
        QImage(map.targetFolder + "/01046DejaVu Sans.jpg").convertToFormat(QImage::Format_RGB32),
        white);
    EXPECT_TRUE(QFile::exists(map.targetFolder + "/01279DejaVu Sans.jpg"));
    EXPECT_EQ(QDir(map.targetFolder).entryList(QDir::Files).size(), 257);
}

TEST_F(CharacterMapExport, BmpWritesNoPageAndTheDefaultFolderIsMadeOnlyWhenItIsTheTarget) {
    const td::CharacterMapJob map = job(ImageType::Bmp, "cfontfile");
    dialogs.answer(td::BoxAnswer::Ok);
    EXPECT_EQ(run(map), 256);
    EXPECT_EQ(QDir(map.targetFolder).entryList(QDir::Files).size(), 256);
    EXPECT_EQ(dialogs.boxTexts(),
              QStringList{"All samples was saved in " + map.targetFolder + " directory"});
    expectPictures(map.targetFolder, ImageType::Bmp);
    EXPECT_EQ(QImage(map.targetFolder + "/065DejaVu Sans.BMP").depth(), 8);

    // Any other folder that is not there stops the export before a picture, busy state ended.
    EXPECT_THROW(run(job(ImageType::Jpeg, "cfontfile2")), td::Error);
    EXPECT_FALSE(QDir(sandbox.path("base/cfontfile2")).exists());
    EXPECT_EQ(idles, 2);
}

TEST_F(CharacterMapExport, AFailedPictureEndsThePicturesAndThePageListsThoseWritten) {
    td::CharacterMapJob map = job(ImageType::Jpeg);
    // A folder where the sixth picture goes cannot be replaced by a file.
    ASSERT_TRUE(QDir().mkpath(map.targetFolder + "/05DejaVu Sans.jpg"));
    dialogs.answer(td::BoxAnswer::Ok).answer(td::BoxAnswer::No);
    EXPECT_EQ(run(map), 5);
    ASSERT_EQ(dialogs.boxes().size(), 2u);
    EXPECT_EQ(dialogs.boxes().front().icon, td::BoxIcon::Critical);
    const QStringList lines = pageLines(map.targetFolder + "/DejaVu Sans.html");
    EXPECT_EQ(lines.mid(6, 6), td::characterMapTableLines("DejaVu Sans", ImageType::Jpeg, 30, 5));
    EXPECT_EQ(lines.mid(12), td::pageFooterLines());
    EXPECT_TRUE(QFile::exists(map.targetFolder + "/04DejaVu Sans.jpg"));
    EXPECT_FALSE(QFile::exists(map.targetFolder + "/06DejaVu Sans.jpg"));
    // Five pictures and the page; no temporary file stays behind.
    EXPECT_EQ(QDir(map.targetFolder).entryList(QDir::Files).size(), 6);
    EXPECT_TRUE(shell.calls().isEmpty());
    EXPECT_EQ(flags.last(), false);
    EXPECT_EQ(idles, 1);
}

TEST_F(CharacterMapExport, AFaceThatCannotNameAFileOrAFolderThatTakesNothingSaysSoOnce) {
    td::CharacterMapJob map = job(ImageType::Gif);
    map.face = QStringLiteral("AC/DC");
    EXPECT_THROW(run(map), td::Error);
    EXPECT_TRUE(QDir(map.targetFolder).isEmpty());
    EXPECT_EQ(idles, 1);

    // Not even the first picture can be written: one error box and nothing claimed.
    map = job(ImageType::Bmp);
    ASSERT_TRUE(QDir().mkpath(map.targetFolder + "/00DejaVu Sans.BMP"));
    dialogs.answer(td::BoxAnswer::Ok);
    EXPECT_EQ(run(map), 0);
    ASSERT_EQ(dialogs.boxes().size(), 1u);
    EXPECT_EQ(dialogs.boxes().front().icon, td::BoxIcon::Critical);
    EXPECT_EQ(idles, 2);
}

}  // namespace
