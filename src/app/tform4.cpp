#include "app/tform4.h"

#include <QGuiApplication>
#include <QScreen>

TForm4::TForm4(td::Services& services, QWidget* parent) : QWidget(parent) {
    Q_UNUSED(services);
    setObjectName(QStringLiteral("TForm4"));
    setWindowTitle(QStringLiteral("Closing..."));
    // A caption with no buttons on it: the bar cannot be closed or moved aside by the user.
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint);
    resize(260, 40);
}

void TForm4::showClosingBar() {
    setMinimumHeight(0);
    resize(width(), 0);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center().x() - width() / 2, area.center().y() - frameGeometry().height() / 2);
    }
    show();
    raise();
}
