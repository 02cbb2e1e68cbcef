#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace td {

// Drive types, numbered as the program's drive list and searches expect them.
enum class DriveType : int {
    Unknown = 0,    // the kind of file system cannot be told
    NoRootDir = 1,  // the path is not the mount point of a drive
    Removable = 2,  // removable block device, or mounted under /media or /run/media
    Fixed = 3,
    Remote = 4,  // nfs, cifs, smb3, sshfs, 9p, davfs
    CdRom = 5,   // iso9660, udf
    RamDisk = 6  // tmpfs, ramfs
};

// One line of the mount table, with the octal escapes (\040 and the like) decoded.
struct MountEntry {
    QString device;
    QString mountPoint;
    QString fsType;
    QString options;
};

// A mounted file system the user can browse. Its name is its mount point ("/", "/home",
// "/media/ann/USB"); messages that would show a drive letter show the mount point.
struct Drive {
    QString root;
    DriveType type = DriveType::Unknown;
};

// Reads mount table text in the /proc/self/mounts format. Lines with fewer than three fields
// are skipped.
std::vector<MountEntry> parseMountTable(const QByteArray& text);

// True for mounts a user browses: not a pseudo file system, not under /proc, /sys, /dev or /run
// (/run/media is browsable).
bool isBrowsableMount(const MountEntry& entry);

// The type of a browsable mount; `removableDevice` says whether its block device is removable.
DriveType driveTypeOf(const MountEntry& entry, bool removableDevice);

// The drives among the mount entries, sorted by mount point. A mount point mounted twice counts
// once, with the later (visible) mount. "/" is always a drive (fixed when the entries do not
// say otherwise). `isRemovableDevice` may be empty (nothing is removable
// by device).
std::vector<Drive> drivesFromMounts(const std::vector<MountEntry>& entries,
                                    const std::function<bool(const QString&)>& isRemovableDevice);

// The mounted file systems the program treats as drives.
class Drives {
  public:
    Drives() = default;
    Drives(const Drives&) = delete;
    Drives& operator=(const Drives&) = delete;
    virtual ~Drives() = default;

    // Every drive, sorted by mount point; read afresh on each call.
    virtual std::vector<Drive> list() = 0;
    // The type of the drive mounted at `root` (a trailing separator is allowed); NoRootDir when
    // `root` is not a drive's mount point.
    virtual DriveType type(const QString& root) = 0;
    // The mount point of the drive that holds `path` (the longest drive root that contains it);
    // empty when no drive does.
    virtual QString driveOf(const QString& path) = 0;
    // True when the drive's mount point is a folder that can be read.
    virtual bool isReady(const QString& root) = 0;
    // True when `folder` lies on the same file system as `root`; a search of a drive does not
    // walk into folders for which this is false (each mount is its own drive).
    virtual bool sameFileSystem(const QString& root, const QString& folder) = 0;
};

// Drives from the kernel's mount table; removable devices from /sys/class/block.
class LinuxDrives final : public Drives {
  public:
    // `mountTable` is the file to read; tests may point it at a sample.
    explicit LinuxDrives(QString mountTable = QStringLiteral("/proc/self/mounts"));
    std::vector<Drive> list() override;
    DriveType type(const QString& root) override;
    QString driveOf(const QString& path) override;
    bool isReady(const QString& root) override;
    bool sameFileSystem(const QString& root, const QString& folder) override;

  private:
    QString m_mountTable;
};

// Drives set up by tests; a drive is ready when its root is in the ready list, and a folder is
// on a drive when that drive is the longest root containing it.
class FakeDrives final : public Drives {
  public:
    void setDrives(std::vector<Drive> drives) { m_drives = std::move(drives); }
    void setReady(QStringList roots) { m_ready = std::move(roots); }
    std::vector<Drive> list() override { return m_drives; }
    DriveType type(const QString& root) override;
    QString driveOf(const QString& path) override;
    bool isReady(const QString& root) override;
    bool sameFileSystem(const QString& root, const QString& folder) override;

  private:
    std::vector<Drive> m_drives;
    QStringList m_ready;
};

// The longest of `roots` that contains `path` (both cleaned, compared by whole path segments);
// empty when none does.
QString longestContainingRoot(const QStringList& roots, const QString& path);

}  // namespace td
