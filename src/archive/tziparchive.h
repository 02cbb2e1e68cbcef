#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "archive/dllrecords.h"
#include "archive/zipheaders.h"

namespace td {

class Dialogs;
class LibraryLoader;
struct Services;

// A set of options, one bit per value of the enumeration.
template <typename E>
class OptionSet {
  public:
    OptionSet() = default;
    OptionSet(std::initializer_list<E> values) {
        for (E value : values) {
            insert(value);
        }
    }
    bool contains(E value) const { return (m_bits & bit(value)) != 0; }
    OptionSet& insert(E value) {
        m_bits |= bit(value);
        return *this;
    }
    OptionSet& remove(E value) {
        m_bits &= ~bit(value);
        return *this;
    }
    bool empty() const { return m_bits == 0; }
    uint32_t bits() const { return m_bits; }
    bool operator==(const OptionSet&) const = default;

  private:
    static uint32_t bit(E value) { return 1u << static_cast<unsigned>(value); }
    uint32_t m_bits = 0;
};

enum AddOptsEnum {
    AddDirNames,
    AddRecurseDirs,
    AddMove,
    AddFreshen,
    AddUpdate,
    AddZipTime,
    AddForceDOS,
    AddHiddenFiles
};
using AddOpts = OptionSet<AddOptsEnum>;

enum ExtrOptsEnum { ExtrDirNames, ExtrOverWrite, ExtrFreshen, ExtrUpdate };
using ExtrOpts = OptionSet<ExtrOptsEnum>;

enum ProgressType { NewFile = 0, ProgressUpdate = 1, EndOfBatch = 2 };

class TZipArchive;
using TNotifyEvent = std::function<void(QObject* sender)>;
using TProgressEvent = std::function<void(QObject* sender, ProgressType progrType,
                                          const QString& filename, int32_t fileSize)>;
using TMessageEvent = std::function<void(QObject* sender, int32_t errCode, const QString& message)>;

// The program's access to ZIP archives. Listing is done here, by walking the archive's local
// headers; adding, deleting and extracting are handed to the two archive libraries ZIPDLL.DLL
// and UNZDLL.DLL, which are loaded at run time and shared by every instance.
class TZipArchive : public QObject {
    Q_OBJECT

  public:
    // Messages go through `services.dialogs`; the libraries are loaded through
    // `services.libraries` (the executable's folder first when that is null).
    explicit TZipArchive(const Services& services, QObject* owner = nullptr);
    ~TZipArchive() override;

    // Passed to the libraries; trace also forces the verbose flag on and makes a library
    // load announce itself.
    bool Verbose = false;
    bool Trace = false;
    // The folder made current before an Extract, when it exists.
    QString ExtrBaseDir;
    // Answered to the libraries' callback: true asks them to stop. Cleared at the start and
    // at the end of every operation.
    bool Cancel = false;
    AddOpts AddOptions;
    ExtrOpts ExtrOptions;
    int32_t AddCompLevel = 9;
    TNotifyEvent OnDirUpdate;
    TProgressEvent OnProgress;
    TMessageEvent OnMessage;

    // The archive's entries in file order, as at the last ReadContents.
    const std::vector<ZipDirEntry>& Contents() const { return m_contents; }
    int Count() const { return static_cast<int>(m_contents.size()); }

    // File specifications for the next Add, Delete or Extract; emptied after each.
    QStringList& FSpecArgs() { return m_fspecArgs; }
    const QStringList& FSpecArgs() const { return m_fspecArgs; }
    void setFSpecArgs(const QStringList& specs) {
        m_fspecArgs = specs;
        m_storedNames.clear();
    }
    // Names entries by their stored bytes: FSpecArgs becomes their texts, and the libraries are
    // handed these bytes for each item that still reads as its text, so an entry whose name is
    // not UTF-8 (or differs from another only in case) is the one meant, and no other.
    void setStoredNameSpecs(const QList<QByteArray>& names);

    const QString& ZipFilename() const { return m_zipFilename; }
    // Stores the path and reads the archive's entries at once (ReadContents).
    void setZipFilename(const QString& path);

    // What the last library call that returned answered.
    int32_t SuccessCount() const { return m_successCount; }

    void ReadContents();
    void ClearContents();
    void Add();
    void Delete();
    void Extract();

    void LoadZipLibrary();
    void LoadUnzipLibrary();
    static void UnloadZipLibrary();
    static void UnloadUnzipLibrary();
    static bool zipLibraryLoaded();
    static bool unzipLibraryLoaded();

    // Whether an Add or Delete (an Extract) is under way; a failed library load leaves its
    // mark set for the rest of the run.
    bool zipBusy() const { return m_zipBusy; }
    bool unzipBusy() const { return m_unzipBusy; }

    // Called from inside the libraries' callback, so that a busy indicator can keep moving
    // while a long library call blocks the window.
    void setBusyPump(std::function<void()> pump) { m_busyPump = std::move(pump); }

    // The records as filled for the last call (what the libraries were handed).
    const ZipExecParams& zipParams() const { return *m_zipParams; }
    const UnzipExecParams& unzipParams() const { return *m_unzipParams; }

    // The callback whose address goes into both parameter records.
    static int32_t ArchiveCallback(DllCallbackRecord* record);

  private:
    enum class Operation { Add, Delete };
    void runZip(Operation operation);
    void showMessage(const QString& text) const;
    bool loadLibrary(bool zip);
    // Copies the archive path and the specifications into their buffers; false (after a
    // message) when one is too long or there are too many.
    bool fillBuffers(char*& archivePath, char** specSlots, int32_t& count);
    void freeBuffers();
    template <class Params>
    void callLibrary(int32_t (*exec)(Params*), Params& params);

    Dialogs* m_dialogs;
    LibraryLoader* m_loader;
    std::vector<ZipDirEntry> m_contents;
    bool m_zipBusy = false;
    bool m_unzipBusy = false;
    QStringList m_fspecArgs;
    QList<QByteArray> m_storedNames;
    QString m_zipFilename;
    int32_t m_successCount = 0;
    std::unique_ptr<ZipExecParams> m_zipParams;
    std::unique_ptr<UnzipExecParams> m_unzipParams;
    std::vector<std::unique_ptr<char[]>> m_buffers;
    std::function<void()> m_busyPump;
    bool m_callbackFailed = false;
};

}  // namespace td
