#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "app/settings.h"
#include "fontfiles/fileops.h"
#include "platform/services.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTableView;
class QTableWidget;
class QTextEdit;
class QWindow;
class TAboutBox;
class HelpViewer;

namespace td {
class BusyAnimation;
class TZipArchive;
class ClickableLabel;
class RadioGroup;
class DirectoryPanel;
class DirectorySource;
class FontMapView;
class ExportCommand;
class ArchiveCommands;
class SearchPanel;
class InstalledFontsPanel;
struct SampleRowOptions;
class OptionsPage;
}  // namespace td

// Decides which focus changes count as the main window being activated. The first show is an
// activation; after that only the focus coming back from another window of this program is.
// Coming back from another application, or from a message box (whose closing would otherwise
// start the refresh that showed it again), is not.
class ActivationRule {
  public:
    enum class Origin { Outside, MessageBox, OwnWindow, MainWindow };

    // The focus moved into a window of the given kind; true when this activates the main
    // window.
    bool focusMovedTo(Origin origin) {
        const bool activation = origin == Origin::MainWindow && m_last == Origin::OwnWindow;
        m_last = origin;
        return activation;
    }
    Origin last() const { return m_last; }

  private:
    Origin m_last = Origin::Outside;
};

// The main window of the font browser: five tabs above a bar of command buttons. It owns the
// state every tab shares and the option controls that the rest of the program reads.
class TFrame1 : public QWidget {
    Q_OBJECT
  public:
    explicit TFrame1(td::Services& services, QWidget* parent = nullptr);
    ~TFrame1() override;

    // Window-wide state.
    // The "Directory fonts" listing's view mode once the listing is built.
    int viewMode() const;
    void setViewMode(int mode) { m_viewMode = mode; }
    const QString& tempPath() const { return m_tempPath; }
    QString fontMapFile() const { return m_fontMapFile; }
    void setFontMapFile(const QString& path) { m_fontMapFile = path; }
    bool exportFlag() const { return m_exportFlag; }
    void setExportFlag(bool on) { m_exportFlag = on; }
    std::int64_t pixelBudget() const;
    const QString& helpFile() const { return m_helpFile; }
    void setHelpFile(const QString& file) { m_helpFile = file; }
    // The help window, once F1 has opened it.
    HelpViewer* helpViewer() const { return m_help.get(); }
    // True while "&Refresh" is at work, so that an activation starts no second refresh.
    bool isRefreshing() const { return m_refreshing; }
    // The path list of the font listing: one full path per listed font.
    QStringList lb_;

    // Life cycle.
    // True once the first-show steps (settings loaded) have run.
    bool isFirstShowDone() const { return m_firstShowDone; }
    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormResize();
    void FormClose();
    void FormDestroy();

    // Tabs and bottom bar.
    void PageControl1Change();
    void TabSheet1Enter();
    void TabSheet2Enter();
    void TabSheet3Enter();
    void TabSheet4Enter();
    void TabSheet5Enter();
    void TabSheet5Exit();
    void Button1Click();
    void Button4Click();
    void Button6Click();
    void Button7Click();
    void Button8Click();
    void Image1Click();
    void ShowBusy(int animation);
    void ShowIdle();
    void LayoutMainWindow();
    void FillDriveList();

    // Settings store.
    void LoadSettings();
    void SaveSettings();
    void LoadWindowPlacement();
    void SaveWindowPlacement();
    void LoadRecentMenus();
    void SaveRecentMenus();
    void UpdateBudget();

    // "Size of chars in Font Map" sizes the Font Map grid's cells.
    void SpinEdit3Change();

    // Temporary activation of a font file through the font table.
    void ActivateFontFile(const QString& path);
    void DeactivateFontFile(const QString& path);

    // Operations of the tabs that come with their own features; until then they do nothing.
    // Each is the single place the main window calls its feature from.
    void ListFonts();
    void ListInstalledFonts();
    void RunSearch();
    // The "Search" tab's controller: its result rows, selection and previews.
    td::SearchPanel* searchPanel() const { return m_searchPanel.get(); }
    void InstallSelectedFonts();
    void DeleteSelected();
    // Deletes the selected entries of the archive open in the file list (view mode 3).
    void DeleteArchiveEntries();
    void ExportSamples();
    // The Font Map's page of character images, written into `folder`; ends the busy indicator.
    void ExportCharacterMap(const QString& folder);
    // Loads (and unloads) the archive writer and reader libraries, writer first.
    void LoadArchiveLibraries();
    void UnloadArchiveLibraries();

    // Opens the help file at a help context.
    void ShowHelp(int context);

    // "View as Character Map" for the file list's current entry.
    void ViewasCharacterMap1Click();
    // The "Font Map" tab's controller (null in runs without a font table).
    td::FontMapView* fontMap() const { return m_fontMap.get(); }
    // Font file commands of the "Directory fonts" file list and the "&Delete" button.
    void InstallClick();
    void CopySelectedFiles(const QString& folder);
    void MoveSelectedFiles(const QString& folder);
    void newcopydir1Click();
    void newmovedir11Click();
    // The folder chooser's "Do": the folder becomes the first recent entry, then is copied or
    // moved to according to the chooser's mode ("Copy To..." or "Move To...").
    void DestinationChosen(const QString& mode, const QString& folder);
    // The selected file-list entries and where their files lie.
    td::FileSelection selectedFiles() const;

    // Controls, by the names the rest of the program knows them by.
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QWidget* TabSheet4 = nullptr;
    QWidget* TabSheet5 = nullptr;

    QFrame* Panel1 = nullptr;
    QFrame* Panel3 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button6 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button7 = nullptr;
    QPushButton* Button8 = nullptr;
    QLabel* Label8 = nullptr;
    td::ClickableLabel* Image1 = nullptr;
    td::BusyAnimation* Animate1 = nullptr;

    // "Directory fonts"
    QFrame* Panel2 = nullptr;
    QRadioButton* RadioButton5 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QRadioButton* RadioButton6 = nullptr;
    QComboBox* DriveComboBox1 = nullptr;
    QListWidget* DirectoryListBox1 = nullptr;
    QListWidget* FileListBox1 = nullptr;
    QTableWidget* StringGrid2 = nullptr;
    QTableWidget* StringGrid1 = nullptr;
    QListWidget* ListBox4 = nullptr;

    // "Installed fonts"
    QTableWidget* StringGrid5 = nullptr;
    QTableWidget* StringGrid4 = nullptr;
    QListWidget* ListBox1 = nullptr;

    // "Font Map"
    QTableWidget* StringGrid3 = nullptr;
    // The Font Map's page selector and its label, above the grid.
    QLabel* LabelPage = nullptr;
    QComboBox* ComboBoxPage = nullptr;

    // "Search"
    QLabel* Label7 = nullptr;
    QListWidget* ListBox2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLabel* Label6 = nullptr;
    QPushButton* Button9 = nullptr;
    QTableView* StringGrid6 = nullptr;
    QTextEdit* RichEdit1 = nullptr;
    QListWidget* ListBox5 = nullptr;
    QListWidget* ListBox7 = nullptr;

    // "Options", built and run by its own page; the window hands its controls out here.
    QFrame* Panel10 = nullptr;
    QTabWidget* PageControl2 = nullptr;
    QWidget* TabSheet6 = nullptr;
    QWidget* TabSheet7 = nullptr;
    td::RadioGroup* RadioGroup1 = nullptr;
    td::RadioGroup* RadioGroup2 = nullptr;
    QCheckBox* CheckBox8 = nullptr;
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

    // Hidden work controls of the exports.
    QPlainTextEdit* Memo1 = nullptr;
    QListWidget* ListBox6 = nullptr;
    QLabel* Image2 = nullptr;

    // The archive component the listing and the archive commands share.
    td::TZipArchive* ZipArchive1 = nullptr;

    // The file list's context menu.
    QMenu* PopupMenu1 = nullptr;
    QAction* Addtozip1 = nullptr;
    std::array<QAction*, 5> NzipItems{};  // N1zip1 .. N5zip1
    QAction* New1 = nullptr;
    QAction* ViewasCharacterMap1 = nullptr;
    QAction* Install = nullptr;
    QAction* Properties1 = nullptr;
    QAction* copyto1 = nullptr;
    std::array<QAction*, 5> copydirItems{};  // copydir1 .. copydir5
    QAction* newcopydir1 = nullptr;
    QAction* MoveTo1 = nullptr;
    std::array<QAction*, 5> movedirItems{};  // movedir1 .. movedir5
    QAction* newmovedir11 = nullptr;
    QAction* Deletefromzip1 = nullptr;

  signals:
    // A closing bar was shown and the main window is about to close for "e&Xit".
    void exitStarted();

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void firstShow();
    void buildWindow();
    QWidget* buildDirectoryPage();
    QWidget* buildInstalledPage();
    QWidget* buildFontMapPage();
    QWidget* buildSearchPage();
    QWidget* buildOptionsPage();
    void buildBottomBar();
    void buildPopupMenu();
    void connectEvents();
    // The "Directory fonts" listing and its source panel, once the temporary folder is known.
    void buildDirectoryListing();
    // The "Font Map" tab's controller.
    void buildFontMap();
    // The Save command and its exports, once the listing is built.
    void buildExport();
    void connectFontCommands();
    void showDestinationDialog(const QString& mode);
    void copyFiles(const td::FileSelection& selection, const QString& folder);
    void moveFiles(const td::FileSelection& selection, const QString& folder);
    void copyOrMoveTo(const QString& mode, const QString& folder);
    static void layOutHiddenPage(QWidget* page);
    // The selection when "Browse..." of "Copy To..." or "Move To..." was chosen.
    std::optional<td::FileSelection> m_chosenFiles;
    void deleteListedFonts();
    void deleteFoundFonts();
    void deleteInstalledFonts();
    // The "Installed fonts" tab's controller.
    void buildInstalledListing();
    // How both sample grids draw their rows, from the option controls.
    td::SampleRowOptions sampleRowOptions() const;

    // Runs the enter and exit events when the page the user is in changes.
    void enterPage(QWidget* page);
    QWidget* pageOf(QWidget* widget) const;
    void onFocusWindowChanged(QWindow* window);
    void centreOptionsPanel();
    void fitPages();
    QList<QPushButton*> busyButtons() const;

    td::Services& m_services;
    int m_viewMode = 1;
    QString m_tempPath;
    QString m_fontMapFile;
    QString m_activeFontMapFile;
    bool m_exportFlag = false;
    QString m_helpFile;
    bool m_shown = false;
    bool m_firstShowDone = false;
    bool m_refreshing = false;
    bool m_closed = false;
    QPointer<QWidget> m_enteredPage;
    ActivationRule m_activation;
    std::unique_ptr<HelpViewer> m_help;
    std::unique_ptr<td::DirectorySource> m_directory;
    std::unique_ptr<td::DirectoryPanel> m_directoryPanel;
    std::unique_ptr<td::FontMapView> m_fontMap;
    std::unique_ptr<td::ExportCommand> m_export;
    std::unique_ptr<td::ArchiveCommands> m_archiveCommands;
    // The "Search" tab.
    void buildSearch();
    std::unique_ptr<td::SearchPanel> m_searchPanel;
    std::unique_ptr<td::InstalledFontsPanel> m_installedPanel;
    std::unique_ptr<td::OptionsPage> m_options;
};
