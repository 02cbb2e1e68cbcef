#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QVBoxLayout>

#include "archive/tziparchive.h"
#include "browse/directorypanel.h"
#include "browse/filelist.h"
#include "browse/fontlisting.h"
#include "platform/drives.h"
#include "platform/library.h"
#include "platform/services.h"
#include "sandbox.h"
#include "scripted_dialogs.h"
#include "testfiles.h"

using namespace td;

namespace {

QStringList items(const QListWidget& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i) {
        texts << list.item(i)->text();
    }
    return texts;
}

QList<int> selectedPositions(const QListWidget& list) {
    QList<int> positions;
    for (int i = 0; i < list.count(); ++i) {
        if (list.item(i)->isSelected()) {
            positions << i;
        }
    }
    return positions;
}

// The panel on real controls in a window of their own, as the main window holds them.
class PanelTest : public tdtest::SandboxTest {
  protected:
    tdtest::ScriptedDialogs dialogs;
    DlLibraryLoader loader{tdtest::buildDir()};
    Services services{&dialogs, &loader, nullptr};
    TZipArchive archive{services};
    FakeDrives drives;
    QtFontTable fonts;
    QString savedFolder = QDir::currentPath();
    bool autoRefresh = true;
    int refreshes = 0;
    QString caption;
    QList<int> propertiesRows;
    int propertiesShown = 0;
    int characterMaps = 0;

    QWidget window;
    QRadioButton* radio5 = new QRadioButton(QStringLiteral("&TTF File"), &window);
    QCheckBox* check1 = new QCheckBox(QStringLiteral("&With subdirectories"), &window);
    QRadioButton* radio6 = new QRadioButton(QStringLiteral("&ZIP File"), &window);
    QComboBox* driveBox = new QComboBox(&window);
    QListWidget* folderTree = new QListWidget(&window);
    QListWidget* fileList = new QListWidget(&window);
    QTableView* grid = new QTableView(&window);
    QTableWidget* table = new QTableWidget(&window);
    QStringList paths;
    QAction* addToZip = new QAction(QStringLiteral("Add to zip"), &window);
    QAction* characterMap = new QAction(QStringLiteral("View as Character Map"), &window);
    QAction* install = new QAction(QStringLiteral("Install"), &window);
    QAction* properties = new QAction(QStringLiteral("Properties"), &window);
    QAction* copyTo = new QAction(QStringLiteral("Copy To..."), &window);
    QAction* moveTo = new QAction(QStringLiteral("Move To..."), &window);

    std::unique_ptr<DirectorySource> source;
    std::unique_ptr<DirectoryPanel> panel;

    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        for (QWidget* widget : std::initializer_list<QWidget*>{radio5, check1, radio6, driveBox,
                                                               folderTree, fileList, grid}) {
            layout->addWidget(widget);
        }
        grid->setMinimumHeight(320);
        window.resize(500, 900);
        drives.setDrives({{sandbox.root(), DriveType::Fixed},
                          {QStringLiteral("/media/usb"), DriveType::Removable}});
        drives.setReady({sandbox.root()});
        source = std::make_unique<DirectorySource>(
            archive, &dialogs, sandbox.tempDir(),
            DirectorySource::Hooks{{}, {}, {}, [this] { return autoRefresh; }});
        DirectoryControls controls;
        controls.RadioButton5 = radio5;
        controls.CheckBox1 = check1;
        controls.RadioButton6 = radio6;
        controls.DriveComboBox1 = driveBox;
        controls.DirectoryListBox1 = folderTree;
        controls.FileListBox1 = fileList;
        controls.StringGrid2 = grid;
        controls.StringGrid1 = table;
        controls.lb_ = &paths;
        controls.Addtozip1 = addToZip;
        controls.ViewasCharacterMap1 = characterMap;
        controls.Install = install;
        controls.Properties1 = properties;
        controls.copyto1 = copyTo;
        controls.MoveTo1 = moveTo;
        panel = std::make_unique<DirectoryPanel>(
            controls, *source, dialogs, drives, fonts,
            [] {
                return SampleRowOptions{QStringLiteral("abcdef ABCDEF 1234567890"),
                                        QStringLiteral("DejaVu Sans"), 9, 8, 96};
            },
            DirectoryPanelHooks{[this] {
                                    ++refreshes;
                                    panel->ListFonts();
                                },
                                [this](const QString& text) { caption = text; },
                                [this](int row) { propertiesRows << row; },
                                [this] { ++propertiesShown; }, [this] { ++characterMaps; }});
        window.show();
    }
    void TearDown() override {
        panel.reset();
        TZipArchive::UnloadZipLibrary();
        TZipArchive::UnloadUnzipLibrary();
        QDir::setCurrent(savedFolder);
    }

    QString folder(const QString& relative) {
        const QString path = sandbox.path(relative);
        QDir().mkpath(path);
        return path + u'/';
    }
    // Six fonts, so that ranges of rows can be selected.
    QString fontsFolder() {
        const QString dir = folder(QStringLiteral("fonts"));
        const QStringList sources{tdtest::dejaVuSans(), tdtest::dejaVuSerif(),
                                  tdtest::dejaVuSansBold()};
        for (int i = 0; i < 6; ++i) {
            sandbox.writeFile(QStringLiteral("fonts/f%1.ttf").arg(i),
                              tdtest::fileBytes(sources.at(i % 3)));
        }
        return dir;
    }
    QString archiveFolder() {
        const QString dir = folder(QStringLiteral("zips"));
        EXPECT_TRUE(tdtest::writeStoredZip(dir + QStringLiteral("fonts.zip"),
                                           {{"b.ttf", tdtest::fileBytes(tdtest::dejaVuSans())},
                                            {"readme.txt", "text"},
                                            {"A.TTF", tdtest::fileBytes(tdtest::dejaVuSerif())}}));
        return dir;
    }
    QPoint itemCentre(int row) { return fileList->visualItemRect(fileList->item(row)).center(); }
    void doubleClickItem(const QString& text) {
        const int row = static_cast<int>(items(*fileList).indexOf(text));
        ASSERT_GE(row, 0) << text.toStdString();
        // A double-click is a click followed by the second press, which arrives as a
        // double-click event.
        QTest::mouseClick(fileList->viewport(), Qt::LeftButton, {}, itemCentre(row));
        QTest::mouseDClick(fileList->viewport(), Qt::LeftButton, {}, itemCentre(row));
    }
    QPoint rowCentre(int row) { return grid->visualRect(grid->model()->index(row, 0)).center(); }
};

}  // namespace

TEST_F(PanelTest, FolderChangeListsTheFontsIntoTheControls) {
    const QString dir = fontsFolder();
    // Only a listing sets the tab caption.
    autoRefresh = false;
    panel->DirectoryListBox1Change(dir);
    EXPECT_EQ(caption, QString());
    EXPECT_EQ(items(*fileList).size(), 7);
    autoRefresh = true;
    panel->DirectoryListBox1Change(dir);
    EXPECT_EQ(refreshes, 1);  // "Automatic Refresh" clicks "&Refresh"
    EXPECT_EQ(items(*fileList),
              (QStringList{"..", "f0.ttf", "f1.ttf", "f2.ttf", "f3.ttf", "f4.ttf", "f5.ttf"}));
    EXPECT_EQ(grid->model()->rowCount(), 6);
    EXPECT_EQ(caption, QStringLiteral("Directory fonts: 6"));
    // The hidden table and path list the rest of the window reads follow the listing.
    EXPECT_EQ(paths, source->listing().lb_);
    EXPECT_EQ(paths.first(), dir + QStringLiteral("f0.ttf"));
    ASSERT_EQ(table->rowCount(), 6);
    ASSERT_EQ(table->columnCount(), 9);
    for (int row = 0; row < 6; ++row) {
        for (int column = 0; column < 9; ++column) {
            EXPECT_EQ(table->item(row, column)->text(),
                      source->listing().row(row)[static_cast<size_t>(column)]);
        }
    }
    EXPECT_EQ(table->item(3, kColEntry)->text(), QStringLiteral("f3.ttf"));
    EXPECT_FALSE(table->item(1, kColFamily)->text().isEmpty());
    EXPECT_EQ(driveBox->currentText(), sandbox.root());
    ASSERT_NE(folderTree->currentItem(), nullptr);
    EXPECT_EQ(folderTree->currentItem()->data(Qt::UserRole + 1).toString(), dir);
    EXPECT_TRUE(radio5->isChecked());

    autoRefresh = false;
    panel->DirectoryListBox1Change(folder(QStringLiteral("empty")));
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(items(*fileList), QStringList{".."});
    EXPECT_EQ(caption, QStringLiteral("Directory fonts: 6"));
    panel->ListFonts();
    EXPECT_EQ(caption, QStringLiteral("Directory fonts: 0"));
    EXPECT_EQ(table->rowCount(), 1);
    EXPECT_EQ(table->item(0, kColFamily)->text(), QString());
}

TEST_F(PanelTest, ArchiveModeEnteringAndLeavingSwitchesListAndMenu) {
    const QString zips = archiveFolder();
    panel->openFolder(zips);
    radio6->click();
    EXPECT_EQ(source->viewMode(), 2);
    EXPECT_FALSE(addToZip->isVisible());
    EXPECT_FALSE(characterMap->isVisible());
    EXPECT_FALSE(check1->isVisible());
    EXPECT_FALSE(check1->isChecked());
    EXPECT_EQ(items(*fileList), (QStringList{"..", "fonts.zip"}));

    doubleClickItem(QStringLiteral("fonts.zip"));
    EXPECT_EQ(source->viewMode(), 3);
    EXPECT_EQ(items(*fileList), (QStringList{"..", "A.TTF", "b.ttf"}));
    EXPECT_FALSE(addToZip->isVisible());
    for (QAction* action : {characterMap, install, properties, copyTo, moveTo}) {
        EXPECT_TRUE(action->isVisible()) << action->text().toStdString();
    }
    EXPECT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(caption, QStringLiteral("Directory fonts: 2"));
    // A font entry goes nowhere, but "Automatic Refresh" lists the fonts again.
    const int listings = source->listingCount();
    doubleClickItem(QStringLiteral("b.ttf"));
    EXPECT_EQ(source->viewMode(), 3);
    EXPECT_EQ(source->listingCount(), listings + 1);

    doubleClickItem(QStringLiteral(".."));
    EXPECT_EQ(source->viewMode(), 2);
    EXPECT_TRUE(addToZip->isVisible());
    EXPECT_FALSE(properties->isVisible());
    EXPECT_EQ(items(*fileList), (QStringList{"..", "fonts.zip"}));

    radio5->click();
    EXPECT_EQ(source->viewMode(), 1);
    EXPECT_TRUE(check1->isVisible());
    for (QAction* action : {addToZip, characterMap, install, properties, copyTo, moveTo}) {
        EXPECT_TRUE(action->isVisible()) << action->text().toStdString();
    }
}

TEST_F(PanelTest, DamagedArchiveShowsTheErrorBoxAndStaysUsable) {
    const QString zips = archiveFolder();
    QByteArray bytes = tdtest::fileBytes(zips + "fonts.zip");
    bytes.truncate(2000);
    sandbox.writeFile(QStringLiteral("zips/damaged.zip"), bytes);
    panel->openFolder(zips);
    radio6->click();
    doubleClickItem(QStringLiteral("fonts.zip"));
    doubleClickItem(QStringLiteral(".."));
    ASSERT_EQ(grid->model()->rowCount(), 2);
    dialogs.answer(BoxAnswer::Ok);
    doubleClickItem(QStringLiteral("damaged.zip"));
    ASSERT_EQ(dialogs.boxes().size(), 1u);
    EXPECT_EQ(dialogs.boxes()[0].icon, BoxIcon::Critical);
    EXPECT_EQ(dialogs.boxes()[0].text, QStringLiteral("Error 3 reading Zip file"));
    EXPECT_EQ(items(*fileList), (QStringList{"..", "b.ttf"}));
    // The grid shows a blank row for the entry read, none of the previous archive's fonts.
    EXPECT_EQ(grid->model()->rowCount(), 1);
    EXPECT_EQ(source->listing().row(0)[kColFamily], QString());
    EXPECT_EQ(paths, QStringList{QString()});
    EXPECT_EQ(caption, QStringLiteral("Directory fonts: 1"));
    doubleClickItem(QStringLiteral(".."));
    EXPECT_EQ(items(*fileList), (QStringList{"..", "damaged.zip", "fonts.zip"}));
}

TEST_F(PanelTest, GridSelectionSelectsFileEntriesAndShowsThePosition) {
    panel->DirectoryListBox1Change(fontsFolder());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rowCentre(2));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, rowCentre(4));
    EXPECT_EQ(selectedPositions(*fileList), (QList<int>{3, 4, 5}));
    EXPECT_EQ(fileList->currentRow(), 3);
    EXPECT_EQ(caption, QStringLiteral("Directory fonts: 3/6"));
    // Keys move through the rows and each move is mirrored as a click is.
    for (const auto& [key, position] :
         {std::pair{Qt::Key_End, 6}, std::pair{Qt::Key_Up, 5}, std::pair{Qt::Key_Home, 1},
          std::pair{Qt::Key_PageDown, 6}, std::pair{Qt::Key_Down, 6}}) {
        QTest::keyClick(grid, key);
        EXPECT_EQ(selectedPositions(*fileList), QList<int>{position}) << key;
        EXPECT_EQ(caption, QStringLiteral("Directory fonts: %1/6").arg(position)) << key;
    }

    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rowCentre(1));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, rowCentre(1));
    EXPECT_EQ(characterMaps, 1);
}

TEST_F(PanelTest, FileSelectionSelectsGridRowsAndFillsProperties) {
    panel->DirectoryListBox1Change(fontsFolder());
    QTest::mouseClick(fileList->viewport(), Qt::LeftButton, {}, itemCentre(2));
    EXPECT_EQ(propertiesRows, QList<int>{1});
    EXPECT_EQ(caption, QStringLiteral("Directory fonts: 2/6"));
    // A move with the keyboard refills the dialog as a click does.
    QTest::keyClick(fileList, Qt::Key_Down);
    EXPECT_EQ(propertiesRows, (QList<int>{1, 2}));
    QTest::mouseClick(fileList->viewport(), Qt::LeftButton, {}, itemCentre(2));
    EXPECT_EQ(propertiesRows, (QList<int>{1, 2, 1}));
    QTest::mouseClick(fileList->viewport(), Qt::LeftButton, Qt::ShiftModifier, itemCentre(4));
    QList<int> rows;
    for (const QModelIndex& index : grid->selectionModel()->selectedRows()) {
        rows << index.row();
    }
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (QList<int>{1, 2, 3}));

    // ".." fills nothing, and "Properties" does not show the dialog for it.
    QTest::mouseClick(fileList->viewport(), Qt::LeftButton, {}, itemCentre(0));
    EXPECT_EQ(propertiesRows.size(), 4);
    EXPECT_EQ(caption, QStringLiteral("Directory fonts: 6"));
    properties->trigger();
    EXPECT_EQ(propertiesShown, 0);
    // For a font it refills the dialog for the current entry, then shows it.
    fileList->setCurrentRow(5);
    properties->trigger();
    EXPECT_EQ(propertiesShown, 1);
    EXPECT_EQ(propertiesRows.last(), 4);
    // Not in the archives list.
    radio6->click();
    fileList->setCurrentRow(0);
    properties->trigger();
    EXPECT_EQ(propertiesShown, 1);
}

TEST_F(PanelTest, DriveThatCannotBeReadIsRefusedWithAWarning) {
    panel->openFolder(fontsFolder());
    const int usb = driveBox->findText(QStringLiteral("/media/usb"));
    ASSERT_GE(usb, 0);
    dialogs.answer(BoxAnswer::Ok);
    driveBox->setCurrentIndex(usb);
    panel->DriveComboBox1Change(usb);
    EXPECT_EQ(dialogs.beeps(), 1);
    ASSERT_EQ(dialogs.boxes().size(), 1u);
    EXPECT_EQ(dialogs.boxes()[0].icon, BoxIcon::Warning);
    EXPECT_EQ(dialogs.boxes()[0].text, QStringLiteral("Drive /media/usb is empty. Try again!"));
    EXPECT_EQ(dialogs.boxes()[0].buttons, BoxButtons::Ok);
    EXPECT_EQ(driveBox->currentText(), sandbox.root());
    EXPECT_EQ(source->folder(), sandbox.path(QStringLiteral("fonts")) + u'/');

    // A ready drive becomes the folder tree's folder.
    panel->DriveComboBox1Change(driveBox->findText(sandbox.root()));
    EXPECT_EQ(source->folder(), withTrailingSlash(sandbox.root()));
    EXPECT_EQ(dialogs.boxes().size(), 1u);
}

TEST_F(PanelTest, WithSubdirectoriesCheckBoxListsTheTree) {
    folder(QStringLiteral("tree"));
    sandbox.writeFile(QStringLiteral("tree/s/x.ttf"), tdtest::fileBytes(tdtest::dejaVuSans()));
    sandbox.writeFile(QStringLiteral("tree/.hidden/y.ttf"),
                      tdtest::fileBytes(tdtest::dejaVuSans()));
    panel->openFolder(sandbox.path(QStringLiteral("tree")));
    check1->click();
    EXPECT_TRUE(source->withSubfolders());
    EXPECT_EQ(items(*fileList), (QStringList{"..", "s/x.ttf"}));
    EXPECT_EQ(grid->model()->rowCount(), 1);
    EXPECT_FALSE(source->listing().row(0)[kColFamily].isEmpty());
}

TEST_F(PanelTest, TableWidgetGridDrawsTheListingRows) {
    // The main window's grid may be a QTableWidget, which keeps its own model.
    QTableWidget table(&window);
    DirectorySource other(archive, &dialogs, sandbox.tempDir());
    DirectoryControls controls;
    controls.StringGrid2 = &table;
    DirectoryPanel tablePanel(controls, other, dialogs, drives, fonts,
                              [] {
                                  return SampleRowOptions{QStringLiteral("abcdef ABCDEF"),
                                                          QStringLiteral("DejaVu Sans"), 9, 8, 96};
                              },
                              {});
    other.setFolder(fontsFolder());
    tablePanel.ListFonts();
    EXPECT_EQ(table.rowCount(), 6);
    table.resize(400, 400);
    table.setColumnWidth(0, 380);
    const QImage shot = table.viewport()->grab().toImage();
    auto rowImage = [&](int row) {
        return shot.copy(table.visualRect(table.model()->index(row, 0)).adjusted(1, 1, -1, -1));
    };
    QImage blank(rowImage(0).size(), rowImage(0).format());
    blank.fill(table.palette().color(QPalette::Base));
    EXPECT_NE(rowImage(0), rowImage(1));  // DejaVu Sans and DejaVu Serif
    EXPECT_NE(rowImage(0), blank);
    EXPECT_NE(rowImage(1), blank);
    EXPECT_EQ(fonts.activePaths(), QStringList{});
}
