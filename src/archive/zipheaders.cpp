#include "archive/zipheaders.h"

#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <cstring>

#include "platform/error.h"

namespace td {

int64_t MemorySource::readAt(int64_t offset, char* buffer, int64_t count) {
    if (offset < 0 || count < 0) {
        return -1;
    }
    if (offset >= m_bytes.size()) {
        return 0;
    }
    const int64_t n = std::min<int64_t>(count, m_bytes.size() - offset);
    std::memcpy(buffer, m_bytes.constData() + offset, static_cast<size_t>(n));
    return n;
}

QString entryNameFromBytes(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString name = utf8(bytes);
    if (utf8.hasError()) {
        return QString::fromLatin1(bytes);
    }
    return name;
}

namespace {

constexpr uint32_t kLocalHeader = 0x04034B50;
constexpr uint32_t kCentralHeader = 0x02014B50;
constexpr uint32_t kEndOfCentralDirectory = 0x06054B50;
// The end-of-central-directory record without its comment.
constexpr int64_t kEndRecordSize = 22;

uint16_t le16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Sequential reading with seeks over a buffered window of the source, so that a walk over
// many small entries costs few system reads and the byte-wise search stays cheap.
class Cursor {
  public:
    explicit Cursor(ByteSource& source) : m_source(source), m_size(source.size()) {}

    int64_t position() const { return m_pos; }
    int64_t size() const { return m_size; }

    // Moves by `distance` bytes, never past the end; returns the new position.
    int64_t skip(int64_t distance) {
        m_pos = std::min(m_size, m_pos + distance);
        return m_pos;
    }

    bool getByte(unsigned char& byte) {
        if (m_pos < m_bufStart || m_pos >= m_bufStart + m_bufLen) {
            if (!fill()) {
                return false;
            }
        }
        byte = static_cast<unsigned char>(m_buffer[static_cast<size_t>(m_pos - m_bufStart)]);
        ++m_pos;
        return true;
    }

    // Reads up to `count` bytes; returns how many came.
    int64_t read(char* out, int64_t count) {
        int64_t done = 0;
        while (done < count) {
            if (m_pos < m_bufStart || m_pos >= m_bufStart + m_bufLen) {
                if (!fill()) {
                    break;
                }
            }
            const int64_t offset = m_pos - m_bufStart;
            const int64_t n = std::min(count - done, m_bufLen - offset);
            std::memcpy(out + done, m_buffer.data() + offset, static_cast<size_t>(n));
            done += n;
            m_pos += n;
        }
        return done;
    }

  private:
    bool fill() {
        const int64_t got = m_source.readAt(m_pos, m_buffer.data(), m_buffer.size());
        if (got <= 0) {
            m_bufLen = 0;
            return false;
        }
        m_bufStart = m_pos;
        m_bufLen = got;
        return true;
    }

    ByteSource& m_source;
    int64_t m_size;
    int64_t m_pos = 0;
    int64_t m_bufStart = 0;
    int64_t m_bufLen = 0;
    std::array<char, 65536> m_buffer{};
};

// The byte-wise search for "PK\3\4". Only the candidate bytes count towards the limit; a
// byte that breaks the signature is dropped, not taken as the next candidate.
bool findFirstHeader(Cursor& cursor) {
    static constexpr unsigned char kRest[3] = {0x4B, 0x03, 0x04};
    int counted = 0;
    for (;;) {
        unsigned char byte = 0;
        if (!cursor.getByte(byte)) {
            return false;
        }
        if (++counted > kHeaderSearchLimit) {
            return false;
        }
        if (byte != 0x50) {
            continue;
        }
        bool matched = true;
        for (unsigned char expected : kRest) {
            if (!cursor.getByte(byte)) {
                return false;
            }
            if (byte != expected) {
                matched = false;
                break;
            }
        }
        if (matched) {
            return true;
        }
    }
}

}  // namespace

WalkResult walkLocalHeaders(ByteSource& source, std::vector<ZipDirEntry>& entries) {
    Cursor cursor(source);
    if (!findFirstHeader(cursor)) {
        return WalkResult::NoEntries;
    }
    uint32_t signature = kLocalHeader;
    QByteArray name;
    for (;;) {
        if (signature == kLocalHeader) {
            unsigned char header[26];
            if (cursor.read(reinterpret_cast<char*>(header), sizeof header) != sizeof header) {
                throw Error(QStringLiteral("Error 2 reading Zip file"));
            }
            ZipDirEntry entry;
            entry.VersionNeeded = le16(header + 0);
            entry.Flags = le16(header + 2);
            entry.CompressionMethod = le16(header + 4);
            entry.ModTime = le16(header + 6);
            entry.ModDate = le16(header + 8);
            entry.Crc32 = le32(header + 10);
            entry.CompressedSize = le32(header + 14);
            entry.UncompressedSize = le32(header + 18);
            entry.FileNameLength = le16(header + 22);
            entry.ExtraFieldLength = le16(header + 24);
            // The name is read whole, whatever its length, so no buffer can overflow.
            name.resize(entry.FileNameLength);
            if (cursor.read(name.data(), name.size()) != name.size()) {
                throw Error(QStringLiteral("Error 2 reading Zip file"));
            }
            const auto nul = name.indexOf('\0');
            entry.StoredName = nul >= 0 ? name.left(nul) : name;
            entry.FileName = entryNameFromBytes(entry.StoredName);
            const uint16_t extra = entry.ExtraFieldLength;
            const uint32_t compressed = entry.CompressedSize;
            entries.push_back(std::move(entry));

            const int64_t p = cursor.position();
            if (p + extra + static_cast<int64_t>(compressed) > cursor.size() - kEndRecordSize) {
                throw Error(QStringLiteral("Error 3 reading Zip file"));
            }
            if (extra != 0 && cursor.skip(extra) != p + extra) {
                throw Error(QStringLiteral("Error 4 reading Zip file"));
            }
            const int64_t before = cursor.position();
            if (cursor.skip(compressed) != before + static_cast<int64_t>(compressed)) {
                throw Error(QStringLiteral("Error 5 reading Zip file"));
            }
        } else if (signature == kCentralHeader || signature == kEndOfCentralDirectory) {
            return WalkResult::Finished;
        }
        // Anything else (a data descriptor, data after an entry whose sizes were not in its
        // header) is stepped over four bytes at a time.
        unsigned char next[4];
        if (cursor.read(reinterpret_cast<char*>(next), sizeof next) != sizeof next) {
            throw Error(QStringLiteral("Error reading Zip File"));
        }
        signature = le32(next);
    }
}

}  // namespace td
