#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include <QDir>
#include <QFile>

#include "fontfiles/fileops.h"
#include "sandbox.h"
#include "scripted_dialogs.h"
#include "testfiles.h"

namespace {

using td::BoxAnswer;

constexpr QFileDevice::Permissions kReadOnly = QFileDevice::ReadOwner | QFileDevice::ReadUser |
                                               QFileDevice::ReadGroup | QFileDevice::ReadOther;
constexpr QFileDevice::Permissions kReadOnlyFolder = kReadOnly | QFileDevice::ExeOwner |
                                                     QFileDevice::ExeUser | QFileDevice::ExeGroup |
                                                     QFileDevice::ExeOther;

class FileOps : public tdtest::SandboxTest {
  protected:
    QString src;
    QString dst;
    void SetUp() override {
        src = sandbox.path("src");
        dst = sandbox.path("dst");
        QDir().mkpath(src);
        QDir().mkpath(dst);
    }
    QString put(const QString& path, const QByteArray& bytes) {
        return sandbox.writeFile(path, bytes);
    }
    td::FileSelection selection(const QStringList& entries) const {
        return {1, src, sandbox.tempDir(), entries};
    }
};

}  // namespace

TEST_F(FileOps, CopyAndMoveKeepEveryFileTheUserDidNotGiveUp) {
    struct Case {
        const char* what;
        bool move;
        bool destinationWritable;
        bool oldDestination;
        QByteArray expectedDestination;
        bool sourceStays;
    };
    const Case cases[] = {
        {"copy onto an existing file replaces it", false, true, true, "new", true},
        {"move onto an existing file replaces it and removes the source", true, true, true, "new",
         false},
        {"move into an empty folder", true, true, false, "new", false},
        {"failed move keeps source and old file", true, false, true, "old", true},
        {"failed copy keeps the old file", false, false, true, "old", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        put("src/a b'\"é.ttf", "new");
        QFile::remove(dst + "/a b'\"é.ttf");
        if (c.oldDestination) {
            put("dst/a b'\"é.ttf", "old");
        }
        QFile::setPermissions(dst, c.destinationWritable ? kReadOnlyFolder | QFileDevice::WriteOwner
                                                         : kReadOnlyFolder);
        const QStringList done = c.move ? td::moveSelectedFiles(selection({"a b'\"é.ttf"}), dst)
                                        : td::copySelectedFiles(selection({"a b'\"é.ttf"}), dst);
        QFile::setPermissions(dst, kReadOnlyFolder | QFileDevice::WriteOwner);
        EXPECT_EQ(done.size(), c.expectedDestination == "new" ? 1 : 0);
        EXPECT_EQ(tdtest::fileBytes(dst + "/a b'\"é.ttf"), c.expectedDestination);
        EXPECT_EQ(QFile::exists(src + "/a b'\"é.ttf"), c.sourceStays);
        // Nothing half-written is left beside the destination.
        EXPECT_LE(QDir(dst).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
}

TEST_F(FileOps, ACopyCutShortByAFullDiskLeavesTheOldFileWhole) {
    // A file size limit makes writes fail part-way, as a full file system does.
    put("src/big.ttf", QByteArray(64 * 1024, 'n'));
    put("dst/big.ttf", "old");
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 16 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const QStringList moved = td::moveSelectedFiles(selection({"big.ttf"}), dst);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_TRUE(moved.isEmpty());
    EXPECT_EQ(tdtest::fileBytes(dst + "/big.ttf"), "old");
    EXPECT_EQ(tdtest::fileBytes(src + "/big.ttf").size(), 64 * 1024);
    EXPECT_EQ(QDir(dst).entryList(QDir::Files | QDir::Hidden), QStringList{"big.ttf"});
}

TEST_F(FileOps, MoveIntoItsOwnFolderAndIntoAVanishedFolderKeepsTheFile) {
    put("src/x.ttf", "font");
    EXPECT_TRUE(td::moveSelectedFiles(selection({"x.ttf"}), src + "/").isEmpty());
    EXPECT_EQ(tdtest::fileBytes(src + "/x.ttf"), "font");
    EXPECT_TRUE(td::moveSelectedFiles(selection({"x.ttf"}), sandbox.path("gone")).isEmpty());
    EXPECT_TRUE(td::copySelectedFiles(selection({"x.ttf"}), sandbox.path("gone")).isEmpty());
    EXPECT_FALSE(QDir(sandbox.path("gone")).exists());
    EXPECT_EQ(tdtest::fileBytes(src + "/x.ttf"), "font");
    // A protected source is copied but stays.
    QFile::setPermissions(src + "/x.ttf", kReadOnly);
    EXPECT_TRUE(td::moveSelectedFiles(selection({"x.ttf"}), dst).isEmpty());
    EXPECT_TRUE(QFile::exists(src + "/x.ttf"));
    EXPECT_EQ(tdtest::fileBytes(dst + "/x.ttf"), "font");
}

TEST_F(FileOps, EntriesResolveAgainstTheListedFolderOrTheExtractedCopies) {
    put("src/sub/deep.ttf", "deep");
    put("tmp/arc.ttf", "extracted");
    const QString elsewhere = sandbox.path("elsewhere");
    QDir().mkpath(elsewhere);
    const QString saved = QDir::currentPath();
    QDir::setCurrent(elsewhere);
    put("elsewhere/sub/deep.ttf", "wrong one");
    EXPECT_EQ(td::copySelectedFiles(selection({"sub/deep.ttf", "../escape.ttf"}), dst),
              QStringList{"sub/deep.ttf"});
    EXPECT_EQ(tdtest::fileBytes(dst + "/sub/deep.ttf"), "deep");

    td::FileSelection archive{3, src, sandbox.tempDir(), {"arc.ttf"}};
    EXPECT_EQ(td::moveSelectedFiles(archive, dst), QStringList{"arc.ttf"});
    EXPECT_EQ(tdtest::fileBytes(dst + "/arc.ttf"), "extracted");
    EXPECT_FALSE(QFile::exists(sandbox.tempDir() + "/arc.ttf"));
    QDir::setCurrent(saved);
}

TEST(RecentFolders, DoKeepsTheLastFiveNewestFirst) {
    td::RecentFolders folders;
    td::pushRecentFolder(folders, "/a/");
    EXPECT_EQ(folders[0].caption, "/a/");
    EXPECT_TRUE(folders[0].visible);
    EXPECT_FALSE(folders[1].visible);
    EXPECT_EQ(folders[1].caption, td::kUnusedRecentFolder);
    for (const char* folder : {"/b/", "/c/", "/a/", "/e/", "/f/"}) {
        td::pushRecentFolder(folders, folder);
    }
    QStringList captions;
    for (const td::RecentFolder& folder : folders) {
        EXPECT_TRUE(folder.visible);
        captions << folder.caption;
    }
    // A folder already listed is not looked for: "/a/" stands twice.
    EXPECT_EQ(captions, (QStringList{"/f/", "/e/", "/a/", "/c/", "/b/"}));
}

TEST_F(FileOps, DeletingListedFilesSkipsParentAndProtectedFiles) {
    tdtest::ScriptedDialogs dialogs;
    const QStringList list{"..", "a.ttf", "b.ttf", "c.ttf", "ro/d.ttf"};
    for (const QString& name : list.mid(1)) {
        put("src/" + name, "x");
    }
    QFile::setPermissions(src + "/b.ttf", kReadOnly);
    QFile::setPermissions(src + "/ro", kReadOnlyFolder);

    // Nothing selected: the message; ".." alone: nothing at all.
    dialogs.answer(BoxAnswer::Ok);
    EXPECT_FALSE(td::deleteListedFiles(dialogs, nullptr, src, list, {}));
    EXPECT_EQ(dialogs.boxTexts(), QStringList{"Select a font file first"});
    EXPECT_EQ(dialogs.beeps(), 1);
    dialogs.clear();
    EXPECT_TRUE(td::deleteListedFiles(dialogs, nullptr, src, list, {0}));
    EXPECT_TRUE(dialogs.boxes().empty());

    dialogs.answer(BoxAnswer::Ok).answer(BoxAnswer::Ok);
    EXPECT_TRUE(td::deleteListedFiles(dialogs, nullptr, src, list, {0, 1, 2, 3, 4}));
    EXPECT_EQ(dialogs.boxTexts(),
              (QStringList{td::readOnlyMessage("ro/d.ttf"), td::readOnlyMessage("b.ttf")}));
    EXPECT_EQ(dialogs.beeps(), 2);
    EXPECT_EQ(QDir(src).entryList(QDir::Files), QStringList{"b.ttf"});
    EXPECT_TRUE(QFile::exists(src + "/ro/d.ttf"));
    EXPECT_EQ(td::readOnlyMessage("f"),
              "f cannot be deleted.\n\r(Probably it is Read-Only)\n\rRemove protection and try "
              "again!");
    QFile::setPermissions(src + "/ro", kReadOnlyFolder | QFileDevice::WriteOwner);
}

TEST_F(FileOps, DeletingFoundFilesAsksFirstAndNamesEachProtectedPath) {
    tdtest::ScriptedDialogs dialogs;
    const QStringList rows{src + "/a.ttf", src + "/b.ttf", src + "/c.ttf"};
    for (const char* name : {"src/a.ttf", "src/b.ttf", "src/c.ttf"}) {
        put(name, "x");
    }
    QFile::setPermissions(src + "/b.ttf", kReadOnly);
    QStringList released;
    const auto release = [&](const QString& path) { released << path; };

    dialogs.answer(BoxAnswer::Cancel);
    EXPECT_FALSE(td::deleteFoundFiles(dialogs, nullptr, rows, release));
    EXPECT_EQ(QDir(src).entryList(QDir::Files).size(), 3);
    EXPECT_TRUE(released.isEmpty());

    dialogs.clear();
    dialogs.answer(BoxAnswer::Ok).answer(BoxAnswer::Ok);
    EXPECT_TRUE(td::deleteFoundFiles(dialogs, nullptr, rows, release));
    EXPECT_EQ(dialogs.boxTexts(),
              (QStringList{"Delete selected fonts ?", td::readOnlyMessage(src + "/b.ttf")}));
    EXPECT_EQ(dialogs.boxes().front().buttons, td::BoxButtons::OkCancel);
    EXPECT_EQ(QDir(src).entryList(QDir::Files), QStringList{"b.ttf"});
    EXPECT_EQ(released, (QStringList{src + "/a.ttf", src + "/b.ttf", src + "/c.ttf"}));
}
