#pragma once

#include <QFont>
#include <QString>
#include <memory>
#include <optional>

class QFileDialog;
class QMessageBox;
class QWidget;

namespace td {

// The icon of a message box; it also decides the box's sound on the desktop.
enum class BoxIcon { None, Information, Warning, Critical, Question };

// The button sets of the message boxes the program shows.
enum class BoxButtons { Ok, OkCancel, YesNo, YesNoCancel };

// Which button closed a message box.
enum class BoxAnswer { Ok, Cancel, Yes, No };

// Every message box, file, folder and font dialog and every beep goes through this seam, so
// tests can answer them without a modal window ever blocking.
class Dialogs {
  public:
    Dialogs() = default;
    Dialogs(const Dialogs&) = delete;
    Dialogs& operator=(const Dialogs&) = delete;
    virtual ~Dialogs() = default;

    // Shows a modal message box and returns the button that closed it; an empty caption means
    // the application title.
    virtual BoxAnswer messageBox(QWidget* parent, BoxIcon icon, const QString& text,
                                 BoxButtons buttons, const QString& caption = {}) = 0;
    // Sounds the default beep.
    virtual void beep() = 0;
    // Asks for an existing file to open; empty when cancelled.
    virtual QString openFileName(QWidget* parent, const QString& title, const QString& folder,
                                 const QString& filter) = 0;
    // Asks for an existing folder; empty when cancelled.
    virtual QString existingFolder(QWidget* parent, const QString& title,
                                   const QString& folder) = 0;
    // Asks for a file to open or to create: a name of a file that does not exist yet is
    // accepted. Empty when cancelled. Unless overridden, it is the open dialog.
    virtual QString openOrNewFileName(QWidget* parent, const QString& title, const QString& folder,
                                      const QString& filter) {
        return openFileName(parent, title, folder, filter);
    }
    // Asks for a font, starting from the given one; nothing when cancelled.
    virtual std::optional<QFont> font(QWidget* parent, const QFont& initial,
                                      const QString& title) = 0;
};

// The desktop's dialogs: QMessageBox with the application title as caption, QFileDialog,
// QFontDialog and the application beep.
class QtDialogs final : public Dialogs {
  public:
    BoxAnswer messageBox(QWidget* parent, BoxIcon icon, const QString& text, BoxButtons buttons,
                         const QString& caption = {}) override;
    void beep() override;
    QString openFileName(QWidget* parent, const QString& title, const QString& folder,
                         const QString& filter) override;
    QString existingFolder(QWidget* parent, const QString& title, const QString& folder) override;
    QString openOrNewFileName(QWidget* parent, const QString& title, const QString& folder,
                              const QString& filter) override;
    std::optional<QFont> font(QWidget* parent, const QFont& initial, const QString& title) override;
};

// The box QtDialogs shows: caption, icon, text and buttons as asked, above every window of the
// program (those that stay on top included), and at least messageBoxCaptionWidth wide.
std::unique_ptr<QMessageBox> makeMessageBox(QWidget* parent, BoxIcon icon, const QString& text,
                                            BoxButtons buttons, const QString& caption = {});
// The width a message box needs for its title bar to show `caption` whole.
int messageBoxCaptionWidth(const QString& caption);

// Sets `dialog` up to ask for a file to open or to create: any name is accepted, and the
// filter's patterns match names whatever their case (the program's own dialog is used, since a
// desktop's native dialog may match by case).
void setUpOpenOrNewDialog(QFileDialog& dialog, const QString& title, const QString& folder,
                          const QString& filter);

// Texts of the system break lines with "\n\r"; the box on screen shows that pair as one break.
QString displayText(const QString& text);

}  // namespace td
