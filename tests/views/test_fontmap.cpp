#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRawFont>
#include <QScrollBar>
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
        // Beyond page 0: the Unicode character, its hexadecimal entry and code.
        {0x400, QString(QChar(0x400)), "Keystroke = Ctrl+Shift+U 0400", "U+0400"},
        {0x4E00, QString(QChar(0x4E00)), "Keystroke = Ctrl+Shift+U 4E00", "U+4E00"},
        {0xFFFD, QString(QChar(0xFFFD)), "Keystroke = Ctrl+Shift+U FFFD", "U+FFFD"},
        {0x1F600, QString::fromUtf8("\xF0\x9F\x98\x80"), "Keystroke = Ctrl+Shift+U 1F600",
         "U+1F600"},
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

TEST(FontMapRules, PagesAreNamedByTheirStartAndBlock) {
    const std::pair<int, QString> names[] = {
        {0x00, "U+0000 Basic Latin"},
        {0x03, "U+0300 Combining Diacritical Marks"},
        {0x04, "U+0400 Cyrillic"},
        {0x4E, "U+4E00 CJK Unified Ideographs"},
        {0x9F, "U+9F00 CJK Unified Ideographs"},
        {0xFF, "U+FF00 Halfwidth and Fullwidth Forms"},
        {0x1F6, "U+1F600 Emoticons"},
        {0x102, "U+10200 Lycian"},  // starts outside every block: the first block inside it
        {0x2FF, "U+2FF00 No Block"},
        {0x10FF, "U+10FF00 Supplementary Private Use Area-B"},
    };
    for (const auto& [page, name] : names) {
        EXPECT_EQ(td::unicodePageName(page), name) << page;
    }
    const std::pair<char32_t, QString> blocks[] = {
        {0x7F, "Basic Latin"},
        {0x80, "Latin-1 Supplement"},
        {0x2FE0, "No Block"},
        {0xA7FF, "Latin Extended-D"},
        {0x3134F, "CJK Unified Ideographs Extension G"},
        {0x110000, "No Block"},
    };
    for (const auto& [code, name] : blocks) {
        EXPECT_EQ(td::unicodeBlockName(code), name) << static_cast<quint32>(code);
    }
}

// A cmap table with one subtable (platform 3, encoding 1 or 10) made of big-endian fields.
QByteArray cmapWith(quint16 encoding, const QList<quint32>& fields32, const QList<int>& widths) {
    QByteArray table;
    const auto put = [&table](quint32 value, int bytes) {
        for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) {
            table.append(static_cast<char>((value >> shift) & 0xFF));
        }
    };
    put(0, 2), put(1, 2), put(3, 2), put(encoding, 2), put(12, 4);
    for (qsizetype i = 0; i < fields32.size(); ++i) {
        put(fields32.at(i), widths.at(i));
    }
    return table;
}

TEST(FontMapRules, CoverageComesFromTheCmapAndDamageAddsNothing) {
    // Format 4: 'A'-'C' by delta ('B' lands on glyph 0), U+0400-U+0401 through the glyph array
    // (U+0401 has glyph 0), the closing segment.
    const QList<quint32> format4 = {4,      0,     0,      6, 0, 0, 0,  // header, 3 segments
                                    0x43,   0x401, 0xFFFF, 0,           // ends, pad
                                    0x41,   0x400, 0xFFFF,              // starts
                                    0xFFBE, 0,     1,                   // deltas
                                    0,      4,     0,                   // range offsets
                                    7,      0};                         // glyph array
    const QList<int> widths4(format4.size(), 2);
    // Format 12: U+1F600-U+1F64F, and U+20000 alone at glyph 0 (missing).
    const QList<quint32> format12 = {12, 0, 40, 0, 2, 0x1F600, 0x1F64F, 5, 0x20000, 0x20000, 0};
    const QList<int> widths12 = {2, 2, 4, 4, 4, 4, 4, 4, 4, 4, 4};
    const QByteArray four = cmapWith(1, format4, widths4);
    const QByteArray twelve = cmapWith(10, format12, widths12);
    struct Case {
        QByteArray cmap;
        QList<char32_t> in;
        QList<char32_t> out;
        QList<int> pages;
    };
    const Case cases[] = {
        {four, {0x41, 0x43, 0x400}, {0x40, 0x42, 0x44, 0x401, 0xFFFF}, {0, 4}},
        {twelve, {0x1F600, 0x1F64F}, {0x1F650, 0x20000, 0x41}, {0, 0x1F6}},
        // Cut short: the groups run past the end, the segments past the table.
        {twelve.left(twelve.size() - 1), {}, {0x1F600}, {0}},
        {four.left(30), {}, {0x41}, {0}},
        {QByteArray("\0\0\0\x09", 4), {}, {0x41}, {0}},
        {QByteArray(), {}, {0}, {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cmap.toHex().toStdString());
        const td::CharacterCoverage coverage = td::CharacterCoverage::fromCmap(c.cmap);
        for (const char32_t code : c.in) {
            EXPECT_TRUE(coverage.contains(code)) << static_cast<quint32>(code);
        }
        for (const char32_t code : c.out) {
            EXPECT_FALSE(coverage.contains(code)) << static_cast<quint32>(code);
        }
        EXPECT_EQ(coverage.pages(), c.pages);
    }
    // A real table: DejaVu Sans has Greek and Cyrillic, no CJK, and its pages name them.
    const QRawFont dejavu(tdtest::fileBytes(tdtest::dejaVuSans()), 12);
    const td::CharacterCoverage real = td::CharacterCoverage::fromCmap(dejavu.fontTable("cmap"));
    EXPECT_GT(real.size(), 3000);
    EXPECT_TRUE(real.pages().contains(0x03));
    EXPECT_TRUE(real.pages().contains(0x04));
    EXPECT_FALSE(real.pages().contains(0x4E));
    for (const char32_t code : {0x41u, 0x3A9u, 0x416u, 0x20ACu}) {
        EXPECT_EQ(real.contains(code), dejavu.supportsCharacter(code))
            << static_cast<quint32>(code);
    }
    EXPECT_FALSE(real.contains(0x4E00));
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
    static QImage filled(const QImage& like, QColor colour) {
        QImage image(like.size(), like.format());
        image.fill(colour);
        return image;
    }
    // A listed page beyond 0 and a code on it that DejaVu Sans has no glyph for, as Qt's own
    // reading of the font says.
    static std::pair<int, int> pageWithMissingCode(const QList<int>& pages) {
        const QRawFont dejavu(tdtest::fileBytes(tdtest::dejaVuSans()), 12);
        for (const int page : pages.mid(1)) {
            for (int code = page * 256; code < page * 256 + 256; ++code) {
                if (!dejavu.supportsCharacter(static_cast<char32_t>(code))) {
                    return {page, code};
                }
            }
        }
        return {0, 0};
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
    QHeaderView& heads = *grid.horizontalHeader();
    QTest::mouseClick(heads.viewport(), Qt::LeftButton, {},
                      QPoint(heads.sectionViewportPosition(3) + 5, heads.height() / 2));
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

TEST_F(FontMapTab, ThePagesTheFaceCoversAreListedAndBeyondPageZeroTheMapSpeaksUnicode) {
    TFrame1& frame = create();
    frame.fontMap()->showInstalledFont("DejaVu Sans");
    frame.show();
    QTableWidget& grid = *frame.StringGrid3;
    td::FontMapView& map = *frame.fontMap();
    auto& selector = *frame.findChild<QComboBox*>("ComboBoxPage");
    QStringList names;
    for (int i = 0; i < selector.count(); ++i) {
        names << selector.itemText(i);
    }
    ASSERT_GT(names.size(), 3);
    EXPECT_EQ(names.first(), "U+0000 Basic Latin");
    EXPECT_TRUE(names.contains("U+0300 Combining Diacritical Marks"));
    EXPECT_TRUE(names.contains("U+0400 Cyrillic"));
    EXPECT_TRUE(names.filter("U+4E00").isEmpty());
    EXPECT_EQ(selector.currentIndex(), 0);

    // Ctrl+Page Down / Up step through the listed pages from the grid and from the selector.
    QTest::keyClick(&grid, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(map.page(), map.pages().at(1));
    EXPECT_EQ(selector.currentIndex(), 1);
    EXPECT_EQ(frame.PageControl1->currentWidget(), frame.TabSheet3);
    QTest::keyClick(&selector, Qt::Key_PageUp, Qt::ControlModifier);
    QTest::keyClick(&selector, Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(map.page(), 0);

    selector.setCurrentIndex(names.indexOf("U+0400 Cyrillic"));
    EXPECT_EQ(map.page(), 4);
    EXPECT_EQ(map.cellText(2, 1), QString(QChar(0x410)));
    EXPECT_EQ(map.cellText(2, 0), "1");
    EXPECT_EQ(map.cellText(0, 7), "6");
    const QPoint cell = grid.visualRect(grid.model()->index(2, 7)).center();
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, cell);
    EXPECT_EQ(grid.item(0, 0)->text(), "U+0416");
    EXPECT_EQ(grid.toolTip(), "Keystroke = Ctrl+Shift+U 0416");
    EXPECT_EQ(windows->find<TForm2>()->windowTitle(), "U+0416");
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, cell);
    // Another page updates the selection's code.
    selector.setCurrentIndex(names.indexOf("U+0300 Combining Diacritical Marks"));
    EXPECT_EQ(grid.item(0, 0)->text(), "U+0316");

    // The page stays while the program runs; a new font opens on page 0.
    frame.PageControl1->setCurrentWidget(frame.TabSheet1);
    frame.PageControl1->setCurrentWidget(frame.TabSheet3);
    EXPECT_EQ(map.page(), 3);
    map.showInstalledFont("DejaVu Serif");
    EXPECT_EQ(map.page(), 0);
    EXPECT_EQ(selector.currentIndex(), 0);
    EXPECT_EQ(map.cellText(5, 2), "A");
    frame.hide();
}

TEST_F(FontMapTab, ACodeTheFaceLacksIsAnEmptyGreyCellOnEveryPage) {
    TFrame1& frame = create();
    frame.fontMap()->showInstalledFont("DejaVu Sans");
    frame.show();
    const QColor grey(0xE0, 0xE0, 0xE0);
    // Control code 1 is not in the font: nothing of another font is drawn either.
    const QImage control = cellImage(frame, 1, 2);
    EXPECT_EQ(control, filled(control, grey));
    EXPECT_NE(cellImage(frame, 5, 2), filled(control, grey));

    td::FontMapView& map = *frame.fontMap();
    const auto [page, missing] = pageWithMissingCode(map.pages());
    ASSERT_NE(page, 0);
    ASSERT_TRUE(map.setPage(page));
    const int row = (missing % 256) / 16 + 1;
    const int column = missing % 16 + 1;
    const QImage empty = cellImage(frame, row, column);
    EXPECT_EQ(empty, filled(empty, grey));
    // The magnifier shows nothing for it.
    map.StringGrid3SelectCell(row, column);
    auto* popup = windows->find<TForm2>();
    EXPECT_EQ(popup->image(), filled(popup->image(), popup->palette().color(QPalette::Window)));
    frame.hide();
}

TEST_F(FontMapTab, TheHeadsStayInViewAndTheCornerShowsItsWholeText) {
    TFrame1& frame = create();
    frame.show();
    frame.resize(580, 420);
    frame.LayoutMainWindow();
    frame.fontMap()->showInstalledFont("DejaVu Sans");
    QTableWidget& grid = *frame.StringGrid3;
    const QImage columnHeads = grid.horizontalHeader()->grab().toImage();

    // Selecting 0x80 scrolls down: the column heads stay, the row heads follow their rows.
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                      grid.visualRect(grid.model()->index(1, 1)).center());
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(&grid, Qt::Key_Down);
    }
    ASSERT_EQ(grid.item(0, 0)->text(), "0128");
    EXPECT_GT(grid.verticalScrollBar()->value(), 0);
    EXPECT_TRUE(grid.horizontalHeader()->isVisible());
    EXPECT_EQ(grid.horizontalHeader()->grab().toImage(), columnHeads);
    EXPECT_EQ(grid.verticalHeader()->sectionViewportPosition(9), grid.rowViewportPosition(9));
    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
    EXPECT_EQ(grid.horizontalHeader()->grab().toImage(), columnHeads);

    // The corner's text keeps clear of its edges, on page 0 and beyond.
    auto* corner = grid.findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(corner, nullptr);
    for (const int page : {0, 0x20}) {
        ASSERT_TRUE(frame.fontMap()->setPage(page));
        SCOPED_TRACE(grid.item(0, 0)->text().toStdString());
        const QImage image = corner->grab().toImage();
        int left = image.width();
        int right = -1;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (qGray(image.pixel(x, y)) < 100) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        }
        EXPECT_GT(left, 0);
        EXPECT_LT(right, image.width() - 2);
        EXPECT_GT(right - left, 10);
    }
    EXPECT_EQ(grid.item(0, 0)->text(), "U+2080");
    frame.hide();
}

TEST_F(FontMapTab, SaveExportsThePageShownWithEmptyPicturesForMissingCodes) {
    TFrame1& frame = create();
    ASSERT_TRUE(QDir().mkpath(sandbox.path("base")));
    frame.Edit6->setText(sandbox.path("base"));
    frame.RadioGroup2->setItemIndex(0);
    frame.fontMap()->showInstalledFont("DejaVu Sans");
    const auto [page, missing] = pageWithMissingCode(frame.fontMap()->pages());
    ASSERT_TRUE(frame.fontMap()->setPage(page));
    frame.Button7Click();
    dialogs.answer(td::BoxAnswer::No);
    windows->find<TForm6>()->Button2Click();
    const QDir folder(sandbox.path("base/cfontfile"));
    EXPECT_EQ(folder.entryList(QDir::Files).size(), 257);
    const auto picture = [&folder](int code) {
        return QImage(folder.filePath("0" + QString::number(code) + "DejaVu Sans.jpg"));
    };
    const QImage empty = picture(missing);
    ASSERT_EQ(empty.size(), QSize(50, 50));
    // JPEG keeps white white on an empty picture.
    EXPECT_EQ(empty.convertToFormat(QImage::Format_RGB32),
              filled(empty.convertToFormat(QImage::Format_RGB32), Qt::white));
    EXPECT_FALSE(picture(page * 256 + 255).isNull());
    EXPECT_FALSE(folder.exists("065DejaVu Sans.jpg"));
    const QString html = QString::fromUtf8(tdtest::fileBytes(folder.filePath("DejaVu Sans.html")));
    EXPECT_TRUE(html.contains("<img src=\"0" + QString::number(page * 256) + "DejaVu Sans.jpg\""));
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
    // The second face lists its own pages, the ideographs among them, and draws there.
    auto& pages = *frame.findChild<QComboBox*>("ComboBoxPage");
    const int ideographs = pages.findText("U+4E00 CJK Unified Ideographs");
    ASSERT_GE(ideographs, 0);
    pages.setCurrentIndex(ideographs);
    EXPECT_EQ(frame.fontMap()->page(), 0x4E);
    EXPECT_EQ(frame.fontMap()->cellText(1, 1), QString(QChar(0x4E00)));
    // The map's file is active while the tab shows, so the caption draws in the second face.
    EXPECT_EQ(frame.fontMapFile(), ttc);
    EXPECT_EQ(fonts.resolve(frame.fontMap()->faceName(), {}, 20).source(),
              td::FontSource::ActiveFile);

    frame.fontMap()->showFontFile(fontFile);
    EXPECT_EQ(frame.fontMap()->faceSelector(), nullptr);
    EXPECT_EQ(frame.PageControl1->tabBar()->tabButton(tab, QTabBar::RightSide), nullptr);
}
