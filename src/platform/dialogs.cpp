#include "platform/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>

namespace td {

namespace {

QMessageBox::Icon toQtIcon(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::Information:
            return QMessageBox::Information;
        case BoxIcon::Warning:
            return QMessageBox::Warning;
        case BoxIcon::Critical:
            return QMessageBox::Critical;
        case BoxIcon::Question:
            return QMessageBox::Question;
        case BoxIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQtButtons(BoxButtons buttons) {
    switch (buttons) {
        case BoxButtons::Ok:
            return QMessageBox::Ok;
        case BoxButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case BoxButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case BoxButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

}  // namespace

QString displayText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    return shown;
}

BoxAnswer QtDialogs::messageBox(QWidget* parent, BoxIcon icon, const QString& text,
                                BoxButtons buttons, const QString& caption) {
    const QString title = caption.isEmpty() ? QApplication::applicationDisplayName() : caption;
    QMessageBox box(toQtIcon(icon), title, displayText(text), toQtButtons(buttons), parent);
    switch (box.exec()) {
        case QMessageBox::Ok:
            return BoxAnswer::Ok;
        case QMessageBox::Yes:
            return BoxAnswer::Yes;
        case QMessageBox::No:
            return BoxAnswer::No;
        default:
            break;
    }
    // A box closed with Escape or its close button counts as its cancelling answer.
    switch (buttons) {
        case BoxButtons::Ok:
            return BoxAnswer::Ok;
        case BoxButtons::YesNo:
            return BoxAnswer::No;
        default:
            return BoxAnswer::Cancel;
    }
}

void QtDialogs::beep() {
    QApplication::beep();
}

QString QtDialogs::openFileName(QWidget* parent, const QString& title, const QString& folder,
                                const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

void setUpOpenOrNewDialog(QFileDialog& dialog, const QString& title, const QString& folder,
                          const QString& filter) {
    dialog.setWindowTitle(title);
    dialog.setDirectory(folder);
    dialog.setNameFilter(filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
}

QString QtDialogs::openOrNewFileName(QWidget* parent, const QString& title, const QString& folder,
                                     const QString& filter) {
    QFileDialog dialog(parent);
    setUpOpenOrNewDialog(dialog, title, folder, filter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

QString QtDialogs::existingFolder(QWidget* parent, const QString& title, const QString& folder) {
    return QFileDialog::getExistingDirectory(parent, title, folder);
}

std::optional<QFont> QtDialogs::font(QWidget* parent, const QFont& initial, const QString& title) {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, initial, parent, title);
    if (!ok) {
        return std::nullopt;
    }
    return chosen;
}

}  // namespace td
