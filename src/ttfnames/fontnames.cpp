#include "ttfnames/fontnames.h"

#include <QFile>
#include <algorithm>
#include <optional>
#include <vector>

#include "platform/sfnt.h"

namespace td {

namespace {

constexpr char kTag[4] = {'n', 'a', 'm', 'e'};
// The tag search reads the file in pieces of this size; the directory of an ordinary font sits
// in the first one.
constexpr std::uint64_t kSearchChunk = 4096;
constexpr std::uint64_t kHeaderSize = 6;
constexpr std::uint64_t kRecordSize = 12;

std::uint16_t be16(const QByteArray& bytes, qsizetype at) {
    return static_cast<std::uint16_t>((static_cast<unsigned char>(bytes[at]) << 8) |
                                      static_cast<unsigned char>(bytes[at + 1]));
}

std::uint32_t be32(const QByteArray& bytes, qsizetype at) {
    return (std::uint32_t{be16(bytes, at)} << 16) | be16(bytes, at + 2);
}

// The first offset of "name", or -1. Pieces overlap by three bytes so a tag across a boundary
// is found.
std::int64_t findTag(const FontBytesReader& read, std::uint64_t size) {
    std::uint64_t start = 0;
    while (start + sizeof kTag <= size) {
        const std::uint64_t want = std::min(kSearchChunk, size - start);
        const QByteArray piece = read(start, want);
        const qsizetype found = piece.indexOf(QByteArrayView(kTag, sizeof kTag));
        if (found >= 0) {
            return static_cast<std::int64_t>(start) + found;
        }
        if (static_cast<std::uint64_t>(piece.size()) < want) {
            return -1;  // the file ended early (it shrank or a read failed)
        }
        start += want - (sizeof kTag - 1);
    }
    return -1;
}

// Reads exactly `length` bytes or gives an empty array.
QByteArray readExactly(const FontBytesReader& read, std::uint64_t offset, std::uint64_t length) {
    QByteArray bytes = read(offset, length);
    if (static_cast<std::uint64_t>(bytes.size()) != length) {
        return {};
    }
    return bytes;
}

QString latin1WithoutZeros(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        if (byte != 0) {
            text.append(QChar(static_cast<unsigned char>(byte)));
        }
    }
    return text;
}

bool isTwoByte(std::uint16_t platform) {
    return platform == 0 || platform == 3;
}

FontBytesReader memorySource(const QByteArray& data) {
    return [&data](std::uint64_t offset, std::uint64_t length) {
        const auto size = static_cast<std::uint64_t>(data.size());
        if (offset >= size) {
            return QByteArray();
        }
        const std::uint64_t take = std::min(length, size - offset);
        return data.mid(static_cast<qsizetype>(offset), static_cast<qsizetype>(take));
    };
}

FontBytesReader fileSource(QFile& file) {
    return [&file](std::uint64_t offset, std::uint64_t length) {
        if (!file.seek(static_cast<qint64>(offset))) {
            return QByteArray();
        }
        return file.read(static_cast<qint64>(length));
    };
}

// Whether the record's string lies inside the naming table, where the writer may change bytes.
bool writable(const NameTableLayout& layout, const NameTableLayout::Record& record) {
    return record.present && record.length > 0 && record.offset >= layout.tableOffset &&
           record.offset + record.length <= layout.tableEnd;
}

}  // namespace

QString& TFontNames::at(int position) {
    return const_cast<QString&>(static_cast<const TFontNames&>(*this).at(position));
}

const QString& TFontNames::at(int position) const {
    switch (position) {
        case 0:
            return Copyright;
        case 1:
            return Family;
        case 2:
            return Subfamily;
        case 3:
            return Identifier;
        case 4:
            return Name;
        case 5:
            return Version;
        case 6:
            return Postscript;
        case 7:
            return Trademark;
        default:
            break;
    }
    Q_ASSERT_X(false, "TFontNames::at", "position out of range");
    return Trademark;
}

namespace {

// The layout of the naming table whose directory entry starts at `entry`.
NameTableLayout layoutFromEntry(const FontBytesReader& read, std::uint64_t size,
                                std::uint64_t entry) {
    NameTableLayout layout;
    // The table offset sits at +8 of the directory entry, the table length at +12.
    const QByteArray offsetBytes = readExactly(read, entry + 8, 4);
    if (offsetBytes.isEmpty()) {
        return layout;
    }
    const std::uint64_t table = be32(offsetBytes, 0);
    if (table + kHeaderSize > size) {
        return layout;
    }
    const QByteArray lengthBytes = readExactly(read, entry + 12, 4);
    const std::uint64_t tableLength = lengthBytes.isEmpty() ? 0 : be32(lengthBytes, 0);

    const QByteArray header = readExactly(read, table, kHeaderSize);
    if (header.isEmpty()) {
        return layout;
    }
    const std::uint16_t recordCount = be16(header, 2);
    const std::uint64_t storage = table + be16(header, 4);
    if (storage > size) {
        return layout;
    }
    const int used = std::min<int>(recordCount, TFontNames::count);
    const std::uint64_t recordsLength = static_cast<std::uint64_t>(used) * kRecordSize;
    if (table + kHeaderSize + recordsLength > size) {
        return layout;
    }
    const QByteArray records =
        used > 0 ? readExactly(read, table + kHeaderSize, recordsLength) : QByteArray();
    if (static_cast<std::uint64_t>(records.size()) != recordsLength) {
        return layout;
    }

    layout.valid = true;
    layout.tableOffset = table;
    layout.tableEnd = std::min(size, table + tableLength);
    for (int n = 0; n < used; ++n) {
        const qsizetype at = static_cast<qsizetype>(n * kRecordSize);
        NameTableLayout::Record& record = layout.records[static_cast<std::size_t>(n)];
        record.platform = be16(records, at);
        record.length = be16(records, at + 8);
        record.offset = storage + be16(records, at + 10);
        record.present = record.offset + record.length <= size;
        if (!record.present) {
            record.length = 0;
        }
    }
    return layout;
}

// Where the directory entry of face `face`'s naming table starts, if it has one. A single font's
// is the first "name" in the file; a collection's is looked up in the face's own directory.
std::optional<std::uint64_t> nameEntryOf(const FontBytesReader& read, std::uint64_t size,
                                         const sfnt::FaceList& faces, int face) {
    if (!faces.collection) {
        const std::int64_t tag = face == 0 ? findTag(read, size) : -1;
        return tag < 0 ? std::nullopt : std::optional<std::uint64_t>(tag);
    }
    if (face < 0 || face >= faces.count()) {
        return std::nullopt;
    }
    const auto tables =
        sfnt::readTableDirectory(read, size, faces.offsets[static_cast<std::size_t>(face)]);
    if (!tables) {
        return std::nullopt;
    }
    for (const sfnt::TableRecord& table : *tables) {
        if (table.tag == sfnt::tagOf("name")) {
            return table.entryOffset;
        }
    }
    return std::nullopt;
}

NameTableLayout locateFaceNameTable(const FontBytesReader& read, std::uint64_t size,
                                    const sfnt::FaceList& faces, int face) {
    const std::optional<std::uint64_t> entry = nameEntryOf(read, size, faces, face);
    return entry ? layoutFromEntry(read, size, *entry) : NameTableLayout{};
}

}  // namespace

NameTableLayout locateNameTable(const FontBytesReader& read, std::uint64_t size, int face) {
    return locateFaceNameTable(read, size, sfnt::readFaceList(read, size), face);
}

TFontNames namesFromLayout(const NameTableLayout& layout, const FontBytesReader& read) {
    TFontNames names;
    if (!layout.valid) {
        return names;
    }
    // One read covers the eight strings when they lie close together, as they do in an
    // ordinary naming table; scattered strings are read one by one.
    std::uint64_t first = UINT64_MAX;
    std::uint64_t last = 0;
    for (const auto& record : layout.records) {
        if (record.present && record.length > 0) {
            first = std::min(first, record.offset);
            last = std::max(last, record.offset + record.length);
        }
    }
    if (first == UINT64_MAX) {
        return names;
    }
    constexpr std::uint64_t kOneReadLimit = 64 * 1024;
    QByteArray span;
    if (last - first <= kOneReadLimit) {
        span = readExactly(read, first, last - first);
    }
    for (int n = 0; n < TFontNames::count; ++n) {
        const auto& record = layout.records[static_cast<std::size_t>(n)];
        if (!record.present || record.length == 0) {
            continue;
        }
        const QByteArray bytes =
            !span.isEmpty() ? span.mid(static_cast<qsizetype>(record.offset - first), record.length)
                            : readExactly(read, record.offset, record.length);
        names.at(n) = latin1WithoutZeros(bytes);
    }
    return names;
}

TFontNames ReadFontNamesFromBytes(const QByteArray& data, int face) {
    const FontBytesReader source = memorySource(data);
    const auto size = static_cast<std::uint64_t>(data.size());
    return namesFromLayout(locateNameTable(source, size, face), source);
}

TFontNames ReadFontNames(const QString& path, int face, int* faceCount) {
    if (faceCount) {
        *faceCount = 0;
    }
    QFile file(path);
    // Unbuffered: the reader asks for a few small pieces at known offsets, and the device's
    // own read-ahead would only read bytes nobody looks at.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return {};
    }
    const qint64 size = file.size();
    if (size < 0) {
        return {};
    }
    const FontBytesReader source = fileSource(file);
    const auto length = static_cast<std::uint64_t>(size);
    const sfnt::FaceList faces = sfnt::readFaceList(source, length);
    if (faceCount) {
        *faceCount = faces.count();
    }
    return namesFromLayout(locateFaceNameTable(source, length, faces, face), source);
}

QByteArray encodeNameString(const QString& text, std::uint16_t platform, std::uint16_t length) {
    QByteArray bytes(length, '\0');
    const QByteArray latin1 = text.toLatin1();  // characters above 255 become '?'
    if (isTwoByte(platform)) {
        const int units = length / 2;
        for (int i = 0; i < units; ++i) {
            bytes[2 * i] = '\0';
            bytes[2 * i + 1] = i < latin1.size() ? latin1[i] : ' ';
        }
        // An odd last byte belongs to no character; it is kept as it was by the caller.
        bytes.truncate(units * 2);
    } else {
        for (int i = 0; i < length; ++i) {
            bytes[i] = i < latin1.size() ? latin1[i] : ' ';
        }
    }
    return bytes;
}

namespace {

// The changes one save makes: offset and bytes, for positions whose text differs from what the
// file reads there now.
struct Patch {
    std::uint64_t offset;
    QByteArray bytes;
};

// The patches that write `wanted`; nothing when a text that differs from the file's has no
// place to go (no naming table, a record beyond the table's count or outside the file, a string
// outside the table), since a save either writes every change or none.
std::optional<std::vector<Patch>> planWrites(const NameTableLayout& layout,
                                             const TFontNames& current, const TFontNames& wanted) {
    std::vector<Patch> patches;
    for (int n = 0; n < TFontNames::count; ++n) {
        // A text that already reads back as given is not rewritten: re-encoding it could only
        // damage a string the user did not touch (characters beyond Latin-1, embedded zeros).
        if (current.at(n) == wanted.at(n)) {
            continue;
        }
        const auto& record = layout.records[static_cast<std::size_t>(n)];
        if (!layout.valid || !record.present) {
            return std::nullopt;
        }
        if (record.length == 0) {
            continue;  // an empty record keeps no text: what does not fit is dropped
        }
        if (!writable(layout, record)) {
            return std::nullopt;
        }
        QByteArray bytes = encodeNameString(wanted.at(n), record.platform, record.length);
        if (!bytes.isEmpty()) {
            patches.push_back({record.offset, std::move(bytes)});
        }
    }
    return patches;
}

// Whether writing `patches` into face `face` would touch another face of the collection: its
// naming table lies on this face's (the same table, or overlapping it), or one of its strings
// lies where a patch goes. Such a write would rename that face as well.
bool touchesOtherFace(const FontBytesReader& read, std::uint64_t size, const sfnt::FaceList& faces,
                      int face, const NameTableLayout& layout, const std::vector<Patch>& patches) {
    if (!faces.collection) {
        return false;
    }
    auto overlaps = [](std::uint64_t a, std::uint64_t aEnd, std::uint64_t b, std::uint64_t bEnd) {
        return a < bEnd && b < aEnd;
    };
    for (int other = 0; other < faces.count(); ++other) {
        if (other == face) {
            continue;
        }
        const NameTableLayout theirs = locateFaceNameTable(read, size, faces, other);
        if (!theirs.valid) {
            continue;
        }
        if (theirs.tableOffset == layout.tableOffset ||
            overlaps(theirs.tableOffset, theirs.tableEnd, layout.tableOffset, layout.tableEnd)) {
            return true;
        }
        for (const auto& record : theirs.records) {
            for (const Patch& patch : patches) {
                const auto end = patch.offset + static_cast<std::uint64_t>(patch.bytes.size());
                if (record.present &&
                    overlaps(record.offset, record.offset + record.length, patch.offset, end)) {
                    return true;
                }
            }
        }
    }
    return false;
}

// The patches a save of face `face` makes, or the reason it makes none.
struct FacePlan {
    NameWrite result = NameWrite::Failed;
    std::vector<Patch> patches;
};

FacePlan planFaceWrites(const FontBytesReader& read, std::uint64_t size, int face,
                        const TFontNames& names) {
    FacePlan plan;
    const sfnt::FaceList faces = sfnt::readFaceList(read, size);
    const NameTableLayout layout = locateFaceNameTable(read, size, faces, face);
    auto patches = planWrites(layout, namesFromLayout(layout, read), names);
    if (!patches) {
        return plan;
    }
    if (!patches->empty() && touchesOtherFace(read, size, faces, face, layout, *patches)) {
        plan.result = NameWrite::Shared;
        return plan;
    }
    plan.result = NameWrite::Written;
    plan.patches = std::move(*patches);
    return plan;
}

}  // namespace

NameWrite WriteFaceNamesToBytes(QByteArray& data, int face, const TFontNames& names) {
    const FacePlan plan =
        planFaceWrites(memorySource(data), static_cast<std::uint64_t>(data.size()), face, names);
    for (const Patch& patch : plan.patches) {
        std::copy(patch.bytes.begin(), patch.bytes.end(),
                  data.begin() + static_cast<qsizetype>(patch.offset));
    }
    return plan.result;
}

bool WriteFontNamesToBytes(QByteArray& data, const TFontNames& names) {
    return WriteFaceNamesToBytes(data, 0, names) == NameWrite::Written;
}

bool WriteFontNames(const QString& path, const TFontNames& names) {
    return WriteFaceNames(path, 0, names) == NameWrite::Written;
}

NameWrite WriteFaceNames(const QString& path, int face, const TFontNames& names) {
    QFile file(path);
    // Written in place, without truncating: an interrupted save can change only string bytes
    // and never shortens the font.
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered)) {
        return NameWrite::Failed;
    }
    const FontBytesReader source = fileSource(file);
    const auto size = static_cast<std::uint64_t>(std::max<qint64>(file.size(), 0));
    FacePlan plan = planFaceWrites(source, size, face, names);
    if (plan.result != NameWrite::Written) {
        return plan.result;
    }
    const std::vector<Patch>& patches = plan.patches;
    bool ok = true;
    for (const Patch& patch : patches) {
        if (!file.seek(static_cast<qint64>(patch.offset)) ||
            file.write(patch.bytes) != patch.bytes.size()) {
            ok = false;
            break;
        }
    }
    file.close();
    return ok && file.error() == QFileDevice::NoError ? NameWrite::Written : NameWrite::Failed;
}

}  // namespace td
