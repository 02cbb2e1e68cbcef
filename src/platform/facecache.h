#pragma once

#include <QByteArray>
#include <QFont>
#include <QRawFont>
#include <QString>
#include <memory>

namespace td {

// The names a face is known by: family (name 1), subfamily (2) and full name (4).
struct FaceNames {
    QString family;
    QString subfamily;
    QString fullName;
};

// Reads those names from a font's name table; every offset is checked against the table's size,
// and names that cannot be read stay empty.
FaceNames readFaceNames(const QByteArray& nameTable);

// What identifies the contents of one face: a file changed on disk has another size or
// modification time and so is another face.
struct FaceKey {
    QString path;  // absolute and cleaned
    qint64 size = 0;
    qint64 modifiedNs = 0;
    int faceIndex = 0;  // the face within a collection; 0 for a single font
    friend bool operator==(const FaceKey&, const FaceKey&) = default;
};
size_t qHash(const FaceKey& key, size_t seed = 0);

// One face of a font file. The file is mapped read-only, not read, so a large collection costs
// only the pages its tables and drawn glyphs touch. A FontFace is immutable once made and may be
// shared by any number of threads; rasterising state (QRawFont) is not, so each thread makes its
// own with rawFont().
class FontFace {
  public:
    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    // Opens face `faceIndex` of the file at `path`; null when the file cannot be read or that
    // face is not a font QRawFont can draw. The QRawFont that read the face (12 pixels) goes to
    // `probe` when given: the calling thread may draw with it.
    static std::shared_ptr<const FontFace> open(const QString& path, int faceIndex = 0,
                                                QRawFont* probe = nullptr);
    // The same from bytes held in memory (the copy is kept); `key` names them.
    static std::shared_ptr<const FontFace> fromData(const QByteArray& bytes, int faceIndex = 0,
                                                    const FaceKey& key = {});

    const FaceKey& key() const { return m_key; }
    const FaceNames& names() const { return m_names; }
    // The family QRawFont reports, for faces without a readable name table.
    const QString& rawFamily() const { return m_rawFamily; }
    // The face's own family: name 1, else what QRawFont reports.
    QString family() const { return m_names.family.isEmpty() ? m_rawFamily : m_names.family; }
    // Whether `name` (trimmed, any case) is the face's family or full name, as the font table
    // matches a face name against an active file.
    bool isNamed(const QString& name) const;
    bool isBold() const { return m_bold; }
    bool isItalic() const { return m_italic; }
    // Bytes held for this face (the mapped file, or the extracted face of a collection).
    qint64 byteSize() const { return m_size; }
    // The face's bytes, without a copy; valid while the face lives.
    QByteArray bytes() const;
    // A new QRawFont of this face for the calling thread. It reads the face's bytes in place, so
    // the caller keeps this FontFace alive for as long as the QRawFont (and its copies) live.
    QRawFont rawFont(int pixelSize,
                     QFont::HintingPreference hinting = QFont::PreferDefaultHinting) const;

    // Whether this face was read from the file whose status is `inode` and `changedNs`.
    bool sameFile(quint64 inode, qint64 changedNs) const {
        return m_inode == inode && m_changedNs == changedNs;
    }

  private:
    friend class FaceCache;
    FontFace() = default;
    bool readFace(QRawFont* probe);

    FaceKey m_key;
    const uchar* m_data = nullptr;
    qint64 m_size = 0;
    void* m_mapping = nullptr;  // what munmap gives back, when mapped
    qint64 m_mappedSize = 0;
    QByteArray m_owned;  // bytes held in memory instead of a mapping
    // Beside the key, a file replaced by another of the same size and time is told apart by
    // these.
    quint64 m_inode = 0;
    qint64 m_changedNs = 0;
    FaceNames m_names;
    QString m_rawFamily;
    bool m_bold = false;
    bool m_italic = false;
};

// The faces opened so far, keyed by file identity (path, size, modification time, face index)
// and bounded by the bytes they hold: beyond the bound the least recently used faces are let go
// (a face still drawn elsewhere stays alive until its last user drops it). Every call may come
// from any thread.
class FaceCache {
  public:
    explicit FaceCache(qint64 byteBound = kDefaultBound);
    ~FaceCache();
    FaceCache(const FaceCache&) = delete;
    FaceCache& operator=(const FaceCache&) = delete;

    // 32 MB: well over a screen or two of typical fonts, small beside the 150 MB an export may
    // use.
    static constexpr qint64 kDefaultBound = 32 * 1024 * 1024;
    // The cache every part of the program draws through.
    static FaceCache& shared();

    // Face `faceIndex` of the file as it is on disk now: the cached face when the file's size
    // and modification time are unchanged, else the file opened again. Null for a missing file
    // or one that is no drawable font.
    // `probe`, when given, receives the QRawFont that read a face opened just now (it stays
    // invalid on a cache hit), so that the calling thread need not open the face again.
    std::shared_ptr<const FontFace> open(const QString& path, int faceIndex = 0,
                                         QRawFont* probe = nullptr);
    // Bytes held by the cached faces, and how many faces are cached.
    qint64 bytesHeld() const;
    int faceCount() const;
    qint64 byteBound() const { return m_bound; }
    void clear();

  private:
    struct State;
    const qint64 m_bound;
    std::unique_ptr<State> m_state;
};

}  // namespace td
