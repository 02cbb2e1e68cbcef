#pragma once

#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace td {

// The result grid's columns.
enum SearchColumn : int { kSearchPath = 0, kSearchName = 1, kSearchTime = 2, kSearchSize = 3 };
constexpr int kSearchColumns = 4;

// The heads of the result grid; the column last sorted by carries kSortMarker in front of its
// head. A column outside 0..3 marks none.
inline const QString kSortMarker = QStringLiteral("** ");
QStringList searchHeads(int sortedColumn = -1);

// One file found: the four cells as the grid shows them, and the file's path as the file system
// spells it (names need not be valid UTF-8, so the shown text may not lead back to the file).
struct SearchHit {
    std::array<QString, kSearchColumns> cells;  // folder ending in "/", name, time, size
    QByteArray nativePath;

    // The folder and the name joined: the path that previewing and deleting use.
    QString fullPath() const;
};

// The search mask: the text of the mask field followed by a font file suffix (".ttf" alone
// with "TrueType files only (.ttf)" on, as it was when the mask was made), matched against
// whole file names without regard to case. "*" and "?" are the only wildcards; every other
// character stands for itself.
class FontNameMask {
  public:
    explicit FontNameMask(const QString& maskText);
    bool matches(const QString& name) const;
    // The same test on a name as the file system spells it.
    bool matches(const QByteArray& name) const;
    // Whether the name (`length` bytes) ends in a font suffix this mask accepts: a quick first
    // test before the name is copied.
    bool hasFontSuffix(const char* name, std::size_t length) const;

  private:
    bool m_anyName = false;  // the mask text is "*": every font file name
    bool m_trueTypeOnly = false;
    QRegularExpression m_expression;
};

// "yyyy mm/dd hh:nn:ss" of a last-write time (seconds since 1970, UTC), in local time as the
// DOS date-time format holds it: seconds rounded down to even, and a time that format cannot
// hold (before 1980 or after 2107) shown as the zero date-time "1899 12/30 00:00:00".
QString formatSearchTime(std::int64_t secondsSinceEpoch);
// The size in bytes, padded on the left with blanks to 12 characters.
QString formatSearchSize(std::int64_t bytes);

// Called once per folder during a walk, so that a long search can keep its animation moving.
using SearchProgress = std::function<void()>;

// Adds to `hits` every file of `folder` (given with or without its trailing "/") and of its
// subfolders whose name matches `mask`: each subfolder's hits, depth first and in name order,
// before the folder's own. The walk stays on the file system `folder` lies on, never enters
// folders whose names begin with ".", never follows a symbolic link to a folder, enters no
// folder twice, and passes over folders that cannot be read. Only regular files (or links to
// them) are hits.
void SearchFolderTree(const QByteArray& folder, const FontNameMask& mask,
                      std::vector<SearchHit>& hits, const SearchProgress& progress = {});
void SearchFolderTree(const QString& folder, const FontNameMask& mask, std::vector<SearchHit>& hits,
                      const SearchProgress& progress = {});

// A matching file of one folder, as the walk read it.
struct FoundFile {
    QByteArray name;
    std::int64_t modified = 0;  // seconds since 1970, UTC
    std::int64_t size = 0;
};

// Adds the matching files of `folder` (which ends in "/") to `hits`, in name order.
void ListFolderMatches(const QByteArray& folder, std::vector<FoundFile> files,
                       std::vector<SearchHit>& hits);

// Searches every drive (mount point) in turn and returns the hits sorted by path.
std::vector<SearchHit> SearchDrives(const QStringList& roots, const QString& maskText,
                                    const SearchProgress& progress = {});

// The order of SortResults: cell `column` first, then the other cells left to right, each
// compared without regard to case; rows equal so far go by the exact texts in the same order.
// A column outside 0..3 orders by all cells left to right.
bool searchRowLess(const SearchHit& a, const SearchHit& b, int column);
// Sorts the rows by `column` as above; rows never change their cells.
void SortResults(std::vector<SearchHit>& hits, int column);

}  // namespace td
