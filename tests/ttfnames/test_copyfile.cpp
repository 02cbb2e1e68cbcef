#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "sandbox.h"
#include "ttfnames/copyfile.h"

namespace {

QByteArray pattern(qsizetype size) {
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
    }
    return bytes;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    return file.readAll();
}

class CopyFile : public tdtest::SandboxTest {};

TEST_F(CopyFile, CopiesEveryByteWhateverTheLength) {
    // Lengths around the block size, multiples of it among them (they end on a read of 0 bytes).
    for (qsizetype size : {0, 1, 8191, 8192, 8193, 16384, 3 * 8192, 100000}) {
        const QByteArray bytes = pattern(size);
        const QString source = sandbox.writeFile(QStringLiteral("src%1.bin").arg(size), bytes);
        const QString destination = sandbox.path(QStringLiteral("dst%1.bin").arg(size));
        ASSERT_TRUE(td::CopyFileContents(source, destination)) << size;
        EXPECT_EQ(readAll(destination), bytes) << size;
        EXPECT_EQ(readAll(source), bytes) << size;
    }
}

TEST_F(CopyFile, TruncatesALongerDestination) {
    const QString source = sandbox.writeFile("short.bin", "short");
    const QString destination = sandbox.writeFile("long.bin", pattern(20000));
    ASSERT_TRUE(td::CopyFileContents(source, destination));
    EXPECT_EQ(readAll(destination), QByteArray("short"));
}

TEST_F(CopyFile, RelativeDestinationIsTakenFromTheCurrentFolder) {
    const QString source = sandbox.writeFile("in/font.ttf", pattern(9000));
    const QString folder = sandbox.path("work");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder));
    const bool copied = td::CopyFileContents(source, "copy.ttf");
    QDir::setCurrent(previous);
    ASSERT_TRUE(copied);
    EXPECT_EQ(readAll(folder + "/copy.ttf"), pattern(9000));
}

TEST_F(CopyFile, ASourceThatCannotBeReadLeavesTheDestinationAlone) {
    const QString destination = sandbox.writeFile("keep.bin", "precious");
    EXPECT_FALSE(td::CopyFileContents(sandbox.path("missing.bin"), destination));
    EXPECT_EQ(readAll(destination), QByteArray("precious"));

    const QString fresh = sandbox.path("fresh.bin");
    EXPECT_FALSE(td::CopyFileContents(sandbox.path("missing.bin"), fresh));
    EXPECT_FALSE(QFileInfo::exists(fresh));
}

TEST_F(CopyFile, ADestinationThatCannotBeCreatedIsReported) {
    const QString source = sandbox.writeFile("a.bin", pattern(100));
    EXPECT_FALSE(td::CopyFileContents(source, sandbox.path("no/such/folder/a.bin")));
    EXPECT_FALSE(td::CopyFileContents(source, sandbox.root()));  // a folder
    EXPECT_EQ(readAll(source), pattern(100));
}

TEST_F(CopyFile, ReadingAFolderIsAFailure) {
    const QString destination = sandbox.writeFile("d.bin", "data");
    EXPECT_FALSE(td::CopyFileContents(sandbox.root(), destination));
}

TEST_F(CopyFile, CopyingAFileOntoItselfKeepsIt) {
    const QString path = sandbox.writeFile("self.bin", pattern(12345));
    EXPECT_TRUE(td::CopyFileContents(path, path));
    EXPECT_EQ(readAll(path), pattern(12345));

    // The same file by another spelling of its path, and through a link.
    EXPECT_TRUE(td::CopyFileContents(path, sandbox.root() + "/./self.bin"));
    EXPECT_EQ(readAll(path), pattern(12345));
    const QString link = sandbox.path("link.bin");
    ASSERT_TRUE(QFile::link(path, link));
    EXPECT_TRUE(td::CopyFileContents(link, path));
    EXPECT_EQ(readAll(path), pattern(12345));
}

}  // namespace
