#include "platform/fontskey.h"

#include <fontconfig/fontconfig.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>
#include <optional>

#include "platform/configfolder.h"
#include "platform/error.h"
#include "platform/fonttable.h"
#include "platform/registry.h"
#include "platform/savefile.h"

namespace td {

namespace {

// A file as the kernel knows it, so that a link and its target count as the same file.
struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    friend bool operator==(const FileId&, const FileId&) = default;
};

size_t qHash(const FileId& id, size_t seed = 0) {
    return ::qHash(quint64(id.device), seed) ^ ::qHash(quint64(id.inode), seed);
}

std::optional<FileId> fileId(const QString& path) {
    struct stat info {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return std::nullopt;
    }
    return FileId{info.st_dev, info.st_ino};
}

QString fcString(FcPattern* pattern, const char* object, int index = 0) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, index, &value) == FcResultMatch && value) {
        return QString::fromUtf8(reinterpret_cast<const char*>(value));
    }
    return {};
}

// The English full name when the face has one, else its first, else family and style.
QString fullNameOf(FcPattern* face) {
    QString first;
    for (int i = 0;; ++i) {
        const QString name = fcString(face, FC_FULLNAME, i);
        if (name.isEmpty()) {
            break;
        }
        if (first.isEmpty()) {
            first = name;
        }
        if (fcString(face, FC_FULLNAMELANG, i).startsWith(u"en")) {
            return name;
        }
    }
    if (!first.isEmpty()) {
        return first;
    }
    const QString style = fcString(face, FC_STYLE);
    return (fcString(face, FC_FAMILY) + u' ' + style).trimmed();
}

// Every file path fontconfig offers now (scalable or not), each once.
QStringList offeredFiles() {
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, objects);
    QStringList files;
    if (set) {
        QSet<QString> seen;
        for (int i = 0; i < set->nfont; ++i) {
            const QString file = fcString(set->fonts[i], FC_FILE);
            if (!file.isEmpty() && !seen.contains(file)) {
                seen.insert(file);
                files << file;
            }
        }
        FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return files;
}

// The paths under which fontconfig offers the file `id` now.
QStringList offeredPathsOf(const std::optional<FileId>& id, const QString& path) {
    QStringList paths;
    for (const QString& file : offeredFiles()) {
        if (file == path || (id && fileId(file) == id)) {
            paths << file;
        }
    }
    return paths;
}

// The symbolic links directly in the user fonts folder that lead to the file.
QStringList linksTo(const std::optional<FileId>& id, const QString& path) {
    QStringList links;
    const QDir folder(userFontsFolder());
    for (const QFileInfo& entry : folder.entryInfoList(QDir::Files | QDir::System | QDir::Hidden)) {
        if (!entry.isSymLink()) {
            continue;
        }
        if (entry.symLinkTarget() == path || (id && fileId(entry.absoluteFilePath()) == id)) {
            links << entry.absoluteFilePath();
        }
    }
    return links;
}

// A name in the user fonts folder for a link to `path`: its own name, else the first free
// "stem-N.ext"; an existing file is never replaced.
QString freeLinkName(const QString& path) {
    const QFileInfo source(path);
    const QString folder = userFontsFolder() + u'/';
    QString candidate = folder + source.fileName();
    const QString stem = source.completeBaseName();
    const QString suffix = source.suffix().isEmpty() ? QString() : u'.' + source.suffix();
    for (int n = 2; QFileInfo(candidate).exists() || QFileInfo(candidate).isSymLink(); ++n) {
        candidate = folder + stem + u'-' + QString::number(n) + suffix;
    }
    return candidate;
}

// Paths fontconfig would match too broadly as a glob are written as an exact file pattern.
bool needsPattern(const QString& path) {
    return path.contains(u'*') || path.contains(u'?');
}

// XML 1.0 cannot carry most control characters, so such a path cannot be rejected by a rule.
bool writableInXml(const QString& path) {
    return std::none_of(path.begin(), path.end(), [](QChar c) {
        return c.unicode() < 0x20 || c.unicode() == 0xfffe || c.unicode() == 0xffff;
    });
}

void writeRejectFile(const QStringList& paths) {
    const QString file = fontRejectFile();
    if (paths.isEmpty()) {
        if (QFileInfo::exists(file) && !QFile::remove(file)) {
            throw Error(QStringLiteral("Cannot remove %1").arg(file));
        }
        return;
    }
    if (!ensureFolder(QFileInfo(file).absolutePath())) {
        throw Error(QStringLiteral("Cannot create %1").arg(QFileInfo(file).absolutePath()));
    }
    saveFileContents(file, rejectFileContents(paths));
}

// Holds the lock on the reject file's folder for one whole change of the desktop's fonts, so that
// two running copies never write rules over each other's (nor undo with a stale list). Without
// the folder there is no reject file for another copy to change meanwhile, and a write there
// fails anyway; a folder that exists but cannot be locked fails the change.
class RejectFileLock {
  public:
    RejectFileLock() {
        const QString folder = QFileInfo(fontRejectFile()).absolutePath();
        if (!ensureFolder(folder)) {
            return;
        }
        m_lock.emplace(folder);
        if (!m_lock->held()) {
            throw Error(QStringLiteral("Cannot lock %1").arg(folder));
        }
    }

  private:
    std::optional<FolderLock> m_lock;
};

// Brings fontconfig in this process up to date with the files and configuration on disk.
void rebuildFontconfig(FontTable* fonts) {
    FcInitReinitialize();
    if (fonts) {
        fonts->installedFontsChanged();
    }
}

QString invalidType(const QString& name) {
    return QStringLiteral("Invalid data type for '%1'").arg(name);
}

QString failedToSet(const QString& name) {
    return QStringLiteral("Failed to set data for '%1'").arg(name);
}

// The file a value's data names: a full path as it is, a bare name in the user fonts folder.
QString valueFile(const QString& data) {
    if (data.isEmpty() || data.startsWith(u'/')) {
        return data;
    }
    return userFontsFolder() + u'/' + data;
}

// The Fonts key: stored values first, then the offered faces no stored value names.
class FontsKey final : public RegistryKey {
  public:
    FontsKey(Registry& registry, SystemFonts& fonts) : m_registry(registry), m_fonts(fonts) {}

    RootKey root() const override { return RootKey::LocalMachine; }
    QString path() const override { return QString::fromUtf16(kFontsKeyPath); }

    bool valueExists(const QString& name) const override {
        return valueType(name) != ValueType::None;
    }
    // The offered faces leave out every stored name, so a name found among them needs no look
    // into the stored file (which a listing of thousands of faces would otherwise pay for).
    ValueType valueType(const QString& name) const override {
        if (offered(name)) {
            return ValueType::String;
        }
        RegistryKey* key = stored();
        return key ? key->valueType(name) : ValueType::None;
    }
    QString readString(const QString& name) const override {
        if (const OfferedFace* face = offered(name)) {
            return face->path;
        }
        RegistryKey* key = stored();
        return key ? key->readString(name) : QString();
    }
    std::int32_t readInteger(const QString& name) const override {
        if (RegistryKey* key = stored(); key && key->valueExists(name)) {
            return key->readInteger(name);
        }
        throw Error(invalidType(name));
    }
    bool readBool(const QString& name) const override { return readInteger(name) != 0; }

    void writeString(const QString& name, const QString& value) override {
        RegistryKey& key = storedForWriting(name);
        const Previous before = remember(key, name);
        key.writeString(name, value);
        forget();
        if (value.isEmpty()) {
            return;
        }
        try {
            m_fonts.show(valueFile(value));
        } catch (const Error&) {
            restore(key, name, before);
            throw Error(failedToSet(name));
        }
    }
    void writeInteger(const QString& name, std::int32_t value) override {
        storedForWriting(name).writeInteger(name, value);
        forget();
    }
    void writeBool(const QString& name, bool value) override { writeInteger(name, value ? 1 : 0); }

    bool deleteValue(const QString& name) override {
        if (RegistryKey* key = stored(); key && key->valueExists(name)) {
            if (!key->isWritable()) {
                return false;
            }
            const Previous before = remember(*key, name);
            const QString file =
                before.type == ValueType::String ? valueFile(before.text) : QString();
            if (!key->deleteValue(name)) {
                return false;
            }
            forget();
            // Another value may still name the same file; it stays offered then.
            if (file.isEmpty() || storedFiles().contains(file)) {
                return true;
            }
            try {
                m_fonts.hide(file);
            } catch (const Error&) {
                restore(*key, name, before);
                return false;
            }
            return true;
        }
        const OfferedFace* face = offered(name);
        if (!face || !m_registry.openStoredKey(RootKey::LocalMachine, path(), true)) {
            return false;
        }
        const QString file = face->path;
        try {
            m_fonts.hide(file);
        } catch (const Error&) {
            return false;
        }
        forget();
        return true;
    }

    QStringList valueNames() const override {
        QStringList names;
        if (RegistryKey* key = stored()) {
            names = key->valueNames();
        }
        for (const OfferedFace& face : offeredList()) {
            names << face.name;
        }
        return names;
    }
    QStringList keyNames() const override {
        RegistryKey* key = stored();
        return key ? key->keyNames() : QStringList();
    }
    bool createKey(const QString& subkey) override {
        auto key = m_registry.openStoredKey(RootKey::LocalMachine, path(), true);
        return key && key->createKey(subkey);
    }
    bool deleteKey(const QString& subkey) override {
        RegistryKey* key = stored();
        return key && key->deleteKey(subkey);
    }
    bool isWritable() const override {
        return m_registry.openStoredKey(RootKey::LocalMachine, path(), true) != nullptr;
    }

  private:
    struct Previous {
        ValueType type = ValueType::None;
        QString text;
        std::int32_t number = 0;
    };

    RegistryKey* stored() const {
        if (!m_stored) {
            m_stored = m_registry.openStoredKey(RootKey::LocalMachine, path(), false);
        }
        return m_stored.get();
    }

    // The stored key, made when missing; throws as a failed write when it cannot be written.
    RegistryKey& storedForWriting(const QString& name) {
        auto key = m_registry.openStoredKey(RootKey::LocalMachine, path(), true);
        if (!key) {
            throw Error(failedToSet(name));
        }
        m_stored = std::move(key);
        return *m_stored;
    }

    static Previous remember(RegistryKey& key, const QString& name) {
        Previous before;
        before.type = key.valueType(name);
        if (before.type == ValueType::String) {
            before.text = key.readString(name);
        } else if (before.type == ValueType::DWord) {
            before.number = key.readInteger(name);
        }
        return before;
    }

    void restore(RegistryKey& key, const QString& name, const Previous& before) {
        try {
            if (before.type == ValueType::None) {
                key.deleteValue(name);
            } else if (before.type == ValueType::String) {
                key.writeString(name, before.text);
            } else if (before.type == ValueType::DWord) {
                key.writeInteger(name, before.number);
            }
        } catch (const Error&) {
            // The store just took a write; if it refuses this one, there is nothing more to do.
        }
        forget();
    }

    void forget() {
        m_offered.reset();
        m_byName.clear();
    }

    // The files the stored string values name.
    QStringList storedFiles() const {
        QStringList files;
        if (RegistryKey* key = stored()) {
            for (const QString& name : key->valueNames()) {
                if (key->valueType(name) == ValueType::String) {
                    files << valueFile(key->readString(name));
                }
            }
        }
        return files;
    }

    const QList<OfferedFace>& offeredList() const {
        if (m_offered) {
            return *m_offered;
        }
        QSet<QString> names;
        QSet<QString> files;
        QSet<FileId> ids;
        if (RegistryKey* key = stored()) {
            for (const QString& name : key->valueNames()) {
                names.insert(name.toLower());
            }
        }
        for (const QString& file : storedFiles()) {
            files.insert(file);
            if (const auto id = fileId(file)) {
                ids.insert(*id);
            }
        }
        QHash<QString, bool> namedByValue;  // per offered file, whether a stored value names it
        m_offered.emplace();
        for (const OfferedFace& face : m_fonts.offeredFaces()) {
            const QString lower = face.name.toLower();
            if (names.contains(lower)) {
                continue;
            }
            auto known = namedByValue.constFind(face.path);
            if (known == namedByValue.constEnd()) {
                const auto id = ids.isEmpty() ? std::nullopt : fileId(face.path);
                known = namedByValue.insert(face.path,
                                            files.contains(face.path) || (id && ids.contains(*id)));
            }
            if (*known) {
                continue;
            }
            names.insert(lower);
            m_byName.insert(lower, m_offered->size());
            m_offered->append(face);
        }
        return *m_offered;
    }

    const OfferedFace* offered(const QString& name) const {
        const QList<OfferedFace>& list = offeredList();
        const auto it = m_byName.constFind(name.toLower());
        return it == m_byName.constEnd() ? nullptr : &list.at(*it);
    }

    Registry& m_registry;
    SystemFonts& m_fonts;
    mutable std::unique_ptr<RegistryKey> m_stored;
    mutable std::optional<QList<OfferedFace>> m_offered;
    mutable QHash<QString, qsizetype> m_byName;
};

}  // namespace

QString userFontsFolder() {
    return dataHome() + QStringLiteral("/fonts");
}

QString fontRejectFile() {
    return configHome() + QStringLiteral("/fontconfig/conf.d/77-kestro-typedeck.conf");
}

QStringList readRejectedPaths(const QString& file, bool* valid) {
    QStringList paths;
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly)) {
        if (valid) {
            *valid = !input.exists();
        }
        return paths;
    }
    QXmlStreamReader xml(&input);
    bool inReject = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"rejectfont") {
            inReject = true;
        } else if (xml.isEndElement() && xml.name() == u"rejectfont") {
            inReject = false;
        } else if (inReject && xml.isStartElement() &&
                   (xml.name() == u"glob" || xml.name() == u"string")) {
            const QString text = xml.readElementText();
            if (!xml.hasError() && !text.isEmpty() && !paths.contains(text)) {
                paths << text;
            }
        }
    }
    if (valid) {
        *valid = !xml.hasError();
    }
    return paths;
}

QByteArray rejectFileContents(const QStringList& paths) {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeDTD(QStringLiteral("<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">"));
    xml.writeStartElement(QStringLiteral("fontconfig"));
    xml.writeComment(QStringLiteral(
        " Fonts removed for this user by Kestro TypeDeck. The program rewrites this file. "));
    xml.writeStartElement(QStringLiteral("selectfont"));
    xml.writeStartElement(QStringLiteral("rejectfont"));
    for (const QString& path : paths) {
        if (needsPattern(path)) {
            xml.writeStartElement(QStringLiteral("pattern"));
            xml.writeStartElement(QStringLiteral("patelt"));
            xml.writeAttribute(QStringLiteral("name"), QStringLiteral("file"));
            xml.writeTextElement(QStringLiteral("string"), path);
            xml.writeEndElement();
            xml.writeEndElement();
        } else {
            xml.writeTextElement(QStringLiteral("glob"), path);
        }
    }
    xml.writeEndDocument();
    return bytes;
}

// ---- FontconfigSystemFonts

QList<OfferedFace> FontconfigSystemFonts::offeredFaces() {
    FcConfig* before = FcConfigGetCurrent();
    FcInitBringUptoDate();
    if (FcConfigGetCurrent() != before && m_fonts) {
        m_fonts->installedFontsChanged();
    }
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcObjectSet* objects =
        FcObjectSetBuild(FC_FILE, FC_INDEX, FC_FULLNAME, FC_FULLNAMELANG, FC_FAMILY, FC_STYLE,
                         FC_FONTFORMAT, FC_VARIABLE, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, objects);
    struct Entry {
        OfferedFace face;
        int index;
    };
    std::vector<Entry> entries;
    if (set) {
        entries.reserve(size_t(set->nfont));
        for (int i = 0; i < set->nfont; ++i) {
            FcPattern* face = set->fonts[i];
            FcBool variable = FcFalse;
            // A variable font is offered by its named instances; the font itself is no face.
            if (FcPatternGetBool(face, FC_VARIABLE, 0, &variable) == FcResultMatch && variable) {
                continue;
            }
            const QString format = fcString(face, FC_FONTFORMAT);
            QString kind;
            if (format == u"TrueType") {
                kind = QStringLiteral(" (TrueType)");
            } else if (format == u"CFF") {
                kind = QStringLiteral(" (OpenType)");
            } else {
                continue;
            }
            const QString name = fullNameOf(face);
            const QString file = fcString(face, FC_FILE);
            if (name.isEmpty() || file.isEmpty()) {
                continue;
            }
            int index = 0;
            FcPatternGetInteger(face, FC_INDEX, 0, &index);
            entries.push_back({{name + kind, file}, index});
        }
        FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        const int byPath = QString::compare(a.face.path, b.face.path);
        return byPath != 0 ? byPath < 0 : a.index < b.index;
    });
    QList<OfferedFace> faces;
    faces.reserve(qsizetype(entries.size()));
    for (Entry& entry : entries) {
        faces.append(std::move(entry.face));
    }
    return faces;
}

void FontconfigSystemFonts::show(const QString& path) {
    const RejectFileLock lock;
    const std::optional<FileId> id = fileId(path);
    const QStringList rules = readRejectedPaths(fontRejectFile());
    QStringList kept;
    for (const QString& rule : rules) {
        if (rule != path && !(id && fileId(rule) == id)) {
            kept << rule;
        }
    }
    if (kept != rules) {
        writeRejectFile(kept);
    }
    // The file may have just been copied into a folder fontconfig searches.
    rebuildFontconfig(m_fonts);
    if (!id || !offeredPathsOf(id, path).isEmpty()) {
        return;
    }
    const QString link = freeLinkName(path);
    if (!ensureFolder(userFontsFolder()) || !QFile::link(path, link)) {
        if (kept != rules) {
            writeRejectFile(rules);
            rebuildFontconfig(m_fonts);
        }
        throw Error(QStringLiteral("Cannot link %1 into %2").arg(path, userFontsFolder()));
    }
    rebuildFontconfig(m_fonts);
    // Not a font fontconfig reads (or a fonts folder it does not search): the link is no use.
    if (offeredPathsOf(id, path).isEmpty()) {
        QFile::remove(link);
    }
}

void FontconfigSystemFonts::hide(const QString& path) {
    const RejectFileLock lock;
    FcInitBringUptoDate();
    const std::optional<FileId> id = fileId(path);
    const QStringList links = linksTo(id, path);
    QStringList reject;
    for (const QString& offered : offeredPathsOf(id, path)) {
        if (!links.contains(offered)) {
            reject << offered;
        }
    }
    const QStringList rules = readRejectedPaths(fontRejectFile());
    QStringList updated = rules;
    for (const QString& offered : reject) {
        if (!writableInXml(offered)) {
            throw Error(QStringLiteral("Cannot hide %1").arg(offered));
        }
        if (!updated.contains(offered)) {
            updated << offered;
        }
    }
    if (updated != rules) {
        writeRejectFile(updated);
    }
    QStringList removed;
    bool failed = false;
    for (const QString& link : links) {
        const QString target = QFile::symLinkTarget(link);
        if (!QFile::remove(link)) {
            failed = true;
            break;
        }
        removed << target << link;
    }
    rebuildFontconfig(m_fonts);
    if (!failed && (!id || offeredPathsOf(id, path).isEmpty())) {
        return;
    }
    // Undo: the rules as they were and the links back in place.
    for (qsizetype i = 0; i + 1 < removed.size(); i += 2) {
        QFile::link(removed.at(i), removed.at(i + 1));
    }
    if (updated != rules) {
        writeRejectFile(rules);
    }
    rebuildFontconfig(m_fonts);
    throw Error(QStringLiteral("Cannot hide %1").arg(path));
}

void FontconfigSystemFonts::refresh() {
    rebuildFontconfig(m_fonts);
}

// ---- FakeSystemFonts

QList<OfferedFace> FakeSystemFonts::offeredFaces() {
    QList<OfferedFace> offered;
    for (const OfferedFace& face : faces) {
        if (!hidden.contains(face.path)) {
            offered << face;
        }
    }
    return offered;
}

void FakeSystemFonts::show(const QString& path) {
    if (failChanges) {
        throw Error(QStringLiteral("Cannot show %1").arg(path));
    }
    hidden.removeAll(path);
    shown << path;
}

void FakeSystemFonts::hide(const QString& path) {
    if (failChanges) {
        throw Error(QStringLiteral("Cannot hide %1").arg(path));
    }
    if (!hidden.contains(path)) {
        hidden << path;
    }
}

void installFontsKey(Registry& registry, SystemFonts& fonts) {
    registry.setKeyProvider(
        RootKey::LocalMachine, QString::fromUtf16(kFontsKeyPath),
        [&registry, &fonts] { return std::make_unique<FontsKey>(registry, fonts); });
}

}  // namespace td
