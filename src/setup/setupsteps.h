#pragma once

#include <QString>
#include <QStringList>

namespace td {

class Registry;
class Shell;
class Shortcuts;

// The product name: the program folder's and the menu group's name and the registry keys'.
inline constexpr const char* kProductName = "Kestro TypeDeck";

// The uninstall entry, its parent key, the scheduled-deletion key and the settings key, each
// under HKEY_LOCAL_MACHINE.
QString uninstallParentKey();
QString uninstallKey();
QString runOnceKey();
inline constexpr const char* kDeleteMeValue = "Delete Me!";

// What the destination page asks the installer to do.
struct InstallRequest {
    QString destination;   // the destination as typed
    QString sourceFolder;  // the folder the installer runs from
    bool createGroup = true;
    QString
        group;  // the group name typed; only recorded, the menu folder is named after the product
    bool createDesktopShortcut = true;
};

// Why a typed destination cannot be used; empty when it can. The installed files are recorded
// by their full paths and removed later from another folder, so only a full path will do.
QString destinationProblem(const QString& destination);

// The destination offered first: "ProgramFilesDir" plus the product name; empty when the
// registry names no program files folder.
QString initialDestination(Registry& registry);

// The names of the menu folders the group may be chosen from: the subfolders of the Programs
// folder, those beginning with "." left out, in file-list order.
QStringList programGroups(Registry& registry);

// Makes `folder` and the folders above it that are missing, one at a time from the root; the
// first that cannot be made ends the walk and removes again what the walk made. True when the
// folder exists afterwards; `made` (when given) then gets the folders made, outermost first.
bool makeFolderPath(const QString& folder, QStringList* made = nullptr);

// Copies `source` to `target` through a new file beside the target that then replaces it, so a
// running program can be replaced and a failed copy never leaves a damaged target. The copy
// keeps the source's permissions (executables stay executable) and is always the user's to
// write and remove. True when the target holds the copy.
bool copyProgramFile(const QString& source, const QString& target);

// Installs: makes the destination, copies the files present in the source folder, makes the
// shortcuts the request asks for and records everything created in the uninstall entry, also
// the folders made on the way (the program folder's parents, the menu and desktop folders, as
// "34" onwards). A shortcut that cannot be written throws td::Error; what was done before it
// stays.
void installProgram(const InstallRequest& request, Registry& registry, Shortcuts& shortcuts);

// The command recorded for the scheduled deletion of `path`.
QString deleteCommand(const QString& path);

// Uninstall stage 1: copies `executable` into `tempFolder` as setup.exe, records its scheduled
// deletion and starts the copy with "/U". Returns the copy's path; empty (and nothing started)
// when no copy could be made.
QString startUninstallCopy(const QString& executable, const QString& tempFolder, Registry& registry,
                           Shell& shell);

// Uninstall stage 2 without its question: reads every recorded path first, then deletes the
// recorded files and, when empty, the group and program folders and the folders made on the
// way; deletes the settings key, the uninstall entry and the profile files `profileFiles`.
// Only what the installer could have made is deleted: a numbered value goes only when it names
// exactly the file the installer writes under that number (a program file in the recorded
// program folder, a menu entry in the recorded group folder, the desktop entry on the desktop,
// named as `shortcuts` names them). Anything else an edited entry names, a file whose
// permission bits make it read-only and `runningExecutable` itself are left alone.
void removeInstallation(Registry& registry, const Shortcuts& shortcuts,
                        const QStringList& profileFiles, const QString& runningExecutable);

// After stage 2 ends without reinstalling: when `executable` is the copy stage 1 made in
// `tempFolder`, deletes it and the scheduled deletion recorded for it.
void removeUninstallCopy(const QString& executable, const QString& tempFolder, Registry& registry);

}  // namespace td
