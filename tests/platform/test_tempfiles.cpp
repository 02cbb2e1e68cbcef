#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include "platform/tempfiles.h"
#include "sandbox.h"

using namespace Qt::StringLiterals;

namespace {

class TempFilesTest : public tdtest::SandboxTest {};

// The kind, owner and mode of `path` itself (a link is not followed).
struct stat statOf(const QString& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
    return info;
}

}  // namespace

TEST_F(TempFilesTest, TheTempPathIsAPrivateFolderInsideTmpdir) {
    const QString mine = sandbox.tempDir() + QStringLiteral("/kestro-typedeck-%1").arg(::geteuid());
    const QString elsewhere = sandbox.path(QStringLiteral("elsewhere"));
    QDir().mkpath(elsewhere);
    auto plant = [&](const QString& what) {
        if (what == u"own folder, open to all") {
            QDir().mkpath(mine);
            ::chmod(QFile::encodeName(mine).constData(), 0777);
        } else if (what == u"link to another folder") {
            QFile::link(elsewhere, mine);
        } else if (what == u"file") {
            sandbox.writeFile(mine.mid(sandbox.root().size() + 1), "x");
        } else if (what == u"another user's empty folder" && ::geteuid() == 0) {
            QDir().mkpath(mine);
            EXPECT_EQ(::chown(QFile::encodeName(mine).constData(), 4242, 4242), 0);
        }
    };
    td::SystemTempFiles temp;
    for (const QString& what :
         {u"nothing"_s, u"own folder, open to all"_s, u"link to another folder"_s, u"file"_s,
          u"another user's empty folder"_s}) {
        SCOPED_TRACE(what.toStdString());
        plant(what);
        EXPECT_EQ(temp.tempPath(), mine + u'/');
        const struct stat info = statOf(mine);
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_EQ(info.st_uid, ::geteuid());
        EXPECT_EQ(info.st_mode & 07777, 0700u);
        QFile::remove(mine);
        QDir().rmdir(mine);
    }
    EXPECT_TRUE(QFileInfo(elsewhere).isDir());
    EXPECT_TRUE(td::privateTempFolder(QString()).isEmpty());
}

TEST_F(TempFilesTest, ANameThatCannotBeFreedGivesAFreshPrivateFolder) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only the superuser can give a folder to another user";
    }
    const QString mine = sandbox.tempDir() + QStringLiteral("/kestro-typedeck-0");
    sandbox.writeFile(QStringLiteral("tmp/kestro-typedeck-0/theirs.ttf"), "x");
    ASSERT_EQ(::chown(QFile::encodeName(mine).constData(), 4242, 4242), 0);
    const QString fresh = td::privateTempFolder(sandbox.tempDir());
    EXPECT_TRUE(fresh.startsWith(mine + u'-')) << fresh.toStdString();
    const struct stat info = statOf(fresh);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_uid, 0u);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_TRUE(QFile::exists(mine + QStringLiteral("/theirs.ttf")));
}

TEST_F(TempFilesTest, NamesAreNewEmptyFilesFromThePrefixAndAHexNumber) {
    td::SystemTempFiles temp;
    const QString folder = temp.tempPath();
    static const QRegularExpression pattern(QStringLiteral("^~tt[0-9A-F]{4}\\.tmp$"));
    QSet<QString> names;
    for (int i = 0; i < 300; ++i) {
        const QString name = temp.tempFileName(folder, QStringLiteral("~ttf0402"));
        ASSERT_FALSE(name.isEmpty());
        const QFileInfo info(name);
        EXPECT_EQ(info.absolutePath() + QLatin1Char('/'), folder);
        EXPECT_TRUE(pattern.match(info.fileName()).hasMatch()) << name.toStdString();
        EXPECT_TRUE(info.isFile());
        EXPECT_EQ(info.size(), 0);
        names.insert(name);
    }
    // Every call made a file of its own, none reused an existing one.
    EXPECT_EQ(names.size(), 300);
    EXPECT_EQ(QDir(folder).entryList({QStringLiteral("~tt*.tmp")}, QDir::Files).size(), 300);
}

TEST_F(TempFilesTest, AGivenNumberMakesANameButNoFile) {
    td::SystemTempFiles temp;
    const QString folder = sandbox.tempDir();  // no trailing separator
    const QString name = temp.tempFileName(folder, QStringLiteral("abcdef"), 0x2a);
    EXPECT_EQ(name, folder + QStringLiteral("/abc002A.tmp"));
    EXPECT_FALSE(QFileInfo::exists(name));
    EXPECT_EQ(temp.tempFileName(folder, QStringLiteral("x"), 0x1beef),
              folder + QStringLiteral("/xBEEF.tmp"));
}

TEST_F(TempFilesTest, BadFoldersAndPrefixesGiveNoName) {
    td::SystemTempFiles temp;
    EXPECT_EQ(temp.tempFileName(sandbox.path(QStringLiteral("missing")), QStringLiteral("~tt")),
              QString());
    EXPECT_EQ(temp.tempFileName(QString(), QStringLiteral("~tt")), QString());
    EXPECT_EQ(temp.tempFileName(sandbox.tempDir(), QStringLiteral("../x")), QString());
    EXPECT_EQ(temp.tempFileName(sandbox.tempDir(), QStringLiteral("a/b")), QString());
    const QString file = sandbox.writeFile(QStringLiteral("plain"), "x");
    EXPECT_EQ(temp.tempFileName(file, QStringLiteral("~tt")), QString());
    // An empty prefix still gives a unique file.
    const QString bare = temp.tempFileName(sandbox.tempDir(), QString());
    EXPECT_TRUE(QFileInfo(bare).isFile()) << bare.toStdString();
    EXPECT_TRUE(bare.endsWith(QStringLiteral(".tmp")));
    // The folder holds nothing but that file afterwards.
    EXPECT_EQ(QDir(sandbox.tempDir()).entryList(QDir::Files).size(), 1);
}
