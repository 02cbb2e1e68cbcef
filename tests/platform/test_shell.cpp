#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include "platform/error.h"
#include "platform/shell.h"
#include "platform/shortcuts.h"
#include "sandbox.h"

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A started program runs on its own; the test waits for the file it writes when it is done.
// The limit only keeps a broken run from hanging the suite.
QByteArray waitForFile(const QString& path) {
    QDeadlineTimer deadline(60000);
    while (!QFileInfo::exists(path + QStringLiteral(".done")) && !deadline.hasExpired()) {
        QThread::msleep(20);
    }
    return readAll(path);
}

class ShellTest : public tdtest::SandboxTest {
  protected:
    void SetUp() override {
        m_savedPath = qgetenv("PATH");
        QDir().mkpath(sandbox.path(QStringLiteral("bin")));
        qputenv("PATH", sandbox.path(QStringLiteral("bin")).toLocal8Bit() + ":/usr/bin:/bin");
    }
    void TearDown() override { qputenv("PATH", m_savedPath); }

    // A script that writes its working folder and arguments to `out`, then marks it done.
    QString script(const QString& relative, const QString& out) {
        const QString path = sandbox.writeFile(
            relative,
            QStringLiteral("#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"[$a]\"; done; } > '%1'\n"
                           "touch '%1.done'\n")
                .arg(out)
                .toUtf8());
        QFile::setPermissions(
            path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return path;
    }

    QByteArray m_savedPath;
};

}  // namespace

TEST_F(ShellTest, StartsAProgramDetachedWithArgumentsAndFolder) {
    const QString out = sandbox.path(QStringLiteral("started.txt"));
    const QString program = script(QStringLiteral("prog dir/run me"), out);
    const QString folder = sandbox.path(QStringLiteral("work folder"));
    QDir().mkpath(folder);
    td::DesktopShell shell;
    ASSERT_TRUE(
        shell.start(program, {QStringLiteral("/tmp/a page.htm"), QStringLiteral("$HOME")}, folder));
    EXPECT_EQ(waitForFile(out),
              (folder + QStringLiteral("\n[/tmp/a page.htm]\n[$HOME]\n")).toUtf8());
}

TEST_F(ShellTest, FindsCommandsOnThePathAndOpensDocuments) {
    const QString out = sandbox.path(QStringLiteral("opened.txt"));
    script(QStringLiteral("bin/xdg-open"), out);
    const QString document = sandbox.writeFile(QStringLiteral("Readme.txt"), "hello");
    td::DesktopShell shell;
    ASSERT_TRUE(shell.openDocument(document));
    EXPECT_TRUE(waitForFile(out).endsWith(("[" + document + "]\n").toUtf8()));

    // A file that is not a program is opened the same way.
    QFile::remove(out);
    QFile::remove(out + QStringLiteral(".done"));
    ASSERT_TRUE(shell.start(document, {QStringLiteral("ignored")}));
    EXPECT_TRUE(waitForFile(out).endsWith(("[" + document + "]\n").toUtf8()));

    // A bare command name is looked up on the search path.
    const QString out2 = sandbox.path(QStringLiteral("browser.txt"));
    script(QStringLiteral("bin/fakebrowser"), out2);
    ASSERT_TRUE(shell.start(QStringLiteral("fakebrowser"), {QStringLiteral("/x/index.htm")}));
    EXPECT_TRUE(waitForFile(out2).endsWith("[/x/index.htm]\n"));
}

TEST_F(ShellTest, NothingToStartIsReportedAsFailure) {
    td::DesktopShell shell;
    EXPECT_FALSE(shell.start(QString(), {}));
    EXPECT_FALSE(shell.start(sandbox.path(QStringLiteral("missing/td.exe")), {}));
    EXPECT_FALSE(shell.start(QStringLiteral("no-such-command-anywhere"), {}));
    // Without xdg-open on the path, documents cannot be opened.
    qputenv("PATH", sandbox.path(QStringLiteral("bin")).toLocal8Bit());
    const QString document = sandbox.writeFile(QStringLiteral("Readme.txt"), "hello");
    EXPECT_FALSE(shell.openDocument(document));
    EXPECT_FALSE(shell.start(document, {}));
}

TEST_F(ShellTest, RecordingShellKeepsTheCallsInOrder) {
    td::RecordingShell shell;
    EXPECT_TRUE(shell.start(QStringLiteral("/opt/td/td.exe"), {}, QStringLiteral("/opt/td/")));
    shell.setResult(false);
    EXPECT_FALSE(shell.openDocument(QStringLiteral("/tmp/x.htm")));
    ASSERT_EQ(shell.calls().size(), 2);
    EXPECT_EQ(shell.calls()[0].target, QStringLiteral("/opt/td/td.exe"));
    EXPECT_EQ(shell.calls()[0].workingFolder, QStringLiteral("/opt/td/"));
    EXPECT_FALSE(shell.calls()[0].document);
    EXPECT_TRUE(shell.calls()[1].document);
}

TEST_F(ShellTest, DefaultHandlerCommandTurnsFieldCodesIntoAPlaceholder) {
    qputenv("XDG_CONFIG_DIRS", sandbox.path(QStringLiteral("etc")).toLocal8Bit());
    qputenv("XDG_DATA_DIRS", sandbox.path(QStringLiteral("share")).toLocal8Bit());
    qputenv("XDG_CURRENT_DESKTOP", "Test:Other");
    sandbox.writeFile(QStringLiteral("share/applications/vendor/viewer.desktop"),
                      "[Desktop Entry]\nName=V\nExec=\"/opt/a b/viewer\" --icon %i %F 100%%\n");
    sandbox.writeFile(QStringLiteral("share/applications/mimeapps.list"),
                      "[Default Applications]\ntext/html=vendor-viewer.desktop\n");
    EXPECT_EQ(td::defaultHandlerCommand(QStringLiteral("text/html")),
              QStringLiteral("\"/opt/a b/viewer\" --icon %1 100%"));
    // The desktop's own list comes first.
    sandbox.writeFile(QStringLiteral("data/applications/mine.desktop"),
                      "[Desktop Entry]\nExec=mine %U\n");
    sandbox.writeFile(QStringLiteral("config/test-mimeapps.list"),
                      "[Default Applications]\ntext/html=mine.desktop\n");
    EXPECT_EQ(td::defaultHandlerCommand(QStringLiteral("text/html")), QStringLiteral("mine %1"));
    qunsetenv("XDG_CONFIG_DIRS");
    qunsetenv("XDG_DATA_DIRS");
    qunsetenv("XDG_CURRENT_DESKTOP");
}

TEST_F(ShellTest, ShortcutsAreExecutableDesktopEntries) {
    td::DesktopEntryShortcuts shortcuts;
    const QString program =
        script(QStringLiteral("opt/Kestro TypeDeck/td.exe"), sandbox.path(QStringLiteral("x")));
    const QString desktop = sandbox.home() + QStringLiteral("/Desktop");
    const QString link = desktop + QStringLiteral("/Kestro TypeDeck.lnk");
    EXPECT_EQ(shortcuts.fileFor(link), desktop + QStringLiteral("/Kestro TypeDeck.desktop"));
    EXPECT_EQ(shortcuts.fileFor(QStringLiteral("/a/td.exe.LNK")),
              QStringLiteral("/a/td.exe.desktop"));
    EXPECT_EQ(shortcuts.fileFor(QStringLiteral("/a/plain")), QStringLiteral("/a/plain.desktop"));

    const QString folder = QFileInfo(program).absolutePath() + QLatin1Char('/');
    const QString written = shortcuts.create(link, {program, QString(), folder});
    EXPECT_EQ(written, desktop + QStringLiteral("/Kestro TypeDeck.desktop"));
    EXPECT_EQ(readAll(written),
              ("[Desktop Entry]\nType=Application\nVersion=1.0\nName=Kestro TypeDeck\nExec=\"" +
               program + "\"\nPath=" + folder + "\nTerminal=false\n")
                  .toUtf8());
    EXPECT_TRUE(QFileInfo(written).isExecutable());

    // A document opens through the desktop; percent signs and quotes are escaped.
    const QString readme =
        sandbox.writeFile(QStringLiteral("opt/100% \"new\"/Readme.txt"), "read me");
    const QString group = sandbox.dataHome() + QStringLiteral("/applications/Kestro TypeDeck");
    const QString menuEntry =
        shortcuts.create(group + QStringLiteral("/Readme.txt.lnk"),
                         {readme, QString(), QFileInfo(readme).absolutePath() + "/"});
    EXPECT_EQ(menuEntry, group + QStringLiteral("/Readme.txt.desktop"));
    const QByteArray text = readAll(menuEntry);
    EXPECT_TRUE(text.contains("Name=Readme.txt\n")) << text.constData();
    EXPECT_TRUE(text.contains(
        ("Exec=xdg-open \"" + sandbox.root() + "/opt/100%% \\\\\"new\\\\\"/Readme.txt\"\n")
            .toUtf8()))
        << text.constData();
    EXPECT_EQ(td::quoteExecArgument(QStringLiteral("plain")), QStringLiteral("plain"));
    EXPECT_EQ(td::quoteExecArgument(QStringLiteral("a b")), QStringLiteral("\"a b\""));
    EXPECT_EQ(td::quoteExecArgument(QStringLiteral("$x`y")), QStringLiteral("\"\\$x\\`y\""));
}

TEST_F(ShellTest, ShortcutThatCannotBeWrittenRaisesAnError) {
    td::DesktopEntryShortcuts shortcuts;
    sandbox.writeFile(QStringLiteral("blocked"), "a file where a folder should be");
    EXPECT_THROW(shortcuts.create(sandbox.path(QStringLiteral("blocked/td.exe.lnk")),
                                  {QStringLiteral("/bin/true"), {}, {}}),
                 td::Error);
    EXPECT_THROW(
        shortcuts.create(QStringLiteral("relative.lnk"), {QStringLiteral("/bin/true"), {}, {}}),
        td::Error);
    EXPECT_THROW(shortcuts.create(sandbox.path(QStringLiteral("x.lnk")), {}), td::Error);
    EXPECT_FALSE(QFileInfo::exists(sandbox.path(QStringLiteral("x.desktop"))));
}

TEST_F(ShellTest, ShortPathIsThePathItselfWhenItExists) {
    QString result = QStringLiteral("untouched");
    const QString folder = sandbox.path(QStringLiteral("Long Folder Name/"));
    QDir().mkpath(folder);
    ASSERT_TRUE(td::shortPathName(folder, &result));
    EXPECT_EQ(result, folder);
    result = QStringLiteral("untouched");
    EXPECT_FALSE(td::shortPathName(sandbox.path(QStringLiteral("missing folder")), &result));
    EXPECT_FALSE(td::shortPathName(QString(), &result));
    EXPECT_EQ(result, QStringLiteral("untouched"));
}
