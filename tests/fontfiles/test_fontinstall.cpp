#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>

#include "fontfiles/fontinstall.h"
#include "platform/fontskey.h"
#include "platform/fonttable.h"
#include "platform/registry.h"
#include "sandbox.h"
#include "scripted_dialogs.h"
#include "testfiles.h"

namespace {

using td::BoxAnswer;
using td::RootKey;

class FontInstall : public tdtest::SandboxTest {
  protected:
    tdtest::ScriptedDialogs dialogs;
    td::MemoryRegistry registry;
    QString listed;
    QString fontsFolder;
    QStringList activated;

    void SetUp() override {
        registry.createKey(RootKey::LocalMachine, QString::fromUtf16(td::kFontsKeyPath));
        listed = sandbox.path("listed");
        fontsFolder = sandbox.path("fontsdir") + "/";
        sandbox.writeFile("listed/regular.ttf", "regular");
        sandbox.writeFile("listed/bold one.ttf", "bold");
        sandbox.writeFile("listed/damaged.ttf", "xx");
        sandbox.writeFile("tmp/zipped.ttf", "zipped");
    }
    std::unique_ptr<td::RegistryKey> key() {
        return registry.openKey(RootKey::LocalMachine, QString::fromUtf16(td::kFontsKeyPath),
                                false);
    }
    QStringList install(int viewMode, const QList<td::InstallItem>& items, int listCount = 4,
                        bool anything = true) {
        td::InstallJob job{viewMode,  listed, sandbox.tempDir(), fontsFolder,
                           listCount, items,  anything};
        return td::installFonts(dialogs, nullptr, registry, job,
                                [this](const QString& path) { activated << path; });
    }
};

}  // namespace

TEST_F(FontInstall, NoInstallsInPlaceYesCopiesAndOneFamilySharesOneValue) {
    dialogs.answer(BoxAnswer::No).answer(BoxAnswer::Yes).answer(BoxAnswer::No);
    const QStringList installed =
        install(1, {{"regular.ttf", "Sans"}, {"bold one.ttf", "Sans"}, {"damaged.ttf", ""}});
    EXPECT_EQ(dialogs.boxTexts(), (QStringList{"Copy regular.ttf to default fonts directory?",
                                               "Copy bold one.ttf to default fonts directory?",
                                               "Copy damaged.ttf to default fonts directory?"}));
    EXPECT_EQ(dialogs.boxes().front().buttons, td::BoxButtons::YesNo);
    EXPECT_EQ(installed, (QStringList{listed + "/regular.ttf", fontsFolder + "bold one.ttf",
                                      listed + "/damaged.ttf"}));
    EXPECT_EQ(activated, installed);
    EXPECT_EQ(tdtest::fileBytes(fontsFolder + "bold one.ttf"), "bold");
    EXPECT_FALSE(QFile::exists(fontsFolder + "regular.ttf"));
    // The later font of the family wins the one value; a font without names gets " (True Type)".
    EXPECT_EQ(key()->valueNames(), (QStringList{"Sans (True Type)", " (True Type)"}));
    EXPECT_EQ(key()->readString("Sans (True Type)"), fontsFolder + "bold one.ttf");
    EXPECT_EQ(key()->readString(" (True Type)"), listed + "/damaged.ttf");
}

TEST_F(FontInstall, ArchiveFontsAreCopiedWithoutAQuestion) {
    EXPECT_EQ(install(3, {{"zipped.ttf", "Zip"}}), QStringList{fontsFolder + "zipped.ttf"});
    EXPECT_TRUE(dialogs.boxes().empty());
    EXPECT_EQ(tdtest::fileBytes(fontsFolder + "zipped.ttf"), "zipped");
    EXPECT_EQ(key()->readString("Zip (True Type)"), fontsFolder + "zipped.ttf");
}

TEST_F(FontInstall, NothingToInstallFailedCopiesAndUnwritableValuesAreReportedPerFont) {
    // Only "..": nothing; nothing selected: the message.
    EXPECT_TRUE(install(1, {}, 1, true).isEmpty());
    EXPECT_TRUE(dialogs.boxes().empty());
    dialogs.answer(BoxAnswer::Ok);
    EXPECT_TRUE(install(1, {}, 4, false).isEmpty());
    EXPECT_EQ(dialogs.boxTexts(), QStringList{"Select a font file first"});
    EXPECT_EQ(dialogs.beeps(), 1);

    // A fonts folder without write permission: the copy fails, is reported, and that font is
    // not registered; the next one (installed in place) still is.
    dialogs.clear();
    QDir().mkpath(fontsFolder);
    QFile::setPermissions(fontsFolder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    dialogs.answer(BoxAnswer::Yes).answer(BoxAnswer::Ok).answer(BoxAnswer::No);
    EXPECT_EQ(install(1, {{"regular.ttf", "Sans"}, {"damaged.ttf", "Odd"}}),
              QStringList{listed + "/damaged.ttf"});
    EXPECT_EQ(dialogs.boxTexts().at(1), "regular.ttf could not be copied to " + fontsFolder + ".");
    EXPECT_EQ(key()->valueNames(), QStringList{"Odd (True Type)"});

    // A store that cannot be written: each font's failure is shown and the loop goes on.
    dialogs.clear();
    activated.clear();
    registry.setReadOnly(RootKey::LocalMachine, true);
    dialogs.answer(BoxAnswer::No).answer(BoxAnswer::Ok).answer(BoxAnswer::No).answer(BoxAnswer::Ok);
    EXPECT_TRUE(install(1, {{"regular.ttf", "Sans"}, {"bold one.ttf", "Bold"}}).isEmpty());
    EXPECT_EQ(dialogs.boxTexts().at(1), "Failed to set data for 'Sans (True Type)'");
    EXPECT_EQ(dialogs.boxTexts().at(3), "Failed to set data for 'Bold (True Type)'");
    EXPECT_TRUE(activated.isEmpty());
    QFile::setPermissions(fontsFolder,
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::WriteOwner);
}

TEST_F(FontInstall, DeletingInstalledFontsAsksTwiceAndKeepsTheFileOnNo) {
    const QString kept = sandbox.writeFile("fontsdir/kept.ttf", "k");
    const QString bare = sandbox.writeFile("fontsdir/bare.ttf", "b");
    key()->writeString("Kept (True Type)", kept);
    key()->writeString("Bare Bold (True Type)", "bare.ttf");
    key()->writeString("Skipped (True Type)", kept);
    QStringList removed;
    QStringList released;
    dialogs.answer(BoxAnswer::Ok).answer(BoxAnswer::No);
    dialogs.answer(BoxAnswer::Cancel);
    dialogs.answer(BoxAnswer::Ok).answer(BoxAnswer::Yes);
    const QStringList deleted = td::deleteInstalledFonts(
        dialogs, nullptr, registry, fontsFolder,
        {{"Kept", "Kept (True Type);" + kept},
         {"Skipped", "Skipped (True Type);" + kept},
         {"Bare", "Bare Bold (True Type);bare.ttf"}},
        [&](const QString& path) { removed << path; },
        [&](const QString& path) { released << path; });
    EXPECT_EQ(dialogs.boxTexts(),
              (QStringList{"Delete Kept fonts ?", "Delete " + kept + " from disk?",
                           "Delete Skipped fonts ?", "Delete Bare fonts ?",
                           "Delete " + bare + " from disk?"}));
    EXPECT_EQ(dialogs.boxes().at(0).buttons, td::BoxButtons::OkCancel);
    EXPECT_EQ(dialogs.boxes().at(1).buttons, td::BoxButtons::YesNo);
    EXPECT_EQ(deleted, (QStringList{"Kept (True Type)", "Bare Bold (True Type)"}));
    EXPECT_EQ(key()->valueNames(), QStringList{"Skipped (True Type)"});
    EXPECT_EQ(removed, (QStringList{kept, "bare.ttf"}));
    EXPECT_EQ(released, (QStringList{kept, bare}));
    EXPECT_TRUE(QFile::exists(kept));
    EXPECT_FALSE(QFile::exists(bare));
}

TEST_F(FontInstall, AnInstalledFontIsSeenByOtherProgramsUntilItsValueIsDeleted) {
    // A desktop whose fontconfig sees one folder of its own and the user fonts folder.
    const QString system = sandbox.path("system");
    QDir().mkpath(system);
    QFile::copy(tdtest::dejaVuSans(), system + "/DejaVuSans.ttf");
    const QString serif = listed + "/DejaVu Serif.ttf";
    QFile::copy(tdtest::dejaVuSerif(), serif);
    sandbox.useFontFolders({system});
    td::QtFontTable table;
    td::FontconfigSystemFonts desktop{&table};
    desktop.refresh();
    td::MemoryRegistry fontsRegistry;
    td::installFontsKey(fontsRegistry, desktop);
    const auto families = [] {
        QProcess process;
        process.start("fc-list", {"--format", "%{family}\n"});
        process.waitForFinished(30000);
        return QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    };
    ASSERT_FALSE(families().contains("DejaVu Serif"));

    dialogs.answer(BoxAnswer::No);
    td::InstallJob job{
        1, listed, sandbox.tempDir(), fontsFolder, 2, {{"DejaVu Serif.ttf", "DejaVu Serif"}}, true};
    td::installFonts(dialogs, nullptr, fontsRegistry, job,
                     [&](const QString& path) { table.activate(path); });
    EXPECT_TRUE(families().contains("DejaVu Serif"));
    EXPECT_EQ(table.resolve("DejaVu Serif", {}, 12).source(), td::FontSource::ActiveFile);

    dialogs.answer(BoxAnswer::Ok).answer(BoxAnswer::No);
    td::deleteInstalledFonts(
        dialogs, nullptr, fontsRegistry, fontsFolder,
        {{"DejaVu Serif", "DejaVu Serif (True Type);" + serif}},
        [&](const QString& path) { table.deactivate(path); },
        [&](const QString& path) { table.deactivate(path); });
    EXPECT_FALSE(families().contains("DejaVu Serif"));
    EXPECT_TRUE(QFile::exists(serif));
    EXPECT_EQ(table.count(serif), 0);
    desktop.refresh();
}

// A font with CFF outlines registers its full name with " (OpenType)"; a collection of TrueType
// faces keeps the family name with " (True Type)".
TEST_F(FontInstall, OpenTypeFontsRegisterTheirFullNameAsOpenType) {
    sandbox.writeFile("listed/c.otf",
                      tdtest::fileBytes("/usr/share/fonts/opentype/cantarell/Cantarell-Bold.otf"));
    sandbox.writeFile("listed/w.ttc",
                      tdtest::fileBytes("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"));
    dialogs.answer(BoxAnswer::No).answer(BoxAnswer::No);
    install(1, {{"c.otf", "Cantarell", "Cantarell Bold"},
                {"w.ttc", "WenQuanYi Micro Hei", "WenQuanYi Micro Hei"}});
    EXPECT_EQ(key()->valueNames(),
              (QStringList{"Cantarell Bold (OpenType)", "WenQuanYi Micro Hei (True Type)"}));
    EXPECT_EQ(key()->readString("Cantarell Bold (OpenType)"), listed + "/c.otf");
}
