#pragma once

#include <QString>
#include <memory>

namespace td {

// A shared library loaded at run time; unloading happens when the object goes away.
class LoadedLibrary {
  public:
    LoadedLibrary() = default;
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;
    virtual ~LoadedLibrary() = default;

    // The address of an exported symbol, or null when the library does not export it.
    virtual void* resolve(const char* name) const = 0;
    // The file that was loaded.
    virtual QString path() const = 0;
};

// Loads libraries by file name, looking in the executable's folder first.
class LibraryLoader {
  public:
    LibraryLoader() = default;
    LibraryLoader(const LibraryLoader&) = delete;
    LibraryLoader& operator=(const LibraryLoader&) = delete;
    virtual ~LibraryLoader() = default;

    // Loads the named library; null when it cannot be found or loaded.
    virtual std::unique_ptr<LoadedLibrary> load(const QString& fileName) = 0;
};

// dlopen, dlsym and dlclose. A bare file name is looked up in `folder` (by default the
// executable's folder) before the system's search path.
class DlLibraryLoader final : public LibraryLoader {
  public:
    explicit DlLibraryLoader(QString folder = {});
    std::unique_ptr<LoadedLibrary> load(const QString& fileName) override;
    // The loader's message for the last failure, for diagnostics.
    QString lastError() const { return m_lastError; }

  private:
    QString m_folder;
    QString m_lastError;
};

}  // namespace td
