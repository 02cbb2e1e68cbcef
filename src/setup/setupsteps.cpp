#include "setup/setupsteps.h"

#include <cstdio>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <memory>
#include <utility>

#include "browse/filelist.h"
#include "fontfiles/fileops.h"
#include "platform/error.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/shortcuts.h"
#include "ttfnames/copyfile.h"

namespace td {

namespace {

const QString kProduct = QString::fromLatin1(kProductName);
const QString kShellFolders =
    QStringLiteral("Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
const QString kCurrentVersion = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
const QString kSettingsParent = QStringLiteral("\\SOFTWARE");

using Values = QList<std::pair<QString, QString>>;

// Folders the installer made on the way to its own (the program folder's parents, the menu and
// the desktop folder) are recorded from this number on, each under the first free number.
constexpr int kFirstMadeFolder = 34;

// The uninstall entry, made when missing; null when it cannot be opened for writing.
std::unique_ptr<RegistryKey> openEntryForWriting(Registry& registry) {
    if (auto parent = registry.openKey(RootKey::LocalMachine, uninstallParentKey(), true)) {
        parent->createKey(kProduct);
    }
    return registry.openKey(RootKey::LocalMachine, uninstallKey(), true);
}

// Each group of values goes through its own opening of the uninstall entry. A key that cannot
// be opened or a value that cannot be stored (no right to write) is passed over silently.
void recordValues(Registry& registry, const Values& values) {
    auto key = openEntryForWriting(registry);
    if (key == nullptr) {
        return;
    }
    for (const auto& [name, value] : values) {
        try {
            key->writeString(name, value);
        } catch (const Error&) {
        }
    }
}

void recordMadeFolders(Registry& registry, const QStringList& folders) {
    if (folders.isEmpty()) {
        return;
    }
    auto key = openEntryForWriting(registry);
    if (key == nullptr) {
        return;
    }
    int number = kFirstMadeFolder;
    for (const QString& folder : folders) {
        while (key->valueExists(QString::number(number))) {
            ++number;
        }
        try {
            key->writeString(QString::number(number), folder);
        } catch (const Error&) {
            return;
        }
    }
}

// A folder the desktop keys name ("Programs", "Desktop"), without a trailing separator; empty
// when it is not named.
QString shellFolder(Registry& registry, const QString& name) {
    const auto key = registry.openKey(RootKey::CurrentUser, kShellFolders, false);
    if (key == nullptr || key->valueType(name) != ValueType::String) {
        return {};
    }
    QString folder = key->readString(name);
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) {
        folder.chop(1);
    }
    return folder;
}

enum class ShortcutPlace { Desktop, Menu };

// Makes a shortcut to `target` and records it under `valueName`; a menu shortcut also records
// the group folder as "32".
void makeShortcut(Registry& registry, Shortcuts& shortcuts, const QString& target,
                  ShortcutPlace place, const QString& valueName) {
    const QString folderName =
        place == ShortcutPlace::Desktop ? QStringLiteral("Desktop") : QStringLiteral("Programs");
    const QString folder = shellFolder(registry, folderName);
    if (!QDir::isAbsolutePath(folder)) {
        throw Error(QStringLiteral("Cannot create the shortcut to \"%1\": the %2 folder is unknown")
                        .arg(target, folderName));
    }
    const ShortcutTarget link{target, QString(), withTrailingSlash(QFileInfo(target).path())};
    QStringList made;
    if (place == ShortcutPlace::Desktop) {
        makeFolderPath(folder, &made);
        recordMadeFolders(registry, made);
        const QString file =
            shortcuts.create(folder + QLatin1Char('/') + kProduct + QStringLiteral(".lnk"), link);
        recordValues(registry, {{valueName, file}});
        return;
    }
    // The group folder itself is recorded as "32" once a shortcut is in it.
    const QString group = folder + QLatin1Char('/') + kProduct;
    makeFolderPath(group, &made);
    made.removeAll(QDir::cleanPath(group));
    recordMadeFolders(registry, made);
    const QString file = shortcuts.create(
        group + QLatin1Char('/') + QFileInfo(target).fileName() + QStringLiteral(".lnk"), link);
    recordValues(registry, {{valueName, file}});
    recordValues(registry, {{QStringLiteral("32"), group}});
}

// The files the installer copies, in its order, with the value that records each.
struct ProgramFile {
    const char* source;
    const char* target;
    const char* value;
};

constexpr std::array<ProgramFile, 6> kProgramFiles{{
    {"FILE_ID.DIZ", "FILE_ID.DIZ", "1"},
    {"setup.exe", "td.exe", "2"},
    {"td.hlp", "td.hlp", "3"},
    {"Readme.txt", "Readme.txt", "4"},
    {"ZIPDLL.DLL", "ZIPDLL.DLL", "15"},
    {"UNZDLL.DLL", "UNZDLL.DLL", "16"},
}};

// The shortcuts the installer makes in the menu group, by value, with their targets' names.
constexpr std::array<ProgramFile, 3> kMenuShortcuts{{
    {"td.exe", "td.exe", "5"},
    {"td.hlp", "td.hlp", "7"},
    {"Readme.txt", "Readme.txt", "8"},
}};

constexpr const char* kDesktopShortcutValue = "6";

// True when `path` is `folder` or lies below it (both clean, absolute).
bool atOrBelow(const QString& path, const QString& folder) {
    return path == folder ||
           (folder != QLatin1String("/") && path.startsWith(folder + QLatin1Char('/')));
}

// Quotes a path for a shell command line when it holds anything but plain path characters.
QString shellQuoted(const QString& path) {
    bool plain = !path.isEmpty();
    for (const QChar c : path) {
        plain = plain && (c.isLetterOrNumber() || QStringLiteral("/._-+,:@%").contains(c));
    }
    if (plain) {
        return path;
    }
    QString quoted = path;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// Deletes one recorded path when it is a file the uninstaller may delete. Read-only is what the
// permission bits say, for every user: a file its owner protected stays, also for the superuser.
void removeRecordedFile(const QString& path, const QString& runningExecutable) {
    const QFileInfo info(path);
    if (info.isSymLink()) {
        if (hasWritePermission(info.absolutePath())) {
            QFile::remove(path);  // the link goes, never what it points at
        }
        return;
    }
    if (!info.isFile() || !mayDeleteFile(path) || sameFile(path, runningExecutable)) {
        return;
    }
    QFile::remove(path);
}

// What the installer writes under each number it uses, given the folders the entry records:
// the program files in the program folder ("33"), the menu entries in the group folder ("32",
// always named after the product) and the desktop entry on the desktop. A recorded path is
// deleted only when it is exactly this; anything else an edited entry names stays.
std::array<QString, 34> installablePaths(const std::array<QString, 34>& recorded,
                                         const QString& desktop, const Shortcuts& shortcuts) {
    std::array<QString, 34> paths;
    const auto slot = [&paths](const char* value) -> QString& {
        return paths[static_cast<std::size_t>(QByteArray(value).toInt())];
    };
    const QString program = recorded[33];
    if (QDir::isAbsolutePath(program)) {
        for (const ProgramFile& file : kProgramFiles) {
            slot(file.value) =
                QDir::cleanPath(program + QLatin1Char('/') + QLatin1String(file.target));
        }
    }
    const QString group = QDir::cleanPath(recorded[32]);
    if (QDir::isAbsolutePath(group) && QFileInfo(group).fileName() == kProduct) {
        for (const ProgramFile& entry : kMenuShortcuts) {
            slot(entry.value) = QDir::cleanPath(shortcuts.fileFor(
                group + QLatin1Char('/') + QLatin1String(entry.target) + QStringLiteral(".lnk")));
        }
    }
    if (QDir::isAbsolutePath(desktop)) {
        slot(kDesktopShortcutValue) = QDir::cleanPath(
            shortcuts.fileFor(desktop + QLatin1Char('/') + kProduct + QStringLiteral(".lnk")));
    }
    return paths;
}

// Whether the installer could have made `folder` on the way to the program folder, the group
// folder or the desktop: a folder above the first two, or the desktop or a folder above it.
bool madeOnTheWay(const QString& folder, const std::array<QString, 34>& recorded,
                  const QString& desktop) {
    const QString clean = QDir::cleanPath(folder);
    if (!QDir::isAbsolutePath(clean) || clean == QLatin1String("/")) {
        return false;
    }
    for (const QString& own : {recorded[33], recorded[32]}) {
        const QString ownClean = QDir::cleanPath(own);
        if (QDir::isAbsolutePath(ownClean) && ownClean != clean && atOrBelow(ownClean, clean)) {
            return true;
        }
    }
    return QDir::isAbsolutePath(desktop) && atOrBelow(QDir::cleanPath(desktop), clean);
}

}  // namespace

QString uninstallParentKey() {
    return QStringLiteral("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
}

QString uninstallKey() {
    return uninstallParentKey() + QLatin1Char('\\') + kProduct;
}

QString runOnceKey() {
    return kCurrentVersion + QStringLiteral("\\RunOnce");
}

QString destinationProblem(const QString& destination) {
    if (destination.trimmed().isEmpty() || !QDir::isAbsolutePath(destination) ||
        QDir::cleanPath(destination) == QLatin1String("/")) {
        return QStringLiteral(
            "Please enter the full path of the directory to install Kestro TypeDeck in, "
            "beginning with \"/\".");
    }
    return {};
}

QString initialDestination(Registry& registry) {
    const auto key = registry.openKey(RootKey::LocalMachine, kCurrentVersion, false);
    if (key == nullptr || key->valueType(QStringLiteral("ProgramFilesDir")) != ValueType::String) {
        return {};
    }
    const QString folder = key->readString(QStringLiteral("ProgramFilesDir"));
    return folder.isEmpty() ? QString() : withTrailingSlash(folder) + kProduct;
}

QStringList programGroups(Registry& registry) {
    const QString programs = shellFolder(registry, QStringLiteral("Programs"));
    if (programs.isEmpty()) {
        return {};
    }
    QStringList groups;
    const QStringList names =
        QDir(programs).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString& name : names) {
        if (!name.startsWith(QLatin1Char('.'))) {
            groups << name;
        }
    }
    sortFileList(groups);
    return groups;
}

bool makeFolderPath(const QString& folder, QStringList* made) {
    const QString clean = QDir::cleanPath(folder);
    if (!QDir::isAbsolutePath(clean)) {
        return false;
    }
    QString path;
    QStringList madeHere;
    for (const QString& segment : clean.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        path += QLatin1Char('/') + segment;
        if (QFileInfo(path).isDir()) {
            continue;
        }
        if (!QDir().mkdir(path)) {
            // Nothing half made stays behind.
            for (auto it = madeHere.crbegin(); it != madeHere.crend(); ++it) {
                QDir().rmdir(*it);
            }
            return false;
        }
        madeHere << path;
    }
    if (made != nullptr) {
        *made += madeHere;
    }
    return QFileInfo(clean).isDir();
}

bool copyProgramFile(const QString& source, const QString& target) {
    const QFileInfo targetInfo(target);
    const QString fresh =
        targetInfo.path() + QStringLiteral("/.") + targetInfo.fileName() + QStringLiteral(".new");
    QFile::remove(fresh);
    const bool copied =
        CopyFileContents(source, fresh) &&
        QFile::setPermissions(
            fresh, QFile::permissions(source) | QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
        std::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(target).constData()) ==
            0;
    if (!copied) {
        QFile::remove(fresh);
    }
    return copied;
}

void installProgram(const InstallRequest& request, Registry& registry, Shortcuts& shortcuts) {
    QString folder = request.destination;
    if (folder.endsWith(QLatin1Char('/'))) {
        folder.chop(1);
    }
    // Only what exists is recorded: a folder that could not be made has nothing to remove.
    QStringList made;
    if (!makeFolderPath(folder, &made)) {
        return;
    }
    const QString source = withTrailingSlash(request.sourceFolder);
    const QString target = withTrailingSlash(request.destination);
    recordValues(registry, {{QStringLiteral("33"), request.destination}});
    made.removeAll(QDir::cleanPath(folder));
    recordMadeFolders(registry, made);

    for (const ProgramFile& file : kProgramFiles) {
        const QString from = source + QLatin1String(file.source);
        const QString to = target + QLatin1String(file.target);
        if (!QFileInfo(from).isFile() || !copyProgramFile(from, to)) {
            continue;
        }
        const QString value = QLatin1String(file.value);
        if (value == QLatin1String("2")) {
            if (request.createGroup) {
                makeShortcut(registry, shortcuts, to, ShortcutPlace::Menu, QStringLiteral("5"));
            }
            if (request.createDesktopShortcut) {
                makeShortcut(registry, shortcuts, to, ShortcutPlace::Desktop, QStringLiteral("6"));
            }
            Values entry{{QStringLiteral("DisplayName"), kProduct},
                         {QStringLiteral("UninstallString"), to + QStringLiteral(" /S")}};
            if (request.createGroup) {
                entry.append({QStringLiteral("Group"), request.group});
            }
            recordValues(registry, entry);
        } else if (request.createGroup &&
                   (value == QLatin1String("3") || value == QLatin1String("4"))) {
            makeShortcut(registry, shortcuts, to, ShortcutPlace::Menu,
                         value == QLatin1String("3") ? QStringLiteral("7") : QStringLiteral("8"));
        }
        recordValues(registry, {{value, to}});
    }
}

QString deleteCommand(const QString& path) {
    return QStringLiteral("rm -f ") + shellQuoted(path);
}

QString startUninstallCopy(const QString& executable, const QString& tempFolder, Registry& registry,
                           Shell& shell) {
    if (!QDir::isAbsolutePath(tempFolder)) {
        return {};
    }
    const QString copy = withTrailingSlash(tempFolder) + QStringLiteral("setup.exe");
    if (!copyProgramFile(executable, copy)) {
        return {};
    }
    if (auto runOnce = registry.openKey(RootKey::LocalMachine, runOnceKey(), false)) {
        try {
            runOnce->writeString(QString::fromLatin1(kDeleteMeValue), deleteCommand(copy));
        } catch (const Error&) {
        }
    }
    shell.start(copy, {QStringLiteral("/U")});
    return copy;
}

void removeInstallation(Registry& registry, const Shortcuts& shortcuts,
                        const QStringList& profileFiles, const QString& runningExecutable) {
    // Every path is read before anything is deleted.
    std::array<QString, 34> recorded;
    QStringList madeFolders;
    if (const auto key = openEntryForWriting(registry)) {
        for (const QString& name : key->valueNames()) {
            bool isNumber = false;
            const int number = name.toInt(&isNumber);
            if (!isNumber || number < 1 || name != QString::number(number) ||
                key->valueType(name) != ValueType::String) {
                continue;
            }
            if (number <= 33) {
                recorded[static_cast<std::size_t>(number)] = key->readString(name);
            } else if (number >= kFirstMadeFolder) {
                madeFolders << key->readString(name);
            }
        }
    }
    const QString desktop = shellFolder(registry, QStringLiteral("Desktop"));
    const std::array<QString, 34> installable = installablePaths(recorded, desktop, shortcuts);
    // The numbering puts the shortcuts before the group folder ("32") and the program files
    // before the program folder ("33"); a folder goes only when nothing is left in it.
    for (int number = 1; number <= 33; ++number) {
        const auto index = static_cast<std::size_t>(number);
        const QString& path = recorded[index];
        if (!QDir::isAbsolutePath(path)) {
            continue;  // empty, or a name that would be taken from whatever folder is current
        }
        if (!installable[index].isEmpty() && QDir::cleanPath(path) == installable[index]) {
            removeRecordedFile(path, runningExecutable);
        } else if ((number == 32 || number == 33) && !QFileInfo(path).isSymLink()) {
            QDir().rmdir(path);
        }
    }
    // Then the folders made on the way, the deepest first.
    madeFolders.erase(std::remove_if(madeFolders.begin(), madeFolders.end(),
                                     [&](const QString& folder) {
                                         return !madeOnTheWay(folder, recorded, desktop) ||
                                                QFileInfo(folder).isSymLink();
                                     }),
                      madeFolders.end());
    std::sort(madeFolders.begin(), madeFolders.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& folder : madeFolders) {
        QDir().rmdir(folder);
    }
    if (auto software = registry.openKey(RootKey::LocalMachine, kSettingsParent, true)) {
        software->deleteKey(kProduct);
    }
    if (auto parent = registry.openKey(RootKey::LocalMachine, uninstallParentKey(), true)) {
        parent->deleteKey(kProduct);
    }
    for (const QString& file : profileFiles) {
        QFile::remove(file);
    }
}

void removeUninstallCopy(const QString& executable, const QString& tempFolder, Registry& registry) {
    if (!QDir::isAbsolutePath(tempFolder)) {
        return;
    }
    const QString copy = withTrailingSlash(tempFolder) + QStringLiteral("setup.exe");
    if (!sameFile(executable, copy)) {
        return;
    }
    QFile::remove(copy);
    if (auto runOnce = registry.openKey(RootKey::LocalMachine, runOnceKey(), false)) {
        const QString name = QString::fromLatin1(kDeleteMeValue);
        if (runOnce->valueType(name) == ValueType::String &&
            runOnce->readString(name) == deleteCommand(copy)) {
            runOnce->deleteValue(name);
        }
    }
}

}  // namespace td
