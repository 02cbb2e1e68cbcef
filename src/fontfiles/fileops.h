#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <utility>

class QWidget;

namespace td {

class Dialogs;

// Write permission as the file's mode bits grant it to this user (owner, group or other bits,
// whichever class the user falls in). The bits decide, not access(): the superuser may write
// anything, yet a file its owner protected still counts as protected.
bool hasWritePermission(const QString& path);

// True when the delete commands may delete the file: it exists, is not a folder, and both the
// file and its folder grant write permission. A file without it counts as read-only although
// the folder's owner could unlink it, as `rm` would ask first.
bool mayDeleteFile(const QString& path);

// Deletes the file when mayDeleteFile allows it; true when it is gone.
bool deleteUserFile(const QString& path);

// The failure message of the delete commands for `file`.
QString readOnlyMessage(const QString& file);

// True when both paths name one existing file (the same device and inode).
bool sameFile(const QString& a, const QString& b);

// True when both files exist and hold the same bytes.
bool sameContents(const QString& a, const QString& b);

// Copies `source` onto `destination` with the block copy, complete or not at all: the copy is
// written beside the destination under a hidden name and renamed over it only when every byte
// arrived, so a failed copy leaves an existing destination file as it was. Fails (changing
// nothing) when the source cannot be read, the destination's folder is missing or grants no
// write permission, or an existing destination file is protected. Copying a file onto itself
// succeeds without touching it.
bool copyFileWhole(const QString& source, const QString& destination);

// The selected entries of the "Directory fonts" file list and where their files lie.
struct FileSelection {
    int viewMode = 1;      // 1 font files of a folder, 3 fonts extracted from an archive
    QString listedFolder;  // the folder of the file list
    QString tempPath;      // where an archive's fonts are extracted
    QStringList entries;   // selected entries in list order, ".." left out
};

// Where the file of a selected entry lies: in the listed folder, or in view mode 3 its
// extracted copy in the temporary folder. Empty when the entry names no safe path.
QString selectedFileSource(const FileSelection& selection, const QString& entry);

// Copies every selected file into `folder` (entries in subfolders into the same subfolders
// below it). Returns the entries whose copy arrived whole.
QStringList copySelectedFiles(const FileSelection& selection, const QString& folder);

// Moves every selected file into `folder`: the source is deleted only when its copy arrived
// whole and reads back equal, and a file that already lies at its destination stays where it
// is. Returns the entries that were moved.
QStringList moveSelectedFiles(const FileSelection& selection, const QString& folder);

// The remembered folders of the "Copy To..." and "Move To..." sub-menus.
inline const QString kUnusedRecentFolder = QStringLiteral("copydir");
struct RecentFolder {
    QString caption = kUnusedRecentFolder;
    bool visible = false;
};
using RecentFolders = std::array<RecentFolder, 5>;

// Makes `folder` the first remembered folder: the entries in use move down one place, the
// last one drops out. A folder already in the list is not looked for.
void pushRecentFolder(RecentFolders& folders, const QString& folder);

// "Delete" on the "Directory fonts" tab for font files or archives. `fileList` is the file
// list (".." first) and `selected` the selected positions. Without a selection: the beep and
// "Select a font file first", and false. Otherwise deletes each selected entry's file from
// the last one up (never position 0), with the beep and the failure message naming the entry
// for each file that stays, and returns true.
bool deleteListedFiles(Dialogs& dialogs, QWidget* parent, const QString& listedFolder,
                       const QStringList& fileList, const QList<int>& selected);

// "Delete" on the "Search" tab for the full paths of the selected found files, top to bottom.
// Asks "Delete selected fonts ?" first; anything but OK returns false with nothing deleted.
// Each file is released through `deactivate` and deleted; a file that stays gets the beep and
// the failure message naming its path.
bool deleteFoundFiles(Dialogs& dialogs, QWidget* parent, const QStringList& paths,
                      const std::function<void(const QString&)>& deactivate);

}  // namespace td
