#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

class QAction;
class QListWidget;
class QWidget;

namespace td {

class Dialogs;
class DirectorySource;
class TZipArchive;

// Texts of the "Add to zip" menu and of the archive commands.
inline const QString kRecentZipPlaceholder = QStringLiteral("zip file");
inline const QString kRecentZipHint = QStringLiteral("Chose a zip file first");
inline const QString kZipDialogTitle = QStringLiteral("Open Existing or New ZIP File");
// The dialog's filter; archives match it whatever the case of their names.
inline const QString kZipDialogFilter = QStringLiteral("ZIP Files (*.ZIP)");
inline const QString kAddError = QStringLiteral("Error in Add; Fatal DLL Exception in mainunit");
inline const QString kDeleteError = QStringLiteral("Fatal error trying to delete");

// `name` with ".zip" appended unless its lower-cased form holds ".zip" somewhere already.
QString withZipExtension(const QString& name);

// The archive path the add works on for a recent entry's caption: the caption's folder in its
// short form with one trailing "/", then its file name unchanged. Nothing when the folder does
// not exist (no short form).
std::optional<QString> archivePathOf(const QString& caption);

// The confirmation asked before entries are deleted from `archive`.
QString deleteQuestion(const QString& archive);

// What the window provides to the archive commands. Each may be empty.
struct ArchiveCommandHooks {
    std::function<void(int animation)> showBusy;
    std::function<void()> showIdle;
    // Lets the busy animation move while the library works.
    std::function<void()> keepPainting;
    // "Automatic Refresh".
    std::function<bool()> autoRefresh;
    // Rebuilds the font listing and the sample grid from the file list.
    std::function<void()> listFonts;
    // Shows the source's file list in the controls.
    std::function<void()> showFileList;
};

// The archive commands of the file list's context menu: adding the selected files to a recent
// or a newly chosen archive ("Add to zip"), and deleting the selected entries from the archive
// that is open in the list.
class ArchiveCommands : public QObject {
    Q_OBJECT

  public:
    // `recent` are the five recent entries N1zip1..N5zip1, `browse` is "Browse..." (New1); the
    // triggers of all six are connected here. `fileList` is the file list whose selection the
    // commands work on.
    ArchiveCommands(TZipArchive& archive, Dialogs& dialogs, DirectorySource& source,
                    QListWidget* fileList, const std::array<QAction*, 5>& recent, QAction* browse,
                    ArchiveCommandHooks hooks, QObject* parent = nullptr);

    void N1zip1Click() { addToRecentEntry(1); }
    void N2zip1Click() { addToRecentEntry(2); }
    void N3zip1Click() { addToRecentEntry(3); }
    void N4zip1Click() { addToRecentEntry(4); }
    void N5zip1Click() { addToRecentEntry(5); }
    // "Browse...": asks for an archive (a new name is accepted), makes it recent entry 1 and
    // adds the selected files to it.
    void New1Click();

    // Adds the selected files of the listed folder to the archive of recent entry `n` (1..5).
    void addToRecentEntry(int n);

    // Deletes the selected entries from the archive open in the file list (view mode 3), after
    // asking; then shows the archive's font entries again and, with "Automatic Refresh", lists
    // them.
    void DeleteArchiveEntries();

  private:
    void addToArchive(const QString& caption);
    void pushRecentEntries(const QString& archive);
    QStringList selectedEntries() const;
    // The selected entries of an archive's file list, by the names' stored bytes.
    QList<QByteArray> selectedStoredNames() const;
    QWidget* parentWidget() const;

    TZipArchive& m_archive;
    Dialogs& m_dialogs;
    DirectorySource& m_source;
    QListWidget* m_fileList;
    std::array<QAction*, 5> m_recent;
    ArchiveCommandHooks m_hooks;
};

}  // namespace td
