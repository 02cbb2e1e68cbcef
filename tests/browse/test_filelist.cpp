#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "browse/filelist.h"
#include "browse/fontlisting.h"
#include "platform/drives.h"
#include "sandbox.h"
#include "ttfnames/fontnames.h"

using namespace td;

namespace {

class FileListTest : public tdtest::SandboxTest {
  protected:
    QString folder(const QString& relative) {
        const QString path = sandbox.path(relative);
        QDir().mkpath(path);
        return path + u'/';
    }
    void touch(const QString& relative) { sandbox.writeFile(relative, QByteArray("x")); }
};

}  // namespace

TEST(FileListMask, MatchesWithoutRegardToCase) {
    EXPECT_TRUE(matchesMask(QStringLiteral("A.TTF"), kFontMask));
    EXPECT_TRUE(matchesMask(QStringLiteral("b.ttf"), kFontMask));
    EXPECT_TRUE(matchesMask(QStringLiteral("Mixed.TtF"), kFontMask));
    EXPECT_FALSE(matchesMask(QStringLiteral("readme.txt"), kFontMask));
    EXPECT_FALSE(matchesMask(QStringLiteral("a.ttf.bak"), kFontMask));
    EXPECT_FALSE(matchesMask(QStringLiteral("attf"), kFontMask));
    EXPECT_TRUE(matchesMask(QStringLiteral("Fonts.ZIP"), kArchiveMask));
    EXPECT_TRUE(matchesMask(QStringLiteral("no extension"), QStringLiteral("*.*")));
    EXPECT_TRUE(matchesMask(QStringLiteral("a [1] (x).ttf"), kFontMask));
}

TEST_F(FileListTest, FolderListsFontsOfAnyCaseSortedAndNothingElse) {
    const QString dir = folder(QStringLiteral("fonts"));
    touch(QStringLiteral("fonts/b.ttf"));
    touch(QStringLiteral("fonts/A.TTF"));
    touch(QStringLiteral("fonts/readme.txt"));
    touch(QStringLiteral("fonts/.hidden.ttf"));
    touch(QStringLiteral("fonts/c.zip"));
    QDir().mkpath(dir + QStringLiteral("folder.ttf"));  // a folder is not a font file
    EXPECT_EQ(folderEntries(dir, kFontMask), (QStringList{"A.TTF", "b.ttf"}));
    EXPECT_EQ(folderEntries(dir, kArchiveMask), (QStringList{"c.zip"}));
}

TEST_F(FileListTest, FolderThatCannotBeReadGivesNoEntries) {
    EXPECT_TRUE(folderEntries(sandbox.path(QStringLiteral("missing")), kFontMask).isEmpty());
    touch(QStringLiteral("plain"));
    EXPECT_TRUE(folderEntries(sandbox.path(QStringLiteral("plain")), kFontMask).isEmpty());
    EXPECT_TRUE(subfolderFontEntries(sandbox.path(QStringLiteral("missing"))).isEmpty());
    EXPECT_TRUE(folderEntries(QString(), kFontMask).isEmpty());
}

TEST_F(FileListTest, SubfoldersAreListedRelativeAndHiddenFoldersSkipped) {
    const QString dir = folder(QStringLiteral("tree"));
    touch(QStringLiteral("tree/top.ttf"));
    touch(QStringLiteral("tree/s/x.ttf"));
    touch(QStringLiteral("tree/s/deeper/y.TTF"));
    touch(QStringLiteral("tree/s/notes.txt"));
    touch(QStringLiteral("tree/.cache/hidden.ttf"));
    touch(QStringLiteral("tree/s/.git/z.ttf"));
    EXPECT_EQ(subfolderFontEntries(dir), (QStringList{"s/deeper/y.TTF", "s/x.ttf", "top.ttf"}));
    // Without a trailing separator the same.
    EXPECT_EQ(subfolderFontEntries(sandbox.path(QStringLiteral("tree"))).size(), 3);
}

TEST_F(FileListTest, SymbolicLinkLoopsAreWalkedOnce) {
    const QString dir = folder(QStringLiteral("loop"));
    touch(QStringLiteral("loop/a/f.ttf"));
    ASSERT_TRUE(QFile::link(dir, dir + QStringLiteral("a/back")));  // a/back -> loop
    ASSERT_TRUE(QFile::link(dir + QStringLiteral("a"), dir + QStringLiteral("a/self")));
    int pumps = 0;
    const QStringList entries = subfolderFontEntries(dir, [&] { ++pumps; });
    EXPECT_EQ(entries, (QStringList{"a/f.ttf"}));
    EXPECT_GE(pumps, 1);
    // A link into the tree from outside is still followed the first time.
    const QString other = folder(QStringLiteral("other"));
    ASSERT_TRUE(QFile::link(dir + QStringLiteral("a"), other + QStringLiteral("linked")));
    EXPECT_EQ(subfolderFontEntries(other), (QStringList{"linked/f.ttf"}));
}

TEST(FileListParent, ParentEntryIsAddedOnceInFront) {
    QStringList empty;
    EXPECT_TRUE(ensureParentEntry(empty));
    EXPECT_EQ(empty, QStringList{".."});
    QStringList names{"a.ttf"};
    EXPECT_TRUE(ensureParentEntry(names));
    EXPECT_EQ(names, (QStringList{"..", "a.ttf"}));
    EXPECT_FALSE(ensureParentEntry(names));
    EXPECT_EQ(names.size(), 2);
}

TEST(FileListParent, GoingUpStopsAtTheRoot) {
    EXPECT_EQ(folderUp(QStringLiteral("/home/ann/fonts/")), QStringLiteral("/home/ann/"));
    EXPECT_EQ(folderUp(QStringLiteral("/home/ann/fonts")), QStringLiteral("/home/ann/"));
    EXPECT_EQ(folderUp(QStringLiteral("/fonts/")), QStringLiteral("/"));
    EXPECT_EQ(folderUp(QStringLiteral("/")), QStringLiteral("/"));
    EXPECT_EQ(folderUp(folderUp(QStringLiteral("/a/"))), QStringLiteral("/"));
}

TEST(FileListCaption, CountsFontsAndPosition) {
    EXPECT_EQ(directoryCaption(1), QStringLiteral("Directory fonts: 0"));
    EXPECT_EQ(directoryCaption(6), QStringLiteral("Directory fonts: 5"));
    EXPECT_EQ(directoryCaption(0), QStringLiteral("Directory fonts: 0"));
    EXPECT_EQ(directoryCaption(3, 6), QStringLiteral("Directory fonts: 3/5"));
    EXPECT_EQ(directoryCaption(0, 6), QStringLiteral("Directory fonts: 5"));
    EXPECT_EQ(directoryCaption(-1, 6), QStringLiteral("Directory fonts: 5"));
}

TEST(FileListSelection, GridAndFileListMirrorEachOther) {
    // Grid rows 2 to 4 are file list positions 3 to 5.
    EXPECT_EQ(fileListPositionsForRows(2, 4, 10), (QList<int>{3, 4, 5}));
    // Clipped to the list; ".." is never selected.
    EXPECT_EQ(fileListPositionsForRows(2, 4, 5), (QList<int>{3, 4}));
    EXPECT_TRUE(fileListPositionsForRows(-1, -1, 5).isEmpty());
    EXPECT_TRUE(fileListPositionsForRows(3, 2, 5).isEmpty());

    EXPECT_EQ(gridRowsForSelection({3, 4, 5}), std::make_pair(2, 4));
    EXPECT_EQ(gridRowsForSelection({0, 5, 2}), std::make_pair(1, 4));
    EXPECT_FALSE(gridRowsForSelection({0}).has_value());
    EXPECT_FALSE(gridRowsForSelection({}).has_value());
}

TEST_F(FileListTest, DriveReadinessAndMessage) {
    FakeDrives drives;
    drives.setDrives({{QStringLiteral("/"), DriveType::Fixed},
                      {QStringLiteral("/media/usb"), DriveType::Removable}});
    drives.setReady({QStringLiteral("/")});
    EXPECT_TRUE(IsDriveReady(drives, QStringLiteral("/")));
    EXPECT_FALSE(IsDriveReady(drives, QStringLiteral("/media/usb")));
    EXPECT_EQ(driveNotReadyMessage(QStringLiteral("/media/usb")),
              QStringLiteral("Drive /media/usb is empty. Try again!"));
}

TEST(FontDataTable, ColumnsHoldTheNamesInTheirPlaces) {
    TFontNames names;
    for (int i = 0; i < TFontNames::count; ++i) {
        names.at(i) = QStringLiteral("n%1").arg(i);
    }
    const FontDataRow row = fontDataRow(names, QStringLiteral("s/x.ttf"));
    EXPECT_EQ(row,
              (FontDataRow{names.Family, names.Subfamily, "s/x.ttf", names.Name, names.Version,
                           names.Identifier, names.Copyright, names.Trademark, names.Postscript}));
    EXPECT_EQ(namesOfRow(row), names);

    FontListing listing;
    EXPECT_EQ(listing.rowCount(), 1);
    EXPECT_EQ(listing.row(-1), FontDataRow{});
    EXPECT_EQ(listing.row(3), FontDataRow{});
    EXPECT_EQ(listing.path(0), QString());
}
