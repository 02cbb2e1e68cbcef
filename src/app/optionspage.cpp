#include "app/optionspage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include "app/radiogroup.h"
#include "fontfiles/tform3.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/error.h"
#include "platform/fontfilerule.h"
#include "platform/registry.h"
#include "platform/windowset.h"

namespace td {

namespace {

const char* const kBrowserMissing =
    "You must set default Browser in Options Tabsheet\n\rto easy preview previously saved samples";

template <class T>
T* named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QSpinBox* makeSpin(QWidget* parent, const char* name, const SettingSpec& spec) {
    auto* spin = named(new QSpinBox(parent), name);
    spin->setRange(spec.minimum, spec.maximum);
    spin->setSingleStep(spec.step);
    spin->setValue(spec.defaultNumber);
    return spin;
}

QLabel* makeLabel(QWidget* parent, const QString& text, const QRect& geometry) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    return label;
}

// The "..." buttons beside the folder fields.
QPushButton* makeEllipsis(QWidget* parent, const char* name, const QRect& geometry) {
    auto* button = named(new QPushButton(QStringLiteral("..."), parent), name);
    button->setGeometry(geometry);
    return button;
}

// Folder fields end in a separator; an empty field stays empty.
void endWithSeparator(QLineEdit& field) {
    const QString text = withTrailingSeparator(field.text());
    if (text != field.text()) {
        field.setText(text);
    }
}

}  // namespace

OptionsPage::OptionsPage(Services& services, QWidget* window, Hooks hooks, QObject* parent)
    : QObject(parent), m_services(services), m_window(window), m_hooks(std::move(hooks)) {
    // The options panel keeps its size and is centred in the page by the layout routine.
    auto* page = named(new QWidget, "TabSheet4");
    Panel10 = named(new QFrame(page), "Panel10");
    Panel10->setGeometry(0, 0, 438, 297);
    PageControl2 = named(new QTabWidget(Panel10), "PageControl2");
    PageControl2->setGeometry(0, 0, 438, 297);
    TabSheet6 = buildSettingsPage();
    TabSheet7 = buildDirectoriesPage();
    PageControl2->addTab(TabSheet6, QStringLiteral("Settings"));
    PageControl2->addTab(TabSheet7, QStringLiteral("Directories"));
    m_page = page;
    bindSettings();
    connectControls();
}

void OptionsPage::bindSettings() {
    // How each stored option is read from and written into its control.
    auto spin = [](const SettingSpec& spec, QSpinBox* box) {
        return Binding{&spec,
                       [box] {
                           return SettingValue{box->value(), {}};
                       },
                       [box](const SettingValue& value) { box->setValue(value.number); }};
    };
    auto radio = [](const SettingSpec& spec, RadioGroup* group) {
        return Binding{&spec,
                       [group] {
                           return SettingValue{group->itemIndex(), {}};
                       },
                       [group](const SettingValue& value) { group->setItemIndex(value.number); }};
    };
    auto text = [](const SettingSpec& spec, QLineEdit* field) {
        return Binding{&spec,
                       [field] {
                           return SettingValue{0, field->text()};
                       },
                       [field](const SettingValue& value) { field->setText(value.text); }};
    };
    QCheckBox* autoRefresh = CheckBox8;
    QCheckBox* trueTypeOnly = CheckBox9;
    QComboBox* colours = ComboBox2;
    m_bindings = {
        radio(setting::NrFile, RadioGroup1),
        radio(setting::Image, RadioGroup2),
        {&setting::AutoRefresh,
         [autoRefresh] {
             return SettingValue{autoRefresh->isChecked() ? 1 : 0, {}};
         },
         [autoRefresh](const SettingValue& value) { autoRefresh->setChecked(value.number != 0); }},
        spin(setting::Sizeofcharacters, SpinEdit1),
        spin(setting::Sizeofbasefont, SpinEdit2),
        {&setting::Colors,
         [colours] {
             return SettingValue{colours->currentIndex(), {}};
         },
         [colours](const SettingValue& value) { colours->setCurrentIndex(value.number); }},
        {&setting::DIMFILE,
         [this] {
             return SettingValue{static_cast<std::int32_t>(m_pixelBudget), {}};
         },
         [this](const SettingValue& value) { m_pixelBudget = value.number; }},
        text(setting::Sampletext, Edit1),
        text(setting::Basefont, Edit2),
        spin(setting::charsize, SpinEdit3),
        spin(setting::savedsize, SpinEdit4),
        spin(setting::Quality, SpinEdit5),
        text(setting::Browser, Edit5),
        text(setting::Dfontdir, Edit4),
        text(setting::Basedir, Edit6),
        // The font file rule follows the box through its toggled signal.
        {&setting::TrueTypeOnly,
         [trueTypeOnly] {
             return SettingValue{trueTypeOnly->isChecked() ? 1 : 0, {}};
         },
         [trueTypeOnly](const SettingValue& value) {
             trueTypeOnly->setChecked(value.number != 0);
         }},
    };
}

void OptionsPage::connectControls() {
    connect(Button2, &QPushButton::clicked, this, td::guarded(this, &OptionsPage::Button2Click));
    connect(Button3, &QPushButton::clicked, this, td::guarded(this, &OptionsPage::Button3Click));
    connect(Button5, &QPushButton::clicked, this, td::guarded(this, &OptionsPage::Button5Click));
    connect(Button10, &QPushButton::clicked, this, td::guarded(this, &OptionsPage::Button10Click));
    connect(Edit4, &QLineEdit::textChanged, this, td::guarded(this, &OptionsPage::Edit4Change));
    connect(Edit6, &QLineEdit::textChanged, this, td::guarded(this, &OptionsPage::Edit6Change));
    connect(RadioGroup1, &RadioGroup::clicked, this,
            td::guarded(this, &OptionsPage::RadioGroup1Click));
    connect(RadioGroup2, &RadioGroup::clicked, this,
            td::guarded(this, &OptionsPage::RadioGroup2Click));
    connect(SpinEdit1, &QSpinBox::valueChanged, this,
            td::guarded(this, &OptionsPage::SpinEdit1Change));
    connect(SpinEdit2, &QSpinBox::valueChanged, this,
            td::guarded(this, &OptionsPage::SpinEdit2Change));
    connect(SpinEdit3, &QSpinBox::valueChanged, this, td::guarded([this] {
                if (m_hooks.fontMapSizeChanged) {
                    m_hooks.fontMapSizeChanged();
                }
            }));
    connect(SpinEdit4, &QSpinBox::valueChanged, this,
            td::guarded(this, &OptionsPage::SpinEdit4Change));
    connect(CheckBox9, &QCheckBox::toggled, this, td::guarded([this](bool on) {
                setTrueTypeFilesOnly(on);
                if (m_hooks.fontFileRuleChanged) {
                    m_hooks.fontFileRuleChanged();
                }
            }));
}

QWidget* OptionsPage::buildSettingsPage() {
    auto* page = named(new QWidget, "TabSheet6");

    RadioGroup1 = new RadioGroup(QStringLiteral("RadioGroup1"), QStringLiteral("Save"),
                                 {QStringLiteral("One directory in a single image file"),
                                  QStringLiteral("Each font in a different image file")},
                                 page);
    RadioGroup1->setGeometry(4, 2, 252, 64);
    RadioGroup1->setItemIndex(0);

    RadioGroup2 = new RadioGroup(
        QStringLiteral("RadioGroup2"), QStringLiteral("Type of image file"),
        {QStringLiteral("JPEG"), QStringLiteral("BMP"), QStringLiteral("GIF")}, page, 3);
    RadioGroup2->setGeometry(260, 2, 168, 64);
    RadioGroup2->setItemIndex(0);
    // The quality spin and its label share their place with the colour-depth box.
    Edit7 = named(new QLineEdit(QStringLiteral("Quality:"), RadioGroup2), "Edit7");
    Edit7->setGeometry(8, 40, 52, 20);
    Edit7->setFrame(false);
    Edit7->setReadOnly(true);
    Edit7->setFocusPolicy(Qt::NoFocus);
    SpinEdit5 = makeSpin(RadioGroup2, "SpinEdit5", setting::Quality);
    SpinEdit5->setGeometry(62, 38, 56, 22);
    ComboBox2 = named(new QComboBox(RadioGroup2), "ComboBox2");
    ComboBox2->addItems(
        {QStringLiteral("1bit - 2 colors"), QStringLiteral("4bits - 16 colors"),
         QStringLiteral("8bits - 256 colors"), QStringLiteral("16bits - 64K colors"),
         QStringLiteral("24bits - 16M colors"), QStringLiteral("32bits - 16M+ colors")});
    ComboBox2->setGeometry(6, 38, 156, 22);
    ComboBox2->setCurrentIndex(setting::Colors.defaultNumber);
    ComboBox2->hide();

    auto* operation = named(new QGroupBox(QStringLiteral("Operation"), page), "GroupBox1");
    operation->setGeometry(4, 70, 146, 42);
    CheckBox8 = named(new QCheckBox(QStringLiteral("Automatic Refresh"), operation), "CheckBox8");
    CheckBox8->setGeometry(6, 18, 138, 20);
    CheckBox8->setChecked(true);

    CheckBox9 =
        named(new QCheckBox(QStringLiteral("TrueType files only (.ttf)"), page), "CheckBox9");
    CheckBox9->setGeometry(250, 128, 178, 20);
    CheckBox9->setChecked(setting::TrueTypeOnly.defaultNumber != 0);

    auto* charSize =
        named(new QGroupBox(QStringLiteral("Size of chars in Font Map"), page), "GroupBox2");
    charSize->setGeometry(154, 70, 180, 42);
    SpinEdit3 = makeSpin(charSize, "SpinEdit3", setting::charsize);
    SpinEdit3->setGeometry(8, 16, 60, 22);

    GroupBox7 =
        named(new QGroupBox(QStringLiteral("Maximum fonts/file *(not saved)"), page), "GroupBox7");
    GroupBox7->setGeometry(4, 114, 240, 42);
    SpinEdit6 = named(new QSpinBox(GroupBox7), "SpinEdit6");
    SpinEdit6->setGeometry(8, 16, 80, 22);
    SpinEdit6->setRange(1, 1);

    auto* fonts = named(new QGroupBox(QStringLiteral("Font size && typeface"), page), "GroupBox3");
    fonts->setGeometry(4, 158, 424, 104);
    makeLabel(fonts, QStringLiteral("Size of characters:"), {8, 18, 150, 20});
    SpinEdit1 = makeSpin(fonts, "SpinEdit1", setting::Sizeofcharacters);
    SpinEdit1->setGeometry(160, 16, 56, 22);
    makeLabel(fonts, QStringLiteral("Size of base font:"), {8, 44, 150, 20});
    SpinEdit2 = makeSpin(fonts, "SpinEdit2", setting::Sizeofbasefont);
    SpinEdit2->setGeometry(160, 42, 56, 22);
    makeLabel(fonts, QStringLiteral("Width of saved  samples:"), {8, 70, 150, 20});
    SpinEdit4 = makeSpin(fonts, "SpinEdit4", setting::savedsize);
    SpinEdit4->setGeometry(160, 68, 64, 22);
    makeLabel(fonts, QStringLiteral("Sample text:"), {232, 16, 180, 18});
    Edit1 = named(new QLineEdit(fonts), "Edit1");
    Edit1->setGeometry(232, 36, 184, 22);
    Button2 = named(new QPushButton(QStringLiteral("&Base Font "), fonts), "Button2");
    Button2->setGeometry(232, 66, 80, 25);
    Edit2 =
        named(new QLineEdit(QString::fromLatin1(setting::Basefont.defaultText), fonts), "Edit2");
    Edit2->setGeometry(316, 67, 100, 22);
    Edit2->setReadOnly(true);
    return page;
}

QWidget* OptionsPage::buildDirectoriesPage() {
    auto* page = named(new QWidget, "TabSheet7");
    auto* browser = named(new QGroupBox(QStringLiteral("Default browser:"), page), "GroupBox5");
    browser->setGeometry(4, 4, 424, 56);
    Edit5 = named(new QLineEdit(browser), "Edit5");
    Edit5->setGeometry(8, 22, 370, 22);
    Button3 = makeEllipsis(browser, "Button3", {384, 21, 30, 24});

    auto* folders = named(new QGroupBox(QStringLiteral("Default directory:"), page), "GroupBox6");
    folders->setGeometry(4, 66, 424, 120);
    makeLabel(folders, QStringLiteral("Default fonts directory:"), {8, 20, 300, 18});
    Edit4 = named(new QLineEdit(folders), "Edit4");
    Edit4->setGeometry(8, 38, 370, 22);
    Button5 = makeEllipsis(folders, "Button5", {384, 37, 30, 24});
    makeLabel(folders, QStringLiteral("Base directory"), {8, 66, 300, 18});
    Edit6 = named(new QLineEdit(folders), "Edit6");
    Edit6->setGeometry(8, 84, 370, 22);
    Button10 = makeEllipsis(folders, "Button10", {384, 83, 30, 24});

    // These fields change only through their "..." buttons and the look-ups.
    for (QLineEdit* field : {Edit4, Edit5, Edit6}) {
        field->setReadOnly(true);
    }
    return page;
}

// ---------------------------------------------------------------------------------------------
// Loading and saving

const OptionsPage::Binding* OptionsPage::bindingOf(const SettingSpec& spec) const {
    for (const Binding& binding : m_bindings) {
        if (binding.spec == &spec) {
            return &binding;
        }
    }
    return nullptr;
}

SettingValue OptionsPage::settingOf(const SettingSpec& spec) const {
    const Binding* binding = bindingOf(spec);
    return binding != nullptr ? binding->read() : SettingValue{};
}

void OptionsPage::applySetting(const SettingSpec& spec, const SettingValue& value) {
    if (const Binding* binding = bindingOf(spec)) {
        binding->write(value);
    }
}

void OptionsPage::LoadSettings() {
    std::unique_ptr<RegistryKey> key;
    if (m_services.registry != nullptr) {
        key = m_services.registry->openKey(RootKey::LocalMachine, QString::fromLatin1(kSettingsKey),
                                           true);
    }
    if (key != nullptr) {
        for (const SettingSpec* spec : kLoadedOptions) {
            applySetting(*spec, readSetting(*key, *spec));
        }
    }
    if (Edit6->text().isEmpty()) {
        Edit6->setText(withTrailingSeparator(QDir::currentPath()));
    }
    if (Edit4->text().isEmpty() && m_services.registry != nullptr) {
        Edit4->setText(GetFontsFolder(*m_services.registry));
    }
    if (Edit5->text().isEmpty()) {
        if (m_services.registry != nullptr) {
            Edit5->setText(FindDefaultBrowser(*m_services.registry));
        }
        if (Edit5->text().isEmpty() && m_services.dialogs != nullptr) {
            m_services.dialogs->beep();
            m_services.dialogs->messageBox(m_window, BoxIcon::Warning,
                                           QString::fromLatin1(kBrowserMissing), BoxButtons::Ok);
        }
    }
    GroupBox7->setVisible(RadioGroup1->itemIndex() == 0);
    UpdateBudget();
}

void OptionsPage::SaveSettings() {
    if (m_services.registry == nullptr) {
        return;
    }
    if (auto key = openSettingsKeyForWriting(*m_services.registry)) {
        try {
            for (const SettingSpec* spec : kSavedOptions) {
                writeSetting(*key, *spec, settingOf(*spec));
            }
        } catch (const Error&) {
            // A store that turns out not to be writable stores nothing, silently.
        }
    }
}

void OptionsPage::UpdateBudget() {
    const auto type = static_cast<ImageType>(std::max(0, RadioGroup2->itemIndex()));
    const int rowHeight = m_hooks.sampleRowHeight ? m_hooks.sampleRowHeight() : 0;
    const int maximum = maximumFontsPerFile(m_pixelBudget, SpinEdit4->value(), rowHeight, type);
    SpinEdit6->setMaximum(maximum);
    SpinEdit6->setValue(maximum);
}

// ---------------------------------------------------------------------------------------------
// Option controls

void OptionsPage::Button2Click() {
    if (m_services.dialogs == nullptr) {
        return;
    }
    const auto font =
        m_services.dialogs->font(m_window, QFont(Edit2->text()), QStringLiteral("Font"));
    if (font) {
        Edit2->setText(font->family());
    }
}

void OptionsPage::Button3Click() {
    if (m_services.dialogs == nullptr) {
        return;
    }
    // Programs here carry no ".exe": every file is offered and an executable one is taken.
    const QString chosen =
        m_services.dialogs->openFileName(m_window, QStringLiteral("Default browser"),
                                         QStringLiteral("/"), QStringLiteral("All files (*)"));
    if (chosen.isEmpty()) {
        return;
    }
    const QFileInfo info(chosen);
    if (info.isFile() && info.isExecutable()) {
        Edit5->setText(info.absoluteFilePath());
        return;
    }
    m_services.dialogs->beep();
    m_services.dialogs->messageBox(m_window, BoxIcon::Warning,
                                   chosen + QStringLiteral(" is not a program."), BoxButtons::Ok);
}

void OptionsPage::Button5Click() {
    chooseFolder(QStringLiteral("1"));
}

void OptionsPage::Button10Click() {
    chooseFolder(QStringLiteral("2"));
}

void OptionsPage::chooseFolder(const QString& marker) {
    if (m_services.windows != nullptr) {
        if (auto* chooser = m_services.windows->find<TForm3>()) {
            connect(chooser, &TForm3::folderSelected, this, &OptionsPage::FolderSelected,
                    Qt::UniqueConnection);
            chooser->showSelectMode(marker);
        }
    }
}

void OptionsPage::FolderSelected(const QString& marker, const QString& folder) {
    // Connected as a unique member-function connection, so it guards itself.
    td::runGuarded([&] {
        if (marker == QLatin1String("1")) {
            Edit4->setText(folder);
        } else if (marker == QLatin1String("2")) {
            Edit6->setText(folder);
        }
    });
}

void OptionsPage::Edit4Change() {
    endWithSeparator(*Edit4);
}

void OptionsPage::Edit6Change() {
    endWithSeparator(*Edit6);
}

void OptionsPage::RadioGroup1Click() {
    GroupBox7->setVisible(RadioGroup1->itemIndex() == 0);
    UpdateBudget();
}

void OptionsPage::RadioGroup2Click() {
    const int type = RadioGroup2->itemIndex();
    ComboBox2->setVisible(type == 1);
    SpinEdit5->setVisible(type == 0);
    Edit7->setVisible(type == 0);
    UpdateBudget();
}

void OptionsPage::applySampleRowHeight(bool installedGridToo, int extra) {
    // Both size handlers measure a line of capitals and small letters in the base font at the
    // two sizes: one line of sample text above one caption line.
    QFont font(Edit2->text());
    font.setPointSize(SpinEdit1->value());
    const int h1 = QFontMetrics(font).height();
    font.setPointSize(SpinEdit2->value());
    const int h2 = QFontMetrics(font).height();
    if (m_hooks.setRowHeight) {
        m_hooks.setRowHeight(h1 + h2 + extra, installedGridToo);
    }
}

void OptionsPage::SpinEdit1Change() {
    applySampleRowHeight(true, 15);
    UpdateBudget();
}

void OptionsPage::SpinEdit2Change() {
    applySampleRowHeight(false, 10);
    UpdateBudget();
}

void OptionsPage::SpinEdit4Change() {
    UpdateBudget();
}

}  // namespace td
