#pragma once

#include <QString>

namespace td {

// The temporary folder and unique temporary file names.
class TempFiles {
  public:
    TempFiles() = default;
    TempFiles(const TempFiles&) = delete;
    TempFiles& operator=(const TempFiles&) = delete;
    virtual ~TempFiles() = default;

    // The program's temporary folder with a trailing separator; empty when none can be made.
    virtual QString tempPath() const = 0;
    // Creates a new empty file in `folder` named from the first three characters of `prefix`,
    // a hexadecimal number and ".tmp", and returns its full path. With `unique` other than 0
    // the number is `unique` and no file is created. Empty when no file could be made.
    virtual QString tempFileName(const QString& folder, const QString& prefix,
                                 unsigned unique = 0) = 0;
};

// The user's private folder `kestro-typedeck-<uid>` inside `parent`, with a trailing separator:
// made with mode 0700 when missing, its mode put back to 0700 when it is the user's own folder,
// and removed and made again when it is anything else (a link, a file, another user's folder),
// since other users can plant names in a shared `parent`. When that name cannot be freed, a new
// private folder `kestro-typedeck-<uid>-XXXXXX` is made instead. Empty when no folder can be made.
QString privateTempFolder(const QString& parent);

// The private folder inside the session's temporary folder (TMPDIR, else /tmp); file names
// made with O_EXCL.
class SystemTempFiles final : public TempFiles {
  public:
    QString tempPath() const override;
    QString tempFileName(const QString& folder, const QString& prefix,
                         unsigned unique = 0) override;
};

}  // namespace td
