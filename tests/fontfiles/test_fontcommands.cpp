#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include "app/tframe1.h"
#include "fake_services.h"
#include "fontfiles/fontinstall.h"
#include "fontfiles/tform3.h"
#include "platform/fontskey.h"
#include "platform/library.h"
#include "platform/windowset.h"
#include "sandbox.h"
#include "testfiles.h"

namespace {

using td::BoxAnswer;

QStringList items(const QListWidget& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i) {
        texts << list.item(i)->text();
    }
    return texts;
}

void select(QListWidget& list, const QStringList& names) {
    list.clearSelection();
    for (int i = 0; i < list.count(); ++i) {
        list.item(i)->setSelected(names.contains(list.item(i)->text()));
    }
}

// The main window and the folder chooser, started in a folder of fonts.
class FontCommands : public tdtest::MainRoleTest {
  protected:
    QString listed;

    void SetUp() override {
        sandbox.writeFile("fonts/sans.ttf", tdtest::fileBytes(tdtest::dejaVuSans()));
        sandbox.writeFile("fonts/serif.ttf", tdtest::fileBytes(tdtest::dejaVuSerif()));
        sandbox.writeFile("fonts/bold.ttf", tdtest::fileBytes(tdtest::dejaVuSansBold()));
        listed = sandbox.path("fonts");
        QDir::setCurrent(listed);
    }
    TFrame1& create() {
        windows->add(std::make_unique<TFrame1>(services));
        windows->add(std::make_unique<TForm3>(services));
        TFrame1& frame = *windows->find<TFrame1>();
        QCoreApplication::sendPostedEvents(&frame, QEvent::MetaCall);
        frame.Button1Click();
        return frame;
    }
    QStringList captions(const std::array<QAction*, 5>& actions) const {
        QStringList texts;
        for (const QAction* action : actions) {
            texts << (action->isVisible() ? action->text() : QStringLiteral("-"));
        }
        return texts;
    }
};

}  // namespace

TEST_F(FontCommands, EachDoRemembersItsFolderAndCopiesCancelChangesNothing) {
    TFrame1& frame = create();
    auto* chooser = windows->find<TForm3>();
    select(*frame.FileListBox1, {"sans.ttf"});
    QStringList folders;
    for (int n = 1; n <= 6; ++n) {
        folders.prepend(sandbox.path(QStringLiteral("to%1").arg(n)) + "/");
        QDir().mkpath(folders.front());
        frame.newcopydir1->trigger();
        ASSERT_TRUE(chooser->isVisible());
        EXPECT_EQ(chooser->windowTitle(), "Copy To...");
        EXPECT_EQ(chooser->Button2->text(), "Do");
        chooser->setDirectory(folders.front());
        QTest::mouseClick(chooser->Button2, Qt::LeftButton);
        EXPECT_FALSE(chooser->isVisible());
        EXPECT_TRUE(QFile::exists(folders.front() + "sans.ttf"));
        if (n == 1) {
            EXPECT_EQ(captions(frame.copydirItems),
                      (QStringList{folders.front(), "-", "-", "-", "-"}));
        }
    }
    const QStringList lastFive = folders.mid(0, 5);
    EXPECT_EQ(captions(frame.copydirItems), lastFive);
    EXPECT_EQ(captions(frame.movedirItems), lastFive);

    frame.newmovedir11->trigger();
    EXPECT_EQ(chooser->windowTitle(), "Move To...");
    QTest::mouseClick(chooser->Button1, Qt::LeftButton);
    EXPECT_FALSE(chooser->isVisible());
    EXPECT_EQ(captions(frame.copydirItems), lastFive);
    EXPECT_TRUE(QFile::exists(listed + "/sans.ttf"));

    // A recent entry moves the selection there; the listing follows.
    select(*frame.FileListBox1, {"serif.ttf"});
    frame.movedirItems[2]->trigger();
    EXPECT_TRUE(QFile::exists(lastFive.at(2) + "serif.ttf"));
    EXPECT_EQ(items(*frame.FileListBox1), (QStringList{"..", "bold.ttf", "sans.ttf"}));
}

TEST_F(FontCommands, BrowseWorksOnTheSelectionMadeBeforeTheChooserOpened) {
    TFrame1& frame = create();
    auto* chooser = windows->find<TForm3>();
    frame.CheckBox8->setChecked(true);  // "Automatic Refresh"
    const struct {
        QAction* command;
        const char* file;
        bool sourceStays;
    } cases[] = {{frame.newcopydir1, "sans.ttf", true}, {frame.newmovedir11, "serif.ttf", false}};
    for (const auto& c : cases) {
        const QString target = sandbox.path(QStringLiteral("to-%1").arg(c.file)) + "/";
        QDir().mkpath(target);
        select(*frame.FileListBox1, {c.file});
        c.command->trigger();
        // The window is activated again while the chooser is open: the refresh this runs
        // rebuilds the file list without its selection.
        frame.FormActivate();
        ASSERT_TRUE(frame.FileListBox1->selectedItems().isEmpty());
        chooser->setDirectory(target);
        QTest::mouseClick(chooser->Button2, Qt::LeftButton);
        EXPECT_TRUE(QFile::exists(target + c.file)) << c.file;
        EXPECT_EQ(QFile::exists(listed + "/" + c.file), c.sourceStays) << c.file;
        EXPECT_EQ(QDir(target).entryList(QDir::Files), QStringList{c.file});
    }
}

TEST_F(FontCommands, DeleteOnTheDirectoryTabRereadsTheListAndDeletesArchivesInZipMode) {
    TFrame1& frame = create();
    QFile::setPermissions(listed + "/serif.ttf", QFileDevice::ReadOwner);
    select(*frame.FileListBox1, {"..", "sans.ttf", "serif.ttf", "bold.ttf"});
    dialogs.answer(BoxAnswer::Ok);
    frame.Button4->click();
    EXPECT_EQ(dialogs.boxTexts(), QStringList{td::readOnlyMessage("serif.ttf")});
    EXPECT_EQ(items(*frame.FileListBox1), (QStringList{"..", "serif.ttf"}));

    sandbox.writeFile("fonts/a.zip", "zip");
    sandbox.writeFile("fonts/b.zip", "zip");
    frame.RadioButton6->click();
    select(*frame.FileListBox1, {"b.zip"});
    frame.Button4->click();
    EXPECT_EQ(items(*frame.FileListBox1), (QStringList{"..", "a.zip"}));
    EXPECT_TRUE(QFile::exists(listed + "/serif.ttf"));
    // Install does nothing while archives are listed.
    frame.Button6->click();
    EXPECT_EQ(dialogs.boxes().size(), 1u);
}

TEST_F(FontCommands, InstallAnsweredNoRegistersTheListedFileAndActivatesIt) {
    TFrame1& frame = create();
    frame.Edit4->setText(sandbox.path("fontsdir"));
    select(*frame.FileListBox1, {"sans.ttf"});
    dialogs.answer(BoxAnswer::No);
    frame.Install->trigger();
    const auto key =
        registry.openKey(td::RootKey::LocalMachine, QString::fromUtf16(td::kFontsKeyPath), false);
    EXPECT_EQ(key->valueNames(), QStringList{"DejaVu Sans (True Type)"});
    EXPECT_EQ(key->readString("DejaVu Sans (True Type)"), listed + "/sans.ttf");
    EXPECT_EQ(fonts.count(listed + "/sans.ttf"), 1);
    EXPECT_EQ(frame.Edit4->text(), sandbox.path("fontsdir") + "/");
}

TEST_F(FontCommands, DeleteOnTheSearchTabDeletesTheSelectedHitsAndSearchesAgain) {
    TFrame1& frame = create();
    frame.PageControl1->setCurrentWidget(frame.TabSheet5);
    frame.FillDriveList();
    frame.Button9->click();
    QAbstractItemModel* hits = frame.StringGrid6->model();
    ASSERT_EQ(hits->rowCount(), 3);
    QFile::setPermissions(listed + "/bold.ttf", QFileDevice::ReadOwner);
    frame.StringGrid6->selectionModel()->select(
        QItemSelection(hits->index(0, 0), hits->index(1, 3)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    dialogs.answer(BoxAnswer::Ok).answer(BoxAnswer::Ok);
    frame.Button4->click();
    EXPECT_EQ(dialogs.boxTexts(),
              (QStringList{"Delete selected fonts ?", td::readOnlyMessage(listed + "/bold.ttf")}));
    EXPECT_FALSE(QFile::exists(listed + "/sans.ttf"));
    EXPECT_TRUE(QFile::exists(listed + "/serif.ttf"));
    EXPECT_EQ(hits->rowCount(), 2);
}

TEST_F(FontCommands, DeletingAnInstalledFontAnsweredOkThenNoKeepsItsFile) {
    TFrame1& frame = create();
    select(*frame.FileListBox1, {"serif.ttf"});
    dialogs.answer(BoxAnswer::No);
    frame.Button6->click();
    frame.PageControl1->setCurrentWidget(frame.TabSheet2);
    frame.ListInstalledFonts();
    ASSERT_EQ(frame.ListBox1->count(), 1);
    EXPECT_EQ(frame.StringGrid4->item(0, 0)->text(), "DejaVu Serif");
    frame.StringGrid5->selectRow(0);
    dialogs.answer(BoxAnswer::Ok).answer(BoxAnswer::No);
    frame.Button4->click();
    EXPECT_EQ(
        dialogs.boxTexts().mid(1),
        (QStringList{"Delete DejaVu Serif fonts ?", "Delete " + listed + "/serif.ttf from disk?"}));
    EXPECT_EQ(systemFonts.hidden, QStringList{listed + "/serif.ttf"});
    EXPECT_TRUE(QFile::exists(listed + "/serif.ttf"));
    EXPECT_EQ(fonts.count(listed + "/serif.ttf"), 0);
    // "Automatic Refresh" listed the key again: the font is gone from the view.
    EXPECT_EQ(frame.ListBox1->count(), 0);
}
