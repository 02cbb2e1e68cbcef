#include "browse/filelist.h"

#include <sys/stat.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <set>

#include "platform/drives.h"
#include "platform/fontfilerule.h"

namespace td {

namespace {

// A compiled mask, so that a folder of thousands of files compiles it once. The font mask
// stands for every font file kind and follows the font file rule as it is when compiled.
class MaskMatcher {
  public:
    explicit MaskMatcher(const QString& mask)
        : m_all(mask == u"*.*" || mask == u"*"),
          m_fonts(mask == kFontMask),
          m_trueTypeOnly(trueTypeFilesOnly()) {
        if (!m_all && !m_fonts) {
            // Names never hold a separator, so the path-aware conversion matches them whole.
            m_expression = QRegularExpression(QRegularExpression::wildcardToRegularExpression(mask),
                                              QRegularExpression::CaseInsensitiveOption);
        }
    }
    bool matches(const QString& name) const {
        if (m_fonts) {
            return isFontFileName(name, m_trueTypeOnly);
        }
        return m_all || m_expression.match(name).hasMatch();
    }

  private:
    bool m_all;
    bool m_fonts;
    bool m_trueTypeOnly;
    QRegularExpression m_expression;
};

// Identity of a folder, following links, so that a walk notices a folder it has seen.
struct FolderId {
    dev_t device;
    ino_t inode;
    bool operator<(const FolderId& other) const {
        return device != other.device ? device < other.device : inode < other.inode;
    }
};

std::optional<FolderId> folderId(const QString& folder) {
    struct stat info {};
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return std::nullopt;
    }
    return FolderId{info.st_dev, info.st_ino};
}

struct SubfolderWalk {
    MaskMatcher fonts{kFontMask};
    std::set<FolderId> seen;
    QStringList entries;
    const std::function<void()>* keepPainting = nullptr;

    void walk(const QString& folder, const QString& relative) {
        const std::optional<FolderId> id = folderId(folder);
        if (!id || !seen.insert(*id).second) {
            return;
        }
        if (keepPainting && *keepPainting) {
            (*keepPainting)();
        }
        QStringList subfolders;
        QStringList files;
        // Without QDir::Hidden, names beginning with "." are never offered.
        QDirIterator it(folder, QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot | QDir::System);
        while (it.hasNext()) {
            it.next();
            const QFileInfo info = it.fileInfo();
            const QString name = info.fileName();
            if (name.startsWith(u'.')) {
                continue;
            }
            if (info.isDir()) {
                subfolders << name;
            } else if (info.isFile() && fonts.matches(name)) {
                files << name;
            }
        }
        sortFileList(subfolders);
        for (const QString& name : std::as_const(subfolders)) {
            walk(folder + name + u'/', relative + name + u'/');
        }
        for (const QString& name : std::as_const(files)) {
            entries << relative + name;
        }
    }
};

}  // namespace

bool matchesMask(const QString& name, const QString& mask) {
    return MaskMatcher(mask).matches(name);
}

QString withTrailingSlash(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith(u'/')) {
        return folder;
    }
    return folder + u'/';
}

bool fileListLess(const QString& a, const QString& b) {
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
}

void sortFileList(QStringList& entries) {
    std::sort(entries.begin(), entries.end(), fileListLess);
}

QStringList folderEntries(const QString& folder, const QString& mask) {
    QStringList entries;
    if (folder.isEmpty()) {
        return entries;
    }
    const MaskMatcher matcher(mask);
    QDirIterator it(folder, QDir::Files | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString name = info.fileName();
        if (!name.startsWith(u'.') && info.isFile() && matcher.matches(name)) {
            entries << name;
        }
    }
    sortFileList(entries);
    return entries;
}

QStringList subfolderFontEntries(const QString& folder, const std::function<void()>& keepPainting) {
    SubfolderWalk walk;
    walk.keepPainting = &keepPainting;
    if (!folder.isEmpty()) {
        walk.walk(withTrailingSlash(folder), QString());
    }
    sortFileList(walk.entries);
    return walk.entries;
}

bool ensureParentEntry(QStringList& entries) {
    if (!entries.isEmpty() && entries.first() == kParentEntry) {
        return false;
    }
    entries.prepend(kParentEntry);
    return true;
}

QString folderUp(const QString& folder) {
    const QString path = withTrailingSlash(folder);
    // Search backwards from the character before the trailing separator; a separator at the
    // very start is the root's own, so "/fonts/" goes to "/" and "/" stays "/".
    const qsizetype previous = path.size() >= 2 ? path.lastIndexOf(u'/', path.size() - 2) : -1;
    if (previous < 0) {
        return path;
    }
    return path.left(previous + 1);
}

bool IsDriveReady(Drives& drives, const QString& root) {
    return drives.isReady(root);
}

QString driveNotReadyMessage(const QString& root) {
    return QStringLiteral("Drive ") + root + QStringLiteral(" is empty. Try again!");
}

QString directoryCaption(int entryCount) {
    return QStringLiteral("Directory fonts: ") + QString::number(std::max(0, entryCount - 1));
}

QString directoryCaption(int currentPosition, int entryCount) {
    if (currentPosition <= 0) {
        return directoryCaption(entryCount);
    }
    return QStringLiteral("Directory fonts: ") + QString::number(currentPosition) + u'/' +
           QString::number(std::max(0, entryCount - 1));
}

std::optional<std::pair<int, int>> gridRowsForSelection(const QList<int>& selectedPositions) {
    int first = -1;
    int last = -1;
    for (int position : selectedPositions) {
        if (position < 1) {
            continue;
        }
        first = first < 0 ? position : std::min(first, position);
        last = std::max(last, position);
    }
    if (first < 0) {
        return std::nullopt;
    }
    return std::make_pair(first - 1, last - 1);
}

QList<int> fileListPositionsForRows(int top, int bottom, int entryCount) {
    QList<int> positions;
    if (top < 0 || bottom < top) {
        return positions;
    }
    for (int position = top + 1; position <= bottom + 1 && position < entryCount; ++position) {
        positions << position;
    }
    return positions;
}

}  // namespace td
