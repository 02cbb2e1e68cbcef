#include "app/startup.h"

#include <QApplication>
#include <QCloseEvent>
#include <QVariant>

#include "app/taboutbox.h"
#include "app/tform4.h"
#include "app/tframe1.h"
#include "export/targetdialogs.h"
#include "fontfiles/tform3.h"
#include "platform/services.h"
#include "platform/windowset.h"
#include "setup/setupwindows.h"
#include "ttfnames/tform1.h"
#include "views/tform2.h"

namespace td {

namespace {

template <class T>
std::unique_ptr<QWidget> make(Services& services) {
    return std::make_unique<T>(services);
}

using Factory = std::unique_ptr<QWidget> (*)(Services&);

struct Entry {
    const char* name;
    Factory factory;
};

const Entry kWindows[] = {
    {"TFrame1", &make<TFrame1>}, {"TForm1", &make<TForm1>}, {"TForm2", &make<TForm2>},
    {"TForm3", &make<TForm3>},   {"TForm4", &make<TForm4>}, {"TAboutBox", &make<TAboutBox>},
    {"TForm5", &make<TForm5>},   {"TForm6", &make<TForm6>}, {"TFo1", &make<TFo1>},
    {"Tfu", &make<Tfu>},         {"Tfs1", &make<Tfs1>},     {"Tfs2", &make<Tfs2>},
    {"Tfs3", &make<Tfs3>},       {"Tfdir", &make<Tfdir>},   {"Tu1", &make<Tu1>},
    {"Tu2", &make<Tu2>},
};

}  // namespace

void prepareApplication(QApplication& app) {
    // The display name follows the application name without being set: once set, the window
    // system appends it to every window title ("Kestro TypeDeck 1.35 — Kestro TypeDeck").
    app.setApplicationName(QString::fromLatin1(kApplicationTitle));
    app.setProperty("helpFile", QString::fromLatin1(kApplicationHelpFile));
}

QString applicationHelpFile() {
    return QCoreApplication::instance() == nullptr
               ? QString()
               : QCoreApplication::instance()->property("helpFile").toString();
}

std::unique_ptr<QWidget> createWindow(const QString& className, Services& services) {
    for (const Entry& entry : kWindows) {
        if (className == QLatin1String(entry.name)) {
            std::unique_ptr<QWidget> window = entry.factory(services);
            window->setAttribute(Qt::WA_QuitOnClose, false);
            return window;
        }
    }
    return nullptr;
}

void createWindows(const QStringList& classes, Services& services, WindowSet& windows) {
    for (const QString& name : classes) {
        if (auto window = createWindow(name, services)) {
            windows.add(std::move(window));
        }
    }
}

namespace {

// Ends the run when the main window accepts a close, whether by its close box, the window
// manager, "e&Xit" or a termination signal, even when it was hidden first.
class MainWindowCloseWatch : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Close) {
            return false;
        }
        static_cast<QWidget*>(watched)->removeEventFilter(this);
        const bool handled = QCoreApplication::sendEvent(watched, event);
        if (event->isAccepted()) {
            QCoreApplication::quit();
        } else {
            watched->installEventFilter(this);
        }
        Q_UNUSED(handled);
        return true;
    }
};

}  // namespace

int runEventLoop(QApplication& app, WindowSet& windows) {
    QWidget* main = windows.mainWindow();
    if (main == nullptr) {
        return 0;
    }
    // Only the main window's closing ends the run; the others (the "Closing..." bar among
    // them) may still be on screen then.
    app.setQuitOnLastWindowClosed(false);
    MainWindowCloseWatch watch;
    main->installEventFilter(&watch);
    main->show();
    const int code = app.exec();
    main->removeEventFilter(&watch);
    return code;
}

}  // namespace td
