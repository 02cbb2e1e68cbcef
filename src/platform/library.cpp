#include "platform/library.h"

#include <dlfcn.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace td {

namespace {

class DlLibrary final : public LoadedLibrary {
  public:
    DlLibrary(void* handle, QString path) : m_handle(handle), m_path(std::move(path)) {}
    ~DlLibrary() override { dlclose(m_handle); }

    void* resolve(const char* name) const override { return dlsym(m_handle, name); }
    QString path() const override { return m_path; }

  private:
    void* m_handle;
    QString m_path;
};

}  // namespace

DlLibraryLoader::DlLibraryLoader(QString folder) : m_folder(std::move(folder)) {}

std::unique_ptr<LoadedLibrary> DlLibraryLoader::load(const QString& fileName) {
    QStringList candidates;
    if (fileName.contains(QLatin1Char('/'))) {
        candidates << fileName;
    } else {
        const QString folder = m_folder.isEmpty() && QCoreApplication::instance() != nullptr
                                   ? QCoreApplication::applicationDirPath()
                                   : m_folder;
        if (!folder.isEmpty()) {
            candidates << QDir(folder).filePath(fileName);
        }
        candidates << fileName;
    }
    m_lastError.clear();
    for (const QString& candidate : candidates) {
        // A bare name goes to the system's search path only as the last resort.
        if (candidate.contains(QLatin1Char('/')) && !QFileInfo::exists(candidate)) {
            continue;
        }
        void* handle = dlopen(QFile::encodeName(candidate).constData(), RTLD_NOW | RTLD_LOCAL);
        if (handle != nullptr) {
            return std::make_unique<DlLibrary>(handle, candidate);
        }
        if (const char* message = dlerror()) {
            m_lastError = QString::fromLocal8Bit(message);
        }
    }
    return nullptr;
}

}  // namespace td
