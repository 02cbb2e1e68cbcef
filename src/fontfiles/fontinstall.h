#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace td {

class Dialogs;
class Registry;

// The value name a font is installed under in the Fonts key: its family name and " (True Type)".
QString installedValueName(const QString& family);
// The value name of a font with CFF outlines (an OpenType ".otf"): its full name and
// " (OpenType)", as the desktop's own fonts of that kind are listed.
QString openTypeValueName(const QString& fullName);

// One selected font of the "Directory fonts" file list.
struct InstallItem {
    QString entry;       // the file-list entry (a name, or a path relative to the listed folder)
    QString family;      // the family name of its row in the font data table
    QString fullName{};  // the full name of its row (for a font with CFF outlines)
};

// What "&Install" works on.
struct InstallJob {
    int viewMode = 1;               // 1 font files of a folder, 3 fonts extracted from an archive
    QString listedFolder;           // the folder of the file list
    QString tempPath;               // where an archive's fonts are extracted
    QString defaultFontsFolder;     // "Default fonts directory:", with its trailing "/"
    int fileListCount = 0;          // entries in the file list, ".." included
    QList<InstallItem> selected;    // in list order, ".." left out
    bool anythingSelected = false;  // any entry selected, ".." included
};

// Installs the selected fonts. In view mode 1 each file is offered for copying into the default
// fonts folder (Yes copies, No installs it where it lies); in view mode 3 the extracted copy is
// always copied there. A copy that fails is reported ("<entry> could not be copied to
// <folder>.") and that font is left out; a value that cannot be written is reported and the
// next font goes on. Each installed font is written to the Fonts key and handed to `activate`.
// A file list of ".." alone does nothing; no selection gives the beep and "Select a font file
// first". Returns the installed paths.
QStringList installFonts(Dialogs& dialogs, QWidget* parent, Registry& registry,
                         const InstallJob& job,
                         const std::function<void(const QString&)>& activate);

// One selected row of the "Installed fonts" view.
struct InstalledRow {
    QString displayName;  // column 0 of the installed-fonts table
    QString sortEntry;    // its sorting-list text, value name + ";" + value data
};

// "Delete" on the "Installed fonts" tab. Per row: asks "Delete <name> fonts ?" (OK, Cancel);
// on OK deletes the value, releases the font (`removeFontResource` with the value's data,
// then `deactivate` with the full path, a bare file name taken from the default fonts folder),
// then asks "Delete <path> from disk?" (Yes, No) and on Yes deletes the file unless it is
// protected (silently kept then). Returns the values deleted.
QStringList deleteInstalledFonts(Dialogs& dialogs, QWidget* parent, Registry& registry,
                                 const QString& defaultFontsFolder, const QList<InstalledRow>& rows,
                                 const std::function<void(const QString&)>& removeFontResource,
                                 const std::function<void(const QString&)>& deactivate);

}  // namespace td
