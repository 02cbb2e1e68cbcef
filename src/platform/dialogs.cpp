#include "platform/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>
#include <QSpacerItem>

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

int messageBoxCaptionWidth(const QString& caption) {
    // Title bars draw their text in the desktop's font, often bold, beside the window's icon and
    // its buttons; room for four such squares is kept besides the text.
    QFont font = QApplication::font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(caption) + 4 * (metrics.height() + 8);
}

std::unique_ptr<QMessageBox> makeMessageBox(QWidget* parent, BoxIcon icon, const QString& text,
                                            BoxButtons buttons, const QString& caption) {
    const QString title = caption.isEmpty() ? QApplication::applicationDisplayName() : caption;
    auto box = std::make_unique<QMessageBox>(toQtIcon(icon), title, displayText(text),
                                             toQtButtons(buttons), parent);
    // A box comes above every window of the program, the ones that stay on top included:
    // beneath one of those it would block the program with nothing to answer in sight.
    box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // The box sizes itself to its text and buttons; a short text would leave the title cut off.
    // Its size follows its layout, so the width is asked for there.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
        grid->addItem(new QSpacerItem(messageBoxCaptionWidth(title), 0, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    return box;
}

BoxAnswer QtDialogs::messageBox(QWidget* parent, BoxIcon icon, const QString& text,
                                BoxButtons buttons, const QString& caption) {
    // A parent that goes away while the box is open takes the box with it.
    const QPointer<QMessageBox> box =
        makeMessageBox(parent, icon, text, buttons, caption).release();
    const int answer = box->exec();
    delete box.data();
    switch (answer) {
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
