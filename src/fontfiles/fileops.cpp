#include "fontfiles/fileops.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cstdio>
#include <memory>
#include <vector>

#include "browse/fontlisting.h"
#include "platform/dialogs.h"
#include "ttfnames/copyfile.h"

namespace td {

namespace {

bool statPath(const QString& path, struct stat& info) {
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &info) == 0;
}

bool inGroup(gid_t group) {
    if (group == ::getegid()) {
        return true;
    }
    const int count = ::getgroups(0, nullptr);
    if (count <= 0) {
        return false;
    }
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    for (int i = 0; i < got; ++i) {
        if (groups[static_cast<std::size_t>(i)] == group) {
            return true;
        }
    }
    return false;
}

QString folderOf(const QString& path) {
    return QFileInfo(QFileInfo(path).absoluteFilePath()).absolutePath();
}

// The mode a new file gets from this process: read and write for all, less the umask.
QFileDevice::Permissions newFilePermissions() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const mode_t mode = 0666 & ~mask;
    QFileDevice::Permissions permissions;
    const std::pair<mode_t, QFileDevice::Permissions> bits[] = {
        {S_IRUSR, QFileDevice::ReadOwner | QFileDevice::ReadUser},
        {S_IWUSR, QFileDevice::WriteOwner | QFileDevice::WriteUser},
        {S_IRGRP, QFileDevice::ReadGroup},
        {S_IWGRP, QFileDevice::WriteGroup},
        {S_IROTH, QFileDevice::ReadOther},
        {S_IWOTH, QFileDevice::WriteOther}};
    for (const auto& [bit, permission] : bits) {
        if ((mode & bit) != 0) {
            permissions |= permission;
        }
    }
    return permissions;
}

}  // namespace

bool hasWritePermission(const QString& path) {
    struct stat info {};
    if (!statPath(path, info)) {
        return false;
    }
    if (info.st_uid == ::geteuid()) {
        return (info.st_mode & S_IWUSR) != 0;
    }
    if (inGroup(info.st_gid)) {
        return (info.st_mode & S_IWGRP) != 0;
    }
    return (info.st_mode & S_IWOTH) != 0;
}

bool mayDeleteFile(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && !info.isDir() && hasWritePermission(path) &&
           hasWritePermission(folderOf(path));
}

bool deleteUserFile(const QString& path) {
    return mayDeleteFile(path) && QFile::remove(path);
}

QString readOnlyMessage(const QString& file) {
    return file + QStringLiteral(
                      " cannot be deleted.\n\r(Probably it is Read-Only)\n\rRemove protection and "
                      "try again!");
}

bool sameFile(const QString& a, const QString& b) {
    struct stat first {};
    struct stat second {};
    return statPath(a, first) && statPath(b, second) && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

bool sameContents(const QString& a, const QString& b) {
    QFile first(a);
    QFile second(b);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly) ||
        first.size() != second.size()) {
        return false;
    }
    constexpr qint64 kChunk = 65536;
    while (!first.atEnd()) {
        const QByteArray left = first.read(kChunk);
        if (left.isEmpty() || left != second.read(kChunk)) {
            return false;
        }
    }
    return second.atEnd();
}

bool copyFileWhole(const QString& source, const QString& destination) {
    const QFileInfo from(source);
    if (!from.isFile() || !from.isReadable()) {
        return false;
    }
    const QString target = QFileInfo(destination).absoluteFilePath();
    if (sameFile(source, target)) {
        return true;
    }
    const QString folder = folderOf(target);
    const QFileInfo existing(target);
    if (!QFileInfo(folder).isDir() || !hasWritePermission(folder) ||
        (existing.exists() && (existing.isDir() || !hasWritePermission(target)))) {
        return false;
    }
    QString partial;
    {
        QTemporaryFile beside(folder + QStringLiteral("/.") + existing.fileName() +
                              QStringLiteral(".XXXXXX.part"));
        beside.setAutoRemove(false);
        if (!beside.open()) {
            return false;
        }
        partial = beside.fileName();
    }
    const bool whole = CopyFileContents(source, partial) &&
                       QFileInfo(partial).size() == QFileInfo(source).size() &&
                       QFile::setPermissions(partial, newFilePermissions()) &&
                       std::rename(QFile::encodeName(partial).constData(),
                                   QFile::encodeName(target).constData()) == 0;
    if (!whole) {
        QFile::remove(partial);
    }
    return whole;
}

QString selectedFileSource(const FileSelection& selection, const QString& entry) {
    return extractedCopyPath(selection.viewMode == 3 ? selection.tempPath : selection.listedFolder,
                             entry);
}

namespace {

// The destination of an entry below `folder`; a subfolder the entry needs is made below the
// folder, which itself must exist.
QString destinationOf(const QString& folder, const QString& entry) {
    if (!QFileInfo(folder).isDir()) {
        return {};
    }
    const QString target = extractedCopyPath(folder, entry);
    if (!target.isEmpty()) {
        QDir().mkpath(folderOf(target));
    }
    return target;
}

}  // namespace

QStringList copySelectedFiles(const FileSelection& selection, const QString& folder) {
    QStringList copied;
    for (const QString& entry : selection.entries) {
        const QString source = selectedFileSource(selection, entry);
        const QString target = destinationOf(folder, entry);
        if (!source.isEmpty() && !target.isEmpty() && copyFileWhole(source, target)) {
            copied << entry;
        }
    }
    return copied;
}

QStringList moveSelectedFiles(const FileSelection& selection, const QString& folder) {
    QStringList moved;
    for (const QString& entry : selection.entries) {
        const QString source = selectedFileSource(selection, entry);
        const QString target = destinationOf(folder, entry);
        // A file moved onto itself would be copied onto itself and then deleted as its own
        // source: it stays where it is.
        if (source.isEmpty() || target.isEmpty() || sameFile(source, target)) {
            continue;
        }
        if (copyFileWhole(source, target) && sameContents(source, target) &&
            deleteUserFile(source)) {
            moved << entry;
        }
    }
    return moved;
}

void pushRecentFolder(RecentFolders& folders, const QString& folder) {
    for (std::size_t k = folders.size() - 1; k > 0; --k) {
        if (folders[k - 1].caption != kUnusedRecentFolder) {
            folders[k] = {folders[k - 1].caption, true};
        }
    }
    folders[0] = {folder, true};
}

bool deleteListedFiles(Dialogs& dialogs, QWidget* parent, const QString& listedFolder,
                       const QStringList& fileList, const QList<int>& selected) {
    if (selected.isEmpty()) {
        dialogs.beep();
        dialogs.messageBox(parent, BoxIcon::Warning, QStringLiteral("Select a font file first"),
                           BoxButtons::Ok);
        return false;
    }
    for (int position = static_cast<int>(fileList.size()) - 1; position >= 1; --position) {
        if (!selected.contains(position)) {
            continue;
        }
        const QString& entry = fileList.at(position);
        if (!deleteUserFile(extractedCopyPath(listedFolder, entry))) {
            dialogs.beep();
            dialogs.messageBox(parent, BoxIcon::Warning, readOnlyMessage(entry), BoxButtons::Ok);
        }
    }
    return true;
}

bool deleteFoundFiles(Dialogs& dialogs, QWidget* parent, const QStringList& paths,
                      const std::function<void(const QString&)>& deactivate) {
    if (dialogs.messageBox(parent, BoxIcon::Question, QStringLiteral("Delete selected fonts ?"),
                           BoxButtons::OkCancel) != BoxAnswer::Ok) {
        return false;
    }
    for (const QString& path : paths) {
        if (deactivate) {
            deactivate(path);
        }
        if (!deleteUserFile(path)) {
            dialogs.beep();
            dialogs.messageBox(parent, BoxIcon::Warning, readOnlyMessage(path), BoxButtons::Ok);
        }
    }
    return true;
}

}  // namespace td
