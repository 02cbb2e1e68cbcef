#pragma once

// Builds archive bytes by hand, so tests can make exactly the headers they need.

#include <QByteArray>
#include <cstdint>

namespace ziptest {

inline void put16(QByteArray& out, uint16_t v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>(v >> 8));
}
inline void put32(QByteArray& out, uint32_t v) {
    put16(out, static_cast<uint16_t>(v & 0xFFFF));
    put16(out, static_cast<uint16_t>(v >> 16));
}

struct Local {
    QByteArray name{};
    QByteArray data{};
    QByteArray extra{};
    uint16_t flags = 0;
    // Sizes written into the header; -1 means the data's length.
    int64_t compressedSize = -1;
    int64_t uncompressedSize = -1;
    uint32_t crc = 0x12345678;
};

// A local header followed by its extra field and data.
inline QByteArray localEntry(const Local& e) {
    QByteArray out;
    put32(out, 0x04034B50);
    put16(out, 20);
    put16(out, e.flags);
    put16(out, 0);       // stored
    put16(out, 0x6000);  // 12:00
    put16(out, 0x5A21);  // 2025-01-01
    put32(out, e.crc);
    put32(out, static_cast<uint32_t>(e.compressedSize < 0 ? e.data.size() : e.compressedSize));
    put32(out, static_cast<uint32_t>(e.uncompressedSize < 0 ? e.data.size() : e.uncompressedSize));
    put16(out, static_cast<uint16_t>(e.name.size()));
    put16(out, static_cast<uint16_t>(e.extra.size()));
    out += e.name;
    out += e.extra;
    out += e.data;
    return out;
}

// An end-of-central-directory record with no entries and no comment (22 bytes).
inline QByteArray endRecord() {
    QByteArray out;
    put32(out, 0x06054B50);
    for (int i = 0; i < 4; ++i) {
        put16(out, 0);
    }
    put32(out, 0);
    put32(out, 0);
    put16(out, 0);
    return out;
}

// A central directory header, enough for the walk to stop at.
inline QByteArray centralHeader(const QByteArray& name) {
    QByteArray out;
    put32(out, 0x02014B50);
    out += QByteArray(24, '\0');
    put16(out, static_cast<uint16_t>(name.size()));
    out += QByteArray(16, '\0');
    out += name;
    return out;
}

}  // namespace ziptest
