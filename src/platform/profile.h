#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace td {

// Profile (INI) files. A bare file name ("ke-TD2.ini") lives in the config folder, which stands
// in for the Windows folder; a name with a folder is used as given. Sections and keys are
// matched without regard to case and keep the case they were first written with; what is
// missing reads as the caller's default; a file is created by its first write, and every write
// replaces the whole file atomically after re-reading it.
class ProfileFiles {
  public:
    ProfileFiles() = default;
    ProfileFiles(const ProfileFiles&) = delete;
    ProfileFiles& operator=(const ProfileFiles&) = delete;
    virtual ~ProfileFiles() = default;

    // The folder that bare names live in, with a trailing separator.
    virtual QString folder() const = 0;
    // The full path a file name stands for.
    virtual QString pathOf(const QString& fileName) const = 0;

    // The key's text, or `fallback` when the file, section or key is missing.
    virtual QString readString(const QString& fileName, const QString& section, const QString& key,
                               const QString& fallback) const = 0;
    // The key's text as a decimal integer with an optional sign; `fallback` when missing or not
    // a whole number.
    int readInteger(const QString& fileName, const QString& section, const QString& key,
                    int fallback) const;
    // A boolean: a stored integer other than 0 is true; `fallback` when missing or not a number.
    bool readBool(const QString& fileName, const QString& section, const QString& key,
                  bool fallback) const;
    // Stores a key's text; false when the file cannot be written (the old file stays intact).
    virtual bool writeString(const QString& fileName, const QString& section, const QString& key,
                             const QString& value) = 0;
    // Stores an integer in decimal.
    bool writeInteger(const QString& fileName, const QString& section, const QString& key,
                      int value);
    // Stores a boolean as "1" or "0".
    bool writeBool(const QString& fileName, const QString& section, const QString& key, bool value);
    // Removes one key; true when it is gone afterwards.
    virtual bool deleteKey(const QString& fileName, const QString& section, const QString& key) = 0;
    // Removes a section with its keys; true when it is gone afterwards.
    virtual bool eraseSection(const QString& fileName, const QString& section) = 0;
    // The section names in file order.
    virtual QStringList sections(const QString& fileName) const = 0;
    // The key names of a section in file order.
    virtual QStringList keys(const QString& fileName, const QString& section) const = 0;
};

// Profile files on disk. Lines are "[section]" and "key=value"; blanks around names and values
// are ignored, a value in matching quotes loses them, lines starting with ';' are comments and
// other lines are kept as they are. Names and values that could not be read back as written
// (line breaks, a key with '=' or a section with ']') are refused rather than stored damaged.
class IniProfileFiles final : public ProfileFiles {
  public:
    // `folder` is where bare names live; empty means the config folder.
    explicit IniProfileFiles(QString folder = {});

    QString folder() const override;
    QString pathOf(const QString& fileName) const override;
    QString readString(const QString& fileName, const QString& section, const QString& key,
                       const QString& fallback) const override;
    bool writeString(const QString& fileName, const QString& section, const QString& key,
                     const QString& value) override;
    bool deleteKey(const QString& fileName, const QString& section, const QString& key) override;
    bool eraseSection(const QString& fileName, const QString& section) override;
    QStringList sections(const QString& fileName) const override;
    QStringList keys(const QString& fileName, const QString& section) const override;

  private:
    QString m_folder;
};

// Profile files kept in memory, for tests of code that uses them; setReadOnly makes every
// write fail.
class MemoryProfileFiles final : public ProfileFiles {
  public:
    MemoryProfileFiles();
    ~MemoryProfileFiles() override;

    QString folder() const override;
    QString pathOf(const QString& fileName) const override;
    QString readString(const QString& fileName, const QString& section, const QString& key,
                       const QString& fallback) const override;
    bool writeString(const QString& fileName, const QString& section, const QString& key,
                     const QString& value) override;
    bool deleteKey(const QString& fileName, const QString& section, const QString& key) override;
    bool eraseSection(const QString& fileName, const QString& section) override;
    QStringList sections(const QString& fileName) const override;
    QStringList keys(const QString& fileName, const QString& section) const override;

    // Makes every write fail, as an unwritable config folder does.
    void setReadOnly(bool readOnly);
    // The whole text a file would hold on disk; empty when it was never written.
    QString contents(const QString& fileName) const;

    struct Impl;

  private:
    std::unique_ptr<Impl> m_impl;
};

}  // namespace td
