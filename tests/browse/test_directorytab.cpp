#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include "app/tframe1.h"
#include "browse/fontlisting.h"
#include "fake_services.h"
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
#include "testfiles.h"
#include "ttfnames/tform1.h"

namespace {

QStringList items(const QListWidget& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i) {
        texts << list.item(i)->text();
    }
    return texts;
}

// The main window with the services of a run, all of them fakes or sandboxed, started in a
// folder of fonts.
class DirectoryTab : public tdtest::MainRoleTest {
  protected:
    QString fontsFolder;

    void SetUp() override {
        QDir().mkpath(sandbox.path("fonts"));
        sandbox.writeFile("fonts/sans.ttf", tdtest::fileBytes(tdtest::dejaVuSans()));
        sandbox.writeFile("fonts/Serif.TTF", tdtest::fileBytes(tdtest::dejaVuSerif()));
        sandbox.writeFile("fonts/notes.txt", "not a font");
        fontsFolder = sandbox.path("fonts") + u'/';
        QDir::setCurrent(fontsFolder);
    }

    TFrame1& create() {
        windows->add(std::make_unique<TFrame1>(services));
        windows->add(std::make_unique<TForm1>(services));
        TFrame1& frame = *windows->find<TFrame1>();
        QCoreApplication::sendPostedEvents(&frame, QEvent::MetaCall);
        return frame;
    }
};

}  // namespace

TEST_F(DirectoryTab, RefreshListsTheFolderAndDrawsEveryFont) {
    TFrame1& frame = create();
    // The folder tree starts where the program was started; nothing is listed before a refresh.
    EXPECT_EQ(frame.PageControl1->tabText(0), QStringLiteral("Directory fonts"));
    EXPECT_EQ(items(*frame.FileListBox1), (QStringList{"..", "sans.ttf", "Serif.TTF"}));

    frame.resize(700, 500);
    frame.Button1Click();
    EXPECT_EQ(frame.PageControl1->tabText(0), QStringLiteral("Directory fonts: 2"));
    EXPECT_EQ(frame.lb_, (QStringList{fontsFolder + "sans.ttf", fontsFolder + "Serif.TTF"}));
    ASSERT_EQ(frame.StringGrid1->rowCount(), 2);
    EXPECT_EQ(frame.StringGrid1->item(1, td::kColEntry)->text(), QStringLiteral("Serif.TTF"));
    EXPECT_FALSE(frame.StringGrid1->item(0, td::kColFamily)->text().isEmpty());
    ASSERT_EQ(frame.StringGrid2->rowCount(), 2);
    // The busy indicator ended: the buttons of the tab are back.
    EXPECT_FALSE(frame.Button1->isHidden());

    frame.StringGrid2->resize(500, 200);
    frame.StringGrid2->setColumnWidth(0, 480);
    const QImage shot = frame.StringGrid2->viewport()->grab().toImage();
    const QImage first =
        shot.copy(frame.StringGrid2->visualRect(frame.StringGrid2->model()->index(0, 0))
                      .adjusted(1, 1, -1, -1));
    const QImage second =
        shot.copy(frame.StringGrid2->visualRect(frame.StringGrid2->model()->index(1, 0))
                      .adjusted(1, 1, -1, -1));
    QImage blank(first.size(), first.format());
    blank.fill(frame.StringGrid2->palette().color(QPalette::Base));
    EXPECT_NE(first, second);
    EXPECT_NE(first, blank);
    EXPECT_NE(second, blank);
    EXPECT_EQ(fonts.count(frame.lb_.at(0)), 0);
    EXPECT_EQ(fonts.count(frame.lb_.at(1)), 0);

    // A click on a font fills the Properties dialog for that file.
    frame.FileListBox1->setCurrentRow(2);
    QTest::mouseClick(frame.FileListBox1->viewport(), Qt::LeftButton, {},
                      frame.FileListBox1->visualItemRect(frame.FileListBox1->item(2)).center());
    auto* properties = windows->find<TForm1>();
    ASSERT_NE(properties, nullptr);
    EXPECT_EQ(properties->fontPath(), fontsFolder + "Serif.TTF");
    EXPECT_EQ(properties->windowTitle(), QStringLiteral("Serif.TTF"));
    EXPECT_EQ(properties->fieldNames().Family, frame.StringGrid1->item(1, 0)->text());
    EXPECT_FALSE(properties->isVisible());
    frame.Properties1->trigger();
    EXPECT_TRUE(properties->isVisible());
    properties->hide();
}

TEST_F(DirectoryTab, ZipModeHidesTheSubfolderBoxAndClosingReleasesEveryFont) {
    TFrame1& frame = create();
    frame.Button1Click();
    frame.RadioButton6->click();
    EXPECT_TRUE(frame.CheckBox1->isHidden());
    EXPECT_EQ(items(*frame.FileListBox1), QStringList{".."});
    EXPECT_FALSE(frame.Addtozip1->isVisible());
    frame.RadioButton5->click();
    EXPECT_FALSE(frame.CheckBox1->isHidden());
    EXPECT_TRUE(frame.Addtozip1->isVisible());
    ASSERT_EQ(frame.lb_.size(), 2);
    const QStringList listed = frame.lb_;
    // Something may hold a font active when the window closes (a paint in progress, the font
    // map): closing gives every listed font back.
    fonts.activate(listed.at(0));
    frame.close();
    for (const QString& path : listed) {
        EXPECT_EQ(fonts.count(path), 0) << path.toStdString();
    }
    EXPECT_TRUE(fonts.activePaths().isEmpty());
}

TEST_F(DirectoryTab, MenuItemsAddToAnArchiveDeleteFromItAndTheRecentEntriesAreStored) {
    TFrame1& frame = create();
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
