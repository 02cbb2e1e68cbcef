#include <gtest/gtest.h>
#include <signal.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QWidget>

#include "app/roles.h"
#include "app/startup.h"
#include "platform/library.h"
#include "platform/services.h"
#include "platform/windowset.h"
#include "sandbox.h"
#include "scripted_dialogs.h"

namespace {

using tdtest::SandboxTest;

TEST(Startup, CreatesEveryWindowOfARoleHiddenInOrder) {
    tdtest::ScriptedDialogs dialogs;
    td::WindowSet windows;
    td::DlLibraryLoader libraries(tdtest::buildDir());
    td::Services services;
    services.dialogs = &dialogs;
    services.libraries = &libraries;
    services.windows = &windows;
    const QStringList classes = td::roleWindows("/x/td.exe", {});
    td::createWindows(classes, services, windows);
    ASSERT_EQ(windows.size(), static_cast<std::size_t>(classes.size()));
    for (std::size_t i = 0; i < windows.size(); ++i) {
        EXPECT_EQ(QString::fromLatin1(windows.at(i)->metaObject()->className()),
                  classes.at(static_cast<qsizetype>(i)));
        EXPECT_FALSE(windows.at(i)->isVisible());
    }
    EXPECT_EQ(windows.mainWindow(), windows.at(0));
}

TEST(Startup, EveryWindowClassOfEveryRoleCanBeCreated) {
    td::Services services;
    for (const char* name :
         {"TFrame1", "TForm1", "TForm2", "TForm3", "TForm4", "TAboutBox", "TForm5", "TForm6",
          "TFo1", "Tfu", "Tfs1", "Tfs2", "Tfs3", "Tfdir", "Tu1", "Tu2"}) {
        auto window = td::createWindow(QString::fromLatin1(name), services);
        ASSERT_NE(window, nullptr) << name;
        EXPECT_STREQ(window->metaObject()->className(), name);
    }
    EXPECT_EQ(td::createWindow(QStringLiteral("TNothing"), services), nullptr);
}

TEST(Startup, PreparesTitleAndHelpFile) {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    td::prepareApplication(*app);
    EXPECT_EQ(QApplication::applicationDisplayName(), "Kestro TypeDeck");
    EXPECT_EQ(td::applicationHelpFile(), "td.hlp");
    // The display name is not set on its own (it follows the name), so the window system adds
    // nothing to the window titles.
    QApplication::setApplicationName("Other");
    EXPECT_EQ(QApplication::applicationDisplayName(), "Other");
    td::prepareApplication(*app);
}

// The built program, copied under another name and run as its own process.
class ProgramRun : public SandboxTest {
  protected:
    // The program's folder as shipped: the archive libraries sit beside it.
    void SetUp() override {
        for (const char* library : {"ZIPDLL.DLL", "UNZDLL.DLL"}) {
            const QString name = QString::fromLatin1(library);
            EXPECT_TRUE(
                QFile::copy(tdtest::buildDir() + QLatin1Char('/') + name, sandbox.path(name)));
        }
    }

    QString copyProgramAs(const QString& name) {
        const QString target = sandbox.path(name);
        EXPECT_TRUE(QFile::copy(tdtest::buildDir() + QStringLiteral("/td.exe"), target))
            << "no td.exe in " << tdtest::buildDir().toStdString();
        QFile::setPermissions(target, QFile::permissions(target) | QFile::ExeOwner);
        return target;
    }

    // The handshake before a termination request: the program catches SIGTERM once its
    // handler is in place (the kernel's SigCgt mask says so), and only then does the signal
    // close the main window rather than kill the process, however loaded the machine is.
    static bool catchesTermination(const QProcess& process) {
        const QDeadlineTimer deadline(20000);
        const QString status = QStringLiteral("/proc/%1/status").arg(process.processId());
        while (!deadline.hasExpired() && process.state() == QProcess::Running) {
            QFile file(status);
            if (file.open(QIODevice::ReadOnly)) {
                for (const QByteArray& line : file.readAll().split('\n')) {
                    if (line.startsWith("SigCgt:")) {
                        bool ok = false;
                        const qulonglong mask = line.mid(7).trimmed().toULongLong(&ok, 16);
                        if (ok && (mask & (1ULL << (SIGTERM - 1))) != 0) {
                            return true;
                        }
                    }
                }
            }
            QThread::msleep(10);
        }
        return false;
    }

    void start(QProcess& process, const QString& program, const QStringList& args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(sandbox.root());
        process.start(program, args);
        ASSERT_TRUE(process.waitForStarted(10000));
    }
};

TEST_F(ProgramRun, NoRoleEndsAtOnceWithCodeZeroAndSilently) {
    const QString program = copyProgramAs(QStringLiteral("other.bin"));
    for (const QStringList& args : {QStringList{}, QStringList{"/R"}, QStringList{"/S", "/U"}}) {
        QProcess process;
        start(process, program, args);
        ASSERT_TRUE(process.waitForFinished(10000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0);
        EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
    }
}

TEST_F(ProgramRun, ARoleKeepsRunningUntilItsMainWindowClosesThenEndsWithZero) {
    for (const auto& [name, args] :
         {std::pair{QStringLiteral("td.exe"), QStringList{}},
          std::pair{QStringLiteral("setup.exe"), QStringList{}},
          std::pair{QStringLiteral("SETUP.EXE"), QStringList{QStringLiteral("/r")}},
          std::pair{QStringLiteral("tool"), QStringList{QStringLiteral("/U")}}}) {
        const QString program = copyProgramAs(name);
        QProcess process;
        start(process, program, args);
        ASSERT_TRUE(catchesTermination(process)) << name.toStdString() << " ended by itself";
        EXPECT_FALSE(process.waitForFinished(300)) << name.toStdString() << " ended by itself";
        // A termination request closes the main window the ordinary way.
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        ASSERT_TRUE(process.waitForFinished(10000)) << name.toStdString();
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << name.toStdString();
        EXPECT_EQ(process.exitCode(), 0) << name.toStdString();
        QFile::remove(program);
    }
}

}  // namespace
