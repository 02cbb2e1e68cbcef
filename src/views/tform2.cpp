#include "views/tform2.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

#include "platform/fonttable.h"
#include "views/fontmap.h"

TForm2::TForm2(td::Services& services, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowDoesNotAcceptFocus) {
    Q_UNUSED(services);
    setObjectName(QStringLiteral("TForm2"));
    // Shown while the user works in the main window: showing it must not activate it, or the
    // main window would count the focus coming back as a new activation.
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    layout->addWidget(Panel1);
    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    resize(60, 60);
    FormCreate();
}

void TForm2::FormCreate() {
    if (layout() != nullptr) {
        layout()->activate();
    }
    Image1->setGeometry(0, 0, Panel1->width(), Panel1->height());
}

void TForm2::showCharacter(const QString& caption, int side, const QPoint& topLeft,
                           const td::DrawingFont& font, const QString& text) {
    setFixedSize(side, side);
    move(topLeft);
    setWindowTitle(caption);
    FormCreate();
    m_image = QImage(Image1->size(), QImage::Format_RGB32);
    m_image.fill(palette().color(QPalette::Window));
    {
        QPainter painter(&m_image);
        painter.setPen(palette().color(QPalette::WindowText));
        const QPoint at = td::centredTextOffset(m_image.size(), font, text);
        font.drawTextAt(painter, at, text);
    }
    Image1->setPixmap(QPixmap::fromImage(m_image));
    show();
}
