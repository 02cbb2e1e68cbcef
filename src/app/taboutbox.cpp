#include "app/taboutbox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/maker.h"
#include "platform/application.h"
#include "platform/shell.h"

TAboutBox::TAboutBox(td::Services& services, QWidget* parent)
    : QWidget(parent), m_services(services) {
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowFlag(Qt::Dialog);
    setWindowTitle(QStringLiteral("About"));

    auto* layout = new QVBoxLayout(this);
    auto* product = new QLabel(QStringLiteral("Kestro TypeDeck 1.35"), this);
    product->setObjectName(QStringLiteral("ProductName"));
    QFont big = product->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.5);
    product->setFont(big);
    product->setAlignment(Qt::AlignCenter);
    layout->addWidget(product);

    auto* author =
        new QLabel(QStringLiteral("Written by %1").arg(QLatin1String(td::kMakerName)), this);
    author->setObjectName(QStringLiteral("Author"));
    author->setAlignment(Qt::AlignCenter);
    layout->addWidget(author);

    auto* links = new QHBoxLayout;
    HomeButton = new QPushButton(QStringLiteral("&Home page"), this);
    HomeButton->setObjectName(QStringLiteral("HomeButton"));
    HomeButton->setToolTip(QString::fromLatin1(td::kMakerHomePage));
    ProductButton = new QPushButton(QStringLiteral("&Product page"), this);
    ProductButton->setObjectName(QStringLiteral("ProductButton"));
    ProductButton->setToolTip(QString::fromLatin1(td::kMakerProductPage));
    links->addWidget(HomeButton);
    links->addWidget(ProductButton);
    layout->addLayout(links);

    const QString mail = QString::fromLatin1(td::kMakerMail);
    MailLabel =
        new QLabel(QStringLiteral("<a href=\"mailto:%1\">%1</a>").arg(mail.toHtmlEscaped()), this);
    MailLabel->setObjectName(QStringLiteral("MailLabel"));
    MailLabel->setAlignment(Qt::AlignCenter);
    MailLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    layout->addWidget(MailLabel);

    CloseButton = new QPushButton(QStringLiteral("Close"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    layout->addWidget(CloseButton, 0, Qt::AlignCenter);

    connect(HomeButton, &QPushButton::clicked, this,
            td::guarded([this] { open(QString::fromLatin1(td::kMakerHomePage)); }));
    connect(ProductButton, &QPushButton::clicked, this,
            td::guarded([this] { open(QString::fromLatin1(td::kMakerProductPage)); }));
    connect(MailLabel, &QLabel::linkActivated, this,
            td::guarded([this](const QString& link) { open(link); }));
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
}

void TAboutBox::open(const QString& target) {
    if (m_services.shell != nullptr) {
        m_services.shell->openDocument(target);
    }
}
