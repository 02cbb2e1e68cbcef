#include <signal.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStringList>

#include "app/roles.h"
#include "app/startup.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/drives.h"
#include "platform/fontskey.h"
#include "platform/fonttable.h"
#include "platform/library.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/shell.h"
#include "platform/shortcuts.h"
#include "platform/tempfiles.h"
#include "platform/windowset.h"

namespace {

int g_signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

// A desktop session ending, or a kill from a terminal, closes the main window the ordinary way,
// so its closing steps run. The pipe is set up before anything else, so a signal that comes
// early waits in it until the event loop reads it.
void catchTerminationSignals() {
    if (::pipe(g_signalPipe) != 0) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = &onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

// The executable's path as it was started, so that a copy or link named setup.exe counts as
// setup.exe; a bare command name found on the search path falls back to the system's answer.
QString executablePath(const char* argv0) {
    const QString started = QFile::decodeName(argv0);
    if (started.contains(QLatin1Char('/'))) {
        return QFileInfo(started).absoluteFilePath();
    }
    return QCoreApplication::applicationFilePath();
}

}  // namespace

int main(int argc, char** argv) {
    catchTerminationSignals();

    // The switches are counted as given, before the toolkit takes out its own options.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const char* argv0 = argc > 0 ? argv[0] : "";

    td::Application app(argc, argv);
    td::prepareApplication(app);
    td::QtDialogs dialogs;
    app.setDialogs(&dialogs);

    const QStringList classes = td::roleWindows(executablePath(argv0), arguments);
    if (classes.isEmpty()) {
        return 0;
    }

    td::DlLibraryLoader libraries;
    td::Services services;
    services.dialogs = &dialogs;
    services.libraries = &libraries;
    td::FileRegistry registry;
    td::IniProfileFiles profiles;
    td::SystemTempFiles tempFiles;
    td::DesktopShell shell;
    td::DesktopEntryShortcuts shortcuts;
    services.registry = &registry;
    services.profiles = &profiles;
    services.tempFiles = &tempFiles;
    services.shell = &shell;
    services.shortcuts = &shortcuts;
    td::LinuxDrives drives;
    services.drives = &drives;
    td::QtFontTable fonts;
    services.fonts = &fonts;
    // The system font registry: fontconfig's fonts behind the Fonts key.
    td::FontconfigSystemFonts systemFonts(&fonts);
    td::installFontsKey(registry, systemFonts);
    // Declared after the services, so the windows (whose destruction still saves settings)
    // go before them.
    td::WindowSet windows;
    services.windows = &windows;
    // A termination request that comes while the windows are still being created (a message
    // box of the creation may be waiting) ends the process at once: nothing has been shown or
    // changed yet that closing would have to store.
    bool created = false;
    QSocketNotifier terminationNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&terminationNotifier, &QSocketNotifier::activated, &app,
                     td::guarded([&windows, &created] {
                         char byte = 0;
                         [[maybe_unused]] const ssize_t got = ::read(g_signalPipe[0], &byte, 1);
                         if (!created) {
                             ::_exit(0);
                         }
                         if (QWidget* main = windows.mainWindow()) {
                             if (!main->close()) {
                                 return;
                             }
                         }
                         QCoreApplication::quit();
                     }));

    td::createWindows(classes, services, windows);
    created = true;

    return td::runEventLoop(app, windows);
}
