#pragma once

#include <QString>
#include <QStringList>

namespace td {

// Starting programs and opening documents. Nothing is waited for.
class Shell {
  public:
    Shell() = default;
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;
    virtual ~Shell() = default;

    // Starts `target` detached with `arguments` in `workingFolder` (empty: the current one).
    // An executable file or a command on the search path is run; any other existing file is
    // opened with the desktop's handler for it. False when nothing could be started.
    virtual bool start(const QString& target, const QStringList& arguments,
                       const QString& workingFolder = {}) = 0;
    // Opens a document or folder with the desktop's handler (xdg-open).
    virtual bool openDocument(const QString& path) = 0;
};

// Starts real processes.
class DesktopShell final : public Shell {
  public:
    bool start(const QString& target, const QStringList& arguments,
               const QString& workingFolder = {}) override;
    bool openDocument(const QString& path) override;
};

// Records what would be started, for tests.
class RecordingShell final : public Shell {
  public:
    struct Call {
        QString target;
        QStringList arguments;
        QString workingFolder;
        bool document = false;  // true for openDocument
    };

    bool start(const QString& target, const QStringList& arguments,
               const QString& workingFolder = {}) override;
    bool openDocument(const QString& path) override;

    // What was asked for, in order.
    const QList<Call>& calls() const { return m_calls; }
    // The answer every later call gives.
    void setResult(bool result) { m_result = result; }

  private:
    QList<Call> m_calls;
    bool m_result = true;
};

// The desktop's default application for a MIME type (mimeapps.list in the XDG config and data
// folders, then the desktop entry it names) as a command line: the entry's Exec line with its
// file and URL field codes turned into "%1" and the others left out. Without such an entry,
// "xdg-open %1" when xdg-open is on the search path; else empty.
QString defaultHandlerCommand(const QString& mimeType);

// The short form of a path. Names here have no short form, so an existing path is its own
// short form; false (and `result` untouched) when nothing exists at the path.
bool shortPathName(const QString& path, QString* result);

}  // namespace td
