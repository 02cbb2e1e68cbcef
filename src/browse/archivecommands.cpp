#include "browse/archivecommands.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>

#include "archive/tziparchive.h"
#include "browse/filelist.h"
#include "browse/fontlisting.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/error.h"
#include "platform/shell.h"

namespace td {

namespace {

// The file list's names are bare names of the listed folder, but listing an archive makes the
// temporary folder current; the add therefore runs in the listed folder and puts the previous
// current folder back afterwards, whatever happens.
class CurrentFolder {
  public:
    CurrentFolder() : m_previous(QDir::currentPath()) {}
    ~CurrentFolder() { QDir::setCurrent(m_previous); }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

  private:
    QString m_previous;
};

QString missingFolderMessage(const QString& folder) {
    return QStringLiteral("Nothing was added: the folder %1 does not exist.").arg(folder);
}

}  // namespace

QString withZipExtension(const QString& name) {
    return name.toLower().contains(QStringLiteral(".zip")) ? name : name + QStringLiteral(".zip");
}

std::optional<QString> archivePathOf(const QString& caption) {
    const qsizetype slash = caption.lastIndexOf(u'/');
    const QString folder = slash < 0 ? QString() : caption.left(slash + 1);
    QString shortFolder;
    if (!shortPathName(folder, &shortFolder) || !QFileInfo(shortFolder).isDir()) {
        return std::nullopt;
    }
    return withTrailingSlash(shortFolder) + caption.mid(slash + 1);
}

QString deleteQuestion(const QString& archive) {
    return QStringLiteral("Delete selected file(s) from: ") + archive + u'?';
}

ArchiveCommands::ArchiveCommands(TZipArchive& archive, Dialogs& dialogs, DirectorySource& source,
                                 QListWidget* fileList, const std::array<QAction*, 5>& recent,
                                 QAction* browse, ArchiveCommandHooks hooks, QObject* parent)
    : QObject(parent),
      m_archive(archive),
      m_dialogs(dialogs),
      m_source(source),
      m_fileList(fileList),
      m_recent(recent),
      m_hooks(std::move(hooks)) {
    for (int n = 1; n <= 5; ++n) {
        if (QAction* item = m_recent[static_cast<size_t>(n - 1)]) {
            connect(item, &QAction::triggered, this,
                    td::guarded([this, n] { addToRecentEntry(n); }));
        }
    }
    if (browse) {
        connect(browse, &QAction::triggered, this, td::guarded([this] { New1Click(); }));
    }
}

QWidget* ArchiveCommands::parentWidget() const {
    return m_fileList;
}

QStringList ArchiveCommands::selectedEntries() const {
    QStringList names;
    if (!m_fileList) {
        return names;
    }
    for (int row = 0; row < m_fileList->count(); ++row) {
        if (m_fileList->item(row)->isSelected()) {
            names << m_fileList->item(row)->text();
        }
    }
    return names;
}

QList<QByteArray> ArchiveCommands::selectedStoredNames() const {
    QList<QByteArray> names;
    if (!m_fileList) {
        return names;
    }
    const QStringList& listed = m_source.fileList();
    for (int row = 0; row < m_fileList->count(); ++row) {
        const QListWidgetItem* item = m_fileList->item(row);
        if (item->isSelected()) {
            // The row's stored name, as long as the list shows what the source holds.
            names << (row < listed.size() && listed.at(row) == item->text()
                          ? m_source.storedEntryName(row)
                          : item->text().toUtf8());
        }
    }
    return names;
}

void ArchiveCommands::addToRecentEntry(int n) {
    if (n < 1 || n > 5 || !m_recent[static_cast<size_t>(n - 1)]) {
        return;
    }
    addToArchive(m_recent[static_cast<size_t>(n - 1)]->text());
}

void ArchiveCommands::New1Click() {
    const QString chosen = m_dialogs.openOrNewFileName(parentWidget(), kZipDialogTitle,
                                                       m_source.folder(), kZipDialogFilter);
    if (chosen.isEmpty()) {
        return;
    }
    const QString archive = withZipExtension(chosen);
    pushRecentEntries(archive);
    addToArchive(archive);
}

void ArchiveCommands::pushRecentEntries(const QString& archive) {
    // From the bottom up, each entry in use moves one place down; the fifth is lost. The list
    // is not searched: an archive chosen again stands in it twice.
    for (size_t from = 4; from-- > 0;) {
        QAction* source = m_recent[from];
        QAction* target = m_recent[from + 1];
        if (source && target && source->text() != kRecentZipPlaceholder) {
            target->setText(source->text());
            target->setVisible(true);
        }
    }
    if (QAction* first = m_recent[0]) {
        first->setText(archive);
        first->setVisible(true);
    }
}

void ArchiveCommands::addToArchive(const QString& caption) {
    const std::optional<QString> path = archivePathOf(caption);
    if (!path) {
        const qsizetype slash = caption.lastIndexOf(u'/');
        m_dialogs.messageBox(parentWidget(), BoxIcon::Warning,
                             missingFolderMessage(slash < 0 ? caption : caption.left(slash + 1)),
                             BoxButtons::Ok);
        return;
    }
    // A damaged archive stops the add here with its reading error: nothing is written into it.
    try {
        m_archive.setZipFilename(*path);
    } catch (const Error& error) {
        m_dialogs.messageBox(parentWidget(), BoxIcon::Critical, error.message(), BoxButtons::Ok);
        return;
    }
    m_archive.Verbose = false;
    m_archive.Trace = true;
    m_archive.AddOptions = AddOpts{};
    m_archive.FSpecArgs().clear();
    m_archive.setFSpecArgs(selectedEntries());

    CurrentFolder restore;
    const QString listed = m_source.folder();
    if (!m_archive.FSpecArgs().isEmpty() && !QDir::setCurrent(listed)) {
        // Bare names would otherwise be looked for in whatever folder is current.
        m_archive.FSpecArgs().clear();
        m_dialogs.messageBox(parentWidget(), BoxIcon::Warning, missingFolderMessage(listed),
                             BoxButtons::Ok);
        return;
    }
    try {
        m_archive.Add();
    } catch (...) {
        m_dialogs.messageBox(parentWidget(), BoxIcon::None, kAddError, BoxButtons::Ok);
    }
    m_dialogs.messageBox(
        parentWidget(), BoxIcon::None,
        QString::number(m_archive.SuccessCount()) + QStringLiteral(" files were added"),
        BoxButtons::Ok);
}

void ArchiveCommands::DeleteArchiveEntries() {
    if (m_fileList && m_fileList->count() > 0) {
        if (m_dialogs.messageBox(parentWidget(), BoxIcon::Question,
                                 deleteQuestion(m_archive.ZipFilename()),
                                 BoxButtons::YesNo) != BoxAnswer::Yes) {
            return;
        }
        if (m_hooks.showBusy) {
            m_hooks.showBusy(8);
        }
        m_archive.FSpecArgs().clear();
        m_archive.setStoredNameSpecs(selectedStoredNames());
        m_archive.Verbose = false;
        m_archive.Trace = false;
        m_archive.setBusyPump(m_hooks.keepPainting);
        try {
            m_archive.Delete();
        } catch (...) {
            m_dialogs.messageBox(parentWidget(), BoxIcon::None, kDeleteError, BoxButtons::Ok);
        }
        m_archive.setBusyPump({});
        // A re-read that fails still leaves a usable list (the entries read before the damage)
        // and ends the busy indicator before its error is shown; the damaged archive is not
        // listed again.
        std::optional<QString> readError;
        try {
            m_archive.ReadContents();
        } catch (const Error& error) {
            readError = error.message();
        }
        m_source.showArchiveFontEntries();
        if (m_hooks.showFileList) {
            m_hooks.showFileList();
        }
        if (readError) {
            if (m_hooks.showIdle) {
                m_hooks.showIdle();
            }
            m_dialogs.messageBox(parentWidget(), BoxIcon::Critical, *readError, BoxButtons::Ok);
            return;
        }
    }
    if (m_hooks.showIdle) {
        m_hooks.showIdle();
    }
    if (m_hooks.autoRefresh && m_hooks.autoRefresh() && m_hooks.listFonts) {
        m_hooks.listFonts();
    }
}

}  // namespace td
