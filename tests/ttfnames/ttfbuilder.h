#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace tdtest {

// One record of a naming table and the bytes of its string. `length` and `offset` override what
// the builder would write, to make damaged tables.
struct NameRecord {
    std::uint16_t platform = 1;
    std::uint16_t encoding = 0;
    std::uint16_t language = 0;
    std::uint16_t nameId = 0;
    QByteArray bytes;
    std::optional<std::uint16_t> length;
    std::optional<std::uint16_t> offset;
};

// A naming table: header (format 0, record count, storage offset), records, then the strings one
// after the other. `recordCount` and `storageOffset` override the true values.
struct NameTable {
    NameTable() = default;
    // Implicit, so that a list of records can stand where a table is wanted.
    NameTable(std::vector<NameRecord> list) : records(std::move(list)) {}  // NOLINT

    std::vector<NameRecord> records;
    std::optional<std::uint16_t> recordCount;
    std::optional<std::uint16_t> storageOffset;
    // Bytes appended after the strings (inside the table).
    QByteArray trailer;

    QByteArray bytes() const;
    // Offset of record n's string from the start of the table, as the builder lays it out.
    std::uint32_t stringOffset(std::size_t record) const;
};

// A TrueType file built byte by byte: the offset table, one 16-byte directory entry per table in
// the order added, then the tables, each starting on a 4-byte boundary.
class TtfBuilder {
  public:
    // Adds a table; returns its index.
    std::size_t addTable(const QByteArray& tag, const QByteArray& data);
    // Overrides the offset that the directory entry of table `index` gives.
    void setDirectoryOffset(std::size_t index, std::uint32_t offset);

    QByteArray build() const;
    // Offset of table `index` in the built file.
    std::uint32_t tableOffset(std::size_t index) const;

  private:
    struct Table {
        QByteArray tag;
        QByteArray data;
        std::optional<std::uint32_t> directoryOffset;
    };
    std::vector<Table> m_tables;
};

// Big-endian helpers.
QByteArray be16(std::uint16_t value);
QByteArray be32(std::uint32_t value);
// The two-byte big-endian form of a text (UTF-16BE).
QByteArray utf16be(const QString& text);

// One-byte records (platform 1, name IDs 0, 1, ...) holding `texts`.
std::vector<NameRecord> macRecords(const QStringList& texts);
// A small font: a filler "head" table, then the naming table.
QByteArray fontWithNames(const NameTable& names);
// Offset of the naming table in fontWithNames' result.
std::uint32_t namesOffsetIn(const NameTable& names);

// A collection ("ttcf", version 1) of the given single fonts: the header and its face offsets,
// then each font 4-byte aligned with the table offsets of its directory moved along with it.
// Tables stay with their own face; tests point entries elsewhere to make shared tables.
QByteArray collectionOf(const std::vector<QByteArray>& fonts);
// Offset of the directory entry of table `tag` of face `face` in a collection built above; 0
// when there is none.
std::uint32_t collectionEntryOffset(const QByteArray& collection, int face, const QByteArray& tag);

// The eight texts that the usual test font holds.
QStringList sampleTexts();

}  // namespace tdtest
