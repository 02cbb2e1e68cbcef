#pragma once

#include <QString>

namespace td {

// What "&Save " exports, fixed by the active tab and, on the two font tabs, by the "Save"
// grouping (0: several fonts per file, 1: each font in its own file).
enum class ExportKind {
    None,
    DirectorySheets,
    DirectoryEach,
    InstalledSheets,
    InstalledEach,
    CharacterMap
};

// The tabs of the main window, as the Save command tells them apart.
enum class ExportTab { Directory, Installed, FontMap, Search, Options };

ExportKind exportKindFor(ExportTab tab, int grouping);

// The folder each kind saves into inside the "Base directory" when the user picks no other:
// "nfontfile", "1fontfile", "enfontfile", "e1fontfile", "cfontfile"; empty for None.
QString defaultFolderName(ExportKind kind);

// The default export folder of a kind: the base directory (which ends in "/") and the name.
QString defaultExportFolder(const QString& baseDirectory, ExportKind kind);

// True when `parent` holds a folder called exactly `name`, letter case included.
bool SubfolderExists(const QString& parent, const QString& name);

// Creates the folder `name` inside `parent`. Throws td::Error naming the folder when it cannot:
// an empty name or one with "/" in it, a file or folder of that name (in any letter case: two
// names that differ only in case would be one folder where samples are taken to), no right to
// write, a parent that is not there.
void createSubfolder(const QString& parent, const QString& name);

// Gets the target folder ready before an image or page is written into it: when `target` is,
// as exact text, `baseDirectory` followed by `defaultName`, that folder is created unless it
// exists; any other target is used as it is. Throws td::Error naming the folder when the target
// is not an existing folder afterwards.
void prepareTargetFolder(const QString& target, const QString& baseDirectory,
                         const QString& defaultName);

// `file` inside `folder` (which may or may not end in "/").
QString pathInFolder(const QString& folder, const QString& file);

}  // namespace td
