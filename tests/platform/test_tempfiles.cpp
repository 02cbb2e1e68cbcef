#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include "platform/tempfiles.h"
#include "sandbox.h"

namespace {

class TempFilesTest : public tdtest::SandboxTest {};

}  // namespace

TEST_F(TempFilesTest, TempPathFollowsTmpdirWithATrailingSeparator) {
    td::SystemTempFiles temp;
    EXPECT_EQ(temp.tempPath(), sandbox.tempDir() + QLatin1Char('/'));
    const QString other = sandbox.path(QStringLiteral("other-tmp"));
    QDir().mkpath(other);
    qputenv("TMPDIR", other.toLocal8Bit() + "/");
    EXPECT_EQ(temp.tempPath(), other + QLatin1Char('/'));
    qputenv("TMPDIR", sandbox.tempDir().toLocal8Bit());
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
