#include "export/targetdialogs.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

#include "export/exportfolders.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/drives.h"
#include "platform/error.h"
#include "platform/windowset.h"

namespace {

constexpr int kFolderRole = Qt::UserRole + 1;

const char* const kNewDir = "&New Dir";
const char* const kCreate = "&Create";

template <class T>
T* named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QString withSlash(const QString& path) {
    return path.endsWith(u'/') ? path : path + u'/';
}

QLabel* boldLabel(const QString& text, QWidget* parent, const char* name) {
    auto* label = named(new QLabel(text, parent), name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

}  // namespace

void centreOnScreen(QWidget& window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        window.move(screen->availableGeometry().center() -
                    QPoint(window.width() / 2, window.height() / 2));
    }
}

// ---------------------------------------------------------------------------------------------
// TForm5

TForm5::TForm5(td::Services& services, QWidget* parent) : QWidget(parent), m_services(services) {
    setObjectName(QStringLiteral("TForm5"));
    setWindowFlags(Qt::Window);
    setWindowTitle(QStringLiteral("Save in..."));
    setFixedSize(241, 349);

    DriveComboBox1 = named(new QComboBox(this), "DriveComboBox1");
    DriveComboBox1->setGeometry(8, 8, 225, 24);
    Label2 = boldLabel(QStringLiteral("Save in:"), this, "Label2");
    Label2->setGeometry(8, 36, 225, 18);
    Label1 = boldLabel(QString(), this, "Label1");
    Label1->setGeometry(8, 54, 225, 18);
    DirectoryListBox1 = named(new QListWidget(this), "DirectoryListBox1");
    DirectoryListBox1->setGeometry(8, 76, 225, 196);
    Edit1 = named(new QLineEdit(this), "Edit1");
    Edit1->setGeometry(8, 278, 225, 22);
    Edit1->hide();
    Button2 = named(new QPushButton(QString::fromLatin1(kNewDir), this), "Button2");
    Button2->setGeometry(8, 310, 70, 25);
    Button3 = named(new QPushButton(QStringLiteral("c&Ancel"), this), "Button3");
    Button3->setGeometry(85, 310, 70, 25);
    Button3->hide();
    Button1 = named(new QPushButton(QStringLiteral("&Do"), this), "Button1");
    Button1->setGeometry(85, 310, 70, 25);
    Button4 = named(new QPushButton(QStringLiteral("&Cancel"), this), "Button4");
    Button4->setGeometry(163, 310, 70, 25);

    connect(Button1, &QPushButton::clicked, this, td::guarded(this, &TForm5::Button1Click));
    connect(Button2, &QPushButton::clicked, this, td::guarded(this, &TForm5::Button2Click));
    connect(Button3, &QPushButton::clicked, this, td::guarded(this, &TForm5::Button3Click));
    connect(Button4, &QPushButton::clicked, this, td::guarded(this, &TForm5::Button4Click));
    connect(DriveComboBox1, &QComboBox::activated, this,
            td::guarded(this, &TForm5::DriveComboBox1Change));
    connect(DirectoryListBox1, &QListWidget::itemActivated, this,
            td::guarded([this](QListWidgetItem* item) {
                setDirectory(item->data(kFolderRole).toString());
            }));

    setDirectory(QDir::currentPath());
    centreOnScreen(*this);
}

TForm5::~TForm5() {
    leaveNaming();
}

bool TForm5::isNaming() const {
    return Button2->text() == QLatin1String(kCreate);
}

void TForm5::fillDrives() {
    DriveComboBox1->clear();
    if (m_services.drives == nullptr) {
        return;
    }
    for (const td::Drive& drive : m_services.drives->list()) {
        DriveComboBox1->addItem(drive.root);
    }
    DriveComboBox1->setCurrentIndex(
        DriveComboBox1->findText(m_services.drives->driveOf(m_directory)));
}

void TForm5::setDirectory(const QString& folder) {
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isReadable()) {
        return;
    }
    m_directory = withSlash(QDir::cleanPath(info.absoluteFilePath()));
    Label1->setText(m_directory);

    // The folders from the root down to this one, then its subfolders, each a step further in.
    DirectoryListBox1->clear();
    QStringList chain;
    for (QDir dir(m_directory);;) {
        chain.prepend(withSlash(dir.absolutePath()));
        if (!dir.cdUp()) {
            break;
        }
    }
    int depth = 0;
    for (const QString& path : std::as_const(chain)) {
        const QString name = path == u"/" ? path : QFileInfo(path.chopped(1)).fileName();
        auto* item = new QListWidgetItem(QString(depth * 2, u' ') + name, DirectoryListBox1);
        item->setData(kFolderRole, path);
        ++depth;
    }
    DirectoryListBox1->setCurrentRow(DirectoryListBox1->count() - 1);
    const QStringList subfolders = QDir(m_directory)
                                       .entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                                                  QDir::Name | QDir::IgnoreCase);
    for (const QString& name : subfolders) {
        auto* item = new QListWidgetItem(QString(depth * 2, u' ') + name, DirectoryListBox1);
        item->setData(kFolderRole, m_directory + name + u'/');
    }
    fillDrives();
}

void TForm5::leaveNaming() {
    Button2->setText(QString::fromLatin1(kNewDir));
    Edit1->hide();
    Button3->hide();
    Button1->show();
    Button4->show();
}

void TForm5::Button2Click() {
    if (!isNaming()) {
        Button2->setText(QString::fromLatin1(kCreate));
        Edit1->show();
        Button3->show();
        Button1->hide();
        Button4->hide();
        Edit1->setFocus();
        return;
    }
    const QString name = Edit1->text();
    const QString parent = m_directory;
    td::Dialogs* dialogs = m_services.dialogs;
    if (td::SubfolderExists(parent, name)) {
        if (dialogs != nullptr) {
            dialogs->messageBox(this, td::BoxIcon::Warning,
                                QStringLiteral("Directory already exists!"), td::BoxButtons::Ok);
        }
        return;
    }
    try {
        td::createSubfolder(parent, name);
    } catch (const td::Error& error) {
        // The standard error box; the name can be corrected and tried again.
        if (dialogs != nullptr) {
            dialogs->messageBox(this, td::BoxIcon::Critical, error.message(), td::BoxButtons::Ok);
        }
        return;
    }
    leaveNaming();
    setDirectory(parent + name);
}

void TForm5::Button3Click() {
    leaveNaming();
}

void TForm5::Button1Click() {
    leaveNaming();
    if (m_services.windows != nullptr) {
        if (auto* target = m_services.windows->find<TForm6>()) {
            target->setPath(m_directory);
        }
    }
    close();
}

void TForm5::Button4Click() {
    close();
}

void TForm5::FormClose() {
    leaveNaming();
}

void TForm5::closeEvent(QCloseEvent* event) {
    td::runGuarded([this] { FormClose(); });
    QWidget::closeEvent(event);
}

void TForm5::DriveComboBox1Change() {
    const QString root = DriveComboBox1->currentText();
    if (!root.isEmpty() && (m_services.drives == nullptr || m_services.drives->isReady(root))) {
        setDirectory(root);
    } else {
        fillDrives();
    }
}

// ---------------------------------------------------------------------------------------------
// TForm6

TForm6::TForm6(td::Services& services, QWidget* parent) : QWidget(parent), m_services(services) {
    setObjectName(QStringLiteral("TForm6"));
    setWindowFlags(Qt::Window);
    setWindowTitle(QStringLiteral("Save in..."));
    setFixedSize(386, 98);

    Edit1 = named(new QLineEdit(this), "Edit1");
    Edit1->setGeometry(8, 12, 370, 22);
    Edit1->setEnabled(false);
    Button1 = named(new QPushButton(QStringLiteral("&Browse..."), this), "Button1");
    Button1->setGeometry(8, 56, 75, 25);
    Button3 = named(new QPushButton(QStringLiteral("&Cancel"), this), "Button3");
    Button3->setGeometry(222, 56, 75, 25);
    Button2 = named(new QPushButton(QStringLiteral("&Save"), this), "Button2");
    Button2->setGeometry(303, 56, 75, 25);

    connect(Button1, &QPushButton::clicked, this, td::guarded(this, &TForm6::Button1Click));
    connect(Button2, &QPushButton::clicked, this, td::guarded(this, &TForm6::Button2Click));
    connect(Button3, &QPushButton::clicked, this, td::guarded(this, &TForm6::Button3Click));
    centreOnScreen(*this);
}

void TForm6::setHandlers(SaveHandler save, CancelHandler cancel) {
    m_save = std::move(save);
    m_cancel = std::move(cancel);
}

QString TForm6::path() const {
    return Edit1->text();
}

void TForm6::setPath(const QString& path) {
    Edit1->setText(path);
}

void TForm6::Button1Click() {
    if (m_services.windows != nullptr) {
        if (auto* browse = m_services.windows->find<TForm5>()) {
            browse->show();
            browse->raise();
            browse->activateWindow();
        }
    }
}

void TForm6::Button2Click() {
    // An export that stops on an error keeps the dialog open.
    if (m_save && !m_save(path())) {
        return;
    }
    m_saved = true;
    close();
    m_saved = false;
}

void TForm6::Button3Click() {
    close();
}

void TForm6::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (!m_saved && m_cancel) {
        td::runGuarded(m_cancel);
    }
}
