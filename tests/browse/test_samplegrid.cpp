#include <gtest/gtest.h>

#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QTableView>

#include "browse/filelist.h"
#include "browse/fontlisting.h"
#include "browse/samplegrid.h"
#include "browse/samplerow.h"
#include "sandbox.h"

using namespace td;

namespace {

// The process's font table, with every call written down in order.
class RecordingFontTable final : public FontTable {
  public:
    QStringList calls;
    std::vector<DrawingFont> resolved;

    void activate(const QString& path) override {
        calls << QStringLiteral("activate ") + path;
        m_table.activate(path);
    }
    void deactivate(const QString& path) override {
        calls << QStringLiteral("deactivate ") + path;
        m_table.deactivate(path);
    }
    int count(const QString& path) const override { return m_table.count(path); }
    QStringList activePaths() const override { return m_table.activePaths(); }
    DrawingFont resolve(const QString& faceName, FontStyle style, int pixelSize) override {
        calls << QStringLiteral("resolve %1 %2%3 %4")
                     .arg(faceName, style.bold ? "B" : "-", style.italic ? "I" : "-")
                     .arg(pixelSize);
        resolved.push_back(m_table.resolve(faceName, style, pixelSize));
        return resolved.back();
    }
    void installedFontsChanged() override { m_table.installedFontsChanged(); }

  private:
    QtFontTable m_table;
};

QImage blankImage(QSize size) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    return image;
}

QImage paintRow(const SampleRow& row, const SampleRowOptions& options, FontTable& fonts,
                QSize size = {400, 50}) {
    QImage image = blankImage(size);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    paintSampleRow(painter, QRect(QPoint(0, 0), size), row, options, fonts);
    return image;
}

// True when some pixel in rows [top, bottom) differs from white.
bool inkBetween(const QImage& image, int top, int bottom) {
    for (int y = std::max(0, top); y < std::min(bottom, image.height()); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                return true;
            }
        }
    }
    return false;
}

class SampleRowTest : public tdtest::SandboxTest {
  protected:
    RecordingFontTable fonts;
    SampleRowOptions options{QStringLiteral("abcdef ABCDEF 1234567890"),
                             QStringLiteral("DejaVu Sans"), 9, 8, 96};
    QString sans;
    QString serif;

    void SetUp() override {
        sans = copy(tdtest::dejaVuSans(), QStringLiteral("fonts/sans.ttf"));
        serif = copy(tdtest::dejaVuSerif(), QStringLiteral("fonts/serif.ttf"));
    }
    QString copy(const QString& from, const QString& relative) {
        QFile file(from);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return sandbox.writeFile(relative, file.readAll());
    }
};

}  // namespace

TEST(SampleRowSplit, CaptionKeepsItsShareAndAtLeastFifteenPixels) {
    // 450 / 17 = 26.47 rounds to 26, less one.
    EXPECT_EQ(captionOffset(9, 8, 50), 25);
    // 48 leaves 2 pixels: the caption gets 15.
    EXPECT_EQ(captionOffset(100, 2, 50), 35);
    // Halves go to the even neighbour: 2.5 -> 2, 42.5 -> 42, 43.5 -> 44.
    EXPECT_EQ(captionOffset(1, 1, 5) + 15, 5);  // 2 - 1 = 1 leaves 4 < 15, so H - 15
    EXPECT_EQ(captionOffset(1, 1, 85), 41);
    EXPECT_EQ(captionOffset(1, 1, 87), 43);  // 43.5 -> 44
    EXPECT_EQ(captionOffset(5, 3, 68), 41);  // 42.5 -> 42
    EXPECT_EQ(captionOffset(7, 1, 60), 45);  // 52.5 -> 52, less one leaves 9 < 15
    EXPECT_EQ(captionOffset(0, 0, 40), -1);
}

TEST(SampleRowStyle, SubfamilyDecidesBoldAndItalic) {
    EXPECT_EQ(styleFromSubfamily(QStringLiteral("Regular")), FontStyle{});
    EXPECT_EQ(styleFromSubfamily(QStringLiteral("Italic")), (FontStyle{false, true}));
    EXPECT_EQ(styleFromSubfamily(QStringLiteral("BoldItalic")), (FontStyle{true, true}));
    EXPECT_EQ(styleFromSubfamily(QStringLiteral("Bold Italic")), (FontStyle{true, true}));
    EXPECT_EQ(styleFromSubfamily(QStringLiteral("Semibold")), (FontStyle{true, false}));
    EXPECT_EQ(styleFromSubfamily(QStringLiteral("BOLD")), (FontStyle{true, false}));
    EXPECT_EQ(styleFromSubfamily(QStringLiteral("Oblique")), FontStyle{});
    EXPECT_EQ(styleFromSubfamily(QString()), FontStyle{});
}

TEST(SampleRowCaption, JoinsFamilySubfamilyAndEntry) {
    EXPECT_EQ(
        captionText(QStringLiteral("Arial"), QStringLiteral("Bold"), QStringLiteral("ARIALBD.TTF")),
        QStringLiteral("Arial Bold - ARIALBD.TTF"));
    EXPECT_EQ(captionText(QStringLiteral("X"), QString(), QStringLiteral("s/x.ttf")),
              QStringLiteral("X  - s/x.ttf"));
    EXPECT_EQ(pointsToPixels(9, 96), 12);
    EXPECT_EQ(pointsToPixels(8, 96), 11);
    EXPECT_EQ(pointsToPixels(12, 72), 12);
    EXPECT_EQ(pointsToPixels(0, 96), 1);
}

TEST_F(SampleRowTest, RowWithoutFamilyStaysBlankAndActivatesNothing) {
    const QImage image =
        paintRow({QString(), QStringLiteral("Bold"), "x.ttf", sans}, options, fonts);
    EXPECT_EQ(image, blankImage({400, 50}));
    EXPECT_TRUE(fonts.calls.isEmpty());
    EXPECT_EQ(fonts.count(sans), 0);
}

TEST_F(SampleRowTest, RowIsDrawnFromItsOwnFileWhileActiveOnly) {
    // DejaVu Sans is installed as well: the row still draws from the listed file.
    const QImage image = paintRow(
        {QStringLiteral("DejaVu Sans"), QStringLiteral("Book"), "sans.ttf", sans}, options, fonts);
    const QString key = fontTableKey(sans);
    EXPECT_EQ(fonts.calls, (QStringList{"activate " + sans, "resolve DejaVu Sans -- 12",
                                        "resolve DejaVu Sans -- 11", "deactivate " + sans}));
    ASSERT_EQ(fonts.resolved.size(), 2u);
    EXPECT_EQ(fonts.resolved[0].source(), FontSource::ActiveFile);
    EXPECT_EQ(fonts.resolved[0].filePath(), key);
    EXPECT_EQ(fonts.count(sans), 0);
    EXPECT_TRUE(fonts.activePaths().isEmpty());
    // The sample sits above the caption line, which starts 25 pixels down.
    EXPECT_TRUE(inkBetween(image, 0, 25));
    EXPECT_TRUE(inkBetween(image, 25, 50));
    // The caption is the only ink below the split.
    const QImage captionOnly =
        paintRow({QStringLiteral("DejaVu Sans"), QStringLiteral("Book"), "sans.ttf", sans},
                 SampleRowOptions{QString(), options.baseFont, 9, 8, 96}, fonts);
    EXPECT_FALSE(inkBetween(captionOnly, 0, 25));
    EXPECT_TRUE(inkBetween(captionOnly, 25, 50));
}

TEST_F(SampleRowTest, SubfamilyStyleReachesTheDrawing) {
    const SampleRow regular{QStringLiteral("DejaVu Sans"), QStringLiteral("Regular"), "a", sans};
    SampleRow bold = regular;
    bold.subfamily = QStringLiteral("Bold");
    SampleRow italic = regular;
    italic.subfamily = QStringLiteral("Italic");
    const SampleRowOptions sampleOnly{QStringLiteral("abcdef ABCDEF"), QString(), 20, 8, 96};
    const QImage a = paintRow(regular, sampleOnly, fonts);
    const QImage b = paintRow(bold, sampleOnly, fonts);
    const QImage c = paintRow(italic, sampleOnly, fonts);
    EXPECT_TRUE(fonts.calls.contains(QStringLiteral("resolve DejaVu Sans B- 27")));
    EXPECT_TRUE(fonts.calls.contains(QStringLiteral("resolve DejaVu Sans -I 27")));
    EXPECT_NE(a, b);
    EXPECT_NE(a, c);
    EXPECT_NE(b, c);
    EXPECT_EQ(fonts.count(sans), 0);
}

TEST_F(SampleRowTest, GridDrawsTwoFontsDifferentlyAndLeavesEmptyRowsBlank) {
    FontListing listing;
    listing.StringGrid1.assign(4, FontDataRow{});
    listing.StringGrid1[0][kColFamily] = QStringLiteral("DejaVu Sans");
    listing.StringGrid1[0][kColSubfamily] = QStringLiteral("Book");
    listing.StringGrid1[0][kColEntry] = QStringLiteral("sans.ttf");
    listing.StringGrid1[1][kColFamily] = QStringLiteral("DejaVu Serif");
    listing.StringGrid1[1][kColSubfamily] = QStringLiteral("Book");
    listing.StringGrid1[1][kColEntry] = QStringLiteral("serif.ttf");
    listing.lb_ = {sans, serif, QString(), QString()};

    QTableView view;
    SampleGridModel model(listing);
    SampleRowDelegate delegate(fonts, [this] { return options; });
    setUpSampleGrid(view);
    view.setModel(&model);
    view.setItemDelegate(&delegate);
    view.resize(420, 4 * 50 + 10);
    view.setColumnWidth(0, 400);
    ASSERT_EQ(model.rowCount(), 4);
    EXPECT_EQ(view.rowHeight(0), 50);
    EXPECT_EQ(view.toolTip(), QStringLiteral("Double-click switching to Font Map"));

    const QImage shot = view.viewport()->grab().toImage();
    auto rowImage = [&](int row) {
        return shot.copy(view.visualRect(model.index(row, 0)).adjusted(1, 1, -1, -1));
    };
    EXPECT_NE(rowImage(0), rowImage(1));
    EXPECT_NE(rowImage(0), rowImage(2));
    EXPECT_NE(rowImage(1), rowImage(2));
    EXPECT_EQ(rowImage(2), rowImage(3));
    // Only the two font rows were activated, each once per paint and back to zero.
    auto callsStartingWith = [&](const QString& prefix) {
        return std::count_if(fonts.calls.begin(), fonts.calls.end(),
                             [&](const QString& call) { return call.startsWith(prefix); });
    };
    EXPECT_GE(callsStartingWith(QStringLiteral("activate ")), 2);
    EXPECT_EQ(callsStartingWith(QStringLiteral("activate ")),
              callsStartingWith(QStringLiteral("deactivate ")));
    EXPECT_TRUE(fonts.calls.contains("activate " + sans));
    EXPECT_TRUE(fonts.calls.contains("activate " + serif));
    EXPECT_FALSE(fonts.calls.contains(QStringLiteral("activate ")));
    EXPECT_EQ(fonts.count(sans), 0);
    EXPECT_EQ(fonts.count(serif), 0);
    EXPECT_TRUE(fonts.activePaths().isEmpty());

    // A selected row is drawn in the highlight colours.
    view.selectRow(0);
    const QImage selected = view.viewport()->grab().toImage();
    EXPECT_NE(selected.copy(view.visualRect(model.index(0, 0))),
              shot.copy(view.visualRect(model.index(0, 0))));

    // A new listing is read again.
    listing.StringGrid1.resize(1);
    model.listingChanged();
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.sampleRow(0).path, sans);
    EXPECT_EQ(model.sampleRow(5).family, QString());
}

TEST_F(SampleRowTest, GridSelectionMirrorsIntoTheFileList) {
    FontListing listing;
    listing.StringGrid1.assign(6, FontDataRow{});
    QTableView view;
    SampleGridModel model(listing);
    setUpSampleGrid(view);
    view.setModel(&model);
    view.selectionModel()->select(QItemSelection(model.index(2, 0), model.index(4, 0)),
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QList<int> rows;
    for (const QModelIndex& index : view.selectionModel()->selectedRows()) {
        rows << index.row();
    }
    std::sort(rows.begin(), rows.end());
    ASSERT_EQ(rows, (QList<int>{2, 3, 4}));
    const QList<int> positions = fileListPositionsForRows(rows.first(), rows.last(), 7);
    EXPECT_EQ(positions, (QList<int>{3, 4, 5}));
    EXPECT_EQ(directoryCaption(positions.last(), 7), QStringLiteral("Directory fonts: 5/6"));
    EXPECT_EQ(gridRowsForSelection(positions), std::make_pair(2, 4));
}
