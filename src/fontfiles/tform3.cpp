#include "fontfiles/tform3.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "platform/application.h"
#include "platform/drives.h"

namespace {

constexpr int kPathRole = Qt::UserRole + 1;

QString withSeparator(const QString& path) {
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

}  // namespace

TForm3::TForm3(td::Services& services, QWidget* parent) : QWidget(parent), m_services(services) {
    setObjectName(QStringLiteral("TForm3"));
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint);
    setWindowTitle(QStringLiteral("Form3"));
    resize(309, 395);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(57);
    DriveComboBox1 = new QComboBox(Panel1);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    DriveComboBox1->setGeometry(8, 6, 281, 24);
    Label2 = new QLabel(QStringLiteral("To: "), Panel1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(8, 34, 24, 18);
    Label1 = new QLabel(Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(34, 34, 266, 18);
    Label3 = new QLabel(QStringLiteral("0"), Panel1);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->hide();
    layout->addWidget(Panel1);

    DirectoryListBox1 = new QListWidget(this);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    layout->addWidget(DirectoryListBox1, 1);

    Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedHeight(53);
    Button1 = new QPushButton(QStringLiteral("Cancel"), Panel2);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(16, 14, 75, 25);
    Button2 = new QPushButton(QStringLiteral("Do"), Panel2);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(309 - 16 - 75, 14, 75, 25);
    layout->addWidget(Panel2);

    connect(Button1, &QPushButton::clicked, this, td::guarded(this, &TForm3::Button1Click));
    connect(Button2, &QPushButton::clicked, this, td::guarded(this, &TForm3::Button2Click));
    connect(DriveComboBox1, &QComboBox::activated, this,
            td::guarded(this, &TForm3::DriveComboBox1Change));
    connect(DirectoryListBox1, &QListWidget::itemActivated, this,
            td::guarded(this, &TForm3::openItem));
    connect(DirectoryListBox1, &QListWidget::currentItemChanged, this,
            td::guarded([this](QListWidgetItem* item) {
                if (item != nullptr) {
                    Label1->setText(withSeparator(item->data(kPathRole).toString()));
                }
            }));

    m_directory = withSeparator(QDir::currentPath());
}

void TForm3::showSelectMode(const QString& marker) {
    Label3->setText(marker);
    showCentred(QStringLiteral("Select"), QStringLiteral("Select"));
}

void TForm3::showDoMode(const QString& caption) {
    showCentred(caption, QStringLiteral("Do"));
}

void TForm3::showCentred(const QString& caption, const QString& button) {
    setWindowTitle(caption);
    Button2->setText(button);
    fillDrives();
    setDirectory(QDir::currentPath());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    activateWindow();
}

void TForm3::fillDrives() {
    DriveComboBox1->clear();
    if (m_services.drives != nullptr) {
        for (const td::Drive& drive : m_services.drives->list()) {
            DriveComboBox1->addItem(drive.root);
        }
    }
}

void TForm3::setDirectory(const QString& folder) {
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isReadable()) {
        return;
    }
    m_directory = withSeparator(QDir::cleanPath(info.absoluteFilePath()));
    QDir::setCurrent(m_directory);
    Label1->setText(m_directory);

    // The folder list: the folder's ancestors from the root down, the folder itself, then its
    // subfolders, each indented one step further.
    DirectoryListBox1->clear();
    QStringList chain;
    for (QDir dir(m_directory);;) {
        chain.prepend(dir.absolutePath());
        if (!dir.cdUp()) {
            break;
        }
    }
    int depth = 0;
    for (const QString& path : std::as_const(chain)) {
        const QString name = path == QLatin1String("/") ? path : QFileInfo(path).fileName();
        auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + name);
        item->setData(kPathRole, path);
        DirectoryListBox1->addItem(item);
        ++depth;
    }
    DirectoryListBox1->setCurrentRow(DirectoryListBox1->count() - 1);
    const QFileInfoList subfolders =
        QDir(m_directory)
            .entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& sub : subfolders) {
        auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + sub.fileName());
        item->setData(kPathRole, sub.absoluteFilePath());
        DirectoryListBox1->addItem(item);
    }

    // The drive selector follows the folder.
    if (m_services.drives != nullptr) {
        const int index = DriveComboBox1->findText(m_services.drives->driveOf(m_directory));
        if (index >= 0) {
            DriveComboBox1->setCurrentIndex(index);
        }
    }
}

QString TForm3::chosenFolder() const {
    const QListWidgetItem* item = DirectoryListBox1->currentItem();
    return item != nullptr ? withSeparator(item->data(kPathRole).toString()) : m_directory;
}

void TForm3::openItem(QListWidgetItem* item) {
    if (item != nullptr) {
        setDirectory(item->data(kPathRole).toString());
    }
}

void TForm3::DriveComboBox1Change() {
    const QString root = DriveComboBox1->currentText();
    if (!root.isEmpty() && (m_services.drives == nullptr || m_services.drives->isReady(root))) {
        setDirectory(root);
    }
}

void TForm3::Button1Click() {
    close();
}

void TForm3::Button2Click() {
    if (Button2->text() == QLatin1String("Select")) {
        const QString folder = chosenFolder();
        setWindowTitle(folder);
        emit folderSelected(Label3->text(), folder);
    } else if (Button2->text() == QLatin1String("Do")) {
        // Closed first: the copy or move that follows may ask nothing, but it must not run
        // under a dialog that still stays on top.
        const QString mode = windowTitle();
        const QString folder = chosenFolder();
        close();
        emit doPressed(mode, folder);
        return;
    }
    close();
}
