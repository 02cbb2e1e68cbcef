#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>
#include <utime.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <iostream>
#include <memory>

#include "platform/fontfilerule.h"
#include "sandbox.h"
#include "views/fontsearch.h"

using namespace td;

namespace {

// Seconds since 1970 of a local date and time.
std::int64_t localTime(int year, int month, int day, int hour, int minute, int second) {
    struct tm local {};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return static_cast<std::int64_t>(::mktime(&local));
}

SearchHit row(const QString& path, const QString& name, const QString& time, std::int64_t size) {
    SearchHit hit;
    hit.cells = {path, name, time, formatSearchSize(size)};
    return hit;
}

QStringList names(const std::vector<SearchHit>& hits) {
    QStringList list;
    for (const SearchHit& hit : hits) {
        list << hit.cells[kSearchPath] + hit.cells[kSearchName];
    }
    return list;
}

// Takes the calling thread's power to read every folder away while it lives, so that a test run
// as root meets an unreadable folder as a user does.
class WithoutReadOverride {
  public:
    WithoutReadOverride() {
        if (::syscall(SYS_capget, &m_header, m_saved) != 0) {
            return;
        }
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_changed = ::syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~WithoutReadOverride() {
        if (m_changed) {
            ::syscall(SYS_capset, &m_header, m_saved);
        }
    }
    WithoutReadOverride(const WithoutReadOverride&) = delete;
    WithoutReadOverride& operator=(const WithoutReadOverride&) = delete;

  private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_changed = false;
};

}  // namespace

TEST(FontSearch, MaskIsTheTextFollowedByTtfWithoutRegardToCase) {
    struct Case {
        const char* mask;
        QByteArray name;
        bool matches;
    };
    const Case cases[] = {
        {"*", "a.ttf", true},
        {"*", "B.TTF", true},
        {"*", ".dot.Ttf", true},
        {"*", "a.ttf.bak", false},
        {"*", "attf", false},
        {"*", "bad\xff.ttf", true},
        {"ab*", "Abc.TTF", true},
        {"ab*", "ab.ttf", true},
        {"ab*", "xab.ttf", false},
        {"ab*", "ac.ttf", false},
        {"a?c", "abc.ttf", true},
        {"a?c", "ac.ttf", false},
        {"a.b", "axb.ttf", false},
        {"[x]+", "[X]+.ttf", true},
        {"*", "new\nline.ttf", true},
        {"n*", "new\nline.ttf", true},
        {"ba*", "bad\xff.ttf", true},
        {"", ".ttf", true},
        // A character beyond U+FFFF is one character of the mask, for "?" too.
        {"\xf0\x9f\x98\x80*", "\xf0\x9f\x98\x80 smile.ttf", true},
        {"a?b",
         "a\xf0\x9f\x98\x80"
         "b.ttf",
         true},
        {"\xf0\x9f\x98\x80", "\xf0\x9f\x98\x81.ttf", false},
    };
    for (const Case& c : cases) {
        const FontNameMask mask(QString::fromUtf8(c.mask));
        EXPECT_EQ(mask.matches(c.name), c.matches) << c.mask << " " << c.name.constData();
    }
    // The other font kinds follow the mask text the same way; "TrueType files only (.ttf)",
    // as it was when the mask was made, keeps ".ttf" alone.
    const std::tuple<const char*, const char*, bool, bool> kinds[] = {
        {"ab*", "Abc.otf", true, false},  {"*", "WQY.TTC", true, false},
        {"wq?", "wqy.otc", true, false},  {"ab*", "abc.ttf", true, true},
        {"*", "a.otf.bak", false, false}, {"ab*", "xab.otc", false, false},
    };
    for (const bool trueTypeOnly : {false, true}) {
        for (const auto& [text, name, all, ttfOnly] : kinds) {
            td::setTrueTypeFilesOnly(trueTypeOnly);
            const FontNameMask mask(QString::fromUtf8(text));
            td::setTrueTypeFilesOnly(!trueTypeOnly);  // a later change does not reach the mask
            EXPECT_EQ(mask.matches(QByteArray(name)), trueTypeOnly ? ttfOnly : all) << name;
            EXPECT_EQ(mask.matches(QString::fromUtf8(name)), trueTypeOnly ? ttfOnly : all) << name;
        }
    }
    td::setTrueTypeFilesOnly(false);
}

TEST(FontSearch, TimesPassThroughTheDosFormatAndSizesFillTwelveCharacters) {
    const QString zero = QStringLiteral("1899 12/30 00:00:00");
    const std::pair<std::int64_t, QString> times[] = {
        {localTime(1999, 7, 14, 10, 32, 9), "1999 07/14 10:32:08"},
        {localTime(2001, 1, 2, 3, 4, 6), "2001 01/02 03:04:06"},
        {localTime(1980, 1, 1, 0, 0, 0), "1980 01/01 00:00:00"},
        {localTime(2107, 12, 31, 23, 59, 59), "2107 12/31 23:59:58"},
        {localTime(1975, 6, 1, 12, 0, 0), zero},
        {localTime(1979, 12, 31, 23, 59, 59), zero},
        {localTime(2108, 1, 1, 0, 0, 0), zero},
        {-1, zero},
    };
    for (const auto& [seconds, text] : times) {
        EXPECT_EQ(formatSearchTime(seconds), text) << seconds;
    }
    const std::pair<std::int64_t, QString> sizes[] = {
        {1234, "        1234"},
        {0, "           0"},
        {999999999999, "999999999999"},
        {1234567890123, "1234567890123"},  // longer numbers are not cut
    };
    for (const auto& [bytes, text] : sizes) {
        EXPECT_EQ(formatSearchSize(bytes), text);
    }
}

TEST(FontSearch, SortOrdersByTheColumnThenTheOthersAndKeepsCellsWhole) {
    const QString t = QStringLiteral("2000 01/01 00:00:00");
    struct Case {
        int column;
        std::vector<SearchHit> rows;
        QStringList order;
    };
    const Case cases[] = {
        // Sizes sort as numbers because they are right-aligned.
        {kSearchSize,
         {row("/a/", "x.ttf", t, 1000), row("/b/", "y.ttf", t, 999)},
         {"/b/y.ttf", "/a/x.ttf"}},
        // The same name in two folders goes by the folder.
        {kSearchName,
         {row("/z/", "f.ttf", t, 1), row("/a/", "F.TTF", t, 1), row("/m/", "e.ttf", t, 9)},
         {"/m/e.ttf", "/a/F.TTF", "/z/f.ttf"}},
        // "^" and ";" are ordinary characters of a cell.
        {kSearchName,
         {row("/p^q/", "b^c.ttf", t, 5), row("/p/", "b.ttf", t, 7)},
         {"/p/b.ttf", "/p^q/b^c.ttf"}},
        // Texts equal but for case: by the exact text.
        {kSearchPath,
         {row("/x/", "a.ttf", t, 1), row("/X/", "a.ttf", t, 1)},
         {"/X/a.ttf", "/x/a.ttf"}},
        // Time, then path.
        {kSearchTime,
         {row("/b/", "n.ttf", "2001 01/01 00:00:00", 1),
          row("/a/", "n.ttf", "2001 01/01 00:00:00", 1),
          row("/c/", "n.ttf", "1999 01/01 00:00:00", 1)},
         {"/c/n.ttf", "/a/n.ttf", "/b/n.ttf"}},
        // Past the last column: the whole row, path first.
        {kSearchColumns,
         {row("/b/", "a.ttf", t, 1), row("/a/", "z.ttf", t, 1)},
         {"/a/z.ttf", "/b/a.ttf"}},
    };
    for (const Case& c : cases) {
        std::vector<SearchHit> hits = c.rows;
        SortResults(hits, c.column);
        EXPECT_EQ(names(hits), c.order) << "column " << c.column;
    }
    // The moved rows keep their cells together.
    std::vector<SearchHit> hits = cases[2].rows;
    SortResults(hits, kSearchName);
    EXPECT_EQ(hits[1].cells[kSearchSize], formatSearchSize(5));
    EXPECT_EQ(hits[1].fullPath(), "/p^q/b^c.ttf");

    EXPECT_EQ(searchHeads(kSearchSize), (QStringList{"Path", "Name", "Time", "** Size"}));
    EXPECT_EQ(searchHeads(kSearchPath), (QStringList{"** Path", "Name", "Time", "Size"}));
    EXPECT_EQ(searchHeads(kSearchColumns), (QStringList{"Path", "Name", "Time", "Size"}));
}

class FontSearchTree : public tdtest::SandboxTest {};

TEST_F(FontSearchTree, WalkListsSubfoldersFirstAndKeepsOutOfHiddenLinkedAndLockedFolders) {
    const QString root = sandbox.path("drive");
    const QString top = sandbox.writeFile("drive/Top.TTF", QByteArray(1234, 'x'));
    const std::int64_t written = localTime(1999, 7, 14, 10, 32, 9);
    const struct utimbuf stamp { static_cast<time_t>(written), static_cast<time_t>(written) };
    ASSERT_EQ(::utime(QFile::encodeName(top).constData(), &stamp), 0);
    for (const char* file :
         {"drive/notes.txt", "drive/a.ttf.bak", "drive/odd^name;x.ttf", "drive/new\nline.ttf",
          "drive/.dot.ttf", "drive/sub/inner.ttf", "drive/sub/SUB2/deep.ttf", "drive/.hidden/h.ttf",
          "drive/folder.ttf/in.ttf", "drive/locked/l.ttf"}) {
        sandbox.writeFile(QString::fromUtf8(file), "x");
    }
    const QByteArray native = QFile::encodeName(root);
    // A name that is not UTF-8.
    const QByteArray badName = native + "/bad\xff.ttf";
    const int fd = ::open(badName.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    // The sandbox's clean-up goes by decoded names, which cannot reach this file.
    const std::unique_ptr<const char, int (*)(const char*)> removeBadName(badName.constData(),
                                                                          ::unlink);
    ASSERT_TRUE(QFile::link(root, root + "/loop"));  // a link back to the top
    ASSERT_TRUE(QFile::link(root + "/sub/inner.ttf", root + "/link.ttf"));
    ASSERT_EQ(::mkfifo((native + "/pipe.ttf").constData(), 0644), 0);
    const QByteArray locked = native + "/locked";
    ASSERT_EQ(::chmod(locked.constData(), 0), 0);

    std::vector<SearchHit> hits;
    int folders = 0;
    bool lockedReadable = true;
    {
        WithoutReadOverride asUser;
        const int probe = ::open(locked.constData(), O_RDONLY | O_DIRECTORY);
        lockedReadable = probe >= 0;
        if (probe >= 0) {
            ::close(probe);
        }
        SearchFolderTree(root, FontNameMask("*"), hits, [&] { ++folders; });
    }
    ::chmod(locked.constData(), 0755);

    QStringList expected{"folder.ttf/in.ttf", "locked/l.ttf",
                         "sub/SUB2/deep.ttf", "sub/inner.ttf",
                         ".dot.ttf",          QString::fromUtf8("bad\xff.ttf"),
                         "link.ttf",          "new\nline.ttf",
                         "odd^name;x.ttf",    "Top.TTF"};
    // Where even a folder of mode 000 can be read, it is walked like any other.
    if (!lockedReadable) {
        expected.removeOne("locked/l.ttf");
    } else {
        std::cout << "note: a folder of mode 000 stayed readable here\n";
    }
    QStringList found = names(hits);
    for (QString& path : found) {
        path.remove(0, root.size() + 1);
    }
    EXPECT_EQ(found, expected);
    EXPECT_GE(folders, 4);
    for (const SearchHit& hit : hits) {
        EXPECT_TRUE(hit.cells[kSearchPath].endsWith(u'/'));
        struct stat info {};
        EXPECT_EQ(::stat(hit.nativePath.constData(), &info), 0) << hit.nativePath.constData();
    }
    const SearchHit& last = hits.back();
    EXPECT_EQ(last.cells[kSearchPath], root + "/");
    EXPECT_EQ(last.cells[kSearchTime], "1999 07/14 10:32:08");
    EXPECT_EQ(last.cells[kSearchSize], "        1234");

    // Two drives, one of them gone: the other's hits, sorted by path; the mask narrows them.
    const std::vector<SearchHit> sorted =
        SearchDrives({sandbox.path("gone"), root + "/sub"}, "de*");
    EXPECT_EQ(names(sorted), (QStringList{root + "/sub/SUB2/deep.ttf"}));
}
