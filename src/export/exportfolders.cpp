#include "export/exportfolders.h"

#include <sys/stat.h>
#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "platform/error.h"

namespace td {

ExportKind exportKindFor(ExportTab tab, int grouping) {
    switch (tab) {
        case ExportTab::Directory:
            return grouping == 1 ? ExportKind::DirectoryEach : ExportKind::DirectorySheets;
        case ExportTab::Installed:
            return grouping == 1 ? ExportKind::InstalledEach : ExportKind::InstalledSheets;
        case ExportTab::FontMap:
            return ExportKind::CharacterMap;
        case ExportTab::Search:
        case ExportTab::Options:
            break;
    }
    return ExportKind::None;
}

QString defaultFolderName(ExportKind kind) {
    switch (kind) {
        case ExportKind::DirectoryEach:
            return QStringLiteral("nfontfile");
        case ExportKind::DirectorySheets:
            return QStringLiteral("1fontfile");
        case ExportKind::InstalledEach:
            return QStringLiteral("enfontfile");
        case ExportKind::InstalledSheets:
            return QStringLiteral("e1fontfile");
        case ExportKind::CharacterMap:
            return QStringLiteral("cfontfile");
        case ExportKind::None:
            break;
    }
    return {};
}

QString defaultExportFolder(const QString& baseDirectory, ExportKind kind) {
    return baseDirectory + defaultFolderName(kind);
}

QString pathInFolder(const QString& folder, const QString& file) {
    if (folder.isEmpty() || folder.endsWith(u'/')) {
        return folder + file;
    }
    return folder + u'/' + file;
}

bool SubfolderExists(const QString& parent, const QString& name) {
    if (name.isEmpty() || name.contains(u'/')) {
        return false;
    }
    return QFileInfo(pathInFolder(parent, name)).isDir();
}

void createSubfolder(const QString& parent, const QString& name) {
    const QString path = pathInFolder(parent, name);
    auto fail = [&](const QString& why) {
        throw Error(QStringLiteral("Cannot create the folder \"%1\": %2").arg(path, why));
    };
    if (name.isEmpty() || name.contains(u'/') || name == u"." || name == u"..") {
        fail(QStringLiteral("the name is not valid."));
    }
    const QStringList entries = QDir(parent).entryList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                       QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0) {
            fail(QStringLiteral("\"%1\" already exists there.").arg(entry));
        }
    }
    if (::mkdir(QFile::encodeName(path).constData(), 0777) != 0) {
        fail(QString::fromLocal8Bit(std::strerror(errno)) + u'.');
    }
}

void prepareTargetFolder(const QString& target, const QString& baseDirectory,
                         const QString& defaultName) {
    if (target == baseDirectory + defaultName && !SubfolderExists(baseDirectory, defaultName)) {
        createSubfolder(baseDirectory, defaultName);
    }
    if (!QFileInfo(target).isDir()) {
        throw Error(
            QStringLiteral("Cannot open the folder \"%1\": there is no such folder.").arg(target));
    }
}

}  // namespace td
