#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "app/tframe1.h"
#include "fake_services.h"
#include "platform/library.h"
#include "platform/windowset.h"
#include "sandbox.h"
#include "scripted_dialogs.h"
#include "testfiles.h"

namespace {

QStringList items(const QListWidget& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i) {
        texts << list.item(i)->text();
    }
    return texts;
}

// The main window started in a folder of fonts, with the real archive libraries.
class ArchiveMenu : public tdtest::SandboxTest, protected tdtest::FakeServiceSet {
  protected:
    td::DlLibraryLoader libraries{tdtest::buildDir()};
    std::unique_ptr<td::WindowSet> windows = std::make_unique<td::WindowSet>();
    QString savedFolder = QDir::currentPath();
    QString fontsFolder;

    void SetUp() override {
        services.libraries = &libraries;
        services.windows = windows.get();
        drives.setDrives({{sandbox.root(), td::DriveType::Fixed}});
        drives.setReady({sandbox.root()});
        presetBrowser();
        sandbox.writeFile("fonts/sans.ttf", tdtest::fileBytes(tdtest::dejaVuSans()));
        fontsFolder = sandbox.path("fonts") + u'/';
        QDir::setCurrent(fontsFolder);
    }
    void TearDown() override {
        windows.reset();
        QDir::setCurrent(savedFolder);
    }
};

}  // namespace

TEST_F(ArchiveMenu, MenuItemsAddToAnArchiveDeleteFromItAndTheRecentEntriesAreStored) {
    windows->add(std::make_unique<TFrame1>(services));
    TFrame1& frame = *windows->find<TFrame1>();
    QCoreApplication::sendPostedEvents(&frame, QEvent::MetaCall);
    EXPECT_EQ(frame.NzipItems[0]->toolTip(), QStringLiteral("Chose a zip file first"));

    frame.FileListBox1->item(1)->setSelected(true);
    dialogs.answerPath(fontsFolder + "fonts").answer(td::BoxAnswer::Ok);
    frame.New1->trigger();
    EXPECT_EQ(dialogs.boxTexts(), QStringList{"1 files were added"});
    frame.SaveRecentMenus();
    EXPECT_EQ(profiles.readString("ke-TD2.ini", "Menu", "menu1", {}), fontsFolder + "fonts.zip");
    EXPECT_TRUE(profiles.readBool("ke-TD2.ini", "Menu", "menu1b", false));

    // Into the archive, then "Delete" from the menu deletes the selected entry from it.
    frame.RadioButton6->click();
    ASSERT_EQ(items(*frame.FileListBox1), (QStringList{"..", "fonts.zip"}));
    frame.FileListBox1->setCurrentRow(1);
    emit frame.FileListBox1->itemDoubleClicked(frame.FileListBox1->item(1));
    ASSERT_EQ(frame.viewMode(), 3);
    ASSERT_EQ(items(*frame.FileListBox1), (QStringList{"..", "sans.ttf"}));
    frame.FileListBox1->item(1)->setSelected(true);
    dialogs.clear();
    dialogs.answer(td::BoxAnswer::Yes);
    frame.Deletefromzip1->trigger();
    EXPECT_EQ(dialogs.boxTexts(),
              QStringList{"Delete selected file(s) from: " + fontsFolder + "fonts.zip?"});
    EXPECT_EQ(items(*frame.FileListBox1), QStringList{".."});
    EXPECT_FALSE(QFile::exists(fontsFolder + "fonts.zip"));
    EXPECT_FALSE(frame.Button1->isHidden());
}
