#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/error.h"
#include "platform/fontskey.h"
#include "platform/fonttable.h"
#include "platform/registry.h"
#include "sandbox.h"
#include "testfiles.h"

// Readable failures.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

using td::OfferedFace;
using td::RootKey;
using td::ValueType;

namespace {

const QString kPath = QString::fromUtf16(td::kFontsKeyPath);

std::unique_ptr<td::RegistryKey> fontsKey(td::Registry& registry) {
    return registry.openKey(RootKey::LocalMachine, "\\" + kPath, false);
}

// Every value of the key as "name=data".
QStringList values(td::Registry& registry) {
    QStringList all;
    const auto key = fontsKey(registry);
    for (const QString& name : key->valueNames()) {
        const bool text = key->valueType(name) == ValueType::String;
        all << name + "=" + (text ? key->readString(name) : QStringLiteral("#"));
    }
    return all;
}

// The child half of the two-copies test: started with --fonts-change <show|hide> <path>..., it
// makes the changes one after another through the desktop's fonts and ends before the tests
// run, with 0 when every change was made.
struct FontsChangeChild {
    FontsChangeChild() {
        std::ifstream cmdline("/proc/self/cmdline", std::ios::binary);
        const std::string all((std::istreambuf_iterator<char>(cmdline)), {});
        const QList<QByteArray> args = QByteArray(all.data(), qsizetype(all.size())).split('\0');
        const qsizetype at = args.indexOf("--fonts-change");
        if (at < 0 || at + 1 >= args.size()) {
            return;
        }
        const bool hide = args[at + 1] == "hide";
        td::FontconfigSystemFonts fonts;
        int failures = 0;
        for (qsizetype i = at + 2; i < args.size(); ++i) {
            if (args[i].isEmpty()) {
                continue;
            }
            try {
                const QString path = QString::fromLocal8Bit(args[i]);
                hide ? fonts.hide(path) : fonts.show(path);
            } catch (const td::Error&) {
                ++failures;
            }
        }
        std::_Exit(failures == 0 ? 0 : 1);
    }
} g_fontsChangeChild;

class FakeFontsKey : public tdtest::SandboxTest {
  protected:
    void SetUp() override {
        fonts.faces = {{"Sans (TrueType)", "/sys/sans.ttf"},
                       {"Sans Bold (TrueType)", "/sys/sansb.ttf"},
                       {"Serif (OpenType)", "/sys/serif.otf"}};
        td::installFontsKey(registry, fonts);
    }
    td::MemoryRegistry registry;
    td::FakeSystemFonts fonts;
};

TEST_F(FakeFontsKey, ListsStoredValuesFirstThenFacesNoValueNames) {
    EXPECT_EQ(values(registry),
              QStringList({"Sans (TrueType)=/sys/sans.ttf", "Sans Bold (TrueType)=/sys/sansb.ttf",
                           "Serif (OpenType)=/sys/serif.otf"}));
    const auto key = fontsKey(registry);
    key->writeString("Mine (True Type)", "/sys/serif.otf");  // names a face's file
    key->writeString("sans (truetype)", "/other/sans.ttf");  // takes a face's name
    key->writeString("Bare (True Type)", "bare.ttf");
    key->writeInteger("Number", 7);
    EXPECT_EQ(values(registry),
              QStringList({"Mine (True Type)=/sys/serif.otf", "sans (truetype)=/other/sans.ttf",
                           "Bare (True Type)=bare.ttf", "Number=#",
                           "Sans Bold (TrueType)=/sys/sansb.ttf"}));
    EXPECT_EQ(key->valueType("Number"), ValueType::DWord);
    EXPECT_EQ(key->valueType("SANS BOLD (TRUETYPE)"), ValueType::String);
    EXPECT_EQ(key->valueType("Serif (OpenType)"), ValueType::None);
    EXPECT_THROW(key->readInteger("Sans Bold (TrueType)"), td::Error);
    // Set values are shown by their full path, a bare name in the user fonts folder.
    EXPECT_EQ(fonts.shown, QStringList({"/sys/serif.otf", "/other/sans.ttf",
                                        td::userFontsFolder() + "/bare.ttf"}));
}

TEST_F(FakeFontsKey, DeletingHidesTheFileUnlessAnotherValueNamesIt) {
    const auto key = fontsKey(registry);
    key->writeString("A (True Type)", "/x/a.ttf");
    key->writeString("A2 (True Type)", "/x/a.ttf");
    EXPECT_TRUE(key->deleteValue("a (true type)"));
    EXPECT_TRUE(fonts.hidden.isEmpty());
    EXPECT_TRUE(key->deleteValue("A2 (True Type)"));
    EXPECT_TRUE(key->deleteValue("Sans Bold (TrueType)"));
    EXPECT_EQ(fonts.hidden, QStringList({"/x/a.ttf", "/sys/sansb.ttf"}));
    EXPECT_FALSE(key->deleteValue("Sans Bold (TrueType)"));
    EXPECT_FALSE(key->deleteValue("Nothing"));
    EXPECT_EQ(values(registry),
              QStringList({"Sans (TrueType)=/sys/sans.ttf", "Serif (OpenType)=/sys/serif.otf"}));
}

TEST_F(FakeFontsKey, AChangeThatCannotBeWrittenChangesNothing) {
    const auto key = fontsKey(registry);
    key->writeString("Kept (True Type)", "/x/kept.ttf");
    fonts.shown.clear();
    const QStringList before = values(registry);
    for (const bool readOnlyStore : {true, false}) {
        registry.setReadOnly(RootKey::LocalMachine, readOnlyStore);
        fonts.failChanges = !readOnlyStore;
        try {
            key->writeString("New (True Type)", "/x/new.ttf");
            ADD_FAILURE() << "the write went through";
        } catch (const td::Error& error) {
            EXPECT_EQ(error.message(), "Failed to set data for 'New (True Type)'");
        }
        EXPECT_THROW(key->writeString("Kept (True Type)", "/x/other.ttf"), td::Error);
        EXPECT_FALSE(key->deleteValue("Kept (True Type)"));
        EXPECT_FALSE(key->deleteValue("Sans (TrueType)"));
        EXPECT_EQ(values(registry), before) << readOnlyStore;
        EXPECT_TRUE(fonts.hidden.isEmpty());
    }
    EXPECT_TRUE(fonts.shown.isEmpty());
}

TEST(RejectFile, KeepsPathsExactlyAndReadsWhatItCanOfABrokenFile) {
    tdtest::Sandbox sandbox;
    const QStringList paths{"/a/b.ttf", "/odd/<&>\"'.ttf", "/star/*.ttf", "/q/?.ttf", "/ü/é.ttf"};
    const QString file = sandbox.writeFile("r.conf", td::rejectFileContents(paths));
    bool valid = false;
    EXPECT_EQ(td::readRejectedPaths(file, &valid), paths);
    EXPECT_TRUE(valid);
    const QByteArray text = td::rejectFileContents(paths);
    EXPECT_TRUE(text.contains("<glob>/a/b.ttf</glob>"));
    // A glob would match more than the one file: these become exact file patterns.
    EXPECT_FALSE(text.contains("<glob>/star/"));
    EXPECT_TRUE(text.contains("<string>/q/?.ttf</string>"));
    QByteArray broken = text.left(text.indexOf("/star/"));
    sandbox.writeFile("r.conf", broken);
    EXPECT_EQ(td::readRejectedPaths(file, &valid), paths.mid(0, 2));
    EXPECT_FALSE(valid);
    EXPECT_TRUE(td::readRejectedPaths(sandbox.path("missing.conf"), &valid).isEmpty());
    EXPECT_TRUE(valid);
}

// A fontconfig that sees a "system" folder of two fonts and the user fonts folder, and reads the
// user's conf.d, where the program's reject file lives.
class FontconfigFontsKey : public tdtest::SandboxTest {
  protected:
    void SetUp() override {
        QDir().mkpath(sandbox.path("system"));
        QDir().mkpath(sandbox.path("elsewhere"));
        sans = sandbox.path("system/DejaVuSans.ttf");
        bold = sandbox.path("system/DejaVuSans-Bold.ttf");
        serif = sandbox.path("elsewhere/DejaVuSerif.ttf");
        ASSERT_TRUE(QFile::copy(tdtest::dejaVuSans(), sans));
        ASSERT_TRUE(QFile::copy(tdtest::dejaVuSansBold(), bold));
        ASSERT_TRUE(QFile::copy(tdtest::dejaVuSerif(), serif));
        sandbox.useFontFolders({sandbox.path("system")});
        system.refresh();
        td::installFontsKey(registry, system);
    }
    void TearDown() override {
        // Whatever runs next starts from its own configuration.
        chmod(sandbox.configHome().toUtf8().constData(), 0755);
        system.refresh();
    }

    // The files `fc-list` (another program) lists.
    static QStringList fcList() {
        QProcess process;
        process.start("fc-list", {"--format", "%{file}\n"});
        process.waitForFinished(30000);
        QStringList files =
            QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        files.sort();
        return files;
    }

    td::FileRegistry registry;
    td::QtFontTable table;
    td::FontconfigSystemFonts system{&table};
    QString sans, bold, serif;
};

TEST_F(FontconfigFontsKey, ValuesSetAndDeletedChangeWhatEveryProgramSees) {
    EXPECT_EQ(values(registry), QStringList({"DejaVu Sans Bold (TrueType)=" + bold,
                                             "DejaVu Sans (TrueType)=" + sans}));
    EXPECT_EQ(fcList(), QStringList({bold, sans}));
    EXPECT_EQ(table.resolve("DejaVu Serif", {}, 12).source(), td::FontSource::Substitute);

    // A file fontconfig does not see is linked into the user fonts folder.
    const auto key = fontsKey(registry);
    key->writeString("DejaVu Serif (True Type)", serif);
    const QString link = sandbox.fontsDir() + "/DejaVuSerif.ttf";
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), serif);
    EXPECT_EQ(fcList(), QStringList({link, bold, sans}));
    EXPECT_EQ(values(registry), QStringList({"DejaVu Serif (True Type)=" + serif,
                                             "DejaVu Sans Bold (TrueType)=" + bold,
                                             "DejaVu Sans (TrueType)=" + sans}));
    EXPECT_EQ(table.resolve("DejaVu Serif", {}, 12).source(), td::FontSource::InstalledFamily);

    EXPECT_TRUE(key->deleteValue("DejaVu Serif (True Type)"));
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(serif));
    EXPECT_EQ(fcList(), QStringList({bold, sans}));
    EXPECT_EQ(table.resolve("DejaVu Serif", {}, 12).source(), td::FontSource::Substitute);
    EXPECT_FALSE(QFileInfo::exists(td::fontRejectFile()));

    // A desktop font is hidden by a rule and brought back, without a link, by a value for it.
    EXPECT_TRUE(key->deleteValue("DejaVu Sans Bold (TrueType)"));
    EXPECT_EQ(fcList(), QStringList({sans}));
    EXPECT_EQ(td::readRejectedPaths(td::fontRejectFile()), QStringList({bold}));
    EXPECT_EQ(values(registry), QStringList({"DejaVu Sans (TrueType)=" + sans}));
    key->writeString("Bold again (True Type)", bold);
    EXPECT_EQ(fcList(), QStringList({bold, sans}));
    EXPECT_TRUE(QDir(sandbox.fontsDir()).isEmpty());
    EXPECT_EQ(values(registry),
              QStringList({"Bold again (True Type)=" + bold, "DejaVu Sans (TrueType)=" + sans}));

    // A file copied into the user fonts folder just before is seen as it is, without a link.
    const QString copy = sandbox.fontsDir() + "/copied.ttf";
    ASSERT_TRUE(QFile::copy(serif, copy));
    key->writeString("Copied (True Type)", copy);
    EXPECT_EQ(QDir(sandbox.fontsDir()).entryList(QDir::Files), QStringList({"copied.ttf"}));
    EXPECT_EQ(fcList(), QStringList({copy, bold, sans}));
}

TEST_F(FontconfigFontsKey, LinksNeverReplaceAFileAndRepairABrokenRejectFile) {
    sandbox.writeFile("data/fonts/DejaVuSerif.ttf", "not this one");
    sandbox.writeFile("config/fontconfig/conf.d/77-kestro-typedeck.conf", "<fontconfig><sel");
    const auto key = fontsKey(registry);
    key->writeString("DejaVu Serif (True Type)", serif);
    EXPECT_EQ(QFileInfo(sandbox.fontsDir() + "/DejaVuSerif-2.ttf").symLinkTarget(), serif);
    EXPECT_EQ(tdtest::fileBytes(sandbox.fontsDir() + "/DejaVuSerif.ttf"), "not this one");
    EXPECT_TRUE(key->deleteValue("DejaVu Sans (TrueType)"));
    bool valid = false;
    EXPECT_EQ(td::readRejectedPaths(td::fontRejectFile(), &valid), QStringList({sans}));
    EXPECT_TRUE(valid);
    EXPECT_EQ(fcList(), QStringList({sandbox.fontsDir() + "/DejaVuSerif-2.ttf", bold}));
}

TEST_F(FontconfigFontsKey, AnUnwritableConfigFolderChangesNothing) {
    ASSERT_EQ(chmod(sandbox.configHome().toUtf8().constData(), 0555), 0);
    const auto key = fontsKey(registry);
    EXPECT_THROW(key->writeString("DejaVu Serif (True Type)", serif), td::Error);
    EXPECT_FALSE(key->deleteValue("DejaVu Sans (TrueType)"));
    EXPECT_TRUE(QDir(sandbox.fontsDir()).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(td::fontRejectFile()));
    EXPECT_EQ(fcList(), QStringList({bold, sans}));
    EXPECT_EQ(values(registry), QStringList({"DejaVu Sans Bold (TrueType)=" + bold,
                                             "DejaVu Sans (TrueType)=" + sans}));
}

TEST_F(FontconfigFontsKey, TwoCopiesChangingTheFontsAtOnceLoseNoChange) {
    QStringList first;
    QStringList second;
    for (int i = 0; i < 24; ++i) {
        const QString copy =
            sandbox.path(QStringLiteral("system/copy%1.ttf").arg(i, 2, 10, QChar('0')));
        ASSERT_TRUE(QFile::copy(tdtest::dejaVuSans(), copy));
        (i < 12 ? first : second) << copy;
    }
    // Two deletions at once; an installation (of fonts deleted before) beside a deletion.
    for (const char* firstChange : {"hide", "show"}) {
        SCOPED_TRACE(firstChange);
        QFile::remove(td::fontRejectFile());
        system.refresh();
        const bool showing = QByteArray(firstChange) == "show";
        for (const QString& file : showing ? first : QStringList()) {
            system.hide(file);
        }
        QProcess a;
        QProcess b;
        a.start(QCoreApplication::applicationFilePath(),
                QStringList{"--fonts-change", firstChange} + first);
        b.start(QCoreApplication::applicationFilePath(),
                QStringList{"--fonts-change", "hide"} + second);
        ASSERT_TRUE(a.waitForFinished(-1));
        ASSERT_TRUE(b.waitForFinished(-1));
        EXPECT_EQ(a.exitCode(), 0) << a.readAllStandardError().constData();
        EXPECT_EQ(b.exitCode(), 0) << b.readAllStandardError().constData();

        QStringList rejected = td::readRejectedPaths(td::fontRejectFile());
        rejected.sort();
        const QStringList expected = showing ? second : first + second;
        EXPECT_EQ(rejected, expected);
        QStringList offered = QStringList{bold, sans} + (showing ? first : QStringList());
        offered.sort();
        EXPECT_EQ(fcList(), offered);
    }
}

}  // namespace
