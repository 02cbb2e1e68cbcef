#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "browse/samplerow.h"

class QAction;
class QCheckBox;
class QComboBox;
class QListWidget;
class QRadioButton;
class QTableView;
class QTableWidget;

namespace td {

class Dialogs;
class DirectorySource;
class Drives;
class SampleGridModel;
class SampleRowDelegate;

// The controls of the "Directory fonts" source panel and the sample grid, owned by the window.
struct DirectoryControls {
    QRadioButton* RadioButton5 = nullptr;  // "&TTF File"
    QCheckBox* CheckBox1 = nullptr;        // "&With subdirectories"
    QRadioButton* RadioButton6 = nullptr;  // "&ZIP File"
    QComboBox* DriveComboBox1 = nullptr;
    QListWidget* DirectoryListBox1 = nullptr;
    QListWidget* FileListBox1 = nullptr;
    // The sample grid: a QTableView gets the panel's model; a QTableWidget keeps its own model
    // and gets one row per listed font.
    QTableView* StringGrid2 = nullptr;
    // Copies of the listing's hidden state that other parts of the window read (any may be
    // null): the font data table's nine columns and the path list.
    QTableWidget* StringGrid1 = nullptr;
    QStringList* lb_ = nullptr;
    // Context-menu items that follow the view mode (any may be null).
    QAction* Addtozip1 = nullptr;
    QAction* ViewasCharacterMap1 = nullptr;
    QAction* Install = nullptr;
    QAction* Properties1 = nullptr;
    QAction* copyto1 = nullptr;
    QAction* MoveTo1 = nullptr;
};

// What the window does for the panel. Each may be empty.
struct DirectoryPanelHooks {
    // "&Refresh" clicked (a folder change with "Automatic Refresh").
    std::function<void()> refresh;
    // The tab caption changed.
    std::function<void(const QString&)> setCaption;
    // A font entry was clicked: refill the Properties dialog from this table row.
    std::function<void(int row)> fillProperties;
    // "Properties" chosen for a font entry: show the dialog (already filled for that row).
    std::function<void()> showProperties;
    // The grid was double-clicked: "View as Character Map".
    std::function<void()> viewAsCharacterMap;
};

// Runs the source panel and the sample grid on a DirectorySource: the handlers of the radio
// buttons, the check box, the drive, folder and file lists and the grid, and the mirroring of
// the source's state into the controls.
class DirectoryPanel : public QObject {
    Q_OBJECT

  public:
    DirectoryPanel(const DirectoryControls& controls, DirectorySource& source, Dialogs& dialogs,
                   Drives& drives, FontTable& fonts, std::function<SampleRowOptions()> options,
                   DirectoryPanelHooks hooks, QObject* parent = nullptr);
    ~DirectoryPanel() override;

    // Shows `folder` in the folder tree and the file list (the drive list follows).
    void openFolder(const QString& folder);
    // Rebuilds the listing and shows it.
    void ListFonts();
    // Copies the source's state into the controls; the tab caption only when a listing was
    // made since the last time.
    void sync();

    void RadioButton5Click();
    void RadioButton6Click();
    void CheckBox1Click();
    void FileListBox1Click();
    void Properties1Click();
    void FileListBox1DblClick();
    void FileListBox1MouseDown();
    void FileListBox1MouseUp();
    void DirectoryListBox1Change(const QString& folder);
    void DriveComboBox1Change(int index);
    void StringGrid2Click();
    void StringGrid2DblClick();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void fillDrives();
    void fillFolderTree();
    void copyListing();
    void showCaption(const QString& caption);
    QString driveOfFolder(const QString& folder) const;

    DirectoryControls m_controls;
    DirectorySource& m_source;
    Dialogs& m_dialogs;
    Drives& m_drives;
    DirectoryPanelHooks m_hooks;
    SampleGridModel* m_model = nullptr;
    SampleRowDelegate* m_delegate = nullptr;
    bool m_syncing = false;
    bool m_mouseDown = false;  // a mouse button is down on the file list
    int m_shownListing = 0;
};

}  // namespace td
