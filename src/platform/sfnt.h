#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace td::sfnt {

// Reading the outer structure of a font file: the faces of a collection ("ttcf" header) and the
// table directory of one face. Every count and offset is checked against the file's size before
// it is used, so damaged files give "no face" or "no table", never a read past the end.

// Random access to a file's bytes: the bytes at an offset, fewer (or none) at the end.
using ByteReader = std::function<QByteArray(std::uint64_t offset, std::uint64_t length)>;

// More faces than this in one collection are taken as damage (real collections hold a few
// dozen at most).
inline constexpr std::uint32_t kMaxFaces = 4096;

// The faces of a file.
struct FaceList {
    bool collection = false;  // the file starts with "ttcf"
    // Where each face's table directory starts. A single font has one face at 0; a collection
    // whose header is damaged (no room for its face count or offsets, a count of 0 or beyond
    // kMaxFaces) has none. An offset is listed as the header gives it even when it lies past
    // the end: that face's directory then reads as missing.
    std::vector<std::uint64_t> offsets;

    int count() const { return static_cast<int>(offsets.size()); }
};

FaceList readFaceList(const ByteReader& read, std::uint64_t size);
FaceList readFaceList(const QByteArray& data);

// One entry of a face's table directory.
struct TableRecord {
    std::uint32_t tag = 0;
    std::uint64_t offset = 0;  // of the table, from the start of the file
    std::uint64_t length = 0;
    std::uint64_t entryOffset = 0;  // of this 16-byte directory entry
};

// The table directory of the face whose directory starts at `faceOffset`. Nothing when the
// directory's header or entries do not lie wholly inside the file. Entries are returned as
// written; whether a table lies inside the file is for the caller to check (tableInFile).
std::optional<std::vector<TableRecord>> readTableDirectory(const ByteReader& read,
                                                           std::uint64_t size,
                                                           std::uint64_t faceOffset);

// Whether the table lies wholly inside a file of `size` bytes.
bool tableInFile(const TableRecord& table, std::uint64_t size);

// The tag value of four characters ("name").
constexpr std::uint32_t tagOf(const char (&text)[5]) {
    return (std::uint32_t(static_cast<unsigned char>(text[0])) << 24) |
           (std::uint32_t(static_cast<unsigned char>(text[1])) << 16) |
           (std::uint32_t(static_cast<unsigned char>(text[2])) << 8) |
           std::uint32_t(static_cast<unsigned char>(text[3]));
}

// Face `face` (0-based) of a font in memory as a font file of its own: its directory and its
// tables copied behind a fresh header. Empty when the face does not exist, its directory is
// damaged, a table lies outside the data, or its tables together are larger than the data
// (overlapping tables repeated to inflate the copy).
QByteArray extractFace(const QByteArray& data, int face);

// Whether the face's outlines are CFF (an OpenType "OTTO" face): the face directory's version.
// False for TrueType outlines and for anything unreadable.
bool hasCffOutlines(const ByteReader& read, std::uint64_t size, std::uint64_t faceOffset);

// Whether the first face of the font file `path` has CFF outlines.
bool fileHasCffOutlines(const QString& path);

// The number of faces of the font file `path`: 1 for a single font, the header's count for a
// readable collection, 0 for a collection whose header is damaged or a file that cannot be read.
int faceCountOfFile(const QString& path);

// A reader over bytes in memory (the array must outlive it).
ByteReader memoryReader(const QByteArray& data);

}  // namespace td::sfnt
