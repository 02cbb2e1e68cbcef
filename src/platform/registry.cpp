#include "platform/registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/configfolder.h"
#include "platform/error.h"
#include "platform/regfile.h"
#include "platform/savefile.h"
#include "platform/shell.h"

namespace td {

namespace {

QString hiveName(RootKey root) {
    switch (root) {
        case RootKey::LocalMachine:
            return QStringLiteral("HKEY_LOCAL_MACHINE");
        case RootKey::CurrentUser:
            return QStringLiteral("HKEY_CURRENT_USER");
        case RootKey::ClassesRoot:
            return QStringLiteral("HKEY_CLASSES_ROOT");
    }
    return {};
}

QStringList splitKeyPath(const QString& path) {
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

// Key names cannot hold control characters: a line break would end a header line of the file.
bool validSegments(const QStringList& segments) {
    for (const QString& segment : segments) {
        for (const QChar c : segment) {
            if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
                return false;
            }
        }
    }
    return true;
}

QString invalidType(const QString& name) {
    return QStringLiteral("Invalid data type for '%1'").arg(name);
}

QString failedToSet(const QString& name) {
    return QStringLiteral("Failed to set data for '%1'").arg(name);
}

// Where the values of one or more hives are kept.
class Store {
  public:
    Store() = default;
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;
    virtual ~Store() = default;

    // The current tree, brought up to date with what others saved.
    virtual const RegNode& tree() = 0;
    // Whether changes can be stored at all.
    virtual bool writable() = 0;
    // Applies `change` to the freshest tree and stores the result; false when the change
    // reports nothing to do or the result cannot be stored (the stored state is then as before).
    virtual bool modify(const std::function<bool(RegNode&)>& change) = 0;
};

class MemoryStore final : public Store {
  public:
    const RegNode& tree() override { return m_tree; }
    bool writable() override { return !m_readOnly; }
    bool modify(const std::function<bool(RegNode&)>& change) override {
        if (m_readOnly) {
            return false;
        }
        RegNode copy = m_tree;
        if (!change(copy)) {
            return false;
        }
        m_tree = std::move(copy);
        return true;
    }
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }

  private:
    RegNode m_tree;
    bool m_readOnly = false;
};

// Identity of the file last read, to notice saves by other handles or processes.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    bool operator==(const FileStamp& other) const {
        return exists == other.exists && device == other.device && inode == other.inode &&
               size == other.size && modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec;
    }
};

FileStamp stampOf(const struct stat& info) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modified = info.st_mtim;
    return stamp;
}

// A file or folder with no write permission bit at all counts as read-only even for a user
// whom the system would let write anyway, so that marking the store read-only works for
// everyone.
bool pathWritable(const QString& path) {
    struct stat info {};
    const QByteArray native = QFile::encodeName(path);
    if (::stat(native.constData(), &info) != 0) {
        return false;
    }
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 &&
           ::access(native.constData(), W_OK) == 0;
}

class FileStore final : public Store {
  public:
    FileStore(QString folder, QString fileName)
        : m_folder(std::move(folder)),
          m_path(m_folder + QLatin1Char('/') + fileName),
          m_nativePath(QFile::encodeName(m_path)) {}

    const RegNode& tree() override {
        if (currentStamp() != m_stamp || m_neverRead) {
            reload(false);
        }
        return m_tree;
    }

    bool writable() override {
        if (QFileInfo(m_folder).isDir()) {
            if (!pathWritable(m_folder)) {
                return false;
            }
        } else {
            // The folder is made at the first save; its nearest existing parent decides.
            QString parent = QFileInfo(m_folder).absolutePath();
            while (!QFileInfo(parent).exists() && parent != QStringLiteral("/")) {
                parent = QFileInfo(parent).absolutePath();
            }
            if (!QFileInfo(parent).isDir() || !pathWritable(parent)) {
                return false;
            }
        }
        return !QFileInfo::exists(m_path) || pathWritable(m_path);
    }

    bool modify(const std::function<bool(RegNode&)>& change) override {
        if (!writable() || !ensureFolder(m_folder)) {
            return false;
        }
        FolderLock lock(m_folder);
        if (!lock.held()) {
            return false;
        }
        reload(true);
        if (m_keptDamaged) {
            // A file that could not be read nor moved aside is never written over.
            return false;
        }
        RegNode copy = m_tree;
        if (!change(copy)) {
            return false;
        }
        QSaveFile file(m_path);
        if (!file.open(QIODevice::WriteOnly)) {
            return false;
        }
        const QByteArray bytes = writeRegFile(copy);
        if (file.write(bytes) != bytes.size() || !file.commit()) {
            return false;
        }
        m_tree = std::move(copy);
        m_stamp = currentStamp();
        return true;
    }

    QString path() const { return m_path; }

  private:
    FileStamp currentStamp() const {
        struct stat info {};
        if (::stat(m_nativePath.constData(), &info) != 0) {
            return {};
        }
        return stampOf(info);
    }

    // Reads the file into the tree. A file that cannot be parsed is moved aside under a new
    // name (under the lock, so no other copy is writing it meanwhile) and the tree starts empty.
    void reload(bool locked) {
        m_neverRead = false;
        QByteArray bytes;
        FileStamp stamp;
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            if (errno == ENOENT || errno == ENOTDIR) {
                m_tree = RegNode{};
                m_stamp = {};
                m_keptDamaged = false;
            } else {
                keepUnreadable(QString::fromLocal8Bit(std::strerror(errno)));
            }
            return;
        }
        struct stat info {};
        if (::fstat(fd, &info) == 0) {
            stamp = stampOf(info);
        }
        QFile file;
        const bool opened = file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
        if (opened && S_ISREG(info.st_mode)) {
            bytes = file.readAll();
        }
        if (!opened) {
            ::close(fd);
        }
        if (!opened || !S_ISREG(info.st_mode) || file.error() != QFileDevice::NoError) {
            keepUnreadable(opened && !S_ISREG(info.st_mode) ? QStringLiteral("not a file")
                                                            : file.errorString());
            return;
        }
        RegNode parsed;
        QString error;
        if (parseRegFile(bytes, parsed, &error)) {
            m_tree = std::move(parsed);
            m_stamp = stamp;
            m_keptDamaged = false;
            return;
        }
        if (!locked) {
            FolderLock lock(m_folder);
            // Read again under the lock: another copy may have replaced the file meanwhile.
            reload(true);
            return;
        }
        setAside(stamp, error);
    }

    // A file that exists but cannot be read is left alone: defaults are used and nothing is
    // saved over it.
    void keepUnreadable(const QString& why) {
        m_tree = RegNode{};
        m_stamp = currentStamp();
        if (!m_keptDamaged) {
            std::fprintf(stderr,
                         "kestro-typedeck: %s cannot be read (%s); defaults are used and nothing "
                         "is saved to it\n",
                         QFile::encodeName(m_path).constData(), why.toLocal8Bit().constData());
        }
        m_keptDamaged = true;
    }

    void setAside(const FileStamp& stamp, const QString& error) {
        m_tree = RegNode{};
        const QString stampText =
            QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QString aside = m_path + QStringLiteral(".unreadable-") + stampText;
        for (int n = 2; QFileInfo::exists(aside); ++n) {
            aside = m_path + QStringLiteral(".unreadable-%1-%2").arg(stampText).arg(n);
        }
        // link() fails instead of replacing an existing name, so nothing else is lost.
        const QByteArray from = QFile::encodeName(m_path);
        const QByteArray to = QFile::encodeName(aside);
        if (currentStamp() == stamp && ::link(from.constData(), to.constData()) == 0 &&
            ::unlink(from.constData()) == 0) {
            m_stamp = {};
            m_keptDamaged = false;
            std::fprintf(stderr,
                         "kestro-typedeck: %s could not be read (%s); it was kept as %s and "
                         "defaults are used\n",
                         from.constData(), error.toLocal8Bit().constData(), to.constData());
            return;
        }
        m_stamp = stamp;
        if (!m_keptDamaged) {
            std::fprintf(stderr,
                         "kestro-typedeck: %s could not be read (%s) and could not be moved "
                         "aside; defaults are used and nothing is saved to it\n",
                         from.constData(), error.toLocal8Bit().constData());
        }
        m_keptDamaged = true;
    }

    QString m_folder;
    QString m_path;
    QByteArray m_nativePath;  // checked at every call, so encoded once
    RegNode m_tree;
    FileStamp m_stamp;
    bool m_neverRead = true;
    bool m_keptDamaged = false;
};

// A key in a store, found again by its path at each call.
class StoredKey final : public RegistryKey {
  public:
    StoredKey(std::shared_ptr<Store> store, RootKey root, QStringList segments)
        : m_store(std::move(store)), m_root(root), m_segments(std::move(segments)) {
        m_fullPath = m_segments;
        m_fullPath.prepend(hiveName(root));
    }

    RootKey root() const override { return m_root; }
    QString path() const override { return m_segments.join(QLatin1Char('\\')); }

    bool valueExists(const QString& name) const override { return find(name) != nullptr; }

    ValueType valueType(const QString& name) const override {
        const RegValue* value = find(name);
        return value == nullptr ? ValueType::None : value->type;
    }

    QString readString(const QString& name) const override {
        const RegValue* value = find(name);
        if (value == nullptr) {
            return {};
        }
        if (value->type != ValueType::String) {
            throw Error(invalidType(name));
        }
        return value->text;
    }

    std::int32_t readInteger(const QString& name) const override {
        const RegValue* value = find(name);
        if (value == nullptr || value->type != ValueType::DWord) {
            throw Error(invalidType(name));
        }
        return static_cast<std::int32_t>(value->dword);
    }

    bool readBool(const QString& name) const override { return readInteger(name) != 0; }

    void writeString(const QString& name, const QString& text) override {
        RegValue value;
        value.name = name;
        value.type = ValueType::String;
        value.text = text;
        write(std::move(value));
    }

    void writeInteger(const QString& name, std::int32_t number) override {
        RegValue value;
        value.name = name;
        value.type = ValueType::DWord;
        value.dword = static_cast<std::uint32_t>(number);
        write(std::move(value));
    }

    void writeBool(const QString& name, bool flag) override { writeInteger(name, flag ? 1 : 0); }

    bool deleteValue(const QString& name) override {
        return m_store->modify([&](RegNode& tree) {
            RegNode* node = tree.find(m_fullPath);
            return node != nullptr && node->removeValue(name);
        });
    }

    QStringList valueNames() const override {
        QStringList names;
        if (const RegNode* node = m_store->tree().find(m_fullPath)) {
            for (const RegValue& value : node->values()) {
                names << value.name;
            }
        }
        return names;
    }

    QStringList keyNames() const override {
        QStringList names;
        if (const RegNode* node = m_store->tree().find(m_fullPath)) {
            for (const RegNode& child : node->children()) {
                names << child.name;
            }
        }
        return names;
    }

    bool createKey(const QString& subkey) override {
        const QStringList below = splitKeyPath(subkey);
        if (below.isEmpty() || !validSegments(below)) {
            return false;
        }
        if (m_store->tree().find(m_fullPath + below) != nullptr) {
            return m_store->writable();
        }
        return m_store->modify([&](RegNode& tree) {
            RegNode* node = tree.find(m_fullPath);
            if (node == nullptr) {
                return false;
            }
            for (const QString& segment : below) {
                node = &node->ensureChild(segment);
            }
            return true;
        });
    }

    bool deleteKey(const QString& subkey) override {
        const QStringList below = splitKeyPath(subkey);
        if (below.isEmpty()) {
            return false;
        }
        return m_store->modify([&](RegNode& tree) {
            RegNode* parent = tree.find(m_fullPath + below.mid(0, below.size() - 1));
            return parent != nullptr && parent->removeChild(below.last());
        });
    }

    bool isWritable() const override { return m_store->writable(); }

  private:
    const RegValue* find(const QString& name) const {
        const RegNode* node = m_store->tree().find(m_fullPath);
        return node == nullptr ? nullptr : node->value(name);
    }

    void write(RegValue value) {
        const QString name = value.name;
        const bool stored = m_store->modify([&](RegNode& tree) {
            RegNode* node = tree.find(m_fullPath);
            if (node == nullptr) {
                return false;  // deleted meanwhile
            }
            node->setValue(std::move(value));
            return true;
        });
        if (!stored) {
            throw Error(failedToSet(name));
        }
    }

    std::shared_ptr<Store> m_store;
    RootKey m_root;
    QStringList m_segments;
    QStringList m_fullPath;
};

class FixedKey final : public RegistryKey {
  public:
    FixedKey(RootKey root, QString path, QList<std::pair<QString, QString>> values,
             QStringList subkeys)
        : m_root(root),
          m_path(normaliseKeyPath(path)),
          m_values(std::move(values)),
          m_subkeys(std::move(subkeys)) {}

    RootKey root() const override { return m_root; }
    QString path() const override { return m_path; }
    bool valueExists(const QString& name) const override { return find(name) != nullptr; }
    ValueType valueType(const QString& name) const override {
        return find(name) == nullptr ? ValueType::None : ValueType::String;
    }
    QString readString(const QString& name) const override {
        const QString* text = find(name);
        return text == nullptr ? QString() : *text;
    }
    std::int32_t readInteger(const QString& name) const override { throw Error(invalidType(name)); }
    bool readBool(const QString& name) const override { return readInteger(name) != 0; }
    void writeString(const QString& name, const QString&) override {
        throw Error(failedToSet(name));
    }
    void writeInteger(const QString& name, std::int32_t) override {
        throw Error(failedToSet(name));
    }
    void writeBool(const QString& name, bool) override { throw Error(failedToSet(name)); }
    bool deleteValue(const QString&) override { return false; }
    QStringList valueNames() const override {
        QStringList names;
        for (const auto& value : m_values) {
            names << value.first;
        }
        return names;
    }
    QStringList keyNames() const override { return m_subkeys; }
    bool createKey(const QString&) override { return false; }
    bool deleteKey(const QString&) override { return false; }
    bool isWritable() const override { return false; }

  private:
    const QString* find(const QString& name) const {
        for (const auto& value : m_values) {
            if (value.first.compare(name, Qt::CaseInsensitive) == 0) {
                return &value.second;
            }
        }
        return nullptr;
    }

    RootKey m_root;
    QString m_path;
    QList<std::pair<QString, QString>> m_values;
    QStringList m_subkeys;
};

struct ProviderEntry {
    RootKey root;
    QStringList segments;
    KeyProvider provider;
};

bool sameSegments(const QStringList& a, const QStringList& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].compare(b[i], Qt::CaseInsensitive) != 0) {
            return false;
        }
    }
    return true;
}

// What both registries share: the hives' stores, the providers and the keys that always exist.
class Core {
  public:
    Core(std::shared_ptr<Store> machine, std::shared_ptr<Store> user)
        : m_machine(std::move(machine)), m_user(std::move(user)) {
        // Keys the desktop always has and the program opens without creating them.
        m_standardKeys.push_back(
            {RootKey::LocalMachine,
             splitKeyPath(QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce")),
             {}});
    }

    std::shared_ptr<Store> storeFor(RootKey root) const {
        return root == RootKey::LocalMachine ? m_machine : m_user;
    }

    std::unique_ptr<RegistryKey> openKey(RootKey root, const QString& path, bool create,
                                         bool useProviders = true) {
        const QStringList segments = splitKeyPath(path);
        if (!validSegments(segments)) {
            return nullptr;
        }
        if (const ProviderEntry* entry = useProviders ? provider(root, segments) : nullptr) {
            return entry->provider();
        }
        const std::shared_ptr<Store> store = storeFor(root);
        const QStringList full = QStringList{hiveName(root)} + segments;
        if (create || isStandard(root, segments)) {
            if (!store->writable()) {
                return nullptr;
            }
            if (store->tree().find(full) == nullptr) {
                const bool made = store->modify([&](RegNode& tree) {
                    RegNode* node = &tree;
                    for (const QString& segment : full) {
                        node = &node->ensureChild(segment);
                    }
                    return true;
                });
                if (!made) {
                    return nullptr;
                }
            }
            return std::make_unique<StoredKey>(store, root, segments);
        }
        if (store->tree().find(full) != nullptr) {
            return std::make_unique<StoredKey>(store, root, segments);
        }
        const QStringList below = providedChildren(root, segments);
        if (!below.isEmpty()) {
            return makeFixedKey(root, path, {}, below);
        }
        return nullptr;
    }

    bool keyExists(RootKey root, const QString& path) {
        const QStringList segments = splitKeyPath(path);
        if (const ProviderEntry* entry = provider(root, segments)) {
            return entry->provider() != nullptr;
        }
        const QStringList full = QStringList{hiveName(root)} + segments;
        return storeFor(root)->tree().find(full) != nullptr || isStandard(root, segments) ||
               !providedChildren(root, segments).isEmpty();
    }

    bool deleteKey(RootKey root, const QString& path) {
        const QStringList segments = splitKeyPath(path);
        if (segments.isEmpty()) {
            return false;  // a hive itself cannot go
        }
        const QStringList full = QStringList{hiveName(root)} + segments;
        return storeFor(root)->modify([&](RegNode& tree) {
            RegNode* parent = tree.find(full.mid(0, full.size() - 1));
            return parent != nullptr && parent->removeChild(full.last());
        });
    }

    void setKeyProvider(RootKey root, const QString& path, KeyProvider keyProvider) {
        const QStringList segments = splitKeyPath(path);
        for (ProviderEntry& entry : m_providers) {
            if (entry.root == root && sameSegments(entry.segments, segments)) {
                entry.provider = std::move(keyProvider);
                return;
            }
        }
        m_providers.push_back({root, segments, std::move(keyProvider)});
    }

  private:
    const ProviderEntry* provider(RootKey root, const QStringList& segments) const {
        for (const ProviderEntry& entry : m_providers) {
            if (entry.root == root && entry.provider && sameSegments(entry.segments, segments)) {
                return &entry;
            }
        }
        return nullptr;
    }

    bool isStandard(RootKey root, const QStringList& segments) const {
        for (const ProviderEntry& entry : m_standardKeys) {
            if (entry.root == root && sameSegments(entry.segments, segments)) {
                return true;
            }
        }
        return false;
    }

    // The names of the keys just below `segments` that lead to a provided key.
    QStringList providedChildren(RootKey root, const QStringList& segments) const {
        QStringList names;
        for (const ProviderEntry& entry : m_providers) {
            if (entry.root != root || !entry.provider || entry.segments.size() <= segments.size() ||
                !sameSegments(entry.segments.mid(0, segments.size()), segments)) {
                continue;
            }
            const QString name = entry.segments[segments.size()];
            if (!names.contains(name, Qt::CaseInsensitive)) {
                names << name;
            }
        }
        return names;
    }

    std::shared_ptr<Store> m_machine;
    std::shared_ptr<Store> m_user;
    std::vector<ProviderEntry> m_providers;
    std::vector<ProviderEntry> m_standardKeys;
};

// The program identifier under which the desktop's handler of web pages is answered.
const QString kHtmlFileType = QStringLiteral("kestro-typedeck.htmlpage");

void installDesktopKeys(Core& core) {
    core.setKeyProvider(
        RootKey::CurrentUser,
        QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"),
        [] {
            const QString data = dataHome();
            return makeFixedKey(
                RootKey::CurrentUser,
                QStringLiteral(
                    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"),
                {{QStringLiteral("Fonts"), data + QStringLiteral("/fonts")},
                 {QStringLiteral("Programs"), data + QStringLiteral("/applications")},
                 {QStringLiteral("Desktop"), desktopFolder()}});
        });
    core.setKeyProvider(
        RootKey::LocalMachine, QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion"), [] {
            QString home = qEnvironmentVariable("HOME");
            if (home.isEmpty()) {
                home = QDir::homePath();
            }
            return makeFixedKey(
                RootKey::LocalMachine,
                QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion"),
                {{QStringLiteral("ProgramFilesDir"),
                  QDir::cleanPath(home + QStringLiteral("/.local/opt"))}},
                {QStringLiteral("Fonts"), QStringLiteral("RunOnce"), QStringLiteral("Uninstall")});
        });
    core.setKeyProvider(RootKey::ClassesRoot, QStringLiteral(".htm"),
                        []() -> std::unique_ptr<RegistryKey> {
                            if (defaultHandlerCommand(QStringLiteral("text/html")).isEmpty()) {
                                return nullptr;
                            }
                            return makeFixedKey(RootKey::ClassesRoot, QStringLiteral(".htm"),
                                                {{QString(), kHtmlFileType}});
                        });
    const QString commandPath = kHtmlFileType + QStringLiteral("\\shell\\open\\command");
    core.setKeyProvider(
        RootKey::ClassesRoot, commandPath, [commandPath]() -> std::unique_ptr<RegistryKey> {
            const QString command = defaultHandlerCommand(QStringLiteral("text/html"));
            if (command.isEmpty()) {
                return nullptr;
            }
            return makeFixedKey(RootKey::ClassesRoot, commandPath, {{QString(), command}});
        });
}

}  // namespace

QString normaliseKeyPath(const QString& path) {
    return splitKeyPath(path).join(QLatin1Char('\\'));
}

std::unique_ptr<RegistryKey> makeFixedKey(RootKey root, const QString& path,
                                          const QList<std::pair<QString, QString>>& values,
                                          const QStringList& subkeys) {
    return std::make_unique<FixedKey>(root, path, values, subkeys);
}

// ---- FileRegistry

struct FileRegistry::Impl : Core {
    Impl(std::shared_ptr<FileStore> machine, std::shared_ptr<FileStore> user)
        : Core(machine, user), machineFile(machine->path()), userFile(user->path()) {}
    QString machineFile;
    QString userFile;
};

FileRegistry::FileRegistry(QString folder) {
    if (folder.isEmpty()) {
        folder = configFolder();
    }
    m_impl =
        std::make_unique<Impl>(std::make_shared<FileStore>(folder, QStringLiteral("machine.reg")),
                               std::make_shared<FileStore>(folder, QStringLiteral("user.reg")));
    installDesktopKeys(*m_impl);
}

FileRegistry::~FileRegistry() = default;

std::unique_ptr<RegistryKey> FileRegistry::openKey(RootKey root, const QString& path, bool create) {
    return m_impl->openKey(root, path, create);
}

bool FileRegistry::keyExists(RootKey root, const QString& path) {
    return m_impl->keyExists(root, path);
}

bool FileRegistry::createKey(RootKey root, const QString& path) {
    return m_impl->openKey(root, path, true) != nullptr;
}

bool FileRegistry::deleteKey(RootKey root, const QString& path) {
    return m_impl->deleteKey(root, path);
}

void FileRegistry::setKeyProvider(RootKey root, const QString& path, KeyProvider provider) {
    m_impl->setKeyProvider(root, path, std::move(provider));
}

std::unique_ptr<RegistryKey> FileRegistry::openStoredKey(RootKey root, const QString& path,
                                                         bool create) {
    return m_impl->openKey(root, path, create, false);
}

QString FileRegistry::fileOf(RootKey root) const {
    return root == RootKey::LocalMachine ? m_impl->machineFile : m_impl->userFile;
}

// ---- MemoryRegistry

struct MemoryRegistry::Impl : Core {
    Impl(std::shared_ptr<MemoryStore> machine, std::shared_ptr<MemoryStore> user)
        : Core(machine, user), machineStore(machine), userStore(user) {}
    std::shared_ptr<MemoryStore> machineStore;
    std::shared_ptr<MemoryStore> userStore;
};

MemoryRegistry::MemoryRegistry()
    : m_impl(std::make_unique<Impl>(std::make_shared<MemoryStore>(),
                                    std::make_shared<MemoryStore>())) {}

MemoryRegistry::~MemoryRegistry() = default;

std::unique_ptr<RegistryKey> MemoryRegistry::openKey(RootKey root, const QString& path,
                                                     bool create) {
    return m_impl->openKey(root, path, create);
}

bool MemoryRegistry::keyExists(RootKey root, const QString& path) {
    return m_impl->keyExists(root, path);
}

bool MemoryRegistry::createKey(RootKey root, const QString& path) {
    return m_impl->openKey(root, path, true) != nullptr;
}

bool MemoryRegistry::deleteKey(RootKey root, const QString& path) {
    return m_impl->deleteKey(root, path);
}

void MemoryRegistry::setKeyProvider(RootKey root, const QString& path, KeyProvider provider) {
    m_impl->setKeyProvider(root, path, std::move(provider));
}

std::unique_ptr<RegistryKey> MemoryRegistry::openStoredKey(RootKey root, const QString& path,
                                                           bool create) {
    return m_impl->openKey(root, path, create, false);
}

void MemoryRegistry::setReadOnly(RootKey root, bool readOnly) {
    (root == RootKey::LocalMachine ? m_impl->machineStore : m_impl->userStore)
        ->setReadOnly(readOnly);
}

}  // namespace td
