#include "platform/tempfiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <cerrno>

namespace td {

namespace {

// True when `path` is a folder (not a link to one) that belongs to this user.
bool isOwnFolder(const QByteArray& path, struct stat& info) {
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid();
}

}  // namespace

QString privateTempFolder(const QString& parent) {
    if (parent.isEmpty()) {
        return {};
    }
    const QString base = QDir::cleanPath(parent) + QStringLiteral("/kestro-typedeck-") +
                         QString::number(::geteuid());
    const QByteArray path = QFile::encodeName(base);
    // Someone may put a name back between our steps; a few rounds settle it either way.
    for (int round = 0; round < 3; ++round) {
        if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
            return {};
        }
        struct stat info {};
        if (isOwnFolder(path, info)) {
            if ((info.st_mode & 07777) != 0700 && ::chmod(path.constData(), 0700) != 0) {
                return {};
            }
            return base + QLatin1Char('/');
        }
        if (::lstat(path.constData(), &info) != 0) {
            continue;  // gone meanwhile: make it again
        }
        const int removed =
            S_ISDIR(info.st_mode) ? ::rmdir(path.constData()) : ::unlink(path.constData());
        if (removed != 0) {
            break;
        }
    }
    // The name stays taken by something that is not ours: a fresh folder of our own instead.
    QByteArray fresh = path + "-XXXXXX";
    if (::mkdtemp(fresh.data()) == nullptr) {
        return {};
    }
    return QFile::decodeName(fresh) + QLatin1Char('/');
}

QString SystemTempFiles::tempPath() const {
    return privateTempFolder(QDir::tempPath());
}

QString SystemTempFiles::tempFileName(const QString& folder, const QString& prefix,
                                      unsigned unique) {
    const QString start = prefix.left(3);
    // A prefix must not lead out of the folder or cut the name short.
    if (folder.isEmpty() || start.contains(QLatin1Char('/')) || start.contains(QChar(0))) {
        return {};
    }
    QString base = folder;
    if (!base.endsWith(QLatin1Char('/'))) {
        base += QLatin1Char('/');
    }
    auto nameFor = [&](unsigned number) {
        return base + start + QStringLiteral("%1").arg(number, 4, 16, QLatin1Char('0')).toUpper() +
               QStringLiteral(".tmp");
    };
    if (unique != 0) {
        return nameFor(unique & 0xffffu);
    }
    // Numbers run through all 16-bit values from a random start, as many copies may ask at once.
    const unsigned first = QRandomGenerator::global()->bounded(1u, 0x10000u);
    for (unsigned step = 0; step < 0xffffu; ++step) {
        const unsigned number = (first - 1 + step) % 0xffffu + 1;
        const QString name = nameFor(number);
        const int fd = ::open(QFile::encodeName(name).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST) {
            return {};
        }
    }
    return {};
}

}  // namespace td
