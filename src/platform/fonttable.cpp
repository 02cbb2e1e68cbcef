#include "platform/fonttable.h"

#include "platform/facecache.h"

#include <fontconfig/fontconfig.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QPainter>
#include <QRawFont>

#include <QtEndian>
#include <algorithm>
#include <list>
#include "platform/sfnt.h"

namespace td {

namespace {

// Identity of a file's contents as far as the cache cares: archives extract different fonts
// under the same temporary name, so the path alone is not enough.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

std::optional<FileStamp> stampOf(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    FileStamp stamp;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.changedNs = qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    return stamp;
}

}  // namespace

// One font file's face as the table holds it on the user-interface thread, shared by the table's
// cache and the fonts drawn from it.
struct LoadedFontFile {
    QString key;
    FileStamp stamp;
    std::shared_ptr<const FontFace> face;  // declared before `sizes`, which read its bytes
    FaceNames names;
    bool bold = false;
    bool italic = false;
    bool active = false;
    int appFontId = -1;  // Qt application font registered for font(), while active
    quint64 lastUse = 0;
    // Rasterisers are made when a size is first drawn, not on activation: an activation that
    // draws nothing (a row drawn by the pool) costs a file status check and a cache look-up.
    mutable QRawFont raw;  // the first size loaded; other sizes are clones that share the face
    mutable QHash<int, QRawFont> sizes;
    // Faces 2 onwards of a collection: named when the file is loaded (from their own naming
    // tables), opened through the face cache on first use, active while the file is.
    std::vector<std::shared_ptr<LoadedFontFile>> otherFaces;
    int faceIndex = 0;  // the face's index in its collection

    // Opens the face when it is first drawn (a collection's later faces are named, not opened,
    // when the file is loaded). False when it cannot be drawn.
    bool open() {
        if (!face) {
            face = FaceCache::shared().open(key, faceIndex);
        }
        return face != nullptr;
    }
    // The face's own family: its name 1, else what the outlines report.
    QString family() const { return face ? face->family() : names.family; }

    QRawFont atSize(int pixelSize) const {
        auto it = sizes.constFind(pixelSize);
        if (it != sizes.constEnd()) {
            return *it;
        }
        QRawFont sized;
        if (raw.isValid()) {
            sized = raw;
            sized.setPixelSize(pixelSize);
        } else {
            raw = face->rawFont(pixelSize);
            sized = raw;
        }
        sizes.insert(pixelSize, sized);
        return sized;
    }

    // Only the face's own family counts, not the typographic family it belongs to: a condensed
    // face grouped under "DejaVu Sans" must not stand in when "DejaVu Sans" is asked for.
    bool hasName(const QString& name) const {
        return family().compare(name, Qt::CaseInsensitive) == 0;
    }
    bool hasFullName(const QString& name) const {
        return names.fullName.compare(name, Qt::CaseInsensitive) == 0;
    }
};

struct DrawingFont::Data {
    FontSource source = FontSource::None;
    QString family;
    QString fullName;
    QString filePath;
    int pixelSize = 0;
    FontStyle style;
    // A file's face draws from its own outlines; `file` is set when the table's active file
    // draws (for font()). `face` is declared before `raw`, which reads the face's bytes.
    std::shared_ptr<LoadedFontFile> file;
    std::shared_ptr<const FontFace> face;
    QRawFont raw;
    bool emboldenStroke = false;
    bool slant = false;
    // Everything else draws with Qt's font matching.
    QString styleName;  // of an installed face found by its full name
    QFont qfont;
    qreal ascent = 0;
    qreal descent = 0;
};

DrawingFont::DrawingFont() = default;
DrawingFont::~DrawingFont() = default;
DrawingFont::DrawingFont(const DrawingFont&) = default;
DrawingFont& DrawingFont::operator=(const DrawingFont&) = default;
DrawingFont::DrawingFont(std::shared_ptr<const Data> data) : m_data(std::move(data)) {}

bool DrawingFont::isValid() const {
    return m_data && m_data->source != FontSource::None;
}
FontSource DrawingFont::source() const {
    return m_data ? m_data->source : FontSource::None;
}
QString DrawingFont::family() const {
    return m_data ? m_data->family : QString();
}
QString DrawingFont::fullName() const {
    return m_data ? m_data->fullName : QString();
}
QString DrawingFont::filePath() const {
    return m_data ? m_data->filePath : QString();
}
int DrawingFont::pixelSize() const {
    return m_data ? m_data->pixelSize : 0;
}
FontStyle DrawingFont::style() const {
    return m_data ? m_data->style : FontStyle{};
}
qreal DrawingFont::ascent() const {
    return m_data ? m_data->ascent : 0;
}
qreal DrawingFont::descent() const {
    return m_data ? m_data->descent : 0;
}
qreal DrawingFont::height() const {
    return ascent() + descent();
}

namespace {

constexpr qreal kSlant = 0.2;  // the shear of an oblique drawn for a file without an italic

QGlyphRun glyphRunFor(const QRawFont& raw, const QString& text, qreal* advance) {
    const QList<quint32> glyphs = raw.glyphIndexesForString(text);
    const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs, QRawFont::KernedAdvances);
    QList<QPointF> positions;
    positions.reserve(glyphs.size());
    QPointF pen;
    for (const QPointF& step : advances) {
        positions.append(pen);
        pen += step;
    }
    if (advance) {
        *advance = pen.x();
    }
    QGlyphRun run;
    run.setRawFont(raw);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    return run;
}

qreal emboldenOffset(int pixelSize) {
    return std::max<qreal>(1.0, pixelSize / 24.0);
}

}  // namespace

qreal DrawingFont::horizontalAdvance(const QString& text) const {
    if (!m_data || text.isEmpty()) {
        return 0;
    }
    if (m_data->face) {
        qreal advance = 0;
        glyphRunFor(m_data->raw, text, &advance);
        return advance + (m_data->emboldenStroke ? emboldenOffset(m_data->pixelSize) : 0);
    }
    return QFontMetricsF(m_data->qfont).horizontalAdvance(text);
}

void DrawingFont::drawText(QPainter& painter, const QPointF& baseline, const QString& text) const {
    if (!m_data || text.isEmpty()) {
        return;
    }
    if (!m_data->face) {
        painter.setFont(m_data->qfont);
        painter.drawText(baseline, text);
        return;
    }
    qreal advance = 0;
    const QGlyphRun run = glyphRunFor(m_data->raw, text, &advance);
    painter.save();
    painter.translate(baseline);
    if (m_data->slant) {
        painter.setTransform(QTransform().shear(-kSlant, 0), true);
    }
    painter.drawGlyphRun(QPointF(), run);
    if (m_data->emboldenStroke) {
        painter.drawGlyphRun(QPointF(emboldenOffset(m_data->pixelSize), 0), run);
    }
    if (m_data->style.underline || m_data->style.strikeOut) {
        const qreal thickness = std::max<qreal>(1.0, m_data->raw.lineThickness());
        const QColor colour = painter.pen().color();
        if (m_data->style.underline) {
            painter.fillRect(QRectF(0, m_data->raw.underlinePosition(), advance, thickness),
                             colour);
        }
        if (m_data->style.strikeOut) {
            const qreal middle = -m_data->raw.xHeight() / 2;
            painter.fillRect(QRectF(0, middle - thickness / 2, advance, thickness), colour);
        }
    }
    painter.restore();
}

void DrawingFont::drawTextAt(QPainter& painter, const QPointF& topLeft, const QString& text) const {
    drawText(painter, topLeft + QPointF(0, ascent()), text);
}

QRawFont DrawingFont::rawFont() const {
    if (!m_data) {
        return {};
    }
    return m_data->face ? m_data->raw : QRawFont::fromFont(m_data->qfont);
}

QFont DrawingFont::font() const {
    if (!m_data) {
        return QFont();
    }
    if (!m_data->file) {
        return m_data->qfont;
    }
    LoadedFontFile& file = *m_data->file;
    QFont result;
    result.setPixelSize(std::max(1, m_data->pixelSize));
    result.setBold(m_data->style.bold);
    result.setItalic(m_data->style.italic);
    result.setUnderline(m_data->style.underline);
    result.setStrikeOut(m_data->style.strikeOut);
    // Only an active file may be registered: the table unregisters it when it is deactivated.
    if (file.active && file.appFontId < 0) {
        const QByteArray bytes = file.face->bytes();
        file.appFontId =
            QFontDatabase::addApplicationFontFromData(QByteArray(bytes.constData(), bytes.size()));
    }
    const QStringList families = file.active && file.appFontId >= 0
                                     ? QFontDatabase::applicationFontFamilies(file.appFontId)
                                     : QStringList();
    result.setFamilies({families.isEmpty() ? m_data->family : families.first()});
    return result;
}

namespace {

QFont qfontFor(const QString& family, const QString& styleName, int pixelSize, FontStyle style) {
    QFont font;
    font.setFamilies({family});
    if (!styleName.isEmpty()) {
        font.setStyleName(styleName);
    }
    font.setPixelSize(pixelSize);
    if (style.bold) {
        font.setBold(true);
    }
    if (style.italic) {
        font.setItalic(true);
    }
    font.setUnderline(style.underline);
    font.setStrikeOut(style.strikeOut);
    return font;
}

// A face drawn from its file: the face's own style is used as it is; what the request adds is
// drawn on top.
void setFace(DrawingFont::Data& data, std::shared_ptr<const FontFace> face, QRawFont raw) {
    data.face = std::move(face);
    data.raw = std::move(raw);
    data.filePath = data.face->key().path;
    data.family = data.face->family();
    data.fullName = data.face->names().fullName;
    data.emboldenStroke = data.style.bold && !data.face->isBold();
    data.slant = data.style.italic && !data.face->isItalic();
    data.ascent = data.raw.ascent();
    data.descent = data.raw.descent();
}

}  // namespace

DrawingFont DrawingFont::fromFace(std::shared_ptr<const FontFace> face, FontStyle style,
                                  int pixelSize, QRawFont opened) {
    if (!face) {
        return {};
    }
    auto data = std::make_shared<Data>();
    data->source = FontSource::ActiveFile;
    data->pixelSize = std::max(1, pixelSize);
    data->style = style;
    QRawFont raw = std::move(opened);
    if (raw.isValid()) {
        if (raw.pixelSize() != data->pixelSize) {
            raw.setPixelSize(data->pixelSize);
        }
    } else {
        raw = face->rawFont(data->pixelSize);
    }
    if (!raw.isValid()) {
        return {};
    }
    setFace(*data, std::move(face), std::move(raw));
    return DrawingFont(std::move(data));
}

PortableFont DrawingFont::portable() const {
    PortableFont result;
    if (!m_data) {
        return result;
    }
    result.source = m_data->source;
    result.face = m_data->face;
    result.family = m_data->family;
    result.fullName = m_data->fullName;
    result.styleName = m_data->styleName;
    result.pixelSize = m_data->pixelSize;
    result.style = m_data->style;
    return result;
}

DrawingFont DrawingFont::fromPortable(const PortableFont& portable) {
    if (portable.source == FontSource::None) {
        return {};
    }
    if (portable.face) {
        return fromFace(portable.face, portable.style, portable.pixelSize);
    }
    auto data = std::make_shared<Data>();
    data->source = portable.source;
    data->family = portable.family;
    data->fullName = portable.fullName;
    data->styleName = portable.styleName;
    data->pixelSize = std::max(1, portable.pixelSize);
    data->style = portable.style;
    data->qfont = qfontFor(data->family, data->styleName, data->pixelSize, data->style);
    const QFontMetricsF metrics(data->qfont);
    data->ascent = metrics.ascent();
    data->descent = metrics.descent();
    return DrawingFont(std::move(data));
}

QString fontTableKey(const QString& path) {
    if (path.isEmpty()) {
        return {};
    }
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

namespace {

// What fontconfig says about a face name that no active file has.
struct InstalledMatch {
    FontSource source = FontSource::None;
    QString family;
    QString styleName;
    QString fullName;
};

QString patternString(FcPattern* pattern, const char* object, int index = 0) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, index, &value) == FcResultMatch && value) {
        return QString::fromUtf8(reinterpret_cast<const char*>(value));
    }
    return {};
}

// The family name among a face's (possibly localised) names that equals `name`, else its first.
QString matchingFamily(FcPattern* pattern, const QString& name) {
    QString first;
    for (int i = 0;; ++i) {
        const QString family = patternString(pattern, FC_FAMILY, i);
        if (family.isEmpty()) {
            break;
        }
        if (first.isEmpty()) {
            first = family;
        }
        if (family.compare(name, Qt::CaseInsensitive) == 0) {
            return family;
        }
    }
    return first;
}

InstalledMatch lookUpInstalled(const QString& name) {
    InstalledMatch match;
    const QByteArray utf8 = name.toUtf8();
    const auto* text = reinterpret_cast<const FcChar8*>(utf8.constData());
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_FULLNAME, nullptr);

    auto listBy = [&](const char* object) -> bool {
        FcPattern* pattern = FcPatternCreate();
        FcPatternAddString(pattern, object, text);
        FcFontSet* set = FcFontList(nullptr, pattern, objects);
        bool found = false;
        if (set) {
            // A family look-up compares names ignoring blanks; a face name must match as
            // written (apart from case), so check each face's names ourselves.
            for (int i = 0; i < set->nfont && !found; ++i) {
                FcPattern* face = set->fonts[i];
                for (int k = 0;; ++k) {
                    const QString value = patternString(face, object, k);
                    if (value.isEmpty()) {
                        break;
                    }
                    if (value.compare(name, Qt::CaseInsensitive) == 0) {
                        match.family = matchingFamily(face, name);
                        match.styleName = patternString(face, FC_STYLE);
                        match.fullName = patternString(face, FC_FULLNAME);
                        found = true;
                        break;
                    }
                }
            }
            FcFontSetDestroy(set);
        }
        FcPatternDestroy(pattern);
        return found;
    };

    if (!name.isEmpty() && listBy(FC_FAMILY)) {
        match.source = FontSource::InstalledFamily;
    } else if (!name.isEmpty() && listBy(FC_FULLNAME)) {
        match.source = FontSource::InstalledFullName;
    } else {
        FcPattern* pattern = FcPatternCreate();
        if (!name.isEmpty()) {
            FcPatternAddString(pattern, FC_FAMILY, text);
        }
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* best = FcFontMatch(nullptr, pattern, &result);
        if (best) {
            match.family = patternString(best, FC_FAMILY);
            match.fullName = patternString(best, FC_FULLNAME);
            match.source = match.family.isEmpty() ? FontSource::None : FontSource::Substitute;
            FcPatternDestroy(best);
        }
        FcPatternDestroy(pattern);
    }
    FcObjectSetDestroy(objects);
    return match;
}

// The contents of the font fontconfig picks when nothing in particular is asked for.
QByteArray anyInstalledFontData() {
    FcPattern* pattern = FcPatternCreate();
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* best = FcFontMatch(nullptr, pattern, &result);
    QByteArray data;
    if (best) {
        QFile file(patternString(best, FC_FILE));
        if (file.open(QIODevice::ReadOnly)) {
            data = file.readAll();
        }
        FcPatternDestroy(best);
    }
    FcPatternDestroy(pattern);
    return data;
}

// Inactive files kept loaded so the next activation of the same file is cheap. 32 MB holds
// well over a screen of typical fonts (a few hundred kilobytes each), so scrolling back stays
// cheap, while a long export that touches every font keeps its memory bounded.
constexpr int kCachedFiles = 256;
constexpr qint64 kCachedBytes = 32 * 1024 * 1024;

}  // namespace

// The bytes a file's faces hold: its first face and the later faces of a collection that were
// opened.
qint64 loadedBytes(const LoadedFontFile& file) {
    qint64 bytes = file.face ? file.face->byteSize() : 0;
    for (const auto& face : file.otherFaces) {
        bytes += face->face ? face->face->byteSize() : 0;
    }
    return bytes;
}

// Faces 2 onwards of a collection, each named from its own naming table and styled by its
// subfamily's words; a face whose directory or naming table cannot be found is left out.
std::vector<std::shared_ptr<LoadedFontFile>> laterFaces(const LoadedFontFile& file) {
    std::vector<std::shared_ptr<LoadedFontFile>> faces;
    const QByteArray bytes = file.face->bytes();
    const sfnt::FaceList list = sfnt::readFaceList(bytes);
    if (!list.collection) {
        return faces;
    }
    const sfnt::ByteReader read = sfnt::memoryReader(bytes);
    const auto size = static_cast<std::uint64_t>(bytes.size());
    for (int k = 1; k < list.count(); ++k) {
        const auto tables = sfnt::readTableDirectory(read, size, list.offsets[std::size_t(k)]);
        if (!tables) {
            continue;
        }
        for (const sfnt::TableRecord& table : *tables) {
            if (table.tag != sfnt::tagOf("name") || !sfnt::tableInFile(table, size)) {
                continue;
            }
            auto face = std::make_shared<LoadedFontFile>();
            face->key = file.key;
            face->stamp = file.stamp;
            face->faceIndex = k;
            face->names = readFaceNames(read(table.offset, table.length));
            const QString subfamily = face->names.subfamily.toLower();
            face->bold = subfamily.contains(u"bold");
            face->italic = subfamily.contains(u"italic") || subfamily.contains(u"oblique");
            faces.push_back(std::move(face));
            break;
        }
    }
    return faces;
}

struct QtFontTable::State {
    QHash<QString, std::shared_ptr<LoadedFontFile>> cache;
    QHash<QString, int> counts;
    std::list<std::shared_ptr<LoadedFontFile>> active;  // most recently activated first
    QHash<QString, InstalledMatch> installed;           // by lower-cased face name
    quint64 clock = 0;

    std::shared_ptr<LoadedFontFile> load(const QString& key) {
        const std::optional<FileStamp> stamp = stampOf(key);
        if (!stamp) {
            cache.remove(key);
            return nullptr;
        }
        auto it = cache.find(key);
        if (it != cache.end() && (*it)->stamp == *stamp) {
            (*it)->lastUse = ++clock;
            return *it;
        }
        std::shared_ptr<const FontFace> face = FaceCache::shared().open(key);
        if (!face) {
            cache.remove(key);
            return nullptr;
        }
        auto file = std::make_shared<LoadedFontFile>();
        file->key = key;
        file->stamp = *stamp;
        file->face = face;
        file->names = face->names();
        file->bold = face->isBold();
        file->italic = face->isItalic();
        file->otherFaces = laterFaces(*file);
        file->lastUse = ++clock;
        cache.insert(key, file);
        trim();
        return file;
    }

    // Drops the least recently used inactive files beyond the cache's limits.
    void trim() {
        qint64 bytes = 0;
        for (const auto& file : std::as_const(cache)) {
            bytes += loadedBytes(*file);
        }
        while (cache.size() > kCachedFiles || bytes > kCachedBytes) {
            std::shared_ptr<LoadedFontFile> oldest;
            for (const auto& file : std::as_const(cache)) {
                if (!file->active && (!oldest || file->lastUse < oldest->lastUse)) {
                    oldest = file;
                }
            }
            if (!oldest) {
                return;
            }
            bytes -= loadedBytes(*oldest);
            cache.remove(oldest->key);
        }
    }

    // Every face of the active files, most recently activated file first, each file's first
    // face before its later ones.
    std::vector<std::shared_ptr<LoadedFontFile>> activeFaces() const {
        std::vector<std::shared_ptr<LoadedFontFile>> faces;
        for (const auto& file : active) {
            faces.push_back(file);
            faces.insert(faces.end(), file->otherFaces.begin(), file->otherFaces.end());
        }
        return faces;
    }

    std::shared_ptr<LoadedFontFile> activeFor(const QString& name, FontStyle style) const {
        std::shared_ptr<LoadedFontFile> best;
        int bestScore = -1;
        const auto faces = activeFaces();
        for (const auto& file : faces) {
            if (!file->hasName(name)) {
                continue;
            }
            const int score = (file->bold == style.bold ? 2 : 0) + (file->italic == style.italic);
            if (score > bestScore) {
                best = file;
                bestScore = score;
            }
        }
        if (best) {
            return best;
        }
        for (const auto& file : faces) {
            if (file->hasFullName(name)) {
                return file;
            }
        }
        return nullptr;
    }
};

namespace {

// Marks every face of a file active or inactive; an inactive face gives back its Qt
// application font.
void setActive(LoadedFontFile& file, bool on) {
    auto one = [on](LoadedFontFile& face) {
        face.active = on;
        if (!on && face.appFontId >= 0) {
            QFontDatabase::removeApplicationFont(face.appFontId);
            face.appFontId = -1;
        }
    };
    one(file);
    for (const auto& face : file.otherFaces) {
        one(*face);
    }
}

}  // namespace

QtFontTable::QtFontTable(QObject* parent) : FontTable(parent), m_state(std::make_unique<State>()) {}

QtFontTable::~QtFontTable() {
    for (const auto& file : m_state->active) {
        setActive(*file, false);
    }
}

void QtFontTable::activate(const QString& path) {
    const QString key = fontTableKey(path);
    if (key.isEmpty()) {
        return;
    }
    auto counted = m_state->counts.find(key);
    if (counted != m_state->counts.end()) {
        ++*counted;
        auto& list = m_state->active;
        auto it = std::find_if(list.begin(), list.end(),
                               [&](const auto& file) { return file->key == key; });
        if (it != list.end()) {
            list.splice(list.begin(), list, it);
        }
        return;
    }
    std::shared_ptr<LoadedFontFile> file = m_state->load(key);
    if (!file) {
        return;
    }
    setActive(*file, true);
    m_state->counts.insert(key, 1);
    m_state->active.push_front(file);
    emit changed();
}

void QtFontTable::deactivate(const QString& path) {
    const QString key = fontTableKey(path);
    auto counted = m_state->counts.find(key);
    if (key.isEmpty() || counted == m_state->counts.end()) {
        return;
    }
    if (--*counted > 0) {
        return;
    }
    m_state->counts.erase(counted);
    auto& list = m_state->active;
    auto it =
        std::find_if(list.begin(), list.end(), [&](const auto& file) { return file->key == key; });
    if (it != list.end()) {
        setActive(**it, false);
        list.erase(it);
    }
    m_state->trim();
    emit changed();
}

int QtFontTable::count(const QString& path) const {
    return m_state->counts.value(fontTableKey(path), 0);
}

QStringList QtFontTable::activePaths() const {
    QStringList paths;
    for (const auto& file : m_state->active) {
        paths << file->key;
    }
    return paths;
}

DrawingFont QtFontTable::resolve(const QString& faceName, FontStyle style, int pixelSize) {
    const QString name = faceName.trimmed();
    auto data = std::make_shared<DrawingFont::Data>();
    data->pixelSize = std::max(1, pixelSize);
    data->style = style;

    std::shared_ptr<LoadedFontFile> file = m_state->activeFor(name, style);
    if (file && file->open()) {
        data->source = FontSource::ActiveFile;
        data->file = file;
        setFace(*data, file->face, file->atSize(data->pixelSize));
        data->family = file->face->family();
        return DrawingFont(std::move(data));
    }

    const QString lookUp = name.toLower();
    auto known = m_state->installed.constFind(lookUp);
    if (known == m_state->installed.constEnd()) {
        known = m_state->installed.insert(lookUp, lookUpInstalled(name));
    }
    const InstalledMatch& match = *known;
    data->source = match.source;
    data->family = match.family.isEmpty() ? name : match.family;
    data->fullName = match.fullName;
    data->styleName = match.source == FontSource::InstalledFullName ? match.styleName : QString();
    const QFont font = qfontFor(data->family, data->styleName, data->pixelSize, style);
    data->qfont = font;
    const QFontMetricsF metrics(font);
    data->ascent = metrics.ascent();
    data->descent = metrics.descent();
    return DrawingFont(std::move(data));
}

void QtFontTable::installedFontsChanged() {
    m_state->installed.clear();
    // Qt reads fontconfig's list of fonts once and again only after its application fonts
    // change; registering and removing one makes widgets know what was installed or removed.
    QByteArray data;
    for (const auto& file : std::as_const(m_state->cache)) {
        data = QByteArray(file->face->bytes().constData(), file->face->byteSize());
        break;
    }
    if (data.isEmpty()) {
        data = anyInstalledFontData();
    }
    const int id = QFontDatabase::addApplicationFontFromData(data);
    if (id >= 0) {
        QFontDatabase::removeApplicationFont(id);
    }
}

}  // namespace td
