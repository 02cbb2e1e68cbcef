#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

namespace td {

class Drives;

// The entry that stands first in the file list and leads one level up.
inline const QString kParentEntry = QStringLiteral("..");

// The font file and archive masks of the file list. The font mask matches every name the font
// file rule accepts (platform/fontfilerule.h): with "TrueType files only (.ttf)" on, exactly
// "*.ttf".
inline const QString kFontMask = QStringLiteral("*.ttf");
inline const QString kArchiveMask = QStringLiteral("*.zip");

// True when `name` matches a file mask such as "*.ttf" or "*.*". Masks match without regard to
// case, so A.TTF is a font; "*.*" matches every name, dotted or not.
bool matchesMask(const QString& name, const QString& mask);

// `folder` with one trailing "/" (an empty folder stays empty).
QString withTrailingSlash(const QString& folder);

// The order of the file list: without regard to case first, then by case so that the order
// never depends on how names came in.
bool fileListLess(const QString& a, const QString& b);
void sortFileList(QStringList& entries);

// Names of the files (not folders) of `folder` that match `mask`, sorted. Hidden files (names
// beginning with ".") are left out, as a desktop file list does. A folder that cannot be read
// gives an empty list.
QStringList folderEntries(const QString& folder, const QString& mask);

// Every font file of `folder` and of all its subfolders, as paths relative to `folder`
// ("s/x.ttf"), sorted. Subfolders whose names begin with "." are skipped. A folder reached a
// second time (through a symbolic link that loops back, or two links to one folder) is not
// walked again, and folders that cannot be read are passed over. `keepPainting` (optional) is
// called now and then so that a busy animation moves during a long walk.
QStringList subfolderFontEntries(const QString& folder,
                                 const std::function<void()>& keepPainting = {});

// Makes sure the list starts with "..": added in front when the list is empty or its first
// entry is something else. Returns whether it added one.
bool ensureParentEntry(QStringList& entries);

// The folder one level up from `folder` (a trailing "/" is added first); the result keeps its
// trailing "/". The root "/" stays the root.
QString folderUp(const QString& folder);

// True when the drive mounted at `root` can be read.
bool IsDriveReady(Drives& drives, const QString& root);

// The warning shown for a drive that cannot be read; the drive is named by its mount point.
QString driveNotReadyMessage(const QString& root);

// The tab caption "Directory fonts: N" for a file list of `entryCount` entries (".." included).
QString directoryCaption(int entryCount);

// The tab caption while an entry is current: "Directory fonts: P/N", or the plain caption when
// the current position is 0 (the ".." entry) or none (-1).
QString directoryCaption(int currentPosition, int entryCount);

// The sample grid rows that mirror a file list selection: from (first selected position at or
// after 1) - 1 to (last selected position) - 1. Nothing when no font entry is selected.
std::optional<std::pair<int, int>> gridRowsForSelection(const QList<int>& selectedPositions);

// The file list positions that mirror the grid's selected rows `top` to `bottom`: top + 1 to
// bottom + 1, kept inside a list of `entryCount` entries (".." at 0 is never among them).
QList<int> fileListPositionsForRows(int top, int bottom, int entryCount);

}  // namespace td
