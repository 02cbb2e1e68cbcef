#include "app/tframe1.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QWindow>

#include "app/helpviewer.h"
#include "app/optionspage.h"
#include "app/radiogroup.h"
#include "app/taboutbox.h"
#include "app/tform4.h"
#include "archive/tziparchive.h"
#include "browse/archivecommands.h"
#include "browse/directorypanel.h"
#include "browse/fontlisting.h"
#include "browse/propertiesfill.h"
#include "export/bmpwriter.h"
#include "export/charmap.h"
#include "export/exportcommand.h"
#include "fontfiles/tform3.h"
#include "platform/application.h"
#include "platform/busyanimation.h"
#include "platform/dialogs.h"
#include "platform/drives.h"
#include "platform/error.h"
#include "platform/fonttable.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/tempfiles.h"
#include "platform/windowset.h"
#include "views/fontmap.h"
#include "views/installedfonts.h"
#include "views/searchpanel.h"
#include "views/tform2.h"

using td::SettingSpec;
using td::SettingValue;
namespace setting = td::setting;

namespace {

const char* const kCaption = "Kestro TypeDeck 1.35";
const char* const kRecentFile = "ke-TD2.ini";
const char* const kZipPlaceholder = "zip file";
const char* const kCopyPlaceholder = "copydir";

constexpr int kBottomHeight = 65;
constexpr int kButtonWidth = 60;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 20;

template <class T>
T* named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QTableWidget* makeGrid(QWidget* parent, const char* name, int rows, int columns) {
    auto* grid = named(new QTableWidget(rows, columns, parent), name);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    // Cells as small as the smallest size options allow.
    grid->horizontalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setMinimumSectionSize(1);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return grid;
}

QListWidget* makeHiddenList(QWidget* parent, const char* name) {
    auto* list = named(new QListWidget(parent), name);
    list->hide();
    return list;
}

}  // namespace

TFrame1::TFrame1(td::Services& services, QWidget* parent) : QWidget(parent), m_services(services) {
    setObjectName(QStringLiteral("TFrame1"));
    buildWindow();
    connectEvents();
    FormCreate();
}

TFrame1::~TFrame1() {
    // The application's focus signals would otherwise reach this window while its children are
    // being destroyed, after it has stopped being a TFrame1.
    QObject::disconnect(qApp, nullptr, this, nullptr);
    FormDestroy();
}

// ---------------------------------------------------------------------------------------------
// Building the window

void TFrame1::buildWindow() {
    resize(580, 420);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    PageControl1 = named(new QTabWidget(this), "PageControl1");
    TabSheet1 = buildDirectoryPage();
    TabSheet2 = buildInstalledPage();
    TabSheet3 = buildFontMapPage();
    TabSheet5 = buildSearchPage();
    TabSheet4 = buildOptionsPage();
    PageControl1->addTab(TabSheet1, QStringLiteral("Directory fonts"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Installed fonts"));
    PageControl1->addTab(TabSheet3, QStringLiteral("Font Map"));
    PageControl1->addTab(TabSheet5, QStringLiteral("Search"));
    PageControl1->addTab(TabSheet4, QStringLiteral("Options"));
    PageControl1->setCurrentWidget(TabSheet1);
    layout->addWidget(PageControl1, 1);

    buildBottomBar();
    layout->addWidget(Panel1);

    // Work controls of the listing and the exports; never shown.
    Memo1 = named(new QPlainTextEdit(this), "Memo1");
    Memo1->hide();
    ListBox6 = makeHiddenList(this, "ListBox6");
    Image2 = named(new QLabel(this), "Image2");
    Image2->hide();

    buildPopupMenu();
    buildSearch();
    ZipArchive1 = new td::TZipArchive(m_services, this);
    ZipArchive1->setObjectName(QStringLiteral("ZipArchive1"));

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, td::guarded([this] { ShowHelp(1); }));
}

QWidget* TFrame1::buildDirectoryPage() {
    auto* page = named(new QWidget, "TabSheet1");
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The source panel places its controls by hand: the file list's height follows the panel.
    Panel2 = named(new QFrame(page), "Panel2");
    Panel2->setFixedWidth(161);
    Panel2->setFrameShape(QFrame::StyledPanel);
    RadioButton5 = named(new QRadioButton(QStringLiteral("&TTF File"), Panel2), "RadioButton5");
    RadioButton5->setGeometry(6, 4, 150, 18);
    RadioButton5->setChecked(true);
    CheckBox1 = named(new QCheckBox(QStringLiteral("&With subdirectories"), Panel2), "CheckBox1");
    CheckBox1->setGeometry(22, 22, 135, 18);
    RadioButton6 = named(new QRadioButton(QStringLiteral("&ZIP File"), Panel2), "RadioButton6");
    RadioButton6->setGeometry(6, 40, 150, 18);
    DriveComboBox1 = named(new QComboBox(Panel2), "DriveComboBox1");
    DriveComboBox1->setGeometry(4, 62, 153, 24);
    DirectoryListBox1 = named(new QListWidget(Panel2), "DirectoryListBox1");
    DirectoryListBox1->setGeometry(4, 90, 153, 110);
    FileListBox1 = named(new QListWidget(Panel2), "FileListBox1");
    FileListBox1->setGeometry(4, 204, 153, 100);
    FileListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FileListBox1->setToolTip(QStringLiteral("Right-click to view menu"));
    FileListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(Panel2);

    StringGrid2 = makeGrid(page, "StringGrid2", 1, 1);
    StringGrid2->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid2->setToolTip(QStringLiteral("Double-click switching to Font Map"));
    StringGrid2->verticalHeader()->setDefaultSectionSize(50);
    layout->addWidget(StringGrid2, 1);

    StringGrid1 = makeGrid(page, "StringGrid1", 1, 9);
    StringGrid1->hide();
    ListBox4 = makeHiddenList(page, "ListBox4");
    return page;
}

QWidget* TFrame1::buildInstalledPage() {
    auto* page = named(new QWidget, "TabSheet2");
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    StringGrid5 = makeGrid(page, "StringGrid5", 0, 1);
    StringGrid5->setToolTip(QStringLiteral("Double-click switching to Font Map"));
    layout->addWidget(StringGrid5);
    StringGrid4 = makeGrid(page, "StringGrid4", 0, 4);
    StringGrid4->hide();
    ListBox1 = makeHiddenList(page, "ListBox1");
    return page;
}

QWidget* TFrame1::buildFontMapPage() {
    // The grid is sized by the layout routine, not by a layout.
    auto* page = named(new QWidget, "TabSheet3");
    StringGrid3 = makeGrid(page, "StringGrid3", 17, 17);
    StringGrid3->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid3->setGeometry(0, 0, 580, 300);
    LabelPage = named(new QLabel(QStringLiteral("&Page:"), page), "LabelPage");
    ComboBoxPage = named(new QComboBox(page), "ComboBoxPage");
    LabelPage->setBuddy(ComboBoxPage);
    return page;
}

QWidget* TFrame1::buildSearchPage() {
    auto* page = named(new QWidget, "TabSheet5");
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 0);

    auto* top = new QHBoxLayout;
    auto* drives = new QVBoxLayout;
    Label7 = named(new QLabel(QStringLiteral("Select Drives:"), page), "Label7");
    drives->addWidget(Label7);
    ListBox2 = named(new QListWidget(page), "ListBox2");
    ListBox2->setSelectionMode(QAbstractItemView::MultiSelection);
    ListBox2->setToolTip(QStringLiteral("MultiSelect Drives or Double Click!"));
    ListBox2->setMaximumWidth(140);
    drives->addWidget(ListBox2, 1);
    auto* mask = new QHBoxLayout;
    Edit3 = named(new QLineEdit(QStringLiteral("*"), page), "Edit3");
    Edit3->setMaximumWidth(100);
    Label6 = named(new QLabel(QStringLiteral(".TTF"), page), "Label6");
    mask->addWidget(Edit3);
    mask->addWidget(Label6);
    mask->addStretch();
    drives->addLayout(mask);
    Button9 = named(new QPushButton(QStringLiteral("s&Earch"), page), "Button9");
    Button9->setFixedSize(kButtonWidth, kButtonHeight);
    drives->addWidget(Button9);
    top->addLayout(drives);

    // Rows, heads and sorting come from the tab's controller (buildSearch).
    StringGrid6 = named(new QTableView(page), "StringGrid6");
    StringGrid6->setEditTriggers(QAbstractItemView::NoEditTriggers);
    top->addWidget(StringGrid6, 1);
    layout->addLayout(top, 1);

    auto* preview = named(new QFrame(page), "Panel4");
    preview->setFixedHeight(51);
    auto* previewLayout = new QVBoxLayout(preview);
    previewLayout->setContentsMargins(0, 0, 0, 0);
    RichEdit1 = named(new QTextEdit(preview), "RichEdit1");
    previewLayout->addWidget(RichEdit1);
    layout->addWidget(preview);

    ListBox5 = makeHiddenList(page, "ListBox5");
    ListBox7 = makeHiddenList(page, "ListBox7");
    return page;
}

QWidget* TFrame1::buildOptionsPage() {
    td::OptionsPage::Hooks hooks;
    hooks.sampleRowHeight = [this] { return StringGrid2->verticalHeader()->defaultSectionSize(); };
    hooks.setRowHeight = [this](int height, bool installedGridToo) {
        StringGrid2->verticalHeader()->setDefaultSectionSize(height);
        if (installedGridToo) {
            StringGrid5->verticalHeader()->setDefaultSectionSize(height);
        }
    };
    hooks.fontMapSizeChanged = [this] { SpinEdit3Change(); };
    m_options = std::make_unique<td::OptionsPage>(m_services, this, std::move(hooks));
    const td::OptionsPage& options = *m_options;
    Panel10 = options.Panel10;
    PageControl2 = options.PageControl2;
    TabSheet6 = options.TabSheet6;
    TabSheet7 = options.TabSheet7;
    RadioGroup1 = options.RadioGroup1;
    RadioGroup2 = options.RadioGroup2;
    CheckBox8 = options.CheckBox8;
    SpinEdit1 = options.SpinEdit1;
    SpinEdit2 = options.SpinEdit2;
    SpinEdit3 = options.SpinEdit3;
    SpinEdit4 = options.SpinEdit4;
    SpinEdit5 = options.SpinEdit5;
    SpinEdit6 = options.SpinEdit6;
    GroupBox7 = options.GroupBox7;
    ComboBox2 = options.ComboBox2;
    Edit1 = options.Edit1;
    Edit2 = options.Edit2;
    Edit4 = options.Edit4;
    Edit5 = options.Edit5;
    Edit6 = options.Edit6;
    Edit7 = options.Edit7;
    Button2 = options.Button2;
    Button3 = options.Button3;
    Button5 = options.Button5;
    Button10 = options.Button10;
    return options.page();
}

void TFrame1::buildBottomBar() {
    Panel1 = named(new QFrame(this), "Panel1");
    Panel1->setFixedHeight(kBottomHeight);
    Panel1->setFrameShape(QFrame::StyledPanel);

    Panel3 = named(new QFrame(Panel1), "Panel3");
    const int buttonsWidth = 5 * kButtonWidth + 4 * kButtonGap;
    Panel3->setGeometry(0, 0, buttonsWidth + kButtonGap + 50, kBottomHeight);
    struct ButtonSpec {
        QPushButton** field;
        const char* name;
        const char* caption;
        const char* hint;
    };
    const ButtonSpec buttons[] = {
        {&Button1, "Button1", "&Refresh", ""},
        {&Button6, "Button6", "&Install", "Install selected font(s)"},
        {&Button4, "Button4", "&Delete", "Delete selected file(s)"},
        {&Button7, "Button7", "&Save ",
         "Save sample fonts as a JPEG grouped in directories and create a HTML file for easy "
         "browsing of previously saved samples."},
        {&Button8, "Button8", "e&Xit", ""},
    };
    int left = 0;
    for (const ButtonSpec& spec : buttons) {
        auto* button = named(new QPushButton(QString::fromLatin1(spec.caption), Panel3), spec.name);
        button->setGeometry(left, 8, kButtonWidth, kButtonHeight);
        button->setToolTip(QString::fromLatin1(spec.hint));
        button->setProperty("tag", 0);
        *spec.field = button;
        left += kButtonWidth + kButtonGap;
    }
    Label8 = named(new QLabel(QStringLiteral("Press F1 for Help!"), Panel3), "Label8");
    Label8->setAlignment(Qt::AlignCenter);
    Label8->setGeometry(0, 38, buttonsWidth, 20);

    Image1 = named(new td::ClickableLabel(Panel3), "Image1");
    Image1->setGeometry(buttonsWidth + kButtonGap, 7, 50, 50);
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->setToolTip(QStringLiteral("About Kestro TypeDeck"));
    {
        // The maker's mark: a small drawn logo, so the program needs no picture file.
        QPixmap logo(50, 50);
        logo.fill(QColor(0, 64, 128));
        QPainter painter(&logo);
        painter.setPen(Qt::white);
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(26);
        painter.setFont(font);
        painter.drawText(logo.rect(), Qt::AlignCenter, QStringLiteral("Td"));
        painter.end();
        Image1->setPixmap(logo);
    }

    Animate1 = named(new td::BusyAnimation(Panel1), "Animate1");
    Animate1->setGeometry(0, 10, 48, 45);
    Animate1->hide();
}

void TFrame1::buildPopupMenu() {
    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    PopupMenu1->setToolTipsVisible(true);
    auto action = [](QMenu* menu, const char* name, const char* caption) {
        QAction* item = menu->addAction(QString::fromLatin1(caption));
        item->setObjectName(QString::fromLatin1(name));
        return item;
    };
    auto submenu = [this](const char* name, const char* caption) {
        auto* menu = new QMenu(QString::fromLatin1(caption), PopupMenu1);
        QAction* item = PopupMenu1->addMenu(menu);
        item->setObjectName(QString::fromLatin1(name));
        menu->setObjectName(QString::fromLatin1(name) + QStringLiteral("Menu"));
        menu->setToolTipsVisible(true);
        return std::pair{item, menu};
    };

    auto [zipItem, zipMenu] = submenu("Addtozip1", "Add to zip");
    Addtozip1 = zipItem;
    for (int n = 1; n <= 5; ++n) {
        const QByteArray name = QStringLiteral("N%1zip1").arg(n).toLatin1();
        QAction* item = action(zipMenu, name.constData(), kZipPlaceholder);
        item->setToolTip(QStringLiteral("Chose a zip file first"));
        item->setVisible(false);
        NzipItems[static_cast<std::size_t>(n - 1)] = item;
    }
    New1 = action(zipMenu, "New1", "Browse...");

    ViewasCharacterMap1 = action(PopupMenu1, "ViewasCharacterMap1", "View as Character Map");
    Install = action(PopupMenu1, "Install", "Install");
    Properties1 = action(PopupMenu1, "Properties1", "Properties");

    auto [copyItem, copyMenu] = submenu("copyto1", "Copy To...");
    copyto1 = copyItem;
    for (int n = 1; n <= 5; ++n) {
        const QByteArray name = QStringLiteral("copydir%1").arg(n).toLatin1();
        QAction* item = action(copyMenu, name.constData(), kCopyPlaceholder);
        item->setVisible(false);
        copydirItems[static_cast<std::size_t>(n - 1)] = item;
    }
    newcopydir1 = action(copyMenu, "newcopydir1", "Browse...");

    auto [moveItem, moveMenu] = submenu("MoveTo1", "Move To...");
    MoveTo1 = moveItem;
    for (int n = 1; n <= 5; ++n) {
        const QByteArray name = QStringLiteral("movedir%1").arg(n).toLatin1();
        QAction* item = action(moveMenu, name.constData(), "movedir");
        item->setVisible(false);
        movedirItems[static_cast<std::size_t>(n - 1)] = item;
    }
    newmovedir11 = action(moveMenu, "newmovedir11", "Browse...");

    PopupMenu1->addSeparator();
    Deletefromzip1 = action(PopupMenu1, "Deletefromzip1", "Delete");

    connect(FileListBox1, &QWidget::customContextMenuRequested, this,
            td::guarded([this](const QPoint& at) {
                PopupMenu1->popup(FileListBox1->viewport()->mapToGlobal(at));
            }));
}

void TFrame1::connectEvents() {
    connect(PageControl1, &QTabWidget::currentChanged, this, td::guarded([this] {
                PageControl1Change();
                enterPage(PageControl1->currentWidget());
            }));
    connect(qApp, &QApplication::focusChanged, this, td::guarded([this](QWidget*, QWidget* now) {
                if (QWidget* page = pageOf(now)) {
                    enterPage(page);
                }
            }));
    connect(qApp, &QGuiApplication::focusWindowChanged, this,
            td::guarded(this, &TFrame1::onFocusWindowChanged));

    connect(Button1, &QPushButton::clicked, this, td::guarded(this, &TFrame1::Button1Click));
    connect(Button9, &QPushButton::clicked, this, td::guarded(this, &TFrame1::Button1Click));
    connect(Button4, &QPushButton::clicked, this, td::guarded(this, &TFrame1::Button4Click));
    connect(Button6, &QPushButton::clicked, this, td::guarded(this, &TFrame1::Button6Click));
    connect(Button7, &QPushButton::clicked, this, td::guarded(this, &TFrame1::Button7Click));
    connect(Button8, &QPushButton::clicked, this, td::guarded(this, &TFrame1::Button8Click));
    connect(Image1, &td::ClickableLabel::clicked, this, td::guarded(this, &TFrame1::Image1Click));

    // Deleting from an archive is the "&Delete" button's own command.
    connect(Deletefromzip1, &QAction::triggered, this, td::guarded(this, &TFrame1::Button4Click));
    connectFontCommands();
}

// ---------------------------------------------------------------------------------------------
// Life cycle

void TFrame1::FormCreate() {
    // 1. The help file that lies beside the executable.
    m_helpFile = td::withTrailingSeparator(QCoreApplication::applicationDirPath()) +
                 QStringLiteral("td.hlp");
    // 2 - 4.
    m_exportFlag = false;
    setWindowTitle(QString::fromLatin1(kCaption));
    m_viewMode = 1;
    // 5.
    Edit1->setEnabled(true);
    Edit1->setText(QString::fromLatin1(setting::Sampletext.defaultText));
    // 6 - 7.
    LoadRecentMenus();
    // A library that cannot be loaded is reported in a box; it comes from the event loop, first
    // thing, so that the box belongs to the running program (a termination request ends it)
    // rather than to the start-up code that is still making the windows.
    QMetaObject::invokeMethod(this, td::guarded(this, &TFrame1::LoadArchiveLibraries),
                              Qt::QueuedConnection);
    // 8. The temporary folder, where archive fonts are extracted.
    m_tempPath = m_services.tempFiles != nullptr ? m_services.tempFiles->tempPath()
                                                 : td::privateTempFolder(QDir::tempPath());
    m_tempPath = td::withTrailingSeparator(m_tempPath);
    buildDirectoryListing();
    buildFontMap();
    buildInstalledListing();
    buildExport();
    // 9 - 10.
    LoadWindowPlacement();
    RichEdit1->append(Edit1->text());
}

void TFrame1::FormShow() {
    PageControl1->setCurrentWidget(TabSheet1);
    LoadSettings();
    // The about box made at start-up is not needed any more; clicks on the logo make new ones.
    if (m_services.windows != nullptr) {
        if (auto* about = m_services.windows->find<TAboutBox>()) {
            about->close();
        }
    }
}

void TFrame1::FormActivate() {
    // A refresh in progress lets paint events through; an activation then must not start
    // another one inside it.
    if (m_refreshing) {
        return;
    }
    if (CheckBox8->isChecked()) {
        Button1->click();
    }
    if (PageControl1->currentWidget() != TabSheet3) {
        LayoutMainWindow();
    }
    FillDriveList();
}

void TFrame1::FormResize() {
    LayoutMainWindow();
}

void TFrame1::FormClose() {
    if (m_closed) {
        return;
    }
    m_closed = true;
    SaveWindowPlacement();
    for (const QString& path : std::as_const(lb_)) {
        DeactivateFontFile(path);
    }
    SaveRecentMenus();
    UnloadArchiveLibraries();
    td::deleteTemporaryFonts(m_tempPath);
}

void TFrame1::FormDestroy() {
    SaveWindowPlacement();
}

void TFrame1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        m_closed = false;
        // The first-show steps may ask questions; they run from the event loop, so that a box
        // shown then is a box of the running program (which a termination request can end)
        // rather than one nested inside the call that shows the window.
        QMetaObject::invokeMethod(this, td::guarded(this, &TFrame1::firstShow),
                                  Qt::QueuedConnection);
    }
}

void TFrame1::firstShow() {
    if (m_firstShowDone || m_closed) {
        return;
    }
    m_firstShowDone = true;
    FormShow();
    FormActivate();
}

void TFrame1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_firstShowDone) {
        td::runGuarded([this] { FormResize(); });
    }
}

void TFrame1::closeEvent(QCloseEvent* event) {
    td::runGuarded([this] { FormClose(); });
    event->accept();
}

void TFrame1::onFocusWindowChanged(QWindow* window) {
    using Origin = ActivationRule::Origin;
    Origin origin = Origin::Outside;
    if (window != nullptr) {
        origin = Origin::OwnWindow;
        if (window == windowHandle()) {
            origin = Origin::MainWindow;
        } else {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (top->windowHandle() == window && qobject_cast<QMessageBox*>(top) != nullptr) {
                    origin = Origin::MessageBox;
                    break;
                }
            }
        }
    }
    if (m_activation.focusMovedTo(origin) && m_firstShowDone && isVisible()) {
        FormActivate();
    }
}

// ---------------------------------------------------------------------------------------------
// Tabs, bottom bar and busy indicator

void TFrame1::PageControl1Change() {
    QWidget* page = PageControl1->currentWidget();
    const bool directory = page == TabSheet1;
    const bool installed = page == TabSheet2;
    const bool search = page == TabSheet5;
    Button1->setVisible(directory || installed);
    Button6->setVisible(directory);
    Button4->setVisible(directory || installed || search);
    Button7->setVisible(!search);
    Button8->setVisible(true);
    if (directory && CheckBox8->isChecked()) {
        ListFonts();
    } else if (page == TabSheet3) {
        SpinEdit3Change();
        StringGrid3->viewport()->update();
    } else if (page == TabSheet4) {
        centreOptionsPanel();
    }
}

QWidget* TFrame1::pageOf(QWidget* widget) const {
    for (QWidget* page : {TabSheet1, TabSheet2, TabSheet3, TabSheet4, TabSheet5}) {
        if (widget != nullptr && (widget == page || page->isAncestorOf(widget))) {
            return page;
        }
    }
    return nullptr;
}

void TFrame1::enterPage(QWidget* page) {
    if (page == nullptr || page == m_enteredPage) {
        return;
    }
    if (m_enteredPage == TabSheet5) {
        TabSheet5Exit();
    }
    m_enteredPage = page;
    if (page == TabSheet1) {
        TabSheet1Enter();
    } else if (page == TabSheet2) {
        TabSheet2Enter();
    } else if (page == TabSheet3) {
        TabSheet3Enter();
    } else if (page == TabSheet4) {
        TabSheet4Enter();
    } else if (page == TabSheet5) {
        TabSheet5Enter();
    }
}

void TFrame1::TabSheet1Enter() {
    DeactivateFontFile(m_activeFontMapFile);
}

void TFrame1::TabSheet2Enter() {
    DeactivateFontFile(m_activeFontMapFile);
}

void TFrame1::TabSheet3Enter() {
    if (!m_fontMapFile.isEmpty() && m_activeFontMapFile != m_fontMapFile &&
        QFileInfo::exists(m_fontMapFile)) {
        DeactivateFontFile(m_activeFontMapFile);
        ActivateFontFile(m_fontMapFile);
    }
    // The face drawn may have changed with the activation.
    if (m_fontMap) {
        m_fontMap->refreshPages();
    }
}

void TFrame1::TabSheet4Enter() {
    DeactivateFontFile(m_activeFontMapFile);
}

void TFrame1::TabSheet5Enter() {
    DeactivateFontFile(m_activeFontMapFile);
}

void TFrame1::TabSheet5Exit() {
    m_searchPanel->ReleasePreviews();
}

void TFrame1::ActivateFontFile(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    if (m_services.fonts != nullptr) {
        m_services.fonts->activate(path);
    }
    // The font map remembers what it activated, so that entering its tab twice does not count
    // the file twice and leaving it releases exactly that file.
    if (path == m_fontMapFile) {
        m_activeFontMapFile = path;
    }
}

void TFrame1::DeactivateFontFile(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    if (m_services.fonts != nullptr) {
        m_services.fonts->deactivate(path);
    }
    if (path == m_activeFontMapFile) {
        m_activeFontMapFile.clear();
    }
}

void TFrame1::Button1Click() {
    if (m_refreshing) {
        return;
    }
    m_refreshing = true;
    QWidget* page = PageControl1->currentWidget();
    try {
        if (page == TabSheet1) {
            ListFonts();
        } else if (page == TabSheet2) {
            ListInstalledFonts();
        } else if (page == TabSheet5) {
            RunSearch();
        }
    } catch (...) {
        m_refreshing = false;
        throw;
    }
    m_refreshing = false;
}

void TFrame1::Button4Click() {
    DeleteSelected();
}

void TFrame1::Button6Click() {
    const int mode = viewMode();
    if ((mode != 1 && mode != 3) || PageControl1->currentWidget() != TabSheet1) {
        return;
    }
    InstallSelectedFonts();
    if (CheckBox8->isChecked()) {
        ListInstalledFonts();
    }
}

void TFrame1::Button7Click() {
    if (m_export == nullptr && PageControl1->currentWidget() == TabSheet4) {
        SaveSettings();
    } else {
        ExportSamples();
    }
}

void TFrame1::Button8Click() {
    if (m_services.windows != nullptr) {
        if (auto* closing = m_services.windows->find<TForm4>()) {
            closing->showClosingBar();
        }
    }
    emit exitStarted();
    hide();
    close();
}

void TFrame1::Image1Click() {
    // Each click opens a box of its own, owned by the application and gone when closed.
    auto* about = new TAboutBox(m_services);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->setAttribute(Qt::WA_QuitOnClose, false);
    about->show();
}

QList<QPushButton*> TFrame1::busyButtons() const {
    return {Button1, Button4, Button6, Button7, Button8};
}

void TFrame1::ShowBusy(int animation) {
    Animate1->setAnimation(animation);
    Animate1->move(Panel3->x() - Animate1->width() - 4, Animate1->y());
    Animate1->show();
    for (QPushButton* button : busyButtons()) {
        if (!button->isHidden()) {
            button->hide();
            button->setProperty("tag", 1);
        }
    }
    Animate1->start();
}

void TFrame1::ShowIdle() {
    Animate1->hide();
    Animate1->setAnimation(td::BusyAnimation::None);
    for (QPushButton* button : busyButtons()) {
        if (button->property("tag").toInt() == 1) {
            button->show();
            button->setProperty("tag", 0);
        }
    }
    Animate1->stop();
}

void TFrame1::fitPages() {
    // Every page takes the tab control's page area, shown or not, so that the sizes worked out
    // below hold for the pages the user has not opened yet.
    if (layout() != nullptr) {
        layout()->activate();
    }
    const QRect area = PageControl1->currentWidget()->geometry();
    for (int i = 0; i < PageControl1->count(); ++i) {
        QWidget* page = PageControl1->widget(i);
        if (page->geometry() != area) {
            page->setGeometry(area);
        }
        if (page->layout() != nullptr) {
            page->layout()->activate();
        }
        if (page != PageControl1->currentWidget()) {
            layOutHiddenPage(page);
        }
    }
}

void TFrame1::layOutHiddenPage(QWidget* page) {
    // A hidden widget's layout waits until the widget is shown before it follows a new size, so
    // a page not shown is laid out here, each widget before the ones inside it.
    QList<QWidget*> widgets{page};
    widgets += page->findChildren<QWidget*>();
    for (QWidget* widget : std::as_const(widgets)) {
        if (QLayout* layout = widget->layout()) {
            layout->setGeometry(widget->contentsRect());
        }
    }
}

void TFrame1::LayoutMainWindow() {
    fitPages();
    // 1. Font Map texts, stored transposed (the map's painting reads them back that way).
    td::writeFontMapCells(*StringGrid3, m_fontMap ? m_fontMap->page() : 0);
    // 2. The base-font field keeps the face loaded from the settings or chosen by the user.
    // 3 - 5.
    FileListBox1->resize(FileListBox1->width(), std::max(0, Panel2->height() - FileListBox1->y()));
    StringGrid2->setColumnWidth(0, std::max(0, StringGrid2->width() - 25));
    StringGrid5->setColumnWidth(0, std::max(0, TabSheet1->width() - 25));
    // 6.
    // The page selector takes a row above the grid; the grid ends where the tab's area ends.
    const int selectorRow = ComboBoxPage->sizeHint().height() + 4;
    LabelPage->adjustSize();
    LabelPage->move(4, (selectorRow - LabelPage->height()) / 2);
    // Wide enough for the longest block names, never wider than the tab.
    constexpr int kPageSelectorWidth = 380;
    const int selectorLeft = LabelPage->x() + LabelPage->width() + 4;
    ComboBoxPage->setGeometry(
        selectorLeft, 2,
        std::max(0, std::min(kPageSelectorWidth, Panel1->width() - selectorLeft - 4)),
        ComboBoxPage->sizeHint().height());
    StringGrid3->setGeometry(0, selectorRow, Panel1->width(),
                             std::max(0, PageControl1->height() - Panel1->height() - selectorRow));
    SpinEdit3Change();
    // 7.
    m_searchPanel->LayoutColumns();
    // 8.
    Panel3->move((Panel1->width() - Panel3->width()) / 2, Panel3->y());
    Animate1->move(Panel3->x() - Animate1->width() - 4, Animate1->y());
    centreOptionsPanel();
    // 9.
    if (CheckBox8->isChecked()) {
        ListFonts();
        ListInstalledFonts();
    }
}

void TFrame1::centreOptionsPanel() {
    fitPages();
    Panel10->move((TabSheet4->width() - Panel10->width()) / 2,
                  (TabSheet4->height() - Panel10->height()) / 2);
}

void TFrame1::FillDriveList() {
    ListBox2->clear();
    if (m_services.drives != nullptr) {
        for (const td::Drive& drive : m_services.drives->list()) {
            switch (drive.type) {
                case td::DriveType::Removable:
                case td::DriveType::Fixed:
                case td::DriveType::Remote:
                case td::DriveType::CdRom:
                case td::DriveType::RamDisk:
                    ListBox2->addItem(drive.root);
                    break;
                case td::DriveType::Unknown:
                case td::DriveType::NoRootDir:
                    break;
            }
        }
    }
    if (ListBox2->count() > 0) {
        ListBox2->setCurrentRow(0);
        ListBox2->item(0)->setSelected(true);
    }
}

// ---------------------------------------------------------------------------------------------
// Settings store

std::int64_t TFrame1::pixelBudget() const {
    return m_options->pixelBudget();
}

void TFrame1::LoadSettings() {
    m_options->LoadSettings();
}

void TFrame1::SaveSettings() {
    m_options->SaveSettings();
    ShowIdle();
}

void TFrame1::LoadWindowPlacement() {
    if (m_services.registry == nullptr) {
        return;
    }
    const auto key = m_services.registry->openKey(td::RootKey::LocalMachine,
                                                  QString::fromLatin1(td::kSettingsKey), true);
    if (key == nullptr) {
        return;
    }
    const int height = td::readSetting(*key, setting::Height).number;
    const int width = td::readSetting(*key, setting::Width).number;
    const int left = td::readSetting(*key, setting::Left).number;
    const int top = td::readSetting(*key, setting::Top).number;
    resize(width, height);
    move(left, top);
}

void TFrame1::SaveWindowPlacement() {
    if (m_services.registry == nullptr) {
        return;
    }
    const auto key = td::openSettingsKeyForWriting(*m_services.registry);
    if (key == nullptr) {
        return;
    }
    try {
        td::writeSetting(*key, setting::Height, {height(), {}});
        td::writeSetting(*key, setting::Width, {width(), {}});
        td::writeSetting(*key, setting::Left, {x(), {}});
        td::writeSetting(*key, setting::Top, {y(), {}});
    } catch (const td::Error&) {
    }
}

void TFrame1::LoadRecentMenus() {
    td::ProfileFiles* ini = m_services.profiles;
    if (ini == nullptr) {
        return;
    }
    const QString file = QString::fromLatin1(kRecentFile);
    const QString menu = QStringLiteral("Menu");
    const QString copyMove = QStringLiteral("CopyMove");
    for (int n = 1; n <= 5; ++n) {
        QAction* item = NzipItems[static_cast<std::size_t>(n - 1)];
        item->setText(ini->readString(file, menu, QStringLiteral("menu%1").arg(n),
                                      QString::fromLatin1(kZipPlaceholder)));
        item->setVisible(ini->readBool(file, menu, QStringLiteral("menu%1b").arg(n), false));
    }
    for (const auto* items : {&copydirItems, &movedirItems}) {
        for (int n = 1; n <= 5; ++n) {
            QAction* item = (*items)[static_cast<std::size_t>(n - 1)];
            item->setText(ini->readString(file, copyMove, QStringLiteral("CopyMove%1").arg(n),
                                          QString::fromLatin1(kCopyPlaceholder)));
            item->setVisible(
                ini->readBool(file, copyMove, QStringLiteral("CopyMove%1b").arg(n), false));
        }
    }
}

void TFrame1::SaveRecentMenus() {
    td::ProfileFiles* ini = m_services.profiles;
    if (ini == nullptr) {
        return;
    }
    const QString file = QString::fromLatin1(kRecentFile);
    for (int n = 1; n <= 5; ++n) {
        const QAction* item = NzipItems[static_cast<std::size_t>(n - 1)];
        ini->writeString(file, QStringLiteral("Menu"), QStringLiteral("menu%1").arg(n),
                         item->text());
        ini->writeBool(file, QStringLiteral("Menu"), QStringLiteral("menu%1b").arg(n),
                       item->isVisible());
    }
    for (int n = 1; n <= 5; ++n) {
        const QAction* item = copydirItems[static_cast<std::size_t>(n - 1)];
        ini->writeString(file, QStringLiteral("CopyMove"), QStringLiteral("CopyMove%1").arg(n),
                         item->text());
        ini->writeBool(file, QStringLiteral("CopyMove"), QStringLiteral("CopyMove%1b").arg(n),
                       item->isVisible());
    }
}

void TFrame1::UpdateBudget() {
    m_options->UpdateBudget();
}

// ---------------------------------------------------------------------------------------------
// Option controls

void TFrame1::SpinEdit3Change() {
    const int size = SpinEdit3->value();
    StringGrid3->horizontalHeader()->setDefaultSectionSize(size);
    StringGrid3->verticalHeader()->setDefaultSectionSize(size);
    for (int i = 0; i < StringGrid3->columnCount(); ++i) {
        StringGrid3->setColumnWidth(i, size);
    }
    for (int j = 0; j < StringGrid3->rowCount(); ++j) {
        StringGrid3->setRowHeight(j, size);
    }
    if (m_fontMap) {
        m_fontMap->fitHeads();
    }
}

// ---------------------------------------------------------------------------------------------
// Operations that arrive with their own features. Each is the one place its feature plugs in.

void TFrame1::ListFonts() {
    if (m_directoryPanel) {
        m_directoryPanel->ListFonts();
    }
}

void TFrame1::buildDirectoryListing() {
    // A run without dialogs, drives or font table (some tests) keeps the tab empty.
    if (m_services.dialogs == nullptr || m_services.drives == nullptr ||
        m_services.fonts == nullptr) {
        return;
    }
    m_directory = std::make_unique<td::DirectorySource>(
        *ZipArchive1, m_services.dialogs, m_tempPath,
        td::DirectorySource::Hooks{[this](int animation) { ShowBusy(animation); },
                                   [this] { ShowIdle(); }, [] { td::keepPainting(); },
                                   [this] { return CheckBox8->isChecked(); }});
    td::DirectoryControls controls;
    controls.RadioButton5 = RadioButton5;
    controls.CheckBox1 = CheckBox1;
    controls.RadioButton6 = RadioButton6;
    controls.DriveComboBox1 = DriveComboBox1;
    controls.DirectoryListBox1 = DirectoryListBox1;
    controls.FileListBox1 = FileListBox1;
    controls.StringGrid2 = StringGrid2;
    controls.StringGrid1 = StringGrid1;
    controls.lb_ = &lb_;
    controls.Addtozip1 = Addtozip1;
    controls.ViewasCharacterMap1 = ViewasCharacterMap1;
    controls.Install = Install;
    controls.Properties1 = Properties1;
    controls.copyto1 = copyto1;
    controls.MoveTo1 = MoveTo1;
    td::DirectoryPanelHooks hooks;
    hooks.refresh = [this] { Button1->click(); };
    hooks.setCaption = [this](const QString& caption) {
        PageControl1->setTabText(PageControl1->indexOf(TabSheet1), caption);
    };
    hooks.fillProperties = [this](int row) {
        if (m_services.windows != nullptr) {
            td::fillPropertiesDialog(*m_services.windows, *m_directory, row);
        }
    };
    hooks.viewAsCharacterMap = [this] { ViewasCharacterMap1Click(); };
    hooks.showProperties = [this] {
        if (m_services.windows != nullptr) {
            td::showPropertiesDialog(*m_services.windows);
        }
    };
    m_directoryPanel = std::make_unique<td::DirectoryPanel>(
        controls, *m_directory, *m_services.dialogs, *m_services.drives, *m_services.fonts,
        [this] { return sampleRowOptions(); }, std::move(hooks));
    // The folder tree starts at the current folder, as the program was started in.
    m_directoryPanel->openFolder(QDir::currentPath());
    m_archiveCommands = std::make_unique<td::ArchiveCommands>(
        *ZipArchive1, *m_services.dialogs, *m_directory, FileListBox1, NzipItems, New1,
        td::ArchiveCommandHooks{[this](int animation) { ShowBusy(animation); },
                                [this] { ShowIdle(); }, [] { td::keepPainting(); },
                                [this] { return CheckBox8->isChecked(); }, [this] { ListFonts(); },
                                [this] { m_directoryPanel->sync(); }});
}

int TFrame1::viewMode() const {
    return m_directory ? m_directory->viewMode() : m_viewMode;
}

void TFrame1::DeleteArchiveEntries() {
    if (m_archiveCommands) {
        m_archiveCommands->DeleteArchiveEntries();
    }
}

void TFrame1::buildFontMap() {
    if (m_services.fonts == nullptr) {
        return;
    }
    td::FontMapHooks hooks;
    hooks.baseFont = [this] { return Edit2->text(); };
    hooks.setFontMapFile = [this](const QString& path) { setFontMapFile(path); };
    hooks.popup = [this] {
        return m_services.windows != nullptr ? m_services.windows->find<TForm2>() : nullptr;
    };
    m_fontMap = std::make_unique<td::FontMapView>(
        td::FontMapControls{PageControl1, TabSheet3, StringGrid3, SpinEdit3, ComboBoxPage},
        *m_services.fonts, std::move(hooks));
    connect(ViewasCharacterMap1, &QAction::triggered, this,
            td::guarded(this, &TFrame1::ViewasCharacterMap1Click));
}

void TFrame1::ViewasCharacterMap1Click() {
    if (m_fontMap && m_directory) {
        m_fontMap->ViewasCharacterMap1Click(*m_directory);
    }
}

void TFrame1::buildInstalledListing() {
    if (m_services.registry == nullptr || m_services.fonts == nullptr) {
        return;
    }
    td::InstalledFontsHooks hooks;
    hooks.showBusy = [this](int animation) { ShowBusy(animation); };
    hooks.showIdle = [this] { ShowIdle(); };
    hooks.keepPainting = [] { td::keepPainting(); };
    hooks.setCaption = [this](const QString& caption) {
        PageControl1->setTabText(PageControl1->indexOf(TabSheet2), caption);
    };
    hooks.fontsFolder = [this] { return td::GetFontsFolder(*m_services.registry); };
    // The Font Map draws the double-clicked font by its name, from no file of its own.
    hooks.openInFontMap = [this](const QString& name) {
        if (m_fontMap) {
            m_fontMap->showInstalledFont(name);
        }
    };
    m_installedPanel = std::make_unique<td::InstalledFontsPanel>(
        td::InstalledControls{StringGrid5, StringGrid4, ListBox1}, *m_services.registry,
        *m_services.fonts, [this] { return sampleRowOptions(); }, std::move(hooks));
}

td::SampleRowOptions TFrame1::sampleRowOptions() const {
    return td::SampleRowOptions{Edit1->text(), Edit2->text(), SpinEdit1->value(),
                                SpinEdit2->value()};
}

void TFrame1::ListInstalledFonts() {
    if (m_installedPanel) {
        m_installedPanel->ListInstalledFonts();
    }
}

void TFrame1::RunSearch() {
    m_searchPanel->SearchFonts();
}

void TFrame1::buildSearch() {
    const td::SearchControls controls{ListBox2, Edit3, Button9, StringGrid6, RichEdit1, ListBox5};
    td::SearchPanelHooks hooks;
    hooks.showBusy = [this](int animation) { ShowBusy(animation); };
    hooks.showIdle = [this] { ShowIdle(); };
    hooks.keepPainting = [] { td::keepPainting(); };
    hooks.setCaption = [this](const QString& caption) {
        PageControl1->setTabText(PageControl1->indexOf(TabSheet5), caption);
    };
    hooks.activateFont = [this](const QString& path) { ActivateFontFile(path); };
    hooks.deactivateFont = [this](const QString& path) { DeactivateFontFile(path); };
    hooks.sampleText = [this] { return Edit1->text(); };
    m_searchPanel = std::make_unique<td::SearchPanel>(controls, m_services.fonts, std::move(hooks));
}

void TFrame1::ExportSamples() {
    if (m_export) {
        m_export->Button7Click();
    }
}

void TFrame1::ExportCharacterMap(const QString& folder) {
    if (m_fontMap == nullptr || m_services.dialogs == nullptr) {
        ShowIdle();
        return;
    }
    td::CharacterMapJob job;
    job.targetFolder = folder;
    job.baseDirectory = Edit6->text();
    job.face = m_fontMap->faceName();
    job.encoding.type = static_cast<td::ImageType>(std::max(0, RadioGroup2->itemIndex()));
    job.encoding.quality = SpinEdit5->value();
    job.encoding.bmpBits = td::SelectedPixelFormat(ComboBox2->currentIndex());
    job.cellSize = SpinEdit3->value();
    job.browser = Edit5->text();
    job.firstCode = m_fontMap->firstCode();
    job.cellText = [this](int code) { return m_fontMap->exportText(code); };
    td::CharacterMapHooks hooks;
    hooks.setExportFlag = [this](bool on) { setExportFlag(on); };
    hooks.keepPainting = [] { td::keepPainting(); };
    hooks.showIdle = [this] { ShowIdle(); };
    td::ExportCharacterMap(job, *m_services.fonts, *m_services.dialogs, m_services.shell, this,
                           hooks);
}

void TFrame1::buildExport() {
    // A run without dialogs or font table (some tests) has no exports.
    if (m_services.dialogs == nullptr || m_services.fonts == nullptr) {
        return;
    }
    td::ExportHooks hooks;
    hooks.activeTab = [this] {
        QWidget* page = PageControl1->currentWidget();
        return page == TabSheet1   ? td::ExportTab::Directory
               : page == TabSheet2 ? td::ExportTab::Installed
               : page == TabSheet3 ? td::ExportTab::FontMap
               : page == TabSheet4 ? td::ExportTab::Options
                                   : td::ExportTab::Search;
    };
    hooks.options = [this] {
        td::ExportOptions options;
        options.grouping = RadioGroup1->itemIndex();
        options.type = static_cast<td::ImageType>(std::max(0, RadioGroup2->itemIndex()));
        options.quality = SpinEdit5->value();
        options.colorDepthItem = ComboBox2->currentIndex();
        options.width = SpinEdit4->value();
        options.sampleSize = SpinEdit1->value();
        options.captionSize = SpinEdit2->value();
        options.perSheet = SpinEdit6->value();
        options.sampleText = Edit1->text();
        options.baseFont = Edit2->text();
        options.baseDirectory = Edit6->text();
        options.browser = Edit5->text();
        options.autoRefresh = CheckBox8->isChecked();
        options.dpi = StringGrid2->viewport()->logicalDpiY();
        return options;
    };
    hooks.showBusy = [this](int animation) { ShowBusy(animation); };
    hooks.showIdle = [this] { ShowIdle(); };
    hooks.keepPainting = [] { td::keepPainting(); };
    hooks.refreshDirectory = [this] { ListFonts(); };
    hooks.refreshInstalled = [this] { ListInstalledFonts(); };
    hooks.saveSettings = [this] { SaveSettings(); };
    hooks.directory = [this] {
        td::DirectoryListing listing;
        if (m_directory) {
            listing.viewMode = m_directory->viewMode();
            listing.folder = m_directory->folder();
        }
        listing.archivePath = ZipArchive1->ZipFilename();
        listing.rowHeight = StringGrid2->verticalHeader()->defaultSectionSize();
        listing.table = StringGrid1;
        listing.paths = lb_;
        return listing;
    };
    hooks.installed = [this] {
        return td::InstalledListing{StringGrid5->verticalHeader()->defaultSectionSize(),
                                    StringGrid4};
    };
    hooks.exportCharacterMap = [this](const QString& folder) { ExportCharacterMap(folder); };
    m_export = std::make_unique<td::ExportCommand>(*m_services.dialogs, m_services.shell,
                                                   *m_services.fonts, m_services.windows,
                                                   std::move(hooks), this);
}

void TFrame1::LoadArchiveLibraries() {
    ZipArchive1->LoadZipLibrary();
    ZipArchive1->LoadUnzipLibrary();
}

void TFrame1::UnloadArchiveLibraries() {
    td::TZipArchive::UnloadZipLibrary();
    td::TZipArchive::UnloadUnzipLibrary();
}

// ---------------------------------------------------------------------------------------------
// Help

void TFrame1::ShowHelp(int context) {
    if (m_help == nullptr) {
        m_help = std::make_unique<HelpViewer>();
    }
    if (!m_help->open(m_helpFile, context)) {
        if (m_services.dialogs != nullptr) {
            m_services.dialogs->messageBox(
                this, td::BoxIcon::Warning,
                QStringLiteral("Cannot open the help file ") + m_helpFile + QLatin1Char('.'),
                td::BoxButtons::Ok);
        }
        return;
    }
    m_help->show();
    m_help->raise();
}
