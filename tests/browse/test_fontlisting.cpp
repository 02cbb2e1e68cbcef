#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "archive/tziparchive.h"
#include "browse/archivelisting.h"
#include "browse/filelist.h"
#include "browse/fontlisting.h"
#include "expected_names.h"
#include "platform/error.h"
#include "platform/fontfilerule.h"
#include "platform/library.h"
#include "platform/services.h"
#include "sandbox.h"
#include "scripted_dialogs.h"
#include "testfiles.h"

using namespace td;

namespace {

class ListingTest : public tdtest::SandboxTest {
  protected:
    tdtest::ScriptedDialogs dialogs;
    DlLibraryLoader loader{tdtest::buildDir()};
    Services services{&dialogs, &loader, nullptr};
    TZipArchive archive{services};
    int busy = 0;
    int idle = 0;
    bool busyShown = false;  // between a showBusy and the next showIdle
    int pumps = 0;
    bool autoRefresh = true;
    QString savedFolder = QDir::currentPath();
    DirectorySource source{archive, &dialogs, sandbox.tempDir(),
                           DirectorySource::Hooks{
                               [this](int animation) {
                                   EXPECT_EQ(animation, 2);
                                   ++busy;
                                   busyShown = true;
                               },
                               [this] {
                                   ++idle;
                                   busyShown = false;
                               },
                               [this] { ++pumps; },
                               [this] { return autoRefresh; },
                           }};

    void TearDown() override {
        TZipArchive::UnloadZipLibrary();
        TZipArchive::UnloadUnzipLibrary();
        QDir::setCurrent(savedFolder);
    }

    QString folder(const QString& relative) {
        const QString path = sandbox.path(relative);
        QDir().mkpath(path);
        return path + u'/';
    }
    QString copyFont(const QString& font, const QString& relative) {
        return sandbox.writeFile(relative, tdtest::fileBytes(font));
    }
    QString fontsFolder() {
        const QString dir = folder(QStringLiteral("fonts"));
        copyFont(tdtest::dejaVuSans(), QStringLiteral("fonts/b.ttf"));
        copyFont(tdtest::dejaVuSerif(), QStringLiteral("fonts/A.TTF"));
        sandbox.writeFile(QStringLiteral("fonts/readme.txt"), "not a font");
        return dir;
    }
    // The archive folder: fonts.zip with two fonts of different case, a text and a font in a
    // folder of the archive.
    QString archiveFolder() {
        const QString dir = folder(QStringLiteral("zips"));
        EXPECT_TRUE(
            tdtest::writeStoredZip(dir + QStringLiteral("fonts.zip"),
                                   {{"b.ttf", tdtest::fileBytes(tdtest::dejaVuSans())},
                                    {"readme.txt", "text"},
                                    {"A.TTF", tdtest::fileBytes(tdtest::dejaVuSerif())},
                                    {"sub/c.ttf", tdtest::fileBytes(tdtest::dejaVuSansBold())}}));
        return dir;
    }
    void openEntry(const QString& entry) {
        const int position = static_cast<int>(source.fileList().indexOf(entry));
        ASSERT_GE(position, 0) << entry.toStdString();
        source.setCurrentPosition(position);
        source.OpenListEntry();
    }
};

}  // namespace

TEST_F(ListingTest, FolderWithoutFontsGivesOneBlankRow) {
    const QString empty = folder(QStringLiteral("empty"));
    sandbox.writeFile(QStringLiteral("empty/readme.txt"), "x");
    EXPECT_TRUE(source.setFolder(empty));
    source.ListFonts();
    EXPECT_EQ(source.fileList(), QStringList{".."});
    EXPECT_EQ(source.listing().rowCount(), 1);
    EXPECT_EQ(source.listing().row(0), FontDataRow{});
    EXPECT_EQ(source.caption(), QStringLiteral("Directory fonts: 0"));
    EXPECT_EQ(busy, 1);
    EXPECT_EQ(idle, 1);
}

TEST_F(ListingTest, FolderListsFontFilesOfAnyCaseIntoPathsAndTable) {
    const QString dir = fontsFolder();
    source.setFolder(dir);
    source.ListFonts();
    EXPECT_EQ(source.fileList(), (QStringList{"..", "A.TTF", "b.ttf"}));
    EXPECT_EQ(source.listing().lb_, (QStringList{dir + "A.TTF", dir + "b.ttf"}));
    ASSERT_EQ(source.listing().rowCount(), 2);
    EXPECT_EQ(source.listing().row(0), browsetest::expectedRow(dir + "A.TTF", "A.TTF"));
    EXPECT_EQ(source.listing().row(1), browsetest::expectedRow(dir + "b.ttf", "b.ttf"));
    EXPECT_FALSE(source.listing().row(0)[kColFamily].isEmpty());
    EXPECT_NE(source.listing().row(0)[kColFamily], source.listing().row(1)[kColFamily]);
    EXPECT_EQ(source.caption(), QStringLiteral("Directory fonts: 2"));
    EXPECT_GE(pumps, 2);

    // A listing of a folder without fonts leaves one blank row but keeps the previous paths.
    source.setFolder(folder(QStringLiteral("none")));
    source.ListFonts();
    EXPECT_EQ(source.listing().rowCount(), 1);
    EXPECT_EQ(source.listing().row(0), FontDataRow{});
    EXPECT_EQ(source.listing().lb_.size(), 2);
}

TEST_F(ListingTest, DamagedEmptyAndUnreadableFontsAreListedWithEmptyNames) {
    const QString dir = folder(QStringLiteral("bad"));
    sandbox.writeFile(QStringLiteral("bad/empty.ttf"), QByteArray());
    sandbox.writeFile(QStringLiteral("bad/garbage.ttf"), QByteArray(4096, '\x5a'));
    sandbox.writeFile(QStringLiteral("bad/short.ttf"),
                      tdtest::fileBytes(tdtest::dejaVuSans()).left(300));
    copyFont(tdtest::dejaVuSans(), QStringLiteral("bad/good.ttf"));
    QDir().mkpath(dir + QStringLiteral("folder.ttf"));  // a folder named like a font
    source.setFolder(dir);
    source.ListFonts();
    EXPECT_EQ(source.fileList(),
              (QStringList{"..", "empty.ttf", "garbage.ttf", "good.ttf", "short.ttf"}));
    ASSERT_EQ(source.listing().rowCount(), 4);
    for (int row : {0, 1, 3}) {
        FontDataRow blank{};
        blank[kColEntry] = source.fileList().at(row + 1);
        EXPECT_EQ(source.listing().row(row), blank) << row;
    }
    EXPECT_FALSE(source.listing().row(2)[kColFamily].isEmpty());
}

TEST_F(ListingTest, FolderThatCannotBeReadListsNothing) {
    source.setFolder(sandbox.path(QStringLiteral("does/not/exist")));
    source.ListFonts();
    EXPECT_EQ(source.fileList(), QStringList{".."});
    EXPECT_EQ(source.caption(), QStringLiteral("Directory fonts: 0"));
    EXPECT_EQ(idle, 1);
}

TEST_F(ListingTest, WithSubfoldersListsTheTreeSkippingHiddenFoldersAndLoops) {
    const QString dir = folder(QStringLiteral("tree"));
    copyFont(tdtest::dejaVuSans(), QStringLiteral("tree/s/x.ttf"));
    copyFont(tdtest::dejaVuSerif(), QStringLiteral("tree/top.ttf"));
    copyFont(tdtest::dejaVuSans(), QStringLiteral("tree/.hidden/y.ttf"));
    ASSERT_TRUE(QFile::link(dir, dir + QStringLiteral("s/loop")));
    source.setFolder(dir);
    source.setWithSubfolders(true);
    EXPECT_EQ(source.fileList(), (QStringList{"..", "s/x.ttf", "top.ttf"}));
    EXPECT_EQ(source.listing().lb_, (QStringList{dir + "s/x.ttf", dir + "top.ttf"}));
    EXPECT_EQ(source.listing().row(0)[kColEntry], QStringLiteral("s/x.ttf"));
    EXPECT_EQ(source.caption(), QStringLiteral("Directory fonts: 2"));

    source.setWithSubfolders(false);
    EXPECT_EQ(source.fileList(), (QStringList{"..", "top.ttf"}));
    EXPECT_EQ(source.listing().rowCount(), 1);
}

TEST_F(ListingTest, FileNamesResolveAgainstTheListedFolderNotTheCurrentOne) {
    const QString dir = fontsFolder();
    // The current folder holds a different font under the same name.
    const QString elsewhere = folder(QStringLiteral("elsewhere"));
    copyFont(tdtest::dejaVuSansBold(), QStringLiteral("elsewhere/b.ttf"));
    QDir::setCurrent(elsewhere);
    source.setFolder(dir);
    source.ListFonts();
    EXPECT_EQ(source.listing().row(1), browsetest::expectedRow(dir + "b.ttf", "b.ttf"));
    EXPECT_NE(source.listing().row(1), browsetest::expectedRow(elsewhere + "b.ttf", "b.ttf"));
}

TEST_F(ListingTest, ZipModeListsArchivesAndKeepsTheListing) {
    const QString fonts = fontsFolder();
    source.setFolder(fonts);
    source.ListFonts();
    const QString zips = archiveFolder();
    source.setFolder(zips);

    source.chooseArchives();
    EXPECT_EQ(source.viewMode(), 2);
    EXPECT_FALSE(source.addToZipVisible());
    EXPECT_FALSE(source.fileCommandsVisible());
    EXPECT_FALSE(source.withSubfoldersVisible());
    EXPECT_FALSE(source.withSubfolders());
    EXPECT_EQ(source.fileList(), (QStringList{"..", "fonts.zip"}));
    // Folder changes in this mode call for no refresh of the fonts.
    EXPECT_FALSE(source.setFolder(zips));

    source.ListFonts();
    EXPECT_EQ(source.fileList(), (QStringList{"..", "fonts.zip"}));
    EXPECT_EQ(source.listing().rowCount(), 2);
    EXPECT_EQ(source.listing().lb_.first(), fonts + "A.TTF");

    source.chooseFontFiles();
    EXPECT_EQ(source.viewMode(), 1);
    EXPECT_TRUE(source.addToZipVisible());
    EXPECT_TRUE(source.fileCommandsVisible());
    EXPECT_TRUE(source.withSubfoldersVisible());
    EXPECT_EQ(source.fileList(), QStringList{".."});
}

TEST_F(ListingTest, DoubleClickOnParentGoesUpAndStaysAtTheRoot) {
    const QString zips = archiveFolder();
    source.chooseArchives();
    source.setFolder(zips);
    autoRefresh = false;
    openEntry(QStringLiteral(".."));
    EXPECT_EQ(source.folder(), withTrailingSlash(sandbox.root()));
    EXPECT_EQ(source.fileList().first(), QStringLiteral(".."));

    source.setFolder(QStringLiteral("/"));
    openEntry(QStringLiteral(".."));
    EXPECT_EQ(source.folder(), QStringLiteral("/"));
    EXPECT_EQ(source.viewMode(), 2);
    EXPECT_EQ(source.fileList().count(QStringLiteral("..")), 1);
    // In the font files mode a double-click does nothing.
    source.chooseFontFiles();
    source.setFolder(zips);
    openEntry(QStringLiteral(".."));
    EXPECT_EQ(source.folder(), zips);
}

TEST_F(ListingTest, EnteringAndLeavingAnArchiveListsItsFontsAndSwitchesTheMenu) {
    const QString zips = archiveFolder();
    source.setFolder(zips);
    source.chooseArchives();
    // The archive is found in the listed folder whatever the current folder is.
    QDir::setCurrent(sandbox.root());
    busy = idle = 0;
    openEntry(QStringLiteral("fonts.zip"));
    EXPECT_EQ(source.viewMode(), 3);
    EXPECT_FALSE(source.addToZipVisible());
    EXPECT_TRUE(source.fileCommandsVisible());
    EXPECT_EQ(source.fileList(), (QStringList{"..", "A.TTF", "b.ttf", "sub/c.ttf"}));
    const QString temp = withTrailingSlash(sandbox.tempDir());
    EXPECT_EQ(source.listing().lb_,
              (QStringList{temp + "A.TTF", temp + "b.ttf", temp + "sub/c.ttf"}));
    ASSERT_EQ(source.listing().rowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        const QString path = source.listing().lb_.at(row);
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
        EXPECT_EQ(source.listing().row(row),
                  browsetest::expectedRow(path, source.fileList().at(row + 1)));
        EXPECT_FALSE(source.listing().row(row)[kColFamily].isEmpty());
    }
    EXPECT_EQ(tdtest::fileBytes(temp + "A.TTF"), tdtest::fileBytes(tdtest::dejaVuSerif()));
    EXPECT_EQ(source.caption(), QStringLiteral("Directory fonts: 3"));
    EXPECT_FALSE(busyShown);
    EXPECT_GE(busy, 2);  // entering, then the listing
    source.setCurrentPosition(1);
    EXPECT_EQ(source.propertiesRow(), 0);
    // An extracted copy is shown read-only.
    const browsetest::PropertiesView view = browsetest::fillProperties(source, 0);
    EXPECT_EQ(view.path, temp + "A.TTF");
    EXPECT_EQ(view.caption, QStringLiteral("A.TTF"));
    EXPECT_TRUE(view.readOnly);
    EXPECT_EQ(view.fields, browsetest::namesOf(temp + "A.TTF"));

    // Another entry than ".." does nothing.
    openEntry(QStringLiteral("b.ttf"));
    EXPECT_EQ(source.viewMode(), 3);

    openEntry(QStringLiteral(".."));
    EXPECT_EQ(source.viewMode(), 2);
    EXPECT_TRUE(source.addToZipVisible());
    EXPECT_FALSE(source.fileCommandsVisible());
    EXPECT_EQ(source.fileList(), (QStringList{"..", "fonts.zip"}));
    // The archive's rows stay until the next font listing.
    EXPECT_EQ(source.listing().rowCount(), 3);
    EXPECT_FALSE(busyShown);
}

TEST_F(ListingTest, EnteringWithoutAutomaticRefreshListsEntriesOnly) {
    autoRefresh = false;
    const QString zips = archiveFolder();
    source.setFolder(zips);
    source.chooseArchives();
    openEntry(QStringLiteral("fonts.zip"));
    EXPECT_EQ(source.fileList(), (QStringList{"..", "A.TTF", "b.ttf", "sub/c.ttf"}));
    EXPECT_EQ(source.listing().rowCount(), 1);
    EXPECT_FALSE(QFile::exists(sandbox.tempDir() + "/A.TTF"));
    source.ListFonts();  // "&Refresh" extracts and lists
    EXPECT_EQ(source.listing().rowCount(), 3);
    EXPECT_TRUE(QFile::exists(sandbox.tempDir() + "/A.TTF"));
}

TEST_F(ListingTest, DamagedArchiveRaisesItsErrorAndTheListStaysUsable) {
    const QString zips = archiveFolder();
    QByteArray bytes = tdtest::fileBytes(zips + "fonts.zip");
    // Cut inside the first entry's data: its header says more than the file holds.
    bytes.truncate(2000);
    sandbox.writeFile(QStringLiteral("zips/damaged.zip"), bytes);
    source.setFolder(zips);
    source.chooseArchives();
    busy = idle = 0;
    try {
        openEntry(QStringLiteral("damaged.zip"));
        ADD_FAILURE() << "no error raised";
    } catch (const Error& error) {
        EXPECT_EQ(error.message(), QStringLiteral("Error 3 reading Zip file"));
    }
    EXPECT_EQ(busy, 1);
    EXPECT_FALSE(busyShown);
    EXPECT_EQ(source.viewMode(), 3);
    // The entry read before the damage is listed, after "..".
    EXPECT_EQ(source.fileList(), (QStringList{"..", "b.ttf"}));
    openEntry(QStringLiteral(".."));
    EXPECT_EQ(source.viewMode(), 2);
    EXPECT_EQ(source.fileList(), (QStringList{"..", "damaged.zip", "fonts.zip"}));
}

TEST_F(ListingTest, EntryClimbingOutOfTheTemporaryFolderIsNeverReadOrWritten) {
    const QString dir = folder(QStringLiteral("evil"));
    ASSERT_TRUE(tdtest::writeStoredZip(dir + QStringLiteral("evil.zip"),
                                       {{"../outside.ttf", tdtest::fileBytes(tdtest::dejaVuSans())},
                                        {"good.ttf", tdtest::fileBytes(tdtest::dejaVuSerif())}}));
    // A font lies where the climbing name points: it must neither be overwritten nor listed.
    const QString outside = sandbox.writeFile(QStringLiteral("outside.ttf"),
                                              tdtest::fileBytes(tdtest::dejaVuSansBold()));
    dialogs.allowUnscriptedBoxes();  // the reader library reports the skipped entry
    source.setFolder(dir);
    source.chooseArchives();
    openEntry(QStringLiteral("evil.zip"));
    EXPECT_EQ(source.fileList(), (QStringList{"..", "../outside.ttf", "good.ttf"}));
    ASSERT_EQ(source.listing().lb_.size(), 2);
    EXPECT_EQ(source.listing().lb_.at(0), QString());
    FontDataRow blank{};
    blank[kColEntry] = QStringLiteral("../outside.ttf");
    EXPECT_EQ(source.listing().row(0), blank);
    EXPECT_FALSE(source.listing().row(1)[kColFamily].isEmpty());
    EXPECT_EQ(tdtest::fileBytes(outside), tdtest::fileBytes(tdtest::dejaVuSansBold()));

    EXPECT_EQ(extractedCopyPath(QStringLiteral("/tmp/"), QStringLiteral("a/../../x.ttf")),
              QString());
    EXPECT_EQ(extractedCopyPath(QStringLiteral("/tmp/"), QStringLiteral("..\\x.ttf")), QString());
    EXPECT_EQ(extractedCopyPath(QStringLiteral("/tmp/"), QStringLiteral("/etc/x.ttf")), QString());
    EXPECT_EQ(extractedCopyPath(QStringLiteral("/tmp"), QStringLiteral("a..b/x.ttf")),
              QStringLiteral("/tmp/a..b/x.ttf"));
}

TEST_F(ListingTest, ChangingTheFolderInsideAnArchiveReturnsToTheArchives) {
    const QString zips = archiveFolder();
    source.setFolder(zips);
    source.chooseArchives();
    openEntry(QStringLiteral("fonts.zip"));
    ASSERT_EQ(source.viewMode(), 3);
    const QString fonts = fontsFolder();
    EXPECT_FALSE(source.setFolder(fonts));
    EXPECT_EQ(source.viewMode(), 2);
    EXPECT_TRUE(source.addToZipVisible());
    EXPECT_EQ(source.fileList(), QStringList{".."});
}

TEST_F(ListingTest, PropertiesRowFollowsTheCurrentEntry) {
    source.setFolder(fontsFolder());
    source.ListFonts();
    source.setCurrentPosition(2);
    EXPECT_EQ(source.propertiesRow(), 1);
    source.setCurrentPosition(0);
    EXPECT_FALSE(source.propertiesRow().has_value());
    source.setCurrentPosition(-1);
    EXPECT_FALSE(source.propertiesRow().has_value());
    source.setCurrentPosition(7);
    EXPECT_FALSE(source.propertiesRow().has_value());
    source.setCurrentPosition(1);
    // The dialog is filled for the listed file, by its full path.
    const browsetest::PropertiesView view = browsetest::fillProperties(source, 1);
    const QString path = sandbox.path(QStringLiteral("fonts/b.ttf"));
    EXPECT_EQ(view.path, path);
    EXPECT_EQ(view.caption, QStringLiteral("b.ttf"));
    EXPECT_FALSE(view.readOnly);
    EXPECT_EQ(view.fields, browsetest::namesOf(path));
    source.chooseArchives();
    EXPECT_FALSE(source.propertiesRow().has_value());
}

// OpenType files and collections list like TrueType files (a collection is one row, with its
// face count); "TrueType files only (.ttf)" gives back the ".ttf"-only listing, in folders and
// in archives alike.
TEST_F(ListingTest, OpenTypeFilesAndCollectionsListUnlessTrueTypeAloneIsChosen) {
    const QString cantarell = QStringLiteral("/usr/share/fonts/opentype/cantarell/");
    const QString wqy = QStringLiteral("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc");
    const QStringList otf = QDir(cantarell).entryList({"*.otf"}, QDir::Files, QDir::Name);
    ASSERT_EQ(otf.size(), 5) << "fonts-cantarell is installed by install-deps.sh";
    const QString dir = folder(QStringLiteral("mixed"));
    for (const QString& name : otf) {
        copyFont(cantarell + name, "mixed/" + name);
    }
    copyFont(wqy, QStringLiteral("mixed/Wqy.TTC"));
    copyFont(tdtest::dejaVuSans(), QStringLiteral("mixed/d.ttf"));
    const QByteArray zip = tdtest::fileBytes(cantarell + otf.first());
    ASSERT_TRUE(tdtest::writeStoredZip(
        dir + "fonts.zip",
        {{"c.otf", zip}, {"w.ttc", tdtest::fileBytes(wqy)}, {"d.ttf", "not read"}}));

    for (const bool trueTypeOnly : {false, true}) {
        td::setTrueTypeFilesOnly(trueTypeOnly);
        source.setFolder(dir);
        source.ListFonts();
        QStringList expected{"..", "d.ttf"};
        if (!trueTypeOnly) {
            expected = QStringList{".."} + otf + QStringList{"d.ttf", "Wqy.TTC"};
        }
        EXPECT_EQ(source.fileList(), expected);
        const FontListing& listing = source.listing();
        ASSERT_EQ(listing.rowCount(), expected.size() - 1);
        for (int row = 0; row < listing.rowCount(); ++row) {
            const QString entry = expected.at(row + 1);
            EXPECT_EQ(listing.row(row), browsetest::expectedRow(dir + entry, entry));
            EXPECT_EQ(listing.faceCount(row), entry == u"Wqy.TTC" ? 2 : 1);
        }
        if (!trueTypeOnly) {
            EXPECT_EQ(listing.row(0)[kColFamily], "Cantarell");
            EXPECT_EQ(listing.row(6)[kColFamily], "WenQuanYi Micro Hei");
        }

        source.chooseArchives();
        openEntry(QStringLiteral("fonts.zip"));
        const QStringList inside = trueTypeOnly ? QStringList{"..", "d.ttf"}
                                                : QStringList{"..", "c.otf", "d.ttf", "w.ttc"};
        EXPECT_EQ(source.fileList(), inside);
        const QString temp = withTrailingSlash(sandbox.tempDir());
        EXPECT_EQ(QFile::exists(temp + "c.otf"), !trueTypeOnly);
        if (!trueTypeOnly) {
            EXPECT_EQ(source.listing().row(0)[kColName], "Cantarell Bold");
            EXPECT_EQ(source.listing().faceCount(2), 2);
        }
        openEntry(QStringLiteral(".."));
        source.chooseFontFiles();
        QDir(sandbox.tempDir()).removeRecursively();
        QDir().mkpath(sandbox.tempDir());
    }
    td::setTrueTypeFilesOnly(false);
}
