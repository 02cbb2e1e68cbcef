#pragma once

#include <QApplication>

namespace td {

class Dialogs;

// The application object. An exception that leaves an event handler is caught here, at the
// event loop's boundary, and its text is shown in a critical box: the framework's standard
// error box. Exceptions never travel through Qt's own frames.
class Application : public QApplication {
    Q_OBJECT
  public:
    Application(int& argc, char** argv);

    // The seam that shows the error box; without one the text goes to standard error.
    void setDialogs(Dialogs* dialogs) { m_dialogs = dialogs; }

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows an error's text as the standard error box.
    void showError(const QString& text);

  private:
    Dialogs* m_dialogs = nullptr;
};

}  // namespace td
