#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "app/settings.h"
#include "platform/fontfilerule.h"
#include "platform/registry.h"
#include "sandbox.h"

namespace {

using td::RootKey;
using td::SettingValue;
namespace setting = td::setting;

TEST(SettingsTable, DefaultsRangesAndOrderAreThoseOfTheStore) {
    EXPECT_EQ(setting::NrFile.defaultNumber, 0);
    EXPECT_EQ(setting::Image.defaultNumber, 0);
    EXPECT_EQ(setting::AutoRefresh.defaultNumber, 1);
    EXPECT_EQ(setting::Sizeofcharacters.defaultNumber, 9);
    EXPECT_EQ(setting::Sizeofcharacters.minimum, 6);
    EXPECT_EQ(setting::Sizeofcharacters.maximum, 100);
    EXPECT_EQ(setting::Sizeofbasefont.defaultNumber, 8);
    EXPECT_EQ(setting::Sizeofbasefont.minimum, 2);
    EXPECT_EQ(setting::Colors.defaultNumber, 1);
    EXPECT_EQ(setting::DIMFILE.defaultNumber, 1000000);
    EXPECT_STREQ(setting::Sampletext.defaultText, "abcdef ABCDEF 1234567890");
    EXPECT_STREQ(setting::Basefont.defaultText, "Arial");
    EXPECT_EQ(setting::charsize.defaultNumber, 30);
    EXPECT_EQ(setting::savedsize.defaultNumber, 500);
    EXPECT_EQ(setting::savedsize.minimum, 50);
    EXPECT_EQ(setting::savedsize.maximum, 2000);
    EXPECT_EQ(setting::savedsize.step, 10);
    EXPECT_EQ(setting::Quality.defaultNumber, 50);
    EXPECT_EQ(setting::Quality.minimum, 10);
    EXPECT_EQ(setting::Height.defaultNumber, 420);
    EXPECT_EQ(setting::Width.defaultNumber, 580);
    EXPECT_EQ(setting::Left.defaultNumber, 30);
    EXPECT_EQ(setting::Top.defaultNumber, 30);
    EXPECT_EQ(setting::TrueTypeOnly.defaultNumber, 0);

    QStringList saved;
    for (const td::SettingSpec* spec : td::kSavedOptions) {
        saved << QString::fromLatin1(spec->name);
    }
    EXPECT_EQ(saved,
              (QStringList{"NrFile", "Image", "AutoRefresh", "Sizeofcharacters", "Sizeofbasefont",
                           "Colors", "Sampletext", "Basefont", "charsize", "savedsize", "Quality",
                           "Browser", "Dfontdir", "Basedir", "TrueTypeOnly"}));
    // The pixel budget is read but never written.
    EXPECT_NE(std::find(td::kLoadedOptions.begin(), td::kLoadedOptions.end(), &setting::DIMFILE),
              td::kLoadedOptions.end());
}

TEST(SettingsStore, ReadsDefaultsClampsAndIgnoresCaseAndWrongTypes) {
    td::MemoryRegistry registry;
    auto key = registry.openKey(RootKey::LocalMachine, QString::fromLatin1(td::kSettingsKey), true);
    ASSERT_NE(key, nullptr);

    EXPECT_EQ(td::readSetting(*key, setting::Sizeofcharacters).number, 9);
    EXPECT_EQ(td::readSetting(*key, setting::Sampletext).text, "abcdef ABCDEF 1234567890");
    EXPECT_EQ(td::readSetting(*key, setting::AutoRefresh).number, 1);

    key->writeInteger("nrfile", 1);
    EXPECT_EQ(td::readSetting(*key, setting::NrFile).number, 1);

    key->writeInteger("Sizeofcharacters", 1000);
    key->writeInteger("Sizeofbasefont", 0);
    key->writeInteger("charsize", -4);
    key->writeInteger("savedsize", 5000);
    key->writeInteger("Quality", 5);
    key->writeInteger("Colors", 9);
    key->writeInteger("Image", 3);
    EXPECT_EQ(td::readSetting(*key, setting::Sizeofcharacters).number, 100);
    EXPECT_EQ(td::readSetting(*key, setting::Sizeofbasefont).number, 2);
    EXPECT_EQ(td::readSetting(*key, setting::charsize).number, 6);
    EXPECT_EQ(td::readSetting(*key, setting::savedsize).number, 2000);
    EXPECT_EQ(td::readSetting(*key, setting::Quality).number, 10);
    EXPECT_EQ(td::readSetting(*key, setting::Colors).number, 5);
    EXPECT_EQ(td::readSetting(*key, setting::Image).number, 2);

    // Any DWORD other than 0 is true; a value of the wrong type counts as missing.
    key->writeInteger("AutoRefresh", 7);
    EXPECT_EQ(td::readSetting(*key, setting::AutoRefresh).number, 1);
    key->writeInteger("AutoRefresh", 0);
    EXPECT_EQ(td::readSetting(*key, setting::AutoRefresh).number, 0);
    key->writeString("Quality", "high");
    EXPECT_EQ(td::readSetting(*key, setting::Quality).number, 50);
    key->writeInteger("Basefont", 3);
    EXPECT_EQ(td::readSetting(*key, setting::Basefont).text, "Arial");
}

TEST(SettingsStore, WritesEachTypeAsStored) {
    td::MemoryRegistry registry;
    auto key = td::openSettingsKeyForWriting(registry);
    ASSERT_NE(key, nullptr);
    td::writeSetting(*key, setting::AutoRefresh, SettingValue{5, {}});
    td::writeSetting(*key, setting::Quality, SettingValue{77, {}});
    td::writeSetting(*key, setting::Sampletext, SettingValue{0, "Hello"});
    EXPECT_EQ(key->valueType("AutoRefresh"), td::ValueType::DWord);
    EXPECT_EQ(key->readInteger("AutoRefresh"), 1);
    EXPECT_EQ(key->readInteger("Quality"), 77);
    EXPECT_EQ(key->valueType("Sampletext"), td::ValueType::String);
    EXPECT_EQ(key->readString("Sampletext"), "Hello");
    EXPECT_TRUE(registry.keyExists(RootKey::LocalMachine, "SOFTWARE\\Kestro TypeDeck"));

    td::MemoryRegistry empty;
    empty.setReadOnly(RootKey::LocalMachine, true);
    EXPECT_EQ(td::openSettingsKeyForWriting(empty), nullptr);
}

TEST(Budget, FontsPerImageFollowTheTypeAndNeverDropBelowOne) {
    EXPECT_EQ(td::maximumFontsPerFile(1000000, 500, 50, td::ImageType::Jpeg), 40);
    EXPECT_EQ(td::maximumFontsPerFile(1000000, 500, 50, td::ImageType::Bmp), 320);
    EXPECT_EQ(td::maximumFontsPerFile(1000000, 500, 50, td::ImageType::Gif), 320);
    EXPECT_EQ(td::maximumFontsPerFile(1000000, 2000, 70, td::ImageType::Jpeg), 7);
    // A zero budget, or a sample bigger than the budget, still allows one font per image.
    EXPECT_EQ(td::maximumFontsPerFile(0, 500, 50, td::ImageType::Jpeg), 1);
    EXPECT_EQ(td::maximumFontsPerFile(100, 500, 50, td::ImageType::Jpeg), 1);
    EXPECT_EQ(td::maximumFontsPerFile(1000000, 500, 0, td::ImageType::Gif), 1);
    // No overflow with the largest stored budget and the smallest sample.
    EXPECT_EQ(td::maximumFontsPerFile(INT32_MAX, 50, 1, td::ImageType::Bmp), 343597383);
    EXPECT_EQ(td::maximumFontsPerFile(INT32_MAX, 1, 1, td::ImageType::Gif), INT32_MAX);
}

TEST(DefaultBrowser, ProgramIsTheCommandUpToTheFirstBlankWithoutQuotes) {
    EXPECT_EQ(td::programOfCommandLine("/usr/bin/firefox %u"), "/usr/bin/firefox");
    EXPECT_EQ(td::programOfCommandLine("\"/usr/bin/firefox\" \"%1\""), "/usr/bin/firefox");
    EXPECT_EQ(td::programOfCommandLine("/usr/bin/xdg-open"), "/usr/bin/xdg-open");
    // A quoted path with a blank yields only the part before the blank.
    EXPECT_EQ(td::programOfCommandLine("\"/opt/My Browser/run\" %u"), "/opt/My");
    EXPECT_EQ(td::programOfCommandLine(""), "");
}

TEST(DefaultBrowser, FoundThroughTheHtmFileType) {
    td::MemoryRegistry registry;
    EXPECT_EQ(td::FindDefaultBrowser(registry), "");
    registry.openKey(RootKey::ClassesRoot, "\\.htm", true)->writeString("", "htmlfile");
    EXPECT_EQ(td::FindDefaultBrowser(registry), "");
    registry.openKey(RootKey::ClassesRoot, "\\htmlfile\\shell\\open\\command", true)
        ->writeString("", "\"/usr/bin/web-browser\" -new %1");
    EXPECT_EQ(td::FindDefaultBrowser(registry), "/usr/bin/web-browser");
    // Nothing is created by looking.
    td::MemoryRegistry untouched;
    td::FindDefaultBrowser(untouched);
    EXPECT_FALSE(untouched.keyExists(RootKey::ClassesRoot, ".htm"));
}

TEST(FontsFolder, ReadFromTheShellFoldersKey) {
    td::MemoryRegistry registry;
    const QString path = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    EXPECT_EQ(td::GetFontsFolder(registry), "");
    EXPECT_FALSE(registry.keyExists(RootKey::CurrentUser, path));
    registry.openKey(RootKey::CurrentUser, path, true)->writeString("Fonts", "/home/ann/.fonts");
    EXPECT_EQ(td::GetFontsFolder(registry), "/home/ann/.fonts");
}

TEST(Separator, AppendedOnceAndNeverToAnEmptyPath) {
    EXPECT_EQ(td::withTrailingSeparator(""), "");
    EXPECT_EQ(td::withTrailingSeparator("/a/b"), "/a/b/");
    EXPECT_EQ(td::withTrailingSeparator("/a/b/"), "/a/b/");
    EXPECT_EQ(td::withTrailingSeparator("/"), "/");
}

class TemporaryFonts : public tdtest::SandboxTest {};

TEST_F(TemporaryFonts, EveryFontFileAtAnyDepthGoesWhateverItsCaseAndNothingElse) {
    const QString folder = sandbox.path("work");
    for (const char* name :
         {"a.ttf", "B.TTF", "c.TtF", ".hidden.ttf", "keep.txt", "x.ttf.bak", "font.ttc", "ttf",
          "sub.ttf/inside.ttf", "nested/deep.ttf", "d.otf", "nested/E.OTC"}) {
        sandbox.writeFile(QStringLiteral("work/") + QLatin1String(name), "data");
    }
    const QString readOnly = sandbox.writeFile("work/locked.ttf", "data");
    QFile::setPermissions(readOnly, QFile::ReadOwner);
    // A link whose target lies elsewhere: the link goes, the target stays.
    const QString target = sandbox.writeFile("elsewhere/target.ttf", "data");
    ASSERT_TRUE(QFile::link(target, folder + "/link.ttf"));

    sandbox.writeFile("work/kept/notes.txt", "data");
    // A link to a folder outside stays and is never walked into.
    ASSERT_TRUE(QFile::link(sandbox.path("elsewhere"), folder + "/linked"));

    // Every kind goes, whatever "TrueType files only (.ttf)" says now.
    td::setTrueTypeFilesOnly(true);
    EXPECT_EQ(td::deleteTemporaryFonts(folder + "/"), 11);
    td::setTrueTypeFilesOnly(false);

    QStringList left = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden |
                                              QDir::NoDotAndDotDot | QDir::System);
    left.sort();
    // The folders the fonts were in are gone once empty.
    EXPECT_EQ(left, (QStringList{"keep.txt", "kept", "linked", "ttf", "x.ttf.bak"}));
    EXPECT_TRUE(QFile::exists(target));
    EXPECT_EQ(td::deleteTemporaryFonts(""), 0);
    EXPECT_EQ(td::deleteTemporaryFonts(sandbox.path("missing/")), 0);
}

}  // namespace
