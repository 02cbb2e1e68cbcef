#include "platform/tempfiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <cerrno>

namespace td {

QString SystemTempFiles::tempPath() const {
    QString path = QDir::tempPath();
    if (!path.endsWith(QLatin1Char('/'))) {
        path += QLatin1Char('/');
    }
    return path;
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
