#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "platform/profile.h"
#include "sandbox.h"

namespace {

const QString kIni = QStringLiteral("ke-TD2.ini");

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The child half of the two-writer test: started with --profile-writer <folder> <prefix>, the
// program writes 100 keys into one section and ends before the tests run.
struct ProfileWriterChild {
    ProfileWriterChild() {
        std::ifstream cmdline("/proc/self/cmdline", std::ios::binary);
        const std::string all((std::istreambuf_iterator<char>(cmdline)), {});
        const QList<QByteArray> args = QByteArray(all.data(), qsizetype(all.size())).split('\0');
        const qsizetype at = args.indexOf("--profile-writer");
        if (at < 0 || at + 2 >= args.size()) {
            return;
        }
        td::IniProfileFiles profiles(QString::fromLocal8Bit(args[at + 1]));
        const QString prefix = QString::fromLocal8Bit(args[at + 2]);
        int failures = 0;
        for (int i = 0; i < 100; ++i) {
            failures += profiles.writeInteger(kIni, QStringLiteral("Shared"),
                                              prefix + QString::number(i), i)
                            ? 0
                            : 1;
        }
        std::_Exit(failures == 0 ? 0 : 1);
    }
} g_profileWriterChild;

class ProfileTest : public tdtest::SandboxTest {
  protected:
    QString folder() const { return sandbox.configHome() + QStringLiteral("/kestro-typedeck"); }
    QString iniPath() const { return folder() + QLatin1Char('/') + kIni; }
};

// The same expectations hold for the files on disk and for the in-memory stand-in.
void checkProfileSemantics(td::ProfileFiles& profiles) {
    SCOPED_TRACE(profiles.folder().toStdString());
    EXPECT_EQ(profiles.readString(kIni, QStringLiteral("Menu"), QStringLiteral("menu1"),
                                  QStringLiteral("zip file")),
              QStringLiteral("zip file"));
    EXPECT_FALSE(profiles.readBool(kIni, QStringLiteral("Menu"), QStringLiteral("menu1b"), false));
    EXPECT_TRUE(profiles.sections(kIni).isEmpty());

    ASSERT_TRUE(profiles.writeString(kIni, QStringLiteral("Menu"), QStringLiteral("menu1"),
                                     QStringLiteral("/home/ann/a b.zip")));
    ASSERT_TRUE(profiles.writeBool(kIni, QStringLiteral("Menu"), QStringLiteral("menu1b"), true));
    ASSERT_TRUE(profiles.writeString(kIni, QStringLiteral("CopyMove"), QStringLiteral("CopyMove1"),
                                     QStringLiteral("/home/ann/Fonts/")));
    ASSERT_TRUE(profiles.writeInteger(kIni, QStringLiteral("MENU"), QStringLiteral("Count"), -3));

    EXPECT_EQ(profiles.readString(kIni, QStringLiteral("menu"), QStringLiteral("MENU1"), QString()),
              QStringLiteral("/home/ann/a b.zip"));
    EXPECT_TRUE(profiles.readBool(kIni, QStringLiteral("Menu"), QStringLiteral("Menu1B"), false));
    EXPECT_EQ(profiles.readInteger(kIni, QStringLiteral("Menu"), QStringLiteral("count"), 0), -3);
    EXPECT_EQ(profiles.sections(kIni),
              (QStringList{QStringLiteral("Menu"), QStringLiteral("CopyMove")}));
    EXPECT_EQ(
        profiles.keys(kIni, QStringLiteral("menu")),
        (QStringList{QStringLiteral("menu1"), QStringLiteral("menu1b"), QStringLiteral("Count")}));

    // A second write in other case replaces the value and keeps the stored spelling.
    ASSERT_TRUE(profiles.writeBool(kIni, QStringLiteral("menu"), QStringLiteral("MENU1B"), false));
    EXPECT_FALSE(profiles.readBool(kIni, QStringLiteral("Menu"), QStringLiteral("menu1b"), true));
    EXPECT_EQ(profiles.keys(kIni, QStringLiteral("Menu")).at(1), QStringLiteral("menu1b"));

    // Booleans: any whole number other than 0 is true, anything else the default.
    ASSERT_TRUE(profiles.writeString(kIni, QStringLiteral("Menu"), QStringLiteral("menu2b"),
                                     QStringLiteral("2")));
    ASSERT_TRUE(profiles.writeString(kIni, QStringLiteral("Menu"), QStringLiteral("menu3b"),
                                     QStringLiteral("yes")));
    ASSERT_TRUE(profiles.writeString(kIni, QStringLiteral("Menu"), QStringLiteral("menu4b"),
                                     QStringLiteral("1x")));
    EXPECT_TRUE(profiles.readBool(kIni, QStringLiteral("Menu"), QStringLiteral("menu2b"), false));
    EXPECT_FALSE(profiles.readBool(kIni, QStringLiteral("Menu"), QStringLiteral("menu3b"), false));
    EXPECT_TRUE(profiles.readBool(kIni, QStringLiteral("Menu"), QStringLiteral("menu3b"), true));
    EXPECT_EQ(profiles.readInteger(kIni, QStringLiteral("Menu"), QStringLiteral("menu4b"), 7), 7);

    // What could not be read back as written is refused and changes nothing.
    const QStringList before = profiles.keys(kIni, QStringLiteral("Menu"));
    EXPECT_FALSE(profiles.writeString(kIni, QStringLiteral("Menu"), QStringLiteral("menu5"),
                                      QStringLiteral("two\nlines")));
    EXPECT_FALSE(profiles.writeString(kIni, QStringLiteral("Menu"), QStringLiteral("a=b"),
                                      QStringLiteral("x")));
    EXPECT_FALSE(profiles.writeString(kIni, QStringLiteral("Me]nu"), QStringLiteral("k"),
                                      QStringLiteral("x")));
    EXPECT_FALSE(profiles.writeString(kIni, QStringLiteral("Menu"), QStringLiteral("[k"),
                                      QStringLiteral("x")));
    EXPECT_FALSE(
        profiles.writeString(kIni, QStringLiteral("Menu"), QString(), QStringLiteral("x")));
    EXPECT_FALSE(profiles.writeString(QString(), QStringLiteral("Menu"), QStringLiteral("k"),
                                      QStringLiteral("x")));
    EXPECT_EQ(profiles.keys(kIni, QStringLiteral("Menu")), before);

    // Values keep '=', quotes inside and non-ASCII text.
    const QString odd = QStringLiteral("a=b \"c\" \u00e9\u65e5");
    ASSERT_TRUE(
        profiles.writeString(kIni, QStringLiteral("CopyMove"), QStringLiteral("CopyMove2"), odd));
    EXPECT_EQ(profiles.readString(kIni, QStringLiteral("CopyMove"), QStringLiteral("CopyMove2"),
                                  QString()),
              odd);

    EXPECT_TRUE(profiles.deleteKey(kIni, QStringLiteral("menu"), QStringLiteral("COUNT")));
    EXPECT_EQ(profiles.readInteger(kIni, QStringLiteral("Menu"), QStringLiteral("Count"), 99), 99);
    EXPECT_TRUE(profiles.eraseSection(kIni, QStringLiteral("copymove")));
    EXPECT_EQ(profiles.sections(kIni), QStringList{QStringLiteral("Menu")});
    EXPECT_TRUE(profiles.eraseSection(kIni, QStringLiteral("never there")));
}

}  // namespace

TEST_F(ProfileTest, FilesBehaveLikeWindowsProfiles) {
    td::IniProfileFiles profiles;
    EXPECT_EQ(profiles.folder(), folder() + QLatin1Char('/'));
    EXPECT_EQ(profiles.pathOf(kIni), iniPath());
    EXPECT_EQ(profiles.pathOf(QStringLiteral("/x/y.ini")), QStringLiteral("/x/y.ini"));
    checkProfileSemantics(profiles);
    EXPECT_TRUE(QFileInfo(iniPath()).isFile());
}

TEST_F(ProfileTest, MemoryFilesBehaveTheSame) {
    td::MemoryProfileFiles profiles;
    checkProfileSemantics(profiles);
    EXPECT_TRUE(
        profiles.contents(kIni).startsWith(QStringLiteral("[Menu]\nmenu1=/home/ann/a b.zip\n")));
    profiles.setReadOnly(true);
    EXPECT_FALSE(profiles.writeString(kIni, QStringLiteral("Menu"), QStringLiteral("menu1"),
                                      QStringLiteral("x")));
}

TEST_F(ProfileTest, FileIsCreatedByTheFirstWriteOnly) {
    td::IniProfileFiles profiles;
    EXPECT_EQ(profiles.readString(kIni, QStringLiteral("Menu"), QStringLiteral("menu1"),
                                  QStringLiteral("zip file")),
              QStringLiteral("zip file"));
    EXPECT_TRUE(profiles.deleteKey(kIni, QStringLiteral("Menu"), QStringLiteral("menu1")));
    EXPECT_FALSE(QFileInfo::exists(folder()));
    ASSERT_TRUE(profiles.writeBool(kIni, QStringLiteral("Menu"), QStringLiteral("menu1b"), false));
    EXPECT_EQ(readAll(iniPath()), QByteArray("[Menu]\nmenu1b=0\n"));
    ASSERT_TRUE(profiles.writeString(kIni, QStringLiteral("CopyMove"), QStringLiteral("CopyMove1"),
                                     QStringLiteral("copydir")));
    ASSERT_TRUE(profiles.writeString(kIni, QStringLiteral("Menu"), QStringLiteral("menu1"),
                                     QStringLiteral("zip file")));
    EXPECT_EQ(readAll(iniPath()),
              QByteArray("[Menu]\nmenu1b=0\nmenu1=zip file\n[CopyMove]\nCopyMove1=copydir\n"));
    // Only the profile file is left in the folder: no temporary or lock files.
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList{kIni});
}

TEST_F(ProfileTest, HandWrittenAndDamagedFilesAreReadAndKept) {
    const QByteArray text =
        "; kept comment\r\n"
        "stray line before any section\r\n"
        "[ Menu ]\r\n"
        "  menu1 =  \"/quoted/path.zip\"  \r\n"
        "menu2='single'\r\n"
        "no equals sign here\r\n"
        "\r\n"
        "[CopyMove\r\n"
        "CopyMove1=/fonts/\r\n"
        "\x01\x02 binary \xff\xfe=\r\n";
    sandbox.writeFile(QStringLiteral("config/kestro-typedeck/ke-TD2.ini"), text);
    td::IniProfileFiles profiles;
    EXPECT_EQ(profiles.readString(kIni, QStringLiteral("menu"), QStringLiteral("menu1"), QString()),
              QStringLiteral("/quoted/path.zip"));
    EXPECT_EQ(profiles.readString(kIni, QStringLiteral("Menu"), QStringLiteral("menu2"), QString()),
              QStringLiteral("single"));
    EXPECT_EQ(profiles.readString(kIni, QStringLiteral("CopyMove"), QStringLiteral("CopyMove1"),
                                  QString()),
              QStringLiteral("/fonts/"));
    EXPECT_EQ(profiles.readString(kIni, QStringLiteral("Menu"),
                                  QStringLiteral("no equals sign here"), QStringLiteral("default")),
              QStringLiteral("default"));

    ASSERT_TRUE(profiles.writeString(kIni, QStringLiteral("Menu"), QStringLiteral("menu3"),
                                     QStringLiteral("new")));
    const QByteArray after = readAll(iniPath());
    // Every line that was there stays, the new key goes at the end of its section.
    for (const char* line : {"; kept comment", "stray line before any section", "[ Menu ]",
                             "no equals sign here", "[CopyMove", "CopyMove1=/fonts/"}) {
        EXPECT_TRUE(after.contains(QByteArray(line) + "\n")) << line;
    }
    EXPECT_TRUE(after.contains("no equals sign here\nmenu3=new\n\n[CopyMove")) << after.constData();
    EXPECT_EQ(profiles.readString(kIni, QStringLiteral("Menu"), QStringLiteral("menu1"), QString()),
              QStringLiteral("/quoted/path.zip"));
}

TEST_F(ProfileTest, UnwritableFolderLeavesTheFileAsItWas) {
    td::IniProfileFiles profiles;
    ASSERT_TRUE(profiles.writeString(kIni, QStringLiteral("Menu"), QStringLiteral("menu1"),
                                     QStringLiteral("/a.zip")));
    const QByteArray before = readAll(iniPath());

    ASSERT_TRUE(QFile::setPermissions(iniPath(), QFileDevice::ReadOwner));
    EXPECT_FALSE(profiles.writeString(kIni, QStringLiteral("Menu"), QStringLiteral("menu1"),
                                      QStringLiteral("/b.zip")));
    ASSERT_TRUE(QFile::setPermissions(iniPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    ASSERT_TRUE(QFile::setPermissions(folder(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    EXPECT_FALSE(profiles.writeString(kIni, QStringLiteral("Menu"), QStringLiteral("menu2"),
                                      QStringLiteral("/c.zip")));
    EXPECT_FALSE(profiles.writeString(QStringLiteral("ke-TD1.ini"), QStringLiteral("A"),
                                      QStringLiteral("b"), QStringLiteral("c")));
    EXPECT_FALSE(profiles.eraseSection(kIni, QStringLiteral("Menu")));
    EXPECT_EQ(readAll(iniPath()), before);
    EXPECT_EQ(profiles.readString(kIni, QStringLiteral("Menu"), QStringLiteral("menu1"), QString()),
              QStringLiteral("/a.zip"));
}

TEST_F(ProfileTest, MissingOrBlockedConfigFolderGivesDefaults) {
    sandbox.writeFile(QStringLiteral("config/kestro-typedeck"), "not a folder");
    td::IniProfileFiles profiles;
    EXPECT_EQ(profiles.readString(kIni, QStringLiteral("Menu"), QStringLiteral("menu1"),
                                  QStringLiteral("zip file")),
              QStringLiteral("zip file"));
    EXPECT_FALSE(profiles.writeString(kIni, QStringLiteral("Menu"), QStringLiteral("menu1"),
                                      QStringLiteral("x")));
    EXPECT_EQ(readAll(sandbox.configHome() + QStringLiteral("/kestro-typedeck")),
              QByteArray("not a folder"));

    // A profile file name that is a folder reads as empty and is not replaced.
    td::IniProfileFiles elsewhere(sandbox.path(QStringLiteral("other")));
    QDir().mkpath(sandbox.path(QStringLiteral("other/dir.ini")));
    EXPECT_EQ(elsewhere.readInteger(QStringLiteral("dir.ini"), QStringLiteral("A"),
                                    QStringLiteral("b"), 5),
              5);
    EXPECT_FALSE(elsewhere.writeInteger(QStringLiteral("dir.ini"), QStringLiteral("A"),
                                        QStringLiteral("b"), 1));
    EXPECT_TRUE(QFileInfo(sandbox.path(QStringLiteral("other/dir.ini"))).isDir());
}

TEST_F(ProfileTest, TwoProcessesWritingOneFileKeepAllKeys) {
    const QString program = QCoreApplication::applicationFilePath();
    QProcess first;
    QProcess second;
    first.start(program, {QStringLiteral("--profile-writer"), folder(), QStringLiteral("a")});
    second.start(program, {QStringLiteral("--profile-writer"), folder(), QStringLiteral("b")});
    ASSERT_TRUE(first.waitForFinished(-1));
    ASSERT_TRUE(second.waitForFinished(-1));
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_EQ(second.exitCode(), 0);
    td::IniProfileFiles profiles;
    EXPECT_EQ(profiles.keys(kIni, QStringLiteral("Shared")).size(), 200);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(
            profiles.readInteger(kIni, QStringLiteral("shared"), QStringLiteral("a%1").arg(i), -1),
            i);
        EXPECT_EQ(
            profiles.readInteger(kIni, QStringLiteral("shared"), QStringLiteral("B%1").arg(i), -1),
            i);
    }
}
