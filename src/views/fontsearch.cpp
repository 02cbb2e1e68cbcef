#include "views/fontsearch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "browse/filelist.h"
#include "platform/fontfilerule.h"

namespace td {

namespace {

// Every font file suffix has four characters.
constexpr qsizetype kFontSuffixLength = 4;

// A folder's identity, so that a folder reached twice (a bind mount of one of its parents) is
// not walked again.
struct FolderId {
    dev_t device;
    ino_t inode;
    bool operator<(const FolderId& other) const {
        return device != other.device ? device < other.device : inode < other.inode;
    }
};

struct TreeWalk {
    const FontNameMask& mask;
    std::vector<SearchHit>& hits;
    const SearchProgress& progress;
    dev_t device = 0;
    std::set<FolderId> seen;

    // Walks a folder already known to lie on the walk's file system and not seen before.
    void walk(const QByteArray& folder, bool isRoot) {
        if (progress) {
            progress();
        }
        // A link in place of the folder (swapped in since its parent was read) is not followed.
        const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (isRoot ? 0 : O_NOFOLLOW);
        const int fd = ::open(folder.constData(), flags);
        if (fd < 0) {
            return;
        }
        DIR* dir = ::fdopendir(fd);
        if (dir == nullptr) {
            ::close(fd);
            return;
        }
        std::vector<std::pair<QString, QByteArray>> subfolders;
        std::vector<FoundFile> files;
        while (const dirent* entry = ::readdir(dir)) {
            const char* name = entry->d_name;
            const std::size_t length = std::strlen(name);
            unsigned char type = entry->d_type;
            struct stat info {};
            if (type == DT_UNKNOWN) {
                if (::fstatat(fd, name, &info, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) != 0) {
                    continue;
                }
                type = S_ISDIR(info.st_mode) ? DT_DIR : DT_REG;
            }
            if (type == DT_DIR) {
                // Also skips "." and "..".
                if (name[0] == '.') {
                    continue;
                }
                // Without following an automount point, which would mount it (and which is
                // another file system anyway).
                if (::fstatat(fd, name, &info, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) != 0 ||
                    !S_ISDIR(info.st_mode) || info.st_dev != device ||
                    !seen.insert({info.st_dev, info.st_ino}).second) {
                    continue;
                }
                const QByteArray bytes(name, static_cast<qsizetype>(length));
                subfolders.emplace_back(QFile::decodeName(bytes), bytes);
                continue;
            }
            if (!mask.hasFontSuffix(name, length)) {
                continue;
            }
            const QByteArray bytes(name, static_cast<qsizetype>(length));
            // Links to files are followed; pipes and devices are never fonts (and opening a
            // pipe to preview it would wait for ever).
            if (!mask.matches(bytes) || ::fstatat(fd, name, &info, 0) != 0 ||
                !S_ISREG(info.st_mode)) {
                continue;
            }
            files.push_back({bytes, static_cast<std::int64_t>(info.st_mtime),
                             static_cast<std::int64_t>(info.st_size)});
        }
        ::closedir(dir);

        std::sort(subfolders.begin(), subfolders.end(),
                  [](const auto& a, const auto& b) { return fileListLess(a.first, b.first); });
        for (const auto& subfolder : subfolders) {
            walk(folder + subfolder.second + '/', false);
        }
        ListFolderMatches(folder, std::move(files), hits);
    }
};

int compareCells(const QString& a, const QString& b, Qt::CaseSensitivity sensitivity) {
    return QString::compare(a, b, sensitivity);
}

// The columns in the order a sort by `column` compares them.
std::array<int, kSearchColumns> columnOrder(int column) {
    std::array<int, kSearchColumns> order{0, 1, 2, 3};
    if (column > 0 && column < kSearchColumns) {
        std::rotate(order.begin(), order.begin() + column, order.begin() + column + 1);
    }
    return order;
}

}  // namespace

QStringList searchHeads(int sortedColumn) {
    QStringList heads{QStringLiteral("Path"), QStringLiteral("Name"), QStringLiteral("Time"),
                      QStringLiteral("Size")};
    if (sortedColumn >= 0 && sortedColumn < kSearchColumns) {
        heads[sortedColumn].prepend(kSortMarker);
    }
    return heads;
}

QString SearchHit::fullPath() const {
    return withTrailingSlash(cells[kSearchPath]) + cells[kSearchName];
}

FontNameMask::FontNameMask(const QString& maskText)
    : m_anyName(maskText == u"*"), m_trueTypeOnly(trueTypeFilesOnly()) {
    if (m_anyName) {
        return;
    }
    // The mask text is matched against the name without its font suffix, which the rule
    // checks: with ".ttf" alone that is the mask text followed by ".ttf". Character by
    // character, not by UTF-16 unit: half of a surrogate pair escaped on its own makes a pattern
    // that does not compile, and "?" stands for a whole character.
    QString pattern;
    for (const char32_t c : maskText.toUcs4()) {
        if (c == U'*') {
            pattern += QStringLiteral(".*");
        } else if (c == U'?') {
            pattern += u'.';
        } else {
            pattern += QRegularExpression::escape(QString::fromUcs4(&c, 1));
        }
    }
    m_expression = QRegularExpression(
        QRegularExpression::anchoredPattern(pattern),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
}

bool FontNameMask::matches(const QString& name) const {
    if (!isFontFileName(name, m_trueTypeOnly)) {
        return false;
    }
    return m_anyName || m_expression.match(QStringView(name).chopped(kFontSuffixLength)).hasMatch();
}

bool FontNameMask::hasFontSuffix(const char* name, std::size_t length) const {
    return isFontFileName(name, length, m_trueTypeOnly);
}

bool FontNameMask::matches(const QByteArray& name) const {
    // Every name the mask matches ends in a font suffix, so most names are turned away here
    // without being decoded.
    if (!hasFontSuffix(name.constData(), static_cast<std::size_t>(name.size()))) {
        return false;
    }
    return m_anyName || matches(QFile::decodeName(name));
}

QString formatSearchTime(std::int64_t secondsSinceEpoch) {
    const time_t time = static_cast<time_t>(secondsSinceEpoch);
    struct tm local {};
    const bool held = static_cast<std::int64_t>(time) == secondsSinceEpoch &&
                      ::localtime_r(&time, &local) != nullptr && local.tm_year + 1900 >= 1980 &&
                      local.tm_year + 1900 <= 2107;
    if (!held) {
        return QStringLiteral("1899 12/30 00:00:00");
    }
    return QString::asprintf("%04d %02d/%02d %02d:%02d:%02d", local.tm_year + 1900,
                             local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                             local.tm_sec & ~1);
}

QString formatSearchSize(std::int64_t bytes) {
    return QString::number(bytes).rightJustified(12, u' ');
}

void ListFolderMatches(const QByteArray& folder, std::vector<FoundFile> files,
                       std::vector<SearchHit>& hits) {
    if (files.empty()) {
        return;
    }
    const QString shownFolder = QFile::decodeName(folder);
    std::vector<std::pair<QString, FoundFile>> named;
    named.reserve(files.size());
    for (FoundFile& file : files) {
        named.emplace_back(QFile::decodeName(file.name), std::move(file));
    }
    std::sort(named.begin(), named.end(),
              [](const auto& a, const auto& b) { return fileListLess(a.first, b.first); });
    for (auto& [name, file] : named) {
        SearchHit hit;
        hit.cells = {shownFolder, name, formatSearchTime(file.modified),
                     formatSearchSize(file.size)};
        hit.nativePath = folder + file.name;
        hits.push_back(std::move(hit));
    }
}

void SearchFolderTree(const QByteArray& folder, const FontNameMask& mask,
                      std::vector<SearchHit>& hits, const SearchProgress& progress) {
    if (folder.isEmpty()) {
        return;
    }
    const QByteArray root = folder.endsWith('/') ? folder : folder + '/';
    struct stat info {};
    if (::stat(root.constData(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return;
    }
    TreeWalk walk{mask, hits, progress, info.st_dev, {}};
    walk.seen.insert({info.st_dev, info.st_ino});
    walk.walk(root, true);
}

void SearchFolderTree(const QString& folder, const FontNameMask& mask, std::vector<SearchHit>& hits,
                      const SearchProgress& progress) {
    SearchFolderTree(QFile::encodeName(folder), mask, hits, progress);
}

std::vector<SearchHit> SearchDrives(const QStringList& roots, const QString& maskText,
                                    const SearchProgress& progress) {
    const FontNameMask mask(maskText);
    std::vector<SearchHit> hits;
    for (const QString& root : roots) {
        SearchFolderTree(root, mask, hits, progress);
    }
    SortResults(hits, kSearchPath);
    return hits;
}

bool searchRowLess(const SearchHit& a, const SearchHit& b, int column) {
    const std::array<int, kSearchColumns> order = columnOrder(column);
    for (const Qt::CaseSensitivity sensitivity : {Qt::CaseInsensitive, Qt::CaseSensitive}) {
        for (const int c : order) {
            const int result = compareCells(a.cells[c], b.cells[c], sensitivity);
            if (result != 0) {
                return result < 0;
            }
        }
    }
    return false;
}

void SortResults(std::vector<SearchHit>& hits, int column) {
    std::stable_sort(hits.begin(), hits.end(), [column](const SearchHit& a, const SearchHit& b) {
        return searchRowLess(a, b, column);
    });
}

}  // namespace td
