#include "platform/profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>
#include <functional>
#include <optional>
#include <vector>

#include "platform/configfolder.h"

namespace td {

namespace {

bool sameName(const QString& a, const QString& b) {
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

bool hasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

// One profile file as lines, so a write changes only its own line and keeps the rest.
class IniDocument {
  public:
    explicit IniDocument(const QString& text) {
        QStringList lines = text.split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.last().isEmpty()) {
            lines.removeLast();
        }
        for (QString& line : lines) {
            if (line.endsWith(QLatin1Char('\r'))) {
                line.chop(1);
            }
            m_lines << line;
        }
    }

    QString text() const {
        QString out;
        for (const QString& line : m_lines) {
            out += line + QLatin1Char('\n');
        }
        return out;
    }

    static bool isSection(const QString& line) {
        return line.trimmed().startsWith(QLatin1Char('['));
    }

    static QString sectionName(const QString& line) {
        QString name = line.trimmed().mid(1);
        const qsizetype close = name.indexOf(QLatin1Char(']'));
        return (close >= 0 ? name.left(close) : name).trimmed();
    }

    // Key lines have an '=' and are neither comments nor sections.
    static bool keyOf(const QString& line, QString& key) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')) || isSection(line)) {
            return false;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0) {
            return false;
        }
        key = line.left(equals).trimmed();
        return !key.isEmpty();
    }

    static QString valueOf(const QString& line) {
        QString value = line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
        if (value.size() >= 2 &&
            (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
            value.back() == value.front()) {
            value = value.mid(1, value.size() - 2);
        }
        return value;
    }

    // Line index of the section header, or -1.
    qsizetype findSection(const QString& section) const {
        for (qsizetype i = 0; i < m_lines.size(); ++i) {
            if (isSection(m_lines[i]) && sameName(sectionName(m_lines[i]), section)) {
                return i;
            }
        }
        return -1;
    }

    // One past the section's last line.
    qsizetype sectionEnd(qsizetype header) const {
        qsizetype i = header + 1;
        while (i < m_lines.size() && !isSection(m_lines[i])) {
            ++i;
        }
        return i;
    }

    qsizetype findKey(const QString& section, const QString& key) const {
        const qsizetype header = findSection(section);
        if (header < 0) {
            return -1;
        }
        const qsizetype end = sectionEnd(header);
        QString name;
        for (qsizetype i = header + 1; i < end; ++i) {
            if (keyOf(m_lines[i], name) && sameName(name, key)) {
                return i;
            }
        }
        return -1;
    }

    std::optional<QString> read(const QString& section, const QString& key) const {
        const qsizetype line = findKey(section, key);
        if (line < 0) {
            return std::nullopt;
        }
        return valueOf(m_lines[line]);
    }

    void write(const QString& section, const QString& key, const QString& value) {
        const qsizetype existing = findKey(section, key);
        if (existing >= 0) {
            QString stored;
            keyOf(m_lines[existing], stored);
            m_lines[existing] = stored + QLatin1Char('=') + value;
            return;
        }
        qsizetype header = findSection(section);
        if (header < 0) {
            m_lines << QLatin1Char('[') + section + QLatin1Char(']');
            m_lines << key + QLatin1Char('=') + value;
            return;
        }
        // After the section's last non-blank line, so blank lines between sections stay.
        qsizetype at = sectionEnd(header);
        while (at > header + 1 && m_lines[at - 1].trimmed().isEmpty()) {
            --at;
        }
        m_lines.insert(at, key + QLatin1Char('=') + value);
    }

    bool removeKey(const QString& section, const QString& key) {
        const qsizetype line = findKey(section, key);
        if (line < 0) {
            return false;
        }
        m_lines.removeAt(line);
        return true;
    }

    bool removeSection(const QString& section) {
        const qsizetype header = findSection(section);
        if (header < 0) {
            return false;
        }
        m_lines.remove(header, sectionEnd(header) - header);
        return true;
    }

    QStringList sections() const {
        QStringList names;
        for (const QString& line : m_lines) {
            if (isSection(line)) {
                names << sectionName(line);
            }
        }
        return names;
    }

    QStringList keys(const QString& section) const {
        QStringList names;
        const qsizetype header = findSection(section);
        if (header < 0) {
            return names;
        }
        const qsizetype end = sectionEnd(header);
        QString name;
        for (qsizetype i = header + 1; i < end; ++i) {
            if (keyOf(m_lines[i], name)) {
                names << name;
            }
        }
        return names;
    }

  private:
    QStringList m_lines;
};

std::optional<int> parseInteger(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

bool acceptable(const QString& section, const QString& key, const QString& value) {
    return !section.trimmed().isEmpty() && !key.trimmed().isEmpty() && !hasLineBreak(section) &&
           !hasLineBreak(key) && !hasLineBreak(value) && !section.contains(QLatin1Char(']')) &&
           !key.contains(QLatin1Char('=')) && !key.trimmed().startsWith(QLatin1Char('[')) &&
           !key.trimmed().startsWith(QLatin1Char(';'));
}

// Profile text is UTF-8; a file written by an older tool in a single-byte code page reads
// as Latin-1 rather than failing.
QString decode(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    return decoder.hasError() ? QString::fromLatin1(bytes) : text;
}

}  // namespace

// ---- IniProfileFiles

namespace {

class DiskBacking {
  public:
    static QString load(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return decode(file.readAll());
    }

    static bool modify(const QString& path, const std::function<bool(IniDocument&)>& change) {
        const QString folder = QFileInfo(path).absolutePath();
        if (!ensureFolder(folder)) {
            return false;
        }
        // The folder's lock keeps two copies of the program from losing each other's writes.
        const int fd =
            ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        int locked = 0;
        do {
            locked = ::flock(fd, LOCK_EX);
        } while (locked != 0 && errno == EINTR);
        bool result = false;
        if (locked == 0) {
            QFile existing(path);
            const bool exists = existing.exists();
            if (exists && !existing.open(QIODevice::ReadOnly)) {
                result = false;  // unreadable: never replace what cannot be read
            } else {
                IniDocument document(exists ? decode(existing.readAll()) : QString());
                existing.close();
                if (change(document)) {
                    const QByteArray bytes = document.text().toUtf8();
                    QSaveFile out(path);
                    result = out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() &&
                             out.commit();
                }
            }
            ::flock(fd, LOCK_UN);
        }
        ::close(fd);
        return result;
    }
};

// Without a write permission bit a file or folder counts as read-only even for a user whom the
// system would let write anyway, so marking the folder read-only works for everyone.
bool permitsWriting(const QString& path) {
    const QFileInfo info(path);
    return info.isWritable() &&
           (QFile::permissions(path) &
            (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther)) != 0;
}

// A save writes a new file beside the old one and renames it, so both the file and its folder
// (or, before the folder exists, its nearest existing parent) must be writable.
bool writable(const QString& path) {
    const QFileInfo info(path);
    if (info.exists() && (!info.isFile() || !permitsWriting(path))) {
        return false;
    }
    QString folder = info.absolutePath();
    while (!QFileInfo::exists(folder) && folder != QStringLiteral("/")) {
        folder = QFileInfo(folder).absolutePath();
    }
    return QFileInfo(folder).isDir() && permitsWriting(folder);
}

}  // namespace

// A missing key reads as a null text, which no number parses from, so both fall back alike.
int ProfileFiles::readInteger(const QString& fileName, const QString& section, const QString& key,
                              int fallback) const {
    return parseInteger(readString(fileName, section, key, QString())).value_or(fallback);
}

bool ProfileFiles::readBool(const QString& fileName, const QString& section, const QString& key,
                            bool fallback) const {
    return readInteger(fileName, section, key, fallback ? 1 : 0) != 0;
}

bool ProfileFiles::writeInteger(const QString& fileName, const QString& section, const QString& key,
                                int value) {
    return writeString(fileName, section, key, QString::number(value));
}

bool ProfileFiles::writeBool(const QString& fileName, const QString& section, const QString& key,
                             bool value) {
    return writeString(fileName, section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

IniProfileFiles::IniProfileFiles(QString folder) : m_folder(std::move(folder)) {}

QString IniProfileFiles::folder() const {
    QString path = m_folder.isEmpty() ? configFolder() : m_folder;
    if (!path.endsWith(QLatin1Char('/'))) {
        path += QLatin1Char('/');
    }
    return path;
}

QString IniProfileFiles::pathOf(const QString& fileName) const {
    return fileName.contains(QLatin1Char('/')) ? fileName : folder() + fileName;
}

QString IniProfileFiles::readString(const QString& fileName, const QString& section,
                                    const QString& key, const QString& fallback) const {
    const IniDocument document(DiskBacking::load(pathOf(fileName)));
    return document.read(section, key).value_or(fallback);
}

bool IniProfileFiles::writeString(const QString& fileName, const QString& section,
                                  const QString& key, const QString& value) {
    const QString path = pathOf(fileName);
    if (fileName.isEmpty() || !acceptable(section, key, value) || !writable(path)) {
        return false;
    }
    return DiskBacking::modify(path, [&](IniDocument& document) {
        document.write(section, key, value);
        return true;
    });
}

bool IniProfileFiles::deleteKey(const QString& fileName, const QString& section,
                                const QString& key) {
    const QString path = pathOf(fileName);
    if (IniDocument(DiskBacking::load(path)).findKey(section, key) < 0) {
        return true;
    }
    return writable(path) && DiskBacking::modify(path, [&](IniDocument& document) {
               document.removeKey(section, key);
               return true;
           });
}

bool IniProfileFiles::eraseSection(const QString& fileName, const QString& section) {
    const QString path = pathOf(fileName);
    if (IniDocument(DiskBacking::load(path)).findSection(section) < 0) {
        return true;
    }
    return writable(path) && DiskBacking::modify(path, [&](IniDocument& document) {
               document.removeSection(section);
               return true;
           });
}

QStringList IniProfileFiles::sections(const QString& fileName) const {
    return IniDocument(DiskBacking::load(pathOf(fileName))).sections();
}

QStringList IniProfileFiles::keys(const QString& fileName, const QString& section) const {
    return IniDocument(DiskBacking::load(pathOf(fileName))).keys(section);
}

// ---- MemoryProfileFiles

struct MemoryProfileFiles::Impl {
    QHash<QString, QString> files;  // by full path
    bool readOnly = false;

    QString load(const QString& path) const { return files.value(path); }
    bool modify(const QString& path, const std::function<void(IniDocument&)>& change) {
        if (readOnly) {
            return false;
        }
        IniDocument document(files.value(path));
        change(document);
        files.insert(path, document.text());
        return true;
    }
};

MemoryProfileFiles::MemoryProfileFiles() : m_impl(std::make_unique<Impl>()) {}
MemoryProfileFiles::~MemoryProfileFiles() = default;

QString MemoryProfileFiles::folder() const {
    return QStringLiteral("/profiles/");
}

QString MemoryProfileFiles::pathOf(const QString& fileName) const {
    return fileName.contains(QLatin1Char('/')) ? fileName : folder() + fileName;
}

QString MemoryProfileFiles::readString(const QString& fileName, const QString& section,
                                       const QString& key, const QString& fallback) const {
    return IniDocument(m_impl->load(pathOf(fileName))).read(section, key).value_or(fallback);
}

bool MemoryProfileFiles::writeString(const QString& fileName, const QString& section,
                                     const QString& key, const QString& value) {
    if (fileName.isEmpty() || !acceptable(section, key, value)) {
        return false;
    }
    return m_impl->modify(pathOf(fileName),
                          [&](IniDocument& document) { document.write(section, key, value); });
}

bool MemoryProfileFiles::deleteKey(const QString& fileName, const QString& section,
                                   const QString& key) {
    const QString path = pathOf(fileName);
    if (IniDocument(m_impl->load(path)).findKey(section, key) < 0) {
        return true;
    }
    return m_impl->modify(path, [&](IniDocument& document) { document.removeKey(section, key); });
}

bool MemoryProfileFiles::eraseSection(const QString& fileName, const QString& section) {
    const QString path = pathOf(fileName);
    if (IniDocument(m_impl->load(path)).findSection(section) < 0) {
        return true;
    }
    return m_impl->modify(path, [&](IniDocument& document) { document.removeSection(section); });
}

QStringList MemoryProfileFiles::sections(const QString& fileName) const {
    return IniDocument(m_impl->load(pathOf(fileName))).sections();
}

QStringList MemoryProfileFiles::keys(const QString& fileName, const QString& section) const {
    return IniDocument(m_impl->load(pathOf(fileName))).keys(section);
}

void MemoryProfileFiles::setReadOnly(bool readOnly) {
    m_impl->readOnly = readOnly;
}

QString MemoryProfileFiles::contents(const QString& fileName) const {
    return m_impl->load(pathOf(fileName));
}

}  // namespace td
