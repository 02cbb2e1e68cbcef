#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QProcess>

#include "../archive/fakelibrary.h"
#include "archive/tziparchive.h"
#include "browse/archivecommands.h"
#include "browse/directorypanel.h"
#include "browse/fontlisting.h"
#include "platform/drives.h"
#include "platform/fonttable.h"
#include "platform/library.h"
#include "platform/services.h"
#include "sandbox.h"
#include "scripted_dialogs.h"
#include "testfiles.h"

using namespace td;

namespace {

// The entry names of an archive as Info-ZIP's unzip lists them.
QStringList zipNames(const QString& path) {
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-Z1"), path});
    unzip.waitForFinished();
    return QString::fromUtf8(unzip.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

QStringList items(const QListWidget& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i) {
        texts << list.item(i)->text();
    }
    return texts;
}

// A stand-in writer library that reports success but leaves an archive whose headers claim more
// data than there is, so that re-reading it after the add fails.
int32_t damagingZipDllExec(ZipExecParams* params) {
    QFile file(QFile::decodeName(params->archivePath));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QByteArray("PK\x03\x04", 4) + QByteArray(14, '\0') +
                   QByteArray("\xff\xff\x00\x00", 4) + QByteArray(8, '\0') + "tail");
    }
    return 1;
}
int32_t zipDllVersion() {
    return 100;
}

// The commands on a real file list and menu items, with the directory source and its panel
// behind them, the real archive libraries and the current folder somewhere else than the
// listed folder.
class ArchiveCommandsTest : public tdtest::SandboxTest {
  protected:
    tdtest::ScriptedDialogs dialogs;
    DlLibraryLoader realLibraries{tdtest::buildDir()};
    ziptest::FakeLoader fakeLibraries;
    FakeDrives drives;
    QtFontTable fontTable;
    QString savedFolder = QDir::currentPath();
    bool autoRefresh = false;
    QStringList events;
    QString fonts;
    QString zips;

    QWidget window;
    QListWidget* fileList = new QListWidget(&window);
    std::array<QAction*, 5> recent{};
    QAction* browse = new QAction(QStringLiteral("Browse..."), &window);
    std::unique_ptr<Services> services;
    std::unique_ptr<TZipArchive> archive;
    std::unique_ptr<DirectorySource> source;
    std::unique_ptr<DirectoryPanel> panel;
    std::unique_ptr<ArchiveCommands> commands;

    void SetUp() override {
        for (QAction*& item : recent) {
            item = new QAction(kRecentZipPlaceholder, &window);
            item->setVisible(false);
        }
        fonts = sandbox.path(QStringLiteral("my fonts")) + u'/';
        zips = sandbox.path(QStringLiteral("zips")) + u'/';
        QDir().mkpath(zips);
        for (const char* name : {"a b.ttf", "c.ttf", "\xc3\xa9t\xc3\xa9.ttf"}) {
            sandbox.writeFile(QStringLiteral("my fonts/") + QString::fromUtf8(name),
                              QByteArray("font data of ") + name);
        }
        QDir::setCurrent(sandbox.tempDir());
    }
    void start(LibraryLoader& loader) {
        services = std::make_unique<Services>(Services{&dialogs, &loader, nullptr});
        archive = std::make_unique<TZipArchive>(*services);
        source = std::make_unique<DirectorySource>(*archive, &dialogs, sandbox.tempDir());
        DirectoryControls controls;
        controls.FileListBox1 = fileList;
        panel = std::make_unique<DirectoryPanel>(
            controls, *source, dialogs, drives, fontTable, [] { return SampleRowOptions{}; },
            DirectoryPanelHooks{});
        commands = std::make_unique<ArchiveCommands>(
            *archive, dialogs, *source, fileList, recent, browse,
            ArchiveCommandHooks{[this](int animation) { events << QString::number(animation); },
                                [this] { events << QStringLiteral("idle"); },
                                {},
                                [this] { return autoRefresh; },
                                [this] { events << QStringLiteral("list"); },
                                [this] {
                                    events << QStringLiteral("show");
                                    panel->sync();
                                }});
        panel->openFolder(fonts);
        // As the main window does when it is made; what the loads report is not looked at here.
        dialogs.allowUnscriptedBoxes();
        archive->LoadZipLibrary();
        archive->LoadUnzipLibrary();
        dialogs.clear();
        dialogs.allowUnscriptedBoxes(false);
    }
    void start() { start(realLibraries); }
    void TearDown() override {
        commands.reset();
        panel.reset();
        source.reset();
        archive.reset();
        TZipArchive::UnloadZipLibrary();
        TZipArchive::UnloadUnzipLibrary();
        QDir::setCurrent(savedFolder);
    }

    void select(const QStringList& names) {
        for (int i = 0; i < fileList->count(); ++i) {
            fileList->item(i)->setSelected(names.contains(fileList->item(i)->text()));
        }
    }
    QStringList captions() const {
        QStringList texts;
        for (const QAction* item : recent) {
            texts << (item->isVisible() ? item->text() : QStringLiteral("(hidden)"));
        }
        return texts;
    }
    // Opens `name` of the archives folder in the file list (view mode 3).
    void openArchive(const QString& name) {
        panel->openFolder(zips);
        panel->RadioButton6Click();
        fileList->setCurrentRow(static_cast<int>(items(*fileList).indexOf(name)));
        panel->FileListBox1DblClick();
        ASSERT_EQ(source->viewMode(), 3);
    }
};

}  // namespace

TEST(ArchiveNames, ZipExtensionAndArchivePath) {
    const struct {
        const char* chosen;
        const char* used;
    } names[] = {{"/f/fonts", "/f/fonts.zip"},     {"/f/my.zipfonts", "/f/my.zipfonts"},
                 {"/f/OLD.ZIP", "/f/OLD.ZIP"},     {"/f/fonts.zip.exe", "/f/fonts.zip.exe"},
                 {"/f.zip/fonts", "/f.zip/fonts"}, {"/f/fonts.zi", "/f/fonts.zi.zip"}};
    for (const auto& row : names) {
        EXPECT_EQ(withZipExtension(QString::fromUtf8(row.chosen)), QString::fromUtf8(row.used))
            << row.chosen;
    }
    tdtest::Sandbox sandbox;
    const QString folder = sandbox.path(QStringLiteral("a long folder name"));
    QDir().mkpath(folder);
    EXPECT_EQ(archivePathOf(folder + QStringLiteral("/Fonts Archive.zip")),
              folder + QStringLiteral("/Fonts Archive.zip"));
    EXPECT_EQ(archivePathOf(folder + QStringLiteral("/gone/x.zip")), std::nullopt);
    EXPECT_EQ(archivePathOf(QStringLiteral("x.zip")), std::nullopt);
    EXPECT_EQ(deleteQuestion(QStringLiteral("/z/f.zip")),
              QStringLiteral("Delete selected file(s) from: /z/f.zip?"));
}

TEST_F(ArchiveCommandsTest, BrowseWithANewNameMakesEntryOneAndAddsTheSelectionByBareName) {
    start();
    select({QStringLiteral("a b.ttf"), QStringLiteral("\u00e9t\u00e9.ttf")});
    dialogs.answerPath(zips + QStringLiteral("fonts")).answer(BoxAnswer::Ok);
    browse->trigger();

    EXPECT_EQ(dialogs.dialogTitles(), QStringList{QStringLiteral("Open Existing or New ZIP File")});
    EXPECT_EQ(dialogs.dialogFilters(), QStringList{QStringLiteral("ZIP Files (*.ZIP)")});
    EXPECT_EQ(captions(), (QStringList{zips + QStringLiteral("fonts.zip"), "(hidden)", "(hidden)",
                                       "(hidden)", "(hidden)"}));
    EXPECT_EQ(dialogs.boxTexts(), QStringList{QStringLiteral("2 files were added")});
    EXPECT_EQ(zipNames(zips + QStringLiteral("fonts.zip")),
              (QStringList{QStringLiteral("a b.ttf"), QStringLiteral("\u00e9t\u00e9.ttf")}));
    // The add ran in the listed folder; the current folder is back where it was.
    EXPECT_EQ(QDir::currentPath(), QDir(sandbox.tempDir()).absolutePath());
    // The component was set up as the add requires.
    EXPECT_FALSE(archive->Verbose);
    EXPECT_TRUE(archive->Trace);
    EXPECT_TRUE(archive->AddOptions.empty());
    EXPECT_EQ(archive->zipParams().junkDirNames, kDllTrue);
    EXPECT_EQ(archive->zipParams().recurse, kDllFalse);
    EXPECT_EQ(archive->zipParams().verbose, kDllTrue);

    // A cancelled dialog changes nothing.
    dialogs.answerPath(QString());
    browse->trigger();
    EXPECT_EQ(captions().first(), zips + QStringLiteral("fonts.zip"));
}

TEST_F(ArchiveCommandsTest, BrowsePushesTheRecentEntriesDown) {
    start();
    dialogs.allowUnscriptedBoxes();
    select({QStringLiteral("c.ttf")});
    const struct {
        const char* chosen;
        QStringList expected;
    } steps[] = {
        {"one", {"one.zip", "(hidden)", "(hidden)", "(hidden)", "(hidden)"}},
        {"one.zip", {"one.zip", "one.zip", "(hidden)", "(hidden)", "(hidden)"}},
        {"my.zipfonts", {"my.zipfonts", "one.zip", "one.zip", "(hidden)", "(hidden)"}},
        {"b", {"b.zip", "my.zipfonts", "one.zip", "one.zip", "(hidden)"}},
        {"c", {"c.zip", "b.zip", "my.zipfonts", "one.zip", "one.zip"}},
        {"d", {"d.zip", "c.zip", "b.zip", "my.zipfonts", "one.zip"}},
    };
    for (const auto& step : steps) {
        dialogs.answerPath(zips + QString::fromUtf8(step.chosen));
        browse->trigger();
        QStringList expected;
        for (const QString& caption : step.expected) {
            expected << (caption == u"(hidden)" ? caption : zips + caption);
        }
        EXPECT_EQ(captions(), expected) << step.chosen;
    }
    EXPECT_EQ(zipNames(zips + QStringLiteral("my.zipfonts")), QStringList{QStringLiteral("c.ttf")});
    // A click on a recent entry adds to it and leaves the order as it is.
    select({QStringLiteral("a b.ttf")});
    recent[4]->trigger();
    EXPECT_EQ(zipNames(zips + QStringLiteral("one.zip")),
              (QStringList{QStringLiteral("c.ttf"), QStringLiteral("a b.ttf")}));
    EXPECT_EQ(captions().last(), zips + QStringLiteral("one.zip"));
}

TEST_F(ArchiveCommandsTest, RecentEntryReplacesAnEntryOfTheSameName) {
    start();
    const QString path = zips + QStringLiteral("old.zip");
    ASSERT_TRUE(tdtest::writeStoredZip(path, {{"c.ttf", "old"}, {"keep.ttf", "kept"}}));
    recent[1]->setText(path);
    recent[1]->setVisible(true);
    select({QStringLiteral("c.ttf")});
    dialogs.answer(BoxAnswer::Ok);
    recent[1]->trigger();
    EXPECT_EQ(dialogs.boxTexts(), QStringList{QStringLiteral("1 files were added")});
    EXPECT_EQ(zipNames(path), (QStringList{QStringLiteral("c.ttf"), QStringLiteral("keep.ttf")}));
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), path, QStringLiteral("c.ttf")});
    unzip.waitForFinished();
    EXPECT_EQ(unzip.readAllStandardOutput(), QByteArray("font data of c.ttf"));
}

// Every failure of an add: what the user sees, and an archive that is left exactly as it was.
TEST_F(ArchiveCommandsTest, FailedAddsShowTheirMessagesAndLeaveTheArchiveAlone) {
    start();
    const QString good = zips + QStringLiteral("good.zip");
    ASSERT_TRUE(tdtest::writeStoredZip(good, {{"x.ttf", "x"}}));
    const QByteArray goodBytes = tdtest::fileBytes(good);
    sandbox.writeFile(QStringLiteral("zips/damaged.zip"), goodBytes.left(40));
    QDir().mkpath(zips + QStringLiteral("folder.zip"));
    const struct {
        const char* name;
        QString archive;
        QStringList selection;
        QStringList boxes;
        bool stop;
    } cases[] = {
        {"nothing selected", good, {}, {"Error - no files to zip", "0 files were added"}, false},
        {"self-extracting name",
         zips + QStringLiteral("fonts.zip.exe"),
         {"c.ttf"},
         {"Error - this pgm can NOT add files to a self-extracting archive", "0 files were added"},
         false},
        {"damaged archive",
         zips + QStringLiteral("damaged.zip"),
         {"c.ttf"},
         {"Error 3 reading Zip file"},
         false},
        {"folder gone",
         zips + QStringLiteral("gone/new.zip"),
         {"c.ttf"},
         {QStringLiteral("Nothing was added: the folder %1gone/ does not exist.").arg(zips)},
         false},
        {"archive is a folder",
         zips + QStringLiteral("folder.zip"),
         {"c.ttf"},
         {"0 files were added"},
         false},
        {"stopped by the caller", good, {"c.ttf", "a b.ttf"}, {"0 files were added"}, true},
    };
    for (const auto& c : cases) {
        dialogs.clear();
        const QByteArray before = tdtest::fileBytes(c.archive);
        recent[0]->setText(c.archive);
        select(c.selection);
        archive->OnProgress = [&](QObject*, ProgressType, const QString&, int32_t) {
            archive->Cancel = c.stop;
        };
        dialogs.allowUnscriptedBoxes();
        recent[0]->trigger();
        EXPECT_EQ(dialogs.boxTexts(), c.boxes) << c.name;
        EXPECT_EQ(tdtest::fileBytes(c.archive), before) << c.name;
    }
    EXPECT_FALSE(QFile::exists(zips + QStringLiteral("fonts.zip.exe")));
    EXPECT_EQ(dialogs.boxes()[0].icon, BoxIcon::None);
    EXPECT_EQ(zipNames(good), QStringList{QStringLiteral("x.ttf")});
}

TEST_F(ArchiveCommandsTest, MissingWriterLibraryIsReportedOnceThenOnlyTheCount) {
    start(fakeLibraries);
    select({QStringLiteral("c.ttf")});
    recent[0]->setText(zips + QStringLiteral("new.zip"));
    dialogs.allowUnscriptedBoxes();
    recent[0]->trigger();
    recent[0]->trigger();
    EXPECT_EQ(dialogs.boxTexts(),
              (QStringList{"ZIPDLL.DLL not found", "0 files were added", "0 files were added"}));
    EXPECT_FALSE(QFile::exists(zips + QStringLiteral("new.zip")));
}

TEST_F(ArchiveCommandsTest, ErrorReadingBackAfterTheAddIsTheAddError) {
    fakeLibraries.libraries[QStringLiteral("ZIPDLL.DLL")] = {
        {"ZipDllExec", reinterpret_cast<void*>(&damagingZipDllExec)},
        {"GetZipDllVersion", reinterpret_cast<void*>(&zipDllVersion)}};
    start(fakeLibraries);
    select({QStringLiteral("c.ttf")});
    recent[0]->setText(zips + QStringLiteral("new.zip"));
    dialogs.allowUnscriptedBoxes();
    recent[0]->trigger();
    EXPECT_EQ(dialogs.boxTexts(),
              (QStringList{"Error in Add; Fatal DLL Exception in mainunit", "1 files were added"}));
}

TEST_F(ArchiveCommandsTest, DeletingAsksThenRebuildsTheListFromTheFontEntries) {
    start();
    const QString path = zips + QStringLiteral("fonts.zip");
    ASSERT_TRUE(tdtest::writeStoredZip(
        path, {{"z.ttf", "z"}, {"sub/A.TTF", "a"}, {"read me.txt", "r"}, {"b.ttf", "b"}}));
    openArchive(QStringLiteral("fonts.zip"));
    EXPECT_EQ(items(*fileList), (QStringList{"..", "b.ttf", "sub/A.TTF", "z.ttf"}));
    autoRefresh = true;

    // "No" ends the command at once.
    select({QStringLiteral("b.ttf")});
    dialogs.answer(BoxAnswer::No);
    commands->DeleteArchiveEntries();
    EXPECT_TRUE(events.isEmpty());

    // Only ".." selected: it is passed on, matches nothing, and the list shows the archive.
    const QByteArray before = tdtest::fileBytes(path);
    select({QStringLiteral("..")});
    dialogs.answer(BoxAnswer::Yes);
    commands->DeleteArchiveEntries();
    EXPECT_EQ(archive->zipParams().specCount, 1);
    EXPECT_EQ(archive->zipParams().deleteEntries, kDllTrue);
    EXPECT_EQ(tdtest::fileBytes(path), before);
    EXPECT_EQ(items(*fileList), (QStringList{"..", "z.ttf", "sub/A.TTF", "b.ttf"}));

    events.clear();
    dialogs.clear();
    select({QStringLiteral("b.ttf"), QStringLiteral("z.ttf")});
    dialogs.answer(BoxAnswer::Yes);
    commands->DeleteArchiveEntries();
    EXPECT_EQ(dialogs.boxes()[0].text,
              QStringLiteral("Delete selected file(s) from: ") + path + QStringLiteral("?"));
    EXPECT_EQ(dialogs.boxes()[0].buttons, BoxButtons::YesNo);
    EXPECT_EQ(dialogs.boxes().size(), 1u);
    EXPECT_EQ(events, (QStringList{"8", "show", "idle", "list"}));
    EXPECT_FALSE(archive->Verbose);
    EXPECT_FALSE(archive->Trace);
    EXPECT_EQ(zipNames(path), (QStringList{"sub/A.TTF", "read me.txt"}));
    EXPECT_EQ(items(*fileList), (QStringList{"..", "sub/A.TTF"}));
}

TEST_F(ArchiveCommandsTest, DeletingEveryEntryOrAVanishedArchiveLeavesOnlyTheParentEntry) {
    start();
    const QString path = zips + QStringLiteral("fonts.zip");
    ASSERT_TRUE(tdtest::writeStoredZip(path, {{"a.ttf", "a"}, {"b.ttf", "b"}}));
    openArchive(QStringLiteral("fonts.zip"));
    select({QStringLiteral("a.ttf"), QStringLiteral("b.ttf")});
    dialogs.answer(BoxAnswer::Yes);
    commands->DeleteArchiveEntries();
    // The writer library removes an archive that has no entries left.
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(items(*fileList), QStringList{".."});

    select({QStringLiteral("..")});
    dialogs.answer(BoxAnswer::Yes).answer(BoxAnswer::Ok);
    commands->DeleteArchiveEntries();
    EXPECT_EQ(dialogs.boxTexts().last(), QStringLiteral("Error - no zip file specified"));
    EXPECT_EQ(items(*fileList), QStringList{".."});
    EXPECT_EQ(events.last(), QStringLiteral("idle"));
}

TEST_F(ArchiveCommandsTest, NamesHoldingWildcardCharactersMeanThatFileOnly) {
    start();
    sandbox.writeFile(QStringLiteral("my fonts/font[1].ttf"), "bracketed");
    sandbox.writeFile(QStringLiteral("my fonts/font1.ttf"), "plain");
    panel->openFolder(fonts);
    const QString path = zips + QStringLiteral("w.zip");
    recent[0]->setText(path);
    dialogs.allowUnscriptedBoxes();
    select({QStringLiteral("font[1].ttf")});
    recent[0]->trigger();
    EXPECT_EQ(zipNames(path), QStringList{QStringLiteral("font[1].ttf")});
    select({QStringLiteral("font1.ttf")});
    recent[0]->trigger();

    openArchive(QStringLiteral("w.zip"));
    select({QStringLiteral("font[1].ttf")});
    commands->DeleteArchiveEntries();
    EXPECT_EQ(zipNames(path), QStringList{QStringLiteral("font1.ttf")});
}

TEST_F(ArchiveCommandsTest, DeletingARowDeletesThatStoredEntryAndNoOther) {
    start();
    // Two names that differ in case, a Latin-1 name holding wildcard characters and the name its
    // pattern would match, and a Latin-1 name listed exactly as its UTF-8 twin.
    const std::vector<QByteArray> stored = {"Font.ttf",
                                            "font.ttf",
                                            "other.ttf",
                                            "\xe9[1].ttf",
                                            "\xc3\xa9"
                                            "1.ttf",
                                            "\xe9.ttf",
                                            "\xc3\xa9.ttf"};
    const QString path = zips + QStringLiteral("fonts.zip");
    for (size_t chosen = 0; chosen < stored.size(); ++chosen) {
        std::vector<std::pair<QByteArray, QByteArray>> made;
        for (const QByteArray& name : stored) {
            made.emplace_back(name, "x");
        }
        ASSERT_TRUE(tdtest::writeStoredZip(path, made));
        openArchive(QStringLiteral("fonts.zip"));
        // The row of the chosen entry: twins are listed in archive order.
        const QString text = entryNameFromBytes(stored[chosen]);
        qsizetype twinsBefore = 0;
        for (size_t i = 0; i < chosen; ++i) {
            twinsBefore += entryNameFromBytes(stored[i]) == text ? 1 : 0;
        }
        int row = 0;
        for (qsizetype seen = -1; row < fileList->count(); ++row) {
            if (fileList->item(row)->text() == text && ++seen == twinsBefore) {
                break;
            }
        }
        fileList->clearSelection();
        fileList->item(row)->setSelected(true);
        dialogs.answer(BoxAnswer::Yes);
        commands->DeleteArchiveEntries();

        std::vector<QByteArray> expected = stored;
        expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(chosen));
        std::vector<QByteArray> left;
        for (const ZipDirEntry& entry : archive->Contents()) {
            left.push_back(entry.StoredName);
        }
        EXPECT_EQ(left, expected) << "deleting " << stored[chosen].toStdString();
        EXPECT_EQ(items(*fileList).size(), static_cast<qsizetype>(stored.size()));
    }
}
