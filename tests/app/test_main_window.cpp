#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>
#include <algorithm>

#include "app/helpviewer.h"
#include "app/maker.h"
#include "app/radiogroup.h"
#include "app/taboutbox.h"
#include "app/tform4.h"
#include "app/tframe1.h"
#include "archive/tziparchive.h"
#include "fake_services.h"
#include "fontfiles/tform3.h"
#include "platform/busyanimation.h"
#include "platform/drives.h"
#include "platform/fonttable.h"
#include "platform/library.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/shell.h"
#include "platform/tempfiles.h"
#include "platform/windowset.h"
#include "sandbox.h"
#include "scripted_dialogs.h"

namespace {

using td::RootKey;

// Archive libraries that load and export every name asked for; their functions are never
// called by the main window itself.
class FakeLibraries final : public td::LibraryLoader {
  public:
    std::unique_ptr<td::LoadedLibrary> load(const QString& fileName) override {
        loaded << fileName;
        if (missing) {
            return nullptr;
        }
        return std::make_unique<Library>(fileName);
    }
    QStringList loaded;
    bool missing = false;

  private:
    class Library final : public td::LoadedLibrary {
      public:
        explicit Library(QString path) : m_path(std::move(path)) {}
        void* resolve(const char*) const override { return const_cast<int*>(&kSymbol); }
        QString path() const override { return m_path; }

      private:
        static constexpr int kSymbol = 0;
        QString m_path;
    };
};

const char* const kBrowserWarning =
    "You must set default Browser in Options Tabsheet\n\rto easy preview previously saved samples";

// The main window with the services of a run, all of them fakes or sandboxed.
class MainWindow : public tdtest::SandboxTest, protected tdtest::FakeServiceSet {
  protected:
    MainWindow() {
        services.libraries = &libraries;
        services.windows = windowSet.get();
    }

    ~MainWindow() override {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (qobject_cast<TAboutBox*>(top) != nullptr && top->parent() == nullptr &&
                top->testAttribute(Qt::WA_DeleteOnClose)) {
                delete top;
            }
        }
    }

    // Creates the windows of the main role that the main window talks to.
    TFrame1& create() {
        windowSet->add(std::make_unique<TFrame1>(services));
        windowSet->add(std::make_unique<TForm3>(services));
        windowSet->add(std::make_unique<TForm4>(services));
        windowSet->add(std::make_unique<TAboutBox>(services));
        // What the event loop does first: the archive libraries are loaded.
        TFrame1& frame = *windowSet->find<TFrame1>();
        QCoreApplication::sendPostedEvents(&frame, QEvent::MetaCall);
        return frame;
    }

    FakeLibraries libraries;
    std::unique_ptr<td::WindowSet> windowSet = std::make_unique<td::WindowSet>();

    // Ends the run's windows (the main window's destruction steps run) and starts afresh.
    void restart() {
        windowSet = std::make_unique<td::WindowSet>();
        services.windows = windowSet.get();
    }
};

// Shows the main window and runs its first-show steps, which the event loop would run next.
void showWindow(TFrame1& frame) {
    frame.show();
    QCoreApplication::sendPostedEvents(&frame, QEvent::MetaCall);
    ASSERT_TRUE(frame.isFirstShowDone());
}

// The visibility of the five bottom buttons in the order Refresh, Install, Delete, Save, Exit.
std::vector<bool> bottomButtons(const TFrame1& frame) {
    return {!frame.Button1->isHidden(), !frame.Button6->isHidden(), !frame.Button4->isHidden(),
            !frame.Button7->isHidden(), !frame.Button8->isHidden()};
}

TEST_F(MainWindow, HasItsTabsButtonsAndControls) {
    TFrame1& frame = create();
    EXPECT_EQ(frame.windowTitle(), "Kestro TypeDeck 1.35");
    EXPECT_EQ(frame.size(), QSize(580, 420));
    ASSERT_EQ(frame.PageControl1->count(), 5);
    const QStringList tabs{"Directory fonts", "Installed fonts", "Font Map", "Search", "Options"};
    const QStringList pages{"TabSheet1", "TabSheet2", "TabSheet3", "TabSheet5", "TabSheet4"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(frame.PageControl1->tabText(i), tabs.at(i));
        EXPECT_EQ(frame.PageControl1->widget(i)->objectName(), pages.at(i));
    }
    EXPECT_EQ(frame.PageControl1->currentWidget(), frame.TabSheet1);

    const QStringList captions{"&Refresh", "&Install", "&Delete", "&Save ", "e&Xit"};
    const QStringList names{"Button1", "Button6", "Button4", "Button7", "Button8"};
    int left = -1;
    for (int i = 0; i < 5; ++i) {
        auto* button = frame.findChild<QPushButton*>(names.at(i));
        ASSERT_NE(button, nullptr) << names.at(i).toStdString();
        EXPECT_EQ(button->text(), captions.at(i));
        EXPECT_EQ(button->size(), QSize(60, 25));
        if (left >= 0) {
            EXPECT_EQ(button->x() - left, 80);
        }
        left = button->x();
    }
    EXPECT_EQ(frame.Button6->toolTip(), "Install selected font(s)");
    EXPECT_EQ(frame.Button4->toolTip(), "Delete selected file(s)");
    EXPECT_EQ(frame.Button7->toolTip(),
              "Save sample fonts as a JPEG grouped in directories and create a HTML file for "
              "easy browsing of previously saved samples.");
    EXPECT_EQ(frame.Panel1->height(), 65);
    EXPECT_EQ(frame.Label8->text(), "Press F1 for Help!");
    EXPECT_EQ(frame.Image1->size(), QSize(50, 50));
    EXPECT_EQ(frame.Animate1->size(), QSize(48, 45));
    EXPECT_TRUE(frame.Animate1->isHidden());
    EXPECT_EQ(frame.Panel10->size(), QSize(438, 297));
    EXPECT_EQ(frame.PageControl2->tabText(0), "Settings");
    EXPECT_EQ(frame.PageControl2->tabText(1), "Directories");

    // Every control other features read is there under its name.
    for (const char* name : {"Panel2",       "RadioButton5",   "CheckBox1",
                             "RadioButton6", "DriveComboBox1", "DirectoryListBox1",
                             "FileListBox1", "StringGrid1",    "StringGrid2",
                             "StringGrid3",  "StringGrid4",    "StringGrid5",
                             "StringGrid6",  "ListBox1",       "ListBox2",
                             "ListBox4",     "ListBox5",       "ListBox6",
                             "ListBox7",     "Edit1",          "Edit2",
                             "Edit3",        "Edit4",          "Edit5",
                             "Edit6",        "Edit7",          "Label6",
                             "Label7",       "Button2",        "Button3",
                             "Button5",      "Button9",        "Button10",
                             "RichEdit1",    "Memo1",          "Image2",
                             "GroupBox7",    "RadioGroup1",    "RadioGroup2",
                             "ComboBox2",    "CheckBox8",      "SpinEdit1",
                             "SpinEdit2",    "SpinEdit3",      "SpinEdit4",
                             "SpinEdit5",    "SpinEdit6",      "PopupMenu1"}) {
        EXPECT_NE(frame.findChild<QObject*>(QString::fromLatin1(name)), nullptr) << name;
    }
    EXPECT_EQ(frame.StringGrid1->columnCount(), 9);
    EXPECT_EQ(frame.StringGrid4->columnCount(), 4);
    EXPECT_EQ(frame.StringGrid3->rowCount(), 17);
    EXPECT_EQ(frame.StringGrid3->columnCount(), 17);
    EXPECT_EQ(frame.FileListBox1->toolTip(), "Right-click to view menu");
    EXPECT_EQ(frame.ListBox2->toolTip(), "MultiSelect Drives or Double Click!");
    EXPECT_EQ(frame.Edit3->text(), "*");
    EXPECT_EQ(frame.Button9->text(), "s&Earch");
    // The sample text went into the search preview at creation.
    EXPECT_EQ(frame.RichEdit1->toPlainText(), "abcdef ABCDEF 1234567890");
    EXPECT_EQ(frame.viewMode(), 1);
    EXPECT_FALSE(frame.exportFlag());
    EXPECT_EQ(frame.tempPath(),
              sandbox.tempDir() + QStringLiteral("/kestro-typedeck-%1/").arg(::geteuid()));
    EXPECT_TRUE(frame.helpFile().endsWith("/td.hlp"));
    EXPECT_EQ(frame.helpFile(), QCoreApplication::applicationDirPath() + "/td.hlp");
}

TEST_F(MainWindow, ContextMenuHasEveryItemAndHiddenRecentSlots) {
    TFrame1& frame = create();
    const std::pair<const char*, const char*> items[] = {
        {"Addtozip1", "Add to zip"},  {"ViewasCharacterMap1", "View as Character Map"},
        {"Install", "Install"},       {"Properties1", "Properties"},
        {"copyto1", "Copy To..."},    {"MoveTo1", "Move To..."},
        {"Deletefromzip1", "Delete"}, {"New1", "Browse..."},
        {"newcopydir1", "Browse..."}, {"newmovedir11", "Browse..."},
    };
    for (const auto& [name, caption] : items) {
        auto* action = frame.PopupMenu1->findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_NE(action, nullptr) << name;
        EXPECT_EQ(action->text(), QString::fromLatin1(caption)) << name;
        EXPECT_TRUE(action->isVisible()) << name;
    }
    for (int n = 1; n <= 5; ++n) {
        const auto* zip = frame.PopupMenu1->findChild<QAction*>(QStringLiteral("N%1zip1").arg(n));
        ASSERT_NE(zip, nullptr);
        EXPECT_EQ(zip->text(), "zip file");
        EXPECT_EQ(zip->toolTip(), "Chose a zip file first");
        EXPECT_FALSE(zip->isVisible());
        const auto* copy =
            frame.PopupMenu1->findChild<QAction*>(QStringLiteral("copydir%1").arg(n));
        const auto* move =
            frame.PopupMenu1->findChild<QAction*>(QStringLiteral("movedir%1").arg(n));
        ASSERT_NE(copy, nullptr);
        ASSERT_NE(move, nullptr);
        // With no INI file yet, both submenus hold the loaded placeholder.
        EXPECT_EQ(copy->text(), "copydir");
        EXPECT_EQ(move->text(), "copydir");
        EXPECT_FALSE(copy->isVisible());
        EXPECT_FALSE(move->isVisible());
    }
}

TEST_F(MainWindow, FirstShowWithoutSettingsCreatesTheKeyAndHoldsEveryDefault) {
    dialogs.answer(td::BoxAnswer::Ok);
    EXPECT_FALSE(registry.keyExists(RootKey::LocalMachine, "SOFTWARE\\Kestro TypeDeck"));
    TFrame1& frame = create();
    showWindow(frame);

    EXPECT_TRUE(registry.keyExists(RootKey::LocalMachine, "SOFTWARE\\Kestro TypeDeck"));
    EXPECT_EQ(frame.Edit1->text(), "abcdef ABCDEF 1234567890");
    EXPECT_EQ(frame.Edit2->text(), "Arial");
    EXPECT_EQ(frame.SpinEdit1->value(), 9);
    EXPECT_EQ(frame.SpinEdit2->value(), 8);
    EXPECT_EQ(frame.SpinEdit3->value(), 30);
    EXPECT_EQ(frame.SpinEdit4->value(), 500);
    EXPECT_EQ(frame.SpinEdit5->value(), 50);
    EXPECT_EQ(frame.ComboBox2->currentText(), "4bits - 16 colors");
    EXPECT_TRUE(frame.CheckBox8->isChecked());
    EXPECT_EQ(frame.RadioGroup1->itemIndex(), 0);
    EXPECT_EQ(frame.RadioGroup2->itemIndex(), 0);
    EXPECT_EQ(frame.pixelBudget(), 1000000);
    EXPECT_EQ(frame.Edit6->text(), QDir::currentPath() + "/");
    // No fonts folder and no browser registered: the fonts field stays empty, and the browser
    // warning comes with its beep, its line pair kept as the system writes it.
    EXPECT_EQ(frame.Edit4->text(), "");
    EXPECT_EQ(frame.Edit5->text(), "");
    ASSERT_EQ(dialogs.boxes().size(), 1u);
    EXPECT_EQ(dialogs.boxes()[0].text, QString::fromLatin1(kBrowserWarning));
    EXPECT_EQ(dialogs.boxes()[0].buttons, td::BoxButtons::Ok);
    EXPECT_EQ(dialogs.beeps(), 1);
    EXPECT_EQ(td::displayText(dialogs.boxes()[0].text),
              "You must set default Browser in Options Tabsheet\nto easy preview previously "
              "saved samples");
    // Loading does not store the options.
    EXPECT_FALSE(settingsKey()->valueExists("Sampletext"));
    EXPECT_FALSE(frame.GroupBox7->isHidden());
    EXPECT_FALSE(frame.ComboBox2->isVisibleTo(frame.RadioGroup2));
    EXPECT_TRUE(frame.SpinEdit5->isVisibleTo(frame.RadioGroup2));
    EXPECT_EQ(frame.PageControl1->currentWidget(), frame.TabSheet1);
}

TEST_F(MainWindow, LookUpsFillTheEmptyFolderAndBrowserFields) {
    registry
        .openKey(RootKey::CurrentUser,
                 "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", true)
        ->writeString("Fonts", sandbox.fontsDir());
    registry.openKey(RootKey::ClassesRoot, "\\.htm", true)->writeString("", "htmlfile");
    registry.openKey(RootKey::ClassesRoot, "\\htmlfile\\shell\\open\\command", true)
        ->writeString("", "\"/usr/bin/web-browser\" %1");
    TFrame1& frame = create();
    showWindow(frame);
    EXPECT_EQ(frame.Edit4->text(), sandbox.fontsDir() + "/");
    EXPECT_EQ(frame.Edit5->text(), "/usr/bin/web-browser");
    EXPECT_TRUE(dialogs.boxes().empty());
}

TEST_F(MainWindow, SaveThenLoadRestoresEveryValue) {
    presetBrowser();
    {
        TFrame1& frame = create();
        showWindow(frame);
        frame.RadioGroup1->setItemIndex(1);
        frame.RadioGroup2->setItemIndex(1);
        frame.CheckBox8->setChecked(false);
        frame.SpinEdit1->setValue(14);
        frame.SpinEdit2->setValue(11);
        frame.ComboBox2->setCurrentIndex(4);
        frame.Edit1->setText("The quick fox");
        frame.Edit2->setText("DejaVu Serif");
        frame.SpinEdit3->setValue(44);
        frame.SpinEdit4->setValue(730);
        frame.SpinEdit5->setValue(85);
        frame.Edit5->setText("/opt/browser/run");
        frame.Edit4->setText(sandbox.path("fonts"));
        frame.Edit6->setText(sandbox.path("base"));
        frame.PageControl1->setCurrentWidget(frame.TabSheet4);
        QTest::mouseClick(frame.Button7, Qt::LeftButton);
    }
    const auto key = settingsKey();
    EXPECT_EQ(key->valueType("NrFile"), td::ValueType::DWord);
    EXPECT_EQ(key->readInteger("NrFile"), 1);
    EXPECT_EQ(key->readInteger("AutoRefresh"), 0);
    EXPECT_EQ(key->valueType("Sampletext"), td::ValueType::String);
    EXPECT_FALSE(key->valueExists("DIMFILE"));

    restart();
    TFrame1& again = create();
    showWindow(again);
    EXPECT_EQ(again.RadioGroup1->itemIndex(), 1);
    EXPECT_TRUE(again.GroupBox7->isHidden());
    EXPECT_EQ(again.RadioGroup2->itemIndex(), 1);
    EXPECT_FALSE(again.CheckBox8->isChecked());
    EXPECT_EQ(again.SpinEdit1->value(), 14);
    EXPECT_EQ(again.SpinEdit2->value(), 11);
    EXPECT_EQ(again.ComboBox2->currentIndex(), 4);
    EXPECT_EQ(again.Edit1->text(), "The quick fox");
    EXPECT_EQ(again.Edit2->text(), "DejaVu Serif");
    EXPECT_EQ(again.SpinEdit3->value(), 44);
    EXPECT_EQ(again.SpinEdit4->value(), 730);
    EXPECT_EQ(again.SpinEdit5->value(), 85);
    EXPECT_EQ(again.Edit5->text(), "/opt/browser/run");
    EXPECT_EQ(again.Edit4->text(), sandbox.path("fonts") + "/");
    EXPECT_EQ(again.Edit6->text(), sandbox.path("base") + "/");
    EXPECT_TRUE(dialogs.boxes().empty());
}

TEST_F(MainWindow, OptionsAreStoredOnlyBySaveOnTheOptionsTab) {
    presetBrowser();
    TFrame1& frame = create();
    showWindow(frame);
    frame.SpinEdit5->setValue(90);
    frame.PageControl1->setCurrentWidget(frame.TabSheet1);
    QTest::mouseClick(frame.Button7, Qt::LeftButton);
    EXPECT_FALSE(settingsKey()->valueExists("Quality"));
    frame.PageControl1->setCurrentWidget(frame.TabSheet4);
    QTest::mouseClick(frame.Button7, Qt::LeftButton);
    EXPECT_EQ(settingsKey()->readInteger("Quality"), 90);
}

TEST_F(MainWindow, LoadedValuesAreClampedAndNrfileInAnyCaseRestoresSave) {
    presetBrowser();
    const auto key = settingsKey();
    key->writeInteger("nrfile", 1);
    key->writeInteger("IMAGE", 2);
    key->writeInteger("Sizeofcharacters", 1000);
    key->writeInteger("Sizeofbasefont", 1);
    key->writeInteger("charsize", 2);
    key->writeInteger("savedsize", 9999);
    key->writeInteger("Quality", 0);
    key->writeInteger("Colors", 40);
    key->writeInteger("AutoRefresh", 0);
    TFrame1& frame = create();
    showWindow(frame);
    EXPECT_EQ(frame.RadioGroup1->itemIndex(), 1);
    EXPECT_TRUE(frame.GroupBox7->isHidden());
    EXPECT_EQ(frame.RadioGroup2->itemIndex(), 2);
    EXPECT_EQ(frame.SpinEdit1->value(), 100);
    EXPECT_EQ(frame.SpinEdit2->value(), 2);
    EXPECT_EQ(frame.SpinEdit3->value(), 6);
    EXPECT_EQ(frame.SpinEdit4->value(), 2000);
    EXPECT_EQ(frame.SpinEdit5->value(), 10);
    EXPECT_EQ(frame.ComboBox2->currentIndex(), 5);
    EXPECT_FALSE(frame.CheckBox8->isChecked());
    // GIF shows neither the quality nor the colour depth.
    EXPECT_FALSE(frame.SpinEdit5->isVisibleTo(frame.RadioGroup2));
    EXPECT_FALSE(frame.Edit7->isVisibleTo(frame.RadioGroup2));
    EXPECT_FALSE(frame.ComboBox2->isVisibleTo(frame.RadioGroup2));
}

TEST_F(MainWindow, AnUnwritableStoreKeepsTheControlsAndStoresNothing) {
    registry.setReadOnly(RootKey::LocalMachine, true);
    dialogs.answer(td::BoxAnswer::Ok);
    TFrame1& frame = create();
    showWindow(frame);
    EXPECT_EQ(frame.SpinEdit1->value(), 9);
    ASSERT_EQ(dialogs.boxes().size(), 1u);
    frame.PageControl1->setCurrentWidget(frame.TabSheet4);
    QTest::mouseClick(frame.Button7, Qt::LeftButton);
    frame.close();
    EXPECT_FALSE(registry.keyExists(RootKey::LocalMachine, "SOFTWARE\\Kestro TypeDeck"));
    EXPECT_EQ(dialogs.boxes().size(), 1u);
}

TEST_F(MainWindow, BudgetFollowsWidthTypeAndSave) {
    presetBrowser();
    TFrame1& frame = create();
    showWindow(frame);
    ASSERT_EQ(frame.StringGrid2->verticalHeader()->defaultSectionSize(), 50);
    EXPECT_EQ(frame.SpinEdit6->maximum(), 40);
    EXPECT_EQ(frame.SpinEdit6->value(), 40);
    frame.RadioGroup2->item(1)->click();
    EXPECT_EQ(frame.SpinEdit6->maximum(), 320);
    EXPECT_EQ(frame.SpinEdit6->value(), 320);
    EXPECT_TRUE(frame.ComboBox2->isVisibleTo(frame.RadioGroup2));
    EXPECT_FALSE(frame.SpinEdit5->isVisibleTo(frame.RadioGroup2));
    frame.RadioGroup2->item(2)->click();
    EXPECT_EQ(frame.SpinEdit6->value(), 320);
    frame.RadioGroup2->item(0)->click();
    EXPECT_EQ(frame.SpinEdit6->value(), 40);
    EXPECT_TRUE(frame.SpinEdit5->isVisibleTo(frame.RadioGroup2));
    EXPECT_TRUE(frame.Edit7->isVisibleTo(frame.RadioGroup2));
    EXPECT_EQ(frame.Edit7->text(), "Quality:");
    frame.SpinEdit4->setValue(1000);
    EXPECT_EQ(frame.SpinEdit6->value(), 20);

    frame.RadioGroup1->item(1)->click();
    EXPECT_TRUE(frame.GroupBox7->isHidden());
    frame.RadioGroup1->item(0)->click();
    EXPECT_FALSE(frame.GroupBox7->isHidden());

    // A bigger sample font makes the rows taller and the budget smaller.
    frame.SpinEdit1->setValue(40);
    const int rowHeight = frame.StringGrid2->verticalHeader()->defaultSectionSize();
    EXPECT_GT(rowHeight, 50);
    EXPECT_EQ(frame.StringGrid5->verticalHeader()->defaultSectionSize(), rowHeight);
    EXPECT_EQ(frame.SpinEdit6->value(),
              td::maximumFontsPerFile(1000000, 1000, rowHeight, td::ImageType::Jpeg));
    // The base font size changes the sample grid alone.
    frame.SpinEdit2->setValue(30);
    EXPECT_NE(frame.StringGrid2->verticalHeader()->defaultSectionSize(), rowHeight);
    EXPECT_EQ(frame.StringGrid5->verticalHeader()->defaultSectionSize(), rowHeight);
}

TEST_F(MainWindow, ABudgetOfZeroStillAllowsOneFontPerImage) {
    presetBrowser();
    settingsKey()->writeInteger("DIMFILE", 0);
    TFrame1& frame = create();
    showWindow(frame);
    EXPECT_EQ(frame.pixelBudget(), 0);
    EXPECT_EQ(frame.SpinEdit6->maximum(), 1);
    EXPECT_EQ(frame.SpinEdit6->value(), 1);
}

TEST_F(MainWindow, BottomButtonsFollowTheTab) {
    presetBrowser();
    TFrame1& frame = create();
    showWindow(frame);
    using V = std::vector<bool>;
    frame.PageControl1->setCurrentWidget(frame.TabSheet2);
    EXPECT_EQ(bottomButtons(frame), (V{true, false, true, true, true}));
    frame.PageControl1->setCurrentWidget(frame.TabSheet3);
    EXPECT_EQ(bottomButtons(frame), (V{false, false, false, true, true}));
    frame.PageControl1->setCurrentWidget(frame.TabSheet5);
    EXPECT_EQ(bottomButtons(frame), (V{false, false, true, false, true}));
    frame.PageControl1->setCurrentWidget(frame.TabSheet4);
    EXPECT_EQ(bottomButtons(frame), (V{false, false, false, true, true}));
    EXPECT_EQ(frame.Panel10->pos(),
              QPoint((frame.TabSheet4->width() - 438) / 2, (frame.TabSheet4->height() - 297) / 2));
    frame.PageControl1->setCurrentWidget(frame.TabSheet1);
    EXPECT_EQ(bottomButtons(frame), (V{true, true, true, true, true}));
    // Switching to the Font Map applies its cell size.
    frame.SpinEdit3->blockSignals(true);
    frame.SpinEdit3->setValue(41);
    frame.SpinEdit3->blockSignals(false);
    frame.PageControl1->setCurrentWidget(frame.TabSheet3);
    EXPECT_EQ(frame.StringGrid3->columnWidth(5), 41);
    EXPECT_EQ(frame.StringGrid3->rowHeight(5), 41);
}

TEST_F(MainWindow, ShowIdleBringsBackOnlyWhatShowBusyHid) {
    presetBrowser();
    TFrame1& frame = create();
    showWindow(frame);
    using V = std::vector<bool>;
    // Without a ShowBusy, ShowIdle only hides the animation.
    frame.PageControl1->setCurrentWidget(frame.TabSheet5);
    frame.ShowIdle();
    EXPECT_EQ(bottomButtons(frame), (V{false, false, true, false, true}));
    EXPECT_TRUE(frame.Animate1->isHidden());

    frame.ShowBusy(td::BusyAnimation::SearchFolder);
    EXPECT_EQ(bottomButtons(frame), (V{false, false, false, false, false}));
    EXPECT_FALSE(frame.Animate1->isHidden());
    EXPECT_EQ(frame.Animate1->animation(), 1);
    EXPECT_TRUE(frame.Animate1->isRunning());
    EXPECT_EQ(frame.Button4->property("tag").toInt(), 1);
    EXPECT_EQ(frame.Button1->property("tag").toInt(), 0);
    EXPECT_LT(frame.Animate1->x() + frame.Animate1->width(), frame.Panel3->x() + 1);

    frame.ShowIdle();
    EXPECT_EQ(bottomButtons(frame), (V{false, false, true, false, true}));
    EXPECT_TRUE(frame.Animate1->isHidden());
    EXPECT_EQ(frame.Animate1->animation(), 0);
    EXPECT_FALSE(frame.Animate1->isRunning());
    EXPECT_EQ(frame.Button4->property("tag").toInt(), 0);
    // A second ShowIdle changes nothing.
    frame.ShowIdle();
    EXPECT_EQ(bottomButtons(frame), (V{false, false, true, false, true}));
}

TEST_F(MainWindow, LayoutWritesTheFontMapTransposedAndCentresThePanels) {
    presetBrowser();
    TFrame1& frame = create();
    showWindow(frame);
    frame.Edit2->setText("DejaVu Serif");
    frame.resize(700, 500);
    frame.LayoutMainWindow();
    const QTableWidget& map = *frame.StringGrid3;
    EXPECT_EQ(map.item(0, 1)->text(), "0");
    EXPECT_EQ(map.item(0, 16)->text(), "F");
    EXPECT_EQ(map.item(11, 0)->text(), "A");
    // Stored column i, row j holds the code (i - 1) * 16 + (j - 1).
    EXPECT_EQ(map.item(2, 5)->text(), QString(QChar(0x41)));
    EXPECT_EQ(map.item(5, 2)->text(), QString(QChar(0x14)));
    EXPECT_EQ(map.item(16, 16)->text(), QString(QChar(0xFF)));
    EXPECT_EQ(map.item(1, 1)->text(), QString(QChar(0)));
    EXPECT_EQ(map.width(), frame.Panel1->width());
    // The page selector's row stands above the grid; the grid ends where it always did.
    EXPECT_GT(map.y(), 0);
    EXPECT_EQ(map.y() + map.height(), frame.PageControl1->height() - frame.Panel1->height());
    EXPECT_EQ(map.columnWidth(3), 30);

    const QAbstractItemModel& results = *frame.StringGrid6->model();
    EXPECT_EQ(results.headerData(0, Qt::Horizontal).toString(), "Path");
    EXPECT_EQ(results.headerData(3, Qt::Horizontal).toString(), "Size");
    // Each column a quarter of the grid less 25, except that the time column takes what its
    // text needs from the path column.
    const QTableView& grid = *frame.StringGrid6;
    const int quarter = (grid.width() - 25) / 4;
    EXPECT_EQ(grid.columnWidth(1), quarter);
    EXPECT_EQ(grid.columnWidth(3), quarter);
    EXPECT_GE(grid.columnWidth(2),
              std::max(quarter, grid.fontMetrics().horizontalAdvance("2023 12/31 13:35:34")));
    EXPECT_EQ(grid.columnWidth(0) + grid.columnWidth(2), 2 * quarter);
    EXPECT_EQ(frame.StringGrid2->columnWidth(0), frame.StringGrid2->width() - 25);
    EXPECT_EQ(frame.StringGrid5->columnWidth(0), frame.TabSheet1->width() - 25);
    EXPECT_EQ(frame.FileListBox1->y() + frame.FileListBox1->height(), frame.Panel2->height());
    EXPECT_EQ(frame.Panel3->x(), (frame.Panel1->width() - frame.Panel3->width()) / 2);
    // The base font stays what the settings or the user chose.
    EXPECT_EQ(frame.Edit2->text(), "DejaVu Serif");
}

TEST_F(MainWindow, DriveListHoldsTheBrowsableDrivesWithTheFirstSelected) {
    presetBrowser();
    drives.setDrives({{"/", td::DriveType::Fixed},
                      {"/media/ann/USB", td::DriveType::Removable},
                      {"/mnt/odd", td::DriveType::Unknown},
                      {"/mnt/gone", td::DriveType::NoRootDir},
                      {"/mnt/net", td::DriveType::Remote},
                      {"/mnt/cd", td::DriveType::CdRom},
                      {"/tmp", td::DriveType::RamDisk}});
    TFrame1& frame = create();
    showWindow(frame);
    QStringList listed;
    for (int i = 0; i < frame.ListBox2->count(); ++i) {
        listed << frame.ListBox2->item(i)->text();
    }
    EXPECT_EQ(listed, (QStringList{"/", "/media/ann/USB", "/mnt/net", "/mnt/cd", "/tmp"}));
    ASSERT_EQ(frame.ListBox2->selectedItems().size(), 1);
    EXPECT_EQ(frame.ListBox2->selectedItems()[0]->text(), "/");

    drives.setDrives({});
    frame.FillDriveList();
    EXPECT_EQ(frame.ListBox2->count(), 0);
}

TEST(ActivationRuleTest, OnlyFocusBackFromOurOwnWindowsActivates) {
    using Origin = ActivationRule::Origin;
    ActivationRule rule;
    // Back from another application.
    EXPECT_FALSE(rule.focusMovedTo(Origin::MainWindow));
    EXPECT_FALSE(rule.focusMovedTo(Origin::Outside));
    EXPECT_FALSE(rule.focusMovedTo(Origin::MainWindow));
    // Back from a dialog or form of ours.
    EXPECT_FALSE(rule.focusMovedTo(Origin::OwnWindow));
    EXPECT_TRUE(rule.focusMovedTo(Origin::MainWindow));
    // A message box closing is not an activation, even one shown over a dialog.
    EXPECT_FALSE(rule.focusMovedTo(Origin::MessageBox));
    EXPECT_FALSE(rule.focusMovedTo(Origin::MainWindow));
    EXPECT_FALSE(rule.focusMovedTo(Origin::OwnWindow));
    EXPECT_FALSE(rule.focusMovedTo(Origin::MessageBox));
    EXPECT_FALSE(rule.focusMovedTo(Origin::MainWindow));
    // Staying in the main window is no new activation.
    EXPECT_FALSE(rule.focusMovedTo(Origin::MainWindow));
}

TEST_F(MainWindow, WindowPlacementAndRecentMenusSurviveARestart) {
    td::FileRegistry fileRegistry(sandbox.configHome() + "/kestro-typedeck");
    td::IniProfileFiles iniFiles(sandbox.configHome() + "/kestro-typedeck");
    services.registry = &fileRegistry;
    services.profiles = &iniFiles;
    fileRegistry.openKey(RootKey::LocalMachine, "\\SOFTWARE\\Kestro TypeDeck", true)
        ->writeString("Browser", "/usr/bin/web-browser");
    {
        TFrame1& frame = create();
        EXPECT_EQ(frame.size(), QSize(580, 420));
        EXPECT_EQ(frame.pos(), QPoint(30, 30));
        showWindow(frame);
        frame.move(120, 90);
        frame.resize(640, 470);
        frame.NzipItems[0]->setText("/home/ann/fonts.zip");
        frame.NzipItems[0]->setVisible(true);
        frame.copydirItems[0]->setText("/home/ann/A/");
        frame.copydirItems[0]->setVisible(true);
        frame.copydirItems[1]->setText("/home/ann/B/");
        frame.copydirItems[1]->setVisible(true);
        // The move entries are not stored: they are loaded from the copy entries.
        frame.movedirItems[0]->setText("/elsewhere/");
        frame.movedirItems[0]->setVisible(true);
        frame.close();
    }
    const QString ini = "ke-TD2.ini";
    EXPECT_TRUE(QFile::exists(sandbox.configHome() + "/kestro-typedeck/ke-TD2.ini"));
    EXPECT_EQ(iniFiles.readString(ini, "Menu", "menu1", ""), "/home/ann/fonts.zip");
    EXPECT_EQ(iniFiles.readString(ini, "Menu", "menu1b", ""), "1");
    EXPECT_EQ(iniFiles.readString(ini, "Menu", "menu2", ""), "zip file");
    EXPECT_EQ(iniFiles.readString(ini, "Menu", "menu2b", ""), "0");
    EXPECT_EQ(iniFiles.readString(ini, "CopyMove", "CopyMove2", ""), "/home/ann/B/");
    EXPECT_EQ(iniFiles.readString(ini, "CopyMove", "CopyMove3", ""), "copydir");
    EXPECT_EQ(iniFiles.readString(ini, "CopyMove", "CopyMove1b", ""), "1");
    EXPECT_FALSE(iniFiles.sections(ini).contains("MoveTo", Qt::CaseInsensitive));
    const auto key =
        fileRegistry.openKey(RootKey::LocalMachine, "SOFTWARE\\Kestro TypeDeck", false);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->readInteger("Width"), 640);
    EXPECT_EQ(key->readInteger("Height"), 470);
    EXPECT_EQ(key->readInteger("Left"), 120);
    EXPECT_EQ(key->readInteger("Top"), 90);

    restart();
    TFrame1& again = create();
    EXPECT_EQ(again.size(), QSize(640, 470));
    EXPECT_EQ(again.pos(), QPoint(120, 90));
    EXPECT_EQ(again.NzipItems[0]->text(), "/home/ann/fonts.zip");
    EXPECT_TRUE(again.NzipItems[0]->isVisible());
    EXPECT_FALSE(again.NzipItems[1]->isVisible());
    for (const auto* items : {&again.copydirItems, &again.movedirItems}) {
        EXPECT_EQ((*items)[0]->text(), "/home/ann/A/");
        EXPECT_TRUE((*items)[0]->isVisible());
        EXPECT_EQ((*items)[1]->text(), "/home/ann/B/");
        EXPECT_TRUE((*items)[1]->isVisible());
        EXPECT_EQ((*items)[2]->text(), "copydir");
        EXPECT_FALSE((*items)[2]->isVisible());
    }
    // The windows go before the stores they save into.
    windowSet.reset();
}

TEST_F(MainWindow, ClosingDeletesTheTemporaryFontsAndReleasesTheListing) {
    presetBrowser();
    const QString listed = sandbox.path("fonts/DejaVuSans.ttf");
    ASSERT_TRUE(QDir().mkpath(sandbox.path("fonts")));
    ASSERT_TRUE(QFile::copy(tdtest::dejaVuSans(), listed));
    TFrame1& frame = create();
    const QString temp = frame.tempPath();
    for (const char* name : {"one.ttf", "TWO.TTF", "sub/Three.Ttf", "keep.zip", "keep.ttf.txt"}) {
        QDir().mkpath(QFileInfo(temp + QLatin1String(name)).path());
        QFile file(temp + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    // A font the user keeps in the shared temporary folder is not the program's.
    const QString foreign = sandbox.writeFile("tmp/mine.ttf", "x");
    showWindow(frame);
    frame.lb_ = {listed};
    fonts.activate(listed);
    ASSERT_EQ(fonts.count(listed), 1);
    frame.close();
    QStringList left = QDir(temp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    left.sort();
    EXPECT_EQ(left, (QStringList{"keep.ttf.txt", "keep.zip"}));
    EXPECT_TRUE(QFile::exists(foreign));
    EXPECT_EQ(fonts.count(listed), 0);
    EXPECT_TRUE(QFile::exists(listed));
}

TEST_F(MainWindow, ExitShowsTheClosingBarHidesAndClosesTheWindow) {
    presetBrowser();
    TFrame1& frame = create();
    showWindow(frame);
    auto* bar = windowSet->find<TForm4>();
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(bar->isVisible());
    QTest::mouseClick(frame.Button8, Qt::LeftButton);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->windowTitle(), "Closing...");
    EXPECT_LE(bar->height(), 1);
    EXPECT_TRUE(bar->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(bar->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(frame.isVisible());
    // The closing steps ran: the recent menus are stored.
    EXPECT_EQ(profiles.readString("ke-TD2.ini", "Menu", "menu1", "none"), "zip file");
}

TEST_F(MainWindow, EachClickOnThePictureOpensAnotherAboutBox) {
    presetBrowser();
    TFrame1& frame = create();
    showWindow(frame);
    auto openBoxes = [] {
        int count = 0;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (qobject_cast<TAboutBox*>(top) != nullptr && top->isVisible()) {
                ++count;
            }
        }
        return count;
    };
    EXPECT_EQ(openBoxes(), 0);
    QTest::mouseClick(frame.Image1, Qt::LeftButton);
    QTest::mouseClick(frame.Image1, Qt::LeftButton);
    EXPECT_EQ(openBoxes(), 2);

    TAboutBox* box = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* about = qobject_cast<TAboutBox*>(top); about != nullptr && about->isVisible()) {
            box = about;
        }
    }
    ASSERT_NE(box, nullptr);
    QTest::mouseClick(box->HomeButton, Qt::LeftButton);
    QTest::mouseClick(box->ProductButton, Qt::LeftButton);
    emit box->MailLabel->linkActivated(QStringLiteral("mailto:") + td::kMakerMail);
    ASSERT_EQ(shell.calls().size(), 3);
    EXPECT_EQ(shell.calls()[0].target, td::kMakerHomePage);
    EXPECT_EQ(shell.calls()[1].target, td::kMakerProductPage);
    EXPECT_EQ(shell.calls()[2].target, QStringLiteral("mailto:") + td::kMakerMail);
    EXPECT_TRUE(box->MailLabel->text().contains(td::kMakerMail));
    QTest::mouseClick(box->CloseButton, Qt::LeftButton);
    EXPECT_EQ(openBoxes(), 1);
}

TEST_F(MainWindow, F1OpensTheHelpFileAtTheFirstContext) {
    presetBrowser();
    TFrame1& frame = create();
    showWindow(frame);
    QShortcut* f1 = nullptr;
    for (QShortcut* shortcut : frame.findChildren<QShortcut*>()) {
        if (shortcut->key() == QKeySequence(Qt::Key_F1)) {
            f1 = shortcut;
        }
    }
    ASSERT_NE(f1, nullptr);
    emit f1->activated();
    ASSERT_NE(frame.helpViewer(), nullptr);
    EXPECT_TRUE(frame.helpViewer()->isVisible());
    EXPECT_EQ(frame.helpViewer()->file(), frame.helpFile());
    EXPECT_EQ(frame.helpViewer()->context(), 1);
    EXPECT_TRUE(frame.helpViewer()->browser()->toPlainText().contains("Directory fonts"));
    frame.helpViewer()->close();
}

TEST(HelpFile, HasAPartForEveryContextAndTab) {
    QFile help(QStringLiteral(TD_SOURCE_DIR "/data/td.hlp"));
    ASSERT_TRUE(help.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(help.readAll());
    for (int context = 1; context <= 7; ++context) {
        EXPECT_TRUE(html.contains(QStringLiteral("name=\"%1\"").arg(HelpViewer::anchorOf(context))))
            << context;
    }
    for (const char* tab :
         {"Directory fonts", "Installed fonts", "Font Map", "Search", "Options"}) {
        EXPECT_TRUE(html.contains(QString::fromLatin1(tab))) << tab;
    }
}

TEST_F(MainWindow, AMissingHelpFileIsReported) {
    presetBrowser();
    TFrame1& frame = create();
    dialogs.answer(td::BoxAnswer::Ok);
    HelpViewer viewer;
    EXPECT_FALSE(viewer.open(sandbox.path("nothing.hlp"), 1));
    frame.setHelpFile(sandbox.path("gone/td.hlp"));
    frame.ShowHelp(1);
    ASSERT_EQ(dialogs.boxes().size(), 1u);
    EXPECT_EQ(dialogs.boxes()[0].text,
              "Cannot open the help file " + sandbox.path("gone/td.hlp") + ".");
    EXPECT_TRUE(frame.helpViewer() == nullptr || !frame.helpViewer()->isVisible());
}

TEST_F(MainWindow, FolderFieldsEndInASeparatorAndAreFilledBySelect) {
    presetBrowser();
    TFrame1& frame = create();
    showWindow(frame);
    EXPECT_TRUE(frame.Edit4->isReadOnly());
    EXPECT_TRUE(frame.Edit5->isReadOnly());
    EXPECT_TRUE(frame.Edit6->isReadOnly());
    frame.Edit4->setText("/srv/fonts");
    EXPECT_EQ(frame.Edit4->text(), "/srv/fonts/");
    frame.Edit4->setText("/srv/other/");
    EXPECT_EQ(frame.Edit4->text(), "/srv/other/");
    frame.Edit4->setText("");
    EXPECT_EQ(frame.Edit4->text(), "");
    frame.Edit6->setText("/srv/base");
    EXPECT_EQ(frame.Edit6->text(), "/srv/base/");

    const QString startFolder = QDir::currentPath();
    ASSERT_TRUE(QDir().mkpath(sandbox.path("pick/inner")));
    auto* chooser = windowSet->find<TForm3>();
    ASSERT_NE(chooser, nullptr);
    const QStringList copyBefore{frame.copydirItems[0]->text(), frame.movedirItems[0]->text()};

    QTest::mouseClick(frame.Button5, Qt::LeftButton);
    EXPECT_TRUE(chooser->isVisible());
    EXPECT_EQ(chooser->windowTitle(), "Select");
    EXPECT_EQ(chooser->Button2->text(), "Select");
    EXPECT_EQ(chooser->Label3->text(), "1");
    EXPECT_TRUE(chooser->Label3->isHidden());
    chooser->setDirectory(sandbox.path("pick"));
    EXPECT_EQ(QDir::currentPath(), sandbox.path("pick"));
    EXPECT_EQ(chooser->Label1->text(), sandbox.path("pick") + "/");
    QTest::mouseClick(chooser->Button2, Qt::LeftButton);
    EXPECT_FALSE(chooser->isVisible());
    EXPECT_EQ(chooser->windowTitle(), sandbox.path("pick") + "/");
    EXPECT_EQ(frame.Edit4->text(), sandbox.path("pick") + "/");
    EXPECT_EQ(frame.Edit6->text(), "/srv/base/");

    QTest::mouseClick(frame.Button10, Qt::LeftButton);
    EXPECT_EQ(chooser->Label3->text(), "2");
    chooser->setDirectory(sandbox.path("pick/inner"));
    QTest::mouseClick(chooser->Button2, Qt::LeftButton);
    EXPECT_EQ(frame.Edit6->text(), sandbox.path("pick/inner") + "/");
    EXPECT_EQ(frame.Edit4->text(), sandbox.path("pick") + "/");

    // "Cancel" changes nothing; the recent entries never change through "Select".
    QTest::mouseClick(frame.Button10, Qt::LeftButton);
    chooser->setDirectory(sandbox.root());
    QTest::mouseClick(chooser->Button1, Qt::LeftButton);
    EXPECT_FALSE(chooser->isVisible());
    EXPECT_EQ(frame.Edit6->text(), sandbox.path("pick/inner") + "/");
    EXPECT_EQ((QStringList{frame.copydirItems[0]->text(), frame.movedirItems[0]->text()}),
              copyBefore);
    EXPECT_FALSE(frame.copydirItems[0]->isVisible());
    QDir::setCurrent(startFolder);
}

TEST_F(MainWindow, BaseFontAndBrowserComeFromTheirDialogs) {
    presetBrowser();
    TFrame1& frame = create();
    showWindow(frame);
    dialogs.answerFont(QFont("DejaVu Serif", 20));
    QTest::mouseClick(frame.Button2, Qt::LeftButton);
    EXPECT_EQ(frame.Edit2->text(), "DejaVu Serif");
    dialogs.answerFont(std::nullopt);
    QTest::mouseClick(frame.Button2, Qt::LeftButton);
    EXPECT_EQ(frame.Edit2->text(), "DejaVu Serif");

    // Programs have no ".exe" here: any file is offered, an executable one is taken.
    const QString program = sandbox.writeFile("bin/browser", "#!/bin/sh\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString text = sandbox.writeFile("bin/readme", "text");
    dialogs.answerPath(text).answer(td::BoxAnswer::Ok);
    QTest::mouseClick(frame.Button3, Qt::LeftButton);
    EXPECT_EQ(frame.Edit5->text(), "/usr/bin/web-browser");
    ASSERT_EQ(dialogs.boxes().size(), 1u);
    EXPECT_TRUE(dialogs.boxes()[0].text.contains("readme"));
    dialogs.answerPath(program);
    QTest::mouseClick(frame.Button3, Qt::LeftButton);
    EXPECT_EQ(frame.Edit5->text(), program);
    dialogs.answerPath(QString());
    QTest::mouseClick(frame.Button3, Qt::LeftButton);
    EXPECT_EQ(frame.Edit5->text(), program);
}

TEST_F(MainWindow, TabFocusActivatesTheFontMapFileOnceAndSearchReleasesItsPreviews) {
    presetBrowser();
    const QString mapFont = sandbox.path("map/DejaVuSans.ttf");
    const QString preview = sandbox.path("map/DejaVuSerif.ttf");
    ASSERT_TRUE(QDir().mkpath(sandbox.path("map")));
    ASSERT_TRUE(QFile::copy(tdtest::dejaVuSans(), mapFont));
    ASSERT_TRUE(QFile::copy(tdtest::dejaVuSerif(), preview));
    TFrame1& frame = create();
    showWindow(frame);
    frame.setFontMapFile(mapFont);
    frame.PageControl1->setCurrentWidget(frame.TabSheet3);
    EXPECT_EQ(fonts.count(mapFont), 1);
    frame.TabSheet3Enter();
    EXPECT_EQ(fonts.count(mapFont), 1);
    frame.PageControl1->setCurrentWidget(frame.TabSheet2);
    EXPECT_EQ(fonts.count(mapFont), 0);
    frame.PageControl1->setCurrentWidget(frame.TabSheet3);
    frame.PageControl1->setCurrentWidget(frame.TabSheet5);
    EXPECT_EQ(fonts.count(mapFont), 0);

    fonts.activate(preview);
    frame.ListBox5->addItem(preview);
    frame.PageControl1->setCurrentWidget(frame.TabSheet1);
    EXPECT_EQ(fonts.count(preview), 0);
    EXPECT_EQ(frame.ListBox5->count(), 0);

    // A font map file that is gone is not activated.
    frame.setFontMapFile(sandbox.path("map/missing.ttf"));
    frame.PageControl1->setCurrentWidget(frame.TabSheet3);
    EXPECT_TRUE(fonts.activePaths().isEmpty());
}

}  // namespace

namespace {

TEST_F(MainWindow, ArchiveLibrariesLoadAtCreationAndGoAtClose) {
    presetBrowser();
    TFrame1& frame = create();
    EXPECT_EQ(libraries.loaded, (QStringList{"ZIPDLL.DLL", "UNZDLL.DLL"}));
    EXPECT_TRUE(td::TZipArchive::zipLibraryLoaded());
    EXPECT_TRUE(td::TZipArchive::unzipLibraryLoaded());
    EXPECT_EQ(frame.findChild<td::TZipArchive*>("ZipArchive1"), frame.ZipArchive1);
    showWindow(frame);
    frame.close();
    EXPECT_FALSE(td::TZipArchive::zipLibraryLoaded());
    EXPECT_FALSE(td::TZipArchive::unzipLibraryLoaded());
}

TEST_F(MainWindow, MissingArchiveLibrariesAreReportedAndTheWindowIsMadeAllTheSame) {
    presetBrowser();
    libraries.missing = true;
    dialogs.answer(td::BoxAnswer::Ok).answer(td::BoxAnswer::Ok);
    TFrame1& frame = create();
    EXPECT_EQ(dialogs.boxTexts(), (QStringList{"ZIPDLL.DLL not found", "UNZDLL.DLL not found"}));
    showWindow(frame);
    EXPECT_TRUE(frame.isVisible());
    EXPECT_FALSE(td::TZipArchive::zipLibraryLoaded());
}

TEST_F(MainWindow, FocusBackFromOurOwnWindowActivatesButNotFromAMessageBox) {
    presetBrowser();
    drives.setDrives({{"/", td::DriveType::Fixed}});
    TFrame1& frame = create();
    showWindow(frame);
    ASSERT_EQ(frame.ListBox2->count(), 1);
    auto activate = [](QWidget* window) {
        window->activateWindow();
        QCoreApplication::processEvents();
    };
    activate(&frame);
    // The drive list is rebuilt by every activation: a change of drives shows whether one ran.
    drives.setDrives({{"/", td::DriveType::Fixed}, {"/home", td::DriveType::Fixed}});
    auto* chooser = windowSet->find<TForm3>();
    chooser->show();
    activate(chooser);
    if (QGuiApplication::focusWindow() != chooser->windowHandle()) {
        GTEST_SKIP() << "this platform plugin does not move the focus between windows";
    }
    chooser->close();
    activate(&frame);
    EXPECT_EQ(frame.ListBox2->count(), 2);

    // Focus coming back from a message box is not an activation.
    drives.setDrives({{"/", td::DriveType::Fixed}});
    QMessageBox box(QMessageBox::Warning, "Kestro TypeDeck", "text", QMessageBox::Ok);
    box.show();
    activate(&box);
    box.close();
    activate(&frame);
    EXPECT_EQ(frame.ListBox2->count(), 2);
}

}  // namespace
