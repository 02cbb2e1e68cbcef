#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "platform/drives.h"
#include "sandbox.h"

using td::Drive;
using td::DriveType;
using td::MountEntry;

namespace {

// A desktop in a container: root on overlay, a home partition, a USB stick, network and RAM
// file systems, and the kernel's own mounts that must never show up as drives.
const QByteArray kDesktopTable =
    "overlay / overlay rw,relatime,lowerdir=/l,upperdir=/u,workdir=/w 0 0\n"
    "proc /proc proc rw,nosuid,nodev,noexec,relatime 0 0\n"
    "sysfs /sys sysfs ro,nosuid 0 0\n"
    "tmpfs /dev tmpfs rw,nosuid,size=65536k,mode=755 0 0\n"
    "devpts /dev/pts devpts rw,nosuid,noexec 0 0\n"
    "cgroup2 /sys/fs/cgroup cgroup2 ro 0 0\n"
    "/dev/sda2 /home ext4 rw,relatime 0 0\n"
    "/dev/sdb1 /media/ann/USB\\040STICK vfat rw,nosuid,nodev 0 0\n"
    "server:/export/fonts /mnt/fonts nfs4 rw,relatime,vers=4.2 0 0\n"
    "//host/share /mnt/share cifs rw 0 0\n"
    "tmpfs /tmp tmpfs rw,nosuid,nodev 0 0\n"
    "tmpfs /run tmpfs rw,nosuid,nodev,mode=755 0 0\n"
    "tmpfs /run/user/1000 tmpfs rw,nosuid,nodev 0 0\n"
    "/dev/sdc1 /run/media/ann/DISK ext4 rw 0 0\n"
    "/dev/sr0 /mnt/cdrom iso9660 ro 0 0\n"
    "/dev/loop3 /snap/core/100 squashfs ro 0 0\n"
    "/dev/sde1 /mnt/stick ext4 rw 0 0\n";

std::vector<Drive> desktopDrives() {
    return td::drivesFromMounts(td::parseMountTable(kDesktopTable),
                                [](const QString& device) { return device == "/dev/sde1"; });
}

QString describe(const std::vector<Drive>& drives) {
    QStringList parts;
    for (const Drive& drive : drives) {
        parts << QStringLiteral("%1=%2").arg(drive.root).arg(int(drive.type));
    }
    return parts.join(QLatin1Char(' '));
}

}  // namespace

TEST(DriveTable, TypesEveryBrowsableMountAndHidesTheKernelsOwn) {
    EXPECT_EQ(describe(desktopDrives()),
              QStringLiteral("/=3 /home=3 /media/ann/USB STICK=2 /mnt/cdrom=5 /mnt/fonts=4 "
                             "/mnt/share=4 /mnt/stick=2 /run/media/ann/DISK=2 /tmp=6"));
}

TEST(DriveTable, TypeNumbersAreTheDriveListsNumbers) {
    EXPECT_EQ(int(DriveType::Unknown), 0);
    EXPECT_EQ(int(DriveType::NoRootDir), 1);
    EXPECT_EQ(int(DriveType::Removable), 2);
    EXPECT_EQ(int(DriveType::Fixed), 3);
    EXPECT_EQ(int(DriveType::Remote), 4);
    EXPECT_EQ(int(DriveType::CdRom), 5);
    EXPECT_EQ(int(DriveType::RamDisk), 6);
}

TEST(DriveTable, ClassifiesSingleMounts) {
    auto typeOf = [](const char* fs, const char* point, bool removable = false) {
        return td::driveTypeOf(MountEntry{"dev", point, fs, "rw"}, removable);
    };
    EXPECT_EQ(typeOf("ext4", "/data"), DriveType::Fixed);
    EXPECT_EQ(typeOf("ext4", "/data", true), DriveType::Removable);
    EXPECT_EQ(typeOf("vfat", "/media/usb"), DriveType::Removable);
    EXPECT_EQ(typeOf("vfat", "/mediafiles"), DriveType::Fixed);
    EXPECT_EQ(typeOf("NFS", "/n"), DriveType::Remote);
    EXPECT_EQ(typeOf("fuse.sshfs", "/n"), DriveType::Remote);
    EXPECT_EQ(typeOf("9p", "/n"), DriveType::Remote);
    EXPECT_EQ(typeOf("smb3", "/n"), DriveType::Remote);
    EXPECT_EQ(typeOf("davfs", "/n"), DriveType::Remote);
    EXPECT_EQ(typeOf("udf", "/media/dvd"), DriveType::CdRom);
    EXPECT_EQ(typeOf("ramfs", "/scratch"), DriveType::RamDisk);

    EXPECT_FALSE(td::isBrowsableMount(MountEntry{"proc", "/proc", "proc", ""}));
    EXPECT_FALSE(td::isBrowsableMount(MountEntry{"x", "/data", "sysfs", ""}));
    EXPECT_FALSE(td::isBrowsableMount(MountEntry{"/dev/sda1", "/run/foo", "ext4", ""}));
    EXPECT_FALSE(td::isBrowsableMount(MountEntry{"/dev/sda1", "/dev/x", "ext4", ""}));
    EXPECT_TRUE(td::isBrowsableMount(MountEntry{"/dev/sda1", "/run/media/a/b", "ext4", ""}));
    EXPECT_TRUE(td::isBrowsableMount(MountEntry{"/dev/sda1", "/proceedings", "ext4", ""}));
    EXPECT_TRUE(td::isBrowsableMount(MountEntry{"/dev/sda1", "/running", "ext4", ""}));
}

TEST(DriveTable, DecodesOctalEscapesAndKeepsBrokenOnesLiterally) {
    const auto entries = td::parseMountTable(
        "/dev/a /mnt/a\\040b\\011c\\134d\\012e ext4 rw 0 0\n"
        "/dev/b /mnt/x\\9y\\04 ext4 rw 0 0\n"
        "/dev/c /mnt/z\\000 ext4 rw 0 0\n"
        "/dev/d /mnt/caf\\303\\251 ext4 rw 0 0\n");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].mountPoint, QStringLiteral("/mnt/a b\tc\\d\ne"));
    EXPECT_EQ(entries[0].device, QStringLiteral("/dev/a"));
    EXPECT_EQ(entries[0].fsType, QStringLiteral("ext4"));
    EXPECT_EQ(entries[0].options, QStringLiteral("rw"));
    EXPECT_EQ(entries[1].mountPoint, QStringLiteral("/mnt/x\\9y\\04"));
    // A NUL would cut the name short; it stays as written.
    EXPECT_EQ(entries[2].mountPoint, QStringLiteral("/mnt/z\\000"));
    EXPECT_EQ(entries[3].mountPoint, QStringLiteral("/mnt/café"));
}

TEST(DriveTable, SkipsOddLinesWithoutLosingTheGoodOnes) {
    static const char kTable[] =
        "\n"
        "   \n"
        "only-one-field\n"
        "two fields\n"
        "# /dev/sda9 /commented ext4 rw 0 0\n"
        "/dev/sda1 relative/point ext4 rw 0 0\n"
        "\t/dev/sda2   /spaced\t\text4   rw 0 0  \n"
        "/dev/sda3 /short ext4\n"
        "\xff\xfe\x00garbage\x01\n"
        "/dev/sda4 /last xfs rw 0 0";
    const QByteArray table(kTable, sizeof(kTable) - 1);
    ASSERT_TRUE(table.contains('\0'));
    const auto drives = td::drivesFromMounts(td::parseMountTable(table), {});
    EXPECT_EQ(describe(drives), QStringLiteral("/=3 /last=3 /short=3 /spaced=3"));
    EXPECT_TRUE(td::parseMountTable(QByteArray()).empty());
}

TEST(DriveTable, LaterMountOnTheSamePointWins) {
    const QByteArray table =
        "/dev/sda1 /data ext4 rw 0 0\n"
        "server:/x /data nfs rw 0 0\n"
        "/dev/sda2 /data/ ext4 rw 0 0\n"
        "/dev/sda3 /hidden ext4 rw 0 0\n"
        "systemd-1 /hidden autofs rw 0 0\n";
    // "/data/" is the same point as "/data"; an automount over /hidden hides the disk below.
    EXPECT_EQ(describe(td::drivesFromMounts(td::parseMountTable(table), {})),
              QStringLiteral("/=3 /data=3"));
}

TEST(DriveTable, LongestContainingRootComparesWholeSegments) {
    const QStringList roots = {"/", "/home", "/home/ann/usb", "/media/ann/USB STICK"};
    EXPECT_EQ(td::longestContainingRoot(roots, "/home/ann/fonts/a.ttf"), QStringLiteral("/home"));
    EXPECT_EQ(td::longestContainingRoot(roots, "/homework/a.ttf"), QStringLiteral("/"));
    EXPECT_EQ(td::longestContainingRoot(roots, "/home/ann/usb"), QStringLiteral("/home/ann/usb"));
    EXPECT_EQ(td::longestContainingRoot(roots, "/home/ann/usb/../x"), QStringLiteral("/home"));
    EXPECT_EQ(td::longestContainingRoot(roots, "/media/ann/USB STICK/f/"),
              QStringLiteral("/media/ann/USB STICK"));
    EXPECT_EQ(td::longestContainingRoot(roots, "/"), QStringLiteral("/"));
    EXPECT_EQ(td::longestContainingRoot(roots, ""), QString());
    EXPECT_EQ(td::longestContainingRoot({"/home"}, "/usr"), QString());
}

class LinuxDrivesTest : public tdtest::SandboxTest {};

TEST_F(LinuxDrivesTest, ReadsTheGivenMountTable) {
    const QString table = sandbox.writeFile("mounts", kDesktopTable);
    td::LinuxDrives drives(table);
    const auto list = drives.list();
    ASSERT_EQ(list.size(), 9u);
    EXPECT_EQ(list.front().root, QStringLiteral("/"));
    EXPECT_EQ(drives.type("/home"), DriveType::Fixed);
    EXPECT_EQ(drives.type("/home/"), DriveType::Fixed);
    EXPECT_EQ(drives.type("/mnt/fonts"), DriveType::Remote);
    EXPECT_EQ(drives.type("/tmp"), DriveType::RamDisk);
    EXPECT_EQ(drives.type("/mnt/cdrom"), DriveType::CdRom);
    EXPECT_EQ(drives.type("/media/ann/USB STICK"), DriveType::Removable);
    EXPECT_EQ(drives.type("/proc"), DriveType::NoRootDir);
    EXPECT_EQ(drives.type("/home/ann"), DriveType::NoRootDir);
    EXPECT_EQ(drives.type(""), DriveType::NoRootDir);
    EXPECT_EQ(drives.driveOf("/home/ann/fonts"), QStringLiteral("/home"));
    EXPECT_EQ(drives.driveOf("/proc/self"), QStringLiteral("/"));
    EXPECT_EQ(drives.driveOf("/run/media/ann/DISK/x.ttf"), QStringLiteral("/run/media/ann/DISK"));
}

TEST_F(LinuxDrivesTest, FilesMountedSinglyAreNoDrives) {
    // Containers bind single files such as /etc/hosts; a missing mount point stays listed (it is
    // simply not ready).
    const QString file = sandbox.writeFile("etc/hosts", "127.0.0.1 localhost\n");
    const QString table = sandbox.writeFile(
        "mounts", QStringLiteral("/dev/vda %1 ext4 rw 0 0\n/dev/vda %2 ext4 rw 0 0\n"
                                 "/dev/vda /nowhere/at/all ext4 rw 0 0\n")
                      .arg(file, sandbox.root())
                      .toUtf8());
    td::LinuxDrives drives(table);
    const auto list = drives.list();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(drives.type("/nowhere/at/all"), DriveType::Fixed);
    EXPECT_EQ(drives.type(sandbox.root()), DriveType::Fixed);
    EXPECT_EQ(drives.type(file), DriveType::NoRootDir);
    EXPECT_FALSE(drives.isReady("/nowhere/at/all"));
}

TEST_F(LinuxDrivesTest, TheRootIsADriveWhateverTheMountTableSays) {
    // A chroot's table lists no "/"; a missing table and a pseudo mount over "/" give it all
    // the same.
    const QString chroot = sandbox.writeFile("chroot-mounts",
                                             "proc /proc proc rw 0 0\n"
                                             "/dev/sda2 /home ext4 rw 0 0\n");
    const QString hidden = sandbox.writeFile("hidden-mounts", "systemd-1 / autofs rw 0 0\n");
    for (const QString& table : {chroot, hidden, sandbox.path("no-such-table")}) {
        td::LinuxDrives drives(table);
        const auto list = drives.list();
        ASSERT_FALSE(list.empty()) << table.toStdString();
        EXPECT_EQ(list.front().root, QStringLiteral("/"));
        EXPECT_EQ(drives.type("/"), DriveType::Fixed);
        EXPECT_EQ(drives.driveOf("/var/fonts"), QStringLiteral("/"));
    }
    EXPECT_EQ(describe(td::LinuxDrives(chroot).list()), QStringLiteral("/=3 /home=3"));
}

TEST_F(LinuxDrivesTest, ReadyMeansAReadableFolder) {
    td::LinuxDrives drives;
    ASSERT_TRUE(QDir().mkpath(sandbox.path("mnt/disk")));
    EXPECT_TRUE(drives.isReady(sandbox.path("mnt/disk")));
    EXPECT_TRUE(drives.isReady(sandbox.path("mnt/disk/")));
    EXPECT_FALSE(drives.isReady(sandbox.path("mnt/absent")));
    EXPECT_FALSE(drives.isReady(sandbox.writeFile("mnt/file", "x")));
    EXPECT_FALSE(drives.isReady(QString()));
}

TEST_F(LinuxDrivesTest, UnreadableFolderIsNotReady) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "the superuser can read every folder";
    }
    td::LinuxDrives drives;
    const QString folder = sandbox.path("locked");
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile::setPermissions(folder, QFileDevice::Permissions());
    EXPECT_FALSE(drives.isReady(folder));
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(LinuxDrivesTest, SameFileSystemStopsAtOtherMounts) {
    td::LinuxDrives drives;
    ASSERT_TRUE(QDir().mkpath(sandbox.path("a/b")));
    EXPECT_TRUE(drives.sameFileSystem(sandbox.root(), sandbox.path("a/b")));
    // The kernel's process table is always its own file system.
    EXPECT_FALSE(drives.sameFileSystem(QStringLiteral("/"), QStringLiteral("/proc")));
    EXPECT_FALSE(drives.sameFileSystem(sandbox.root(), sandbox.path("missing")));
}

TEST(FakeDrivesTest, AnswersFromWhatTheTestSetUp) {
    td::FakeDrives drives;
    drives.setDrives({{"/", DriveType::Fixed}, {"/media/usb", DriveType::Removable}});
    drives.setReady({"/"});
    EXPECT_EQ(drives.list().size(), 2u);
    EXPECT_EQ(drives.type("/media/usb/"), DriveType::Removable);
    EXPECT_EQ(drives.type("/media"), DriveType::NoRootDir);
    EXPECT_TRUE(drives.isReady("/"));
    EXPECT_FALSE(drives.isReady("/media/usb"));
    EXPECT_EQ(drives.driveOf("/media/usb/fonts"), QStringLiteral("/media/usb"));
    EXPECT_TRUE(drives.sameFileSystem("/", "/home"));
    EXPECT_FALSE(drives.sameFileSystem("/", "/media/usb/fonts"));
}
