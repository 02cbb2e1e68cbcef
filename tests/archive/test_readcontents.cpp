// Listing an archive from its local headers: the walk itself on bytes in memory, and
// ReadContents on files with its messages, errors and notifications.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "archive/tziparchive.h"
#include "archive/zipheaders.h"
#include "platform/error.h"
#include "platform/services.h"
#include "sandbox.h"
#include "scripted_dialogs.h"
#include "zipbytes.h"

using namespace ziptest;
using td::ZipDirEntry;

namespace {

QStringList names(const std::vector<ZipDirEntry>& entries) {
    QStringList out;
    for (const ZipDirEntry& e : entries) {
        out << e.FileName;
    }
    return out;
}

// The walk's outcome and the error text it raised, if any.
struct Walk {
    td::WalkResult result = td::WalkResult::Finished;
    QString error;
    std::vector<ZipDirEntry> entries;
};

Walk walk(const QByteArray& bytes) {
    Walk w;
    td::MemorySource source(bytes);
    try {
        w.result = td::walkLocalHeaders(source, w.entries);
    } catch (const td::Error& e) {
        w.error = e.message();
    }
    return w;
}

QByteArray twoEntryArchive() {
    return localEntry({.name = "a.ttf", .data = "AAAA"}) +
           localEntry({.name = "dir/b.ttf", .data = "BBBBBBB"}) + centralHeader("a.ttf") +
           endRecord();
}

}  // namespace

TEST(LocalHeaderWalk, ReadsEveryHeaderFieldAndName) {
    const Walk w = walk(localEntry({.name = "x.ttf",
                                    .data = "12345",
                                    .extra = QByteArray(6, 'e'),
                                    .flags = 0x0800,
                                    .uncompressedSize = 9}) +
                        endRecord());
    ASSERT_EQ(w.error, QString());
    ASSERT_EQ(w.entries.size(), 1u);
    const ZipDirEntry& e = w.entries[0];
    EXPECT_EQ(e.VersionNeeded, 20);
    EXPECT_EQ(e.Flags, 0x0800);
    EXPECT_EQ(e.CompressionMethod, 0);
    EXPECT_EQ(e.ModTime, 0x6000);
    EXPECT_EQ(e.ModDate, 0x5A21);
    EXPECT_EQ(e.Crc32, 0x12345678u);
    EXPECT_EQ(e.CompressedSize, 5u);
    EXPECT_EQ(e.UncompressedSize, 9u);
    EXPECT_EQ(e.FileNameLength, 5);
    EXPECT_EQ(e.ExtraFieldLength, 6);
    EXPECT_EQ(e.FileName, QStringLiteral("x.ttf"));
}

TEST(LocalHeaderWalk, ListsEntriesInFileOrderAndStopsAtTheCentralDirectory) {
    // A third local header after the central directory is never reached.
    const Walk w = walk(twoEntryArchive() + localEntry({.name = "late.ttf"}) + endRecord());
    EXPECT_EQ(w.error, QString());
    EXPECT_EQ(w.result, td::WalkResult::Finished);
    EXPECT_EQ(names(w.entries), QStringList({"a.ttf", "dir/b.ttf"}));
}

TEST(LocalHeaderWalk, EndRecordAloneOrNothingAtAllHasNoEntries) {
    for (const QByteArray& bytes : {endRecord(), QByteArray(), QByteArray(100, 'P')}) {
        const Walk w = walk(bytes);
        EXPECT_EQ(w.result, td::WalkResult::NoEntries);
        EXPECT_TRUE(w.entries.empty());
        EXPECT_EQ(w.error, QString());
    }
}

TEST(LocalHeaderWalk, SearchesAStubOfUpTo60000BytesForTheFirstHeader) {
    const QByteArray archive = twoEntryArchive();
    // 59,999 candidates before the "P" of the signature: it is candidate 60,000.
    EXPECT_EQ(names(walk(QByteArray(59999, 'x') + archive).entries),
              QStringList({"a.ttf", "dir/b.ttf"}));
    // One more and the search gives up.
    const Walk tooLong = walk(QByteArray(60000, 'x') + archive);
    EXPECT_EQ(tooLong.result, td::WalkResult::NoEntries);
    EXPECT_TRUE(tooLong.entries.empty());
    // Bytes after a "P" that break the signature are not counted, so a stub full of broken
    // signatures can be longer than 60,000 bytes.
    QByteArray broken;
    for (int i = 0; i < 40000; ++i) {
        broken += "PK";
    }
    EXPECT_EQ(walk(broken + archive).entries.size(), 2u);
}

TEST(LocalHeaderWalk, ZeroLengthAndOddNames) {
    const Walk w = walk(localEntry({.name = "", .data = "abcd"}) +
                        localEntry({.name = QByteArray("cut\0here", 8), .data = "x"}) +
                        localEntry({.name = "caf\xc3\xa9.ttf"}) +
                        localEntry({.name = "\xe9t\xe9.ttf"}) + endRecord());
    ASSERT_EQ(w.error, QString());
    ASSERT_EQ(w.entries.size(), 4u);
    EXPECT_EQ(w.entries[0].FileName, QString());
    EXPECT_EQ(w.entries[1].FileName, QStringLiteral("cut"));
    EXPECT_EQ(w.entries[1].FileNameLength, 8);
    EXPECT_EQ(w.entries[2].FileName, QString::fromUtf8("caf\xc3\xa9.ttf"));
    EXPECT_EQ(w.entries[3].FileName, QString::fromLatin1("\xe9t\xe9.ttf"));
}

TEST(LocalHeaderWalk, NamesLongerThan256BytesAreReadWhole) {
    const QByteArray longName = QByteArray(300, 'n') + ".ttf";
    const Walk w = walk(localEntry({.name = longName, .data = "zz"}) +
                        localEntry({.name = "next.ttf"}) + endRecord());
    ASSERT_EQ(w.error, QString());
    EXPECT_EQ(names(w.entries), QStringList({QString::fromLatin1(longName), "next.ttf"}));
}

TEST(LocalHeaderWalk, SizesInADataDescriptorAreSteppedOverFourBytesAtATime) {
    QByteArray descriptor;
    put32(descriptor, 0x08074B50);
    put32(descriptor, 0x11111111);
    put32(descriptor, 8);
    put32(descriptor, 8);
    const QByteArray archive = localEntry({.name = "streamed.ttf", .data = "", .flags = 0x0008}) +
                               "12345678" + descriptor +
                               localEntry({.name = "after.ttf", .data = "abc"}) + endRecord();
    const Walk w = walk(archive);
    EXPECT_EQ(w.error, QString());
    EXPECT_EQ(names(w.entries), QStringList({"streamed.ttf", "after.ttf"}));
    EXPECT_EQ(w.entries[0].CompressedSize, 0u);
}

TEST(LocalHeaderWalk, ReadingErrorsKeepTheEntriesReadBeforeThem) {
    const QByteArray first = localEntry({.name = "one.ttf", .data = "1111"});
    // Data reaching into the last 22 bytes: the entry itself is kept.
    {
        const Walk w =
            walk(first + localEntry({.name = "two.ttf", .data = "22"}) + QByteArray(20, '\0'));
        EXPECT_EQ(w.error, QStringLiteral("Error 3 reading Zip file"));
        EXPECT_EQ(names(w.entries), QStringList({"one.ttf", "two.ttf"}));
    }
    // A size that claims far more than the file holds.
    {
        const Walk w = walk(
            first + localEntry({.name = "big.ttf", .data = "x", .compressedSize = 0xFFFFFFFF}) +
            endRecord());
        EXPECT_EQ(w.error, QStringLiteral("Error 3 reading Zip file"));
        EXPECT_EQ(w.entries.size(), 2u);
    }
    // A header cut short, and a name cut short: that record is not kept.
    {
        const QByteArray second = localEntry({.name = "second.ttf", .data = "x"});
        Walk w = walk(first + second.left(28));
        EXPECT_EQ(w.error, QStringLiteral("Error 2 reading Zip file"));
        EXPECT_EQ(names(w.entries), QStringList({"one.ttf"}));
        w = walk(first + second.left(33));
        EXPECT_EQ(w.error, QStringLiteral("Error 2 reading Zip file"));
        EXPECT_EQ(names(w.entries), QStringList({"one.ttf"}));
    }
    // No end: signatures run out with fewer than four bytes left.
    {
        const Walk w = walk(first + QByteArray(23, '\0'));
        EXPECT_EQ(w.error, QStringLiteral("Error reading Zip File"));
        EXPECT_EQ(names(w.entries), QStringList({"one.ttf"}));
    }
}

class ReadContentsTest : public tdtest::SandboxTest {
  protected:
    tdtest::ScriptedDialogs dialogs;
    td::Services services{&dialogs, nullptr, nullptr};
    td::TZipArchive zip{services};
    int dirUpdates = 0;

    void SetUp() override {
        zip.OnDirUpdate = [this](QObject* sender) {
            EXPECT_EQ(sender, &zip);
            ++dirUpdates;
        };
    }
};

TEST_F(ReadContentsTest, AssigningTheNameReadsTheArchiveEveryTime) {
    const QString path = sandbox.writeFile("fonts.zip", twoEntryArchive());
    zip.setZipFilename(path);
    EXPECT_EQ(zip.ZipFilename(), path);
    EXPECT_EQ(names(zip.Contents()), QStringList({"a.ttf", "dir/b.ttf"}));
    EXPECT_EQ(dirUpdates, 1);

    // The same name again reads the changed file again.
    sandbox.writeFile("fonts.zip", localEntry({.name = "c.ttf"}) + endRecord());
    zip.setZipFilename(path);
    EXPECT_EQ(names(zip.Contents()), QStringList({"c.ttf"}));
    EXPECT_EQ(zip.Count(), 1);
    EXPECT_EQ(dirUpdates, 2);
    EXPECT_TRUE(dialogs.boxes().empty());
}

TEST_F(ReadContentsTest, MissingFileEmptyNameAndFolderGiveNoEntriesAndNoMessage) {
    zip.setZipFilename(sandbox.writeFile("old.zip", twoEntryArchive()));
    ASSERT_EQ(zip.Count(), 2);
    QDir().mkpath(sandbox.path("folder.zip"));
    int expectedUpdates = 1;
    for (const QString& name :
         {sandbox.path("missing.zip"), QString(), sandbox.path("folder.zip")}) {
        zip.setZipFilename(name);
        EXPECT_TRUE(zip.Contents().empty());
        EXPECT_EQ(dirUpdates, ++expectedUpdates);
    }
    EXPECT_TRUE(dialogs.boxes().empty());
}

TEST_F(ReadContentsTest, NoEntriesIsAMessageNotAnError) {
    dialogs.answer(td::BoxAnswer::Ok);
    zip.setZipFilename(sandbox.writeFile("empty.zip", endRecord()));
    EXPECT_TRUE(zip.Contents().empty());
    ASSERT_EQ(dialogs.boxes().size(), 1u);
    EXPECT_EQ(dialogs.boxes()[0].text, QStringLiteral("No valid zip entries found"));
    EXPECT_EQ(dialogs.boxes()[0].buttons, td::BoxButtons::Ok);
    EXPECT_EQ(dirUpdates, 1);
}

TEST_F(ReadContentsTest, AReadingErrorReachesTheCallerAfterTheNotification) {
    const QString path = sandbox.writeFile(
        "short.zip", localEntry({.name = "one.ttf", .data = "1"}) +
                         localEntry({.name = "two.ttf", .data = "22"}) + QByteArray(21, '\0'));
    bool notifiedFirst = false;
    zip.OnDirUpdate = [&](QObject*) { notifiedFirst = true; };
    try {
        zip.setZipFilename(path);
        ADD_FAILURE() << "no error raised";
    } catch (const td::Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Error 3 reading Zip file"));
    }
    EXPECT_TRUE(notifiedFirst);
    EXPECT_EQ(zip.ZipFilename(), path);
    EXPECT_EQ(names(zip.Contents()), QStringList({"one.ttf", "two.ttf"}));
}

TEST_F(ReadContentsTest, SelfExtractingArchiveWithAShortStubIsListed) {
    const QString path =
        sandbox.writeFile("fonts.EXE", QByteArray(30000, '\x90') + twoEntryArchive());
    zip.setZipFilename(path);
    EXPECT_EQ(names(zip.Contents()), QStringList({"a.ttf", "dir/b.ttf"}));
}

TEST_F(ReadContentsTest, ClearContentsEmptiesTheList) {
    zip.setZipFilename(sandbox.writeFile("fonts.zip", twoEntryArchive()));
    zip.ClearContents();
    EXPECT_TRUE(zip.Contents().empty());
}
