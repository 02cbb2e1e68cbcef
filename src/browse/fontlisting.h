#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace td {

class Dialogs;
class TZipArchive;
struct TFontNames;

// Columns of the font data table, one row per listed font.
enum FontColumn : int {
    kColFamily = 0,
    kColSubfamily = 1,
    kColEntry = 2,  // the file list entry: file name, relative path or archive entry name
    kColName = 3,
    kColVersion = 4,
    kColIdentifier = 5,
    kColCopyright = 6,
    kColTrademark = 7,
    kColPostscript = 8,
};
constexpr int kFontDataColumns = 9;
using FontDataRow = std::array<QString, kFontDataColumns>;

// The table row of a font read from `entry`.
FontDataRow fontDataRow(const TFontNames& names, const QString& entry);
// The eight names a table row holds, back in record order (for the Properties dialog).
TFontNames namesOfRow(const FontDataRow& row);

// Where the extracted copy of archive entry `entry` lies in the temporary folder `tempPath`;
// empty without a temporary folder or when the entry's name would lead outside that folder
// (absolute, or climbing with ".."), since the extraction never writes such an entry and nothing
// outside may be read in its place.
QString extractedCopyPath(const QString& tempPath, const QString& entry);

// The listing's hidden state: the path list (one full path per font) and the font data table.
// Row k of the table, path k and row k of the sample grid describe the same font.
class FontListing {
  public:
    FontListing() : StringGrid1(1) {}

    // The path list, in the file list's order.
    QStringList lb_;
    // The number of faces of each path's file (a collection has several), as read with its row.
    QList<int> faces_;
    // The font data table; never fewer than one row (a listing without fonts has one empty row).
    std::vector<FontDataRow> StringGrid1;

    int rowCount() const { return static_cast<int>(StringGrid1.size()); }
    // Row `row` of the table; an empty row for a row that does not exist.
    const FontDataRow& row(int row) const;
    // Path `row` of the path list; empty for a row without a path.
    QString path(int row) const;
    // The faces of row `row`'s file: above 1 for a collection, 1 otherwise.
    int faceCount(int row) const;

    // One empty row.
    void resetRows();
    // Reads the names of every path into the table; `entries` are the file list entries after
    // "..", row k taking entry k for its entry column. Unreadable or damaged files give rows of
    // empty names.
    void readRows(const QStringList& entries, const std::function<void()>& keepPainting = {});
};

// The "Directory fonts" source: view mode, folder, mask, the file list with its ".." entry, the
// visibility of the mode-dependent context-menu items, and the listing they produce. Windows
// mirror it into their controls; the rules live here so that they can be tested without one.
//
// View modes: 1 the font files of a folder (or folder tree), 2 the archives of a folder, 3 the
// font entries inside one archive.
class DirectorySource {
  public:
    // What the window around it provides. Each may be empty.
    struct Hooks {
        std::function<void(int animation)> showBusy;
        std::function<void()> showIdle;
        std::function<void()> keepPainting;
        // "Automatic Refresh".
        std::function<bool()> autoRefresh;
    };

    // `tempPath` is the temporary folder that archive fonts are extracted into.
    DirectorySource(TZipArchive& archive, Dialogs* dialogs, QString tempPath, Hooks hooks = {});

    int viewMode() const { return m_viewMode; }
    const QString& folder() const { return m_folder; }
    const QString& mask() const { return m_mask; }
    bool withSubfolders() const { return m_withSubfolders; }
    bool withSubfoldersVisible() const { return m_withSubfoldersVisible; }
    const QStringList& fileList() const { return m_fileList; }
    int currentPosition() const { return m_current; }
    void setCurrentPosition(int position) { m_current = position; }
    // "Add to zip".
    bool addToZipVisible() const { return m_addToZipVisible; }
    // "View as Character Map", "Install", "Properties", "Copy To..." and "Move To...".
    bool fileCommandsVisible() const { return m_fileCommandsVisible; }
    const FontListing& listing() const { return m_listing; }
    const QString& tempPath() const { return m_tempPath; }
    // The tab caption the last listing or selection set.
    const QString& caption() const { return m_caption; }
    // How many font listings have been made (the caption and the rows change with each).
    int listingCount() const { return m_listingCount; }
    void setCaption(const QString& caption) { m_caption = caption; }

    // Re-reads the file list from the folder and mask; in view mode 1 with subfolders it lists
    // the whole tree. The list always starts with "..". Not in view mode 3, whose list is the
    // archive's.
    void rereadFileList();

    // Rebuilds the listing (view modes 1 and 3) or re-reads the folder's archives (view mode 2).
    // The busy indicator is ended on every way out, errors included.
    void ListFonts();

    // Double-click navigation at the current position: leave the archive (view mode 3, ".."),
    // enter an archive or go up a folder (view mode 2); then, with "Automatic Refresh", list the
    // fonts. A damaged archive raises its reading error after the list shows ".." and the
    // entries read before the damage, so the user can leave it again, and the listing holds a
    // blank row for each of those entries.
    void OpenListEntry();

    // "&TTF File".
    void chooseFontFiles();
    // "&ZIP File": the archives of the folder; "&With subdirectories" hidden and cleared.
    void chooseArchives();
    // "&With subdirectories" checked or cleared: lists again.
    void setWithSubfolders(bool on);

    // The folder tree moved to `folder`. Re-reads the file list; a folder change while inside an
    // archive leaves the archive for the new folder's archives. Returns true when "&Refresh" is
    // due (font mask and "Automatic Refresh" checked).
    bool setFolder(const QString& folder);

    // After the open archive's entries changed: the file list becomes ".." and the archive's
    // font entries in archive order, under their stored names.
    void showArchiveFontEntries();

    // The stored name bytes of file list entry `row` in view mode 3 (the entry that row means to
    // the archive); otherwise, and for "..", the entry's text as UTF-8.
    QByteArray storedEntryName(int row) const;

    // The table row the Properties dialog shows for the current entry; nothing in view mode 2,
    // for ".." or without a current entry.
    std::optional<int> propertiesRow() const;

  private:
    void leaveArchiveList();
    void enterArchive(const QString& entry);
    void listArchiveFonts();
    // The listing of an archive that could not be read: a blank row per entry of the file list.
    void listWithoutFonts();
    bool autoRefresh() const { return m_hooks.autoRefresh && m_hooks.autoRefresh(); }
    void showBusy(int animation) const;
    void showIdle() const;

    TZipArchive& m_archive;
    Dialogs* m_dialogs;
    QString m_tempPath;
    Hooks m_hooks;
    int m_viewMode = 1;
    QString m_folder;
    QString m_mask = QStringLiteral("*.ttf");
    bool m_withSubfolders = false;
    bool m_withSubfoldersVisible = true;
    QStringList m_fileList;
    // In view mode 3, the stored names of the file list's entries ("..", too), row for row.
    QList<QByteArray> m_storedNames;
    int m_current = -1;
    bool m_addToZipVisible = true;
    bool m_fileCommandsVisible = true;
    FontListing m_listing;
    QString m_caption = QStringLiteral("Directory fonts: 0");
    int m_listingCount = 0;
};

}  // namespace td
