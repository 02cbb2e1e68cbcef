#include "setup/setupwindows.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>

#include "browse/filelist.h"
#include "platform/application.h"
#include "platform/configfolder.h"
#include "platform/dialogs.h"
#include "platform/drives.h"
#include "platform/profile.h"
#include "platform/shell.h"
#include "platform/tempfiles.h"
#include "setup/setupsteps.h"

namespace {

const QString kInstallCaption = QStringLiteral("Kestro TypeDeck program installation");
const QString kUninstallCaption = QStringLiteral("Kestro TypeDeck Uninstall program");
const QString kAbortQuestion = QStringLiteral("Do you want to abort this installation?");
const QString kReinstallQuestion =
    QStringLiteral("I make a mistake to remove Kestro TypeDeck.\n\rI want to install it again!");

// The program's 32 x 32 icon: a type sample on a card.
QPixmap programIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x20, 0x30, 0x60), 1.5));
    painter.setBrush(QColor(0xf4, 0xf0, 0xe0));
    painter.drawRoundedRect(QRectF(2.5, 2.5, 27, 27), 4, 4);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(22);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0x20, 0x30, 0x60));
    painter.drawText(QRect(2, 2, 28, 28), Qt::AlignCenter, QStringLiteral("Td"));
    return pixmap;
}

QFont headingFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(27);
    font.setBold(true);
    font.setItalic(true);
    return font;
}

// The nearest folder at or above `path` that exists.
QString existingFolderAtOrAbove(const QString& path) {
    QString folder = QDir::cleanPath(path);
    while (!QFileInfo(folder).isDir() && folder != QLatin1String("/")) {
        folder = QFileInfo(folder).path();
    }
    return folder;
}

}  // namespace

TFo1::TFo1(td::Services& services, QWidget* parent) : QWidget(parent) {
    Q_UNUSED(services);
    setObjectName(QStringLiteral("TFo1"));
    setWindowTitle(QStringLiteral("Setup"));
    setWindowState(Qt::WindowMinimized);
    Button1 = new QPushButton(QStringLiteral("Install"), this);
    Button2 = new QPushButton(QStringLiteral("UnInstall"), this);
    Button3 = new QPushButton(QStringLiteral("UnInstall-H"), this);
    int index = 1;
    for (QPushButton* button : {Button1, Button2, Button3}) {
        button->setObjectName(QStringLiteral("Button%1").arg(index++));
        button->hide();
    }
}

SetupWindow::SetupWindow(td::Services& services, const char* name, const QString& caption,
                         int width, int height, QWidget* parent)
    : QWidget(parent), m_services(services), m_executable(QCoreApplication::applicationFilePath()) {
    setObjectName(QString::fromLatin1(name));
    setWindowTitle(caption);
    setWindowIcon(programIcon());
    setFixedSize(width, height);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - QPoint(width / 2, height / 2));
    }
}

void SetupWindow::endProgram() {
    emit programEnded();
    QCoreApplication::quit();
}

bool SetupWindow::confirmAbort() {
    if (m_services.dialogs == nullptr ||
        m_services.dialogs->messageBox(this, td::BoxIcon::Question, kAbortQuestion,
                                       td::BoxButtons::YesNo) != td::BoxAnswer::Yes) {
        return false;
    }
    endProgram();
    return true;
}

QLabel* SetupWindow::addHeading(const QString& text) {
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("Image1"));
    icon->setPixmap(programIcon());
    icon->setGeometry(8, 8, 32, 32);
    QLabel* heading =
        addText("Label1", text, QRect(46, 4, width() - 48, 38), Qt::AlignLeft | Qt::AlignVCenter);
    heading->setFont(headingFont());
    heading->setWordWrap(false);
    return heading;
}

QPushButton* SetupWindow::addButton(const char* name, const QString& text, int x, int y,
                                    int width) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(x, y, width, 25);
    return button;
}

QLabel* SetupWindow::addText(const char* name, const QString& text, const QRect& geometry,
                             Qt::Alignment alignment) {
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(alignment);
    label->setGeometry(geometry);
    return label;
}

// ---- Tfs1

Tfs1::Tfs1(td::Services& services, QWidget* parent)
    : SetupWindow(services, "Tfs1", kInstallCaption, 370, 220, parent) {
    Label1 = addHeading(QStringLiteral("Welcome!"));
    Label2 =
        addText("Label2", QStringLiteral("This installation program will install Kestro TypeDeck."),
                QRect(16, 56, 338, 20));
    Label3 = addText("Label3",
                     QStringLiteral("Press the Next Button to start the installation. You can "
                                    "press the cancel button now if you do not want to install "
                                    "Kestro TypeDeck at this time."),
                     QRect(16, 84, 338, 66), Qt::AlignCenter);
    Button1 = addButton("Button1", QStringLiteral("&Next >"), 196, 176);
    Button2 = addButton("Button2", QStringLiteral("&Cancel"), 280, 176);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, td::guarded(this, &Tfs1::Button1Click));
    connect(Button2, &QPushButton::clicked, this, td::guarded(this, &Tfs1::Button2Click));
}

void Tfs1::Button1Click() {
    if (auto* next = sibling<Tfs2>()) {
        next->show();
    }
    hide();
}

void Tfs1::Button2Click() {
    confirmAbort();
}

// ---- Tfs2

Tfs2::Tfs2(td::Services& services, QWidget* parent)
    : SetupWindow(services, "Tfs2", kInstallCaption, 460, 346, parent) {
    Label1 = addHeading(QStringLiteral("Select Destination Directory"));
    Label2 = addText("Label2",
                     QStringLiteral("Please select the directory where Kestro TypeDeck program "
                                    "files are to be installed."),
                     QRect(16, 50, 428, 34));

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(16, 88, 428, 42);
    Edit1 = new QLineEdit(Panel1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFrame(false);
    Edit1->setStyleSheet(QStringLiteral("QLineEdit { background: #c0c0c0; }"));
    Edit1->setGeometry(8, 10, 316, 22);
    Button1 = new QPushButton(QStringLiteral("B&rowse..."), Panel1);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(332, 8, 88, 25);

    Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setGeometry(16, 138, 428, 160);
    CheckBox1 = new QCheckBox(QStringLiteral("Create Program Manager group"), Panel2);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setChecked(true);
    CheckBox1->setGeometry(8, 4, 412, 20);
    Label3 = new QLabel(QStringLiteral("Enter the name of the Program Manager group where the "
                                       "Kestro TypeDeck shortcuts should go:"),
                        Panel2);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setWordWrap(true);
    Label3->setGeometry(8, 24, 412, 34);
    Edit2 = new QLineEdit(QString::fromLatin1(td::kProductName), Panel2);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setGeometry(8, 60, 412, 22);
    ListBox1 = new QListWidget(Panel2);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(8, 84, 412, 48);
    CheckBox2 = new QCheckBox(QStringLiteral("Create Desktop shortcut"), Panel2);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setChecked(true);
    CheckBox2->setGeometry(8, 136, 412, 20);

    Button3 = addButton("Button3", QStringLiteral("&Cancel"), 276, 310);
    Button2 = addButton("Button2", QStringLiteral("&Install >"), 360, 310, 84);
    Button2->setDefault(true);

    connect(Button1, &QPushButton::clicked, this, td::guarded(this, &Tfs2::Button1Click));
    connect(Button2, &QPushButton::clicked, this, td::guarded(this, &Tfs2::Button2Click));
    connect(Button3, &QPushButton::clicked, this, td::guarded(this, &Tfs2::Button3Click));
    connect(CheckBox1, &QCheckBox::clicked, this, td::guarded(this, &Tfs2::CheckBox1Click));
    connect(ListBox1, &QListWidget::itemClicked, this, td::guarded(this, &Tfs2::ListBox1Click));
    FormCreate();
}

void Tfs2::FormCreate() {
    if (m_services.registry == nullptr) {
        return;
    }
    ListBox1->addItems(td::programGroups(*m_services.registry));
    Edit1->setText(td::initialDestination(*m_services.registry));
}

void Tfs2::Button1Click() {
    if (auto* dialog = sibling<Tfdir>()) {
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
    }
}

void Tfs2::Button2Click() {
    const QString problem = td::destinationProblem(Edit1->text());
    if (!problem.isEmpty()) {
        if (m_services.dialogs != nullptr) {
            m_services.dialogs->messageBox(this, td::BoxIcon::Warning, problem, td::BoxButtons::Ok);
        }
        return;
    }
    if (m_services.registry == nullptr || m_services.shortcuts == nullptr) {
        return;
    }
    td::InstallRequest request;
    request.destination = Edit1->text();
    request.sourceFolder = QFileInfo(m_executable).path();
    request.createGroup = CheckBox1->isChecked();
    request.group = Edit2->text();
    request.createDesktopShortcut = CheckBox2->isChecked();
    // A shortcut that cannot be written throws: this page then stays open.
    td::installProgram(request, *m_services.registry, *m_services.shortcuts);
    if (auto* next = sibling<Tfs3>()) {
        next->show();
    }
    hide();
}

void Tfs2::Button3Click() {
    confirmAbort();
}

void Tfs2::CheckBox1Click() {
    Edit2->setVisible(CheckBox1->isChecked());
    ListBox1->setVisible(CheckBox1->isChecked());
}

void Tfs2::ListBox1Click(QListWidgetItem* item) {
    if (item != nullptr) {
        Edit2->setText(item->text());
    }
}

void Tfs2::closeEvent(QCloseEvent* event) {
    bool abort = false;
    td::runGuarded([&] { abort = confirmAbort(); });
    if (abort) {
        event->accept();
    } else {
        event->ignore();
    }
}

// ---- Tfs3

Tfs3::Tfs3(td::Services& services, QWidget* parent)
    : SetupWindow(services, "Tfs3", kInstallCaption, 370, 220, parent) {
    Label1 = addHeading(QStringLiteral("Installation Complete!"));
    Label2 = addText("Label2", QStringLiteral("Kestro TypeDeck has been succesfully installed."),
                     QRect(16, 60, 338, 20));
    Label3 = addText("Label3", QStringLiteral("Do you want to run Kestro TypeDeck now?"),
                     QRect(16, 100, 338, 20));
    Button2 = addButton("Button2", QStringLiteral("&No"), 196, 176);
    Button1 = addButton("Button1", QStringLiteral("&Yes"), 280, 176);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, td::guarded(this, &Tfs3::Button1Click));
    connect(Button2, &QPushButton::clicked, this, td::guarded(this, &Tfs3::Button2Click));
}

void Tfs3::Button1Click() {
    const auto* destination = sibling<Tfs2>();
    if (destination != nullptr && m_services.shell != nullptr) {
        const QString program =
            td::withTrailingSlash(destination->Edit1->text()) + QStringLiteral("td.exe");
        if (QFileInfo(program).isFile()) {
            m_services.shell->start(program, {});
        }
    }
    endProgram();
}

void Tfs3::Button2Click() {
    endProgram();
}

void Tfs3::closeEvent(QCloseEvent* event) {
    td::runGuarded([this] { endProgram(); });
    event->accept();
}

// ---- Tfdir

Tfdir::Tfdir(td::Services& services, QWidget* parent)
    : SetupWindow(services, "Tfdir", QStringLiteral("Select Destination Directory"), 243, 295,
                  parent) {
    setWindowFlag(Qt::Dialog);
    DriveComboBox1 = new QComboBox(this);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    DriveComboBox1->setGeometry(8, 8, 227, 24);
    m_model = new QFileSystemModel(this);
    // Hidden folders are listed: the usual destination lies under ~/.local.
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    DirectoryListBox1 = new QTreeView(this);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    DirectoryListBox1->setModel(m_model);
    DirectoryListBox1->setHeaderHidden(true);
    for (int column = 1; column < m_model->columnCount(); ++column) {
        DirectoryListBox1->hideColumn(column);
    }
    DirectoryListBox1->setGeometry(8, 38, 227, 214);
    Button1 = addButton("Button1", QStringLiteral("&Select"), 84, 262);
    connect(Button1, &QPushButton::clicked, this, td::guarded(this, &Tfdir::Button1Click));
    connect(DriveComboBox1, &QComboBox::activated, this,
            td::guarded(this, &Tfdir::DriveComboBox1Change));
}

void Tfdir::FormActivate() {
    const auto* destination = sibling<Tfs2>();
    if (destination == nullptr) {
        return;
    }
    // The destination's parent, or the nearest folder above it that exists: a fresh home has
    // no program files folder yet.
    const QString text = destination->Edit1->text();
    const QString parent = text.left(text.lastIndexOf(QLatin1Char('/')) + 1);
    const QString folder =
        existingFolderAtOrAbove(QDir::isAbsolutePath(parent) ? parent : QDir::homePath());
    DriveComboBox1->clear();
    QString root = QStringLiteral("/");
    if (m_services.drives != nullptr) {
        for (const td::Drive& drive : m_services.drives->list()) {
            DriveComboBox1->addItem(drive.root);
        }
        const QString holder = m_services.drives->driveOf(folder);
        root = holder.isEmpty() ? root : holder;
    }
    if (DriveComboBox1->findText(root) < 0) {
        DriveComboBox1->addItem(root);
    }
    DriveComboBox1->setCurrentIndex(DriveComboBox1->findText(root));
    showDrive(root);
    showFolder(folder);
}

void Tfdir::DriveComboBox1Change() {
    const QString root = DriveComboBox1->currentText();
    if (root.isEmpty() || (m_services.drives != nullptr && !m_services.drives->isReady(root))) {
        return;
    }
    showDrive(root);
    showFolder(root);
}

void Tfdir::Button1Click() {
    if (auto* destination = sibling<Tfs2>()) {
        destination->Edit1->setText(shownFolder() + QString::fromLatin1(td::kProductName));
    }
    close();
}

QString Tfdir::shownFolder() const {
    const QModelIndex current = DirectoryListBox1->currentIndex();
    const QString folder = current.isValid() ? m_model->filePath(current) : m_model->rootPath();
    return td::withTrailingSlash(folder);
}

void Tfdir::showFolder(const QString& folder) {
    const QModelIndex index = m_model->index(QDir::cleanPath(folder));
    if (!index.isValid()) {
        return;
    }
    DirectoryListBox1->setCurrentIndex(index);
    DirectoryListBox1->scrollTo(index);
}

void Tfdir::showDrive(const QString& root) {
    DirectoryListBox1->setRootIndex(m_model->setRootPath(root));
}

void Tfdir::changeEvent(QEvent* event) {
    SetupWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        td::runGuarded([this] { FormActivate(); });
    }
}

void Tfdir::showEvent(QShowEvent* event) {
    SetupWindow::showEvent(event);
    td::runGuarded([this] { FormActivate(); });
}

// ---- Tu1, Tu2

UninstallWindow::UninstallWindow(td::Services& services, const char* name, int height,
                                 const QString& text, const QString& go, QWidget* parent)
    : SetupWindow(services, name, kUninstallCaption, 322, height, parent) {
    Label1 = addText("Label1", text, QRect(12, 16, 298, 52), Qt::AlignCenter);
    Button2 = addButton("Button2", QStringLiteral("&Cancel"), 60, 96);
    Button1 = addButton("Button1", go, 187, 96);
    connect(Button1, &QPushButton::clicked, this,
            td::guarded(this, &UninstallWindow::Button1Click));
    connect(Button2, &QPushButton::clicked, this,
            td::guarded(this, &UninstallWindow::Button2Click));
}

void UninstallWindow::Button2Click() {
    endProgram();
}

Tu1::Tu1(td::Services& services, QWidget* parent)
    : UninstallWindow(services, "Tu1", 137,
                      QStringLiteral("This program will remove Kestro TypeDeck from your "
                                     "computer and all traces."),
                      QStringLiteral("&OK"), parent) {
    Button1->setDefault(true);
}

void Tu1::Button1Click() {
    if (m_services.registry != nullptr && m_services.shell != nullptr &&
        m_services.tempFiles != nullptr) {
        td::startUninstallCopy(m_executable, m_services.tempFiles->tempPath(), *m_services.registry,
                               *m_services.shell);
    }
    endProgram();
}

Tu2::Tu2(td::Services& services, QWidget* parent)
    : UninstallWindow(services, "Tu2", 136,
                      QStringLiteral("Are you sure you want to completely remove the  Kestro "
                                     "TypeDeck and all of it''s components?"),
                      QStringLiteral("&Yes"), parent) {}

void Tu2::Button1Click() {
    if (m_services.registry == nullptr || m_services.dialogs == nullptr ||
        m_services.shell == nullptr || m_services.shortcuts == nullptr) {
        endProgram();
        return;
    }
    QStringList profileFiles;
    for (const QString& name : {QStringLiteral("ke-TD1.ini"), QStringLiteral("ke-TD2.ini")}) {
        profileFiles << (m_services.profiles != nullptr
                             ? m_services.profiles->pathOf(name)
                             : td::configFolder() + QLatin1Char('/') + name);
    }
    td::removeInstallation(*m_services.registry, *m_services.shortcuts, profileFiles, m_executable);
    const td::BoxAnswer answer =
        m_services.dialogs->messageBox(this, td::BoxIcon::Critical, kReinstallQuestion,
                                       td::BoxButtons::YesNo, QStringLiteral("Error"));
    if (answer == td::BoxAnswer::Yes) {
        m_services.shell->start(m_executable, {});
    } else if (m_services.tempFiles != nullptr) {
        td::removeUninstallCopy(m_executable, m_services.tempFiles->tempPath(),
                                *m_services.registry);
    }
    endProgram();
}
