#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "app/settings.h"
#include "export/exportfolders.h"
#include "export/samplesheets.h"

class QTableWidget;
class QWidget;

namespace td {

class Dialogs;
class FontTable;
class Shell;
class WindowSet;

// The options an export reads, as the Options page shows them at the moment of the export.
struct ExportOptions {
    int grouping = 0;  // "Save": 0 several fonts per file, 1 each font in its own file
    ImageType type = ImageType::Jpeg;
    int quality = 50;
    int colorDepthItem = 1;  // the colour-depth list's item, -1 for none
    int width = 500;         // "Width of saved  samples:"
    int sampleSize = 9;      // Pc
    int captionSize = 8;     // Pb
    int perSheet = 1;        // "Maximum fonts/file"
    QString sampleText;
    QString baseFont;
    QString baseDirectory;  // ends in "/"
    QString browser;        // "Default browser:"
    bool autoRefresh = true;
    int dpi = 96;  // the resolution the grids draw at, so sheets match them
};

// The "Directory fonts" listing as the export reads it.
struct DirectoryListing {
    int viewMode = 1;
    QString folder;                       // the file list's folder
    QString archivePath;                  // view mode 3: the archive whose fonts are listed
    int rowHeight = 50;                   // the sample grid's row height
    const QTableWidget* table = nullptr;  // family, style, file list entry
    QStringList paths;                    // the font file of each row
};

// The "Installed fonts" table (face, "Bold", "Italic", path) and its grid's row height.
struct InstalledListing {
    int rowHeight = 50;
    const QTableWidget* table = nullptr;
};

// What the main window provides to the Save command. Each may be empty.
struct ExportHooks {
    std::function<ExportTab()> activeTab;
    std::function<ExportOptions()> options;
    std::function<void(int animation)> showBusy;
    std::function<void()> showIdle;
    std::function<void()> keepPainting;
    std::function<void()> refreshDirectory;  // ListFonts
    std::function<void()> refreshInstalled;  // ListInstalledFonts
    std::function<void()> saveSettings;      // stores the options and ends the busy indicator
    std::function<DirectoryListing()> directory;
    std::function<InstalledListing()> installed;
    // The Font Map's own export into a folder; it ends the busy indicator itself.
    std::function<void(const QString& folder)> exportCharacterMap;
};

// The "&Save " command and the two exports of sample sheets: prepares the "Save in..." dialogs
// for the active tab, runs the export "&Save" asks for, and ends it with the catalogue page or
// the BMP message.
class ExportCommand : public QObject {
    Q_OBJECT
  public:
    ExportCommand(Dialogs& dialogs, Shell* shell, FontTable& fonts, WindowSet* windows,
                  ExportHooks hooks, QWidget* window);

    // "&Save " on the main window.
    void Button7Click();
    // "&Save" in TForm6: the export of the tab active now, into `folder`. True when it
    // completed; an error was shown in the standard error box otherwise.
    bool runExport(const QString& folder);

    // The exports. Each ends the busy indicator, also when it stops on an error (which it
    // throws as td::Error after that).
    void ExportDirectorySamples(const QString& folder);
    void ExportInstalledSamples(const QString& folder);

  private:
    // Writes the sheets of the rows into `folder` (made ready before each file by the rule of
    // the kind's default folder), then the page or the BMP message.
    void writeAndFinish(const std::vector<SheetRow>& rows, SheetJob job, const QString& folder,
                        ExportKind kind, const ExportOptions& options, const QString& simpleMask);
    void finishExport(const QString& folder, bool indexPage, const QString& simpleMask,
                      const QString& browser, ImageType type);

    Dialogs& m_dialogs;
    Shell* m_shell;
    FontTable& m_fonts;
    WindowSet* m_windows;
    ExportHooks m_hooks;
    QWidget* m_window;
};

}  // namespace td
