#include "platform/savefile.h"

#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/error.h"

namespace td {

void saveFileContents(const QString& fileName, const QByteArray& bytes) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        throw Error(
            QStringLiteral("Cannot write the file \"%1\": %2").arg(fileName, file.errorString()));
    }
}

void saveFileContentsUnflushed(const QString& fileName, const QByteArray& bytes) {
    auto fail = [&](int error) {
        throw Error(QStringLiteral("Cannot write the file \"%1\": %2")
                        .arg(fileName, QString::fromLocal8Bit(std::strerror(error))));
    };
    const QByteArray target = QFile::encodeName(fileName);
    // A new name beside the target, made exclusively; the mode follows the user's umask as for
    // any new file.
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temporary =
            target + ".tmp" + QByteArray::number(::getpid()) + '-' + QByteArray::number(attempt);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt > 100)) {
            fail(errno);
        }
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            ::close(fd);
            ::unlink(temporary.constData());
            fail(error);
        }
        done += n;
    }
    if (::close(fd) != 0 || std::rename(temporary.constData(), target.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        fail(error);
    }
}

FolderLock::FolderLock(const QString& folder) {
    m_fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0) {
        return;
    }
    int result = 0;
    do {
        result = ::flock(m_fd, LOCK_EX);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

FolderLock::~FolderLock() {
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
    }
}

}  // namespace td
