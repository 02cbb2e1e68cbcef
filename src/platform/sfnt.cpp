#include "platform/sfnt.h"

#include <QFile>
#include <algorithm>

namespace td::sfnt {

namespace {

constexpr std::uint64_t kCollectionHeader = 12;  // tag, version, face count
constexpr std::uint64_t kDirectoryHeader = 12;   // version, table count, three search fields
constexpr std::uint64_t kDirectoryEntry = 16;    // tag, checksum, offset, length

std::uint32_t be32(const QByteArray& bytes, qsizetype at) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData() + at);
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}

std::uint16_t be16(const QByteArray& bytes, qsizetype at) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData() + at);
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

void putBe32(QByteArray& bytes, qsizetype at, std::uint32_t value) {
    bytes[at] = static_cast<char>(value >> 24);
    bytes[at + 1] = static_cast<char>(value >> 16);
    bytes[at + 2] = static_cast<char>(value >> 8);
    bytes[at + 3] = static_cast<char>(value);
}

// Exactly `length` bytes at `offset`, or nothing.
std::optional<QByteArray> readExactly(const ByteReader& read, std::uint64_t size,
                                      std::uint64_t offset, std::uint64_t length) {
    if (offset > size || length > size - offset) {
        return std::nullopt;
    }
    QByteArray bytes = read(offset, length);
    if (static_cast<std::uint64_t>(bytes.size()) != length) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace

ByteReader memoryReader(const QByteArray& data) {
    return [&data](std::uint64_t offset, std::uint64_t length) {
        const auto size = static_cast<std::uint64_t>(data.size());
        if (offset >= size) {
            return QByteArray();
        }
        return data.mid(static_cast<qsizetype>(offset),
                        static_cast<qsizetype>(std::min(length, size - offset)));
    };
}

FaceList readFaceList(const ByteReader& read, std::uint64_t size) {
    FaceList faces;
    const auto tag = readExactly(read, size, 0, 4);
    if (!tag || *tag != QByteArrayLiteral("ttcf")) {
        faces.offsets.push_back(0);
        return faces;
    }
    faces.collection = true;
    const auto header = readExactly(read, size, 0, kCollectionHeader);
    if (!header) {
        return faces;
    }
    const std::uint32_t count = be32(*header, 8);
    if (count == 0 || count > kMaxFaces) {
        return faces;
    }
    const auto table = readExactly(read, size, kCollectionHeader, std::uint64_t{count} * 4);
    if (!table) {
        return faces;
    }
    faces.offsets.reserve(count);
    for (std::uint32_t k = 0; k < count; ++k) {
        faces.offsets.push_back(be32(*table, static_cast<qsizetype>(k) * 4));
    }
    return faces;
}

FaceList readFaceList(const QByteArray& data) {
    return readFaceList(memoryReader(data), static_cast<std::uint64_t>(data.size()));
}

std::optional<std::vector<TableRecord>> readTableDirectory(const ByteReader& read,
                                                           std::uint64_t size,
                                                           std::uint64_t faceOffset) {
    const auto header = readExactly(read, size, faceOffset, kDirectoryHeader);
    if (!header) {
        return std::nullopt;
    }
    const std::uint16_t count = be16(*header, 4);
    const std::uint64_t first = faceOffset + kDirectoryHeader;
    const auto entries = readExactly(read, size, first, count * kDirectoryEntry);
    if (count == 0 || !entries) {
        return std::nullopt;
    }
    std::vector<TableRecord> tables;
    tables.reserve(count);
    for (std::uint16_t k = 0; k < count; ++k) {
        const auto at = static_cast<qsizetype>(k * kDirectoryEntry);
        tables.push_back(
            {be32(*entries, at), be32(*entries, at + 8), be32(*entries, at + 12), first + at});
    }
    return tables;
}

bool tableInFile(const TableRecord& table, std::uint64_t size) {
    return table.offset <= size && table.length <= size - table.offset;
}

QByteArray extractFace(const QByteArray& data, int face) {
    const ByteReader read = memoryReader(data);
    const auto size = static_cast<std::uint64_t>(data.size());
    const FaceList faces = readFaceList(read, size);
    if (face < 0 || face >= faces.count()) {
        return {};
    }
    const std::uint64_t start = faces.offsets[static_cast<std::size_t>(face)];
    const auto tables = readTableDirectory(read, size, start);
    if (!tables) {
        return {};
    }
    const std::uint64_t directory = kDirectoryHeader + tables->size() * kDirectoryEntry;
    std::uint64_t total = directory;
    for (const TableRecord& table : *tables) {
        if (!tableInFile(table, size)) {
            return {};
        }
        total += (table.length + 3) & ~std::uint64_t{3};
        if (total > size + directory) {
            return {};
        }
    }
    QByteArray out(static_cast<qsizetype>(total), '\0');
    std::copy_n(data.constData() + start, kDirectoryHeader, out.data());
    std::uint64_t next = directory;
    for (std::size_t k = 0; k < tables->size(); ++k) {
        const TableRecord& table = (*tables)[k];
        const auto entry = static_cast<qsizetype>(kDirectoryHeader + k * kDirectoryEntry);
        std::copy_n(data.constData() + table.entryOffset, kDirectoryEntry, out.data() + entry);
        putBe32(out, entry + 8, static_cast<std::uint32_t>(next));
        std::copy_n(data.constData() + table.offset, table.length,
                    out.data() + static_cast<qsizetype>(next));
        next += (table.length + 3) & ~std::uint64_t{3};
    }
    return out;
}

bool hasCffOutlines(const ByteReader& read, std::uint64_t size, std::uint64_t faceOffset) {
    const auto version = readExactly(read, size, faceOffset, 4);
    return version && *version == QByteArrayLiteral("OTTO");
}

namespace {

// Calls `use` with a reader over the file and its size; false when it cannot be opened.
template <class Use>
bool withFileReader(const QString& path, Use use) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return false;
    }
    const ByteReader read = [&file](std::uint64_t offset, std::uint64_t length) {
        return file.seek(static_cast<qint64>(offset)) ? file.read(static_cast<qint64>(length))
                                                      : QByteArray();
    };
    use(read, static_cast<std::uint64_t>(std::max<qint64>(file.size(), 0)));
    return true;
}

}  // namespace

bool fileHasCffOutlines(const QString& path) {
    bool cff = false;
    withFileReader(path, [&](const ByteReader& read, std::uint64_t size) {
        const FaceList faces = readFaceList(read, size);
        cff = faces.count() > 0 && hasCffOutlines(read, size, faces.offsets.front());
    });
    return cff;
}

int faceCountOfFile(const QString& path) {
    int count = 0;
    withFileReader(path, [&](const ByteReader& read, std::uint64_t size) {
        count = readFaceList(read, size).count();
    });
    return count;
}

}  // namespace td::sfnt
