#include "platform/application.h"

#include <cstdio>

#include "platform/dialogs.h"
#include "platform/error.h"

namespace td {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
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

}  // namespace td
