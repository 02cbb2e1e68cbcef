#include "platform/facecache.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QtEndian>
#include <list>

namespace td {

size_t qHash(const FaceKey& key, size_t seed) {
    return qHashMulti(seed, key.path, key.size, key.modifiedNs, key.faceIndex);
}

// Windows-platform English names win over other Windows names, then Unicode-platform, then
// Macintosh names (English first; their few accented letters are read as Latin-1).
FaceNames readFaceNames(const QByteArray& table) {
    FaceNames names;
    const auto* data = reinterpret_cast<const uchar*>(table.constData());
    const qsizetype size = table.size();
    if (size < 6) {
        return names;
    }
    const int count = qFromBigEndian<quint16>(data + 2);
    const int storage = qFromBigEndian<quint16>(data + 4);
    int rank[5] = {};
    for (int i = 0; i < count; ++i) {
        const qsizetype record = 6 + qsizetype(i) * 12;
        if (record + 12 > size) {
            break;
        }
        const int platform = qFromBigEndian<quint16>(data + record);
        const int encoding = qFromBigEndian<quint16>(data + record + 2);
        const int language = qFromBigEndian<quint16>(data + record + 4);
        const int nameId = qFromBigEndian<quint16>(data + record + 6);
        const int length = qFromBigEndian<quint16>(data + record + 8);
        const qsizetype offset = storage + qsizetype(qFromBigEndian<quint16>(data + record + 10));
        if (nameId != 1 && nameId != 2 && nameId != 4) {
            continue;
        }
        if (offset + length > size || length == 0) {
            continue;
        }
        int thisRank = 0;
        QString text;
        if (platform == 3 || platform == 0) {
            thisRank = platform == 3 ? (language == 0x409 ? 6 : 5) : 4;
            QString decoded;
            for (int k = 0; k + 1 < length; k += 2) {
                decoded.append(QChar(qFromBigEndian<quint16>(data + offset + k)));
            }
            text = decoded;
        } else if (platform == 1 && encoding == 0) {
            thisRank = language == 0 ? 3 : 2;
            text = QString::fromLatin1(reinterpret_cast<const char*>(data + offset), length);
        } else {
            continue;
        }
        // Some fonts pad their names with NULs.
        text = text.remove(QChar(0)).trimmed();
        if (text.isEmpty() || thisRank <= rank[nameId]) {
            continue;
        }
        rank[nameId] = thisRank;
        switch (nameId) {
            case 1:
                names.family = text;
                break;
            case 2:
                names.subfamily = text;
                break;
            default:
                names.fullName = text;
        }
    }
    return names;
}

namespace {

quint32 be32(const uchar* at) {
    return qFromBigEndian<quint32>(at);
}

// Face `index` of a collection ("ttcf") as a single font of its own: its table directory with
// offsets into a new buffer that holds copies of its tables. QRawFont opens the first face of
// what it is given only. Empty when the collection has no such face or a table lies outside it.
QByteArray extractCollectionFace(const uchar* data, qint64 size, int index) {
    if (size < 12 || be32(data) != 0x74746366 /* ttcf */) {
        return {};
    }
    const quint32 faces = be32(data + 8);
    if (index < 0 || quint32(index) >= faces || 12 + 4 * qint64(index) + 4 > size) {
        return {};
    }
    const qint64 directory = be32(data + 12 + 4 * index);
    if (directory + 12 > size) {
        return {};
    }
    const int tables = qFromBigEndian<quint16>(data + directory + 4);
    if (directory + 12 + 16 * qint64(tables) > size) {
        return {};
    }
    QByteArray out(reinterpret_cast<const char*>(data + directory), 12 + 16 * tables);
    for (int t = 0; t < tables; ++t) {
        const uchar* record = data + directory + 12 + 16 * t;
        const qint64 offset = be32(record + 8);
        const qint64 length = be32(record + 12);
        if (offset + length > size) {
            return {};
        }
        while (out.size() % 4 != 0) {
            out.append('\0');
        }
        qToBigEndian<quint32>(quint32(out.size()), out.data() + 12 + 16 * t + 8);
        out.append(reinterpret_cast<const char*>(data + offset), length);
    }
    return out;
}

qint64 nanoseconds(const struct timespec& time) {
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

}  // namespace

bool FontFace::isNamed(const QString& name) const {
    const QString wanted = name.trimmed();
    return family().compare(wanted, Qt::CaseInsensitive) == 0 ||
           m_names.fullName.compare(wanted, Qt::CaseInsensitive) == 0;
}

FontFace::~FontFace() {
    if (m_mapping) {
        ::munmap(m_mapping, size_t(m_mappedSize));
    }
}

QByteArray FontFace::bytes() const {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(m_data), m_size);
}

QRawFont FontFace::rawFont(int pixelSize, QFont::HintingPreference hinting) const {
    QRawFont raw;
    raw.loadFromData(bytes(), std::max(1, pixelSize), hinting);
    return raw;
}

bool FontFace::readFace(QRawFont* probeOut) {
    if (m_key.faceIndex > 0) {
        m_owned = extractCollectionFace(m_data, m_size, m_key.faceIndex);
        if (m_mapping) {
            ::munmap(m_mapping, size_t(m_mappedSize));
            m_mapping = nullptr;
        }
        m_data = reinterpret_cast<const uchar*>(m_owned.constData());
        m_size = m_owned.size();
        if (m_owned.isEmpty()) {
            return false;
        }
    }
    // A probe on this thread: the tables are read once here, drawing makes its own QRawFont.
    QRawFont probe = rawFont(12);
    if (!probe.isValid()) {
        return false;
    }
    m_names = readFaceNames(probe.fontTable("name"));
    m_rawFamily = probe.familyName();
    const QString subfamily = m_names.subfamily.toLower();
    m_bold = probe.weight() >= QFont::DemiBold || subfamily.contains(u"bold");
    m_italic = probe.style() != QFont::StyleNormal || subfamily.contains(u"italic") ||
               subfamily.contains(u"oblique");
    if (probeOut) {
        *probeOut = std::move(probe);
    }
    return true;
}

std::shared_ptr<const FontFace> FontFace::open(const QString& path, int faceIndex,
                                               QRawFont* probe) {
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const int fd = ::open(QFile::encodeName(clean).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info {};
    std::shared_ptr<FontFace> face(new FontFace);
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        void* mapping = ::mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (mapping != MAP_FAILED) {
            face->m_mapping = mapping;
            face->m_mappedSize = info.st_size;
            face->m_data = static_cast<const uchar*>(mapping);
            face->m_size = info.st_size;
        }
    }
    ::close(fd);
    if (!face->m_mapping) {
        return nullptr;
    }
    face->m_key = FaceKey{clean, info.st_size, nanoseconds(info.st_mtim), faceIndex};
    face->m_inode = info.st_ino;
    face->m_changedNs = nanoseconds(info.st_ctim);
    if (!face->readFace(probe)) {
        return nullptr;
    }
    return face;
}

std::shared_ptr<const FontFace> FontFace::fromData(const QByteArray& bytes, int faceIndex,
                                                   const FaceKey& key) {
    std::shared_ptr<FontFace> face(new FontFace);
    face->m_owned = bytes;
    face->m_owned.detach();
    face->m_data = reinterpret_cast<const uchar*>(face->m_owned.constData());
    face->m_size = face->m_owned.size();
    face->m_key = key;
    face->m_key.faceIndex = faceIndex;
    if (face->m_size == 0 || !face->readFace(nullptr)) {
        return nullptr;
    }
    return face;
}

struct FaceCache::State {
    mutable QMutex mutex;
    // Most recently used first.
    std::list<std::shared_ptr<const FontFace>> order;
    QHash<FaceKey, std::list<std::shared_ptr<const FontFace>>::iterator> byKey;
    qint64 bytes = 0;

    void drop(std::list<std::shared_ptr<const FontFace>>::iterator it) {
        bytes -= (*it)->byteSize();
        byKey.remove((*it)->key());
        order.erase(it);
    }
};

FaceCache::FaceCache(qint64 byteBound) : m_bound(byteBound), m_state(std::make_unique<State>()) {}
FaceCache::~FaceCache() = default;

FaceCache& FaceCache::shared() {
    static FaceCache cache;
    return cache;
}

std::shared_ptr<const FontFace> FaceCache::open(const QString& path, int faceIndex,
                                                QRawFont* probe) {
    if (path.isEmpty()) {
        return nullptr;
    }
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    struct stat info {};
    if (::stat(QFile::encodeName(clean).constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return nullptr;
    }
    const FaceKey key{clean, info.st_size, nanoseconds(info.st_mtim), faceIndex};
    {
        QMutexLocker lock(&m_state->mutex);
        auto found = m_state->byKey.constFind(key);
        if (found != m_state->byKey.constEnd() &&
            (**found)->sameFile(info.st_ino, nanoseconds(info.st_ctim))) {
            auto it = *found;
            m_state->order.splice(m_state->order.begin(), m_state->order, it);
            return *it;
        }
    }
    // Opened without the lock, so other threads go on meanwhile; two threads that open the same
    // new file both read it and the second keeps the first's face.
    // Declared after the face, whose bytes it reads, so it goes first.
    std::shared_ptr<const FontFace> face;
    QRawFont opened;
    face = FontFace::open(clean, faceIndex, &opened);
    // A file that changed between the look-up and the mapping is cached under what was mapped.
    QMutexLocker lock(&m_state->mutex);
    if (!face) {
        return nullptr;
    }
    auto found = m_state->byKey.constFind(face->key());
    if (found != m_state->byKey.constEnd() &&
        (**found)->sameFile(face->m_inode, face->m_changedNs)) {
        return **found;  // another thread was first
    }
    if (probe) {
        *probe = std::move(opened);
    }
    // Older versions of the same file are of no further use.
    for (auto it = m_state->order.begin(); it != m_state->order.end();) {
        const FaceKey& other = (*it)->key();
        auto next = std::next(it);
        if (other.path == clean && other.faceIndex == faceIndex) {
            m_state->drop(it);
        }
        it = next;
    }
    m_state->order.push_front(face);
    m_state->byKey.insert(face->key(), m_state->order.begin());
    m_state->bytes += face->byteSize();
    // The face just opened stays even when it alone is over the bound.
    while (m_state->bytes > m_bound && m_state->order.size() > 1) {
        m_state->drop(std::prev(m_state->order.end()));
    }
    return face;
}

qint64 FaceCache::bytesHeld() const {
    QMutexLocker lock(&m_state->mutex);
    return m_state->bytes;
}

int FaceCache::faceCount() const {
    QMutexLocker lock(&m_state->mutex);
    return int(m_state->order.size());
}

void FaceCache::clear() {
    QMutexLocker lock(&m_state->mutex);
    m_state->order.clear();
    m_state->byKey.clear();
    m_state->bytes = 0;
}

}  // namespace td
