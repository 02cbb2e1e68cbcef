#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

namespace td {

// The first eight naming strings of a TrueType file, in the order their records stand in the
// file. The meaning goes by position alone: the field names follow the name IDs 0 to 7 that a
// font normally lists first, whatever the records actually hold. Each byte of a string is one
// character (Latin-1); zero bytes are dropped, so a two-byte string of Latin-1 characters reads
// as its one-byte text.
struct TFontNames {
    static constexpr int count = 8;

    QString Copyright;
    QString Family;
    QString Subfamily;
    QString Identifier;
    QString Name;
    QString Version;
    QString Postscript;
    QString Trademark;

    // Position 0 to 7 (record 1 to 8).
    QString& at(int position);
    const QString& at(int position) const;

    friend bool operator==(const TFontNames&, const TFontNames&) = default;
};

// Where the eight strings of a font lie. The naming table is found as the first four bytes
// "name" anywhere in the file, taken as its table directory entry; nothing else of the
// directory is parsed. Every offset here has been checked to lie inside the file.
struct NameTableLayout {
    struct Record {
        bool present = false;  // within the record count and its string inside the file
        std::uint16_t platform = 0;
        std::uint64_t offset = 0;  // of the string, from the start of the file
        std::uint16_t length = 0;  // in bytes
    };

    bool valid = false;  // false: no names at all (eight empty strings, never written)
    std::uint64_t tableOffset = 0;
    std::uint64_t tableEnd =
        0;  // end of the table as its directory entry gives it, clamped to the file
    std::array<Record, TFontNames::count> records{};
};

// Random access to a file's bytes: the bytes at an offset, fewer (or none) at the end.
using FontBytesReader = std::function<QByteArray(std::uint64_t offset, std::uint64_t length)>;

// Finds the naming table of face `face` (0-based) through `read` in a file of `size` bytes. In a
// single font it is the first "name" in the file (only face 0 exists), read with only the bytes
// up to it, the table's header and its first eight records; in a collection ("ttcf") it is the
// "name" entry of that face's own table directory, the header, the face's offset and directory
// all checked to lie inside the file first.
NameTableLayout locateNameTable(const FontBytesReader& read, std::uint64_t size, int face = 0);

// The names as the layout's strings hold them; `read` as for locateNameTable.
TFontNames namesFromLayout(const NameTableLayout& layout, const FontBytesReader& read);

// The eight strings of the font file `path`. A file that cannot be read, has no "name" or
// whose naming table, string storage or records lie beyond its end gives eight empty strings;
// a position beyond the table's record count, or whose string lies beyond the end, reads empty.
// The file is only read.
// `face` chooses the face of a collection (0 is the first); a face that does not exist, or a
// collection whose header is damaged, reads as eight empty strings. `faceCount`, when given,
// receives the file's number of faces (1 for a single font, 0 when unreadable).
TFontNames ReadFontNames(const QString& path, int face = 0, int* faceCount = nullptr);

// The same for a font already in memory.
TFontNames ReadFontNamesFromBytes(const QByteArray& data, int face = 0);

// The bytes that writing `text` into a record of `length` bytes puts there: one byte per
// character padded with blanks for one-byte records, two bytes per character (high byte 0)
// padded with 0x00 0x20 for the two-byte records of platforms 0 and 3. Characters beyond the
// record's length are dropped, characters above 255 become '?'.
QByteArray encodeNameString(const QString& text, std::uint16_t platform, std::uint16_t length);

// Writes the eight strings into the string bytes of records 1 to 8 of the font file `path`, in
// place: the file's length and every other byte stay as they were. Positions whose text already
// reads back as given are left alone; a text longer than its record is cut to the record's
// length (nothing of it for a record of length 0). Returns false, writing nothing, when a text
// that differs from the file's has no place to go: the file has no readable naming table, the
// record lies beyond the table's record count or the end of the file, or its string lies outside
// the naming table as its directory entry gives it. Returns false as well when the file could
// not be opened for writing or a write failed.
bool WriteFontNames(const QString& path, const TFontNames& names);

// The same on a font in memory; the buffer keeps its length, and is unchanged on false.
bool WriteFontNamesToBytes(QByteArray& data, const TFontNames& names);

// How a save of one face's names ended.
enum class NameWrite {
    Written,  // every change is in the file (or there was none)
    Failed,   // nothing written: no place for a text, or the file could not be written
    Shared,   // nothing written: another face of the collection uses the same naming table
};

// WriteFontNames for face `face` of a collection (or face 0 of a single font). A change to a
// naming table that another face of the collection shares, wholly or in part, or that would
// overwrite a string another face reads, is refused as Shared and nothing is written, since it
// would rename that face as well.
NameWrite WriteFaceNames(const QString& path, int face, const TFontNames& names);
NameWrite WriteFaceNamesToBytes(QByteArray& data, int face, const TFontNames& names);

}  // namespace td
