#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class QApplication;
class QWidget;

namespace td {

struct Services;
class WindowSet;

inline constexpr const char* kApplicationTitle = "Kestro TypeDeck";
inline constexpr const char* kApplicationHelpFile = "td.hlp";

// Sets the application title and the help file, before any window exists.
void prepareApplication(QApplication& app);

// The help file named for the application (a bare name until a main window replaces it).
QString applicationHelpFile();

// Creates one window of the named class, hidden; null for a name no window has.
std::unique_ptr<QWidget> createWindow(const QString& className, Services& services);

// Creates the windows in order into `windows` (which `services.windows` should point at).
void createWindows(const QStringList& classes, Services& services, WindowSet& windows);

// Shows the main window and runs the event loop until it closes; returns the exit code.
int runEventLoop(QApplication& app, WindowSet& windows);

}  // namespace td
