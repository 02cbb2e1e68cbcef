#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace td {

// One local file header of an archive: the 26 bytes after its signature, as read, and the
// entry's name as stored (folder part and separators included): its bytes, cut at the first
// NUL, and those bytes as text.
struct ZipDirEntry {
    uint16_t VersionNeeded = 0;
    uint16_t Flags = 0;
    uint16_t CompressionMethod = 0;
    uint16_t ModTime = 0;  // MS-DOS time
    uint16_t ModDate = 0;  // MS-DOS date
    uint32_t Crc32 = 0;
    uint32_t CompressedSize = 0;
    uint32_t UncompressedSize = 0;
    uint16_t FileNameLength = 0;
    uint16_t ExtraFieldLength = 0;
    QString FileName;
    // The name exactly as stored; FileName decodes it. Two entries can decode alike (a Latin-1
    // name and its UTF-8 twin), so an entry is identified by these bytes.
    QByteArray StoredName;
};

// Random access to the bytes of an archive.
class ByteSource {
  public:
    ByteSource() = default;
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;
    virtual ~ByteSource() = default;

    virtual int64_t size() const = 0;
    // Copies up to `count` bytes from `offset` into `buffer`; returns how many came (0 at the
    // end), or -1 when the read failed.
    virtual int64_t readAt(int64_t offset, char* buffer, int64_t count) = 0;
};

// An archive held in memory.
class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(QByteArray bytes) : m_bytes(std::move(bytes)) {}
    int64_t size() const override { return m_bytes.size(); }
    int64_t readAt(int64_t offset, char* buffer, int64_t count) override;

  private:
    QByteArray m_bytes;
};

// How a walk ended when it raised nothing.
enum class WalkResult {
    Finished,   // a central directory or end record was met
    NoEntries,  // no local header in the first 60,000 candidate bytes, or none at all
};

// The byte-wise search for the first local header gives up after this many candidates.
constexpr int kHeaderSearchLimit = 60000;

// The name bytes of an entry as a string: UTF-8 when they are valid UTF-8, else one character
// per byte.
QString entryNameFromBytes(const QByteArray& bytes);

// Walks the local file headers from the start of `source` and appends one record per header
// to `entries`. Only headers are read; the data of each entry is skipped by its compressed
// size. Throws td::Error with the reading errors ("Error reading Zip File", "Error 2 reading
// Zip file" ... "Error 5 reading Zip file"); the records appended before the error stay.
WalkResult walkLocalHeaders(ByteSource& source, std::vector<ZipDirEntry>& entries);

}  // namespace td
