#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include "app/radiogroup.h"
#include "app/tframe1.h"
#include "export/targetdialogs.h"
#include "fake_services.h"
#include "platform/library.h"
#include "platform/windowset.h"
#include "sandbox.h"
#include "testfiles.h"
#include "views/fontmap.h"
#include "views/tform2.h"

namespace {

TEST(FontMapRules, CharacterHintAndCornerOfACode) {
    struct Case {
        int code;
        QString character;
        QString hint;
        QString corner;
    };
    const Case cases[] = {
        {65, "A", "Keystroke = A", "065"},
        {32, " ", "Keystroke = 032", "032"},
        {127, QString(QChar(127)), "Keystroke = 0127", "0127"},
        {0, QString(QChar(0)), "Keystroke = 00", "00"},
        {169, QString(QChar(0xA9)), "Keystroke = 0169", "0169"},
        {128, QString(QChar(0x20AC)), "Keystroke = 0128", "0128"},
        // Windows-1252 leaves these five undefined; they stay the Unicode code points.
        {0x81, QString(QChar(0x81)), "Keystroke = 0129", "0129"},
        {0x8D, QString(QChar(0x8D)), "Keystroke = 0141", "0141"},
        {0x8F, QString(QChar(0x8F)), "Keystroke = 0143", "0143"},
        {0x90, QString(QChar(0x90)), "Keystroke = 0144", "0144"},
        {0x9D, QString(QChar(0x9D)), "Keystroke = 0157", "0157"},
        {0x9F, QString(QChar(0x178)), "Keystroke = 0159", "0159"},
        {0x92, QString(QChar(0x2019)), "Keystroke = 0146", "0146"},
        {126, "~", "Keystroke = ~", "0126"},
        {255, QString(QChar(0xFF)), "Keystroke = 0255", "0255"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(td::fontMapCharacter(c.code), c.character);
        EXPECT_EQ(td::keystrokeHint(c.code), c.hint);
        EXPECT_EQ(td::fontMapCorner(c.code), c.corner);
    }
    EXPECT_EQ(td::fontMapCode(5, 2), 65);
    EXPECT_EQ(td::fontMapCode(1, 1), 0);
    EXPECT_EQ(td::fontMapCode(16, 16), 255);
}

TEST(FontMapRules, PointSizeIsAThirdOfTheCellAndFilesResolveAgainstTheListing) {
    for (const auto& [cell, points] : {std::pair{6, 2}, {30, 10}, {100, 33}, {8, 2}}) {
        EXPECT_EQ(td::fontMapPointSize(cell), points) << cell;
    }
    struct Case {
        int mode;
        QString entry;
        QString file;
    };
    const Case cases[] = {
        {1, "a.ttf", "/fonts/a.ttf"},
        {1, "sub/b.ttf", "/fonts/sub/b.ttf"},
        {3, "c.ttf", "/tmp/td/c.ttf"},
        {3, "../d.ttf", ""},
        {2, "e.zip", ""},
        {1, "..", ""},
        {1, "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(td::fontMapFileFor(c.mode, "/fonts/", "/tmp/td/", c.entry), c.file)
            << c.mode << " " << c.entry.toStdString();
    }
}

// The main window of a run with the magnifier, started in a folder with one bold font that
// the sandbox's fontconfig does not know.
class FontMapTab : public tdtest::SandboxTest, protected tdtest::FakeServiceSet {
  protected:
    td::DlLibraryLoader libraries{tdtest::buildDir()};
    std::unique_ptr<td::WindowSet> windows = std::make_unique<td::WindowSet>();
    QString savedFolder = QDir::currentPath();
    QString fontFile;

    void SetUp() override {
        services.libraries = &libraries;
        services.windows = windows.get();
        presetBrowser();
        fontFile = sandbox.writeFile(
            "fonts/bold.ttf",
            tdtest::fileBytes("/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf"));
        QDir::setCurrent(sandbox.path("fonts"));
    }
    void TearDown() override {
        windows.reset();
        QDir::setCurrent(savedFolder);
    }

    TFrame1& create() {
        windows->add(std::make_unique<TFrame1>(services));
        windows->add(std::make_unique<TForm2>(services));
        windows->add(std::make_unique<TForm5>(services));
        windows->add(std::make_unique<TForm6>(services));
        TFrame1& frame = *windows->find<TFrame1>();
        QCoreApplication::sendPostedEvents(&frame, QEvent::MetaCall);
        frame.resize(700, 700);
        frame.LayoutMainWindow();
        return frame;
    }

    static QString mapCaption(const TFrame1& frame) {
        return frame.PageControl1->tabText(frame.PageControl1->indexOf(frame.TabSheet3));
    }

    // The character cell of screen row `row`, column `column` as drawn.
    static QImage cellImage(TFrame1& frame, int row, int column) {
        QTableWidget& grid = *frame.StringGrid3;
        const QRect rect = grid.visualRect(grid.model()->index(row, column));
        return grid.viewport()->grab().toImage().copy(rect.adjusted(1, 1, -1, -1));
    }
};

TEST_F(FontMapTab, AListedFontOpensTheMapInItsOwnFaceAndLeavingReleasesIt) {
    TFrame1& frame = create();
    ASSERT_NE(frame.fontMap(), nullptr);
    frame.FileListBox1->setCurrentRow(1);
    ASSERT_EQ(frame.FileListBox1->currentItem()->text(), "bold.ttf");
    frame.ViewasCharacterMap1->trigger();
    EXPECT_EQ(mapCaption(frame), "Liberation Sans Bold");
    EXPECT_EQ(frame.fontMapFile(), QDir(sandbox.path("fonts")).filePath("bold.ttf"));
    EXPECT_EQ(frame.PageControl1->currentWidget(), frame.TabSheet3);
    EXPECT_EQ(fonts.count(fontFile), 1);

    // On screen the rows are the high digit: "A" in row 4 (head "4"), column 1 (head "1").
    EXPECT_EQ(frame.fontMap()->cellText(5, 2), "A");
    EXPECT_EQ(frame.fontMap()->cellText(5, 0), "4");
    EXPECT_EQ(frame.fontMap()->cellText(0, 2), "1");
    EXPECT_EQ(frame.fontMap()->cellText(9, 1), QString(QChar(0x20AC)));
    const QImage own = cellImage(frame, 5, 2);

    frame.PageControl1->setCurrentWidget(frame.TabSheet1);
    EXPECT_EQ(fonts.count(fontFile), 0);
    frame.PageControl1->setCurrentWidget(frame.TabSheet3);
    EXPECT_EQ(fonts.count(fontFile), 1);
    frame.PageControl1->setCurrentWidget(frame.TabSheet4);
    EXPECT_EQ(fonts.count(fontFile), 0);

    // The same caption with the file gone draws fontconfig's substitute, not the file's glyphs.
    ASSERT_TRUE(QFile::remove(fontFile));
    frame.PageControl1->setCurrentWidget(frame.TabSheet3);
    EXPECT_TRUE(fonts.activePaths().isEmpty());
    const QImage substitute = cellImage(frame, 5, 2);
    EXPECT_NE(own, substitute);
    QImage blank(own.size(), own.format());
    blank.fill(frame.StringGrid3->palette().color(QPalette::Base));
    EXPECT_NE(own, blank);
    EXPECT_NE(substitute, blank);
}

TEST_F(FontMapTab, AnInstalledFontLeavesTheFileEmptyAndActivatesNothing) {
    TFrame1& frame = create();
    frame.setFontMapFile(fontFile);
    frame.fontMap()->showInstalledFont("DejaVu Serif");
    EXPECT_EQ(mapCaption(frame), "DejaVu Serif");
    EXPECT_TRUE(frame.fontMapFile().isEmpty());
    EXPECT_EQ(frame.PageControl1->currentWidget(), frame.TabSheet3);
    EXPECT_TRUE(fonts.activePaths().isEmpty());

    // A file without readable names gives the caption the name reader gives: none.
    const QString junk = sandbox.writeFile("fonts/junk.ttf", "not a font at all");
    frame.PageControl1->setCurrentWidget(frame.TabSheet1);
    frame.fontMap()->showFontFile(junk);
    EXPECT_EQ(mapCaption(frame), QString());
    EXPECT_EQ(frame.fontMapFile(), junk);
    EXPECT_TRUE(fonts.activePaths().isEmpty());
}

TEST_F(FontMapTab, SelectingACellShowsCodeKeystrokeAndMagnifierUntilTheMouseIsReleased) {
    TFrame1& frame = create();
    frame.fontMap()->showInstalledFont("DejaVu Sans");
    frame.show();
    QTableWidget& grid = *frame.StringGrid3;
    auto* popup = windows->find<TForm2>();
    ASSERT_NE(popup, nullptr);
    EXPECT_FALSE(popup->isVisible());

    const QRect cell = grid.visualRect(grid.model()->index(5, 2));
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(grid.item(0, 0)->text(), "065");
    EXPECT_EQ(grid.toolTip(), "Keystroke = A");
    ASSERT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->windowTitle(), "065");
    EXPECT_EQ(popup->size(), QSize(60, 60));
    EXPECT_EQ(popup->pos(), grid.viewport()->mapToGlobal(cell.bottomRight() + QPoint(1, 1)));
    const QImage shown = popup->image();
    QImage blank(shown.size(), shown.format());
    blank.fill(popup->palette().color(QPalette::Window));
    EXPECT_NE(shown, blank);
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_FALSE(popup->isVisible());

    // The keyboard selects too, and the magnifier stays until the next release.
    QTest::keyClick(&grid, Qt::Key_Right);
    EXPECT_EQ(grid.item(0, 0)->text(), "066");
    EXPECT_EQ(popup->windowTitle(), "066");
    EXPECT_TRUE(popup->isVisible());
    QTest::keyClick(&grid, Qt::Key_Up);
    EXPECT_EQ(grid.item(0, 0)->text(), "050");
    EXPECT_EQ(grid.toolTip(), "Keystroke = 2");

    // Heads cannot be selected; the cell size follows the option.
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                      grid.visualRect(grid.model()->index(0, 3)).center());
    EXPECT_EQ(grid.item(0, 0)->text(), "050");
    frame.SpinEdit3->setValue(45);
    EXPECT_EQ(grid.columnWidth(7), 45);
    EXPECT_EQ(grid.rowHeight(7), 45);
    frame.hide();
}

TEST_F(FontMapTab, SaveOnTheMapWritesItsPicturesAndPageIntoTheDefaultFolder) {
    TFrame1& frame = create();
    ASSERT_TRUE(QDir().mkpath(sandbox.path("base")));
    frame.Edit6->setText(sandbox.path("base"));
    frame.RadioGroup2->setItemIndex(0);
    frame.PageControl1->setCurrentWidget(frame.TabSheet3);
    frame.Button7Click();
    auto* target = windows->find<TForm6>();
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->path(), sandbox.path("base/cfontfile"));
    EXPECT_TRUE(frame.Button7->isHidden());

    // No font chosen yet: the tab's own caption names the files.
    dialogs.answer(td::BoxAnswer::No);
    target->Button2Click();
    EXPECT_TRUE(QFile::exists(sandbox.path("base/cfontfile/065Font Map.jpg")));
    EXPECT_TRUE(QFile::exists(sandbox.path("base/cfontfile/0255Font Map.jpg")));
    EXPECT_TRUE(QFile::exists(sandbox.path("base/cfontfile/Font Map.html")));
    EXPECT_EQ(QDir(sandbox.path("base/cfontfile")).entryList(QDir::Files).size(), 257);
    EXPECT_EQ(dialogs.boxes().size(), 1u);
    EXPECT_FALSE(frame.Button7->isHidden());
    EXPECT_FALSE(frame.exportFlag());
    EXPECT_EQ(frame.StringGrid3->columnWidth(4), 30);
    EXPECT_EQ(frame.StringGrid3->rowHeight(4), 30);
}

}  // namespace

TEST_F(FontMapTab, ACollectionOffersItsOtherFacesBesideTheCaption) {
    TFrame1& frame = create();
    const QString ttc = sandbox.writeFile(
        "fonts/w.ttc", tdtest::fileBytes("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"));
    const int tab = frame.PageControl1->indexOf(frame.TabSheet3);
    frame.fontMap()->showFontFile(ttc);
    EXPECT_EQ(mapCaption(frame), "WenQuanYi Micro Hei");
    QComboBox* selector = frame.fontMap()->faceSelector();
    ASSERT_NE(selector, nullptr);
    EXPECT_EQ(frame.PageControl1->tabBar()->tabButton(tab, QTabBar::RightSide), selector);
    EXPECT_EQ(selector->count(), 2);
    EXPECT_EQ(selector->itemText(1), "Face 2 of 2");

    selector->setCurrentIndex(1);
    emit selector->activated(1);
    EXPECT_EQ(mapCaption(frame), "WenQuanYi Micro Hei Mono");
    // The map's file is active while the tab shows, so the caption draws in the second face.
    EXPECT_EQ(frame.fontMapFile(), ttc);
    EXPECT_EQ(fonts.resolve(frame.fontMap()->faceName(), {}, 20).source(),
              td::FontSource::ActiveFile);

    frame.fontMap()->showFontFile(fontFile);
    EXPECT_EQ(frame.fontMap()->faceSelector(), nullptr);
    EXPECT_EQ(frame.PageControl1->tabBar()->tabButton(tab, QTabBar::RightSide), nullptr);
}
