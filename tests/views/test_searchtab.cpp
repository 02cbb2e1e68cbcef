#include <gtest/gtest.h>

#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>

#include "app/tframe1.h"
#include "fake_services.h"
#include "platform/library.h"
#include "platform/windowset.h"
#include "sandbox.h"
#include "testfiles.h"
#include "views/searchpanel.h"

namespace {

QStringList column(const QTableView& grid, int column) {
    QStringList texts;
    for (int row = 0; row < grid.model()->rowCount(); ++row) {
        texts << grid.model()->index(row, column).data().toString();
    }
    return texts;
}

QStringList heads(const QTableView& grid) {
    QStringList texts;
    for (int c = 0; c < grid.model()->columnCount(); ++c) {
        texts << grid.model()->headerData(c, Qt::Horizontal).toString();
    }
    return texts;
}

class SearchTab : public tdtest::SandboxTest, protected tdtest::FakeServiceSet {
  protected:
    td::DlLibraryLoader libraries{tdtest::buildDir()};
    std::unique_ptr<td::WindowSet> windows = std::make_unique<td::WindowSet>();
};

}  // namespace

TEST_F(SearchTab, SearchSortsPreviewsOnceAndReleasesOnLeavingAndSearchingAgain) {
    services.windows = windows.get();
    services.libraries = &libraries;
    const QString drive = sandbox.path("drive");
    const QString sans =
        sandbox.writeFile("drive/a/sans.ttf", tdtest::fileBytes(tdtest::dejaVuSans()));
    const QString serif =
        sandbox.writeFile("drive/Serif.TTF", tdtest::fileBytes(tdtest::dejaVuSerif()));
    sandbox.writeFile("drive/notes.txt", "not a font");
    drives.setDrives({{drive, td::DriveType::Fixed}});
    windows->add(std::make_unique<TFrame1>(services));
    TFrame1& frame = *windows->find<TFrame1>();
    frame.resize(800, 500);
    frame.FillDriveList();
    frame.PageControl1->setCurrentWidget(frame.TabSheet5);
    QTableView& grid = *frame.StringGrid6;

    // A double click on a drive presses "s&Earch"; the drive stays selected.
    QListWidget& list = *frame.ListBox2;
    // What a double click delivers: a press and a release, then the double click.
    const QPoint driveItem = list.visualItemRect(list.item(0)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, driveItem);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, driveItem);
    ASSERT_TRUE(list.item(0)->isSelected());
    EXPECT_EQ(frame.PageControl1->tabText(3), "Searched: 2");
    EXPECT_EQ(column(grid, 1), (QStringList{"Serif.TTF", "sans.ttf"}));
    EXPECT_EQ(column(grid, 0), (QStringList{drive + "/", drive + "/a/"}));
    EXPECT_EQ(heads(grid), (QStringList{"** Path", "Name", "Time", "Size"}));

    // Clicking the same font twice activates it once and writes the sample text in it.
    frame.Edit1->setText("Sample 123");
    const QPoint sansCell = grid.visualRect(grid.model()->index(1, 1)).center();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, sansCell);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, sansCell);
    EXPECT_EQ(fonts.count(sans), 1);
    EXPECT_EQ(frame.ListBox5->count(), 1);
    EXPECT_EQ(frame.RichEdit1->toPlainText(), "Sample 123");
    EXPECT_EQ(frame.RichEdit1->font().family(), "DejaVu Sans");
    EXPECT_EQ(frame.RichEdit1->font().pointSize(), 16);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                      grid.visualRect(grid.model()->index(0, 0)).center());
    EXPECT_EQ(fonts.count(serif), 1);
    EXPECT_EQ(frame.searchPanel()->selectedPaths(), QStringList{serif});

    // A press on the "Size" head sorts by size; right of the last head by the whole row.
    QHeaderView& header = *grid.horizontalHeader();
    QTest::mousePress(header.viewport(), Qt::LeftButton, {},
                      {header.sectionViewportPosition(3) + header.sectionSize(3) / 2, 5});
    EXPECT_EQ(heads(grid), (QStringList{"Path", "Name", "Time", "** Size"}));
    const bool sansSmaller = QFileInfo(sans).size() < QFileInfo(serif).size();
    EXPECT_EQ(column(grid, 1).first(), sansSmaller ? "sans.ttf" : "Serif.TTF");
    QTest::mousePress(header.viewport(), Qt::LeftButton, {}, {header.length() + 10, 5});
    EXPECT_EQ(heads(grid), (QStringList{"Path", "Name", "Time", "Size"}));
    EXPECT_EQ(column(grid, 1), (QStringList{"Serif.TTF", "sans.ttf"}));

    // Leaving the tab releases each previewed font once.
    frame.PageControl1->setCurrentWidget(frame.TabSheet1);
    EXPECT_EQ(fonts.count(sans), 0);
    EXPECT_EQ(fonts.count(serif), 0);
    EXPECT_EQ(frame.ListBox5->count(), 0);

    // So does a new search, which finds the same files again.
    frame.PageControl1->setCurrentWidget(frame.TabSheet5);
    fonts.activate(sans);  // held by someone else: only the preview's count goes
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                      grid.visualRect(grid.model()->index(1, 1)).center());
    EXPECT_EQ(fonts.count(sans), 2);
    QTest::mouseClick(frame.Button9, Qt::LeftButton);
    EXPECT_EQ(fonts.count(sans), 1);
    EXPECT_EQ(frame.ListBox5->count(), 0);
    EXPECT_EQ(frame.PageControl1->tabText(3), "Searched: 2");
    fonts.deactivate(sans);

    // Rows taken out after their files were deleted; the current cell moving previews nothing.
    grid.selectionModel()->select(grid.model()->index(0, 0), QItemSelectionModel::ClearAndSelect);
    grid.setCurrentIndex(grid.model()->index(0, 0));
    frame.TabSheet5Exit();
    frame.searchPanel()->removeRows(frame.searchPanel()->selectedRows());
    EXPECT_EQ(column(grid, 1), QStringList{"sans.ttf"});
    EXPECT_EQ(frame.PageControl1->tabText(3), "Searched: 1");
    EXPECT_EQ(frame.ListBox5->count(), 0);

    // A file that is no font previews in a substitute face, without a message.
    sandbox.writeFile("drive/a/junk.ttf", "not a font");
    frame.Edit3->setText("j*");
    QTest::mouseClick(frame.Button9, Qt::LeftButton);
    ASSERT_EQ(column(grid, 1), QStringList{"junk.ttf"});
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                      grid.visualRect(grid.model()->index(0, 1)).center());
    EXPECT_EQ(frame.ListBox5->count(), 1);
    EXPECT_EQ(frame.RichEdit1->toPlainText(), "Sample 123");
    EXPECT_TRUE(dialogs.boxes().empty());
}

TEST_F(SearchTab, ThePreviewDrawsTheFaceOfTheFileItShows) {
    services.windows = windows.get();
    services.libraries = &libraries;
    const QString dejavu = QStringLiteral("/usr/share/fonts/truetype/dejavu/");
    // Pairs of one family: the upright face and a bold, italic or oblique one.
    const std::vector<std::pair<QString, QString>> pairs{
        {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf"},
        {"DejaVuSerif.ttf", "DejaVuSerif-Italic.ttf"},
        {"DejaVuSansMono.ttf", "DejaVuSansMono-Oblique.ttf"},
    };
    QStringList names;
    for (const auto& [upright, styled] : pairs) {
        for (const QString& name : {upright, styled}) {
            sandbox.writeFile("drive/" + name, tdtest::fileBytes(dejavu + name));
            names << name;
        }
    }
    drives.setDrives({{sandbox.path("drive"), td::DriveType::Fixed}});
    windows->add(std::make_unique<TFrame1>(services));
    TFrame1& frame = *windows->find<TFrame1>();
    frame.FillDriveList();
    frame.PageControl1->setCurrentWidget(frame.TabSheet5);
    frame.Edit1->setText("Hamburgefonstiv");
    frame.ListBox2->item(0)->setSelected(true);
    QTest::mouseClick(frame.Button9, Qt::LeftButton);
    QTableView& grid = *frame.StringGrid6;
    const QStringList found = column(grid, 1);
    ASSERT_EQ(found.size(), names.size());

    auto preview = [&](const QString& name) {
        const int row = int(found.indexOf(name));
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                          grid.visualRect(grid.model()->index(row, 1)).center());
        EXPECT_EQ(frame.RichEdit1->toPlainText(), "Hamburgefonstiv");
        return frame.RichEdit1->viewport()->grab().toImage();
    };
    for (const auto& [upright, styled] : pairs) {
        const QImage plain = preview(upright);
        const QFont plainFont = frame.RichEdit1->font();
        const QImage other = preview(styled);
        EXPECT_NE(plain, other) << styled.toStdString();
        EXPECT_EQ(frame.RichEdit1->font().family(), plainFont.family()) << styled.toStdString();
        EXPECT_TRUE(frame.RichEdit1->font().bold() || frame.RichEdit1->font().italic())
            << styled.toStdString();
        EXPECT_EQ(frame.RichEdit1->font().pointSize(), 16);
    }
    EXPECT_TRUE(dialogs.boxes().empty());
}

TEST(SearchColumns, TextsThatDoNotFitWidenTheirColumnAtThePathsExpense) {
    using Widths = std::array<int, td::kSearchColumns>;
    const struct {
        Widths widths;
        int available;
        Widths needed;
        Widths fitted;
    } cases[] = {
        // Everything fits: the widths stay.
        {{100, 100, 100, 100}, 400, {60, 90, 100, 50}, {100, 100, 100, 100}},
        // Name and time take what they need from the path column, which keeps its texts.
        {{100, 100, 100, 100}, 400, {60, 130, 120, 50}, {60, 130, 120, 100}},
        // The path column keeps its own width when its texts need more; the grid scrolls.
        {{100, 100, 100, 100}, 400, {300, 130, 120, 50}, {100, 130, 120, 100}},
        {{100, 100, 100, 100}, 400, {90, 180, 100, 50}, {90, 180, 100, 100}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(td::fitSearchColumns(c.widths, c.available, c.needed), c.fitted);
    }
}

TEST_F(SearchTab, PagesFollowAResizeOnAnotherTabAndFoundTextsShowWhole) {
    services.windows = windows.get();
    services.libraries = &libraries;
    const QString drive = sandbox.path("drive");
    sandbox.writeFile("drive/DejaVuSans-Bold.ttf", tdtest::fileBytes(tdtest::dejaVuSansBold()));
    drives.setDrives({{drive, td::DriveType::Fixed}});
    windows->add(std::make_unique<TFrame1>(services));
    TFrame1& frame = *windows->find<TFrame1>();
    // The first-show steps; what they report is not looked at here.
    dialogs.allowUnscriptedBoxes();
    frame.show();
    QCoreApplication::processEvents();
    dialogs.clear();
    dialogs.allowUnscriptedBoxes(false);
    QTableView& grid = *frame.StringGrid6;
    const int gridBefore = grid.width();

    // Resized while the Options tab is shown, the other pages take the new size at once.
    frame.PageControl1->setCurrentWidget(frame.TabSheet4);
    frame.resize(900, 640);
    frame.LayoutMainWindow();
    const struct {
        QWidget* page;
        QWidget* control;
    } pages[] = {{frame.TabSheet1, frame.StringGrid2}, {frame.TabSheet5, &grid}};
    for (const auto& p : pages) {
        const QRect hidden = p.control->geometry();
        const int firstColumn = grid.columnWidth(0);
        frame.PageControl1->setCurrentWidget(p.page);
        QCoreApplication::processEvents();
        EXPECT_EQ(p.control->geometry(), hidden) << p.page->objectName().toStdString();
        EXPECT_EQ(grid.columnWidth(0), firstColumn);
        frame.PageControl1->setCurrentWidget(frame.TabSheet4);
    }
    EXPECT_GE(grid.width(), gridBefore + 900 - 580);

    // At the default size the name and the time of a hit show whole.
    frame.resize(580, 420);
    frame.PageControl1->setCurrentWidget(frame.TabSheet5);
    frame.LayoutMainWindow();
    frame.FillDriveList();
    frame.ListBox2->item(0)->setSelected(true);
    frame.RunSearch();
    ASSERT_EQ(grid.model()->rowCount(), 1);
    for (const int column : {td::kSearchName, td::kSearchTime}) {
        const QString text = grid.model()->index(0, column).data().toString();
        EXPECT_GE(grid.columnWidth(column), grid.fontMetrics().horizontalAdvance(text) + 2)
            << text.toStdString();
    }
    EXPECT_EQ(grid.model()->index(0, td::kSearchName).data().toString(), "DejaVuSans-Bold.ttf");
}
