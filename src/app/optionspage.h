#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <vector>

#include "app/settings.h"
#include "platform/services.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QWidget;

namespace td {

class RadioGroup;

// The "Options" tab: its controls, the one table that says how each stored option is put into
// its control and read back from it, loading and saving the options, and what the controls do
// when the user changes them. The rest of the program reads the options straight from the
// controls, which the main window hands out under their own names.
class OptionsPage : public QObject {
    Q_OBJECT
  public:
    // What the window around the page does for it. Each may be empty.
    struct Hooks {
        // The sample grid's row height, which the budget update divides by.
        std::function<int()> sampleRowHeight;
        // The size options set the row height of the sample grid, and with "Size of
        // characters:" that of the installed-fonts grid too.
        std::function<void(int height, bool installedGridToo)> setRowHeight;
        // "Size of chars in Font Map" changed.
        std::function<void()> fontMapSizeChanged;
        // "TrueType files only (.ttf)" changed (the font file rule has already followed it).
        std::function<void()> fontFileRuleChanged;
    };

    // Builds the page; `window` is the parent of the boxes and dialogs it shows.
    OptionsPage(Services& services, QWidget* window, Hooks hooks, QObject* parent = nullptr);

    // The "Options" page (TabSheet4), for the window's tab control.
    QWidget* page() const { return m_page; }
    // The pixel budget ("DIMFILE"), loaded with the options and never written.
    std::int64_t pixelBudget() const { return m_pixelBudget; }

    // Loads the options into the controls, fills empty folder and browser fields from the
    // desktop (with a message when no browser is found), and updates the budget.
    void LoadSettings();
    // Stores the options from the controls; a store that cannot be written stores nothing.
    void SaveSettings();
    // "Maximum fonts/file": its maximum from the budget, and its value the maximum.
    void UpdateBudget();

    // The value of one option as its control holds it, and the other way round; options
    // without a control (the window placement) give and take nothing.
    SettingValue settingOf(const SettingSpec& spec) const;
    void applySetting(const SettingSpec& spec, const SettingValue& value);

    // Handlers of the option controls.
    void Button2Click();
    void Button3Click();
    void Button5Click();
    void Button10Click();
    void Edit4Change();
    void Edit6Change();
    void RadioGroup1Click();
    void RadioGroup2Click();
    void SpinEdit1Change();
    void SpinEdit2Change();
    void SpinEdit4Change();
    // The folder chooser's "Select" mode chose `folder`: marker "1" is the default fonts
    // directory, "2" the base directory.
    void FolderSelected(const QString& marker, const QString& folder);

    QFrame* Panel10 = nullptr;
    QTabWidget* PageControl2 = nullptr;
    QWidget* TabSheet6 = nullptr;
    QWidget* TabSheet7 = nullptr;
    RadioGroup* RadioGroup1 = nullptr;
    RadioGroup* RadioGroup2 = nullptr;
    QCheckBox* CheckBox8 = nullptr;
    QCheckBox* CheckBox9 = nullptr;  // "TrueType files only (.ttf)"
    QSpinBox* SpinEdit1 = nullptr;
    QSpinBox* SpinEdit2 = nullptr;
    QSpinBox* SpinEdit3 = nullptr;
    QSpinBox* SpinEdit4 = nullptr;
    QSpinBox* SpinEdit5 = nullptr;
    QSpinBox* SpinEdit6 = nullptr;
    QGroupBox* GroupBox7 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QLineEdit* Edit7 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button5 = nullptr;
    QPushButton* Button10 = nullptr;

  private:
    // How one stored option meets its control.
    struct Binding {
        const SettingSpec* spec;
        std::function<SettingValue()> read;
        std::function<void(const SettingValue&)> write;
    };

    QWidget* buildSettingsPage();
    QWidget* buildDirectoriesPage();
    void bindSettings();
    void connectControls();
    void applySampleRowHeight(bool installedGridToo, int extra);
    void chooseFolder(const QString& marker);
    const Binding* bindingOf(const SettingSpec& spec) const;

    Services& m_services;
    QWidget* m_window;
    Hooks m_hooks;
    QWidget* m_page = nullptr;
    std::int64_t m_pixelBudget = setting::DIMFILE.defaultNumber;
    std::vector<Binding> m_bindings;
};

}  // namespace td
