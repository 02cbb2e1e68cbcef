#include "app/helpviewer.h"

#include <QFile>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent), m_browser(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("Kestro TypeDeck Help"));
    m_browser->setObjectName(QStringLiteral("HelpBrowser"));
    // Links inside the help move within it; links to the web stay text.
    m_browser->setOpenLinks(true);
    m_browser->setOpenExternalLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(560, 480);
}

QString HelpViewer::anchorOf(int context) {
    return QStringLiteral("context%1").arg(context);
}

bool HelpViewer::open(const QString& file, int context) {
    QFile help(file);
    if (!help.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QString html = QString::fromUtf8(help.readAll());
    m_file = file;
    m_context = context;
    m_browser->setSearchPaths({file.left(file.lastIndexOf(QLatin1Char('/')) + 1)});
    m_browser->setHtml(html);
    m_browser->scrollToAnchor(anchorOf(context));
    return true;
}
