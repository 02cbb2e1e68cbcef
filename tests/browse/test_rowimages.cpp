#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTableView>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include "browse/fontlisting.h"
#include "browse/rowimages.h"
#include "browse/samplegrid.h"
#include "sandbox.h"
#include "testfiles.h"

using namespace td;

namespace {

QImage onWhite(const QImage& text, QSize size) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.drawImage(0, 0, text);
    return image;
}

QImage paintedDirectly(const SampleRow& row, const SampleRowOptions& options, FontTable& fonts,
                       QSize size) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    paintSampleRow(painter, QRect(QPoint(), size), row, options, fonts);
    return image;
}

// The picture drawn on a thread of the pool.
std::optional<QImage> renderedOnThePool(const RowImageJob& job) {
    std::optional<QImage> result;
    bool offTheGuiThread = false;
    rowPool().start([&] {
        offTheGuiThread = QThread::currentThread() != qApp->thread();
        result = renderRowImage(job);
    });
    rowPool().waitForDone();
    EXPECT_TRUE(offTheGuiThread);
    return result;
}

class RowImagesTest : public tdtest::SandboxTest {
  protected:
    QtFontTable fonts;
    SampleRowOptions options{QStringLiteral("abcdef ABCDEF 1234567890"),
                             QStringLiteral("DejaVu Sans"), 9, 8, 96};
    QString copy(const QString& from, const QString& name) {
        return sandbox.writeFile(QStringLiteral("fonts/") + name, tdtest::fileBytes(from));
    }
};

}  // namespace

TEST_F(RowImagesTest, ARowDrawnOnThePoolEqualsTheSameRowDrawnOnTheGuiThread) {
    const QString sans = copy(tdtest::dejaVuSans(), QStringLiteral("sans.ttf"));
    const QString bold = copy(tdtest::dejaVuSansBold(), QStringLiteral("bold.ttf"));
    const QSize size(420, 50);
    const std::vector<std::pair<const char*, SampleRow>> rows{
        {"a file", {"DejaVu Sans", "Book", "sans.ttf", sans}},
        {"a bold file", {"DejaVu Sans", "Bold", "bold.ttf", bold}},
        {"a style the file lacks", {"DejaVu Sans", "Bold Oblique", "sans.ttf", sans}},
        {"an installed font", {"DejaVu Serif", "", "", "", QStringLiteral("DejaVu Serif")}},
    };
    for (const auto& [what, row] : rows) {
        const RowImageJob job = rowImageJob(row, options, fonts, Qt::black, size, 1);
        const std::optional<QImage> here = renderRowImage(job);
        const std::optional<QImage> there = renderedOnThePool(job);
        ASSERT_TRUE(here && there) << what;
        EXPECT_EQ(*here, *there) << what;
        // And it looks as the row painted straight onto the grid.
        EXPECT_EQ(onWhite(*there, size), paintedDirectly(row, options, fonts, size)) << what;
        EXPECT_NE(
            onWhite(*there, size),
            onWhite(renderRowImage(rowImageJob({}, options, fonts, Qt::black, size, 1)).value(),
                    size))
            << what;
    }
}

TEST_F(RowImagesTest, AHostileFileIsLeftToTheGridAndNeverCrashesAWorker) {
    const QByteArray font = tdtest::fileBytes(tdtest::dejaVuSans());
    QByteArray scrambled = font;
    for (qsizetype i = 12; i < scrambled.size(); i += 7) {
        scrambled[i] = char(scrambled[i] ^ 0x5a);
    }
    const std::vector<std::pair<const char*, QByteArray>> files{
        {"truncated", font.left(font.size() / 3)},
        {"scrambled", scrambled},
        {"text", "DejaVu Sans"},
    };
    for (const auto& [what, bytes] : files) {
        const QString path = sandbox.writeFile(QStringLiteral("bad/") + what + ".ttf", bytes);
        const SampleRow row{"DejaVu Sans", "Book", what, path};
        const RowImageJob job = rowImageJob(row, options, fonts, Qt::black, {420, 50}, 1);
        const std::optional<QImage> there = renderedOnThePool(job);
        // Either the pool cannot draw it (the grid then draws it as before) or it drew the same
        // picture the user-interface thread draws.
        if (there) {
            EXPECT_EQ(*there, renderRowImage(job).value()) << what;
        }
        paintedDirectly(row, options, fonts, {420, 50});
        EXPECT_EQ(fonts.count(path), 0) << what;
    }
}

TEST_F(RowImagesTest, TheGridBlitsRowsDrawnAheadAndDropsThoseScrolledPast) {
    FontListing listing;
    listing.StringGrid1.clear();
    const QString sans = copy(tdtest::dejaVuSans(), QStringLiteral("sans.ttf"));
    const QString serif = copy(tdtest::dejaVuSerif(), QStringLiteral("serif.ttf"));
    for (int i = 0; i < 40; ++i) {
        FontDataRow data{};
        data[kColFamily] = i % 2 ? QStringLiteral("DejaVu Serif") : QStringLiteral("DejaVu Sans");
        data[kColSubfamily] = QStringLiteral("Book");
        data[kColEntry] = QStringLiteral("row %1").arg(i);
        listing.StringGrid1.push_back(data);
        listing.lb_ << (i % 2 ? serif : sans);
    }
    QTableView view;
    SampleGridModel model(listing);
    SampleRowDelegate delegate(fonts, [this] { return options; });
    setUpSampleGrid(view);
    view.setModel(&model);
    view.setItemDelegate(&delegate);
    view.resize(420, 5 * 50 + 4);
    view.setColumnWidth(0, 400);
    view.show();

    const QImage top = view.viewport()->grab().toImage();
    QCoreApplication::processEvents();  // the grid asks for the screens around the one shown
    rowPool().waitForDone();
    QCoreApplication::processEvents();  // the pictures arrive
    EXPECT_EQ(delegate.rowImages().pending(), 0);

    const QString signature = [&](int r) {
        return RowImageJob{model.sampleRow(r),
                           SampleRowOptions{options.sampleText, options.baseFont, 9, 8,
                                            view.viewport()->logicalDpiY()},
                           {},
                           {},
                           view.palette().color(QPalette::Active, QPalette::Text),
                           view.visualRect(model.index(r, 0)).size(),
                           view.viewport()->devicePixelRatioF()}
            .signature();
    }(7);
    ASSERT_TRUE(delegate.rowImages().ready(7, signature)) << "the next screen was drawn ahead";

    // Paging down shows what was drawn ahead, as drawing it now would.
    view.scrollTo(model.index(5, 0), QAbstractItemView::PositionAtTop);
    const QImage ahead = view.viewport()->grab().toImage();
    SampleRowDelegate fresh(fonts, [this] { return options; });
    view.setItemDelegate(&fresh);
    EXPECT_EQ(ahead, view.viewport()->grab().toImage());
    EXPECT_NE(ahead, top);

    // A jump far down keeps only the rows around the new screen.
    view.setItemDelegate(&delegate);
    view.scrollTo(model.index(30, 0), QAbstractItemView::PositionAtTop);
    view.viewport()->grab();
    QCoreApplication::processEvents();
    rowPool().waitForDone();
    QCoreApplication::processEvents();
    EXPECT_FALSE(delegate.rowImages().ready(7, signature));
}
