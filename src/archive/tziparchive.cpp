#include "archive/tziparchive.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <unordered_set>

#include "platform/dialogs.h"
#include "platform/error.h"
#include "platform/library.h"
#include "platform/services.h"

namespace td {

namespace {

// One copy for the whole process, shared by every component: the two libraries and their
// bound exports. A library that is not loaded has no handle and no exports.
struct LibraryState {
    std::unique_ptr<LoadedLibrary> zip;
    std::unique_ptr<LoadedLibrary> unzip;
    ZipDllExecFn zipDllExec = nullptr;
    DllVersionFn getZipDllVersion = nullptr;
    UnzDllExecFn unzDllExec = nullptr;
    DllVersionFn getUnzDllVersion = nullptr;
};

LibraryState& libraries() {
    static LibraryState state;
    return state;
}

LibraryLoader& defaultLoader() {
    static DlLibraryLoader loader;
    return loader;
}

// The components alive now: the callback takes its caller field as a component only when it
// is one of these.
std::unordered_set<const TZipArchive*>& liveArchives() {
    static std::unordered_set<const TZipArchive*> live;
    return live;
}

const QString kFatalDllError = QStringLiteral("Fatal DLL Error: abort exception");

int32_t dllBool(bool value) {
    return value ? kDllTrue : kDllFalse;
}

bool isLineEnd(QChar c) {
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

// The message of a callback record without its line end: a last CR or LF goes, and when the
// character before the last is CR or LF, it goes together with everything after it.
QString trimLineEnds(const QString& text) {
    QString trimmed = text;
    const auto n = text.size();
    if (n > 0 && isLineEnd(text[n - 1])) {
        trimmed.truncate(n - 1);
    }
    if (n > 1 && isLineEnd(text[n - 2])) {
        trimmed.truncate(n - 2);
    }
    return trimmed;
}

// An archive file opened for reading, read with positioned reads.
class FileSource final : public ByteSource {
  public:
    explicit FileSource(const QString& path) {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0) {
            throw Error(QStringLiteral("Cannot open file \"%1\". %2")
                            .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()),
                                 QString::fromLocal8Bit(std::strerror(errno))));
        }
        const off_t end = ::lseek(m_fd, 0, SEEK_END);
        m_size = end < 0 ? 0 : end;
    }
    ~FileSource() override { ::close(m_fd); }

    int64_t size() const override { return m_size; }
    int64_t readAt(int64_t offset, char* buffer, int64_t count) override {
        for (;;) {
            const ssize_t got = ::pread(m_fd, buffer, static_cast<size_t>(count), offset);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            return got;
        }
    }

  private:
    int m_fd = -1;
    int64_t m_size = 0;
};

}  // namespace

TZipArchive::TZipArchive(const Services& services, QObject* owner)
    : QObject(owner),
      m_dialogs(services.dialogs),
      m_loader(services.libraries),
      m_zipParams(std::make_unique<ZipExecParams>()),
      m_unzipParams(std::make_unique<UnzipExecParams>()) {
    liveArchives().insert(this);
}

TZipArchive::~TZipArchive() {
    liveArchives().erase(this);
    ClearContents();
}

void TZipArchive::showMessage(const QString& text) const {
    if (m_dialogs != nullptr) {
        m_dialogs->messageBox(nullptr, BoxIcon::None, text, BoxButtons::Ok);
    } else {
        qWarning().noquote() << text;
    }
}

void TZipArchive::setZipFilename(const QString& path) {
    m_zipFilename = path;
    ReadContents();
}

void TZipArchive::setStoredNameSpecs(const QList<QByteArray>& names) {
    m_fspecArgs.clear();
    for (const QByteArray& name : names) {
        m_fspecArgs << entryNameFromBytes(name);
    }
    m_storedNames = names;
}

void TZipArchive::ClearContents() {
    m_contents.clear();
}

void TZipArchive::ReadContents() {
    ClearContents();
    // Whatever happens below, listeners hear that the list was rebuilt; an error still goes
    // on to the caller, and the entries read before it stay.
    struct DirUpdate {
        TZipArchive* self;
        ~DirUpdate() {
            if (self->OnDirUpdate) {
                self->OnDirUpdate(self);
            }
        }
    } dirUpdate{this};

    if (m_zipFilename.isEmpty() || !QFileInfo(m_zipFilename).isFile()) {
        return;
    }
    FileSource source(m_zipFilename);
    if (walkLocalHeaders(source, m_contents) == WalkResult::NoEntries) {
        showMessage(QStringLiteral("No valid zip entries found"));
    }
}

bool TZipArchive::fillBuffers(char*& archivePath, char** specSlots, int32_t& count) {
    if (m_fspecArgs.size() > kMaxFileSpecs) {
        showMessage(
            QStringLiteral("Error - too many files for one call (at most %1)").arg(kMaxFileSpecs));
        return false;
    }
    const QByteArray path = QFile::encodeName(m_zipFilename);
    if (path.size() >= kDllPathBufferSize) {
        showMessage(QStringLiteral("Error - zip file name longer than %1 characters: %2")
                        .arg(kDllPathBufferSize - 1)
                        .arg(m_zipFilename));
        return false;
    }
    std::vector<QByteArray> specs;
    specs.reserve(static_cast<size_t>(m_fspecArgs.size()));
    for (qsizetype i = 0; i < m_fspecArgs.size(); ++i) {
        const QString& spec = m_fspecArgs[i];
        // Items changed through FSpecArgs() since the stored names were set go as text.
        const bool stored =
            i < m_storedNames.size() && entryNameFromBytes(m_storedNames[i]) == spec;
        specs.push_back(stored ? m_storedNames[i] : QFile::encodeName(spec));
        if (specs.back().size() >= kDllPathBufferSize) {
            showMessage(QStringLiteral("Error - file name longer than %1 characters: %2")
                            .arg(kDllPathBufferSize - 1)
                            .arg(spec));
            return false;
        }
    }
    auto copy = [this](const QByteArray& text) {
        auto buffer = std::make_unique<char[]>(kDllPathBufferSize);
        std::memcpy(buffer.get(), text.constData(), static_cast<size_t>(text.size()));
        buffer[static_cast<size_t>(text.size())] = '\0';
        m_buffers.push_back(std::move(buffer));
        return m_buffers.back().get();
    };
    archivePath = copy(path);
    count = 0;
    for (const QByteArray& spec : specs) {
        specSlots[count++] = copy(spec);
    }
    return true;
}

void TZipArchive::freeBuffers() {
    while (!m_buffers.empty()) {
        m_buffers.pop_back();
    }
}

void TZipArchive::Add() {
    runZip(Operation::Add);
}

void TZipArchive::Delete() {
    runZip(Operation::Delete);
}

// Runs one library call; a missing export, a failure inside the library or a failed callback
// all end in the same fatal message.
template <class Params>
void TZipArchive::callLibrary(int32_t (*exec)(Params*), Params& params) {
    m_callbackFailed = false;
    try {
        if (exec == nullptr) {
            throw Error(kFatalDllError);
        }
        const int32_t result = exec(&params);
        if (m_callbackFailed) {
            throw Error(kFatalDllError);
        }
        m_successCount = result;
    } catch (...) {
        showMessage(kFatalDllError);
    }
}

void TZipArchive::runZip(Operation operation) {
    const bool deleting = operation == Operation::Delete;
    if (m_fspecArgs.isEmpty()) {
        showMessage(deleting ? QStringLiteral("Error - no files selected for deletion")
                             : QStringLiteral("Error - no files to zip"));
        return;
    }
    if (deleting ? !QFileInfo(m_zipFilename).isFile() : m_zipFilename.isEmpty()) {
        showMessage(QStringLiteral("Error - no zip file specified"));
        return;
    }
    if (m_zipFilename.right(4).toLower() == QLatin1String(".exe")) {
        showMessage(
            deleting ? QStringLiteral(
                           "Error - this pgm can NOT delete files from a self-extracting archive")
                     : QStringLiteral(
                           "Error - this pgm can NOT add files to a self-extracting archive"));
        return;
    }
    if (m_zipBusy) {
        return;
    }
    m_zipBusy = true;
    Cancel = false;

    LibraryState& state = libraries();
    const bool loadedHere = !state.zip;
    if (loadedHere) {
        LoadZipLibrary();
        if (!state.zip) {
            return;  // the busy mark stays: later adds and deletions stop at once
        }
    }

    ZipExecParams& p = *m_zipParams;
    std::memset(&p, 0, sizeof p);
    p.window = 0;
    p.caller = this;
    p.version = kDllRecordVersion;
    p.callback = &TZipArchive::ArchiveCallback;
    p.trace = dllBool(Trace);
    p.option20 = kDllFalse;
    p.option28 = kDllFalse;
    p.addHiddenFiles = dllBool(AddOptions.contains(AddHiddenFiles));
    p.option36 = kDllFalse;
    p.option40 = kDllFalse;
    p.option44 = kDllTrue;
    p.option48 = kDllFalse;
    p.verbose = dllBool(Verbose || Trace);
    p.option56 = kDllTrue;
    p.level = AddCompLevel;
    p.option64 = kDllFalse;
    p.option68 = kDllFalse;
    p.junkDirNames = dllBool(!AddOptions.contains(AddDirNames));
    p.recurse = dllBool(AddOptions.contains(AddRecurseDirs));
    p.option80 = kDllTrue;
    p.forceDos = dllBool(AddOptions.contains(AddForceDOS));
    p.move = dllBool(AddOptions.contains(AddMove));
    p.deleteEntries = kDllFalse;
    p.update = dllBool(AddOptions.contains(AddUpdate));
    p.freshen = dllBool(AddOptions.contains(AddFreshen) && !AddOptions.contains(AddUpdate));
    p.option104 = kDllFalse;
    p.zipTime = dllBool(AddOptions.contains(AddZipTime));
    p.option128 = 7;
    if (deleting) {
        p.deleteEntries = kDllTrue;
        p.junkDirNames = kDllFalse;
        p.recurse = kDllFalse;
        p.option80 = kDllFalse;
        p.move = kDllFalse;
        p.update = kDllFalse;
        p.freshen = kDllFalse;
    }

    if (fillBuffers(p.archivePath, p.specs, p.specCount)) {
        callLibrary(state.zipDllExec, p);
    }

    m_fspecArgs.clear();
    m_storedNames.clear();
    freeBuffers();
    if (loadedHere) {
        UnloadZipLibrary();
    }
    Cancel = false;
    m_zipBusy = false;
    if (m_successCount > 0) {
        ReadContents();
    }
}

void TZipArchive::Extract() {
    if (m_unzipBusy) {
        return;
    }
    m_unzipBusy = true;
    Cancel = false;

    LibraryState& state = libraries();
    const bool loadedHere = !state.unzip;
    if (loadedHere) {
        LoadUnzipLibrary();
        if (!state.unzip) {
            return;  // the busy mark stays: later extractions stop at once
        }
    }
    if (!ExtrBaseDir.isEmpty() && QFileInfo(ExtrBaseDir).isDir()) {
        QDir::setCurrent(ExtrBaseDir);
    }

    UnzipExecParams& p = *m_unzipParams;
    std::memset(&p, 0, sizeof p);
    p.window = 0;
    p.caller = this;
    p.version = kDllRecordVersion;
    p.callback = &TZipArchive::ArchiveCallback;
    p.trace = dllBool(Trace);
    p.option24 = kDllFalse;
    p.option28 = kDllFalse;
    p.option32 = kDllFalse;
    p.option36 = kDllFalse;
    p.option40 = kDllTrue;
    p.verbose = dllBool(Verbose || Trace);
    p.update = dllBool(ExtrOptions.contains(ExtrUpdate));
    p.freshen = dllBool(ExtrOptions.contains(ExtrFreshen) && !ExtrOptions.contains(ExtrUpdate));
    p.dirNames = dllBool(ExtrOptions.contains(ExtrDirNames));
    p.overwrite = dllBool(ExtrOptions.contains(ExtrOverWrite));
    p.option72 = 7;

    if (fillBuffers(p.archivePath, p.specs, p.specCount)) {
        callLibrary(state.unzDllExec, p);
    }

    m_fspecArgs.clear();
    m_storedNames.clear();
    freeBuffers();
    if (loadedHere) {
        UnloadUnzipLibrary();
    }
    Cancel = false;
    m_unzipBusy = false;
}

bool TZipArchive::loadLibrary(bool zip) {
    // dlopen shows no box of its own when a file is missing or damaged, so nothing needs to
    // be switched off around the load.
    LibraryState& state = libraries();
    const QString name = zip ? QStringLiteral("ZIPDLL.DLL") : QStringLiteral("UNZDLL.DLL");
    LibraryLoader& loader = m_loader != nullptr ? *m_loader : defaultLoader();
    std::unique_ptr<LoadedLibrary> library = loader.load(name);
    if (zip) {
        state.zip.reset();
        state.zipDllExec = nullptr;
        state.getZipDllVersion = nullptr;
    } else {
        state.unzip.reset();
        state.unzDllExec = nullptr;
        state.getUnzDllVersion = nullptr;
    }
    if (!library) {
        showMessage(name + QStringLiteral(" not found"));
        return false;
    }
    if (Trace) {
        showMessage(zip ? QStringLiteral("ZIP DLL Loaded") : QStringLiteral("UNZ DLL Loaded"));
    }
    const char* execName = zip ? "ZipDllExec" : "UnzDllExec";
    const char* versionName = zip ? "GetZipDllVersion" : "GetUnzDllVersion";
    void* exec = library->resolve(execName);
    if (exec == nullptr) {
        showMessage(
            QStringLiteral("%1 function not found in %2").arg(QLatin1String(execName), name));
    }
    void* version = library->resolve(versionName);
    if (version == nullptr) {
        showMessage(
            QStringLiteral("%1 function not found in %2").arg(QLatin1String(versionName), name));
    }
    if (zip) {
        state.zipDllExec = reinterpret_cast<ZipDllExecFn>(exec);
        state.getZipDllVersion = reinterpret_cast<DllVersionFn>(version);
        state.zip = std::move(library);
    } else {
        state.unzDllExec = reinterpret_cast<UnzDllExecFn>(exec);
        state.getUnzDllVersion = reinterpret_cast<DllVersionFn>(version);
        state.unzip = std::move(library);
    }
    return true;
}

void TZipArchive::LoadZipLibrary() {
    loadLibrary(true);
}

void TZipArchive::LoadUnzipLibrary() {
    loadLibrary(false);
}

void TZipArchive::UnloadZipLibrary() {
    LibraryState& state = libraries();
    state.zipDllExec = nullptr;
    state.getZipDllVersion = nullptr;
    state.zip.reset();
}

void TZipArchive::UnloadUnzipLibrary() {
    LibraryState& state = libraries();
    state.unzDllExec = nullptr;
    state.getUnzDllVersion = nullptr;
    state.unzip.reset();
}

bool TZipArchive::zipLibraryLoaded() {
    return libraries().zip != nullptr;
}

bool TZipArchive::unzipLibraryLoaded() {
    return libraries().unzip != nullptr;
}

int32_t TZipArchive::ArchiveCallback(DllCallbackRecord* record) {
    if (record == nullptr) {
        return kDllTrue;
    }
    auto* self = static_cast<TZipArchive*>(record->caller);
    if (liveArchives().count(self) == 0) {
        return kDllTrue;  // not one of ours: ask the library to stop
    }
    const QString text = entryNameFromBytes(QByteArray(
        record->text, static_cast<qsizetype>(strnlen(record->text, sizeof record->text))));
    try {
        switch (record->actionCode) {
            case DllActionFile:
                if (self->OnProgress) {
                    self->OnProgress(self, NewFile, text, record->fileSize);
                }
                break;
            case DllActionProgress:
                if (self->OnProgress) {
                    self->OnProgress(self, ProgressUpdate, QStringLiteral(" "), 0);
                }
                break;
            case DllActionEndFile:
                if (self->OnProgress) {
                    self->OnProgress(self, EndOfBatch, QStringLiteral(" "), 0);
                }
                break;
            case DllActionMessage:
                if (self->OnMessage) {
                    self->OnMessage(self, record->errorCode, trimLineEnds(text));
                }
                break;
            default:
                break;
        }
        if (self->m_busyPump) {
            self->m_busyPump();
        }
    } catch (...) {
        // An exception must not unwind through the library; it stops the call instead, and
        // the operation reports the failure once the library has returned.
        self->m_callbackFailed = true;
        return kDllTrue;
    }
    return self->Cancel ? kDllTrue : kDllFalse;
}

}  // namespace td
