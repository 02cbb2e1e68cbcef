#include "platform/drives.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <map>

namespace td {

namespace {

// The mount table writes space, tab, newline and backslash in names as \ooo octal escapes.
QString unescapeField(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool octal = digits.size() == 3;
            for (const char d : digits) {
                octal = octal && d >= '0' && d <= '7';
            }
            if (octal) {
                const int value =
                    (digits[0] - '0') * 64 + (digits[1] - '0') * 8 + (digits[2] - '0');
                if (value > 0 && value < 256) {
                    out.append(char(value));
                    i += 3;
                    continue;
                }
            }
        }
        out.append(c);
    }
    return QFile::decodeName(out);
}

// File systems that hold no user files: kernel interfaces, containers' plumbing, package images.
const QSet<QString>& pseudoFileSystems() {
    static const QSet<QString> types = {
        QStringLiteral("proc"),
        QStringLiteral("sysfs"),
        QStringLiteral("devtmpfs"),
        QStringLiteral("devpts"),
        QStringLiteral("cgroup"),
        QStringLiteral("cgroup2"),
        QStringLiteral("securityfs"),
        QStringLiteral("debugfs"),
        QStringLiteral("tracefs"),
        QStringLiteral("pstore"),
        QStringLiteral("bpf"),
        QStringLiteral("mqueue"),
        QStringLiteral("hugetlbfs"),
        QStringLiteral("configfs"),
        QStringLiteral("fusectl"),
        QStringLiteral("autofs"),
        QStringLiteral("binfmt_misc"),
        QStringLiteral("efivarfs"),
        QStringLiteral("nsfs"),
        QStringLiteral("rpc_pipefs"),
        QStringLiteral("selinuxfs"),
        QStringLiteral("squashfs"),
        QStringLiteral("devfs"),
        QStringLiteral("ramfs-sys"),
        QStringLiteral("fuse.gvfsd-fuse"),
        QStringLiteral("fuse.portal"),
        QStringLiteral("fuse.lxcfs"),
        QStringLiteral("none"),
    };
    return types;
}

bool isUnder(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

QString cleanRoot(const QString& root) {
    if (root.isEmpty()) {
        return root;
    }
    return QDir::cleanPath(root);
}

QString absoluteClean(const QString& path) {
    if (path.isEmpty()) {
        return path;
    }
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// /sys/class/block/<name>/removable, for the disk itself or, for a partition, its parent disk.
bool linuxDeviceRemovable(const QString& device) {
    if (!device.startsWith(QLatin1String("/dev/"))) {
        return false;
    }
    const QString real = QFileInfo(device).canonicalFilePath();
    const QString name = QFileInfo(real.isEmpty() ? device : real).fileName();
    if (name.isEmpty()) {
        return false;
    }
    const QString sysDir =
        QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath();
    if (sysDir.isEmpty()) {
        return false;
    }
    for (const QString& candidate :
         {sysDir + QStringLiteral("/removable"), sysDir + QStringLiteral("/../removable")}) {
        QFile flag(candidate);
        if (flag.open(QIODevice::ReadOnly)) {
            return flag.read(1) == "1";
        }
    }
    return false;
}

}  // namespace

std::vector<MountEntry> parseMountTable(const QByteArray& text) {
    std::vector<MountEntry> entries;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3) {
            continue;
        }
        MountEntry entry;
        entry.device = unescapeField(fields[0]);
        entry.mountPoint = unescapeField(fields[1]);
        entry.fsType = unescapeField(fields[2]);
        if (fields.size() > 3) {
            entry.options = unescapeField(fields[3]);
        }
        // Only absolute mount points name a place the user can browse.
        if (!entry.mountPoint.startsWith(QLatin1Char('/'))) {
            continue;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool isBrowsableMount(const MountEntry& entry) {
    if (pseudoFileSystems().contains(entry.fsType.toLower())) {
        return false;
    }
    const QString point = cleanRoot(entry.mountPoint);
    if (isUnder(point, QStringLiteral("/run/media"))) {
        return true;
    }
    for (const char* hidden : {"/proc", "/sys", "/dev", "/run"}) {
        if (isUnder(point, QLatin1String(hidden))) {
            return false;
        }
    }
    return true;
}

DriveType driveTypeOf(const MountEntry& entry, bool removableDevice) {
    QString type = entry.fsType.toLower();
    static const QSet<QString> remote = {
        QStringLiteral("nfs"),           QStringLiteral("nfs4"),   QStringLiteral("cifs"),
        QStringLiteral("smb3"),          QStringLiteral("smbfs"),  QStringLiteral("fuse.sshfs"),
        QStringLiteral("sshfs"),         QStringLiteral("9p"),     QStringLiteral("davfs"),
        QStringLiteral("fuse.davfs2"),   QStringLiteral("davfs2"), QStringLiteral("afs"),
        QStringLiteral("ncpfs"),         QStringLiteral("ceph"),   QStringLiteral("glusterfs"),
        QStringLiteral("fuse.glusterfs")};
    if (remote.contains(type)) {
        return DriveType::Remote;
    }
    if (type == QLatin1String("iso9660") || type == QLatin1String("udf")) {
        return DriveType::CdRom;
    }
    if (type == QLatin1String("tmpfs") || type == QLatin1String("ramfs")) {
        return DriveType::RamDisk;
    }
    const QString point = cleanRoot(entry.mountPoint);
    if (removableDevice || isUnder(point, QStringLiteral("/media")) ||
        isUnder(point, QStringLiteral("/run/media"))) {
        return DriveType::Removable;
    }
    return DriveType::Fixed;
}

std::vector<Drive> drivesFromMounts(const std::vector<MountEntry>& entries,
                                    const std::function<bool(const QString&)>& isRemovableDevice) {
    // A later mount on the same point hides the earlier one.
    std::map<QString, Drive> byRoot;
    for (const MountEntry& entry : entries) {
        const QString root = cleanRoot(entry.mountPoint);
        if (!isBrowsableMount(entry)) {
            byRoot.erase(root);
            continue;
        }
        const bool removable = isRemovableDevice && isRemovableDevice(entry.device);
        byRoot[root] = Drive{root, driveTypeOf(entry, removable)};
    }
    // The root is always browsable, also where the table does not list it (chroots, some
    // containers) or lists something that hides it.
    byRoot.try_emplace(QStringLiteral("/"), Drive{QStringLiteral("/"), DriveType::Fixed});
    std::vector<Drive> drives;
    drives.reserve(byRoot.size());
    for (auto& [root, drive] : byRoot) {
        drives.push_back(drive);
    }
    return drives;
}

QString longestContainingRoot(const QStringList& roots, const QString& path) {
    const QString target = absoluteClean(path);
    if (target.isEmpty()) {
        return {};
    }
    QString best;
    for (const QString& candidate : roots) {
        const QString root = cleanRoot(candidate);
        if (root.isEmpty()) {
            continue;
        }
        const bool contains = root == QLatin1String("/") ? target.startsWith(QLatin1Char('/'))
                                                         : isUnder(target, root);
        if (contains && root.size() > best.size()) {
            best = root;
        }
    }
    return best;
}

namespace {

QStringList rootsOf(const std::vector<Drive>& drives) {
    QStringList roots;
    for (const Drive& drive : drives) {
        roots << drive.root;
    }
    return roots;
}

DriveType typeAmong(const std::vector<Drive>& drives, const QString& root) {
    const QString wanted = cleanRoot(root);
    for (const Drive& drive : drives) {
        if (!wanted.isEmpty() && drive.root == wanted) {
            return drive.type;
        }
    }
    return DriveType::NoRootDir;
}

}  // namespace

LinuxDrives::LinuxDrives(QString mountTable) : m_mountTable(std::move(mountTable)) {}

std::vector<Drive> LinuxDrives::list() {
    QFile file(m_mountTable);
    // The proc file reports size 0; read until it ends. An unreadable table still gives "/".
    const QByteArray table = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    std::vector<Drive> drives = drivesFromMounts(parseMountTable(table), &linuxDeviceRemovable);
    // Containers mount single files (/etc/hosts and the like); those are no place to browse.
    std::erase_if(drives, [](const Drive& drive) {
        const QFileInfo info(drive.root);
        return info.exists() && !info.isDir();
    });
    return drives;
}

DriveType LinuxDrives::type(const QString& root) {
    return typeAmong(list(), root);
}

QString LinuxDrives::driveOf(const QString& path) {
    return longestContainingRoot(rootsOf(list()), path);
}

bool LinuxDrives::isReady(const QString& root) {
    if (root.isEmpty()) {
        return false;
    }
    const QFileInfo info(root);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

bool LinuxDrives::sameFileSystem(const QString& root, const QString& folder) {
    struct stat rootStat {};
    struct stat folderStat {};
    if (::stat(QFile::encodeName(root).constData(), &rootStat) != 0 ||
        ::lstat(QFile::encodeName(folder).constData(), &folderStat) != 0) {
        return false;
    }
    return rootStat.st_dev == folderStat.st_dev;
}

DriveType FakeDrives::type(const QString& root) {
    return typeAmong(m_drives, root);
}

QString FakeDrives::driveOf(const QString& path) {
    return longestContainingRoot(rootsOf(m_drives), path);
}

bool FakeDrives::isReady(const QString& root) {
    return m_ready.contains(cleanRoot(root));
}

bool FakeDrives::sameFileSystem(const QString& root, const QString& folder) {
    return !root.isEmpty() && driveOf(folder) == cleanRoot(root);
}

}  // namespace td
