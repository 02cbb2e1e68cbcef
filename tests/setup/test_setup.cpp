#include <gtest/gtest.h>
#include <unistd.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <optional>

#include "app/roles.h"
#include "app/startup.h"
#include "platform/application.h"
#include "platform/drives.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/shell.h"
#include "platform/shortcuts.h"
#include "platform/tempfiles.h"
#include "platform/windowset.h"
#include "sandbox.h"
#include "scripted_dialogs.h"
#include "setup/setupsteps.h"
#include "setup/setupwindows.h"
#include "testfiles.h"

namespace {

using td::BoxAnswer;
using tdtest::fileBytes;

const QStringList kShipped = {"setup.exe",   "td.hlp",     "Readme.txt",
                              "FILE_ID.DIZ", "ZIPDLL.DLL", "UNZDLL.DLL"};

// A run of the installer and uninstaller roles on the real services, inside the sandbox: the
// registry files, the desktop's folders, the temporary folder and the profile files all live
// there. Only the shell records instead of starting programs.
class SetupRun : public tdtest::SandboxTest {
  protected:
    void SetUp() override {
        services.dialogs = &dialogs;
        services.registry = &registry;
        services.profiles = &profiles;
        services.tempFiles = &tempFiles;
        services.shell = &shell;
        services.shortcuts = &shortcuts;
        services.drives = &drives;
        drives.setDrives({{QStringLiteral("/"), td::DriveType::Fixed}});
        drives.setReady({QStringLiteral("/")});
        newRun();
        dist = sandbox.path(QStringLiteral("dist"));
        QDir().mkpath(dist);
        for (const QString& name : kShipped) {
            ASSERT_TRUE(QFile::copy(tdtest::buildDir() + QLatin1Char('/') + name,
                                    dist + QLatin1Char('/') + name))
                << name.toStdString();
        }
        programs = sandbox.dataHome() + QStringLiteral("/applications");
        desktop = sandbox.home() + QStringLiteral("/Desktop");
        folder = sandbox.home() + QStringLiteral("/.local/opt/Kestro TypeDeck");
    }

    // A new process: the windows of the last one are gone.
    void newRun() {
        run = std::make_unique<td::WindowSet>();
        services.windows = run.get();
    }

    // Creates the windows of a role as start-up does, all working for `executable`.
    void startRole(const QString& executable, const QStringList& arguments) {
        td::createWindows(td::roleWindows(executable, arguments), services, *run);
        for (std::size_t i = 0; i < run->size(); ++i) {
            if (auto* window = qobject_cast<SetupWindow*>(run->at(i))) {
                window->setExecutablePath(executable);
            }
        }
    }

    // Runs the installer from the dist folder up to the completion page.
    void install(bool group = true, bool desktopShortcut = true,
                 const std::optional<QString>& destination = std::nullopt) {
        startRole(dist + QStringLiteral("/setup.exe"), {});
        auto* page = find<Tfs2>();
        ASSERT_NE(page, nullptr);
        if (destination) {
            page->Edit1->setText(*destination);
        }
        if (page->CheckBox1->isChecked() != group) {
            page->CheckBox1->click();
        }
        page->CheckBox2->setChecked(desktopShortcut);
        page->Button2Click();
    }

    template <class T>
    T* find() const {
        return run->find<T>();
    }

    std::unique_ptr<td::RegistryKey> uninstallEntry() {
        return registry.openKey(td::RootKey::LocalMachine, td::uninstallKey(), false);
    }

    QStringList valueNames() {
        const auto key = uninstallEntry();
        QStringList names = key ? key->valueNames() : QStringList();
        names.sort();
        return names;
    }

    QString value(const QString& name) {
        const auto key = uninstallEntry();
        return key ? key->readString(name) : QString();
    }

    tdtest::ScriptedDialogs dialogs;
    td::FileRegistry registry;
    td::IniProfileFiles profiles;
    td::SystemTempFiles tempFiles;
    td::RecordingShell shell;
    td::DesktopEntryShortcuts shortcuts;
    td::FakeDrives drives;
    td::Services services;
    std::unique_ptr<td::WindowSet> run;
    QString dist, programs, desktop, folder;
};

bool desktopFileValid(const QString& file, QString* output) {
    QProcess validate;
    validate.start(QStringLiteral("desktop-file-validate"), {file});
    if (!validate.waitForFinished(30000)) {
        return false;
    }
    *output = QString::fromUtf8(validate.readAllStandardOutput() + validate.readAllStandardError());
    return validate.exitStatus() == QProcess::NormalExit && validate.exitCode() == 0;
}

QString entryLine(const QString& file, const QString& key) {
    for (const QString& line : QString::fromUtf8(fileBytes(file)).split(QLatin1Char('\n'))) {
        if (line.startsWith(key + QLatin1Char('='))) {
            return line.mid(key.size() + 1);
        }
    }
    return {};
}

TEST_F(SetupRun, PagesShowTheirTextsOnePageAtATimeAndCancelAsksFirst) {
    startRole(dist + QStringLiteral("/setup.exe"), {});
    ASSERT_EQ(run->size(), 4u);
    auto* welcome = find<Tfs1>();
    auto* destinationPage = find<Tfs2>();
    auto* done = find<Tfs3>();
    const struct {
        QWidget* window;
        QSize size;
        QString caption;
        QString heading;
    } pages[] = {
        {welcome, {370, 220}, "Kestro TypeDeck program installation", "Welcome!"},
        {destinationPage,
         {460, 346},
         "Kestro TypeDeck program installation",
         "Select Destination Directory"},
        {done, {370, 220}, "Kestro TypeDeck program installation", "Installation Complete!"},
        {find<Tfdir>(), {243, 295}, "Select Destination Directory", {}},
    };
    for (const auto& page : pages) {
        EXPECT_EQ(page.window->size(), page.size) << page.caption.toStdString();
        EXPECT_EQ(page.window->windowTitle(), page.caption);
        EXPECT_FALSE(page.window->windowIcon().isNull());
        if (!page.heading.isEmpty()) {
            const auto* heading = page.window->findChild<QLabel*>("Label1");
            EXPECT_EQ(heading->text(), page.heading);
            EXPECT_EQ(heading->font().pixelSize(), 27);
            EXPECT_TRUE(heading->font().bold() && heading->font().italic());
            EXPECT_EQ(heading->font().family(), "Arial");
        }
    }
    EXPECT_EQ(welcome->Label3->text(),
              "Press the Next Button to start the installation. You can press the cancel button "
              "now if you do not want to install Kestro TypeDeck at this time.");
    EXPECT_EQ(done->Label2->text(), "Kestro TypeDeck has been succesfully installed.");
    EXPECT_EQ(destinationPage->Button1->text(), "B&rowse...");

    welcome->show();
    welcome->Button1->click();
    EXPECT_TRUE(destinationPage->isVisible());
    EXPECT_FALSE(welcome->isVisible());

    // Both "&Cancel" buttons ask; only Yes ends the program.
    for (QPushButton* cancel : {welcome->Button2, destinationPage->Button3}) {
        auto* page = qobject_cast<SetupWindow*>(cancel->window());
        QSignalSpy ended(page, &SetupWindow::programEnded);
        dialogs.answer(BoxAnswer::No).answer(BoxAnswer::Yes);
        cancel->click();
        EXPECT_EQ(ended.count(), 0);
        cancel->click();
        EXPECT_EQ(ended.count(), 1);
    }
    ASSERT_EQ(dialogs.boxes().size(), 4u);
    EXPECT_EQ(dialogs.boxes()[0].text, "Do you want to abort this installation?");
    EXPECT_EQ(dialogs.boxes()[0].buttons, td::BoxButtons::YesNo);
    // Nothing is written before "&Install >".
    EXPECT_FALSE(registry.keyExists(td::RootKey::LocalMachine, td::uninstallKey()));
    EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST_F(SetupRun, DestinationPageOffersTheProgramFolderAndTheMenuFolders) {
    for (const char* name : {"office", "Games", ".hidden", "Accessories"}) {
        QDir().mkpath(programs + QLatin1Char('/') + QLatin1String(name));
    }
    sandbox.writeFile(QStringLiteral("data/applications/not-a-folder.desktop"), "x");
    startRole(dist + QStringLiteral("/setup.exe"), {});
    auto* page = find<Tfs2>();
    page->show();
    EXPECT_EQ(page->Edit1->text(), folder);
    EXPECT_EQ(page->Edit2->text(), "Kestro TypeDeck");
    QStringList groups;
    for (int row = 0; row < page->ListBox1->count(); ++row) {
        groups << page->ListBox1->item(row)->text();
    }
    EXPECT_EQ(groups, QStringList({"Accessories", "Games", "office"}));

    QTest::mouseClick(page->ListBox1->viewport(), Qt::LeftButton, {},
                      page->ListBox1->visualItemRect(page->ListBox1->item(1)).center());
    EXPECT_EQ(page->Edit2->text(), "Games");
    for (const bool checked : {false, true}) {
        page->CheckBox1->click();
        EXPECT_EQ(page->CheckBox1->isChecked(), checked);
        EXPECT_EQ(page->Edit2->isVisibleTo(page), checked);
        EXPECT_EQ(page->ListBox1->isVisibleTo(page), checked);
    }
}

TEST_F(SetupRun, FolderDialogStartsAtTheDestinationsParentAndSelectAppendsTheProductName) {
    startRole(dist + QStringLiteral("/setup.exe"), {});
    auto* page = find<Tfs2>();
    auto* dialog = find<Tfdir>();
    const QString existing = sandbox.path(QStringLiteral("apps/tools"));
    QDir().mkpath(existing);
    // Parent present; parent missing (a fresh home has no ~/.local/opt): the nearest folder above.
    const struct {
        QString destination;
        QString shown;
    } cases[] = {
        {existing + QStringLiteral("/Kestro TypeDeck"), existing + QLatin1Char('/')},
        {sandbox.path(QStringLiteral("apps/none/deeper/Kestro TypeDeck")),
         sandbox.path(QStringLiteral("apps/"))},
    };
    for (const auto& c : cases) {
        page->Edit1->setText(c.destination);
        page->Button1->click();
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->shownFolder(), c.shown);
        dialog->close();
    }
    page->Button1->click();
    dialog->showFolder(sandbox.path(QStringLiteral("apps")));
    dialog->Button1->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(page->Edit1->text(), sandbox.path(QStringLiteral("apps/Kestro TypeDeck")));
}

TEST_F(SetupRun, InstallCopiesRecordsAndMakesWorkingShortcuts) {
    QDir().mkpath(programs + QStringLiteral("/Games"));
    startRole(dist + QStringLiteral("/setup.exe"), {});
    auto* page = find<Tfs2>();
    page->show();
    page->ListBox1->setCurrentRow(0);
    page->ListBox1Click(page->ListBox1->item(0));
    page->Button2->click();
    EXPECT_FALSE(page->isVisible());
    EXPECT_TRUE(find<Tfs3>()->isVisible());

    const QString group = programs + QStringLiteral("/Kestro TypeDeck");
    const QString installed = folder + QStringLiteral("/td.exe");
    const struct {
        const char* value;
        QString path;
        QString source;  // empty for shortcuts
    } recorded[] = {
        {"1", folder + "/FILE_ID.DIZ", dist + "/FILE_ID.DIZ"},
        {"2", installed, dist + "/setup.exe"},
        {"3", folder + "/td.hlp", dist + "/td.hlp"},
        {"4", folder + "/Readme.txt", dist + "/Readme.txt"},
        {"5", group + "/td.exe.desktop", {}},
        {"6", desktop + "/Kestro TypeDeck.desktop", {}},
        {"7", group + "/td.hlp.desktop", {}},
        {"8", group + "/Readme.txt.desktop", {}},
        {"15", folder + "/ZIPDLL.DLL", dist + "/ZIPDLL.DLL"},
        {"16", folder + "/UNZDLL.DLL", dist + "/UNZDLL.DLL"},
    };
    for (const auto& r : recorded) {
        SCOPED_TRACE(r.value);
        EXPECT_EQ(value(QLatin1String(r.value)), r.path);
        const QFileInfo info(r.path);
        ASSERT_TRUE(info.isFile());
        if (!r.source.isEmpty()) {
            EXPECT_EQ(fileBytes(r.path), fileBytes(r.source));
            EXPECT_EQ(info.isExecutable(), QFileInfo(r.source).isExecutable());
            continue;
        }
        EXPECT_TRUE(info.isExecutable());
        QString output;
        EXPECT_TRUE(desktopFileValid(r.path, &output)) << output.toStdString();
        EXPECT_EQ(entryLine(r.path, "Path"), folder + QLatin1Char('/'));
    }
    EXPECT_TRUE(QFileInfo(installed).isExecutable());
    EXPECT_TRUE(QFileInfo(folder + "/ZIPDLL.DLL").isExecutable());
    EXPECT_EQ(entryLine(group + "/td.exe.desktop", "Exec"), td::quoteExecArgument(installed));
    EXPECT_EQ(entryLine(desktop + "/Kestro TypeDeck.desktop", "Exec"),
              td::quoteExecArgument(installed));
    EXPECT_EQ(entryLine(group + "/Readme.txt.desktop", "Exec"),
              "xdg-open " + td::quoteExecArgument(folder + "/Readme.txt"));
    EXPECT_EQ(value("32"), group);
    EXPECT_EQ(value("33"), folder);
    EXPECT_EQ(value("DisplayName"), "Kestro TypeDeck");
    EXPECT_EQ(value("UninstallString"), installed + " /S");
    EXPECT_EQ(value("Group"), "Games");
    // The folders made on the way, in the order they were made; the menu folder was there.
    EXPECT_EQ(value("34"), sandbox.home() + "/.local");
    EXPECT_EQ(value("35"), sandbox.home() + "/.local/opt");
    EXPECT_EQ(value("36"), desktop);
    EXPECT_EQ(valueNames().size(), 18);

    // The installed program runs, started by its menu entry's command line in the entry's
    // folder: asked for no role, it starts, loads and ends with 0.
    QProcess process;
    process.setWorkingDirectory(entryLine(group + "/td.exe.desktop", "Path"));
    process.start("sh", {"-c", entryLine(group + "/td.exe.desktop", "Exec") + " /nothing"});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();

    // "&Yes" starts it and ends the installer.
    auto* done = find<Tfs3>();
    QSignalSpy ended(done, &SetupWindow::programEnded);
    done->Button1->click();
    ASSERT_EQ(shell.calls().size(), 1);
    EXPECT_EQ(shell.calls()[0].target, installed);
    EXPECT_TRUE(shell.calls()[0].arguments.isEmpty());
    EXPECT_EQ(ended.count(), 1);
}

TEST_F(SetupRun, OnlyWhatWasAskedForAndFoundIsMadeAndRecorded) {
    const struct {
        bool group, desktopShortcut, withSetup;
        QStringList values;
    } cases[] = {
        {false,
         false,
         true,
         {"1", "15", "16", "2", "3", "33", "34", "35", "36", "4", "DisplayName",
          "UninstallString"}},
        {false,
         true,
         true,
         {"1", "15", "16", "2", "3", "33", "34", "35", "36", "37", "4", "6", "DisplayName",
          "UninstallString"}},
        {true,
         false,
         false,
         {"1", "15", "16", "3", "32", "33", "34", "35", "36", "37", "4", "7", "8"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.values.join(',').toStdString());
        registry.deleteKey(td::RootKey::LocalMachine, td::uninstallKey());
        QDir(sandbox.home()).removeRecursively();
        QDir(programs).removeRecursively();
        newRun();
        if (!c.withSetup) {
            QFile::rename(dist + "/setup.exe", dist + "/setup.bin");
        }
        startRole(dist + QStringLiteral("/setup.exe"), {});
        auto* page = find<Tfs2>();
        page->CheckBox1->setChecked(c.group);
        page->CheckBox2->setChecked(c.desktopShortcut);
        page->Button2Click();
        EXPECT_EQ(valueNames(), c.values);
        EXPECT_EQ(QFileInfo::exists(programs + "/Kestro TypeDeck"), c.group);
        EXPECT_EQ(QFileInfo::exists(desktop + "/Kestro TypeDeck.desktop"),
                  c.desktopShortcut && c.withSetup);
        EXPECT_EQ(QFileInfo::exists(folder + "/td.exe"), c.withSetup);
        // "&Yes" starts only a program that is there, and ends the installer either way.
        auto* done = find<Tfs3>();
        QSignalSpy ended(done, &SetupWindow::programEnded);
        const qsizetype before = shell.calls().size();
        done->Button1Click();
        EXPECT_EQ(shell.calls().size() - before, c.withSetup ? 1 : 0);
        EXPECT_EQ(ended.count(), 1);
    }
}

TEST_F(SetupRun, InstallingTwiceReplacesFilesAndKeepsValuesNotWrittenAgain) {
    install(true, true);
    const QString installed = folder + QStringLiteral("/td.hlp");
    sandbox.writeFile(installed.mid(sandbox.root().size() + 1), "changed");
    QFile::setPermissions(installed, QFileDevice::ReadOwner);
    newRun();
    install(false, false);
    EXPECT_EQ(fileBytes(installed), fileBytes(dist + "/td.hlp"));
    EXPECT_TRUE(QFileInfo(installed).isWritable());
    // The desktop shortcut and the group values of the first run stay recorded.
    EXPECT_EQ(value("6"), desktop + "/Kestro TypeDeck.desktop");
    EXPECT_EQ(value("Group"), "Kestro TypeDeck");
    EXPECT_EQ(valueNames().size(), 19);
}

TEST_F(SetupRun, BadDestinationsAreRefusedOrCreateAndRecordOnlyWhatExists) {
    // A file where a folder of the path should be: the folder cannot be made, whoever runs.
    const QString blocker = sandbox.writeFile(QStringLiteral("blocker"), "file");
    const struct {
        QString typed;
        bool refused;
        QString made;  // the folder that holds td.exe afterwards; empty: none
    } cases[] = {
        {"", true, {}},
        {"   ", true, {}},
        {"relative/Kestro TypeDeck", true, {}},
        {"/", true, {}},
        {sandbox.path("trail/Kestro TypeDeck/"), false, sandbox.path("trail/Kestro TypeDeck")},
        {blocker + "/sub/Kestro TypeDeck", false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        registry.deleteKey(td::RootKey::LocalMachine, td::uninstallKey());
        newRun();
        dialogs.clear();
        if (c.refused) {
            dialogs.answer(BoxAnswer::Ok);
        }
        install(false, false, c.typed);
        EXPECT_EQ(dialogs.boxes().size(), c.refused ? 1u : 0u);
        if (c.refused) {
            EXPECT_TRUE(dialogs.boxes()[0].text.contains("full path"));
        }
        EXPECT_EQ(find<Tfs3>()->isVisible(), !c.refused);
        EXPECT_EQ(QFileInfo::exists(c.made + "/td.exe"), !c.made.isEmpty());
        if (c.made.isEmpty()) {
            EXPECT_TRUE(valueNames().isEmpty()) << valueNames().join(',').toStdString();
        } else {
            EXPECT_EQ(value("33"), c.typed);
            EXPECT_EQ(value("2"), c.made + "/td.exe");
        }
    }
}

TEST_F(SetupRun, AShortcutThatCannotBeWrittenStopsTheInstallationOnItsPage) {
    // A file where the menu folder should be: no shortcut can go there.
    QDir().mkpath(sandbox.dataHome());
    sandbox.writeFile(QStringLiteral("data/applications"), "in the way");
    startRole(dist + QStringLiteral("/setup.exe"), {});
    auto* page = find<Tfs2>();
    page->show();
    // The error leaves the handler and is shown by the application as the standard error box.
    auto* app = qobject_cast<td::Application*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    app->setDialogs(&dialogs);
    dialogs.answer(BoxAnswer::Ok);
    QTest::mouseClick(page->Button2, Qt::LeftButton);
    app->setDialogs(nullptr);
    ASSERT_EQ(dialogs.boxes().size(), 1u);
    EXPECT_EQ(dialogs.boxes()[0].icon, td::BoxIcon::Critical);
    EXPECT_TRUE(dialogs.boxes()[0].text.startsWith("Cannot create the shortcut"))
        << dialogs.boxes()[0].text.toStdString();
    EXPECT_TRUE(page->isVisible());
    EXPECT_FALSE(find<Tfs3>()->isVisible());
    // What was done before the shortcut stays (the folders made for the program recorded);
    // nothing after it was done.
    EXPECT_EQ(valueNames(), QStringList({"1", "33", "34", "35"}));
    EXPECT_TRUE(QFileInfo::exists(folder + "/td.exe"));
    EXPECT_FALSE(QFileInfo::exists(folder + "/td.hlp"));
}

// Stage 1 then stage 2, as the installed program's uninstall entry starts them.
class UninstallRun : public SetupRun {
  protected:
    // Stage 1 from the installed td.exe; returns the temporary copy it started.
    QString runStage1() {
        newRun();
        const QString installed = folder + QStringLiteral("/td.exe");
        startRole(installed, {QStringLiteral("/S")});
        auto* first = find<Tu1>();
        EXPECT_NE(first, nullptr);
        QSignalSpy ended(first, &SetupWindow::programEnded);
        first->Button1->click();
        EXPECT_EQ(ended.count(), 1);
        return shell.calls().isEmpty() ? QString() : shell.calls().last().target;
    }

    void runStage2(const QString& executable, BoxAnswer answer) {
        newRun();
        startRole(executable, {QStringLiteral("/U")});
        auto* second = find<Tu2>();
        ASSERT_NE(second, nullptr);
        dialogs.answer(answer);
        second->Button1->click();
        ASSERT_FALSE(dialogs.boxes().empty());
        const tdtest::RecordedBox& box = dialogs.boxes().back();
        EXPECT_EQ(box.text,
                  "I make a mistake to remove Kestro TypeDeck.\n\rI want to install it again!");
        EXPECT_EQ(box.icon, td::BoxIcon::Critical);
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.buttons, td::BoxButtons::YesNo);
    }

    QString deleteMe() {
        const auto key = registry.openKey(td::RootKey::LocalMachine, td::runOnceKey(), false);
        return key ? key->readString(QStringLiteral("Delete Me!")) : QString();
    }
};

TEST_F(UninstallRun, WindowsShowTheirTexts) {
    startRole(dist + "/td.exe", {"/S"});
    startRole(dist + "/td.exe", {"/u"});
    const struct {
        QWidget* window;
        int height;
        QString text, left, right;
    } cases[] = {
        {find<Tu1>(), 137,
         "This program will remove Kestro TypeDeck from your computer and all traces.", "&Cancel",
         "&OK"},
        {find<Tu2>(), 136,
         "Are you sure you want to completely remove the  Kestro TypeDeck and all of it''s "
         "components?",
         "&Cancel", "&Yes"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.window->size(), QSize(322, c.height));
        EXPECT_EQ(c.window->windowTitle(), "Kestro TypeDeck Uninstall program");
        EXPECT_EQ(c.window->findChild<QLabel*>("Label1")->text(), c.text);
        const auto* left = c.window->findChild<QPushButton*>("Button2");
        const auto* right = c.window->findChild<QPushButton*>("Button1");
        EXPECT_EQ(left->text(), c.left);
        EXPECT_EQ(right->text(), c.right);
        EXPECT_LT(left->x(), right->x());
        // "&Cancel" ends the program and changes nothing.
        QSignalSpy ended(c.window, SIGNAL(programEnded()));
        const_cast<QPushButton*>(left)->click();
        EXPECT_EQ(ended.count(), 1);
    }
    EXPECT_TRUE(shell.calls().isEmpty());
}

TEST_F(UninstallRun, RemovesExactlyWhatWasRecordedAndKeepsForeignFiles) {
    const struct {
        bool foreign;
        BoxAnswer answer;
    } cases[] = {{true, BoxAnswer::No}, {false, BoxAnswer::No}, {false, BoxAnswer::Yes}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.foreign);
        const QString group = programs + QStringLiteral("/Kestro TypeDeck");
        QDir(folder).removeRecursively();  // what the case before left
        QDir(group).removeRecursively();
        newRun();
        install(true, true);
        const qsizetype calls = shell.calls().size();
        QStringList recorded;
        for (const QString& name : valueNames()) {
            if (name.front().isDigit() && name.toInt() < 32) {
                recorded << value(name);
            }
        }
        ASSERT_EQ(recorded.size(), 10);
        if (c.foreign) {
            sandbox.writeFile("home/.local/opt/Kestro TypeDeck/mine.ttf", "font");
            sandbox.writeFile("data/applications/Kestro TypeDeck/other.desktop", "entry");
        }
        registry.openKey(td::RootKey::LocalMachine, "\\SOFTWARE\\Kestro TypeDeck", true)
            ->writeString("Browser", "x");
        profiles.writeString("ke-TD2.ini", "Menu", "a", "b");
        profiles.writeString("ke-TD1.ini", "Old", "a", "b");
        const QString other = profiles.pathOf("other.ini");
        sandbox.writeFile(other.mid(sandbox.root().size() + 1), "[x]\n");

        const QString copy = runStage1();
        const QString temp = tempFiles.tempPath() + "setup.exe";
        EXPECT_EQ(copy, temp);
        ASSERT_EQ(shell.calls().size(), calls + 1);
        EXPECT_EQ(shell.calls()[calls].arguments, QStringList{"/U"});
        EXPECT_EQ(fileBytes(temp), fileBytes(folder + "/td.exe"));
        EXPECT_TRUE(QFileInfo(temp).isExecutable());
        EXPECT_EQ(deleteMe(), "rm -f " + temp);

        runStage2(temp, c.answer);
        for (const QString& path : recorded) {
            EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
        }
        EXPECT_EQ(QFileInfo::exists(folder), c.foreign);
        EXPECT_EQ(QFileInfo::exists(group), c.foreign);
        if (c.foreign) {
            EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"mine.ttf"});
            EXPECT_EQ(QDir(group).entryList(QDir::Files), QStringList{"other.desktop"});
        }
        EXPECT_TRUE(QFileInfo::exists(programs));
        EXPECT_FALSE(registry.keyExists(td::RootKey::LocalMachine, "\\SOFTWARE\\Kestro TypeDeck"));
        EXPECT_FALSE(registry.keyExists(td::RootKey::LocalMachine, td::uninstallKey()));
        EXPECT_FALSE(QFileInfo::exists(profiles.pathOf("ke-TD1.ini")));
        EXPECT_FALSE(QFileInfo::exists(profiles.pathOf("ke-TD2.ini")));
        EXPECT_TRUE(QFileInfo::exists(other));
        // No: the temporary copy and its scheduled deletion go. Yes: the copy starts the
        // installer and stays.
        const bool again = c.answer == BoxAnswer::Yes;
        EXPECT_EQ(QFileInfo::exists(temp), again);
        EXPECT_EQ(deleteMe().isEmpty(), !again);
        ASSERT_EQ(shell.calls().size(), calls + (again ? 2 : 1));
        if (again) {
            EXPECT_EQ(shell.calls().last().target, temp);
            EXPECT_TRUE(shell.calls().last().arguments.isEmpty());
            EXPECT_EQ(td::roleWindows(temp, {}), QStringList({"Tfs1", "Tfs2", "Tfs3", "Tfdir"}));
        }
    }
}

TEST_F(UninstallRun, AnEditedEntryCostsNothingTheInstallerDidNotMake) {
    install(true, true);
    const QString group = programs + "/Kestro TypeDeck";
    const QString bashrc = sandbox.writeFile("home/.bashrc", "mine");
    const QString thesis = sandbox.writeFile("home/Documents/thesis.odt", "mine");
    const QString otherEntry = sandbox.writeFile("home/td.hlp.desktop", "mine");
    const QString target = sandbox.writeFile("target.txt", "linked");
    const QString emptyFolder = sandbox.path("home/Empty");
    QDir().mkpath(emptyFolder);
    // A link where a program file was goes, what it leads to stays; a file whose bits say
    // read-only stays, also for the superuser.
    QFile::remove(folder + "/ZIPDLL.DLL");
    ASSERT_TRUE(QFile::link(target, folder + "/ZIPDLL.DLL"));
    QFile::setPermissions(folder + "/td.hlp",
                          QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    {
        auto key = uninstallEntry();
        key->writeString("4", bashrc);
        key->writeString("12", thesis);
        key->writeString("7", otherEntry);
        key->writeString("40", emptyFolder);  // a folder not on the way to any of the three
    }
    // "/U" run straight from the installed program: it keeps itself and so its folder.
    const QString installed = folder + "/td.exe";
    runStage2(installed, BoxAnswer::No);
    const struct {
        QString path;
        bool stays;
    } cases[] = {
        {bashrc, true},
        {thesis, true},
        {otherEntry, true},
        {target, true},
        {emptyFolder, true},
        {folder + "/td.hlp", true},
        {folder + "/Readme.txt", true},  // no longer recorded
        {group + "/td.hlp.desktop", true},
        {installed, true},
        {folder + "/FILE_ID.DIZ", false},
        {folder + "/UNZDLL.DLL", false},
        {group + "/td.exe.desktop", false},
        {group + "/Readme.txt.desktop", false},
        {desktop + "/Kestro TypeDeck.desktop", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QFileInfo::exists(c.path), c.stays) << c.path.toStdString();
    }
    EXPECT_FALSE(QFileInfo(folder + "/ZIPDLL.DLL").isSymLink());
    EXPECT_FALSE(registry.keyExists(td::RootKey::LocalMachine, td::uninstallKey()));
}

TEST_F(UninstallRun, FoldersMadeOnTheWayGoWhenEmptyAndStayWhenNot) {
    for (const bool userFile : {false, true}) {
        SCOPED_TRACE(userFile);
        QDir(sandbox.home()).removeRecursively();
        QDir(programs).removeRecursively();
        QDir().mkpath(sandbox.home());
        newRun();
        install(true, true);
        if (userFile) {
            sandbox.writeFile("home/Desktop/notes.txt", "mine");
        }
        runStage2(runStage1(), BoxAnswer::No);
        const QStringList home =
            QDir(sandbox.home()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        EXPECT_EQ(home, userFile ? QStringList{"Desktop"} : QStringList());
        EXPECT_FALSE(QFileInfo::exists(programs));
    }
}

TEST_F(UninstallRun, WithoutAnEntryStageTwoRemovesNothingAndLeavesNoKey) {
    const QString stray = sandbox.writeFile("home/.local/opt/Kestro TypeDeck/td.exe", "x");
    runStage2(dist + "/setup.exe", BoxAnswer::No);
    EXPECT_TRUE(QFileInfo::exists(stray));
    EXPECT_FALSE(registry.keyExists(td::RootKey::LocalMachine, td::uninstallKey()));
    // Not the temporary copy: the running program stays.
    EXPECT_TRUE(QFileInfo::exists(dist + "/setup.exe"));
}

// No right to write the machine keys: the files are installed and removed as far as the steps
// go without their records, and nothing is reported or thrown.
TEST_F(SetupRun, WithoutTheRightToWriteTheMachineKeysNothingIsRecorded) {
    td::MemoryRegistry locked;
    locked.setReadOnly(td::RootKey::LocalMachine, true);
    td::InstallRequest request{folder, dist, false, {}, false};
    td::installProgram(request, locked, shortcuts);
    EXPECT_TRUE(QFileInfo(folder + "/td.exe").isExecutable());
    EXPECT_FALSE(locked.keyExists(td::RootKey::LocalMachine, td::uninstallKey()));

    const QString copy =
        td::startUninstallCopy(folder + "/td.exe", tempFiles.tempPath(), locked, shell);
    EXPECT_TRUE(QFileInfo(copy).isExecutable());
    ASSERT_EQ(shell.calls().size(), 1);
    const auto runOnce = locked.openKey(td::RootKey::LocalMachine, td::runOnceKey(), false);
    EXPECT_TRUE(runOnce == nullptr || !runOnce->valueExists("Delete Me!"));
    // The entry cannot be opened for its removal, so nothing it would name is touched.
    td::removeInstallation(locked, shortcuts, {}, copy);
    EXPECT_TRUE(QFileInfo::exists(folder + "/td.hlp"));
}

TEST(SetupSteps, DeleteCommandQuotesWhatAShellWouldSplit) {
    const struct {
        QString path, command;
    } cases[] = {
        {"/tmp/kt/setup.exe", "rm -f /tmp/kt/setup.exe"},
        {"/tmp/a b/setup.exe", "rm -f '/tmp/a b/setup.exe'"},
        {"/tmp/it's/setup.exe", "rm -f '/tmp/it'\\''s/setup.exe'"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(td::deleteCommand(c.path), c.command);
    }
}

TEST(SetupWindowsInMainRole, TFo1IsAMinimisedSetupWindowWithHiddenButtons) {
    td::Services services;
    TFo1 window(services);
    EXPECT_EQ(window.windowTitle(), "Setup");
    EXPECT_TRUE(window.windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(window.isVisible());
    QStringList texts;
    for (const QPushButton* button : {window.Button1, window.Button2, window.Button3}) {
        texts << button->text();
        EXPECT_FALSE(button->isVisibleTo(&window));
    }
    EXPECT_EQ(texts, QStringList({"Install", "UnInstall", "UnInstall-H"}));
}

}  // namespace
