#include "ttfbuilder.h"

namespace tdtest {

namespace {

constexpr std::uint32_t kOffsetTableSize = 12;
constexpr std::uint32_t kEntrySize = 16;

std::uint32_t padded(std::uint32_t size) {
    return (size + 3u) & ~3u;
}

std::uint32_t checksum(const QByteArray& data) {
    QByteArray copy = data;
    copy.append(QByteArray(static_cast<qsizetype>(padded(static_cast<std::uint32_t>(data.size())) -
                                                  static_cast<std::uint32_t>(data.size())),
                           '\0'));
    std::uint32_t sum = 0;
    for (qsizetype i = 0; i < copy.size(); i += 4) {
        sum += (std::uint32_t{static_cast<unsigned char>(copy[i])} << 24) |
               (std::uint32_t{static_cast<unsigned char>(copy[i + 1])} << 16) |
               (std::uint32_t{static_cast<unsigned char>(copy[i + 2])} << 8) |
               std::uint32_t{static_cast<unsigned char>(copy[i + 3])};
    }
    return sum;
}

}  // namespace

QByteArray be16(std::uint16_t value) {
    QByteArray bytes(2, '\0');
    bytes[0] = static_cast<char>(value >> 8);
    bytes[1] = static_cast<char>(value & 0xff);
    return bytes;
}

QByteArray be32(std::uint32_t value) {
    return be16(static_cast<std::uint16_t>(value >> 16)) +
           be16(static_cast<std::uint16_t>(value & 0xffff));
}

QByteArray utf16be(const QString& text) {
    QByteArray bytes;
    for (const QChar c : text) {
        bytes += be16(c.unicode());
    }
    return bytes;
}

std::uint32_t NameTable::stringOffset(std::size_t record) const {
    std::uint32_t offset = 0;
    for (std::size_t i = 0; i < record && i < records.size(); ++i) {
        offset += static_cast<std::uint32_t>(records[i].bytes.size());
    }
    return offset;
}

QByteArray NameTable::bytes() const {
    const auto count = static_cast<std::uint16_t>(records.size());
    const auto storage = static_cast<std::uint16_t>(6 + 12 * records.size());
    QByteArray table =
        be16(0) + be16(recordCount.value_or(count)) + be16(storageOffset.value_or(storage));
    QByteArray strings;
    for (const NameRecord& record : records) {
        const auto offset = static_cast<std::uint16_t>(strings.size());
        table += be16(record.platform) + be16(record.encoding) + be16(record.language) +
                 be16(record.nameId) +
                 be16(record.length.value_or(static_cast<std::uint16_t>(record.bytes.size()))) +
                 be16(record.offset.value_or(offset));
        strings += record.bytes;
    }
    return table + strings + trailer;
}

std::size_t TtfBuilder::addTable(const QByteArray& tag, const QByteArray& data) {
    m_tables.push_back({tag.left(4).leftJustified(4, ' '), data, std::nullopt});
    return m_tables.size() - 1;
}

void TtfBuilder::setDirectoryOffset(std::size_t index, std::uint32_t offset) {
    m_tables.at(index).directoryOffset = offset;
}

std::uint32_t TtfBuilder::tableOffset(std::size_t index) const {
    std::uint32_t offset =
        kOffsetTableSize + kEntrySize * static_cast<std::uint32_t>(m_tables.size());
    for (std::size_t i = 0; i < index; ++i) {
        offset += padded(static_cast<std::uint32_t>(m_tables[i].data.size()));
    }
    return offset;
}

QByteArray TtfBuilder::build() const {
    const auto count = static_cast<std::uint16_t>(m_tables.size());
    std::uint16_t power = 1;
    std::uint16_t log = 0;
    while (power * 2 <= count) {
        power = static_cast<std::uint16_t>(power * 2);
        ++log;
    }
    QByteArray file = be32(0x00010000) + be16(count) +
                      be16(static_cast<std::uint16_t>(power * 16)) + be16(log) +
                      be16(static_cast<std::uint16_t>(count * 16 - power * 16));
    for (std::size_t i = 0; i < m_tables.size(); ++i) {
        const Table& table = m_tables[i];
        file += table.tag + be32(checksum(table.data)) +
                be32(table.directoryOffset.value_or(tableOffset(i))) +
                be32(static_cast<std::uint32_t>(table.data.size()));
    }
    for (const Table& table : m_tables) {
        file += table.data;
        file += QByteArray(
            static_cast<qsizetype>(padded(static_cast<std::uint32_t>(table.data.size())) -
                                   static_cast<std::uint32_t>(table.data.size())),
            '\0');
    }
    return file;
}

namespace {

std::uint32_t readBe32(const QByteArray& bytes, qsizetype at) {
    return (std::uint32_t(static_cast<unsigned char>(bytes[at])) << 24) |
           (std::uint32_t(static_cast<unsigned char>(bytes[at + 1])) << 16) |
           (std::uint32_t(static_cast<unsigned char>(bytes[at + 2])) << 8) |
           std::uint32_t(static_cast<unsigned char>(bytes[at + 3]));
}

}  // namespace

QByteArray collectionOf(const std::vector<QByteArray>& fonts) {
    const auto count = static_cast<std::uint32_t>(fonts.size());
    QByteArray body;
    std::vector<std::uint32_t> offsets;
    std::uint32_t start = 12 + 4 * count;
    for (QByteArray font : fonts) {
        offsets.push_back(start + static_cast<std::uint32_t>(body.size()));
        const std::uint32_t base = offsets.back();
        const int tables =
            (static_cast<unsigned char>(font[4]) << 8) | static_cast<unsigned char>(font[5]);
        for (int k = 0; k < tables; ++k) {
            const qsizetype at = 12 + 16 * k + 8;
            font.replace(at, 4, be32(readBe32(font, at) + base));
        }
        body += font;
        body += QByteArray(static_cast<qsizetype>(padded(static_cast<std::uint32_t>(body.size())) -
                                                  static_cast<std::uint32_t>(body.size())),
                           '\0');
    }
    QByteArray file = QByteArray("ttcf") + be32(0x00010000) + be32(count);
    for (const std::uint32_t offset : offsets) {
        file += be32(offset);
    }
    return file + body;
}

std::uint32_t collectionEntryOffset(const QByteArray& collection, int face, const QByteArray& tag) {
    const std::uint32_t directory = readBe32(collection, 12 + 4 * face);
    const int tables = (static_cast<unsigned char>(collection[directory + 4]) << 8) |
                       static_cast<unsigned char>(collection[directory + 5]);
    for (int k = 0; k < tables; ++k) {
        const std::uint32_t entry = directory + 12 + 16 * static_cast<std::uint32_t>(k);
        if (collection.mid(entry, 4) == tag) {
            return entry;
        }
    }
    return 0;
}

std::vector<NameRecord> macRecords(const QStringList& texts) {
    std::vector<NameRecord> records;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        NameRecord record;
        record.nameId = static_cast<std::uint16_t>(i);
        record.bytes = texts[i].toLatin1();
        records.push_back(record);
    }
    return records;
}

namespace {

// Stands for the tables a real font has before its naming table; its bytes never change.
QByteArray fillerTable() {
    QByteArray data;
    for (int i = 0; i < 54; ++i) {
        data.append(static_cast<char>(0xA0 + i));
    }
    return data;
}

}  // namespace

QByteArray fontWithNames(const NameTable& names) {
    TtfBuilder builder;
    builder.addTable("head", fillerTable());
    builder.addTable("name", names.bytes());
    return builder.build();
}

std::uint32_t namesOffsetIn(const NameTable& names) {
    TtfBuilder builder;
    builder.addTable("head", fillerTable());
    builder.addTable("name", names.bytes());
    return builder.tableOffset(1);
}

QStringList sampleTexts() {
    return {QStringLiteral("Copyright 2026 Sample Foundry"),
            QStringLiteral("Sample Sans"),
            QStringLiteral("Bold Italic"),
            QStringLiteral("SampleFoundry: Sample Sans Bold Italic: 2026"),
            QStringLiteral("Sample Sans Bold Italic"),
            QStringLiteral("Version 1.002"),
            QStringLiteral("SampleSans-BoldItalic"),
            QStringLiteral("Sample Sans is a trademark of Sample Foundry")};
}

}  // namespace tdtest
