#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace td {

// The three hives the program uses.
enum class RootKey { LocalMachine, CurrentUser, ClassesRoot };

// The stored type of a value; None when the value does not exist, Other for data of a type the
// program does not read (kept as it is stored).
enum class ValueType { None, String, DWord, Other };

// An open key. Names of values and subkeys are matched without regard to case and keep the
// case they were first written with. Every write is saved at once; a handle sees the values
// other handles and other running copies saved before each call.
class RegistryKey {
  public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    virtual ~RegistryKey() = default;

    // The hive this key lives in.
    virtual RootKey root() const = 0;
    // The key's path from its hive, segments joined by a backslash, without a leading one.
    virtual QString path() const = 0;

    // True when the value exists; the empty name is the key's default value.
    virtual bool valueExists(const QString& name) const = 0;
    // The type of the value, None when it does not exist.
    virtual ValueType valueType(const QString& name) const = 0;
    // The string data; empty when the value is missing. Throws td::Error
    // "Invalid data type for '<name>'" when the value is not a string.
    virtual QString readString(const QString& name) const = 0;
    // The DWORD data. Throws td::Error "Invalid data type for '<name>'" when the value is
    // missing or not a DWORD.
    virtual std::int32_t readInteger(const QString& name) const = 0;
    // A DWORD read as a boolean: anything but 0 is true. Throws like readInteger.
    virtual bool readBool(const QString& name) const = 0;
    // Stores a REG_SZ value. Throws td::Error "Failed to set data for '<name>'" when the value
    // cannot be stored (read-only key, unwritable store); nothing is changed then.
    virtual void writeString(const QString& name, const QString& value) = 0;
    // Stores a REG_DWORD value; throws like writeString.
    virtual void writeInteger(const QString& name, std::int32_t value) = 0;
    // Stores a boolean as the DWORD 0 or 1; throws like writeString.
    virtual void writeBool(const QString& name, bool value) = 0;
    // Removes a value; false when it did not exist or could not be removed.
    virtual bool deleteValue(const QString& name) = 0;
    // The names of the key's values in stored order (the default value, when set, as "").
    virtual QStringList valueNames() const = 0;
    // The names of the key's direct subkeys in stored order.
    virtual QStringList keyNames() const = 0;
    // Creates a subkey (a relative path, any depth); true when it exists afterwards.
    virtual bool createKey(const QString& subkey) = 0;
    // Deletes a subkey with everything below it; false when it did not exist or could not be
    // deleted.
    virtual bool deleteKey(const QString& subkey) = 0;
    // False for keys answered from the desktop, which cannot be written.
    virtual bool isWritable() const = 0;
};

// Answers one read-only key from somewhere other than the stored files (the desktop's folders,
// the system font registry). Called at each open, so it always reflects the current state; it
// returns null when the key does not exist at the moment.
using KeyProvider = std::function<std::unique_ptr<RegistryKey>()>;

// The registry. Key paths separate segments with backslashes; a leading backslash and empty
// segments ("a\\\\b", a trailing one) are ignored, so "\SOFTWARE\X" and "SOFTWARE\X" are the
// same key. Paths are always taken from the hive.
class Registry {
  public:
    Registry() = default;
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;
    virtual ~Registry() = default;

    // Opens a key. With `create`, a missing key is created with its parents; it then fails when
    // the hive's store cannot be written (no right to write under the hive), even when the key
    // exists. Null when the key is missing (without create) or cannot be opened or created.
    virtual std::unique_ptr<RegistryKey> openKey(RootKey root, const QString& path,
                                                 bool create) = 0;
    // True when the key exists.
    virtual bool keyExists(RootKey root, const QString& path) = 0;
    // Creates a key with its parents; true when it exists afterwards and the store is writable.
    virtual bool createKey(RootKey root, const QString& path) = 0;
    // Deletes a key with its tree; false when it did not exist or could not be deleted.
    virtual bool deleteKey(RootKey root, const QString& path) = 0;
    // Answers the key at `path` (and nothing below it) through `provider` from now on, instead
    // of the stored files. A later call for the same key replaces the earlier one.
    virtual void setKeyProvider(RootKey root, const QString& path, KeyProvider provider) = 0;
    // Opens a key in the stored files even where a provider answers it, so that a provider can
    // keep values of its own there. Otherwise as openKey.
    virtual std::unique_ptr<RegistryKey> openStoredKey(RootKey root, const QString& path,
                                                       bool create) = 0;
};

// The registry on REGEDIT4 text files in the config folder: machine.reg holds
// HKEY_LOCAL_MACHINE, user.reg HKEY_CURRENT_USER and whatever is written under
// HKEY_CLASSES_ROOT. Each save takes a lock, re-reads the
// file, applies the one change and renames a complete new file into place. The desktop's
// read-only keys (Shell Folders, ProgramFilesDir, the .htm handler) are installed as providers.
class FileRegistry final : public Registry {
  public:
    // `folder` is the config folder; empty means $XDG_CONFIG_HOME/kestro-typedeck.
    explicit FileRegistry(QString folder = {});
    ~FileRegistry() override;

    std::unique_ptr<RegistryKey> openKey(RootKey root, const QString& path, bool create) override;
    bool keyExists(RootKey root, const QString& path) override;
    bool createKey(RootKey root, const QString& path) override;
    bool deleteKey(RootKey root, const QString& path) override;
    void setKeyProvider(RootKey root, const QString& path, KeyProvider provider) override;
    std::unique_ptr<RegistryKey> openStoredKey(RootKey root, const QString& path,
                                               bool create) override;

    // The file that stores a hive.
    QString fileOf(RootKey root) const;

    struct Impl;

  private:
    std::unique_ptr<Impl> m_impl;
};

// An in-memory registry for tests of code that uses one. Nothing is saved; setReadOnly makes
// a hive behave like one the user has no right to write. It has none of the desktop's keys
// (except RunOnce); a test adds what it needs with setKeyProvider.
class MemoryRegistry final : public Registry {
  public:
    MemoryRegistry();
    ~MemoryRegistry() override;

    std::unique_ptr<RegistryKey> openKey(RootKey root, const QString& path, bool create) override;
    bool keyExists(RootKey root, const QString& path) override;
    bool createKey(RootKey root, const QString& path) override;
    bool deleteKey(RootKey root, const QString& path) override;
    void setKeyProvider(RootKey root, const QString& path, KeyProvider provider) override;
    std::unique_ptr<RegistryKey> openStoredKey(RootKey root, const QString& path,
                                               bool create) override;

    // Makes every write under the hive fail, as an unwritable store does.
    void setReadOnly(RootKey root, bool readOnly);

    struct Impl;

  private:
    std::unique_ptr<Impl> m_impl;
};

// A read-only key holding fixed string values, for key providers.
std::unique_ptr<RegistryKey> makeFixedKey(RootKey root, const QString& path,
                                          const QList<std::pair<QString, QString>>& values,
                                          const QStringList& subkeys = {});

// The separator-normalised form of a key path: segments joined by one backslash, no leading or
// trailing separator, empty segments dropped.
QString normaliseKeyPath(const QString& path);

}  // namespace td
