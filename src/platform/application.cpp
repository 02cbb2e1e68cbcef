#include "platform/application.h"

#include <cstdio>

#include "platform/dialogs.h"
#include "platform/error.h"

namespace td {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    // Handlers guard themselves; this catches what one of them missed.
    try {
        return QApplication::notify(receiver, event);
    } catch (const Error& error) {
        showError(error.message());
    } catch (const std::exception& error) {
        showError(QString::fromUtf8(error.what()));
    }
    return false;
}

void Application::showError(const QString& text) {
    if (m_dialogs != nullptr) {
        m_dialogs->messageBox(nullptr, BoxIcon::Critical, text, BoxButtons::Ok);
    } else {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
}

void showErrorBox(const QString& text) {
    if (auto* app = qobject_cast<Application*>(QCoreApplication::instance())) {
        app->showError(text);
    } else {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
}

void runGuarded(const std::function<void()>& work) {
    try {
        work();
    } catch (const Error& error) {
        showErrorBox(error.message());
    } catch (const std::exception& error) {
        showErrorBox(QString::fromUtf8(error.what()));
    }
}

}  // namespace td
