#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>

#include "export/samplesheets.h"
#include "export/sheetlayout.h"
#include "platform/error.h"
#include "platform/fonttable.h"
#include "sandbox.h"
#include "testfiles.h"

using td::ImageType;

TEST(SheetLayout, BandHeightSpansStemsAndNameParts) {
    // Hs: halves to the even neighbour.
    const std::tuple<int, int, int, int> bands[] = {
        {16, 8, 50, 33}, {9, 9, 50, 25}, {9, 9, 45, 22}, {9, 8, 50, 26}, {1, 1, 47, 24}};
    for (const auto& [pc, pb, h, hs] : bands) {
        EXPECT_EQ(td::sampleBandHeight(pc, pb, h), hs) << pc << " " << pb << " " << h;
    }
    using Spans = std::vector<td::SheetSpan>;
    EXPECT_EQ(td::sheetSpans(7, 3), (Spans{{0, 3}, {3, 3}, {6, 1}}));
    EXPECT_EQ(td::sheetSpans(6, 3), (Spans{{0, 3}, {3, 3}}));
    EXPECT_EQ(td::sheetSpans(2, 0), (Spans{{0, 1}, {1, 1}}));
    EXPECT_TRUE(td::sheetSpans(0, 40).empty());

    const std::pair<const char*, const char*> stems[] = {{"/home/ann/Fonts", ",home,ann,fonts"},
                                                         {"/home/ann/Fonts/", ",home,ann,fonts"},
                                                         {"/", ","},
                                                         {"C:\\Fonts\\New\\", "c,,fonts,new"},
                                                         {"/My Fonts/x", ",my fonts,x"}};
    for (const auto& [folder, stem] : stems) {
        EXPECT_EQ(td::exportStem(folder), stem);
    }
    EXPECT_EQ(td::namePart("/d/zips/fonts.zip"), "fonts.zip");
    EXPECT_EQ(td::namePart("a/b"), "b");
    EXPECT_EQ(td::namePart("plain"), "plain");
}

TEST(SheetLayout, FileNamesFollowTheTable) {
    struct Case {
        QString got;
        const char* want;
    };
    const QString stem = ",home,ann,fonts";
    const Case cases[] = {
        // Directory fonts, each in its own file.
        {td::directoryImageName(1, true, ImageType::Jpeg, "Sans", stem, 0), "Sans.JPG"},
        {td::directoryImageName(1, true, ImageType::Bmp, "Sans", stem, 0), "Sans.BMP"},
        {td::directoryImageName(1, true, ImageType::Gif, "", stem, 0), ".GIF"},
        {td::directoryImageName(3, true, ImageType::Jpeg, "odd/Sans", "f.zip", 0), "Sans.JPG"},
        {td::directoryImageName(2, true, ImageType::Jpeg, "Sans", stem, 0), ""},
        // Directory fonts, sheets.
        {td::directoryImageName(1, false, ImageType::Jpeg, "", stem, 12), ",home,ann,fonts-12.jpg"},
        {td::directoryImageName(1, false, ImageType::Bmp, "", ",", 0), ",-0.bmp"},
        {td::directoryImageName(3, false, ImageType::Gif, "", "f.zip", 1), "f.zip-1.GIF"},
        // Installed fonts.
        {td::installedImageName(true, ImageType::Bmp, "Arial", "Bold", "", 0), "Arial.bmp"},
        {td::installedImageName(true, ImageType::Jpeg, "Arial", "Bold", "", 0), "Arial Bold .JPG"},
        {td::installedImageName(true, ImageType::Gif, "Arial", "", "Italic", 0),
         "Arial  Italic.GIF"},
        {td::installedImageName(false, ImageType::Jpeg, "x", "", "", 3), "Installed-3.jpg"},
        {td::installedImageName(false, ImageType::Bmp, "x", "", "", 0), "Installed-0.bmp"},
        {td::installedImageName(false, ImageType::Gif, "x", "", "", 0), "Installed-0.GIF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.got, c.want);
    }
}

namespace {

// Passes everything to the real table and notes the most files active at one time.
class WatchedFonts final : public td::FontTable {
  public:
    void activate(const QString& path) override {
        inner.activate(path);
        most = std::max<int>(most, int(inner.activePaths().size()));
    }
    void deactivate(const QString& path) override { inner.deactivate(path); }
    int count(const QString& path) const override { return inner.count(path); }
    QStringList activePaths() const override { return inner.activePaths(); }
    td::DrawingFont resolve(const QString& face, td::FontStyle style, int size) override {
        return inner.resolve(face, style, size);
    }
    void installedFontsChanged() override { inner.installedFontsChanged(); }

    td::QtFontTable inner;
    int most = 0;
};

bool rowBlank(const QImage& image, int top, int bottom) {
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                return false;
            }
        }
    }
    return true;
}

class SampleSheets : public tdtest::SandboxTest {
  protected:
    WatchedFonts fonts;
    td::SheetJob job;
    std::vector<td::SheetRow> rows;

    void SetUp() override {
        job.width = 300;
        job.rowHeight = 40;
        job.text = {"Sample AB", "DejaVu Sans", 12, 8, 96};
        job.encoding.type = ImageType::Bmp;
        job.encoding.bmpBits = 24;
        job.perSheet = 3;
        job.sheetName = [](int k) { return QStringLiteral("s-%1.bmp").arg(k); };
        for (int i = 0; i < 7; ++i) {
            const QString file = i % 2 ? tdtest::dejaVuSerif() : tdtest::dejaVuSans();
            rows.push_back({i % 2 ? "DejaVu Serif" : "DejaVu Sans",
                            {},
                            QString("caption %1").arg(i),
                            file,
                            QString("own%1.BMP").arg(i)});
        }
    }
    QString out() const { return sandbox.path("out"); }
};

}  // namespace

TEST_F(SampleSheets, SheetsOfNRowsTheLastWithTheRestOneFileActiveAtATime) {
    QDir().mkpath(out());
    // A file that is no font, with the empty family of unreadable names: drawn in the face
    // the system substitutes.
    rows[6] = {"", {}, "unreadable", sandbox.writeFile("broken.ttf", "not a font"), ".BMP"};
    for (int count : {7, 6}) {
        SCOPED_TRACE(count);
        std::vector<td::SheetRow> some(rows.begin(), rows.begin() + count);
        const QStringList written = td::writeSampleSheets(some, job, out(), fonts);
        const QStringList want = count == 7 ? QStringList{"s-0.bmp", "s-1.bmp", "s-2.bmp"}
                                            : QStringList{"s-0.bmp", "s-1.bmp"};
        EXPECT_EQ(written, want);
        for (int k = 0; k < written.size(); ++k) {
            const QImage sheet(out() + u'/' + written[k]);
            const int held = std::min(3, count - 3 * k);
            ASSERT_EQ(sheet.size(), QSize(300, held * 40));
            for (int r = 0; r < held; ++r) {
                // Both bands of every slot hold ink.
                EXPECT_FALSE(rowBlank(sheet, r * 40, r * 40 + 24)) << k << " " << r;
                EXPECT_FALSE(rowBlank(sheet, r * 40 + 24, r * 40 + 40)) << k << " " << r;
            }
        }
    }
    EXPECT_EQ(fonts.most, 1);
    EXPECT_TRUE(fonts.activePaths().isEmpty());
}

TEST_F(SampleSheets, EachFontInItsOwnFileAndAnEmptySampleTextLeavesTheBandWhite) {
    QDir().mkpath(out());
    job.eachOwnFile = true;
    job.text.sampleText.clear();
    rows.resize(2);
    EXPECT_EQ(td::writeSampleSheets(rows, job, out(), fonts),
              (QStringList{"own0.BMP", "own1.BMP"}));
    const QImage own(out() + "/own1.BMP");
    ASSERT_EQ(own.size(), QSize(300, 40));
    EXPECT_TRUE(rowBlank(own, 0, 24));
    EXPECT_FALSE(rowBlank(own, 24, 40));
}

TEST_F(SampleSheets, AFailedWriteKeepsEarlierFilesAndGivesEveryFontBack) {
    QDir().mkpath(out());
    job.eachOwnFile = true;
    rows[2].fileName = "a/b.BMP";  // a family with a slash cannot name one file here
    EXPECT_THROW(td::writeSampleSheets(rows, job, out(), fonts), td::Error);
    EXPECT_TRUE(QFile::exists(out() + "/own1.BMP"));
    EXPECT_FALSE(QFile::exists(out() + "/own3.BMP"));
    EXPECT_TRUE(fonts.activePaths().isEmpty());
    // A folder that is gone stops the export with the writer's error, naming the file.
    job.eachOwnFile = false;
    try {
        td::writeSampleSheets(rows, job, sandbox.path("gone"), fonts);
        FAIL() << "no error";
    } catch (const td::Error& error) {
        EXPECT_TRUE(error.message().contains(sandbox.path("gone/s-0.bmp"))) << error.what();
    }
    EXPECT_TRUE(fonts.activePaths().isEmpty());
}

TEST_F(SampleSheets, SheetsDrawnWithThePoolEqualSheetsDrawnRowByRow) {
    QDir().mkpath(out());
    rows.clear();
    for (const char* folder :
         {"/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/truetype/liberation"}) {
        const QDir dir(QString::fromLatin1(folder));
        for (const QString& name : dir.entryList({"*.ttf"}, QDir::Files, QDir::Name)) {
            const auto face = td::FontFace::open(dir.filePath(name));
            ASSERT_TRUE(face) << name.toStdString();
            rows.push_back({face->family(),
                            td::styleFromSubfamily(face->names().subfamily),
                            face->family() + " " + name,
                            dir.filePath(name),
                            {}});
        }
    }
    // An installed font, a file that is no font, and a face name that is not the file's.
    rows.push_back({"DejaVu Serif", {true, true, false, false}, "installed", {}, {}});
    rows.push_back({"DejaVu Sans", {}, "broken", sandbox.writeFile("broken.ttf", "x"), {}});
    rows.push_back({"Liberation Mono", {}, "other", tdtest::dejaVuSans(), {}});
    job.perSheet = 6;
    // Rows of the usual height, and rows so low that the text reaches into the next slot.
    for (const int height : {40, 14}) {
        SCOPED_TRACE(height);
        job.rowHeight = height;
        const QStringList written = td::writeSampleSheets(rows, job, out(), fonts);
        const std::vector<td::SheetSpan> spans = td::sheetSpans(int(rows.size()), job.perSheet);
        ASSERT_EQ(written.size(), qsizetype(spans.size()));
        for (std::size_t k = 0; k < spans.size(); ++k) {
            QImage want(job.width, spans[k].rows * height, QImage::Format_RGB32);
            want.fill(Qt::white);
            for (int i = 0; i < spans[k].rows; ++i) {
                td::drawSheetRow(want, i, rows[std::size_t(spans[k].first + i)], job, fonts);
            }
            const QImage got =
                QImage(out() + u'/' + written[qsizetype(k)]).convertToFormat(QImage::Format_RGB32);
            EXPECT_EQ(got, want) << k;
        }
    }
    EXPECT_TRUE(fonts.activePaths().isEmpty());
    EXPECT_EQ(fonts.most, 1);
}
