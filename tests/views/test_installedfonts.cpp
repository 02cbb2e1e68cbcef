#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include "app/tframe1.h"
#include "fake_services.h"
#include "platform/error.h"
#include "platform/fontskey.h"
#include "platform/library.h"
#include "platform/windowset.h"
#include "sandbox.h"
#include "testfiles.h"
#include "views/installedfonts.h"

void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace td {
void PrintTo(const InstalledFontRow& row, std::ostream* out) {
    *out << '{' << row.name.toStdString() << '|' << row.bold.toStdString() << '|'
         << row.italic.toStdString() << '|' << row.path.toStdString() << '}';
}
}  // namespace td

namespace {

using td::InstalledFontRow;

TEST(InstalledFontRow, CutsTheNameAndTakesOffTwoStyleWords) {
    const struct {
        QString entry;
        QString data;
        InstalledFontRow row;
    } cases[] = {
        {"Arial (TrueType);ARIAL.TTF", "ARIAL.TTF", {"Arial", "", "", "/F/ARIAL.TTF"}},
        {"Arial Bold Italic (TrueType);/x/a.ttf",
         "/x/a.ttf",
         {"Arial", "Bold", "Italic", "/x/a.ttf"}},
        {"Arial Italic Bold (TrueType);a", "a", {"Arial", "Bold", "Italic", "/F/a"}},
        // Two blanks: one goes, the last word is then empty.
        {"Arial Bold  (TrueType);a", "a", {"Arial Bold ", "", "", "/F/a"}},
        {"Courier 10,12,15;COURE.FON", "COURE.FON", {"Courier 10,12,15", "", "", "/F/COURE.FON"}},
        {"Arial bold italic (TrueType);a", "a", {"Arial bold italic", "", "", "/F/a"}},
        {"Bold;b.ttf", "b.ttf", {"", "Bold", "", "/F/b.ttf"}},
        {"Italic Bold;b", "b", {"", "Bold", "Italic", "/F/b"}},
        {"Bold Bold Bold (TrueType);b", "b", {"Bold", "Bold", "", "/F/b"}},
        {"Sans Oblique Bold (OpenType);b", "b", {"Sans Oblique", "Bold", "", "/F/b"}},
        {"(TrueType);b", "b", {"", "", "", "/F/b"}},
        {"Odd;Name (x);/p/a;b.ttf", "/p/a;b.ttf", {"Odd", "", "", "/p/a;b.ttf"}},
        {"A(b) Bold;x", "x", {"A", "", "", "/F/x"}},
        {"Sans;", "", {"Sans", "", "", "/F/"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(td::installedFontRow(c.entry, c.data, "/F"), c.row) << c.entry.toStdString();
    }
    EXPECT_EQ(*td::installedSampleRow({"Arial", "", "", "/p"}).caption, "Arial  ");
    const td::SampleRow both = td::installedSampleRow({"Arial", "Bold", "Italic", "/p"});
    EXPECT_EQ(*both.caption, "Arial Bold Italic");
    EXPECT_EQ(td::styleFromSubfamily(both.subfamily), (td::FontStyle{true, true}));
    EXPECT_TRUE(both.path.isEmpty());
}

QStringList column(const QTableWidget& table, int col) {
    QStringList texts;
    for (int r = 0; r < table.rowCount(); ++r) {
        texts << (table.item(r, col) ? table.item(r, col)->text() : QString());
    }
    return texts;
}

QStringList items(const QListWidget& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i) {
        texts << list.item(i)->text();
    }
    return texts;
}

// The tab's controls on their own, on an in-memory Fonts key.
class InstalledPanel : public tdtest::SandboxTest, protected tdtest::FakeServiceSet {
  protected:
    QTableWidget grid, table;
    QListWidget sorting;
    QStringList events;
    QString caption, mapped;

    std::unique_ptr<td::InstalledFontsPanel> panel() {
        td::InstalledFontsHooks hooks;
        hooks.showBusy = [this](int a) { events << "busy " + QString::number(a); };
        hooks.showIdle = [this] { events << "idle"; };
        hooks.keepPainting = [this] {
            if (events.isEmpty() || events.last() != "paint") {
                events << "paint";
            }
        };
        hooks.setCaption = [this](const QString& text) { caption = text; };
        hooks.fontsFolder = [] { return QStringLiteral("/F"); };
        hooks.openInFontMap = [this](const QString& name) { mapped = name; };
        return std::make_unique<td::InstalledFontsPanel>(
            td::InstalledControls{&grid, &table, &sorting}, registry, fonts,
            [] {
                return td::SampleRowOptions{"Sample", "DejaVu Sans", 9, 8};
            },
            std::move(hooks));
    }
    std::unique_ptr<td::RegistryKey> key() {
        return registry.openKey(td::RootKey::LocalMachine, QString::fromUtf16(td::kFontsKeyPath),
                                false);
    }
};

TEST_F(InstalledPanel, ListsTheKeySortedIntoTableGridAndCaption) {
    systemFonts.faces = {{"b Sans Bold (TrueType)", "/s/b.ttf"}, {"B Sans (TrueType)", "/s/a.ttf"}};
    key()->writeString("a Serif Italic (True Type)", "serif.ttf");
    key()->writeInteger("Odd number", 3);
    auto tab = panel();
    tab->ListInstalledFonts();
    EXPECT_EQ(items(sorting),
              QStringList({"a Serif Italic (True Type);serif.ttf", "B Sans (TrueType);/s/a.ttf",
                           "b Sans Bold (TrueType);/s/b.ttf"}));
    EXPECT_EQ(column(table, 0), QStringList({"a Serif", "B Sans", "b Sans"}));
    EXPECT_EQ(column(table, 1), QStringList({"", "", "Bold"}));
    EXPECT_EQ(column(table, 2), QStringList({"Italic", "", ""}));
    EXPECT_EQ(column(table, 3), QStringList({"/F/serif.ttf", "/s/a.ttf", "/s/b.ttf"}));
    EXPECT_EQ(grid.rowCount(), 3);
    EXPECT_EQ(caption, "Installed fonts: 3");
    EXPECT_EQ(events, QStringList({"busy 2", "paint", "idle"}));

    // A later listing leaves nothing of the earlier one; an empty key keeps one blank row.
    EXPECT_TRUE(key()->deleteValue("a Serif Italic (True Type)"));
    systemFonts.faces = {{"Plain (TrueType)", "/s/p.ttf"}};
    tab->ListInstalledFonts();
    EXPECT_EQ(column(table, 2), QStringList({""}));
    EXPECT_EQ(items(sorting), QStringList({"Plain (TrueType);/s/p.ttf"}));
    EXPECT_TRUE(key()->deleteValue("Plain (TrueType)"));
    tab->ListInstalledFonts();
    EXPECT_EQ(column(table, 0), QStringList({""}));
    EXPECT_EQ(grid.rowCount(), 1);
    EXPECT_EQ(caption, "Installed fonts: 0");
}

TEST_F(InstalledPanel, TheBusyIndicatorEndsWhenTheListingFails) {
    registry.setKeyProvider(td::RootKey::LocalMachine, QString::fromUtf16(td::kFontsKeyPath),
                            []() -> std::unique_ptr<td::RegistryKey> { throw td::Error("gone"); });
    auto tab = panel();
    EXPECT_THROW(tab->ListInstalledFonts(), td::Error);
    EXPECT_EQ(events, QStringList({"busy 2", "idle"}));
}

TEST_F(InstalledPanel, ClicksShowThePositionAndDoubleClicksSendTheName) {
    systemFonts.faces = {
        {"A (TrueType)", "/a"}, {"B Bold (TrueType)", "/b"}, {"C (TrueType)", "/c"}};
    auto tab = panel();
    tab->ListInstalledFonts();
    grid.resize(400, 300);
    grid.show();
    const QPoint second = grid.visualRect(grid.model()->index(1, 0)).center();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(caption, "Installed fonts: 2/3");
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(mapped, "B");
    // Rows draw their sample; a row without a name stays blank.
    const QImage shot = grid.viewport()->grab().toImage();
    const QRect row = grid.visualRect(grid.model()->index(2, 0)).adjusted(1, 1, -1, -1);
    QImage blank(row.size(), shot.format());
    blank.fill(grid.palette().color(QPalette::Base));
    EXPECT_NE(shot.copy(row), blank);
}

// The tab inside the main window, on a fontconfig that sees two fonts.
class InstalledTab : public tdtest::SandboxTest, protected tdtest::FakeServiceSet {
  protected:
    td::DlLibraryLoader libraries{tdtest::buildDir()};
    td::WindowSet windows;
    td::FontconfigSystemFonts system{&fonts};
    QString sans, bold, serif;

    void SetUp() override {
        services.windows = &windows;
        services.libraries = &libraries;
        presetBrowser();
        sans = sandbox.writeFile("system/DejaVuSans.ttf", tdtest::fileBytes(tdtest::dejaVuSans()));
        bold = sandbox.writeFile("system/DejaVuSans-Bold.ttf",
                                 tdtest::fileBytes(tdtest::dejaVuSansBold()));
        serif = sandbox.writeFile("elsewhere/DejaVuSerif.ttf",
                                  tdtest::fileBytes(tdtest::dejaVuSerif()));
        sandbox.useFontFolders({sandbox.path("system")});
        system.refresh();
        td::installFontsKey(registry, system);
    }
    void TearDown() override { system.refresh(); }

    TFrame1& create() {
        windows.add(std::make_unique<TFrame1>(services));
        TFrame1& frame = *windows.find<TFrame1>();
        frame.resize(700, 500);
        frame.PageControl1->setCurrentWidget(frame.TabSheet2);
        return frame;
    }
    // The sample line of a row, above its caption.
    static QImage sampleLine(TFrame1& frame, int row) {
        QTableWidget& grid = *frame.StringGrid5;
        grid.resize(600, 300);
        grid.setColumnWidth(0, 580);
        QRect rect = grid.visualRect(grid.model()->index(row, 0)).adjusted(1, 1, -1, -1);
        rect.setHeight(
            td::captionOffset(frame.SpinEdit1->value(), frame.SpinEdit2->value(), rect.height()));
        return grid.viewport()->grab().toImage().copy(rect);
    }
};

TEST_F(InstalledTab, AgreesWithFontconfigAndShowsAValueAtOnce) {
    TFrame1& frame = create();
    frame.Button1Click();
    EXPECT_EQ(frame.PageControl1->tabText(1), "Installed fonts: 2");
    EXPECT_EQ(column(*frame.StringGrid4, 0), QStringList({"DejaVu Sans", "DejaVu Sans"}));
    EXPECT_EQ(column(*frame.StringGrid4, 1), QStringList({"", "Bold"}));
    EXPECT_EQ(column(*frame.StringGrid4, 3), QStringList({sans, bold}));
    EXPECT_FALSE(frame.Button1->isHidden());

    // The Font Map is drawn by the name, from no file of its own.
    frame.setFontMapFile(sans);
    frame.StringGrid5->setCurrentCell(1, 0);
    frame.StringGrid5->selectRow(1);
    emit frame.StringGrid5->doubleClicked(frame.StringGrid5->model()->index(1, 0));
    EXPECT_EQ(frame.PageControl1->currentWidget(), frame.TabSheet3);
    EXPECT_EQ(frame.PageControl1->tabText(2), "DejaVu Sans");
    EXPECT_TRUE(frame.fontMapFile().isEmpty());

    frame.PageControl1->setCurrentWidget(frame.TabSheet2);
    registry.openKey(td::RootKey::LocalMachine, QString::fromUtf16(td::kFontsKeyPath), false)
        ->writeString("DejaVu Serif (True Type)", serif);
    frame.Button1Click();
    EXPECT_EQ(column(*frame.StringGrid4, 3), QStringList({sans, bold, serif}));
    EXPECT_EQ(frame.ListBox1->item(2)->text(), "DejaVu Serif (True Type);" + serif);
    // A substitute for "DejaVu Serif" would be the sandbox's only family, as row 0 draws it.
    EXPECT_NE(sampleLine(frame, 2), sampleLine(frame, 0)) << "drawn in its own face";
    EXPECT_EQ(fonts.resolve("DejaVu Serif", {}, 12).source(), td::FontSource::InstalledFamily);
}

TEST_F(InstalledTab, EnteringReleasesTheFontMapFileAndOnlyTheSampleSizeMovesRows) {
    TFrame1& frame = create();
    frame.PageControl1->setCurrentWidget(frame.TabSheet1);
    frame.setFontMapFile(serif);
    frame.TabSheet3Enter();
    EXPECT_EQ(fonts.count(serif), 1);
    frame.TabSheet2Enter();
    EXPECT_EQ(fonts.count(serif), 0);

    const int before = frame.StringGrid5->verticalHeader()->defaultSectionSize();
    frame.SpinEdit2->setValue(frame.SpinEdit2->value() + 20);
    EXPECT_EQ(frame.StringGrid5->verticalHeader()->defaultSectionSize(), before);
    frame.SpinEdit1->setValue(frame.SpinEdit1->value() + 20);
    EXPECT_GT(frame.StringGrid5->verticalHeader()->defaultSectionSize(), before);
}

}  // namespace
