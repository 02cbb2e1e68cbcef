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

    // The temporary folder with a trailing separator.
    virtual QString tempPath() const = 0;
    // Creates a new empty file in `folder` named from the first three characters of `prefix`,
    // a hexadecimal number and ".tmp", and returns its full path. With `unique` other than 0
    // the number is `unique` and no file is created. Empty when no file could be made.
    virtual QString tempFileName(const QString& folder, const QString& prefix,
                                 unsigned unique = 0) = 0;
};

// The temporary folder of the session (TMPDIR, else /tmp); file names made with O_EXCL.
class SystemTempFiles final : public TempFiles {
  public:
    QString tempPath() const override;
    QString tempFileName(const QString& folder, const QString& prefix,
                         unsigned unique = 0) override;
};

}  // namespace td
