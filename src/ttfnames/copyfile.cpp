#include "ttfnames/copyfile.h"

#include <QFile>
#include <QFileInfo>
#include <memory>

namespace td {

namespace {

constexpr qint64 kBlockSize = 8192;

bool sameFile(const QFileInfo& source, const QFileInfo& destination) {
    if (!destination.exists()) {
        return false;
    }
    const QString a = source.canonicalFilePath();
    return !a.isEmpty() && a == destination.canonicalFilePath();
}

}  // namespace

bool CopyFileContents(const QString& source, const QString& destination) {
    const QFileInfo destinationInfo(QFileInfo(destination).absoluteFilePath());
    QFile in(source);
    // The source is opened first: a source that cannot be read must not cost the destination
    // its contents.
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return false;
    }
    // Truncating the destination would empty the source too.
    if (sameFile(QFileInfo(source), destinationInfo)) {
        return true;
    }
    QFile out(destinationInfo.filePath());
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        return false;
    }
    auto buffer = std::make_unique<char[]>(kBlockSize);
    bool ok = true;
    for (;;) {
        const qint64 got = in.read(buffer.get(), kBlockSize);
        if (got < 0) {
            ok = false;
            break;
        }
        if (got > 0 && out.write(buffer.get(), got) != got) {
            ok = false;
            break;
        }
        // A file whose length is a multiple of the block ends with one read of no bytes.
        if (got < kBlockSize) {
            break;
        }
    }
    out.close();
    ok = ok && out.error() == QFileDevice::NoError;
    // A short read need not mean the end (a pipe, a file still growing): the copy is whole only
    // when the source has nothing more to give.
    return ok && in.atEnd();
}

}  // namespace td
