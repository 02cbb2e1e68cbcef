#include "testfiles.h"

#include <zip.h>

#include <QFile>

namespace tdtest {

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeStoredZip(const QString& path,
                    const std::vector<std::pair<QByteArray, QByteArray>>& entries) {
    int error = 0;
    zip_t* archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) {
        return false;
    }
    // libzip reads the buffers only when the archive is closed.
    std::vector<QByteArray> keep;
    keep.reserve(entries.size());
    for (const auto& [name, data] : entries) {
        keep.push_back(data);
        zip_source_t* source =
            zip_source_buffer(archive, keep.back().constData(), keep.back().size(), 0);
        const zip_int64_t index = zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_RAW);
        if (index < 0) {
            zip_source_free(source);
            zip_discard(archive);
            return false;
        }
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }
    return zip_close(archive) == 0;
}

}  // namespace tdtest
