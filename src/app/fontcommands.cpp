// The main window's font file commands: install, delete, copy and move. The work itself is
// done by plain functions of the font file management; these handlers gather what the
// controls hold and hand it over.

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <optional>
#include <utility>

#include "app/tframe1.h"
#include "browse/directorypanel.h"
#include "browse/filelist.h"
#include "browse/fontlisting.h"
#include "fontfiles/fileops.h"
#include "fontfiles/fontinstall.h"
#include "fontfiles/tform3.h"
#include "platform/application.h"
#include "platform/fonttable.h"
#include "platform/windowset.h"
#include "views/searchpanel.h"

namespace {

const QString kCopyMode = QStringLiteral("Copy To...");
const QString kMoveMode = QStringLiteral("Move To...");

}  // namespace

void TFrame1::connectFontCommands() {
    connect(Install, &QAction::triggered, this, td::guarded(this, &TFrame1::InstallClick));
    for (std::size_t k = 0; k < copydirItems.size(); ++k) {
        connect(copydirItems[k], &QAction::triggered, this,
                td::guarded([this, k] { CopySelectedFiles(copydirItems[k]->text()); }));
        connect(movedirItems[k], &QAction::triggered, this,
                td::guarded([this, k] { MoveSelectedFiles(movedirItems[k]->text()); }));
    }
    connect(newcopydir1, &QAction::triggered, this, td::guarded(this, &TFrame1::newcopydir1Click));
    connect(newmovedir11, &QAction::triggered, this,
            td::guarded(this, &TFrame1::newmovedir11Click));
}

void TFrame1::InstallClick() {
    Button6Click();
}

void TFrame1::InstallSelectedFonts() {
    if (!m_directory || m_services.dialogs == nullptr || m_services.registry == nullptr) {
        return;
    }
    td::InstallJob job;
    job.viewMode = m_directory->viewMode();
    job.listedFolder = m_directory->folder();
    job.tempPath = m_tempPath;
    // The option is corrected in its field before anything is copied.
    if (!Edit4->text().isEmpty()) {
        Edit4->setText(td::withTrailingSeparator(Edit4->text()));
    }
    job.defaultFontsFolder = Edit4->text();
    job.fileListCount = FileListBox1->count();
    for (int i = 0; i < FileListBox1->count(); ++i) {
        const QListWidgetItem* item = FileListBox1->item(i);
        if (!item->isSelected()) {
            continue;
        }
        job.anythingSelected = true;
        if (i >= 1 && item->text() != td::kParentEntry) {
            const td::FontDataRow& row = m_directory->listing().row(i - 1);
            job.selected.append({item->text(), row[td::kColFamily], row[td::kColName]});
        }
    }
    td::installFonts(*m_services.dialogs, this, *m_services.registry, job,
                     [this](const QString& path) { ActivateFontFile(path); });
}

td::FileSelection TFrame1::selectedFiles() const {
    td::FileSelection selection;
    if (!m_directory) {
        return selection;
    }
    selection.viewMode = m_directory->viewMode();
    selection.listedFolder = m_directory->folder();
    selection.tempPath = m_tempPath;
    for (int i = 1; i < FileListBox1->count(); ++i) {
        const QListWidgetItem* item = FileListBox1->item(i);
        if (item->isSelected() && item->text() != td::kParentEntry) {
            selection.entries << item->text();
        }
    }
    return selection;
}

void TFrame1::CopySelectedFiles(const QString& folder) {
    copyFiles(selectedFiles(), folder);
}

void TFrame1::MoveSelectedFiles(const QString& folder) {
    // The names are collected before anything is deleted, so the deletions cannot disturb them.
    moveFiles(selectedFiles(), folder);
}

void TFrame1::copyFiles(const td::FileSelection& selection, const QString& folder) {
    td::copySelectedFiles(selection, folder);
}

void TFrame1::moveFiles(const td::FileSelection& selection, const QString& folder) {
    ListBox4->clear();
    ListBox4->addItems(selection.entries);
    td::moveSelectedFiles(selection, folder);
    if (CheckBox8->isChecked()) {
        ListFonts();
    }
}

void TFrame1::newcopydir1Click() {
    showDestinationDialog(kCopyMode);
}

void TFrame1::newmovedir11Click() {
    showDestinationDialog(kMoveMode);
}

void TFrame1::showDestinationDialog(const QString& mode) {
    if (m_services.windows == nullptr) {
        return;
    }
    if (auto* chooser = m_services.windows->find<TForm3>()) {
        // The files are the ones selected now: a refresh while the chooser is open (focus
        // coming back with "Automatic Refresh") rebuilds the file list and its selection.
        m_chosenFiles = selectedFiles();
        connect(chooser, &TForm3::doPressed, this, &TFrame1::DestinationChosen,
                Qt::UniqueConnection);
        chooser->showDoMode(mode);
    }
}

void TFrame1::DestinationChosen(const QString& mode, const QString& folder) {
    // Connected as a unique member-function connection, so it guards itself.
    td::runGuarded([&] { copyOrMoveTo(mode, folder); });
}

void TFrame1::copyOrMoveTo(const QString& mode, const QString& folder) {
    td::RecentFolders folders;
    for (std::size_t k = 0; k < folders.size(); ++k) {
        folders[k] = {copydirItems[k]->text(), copydirItems[k]->isVisible()};
    }
    td::pushRecentFolder(folders, folder);
    for (std::size_t k = 0; k < folders.size(); ++k) {
        for (QAction* item : {copydirItems[k], movedirItems[k]}) {
            item->setText(folders[k].caption);
            item->setVisible(folders[k].visible);
        }
    }
    const std::optional<td::FileSelection> chosen = std::exchange(m_chosenFiles, std::nullopt);
    const td::FileSelection selection = chosen ? *chosen : selectedFiles();
    if (mode == kCopyMode) {
        copyFiles(selection, folders[0].caption);
    } else if (mode == kMoveMode) {
        moveFiles(selection, folders[0].caption);
    }
}

void TFrame1::DeleteSelected() {
    if (m_services.dialogs == nullptr) {
        return;
    }
    QWidget* page = PageControl1->currentWidget();
    if (page == TabSheet5) {
        deleteFoundFonts();
    } else if (page == TabSheet1) {
        deleteListedFonts();
    } else if (page == TabSheet2) {
        deleteInstalledFonts();
    }
}

void TFrame1::deleteListedFonts() {
    if (!m_directory) {
        return;
    }
    if (m_directory->viewMode() == 3) {
        DeleteArchiveEntries();
        return;
    }
    QList<int> selected;
    QStringList entries;
    for (int i = 0; i < FileListBox1->count(); ++i) {
        entries << FileListBox1->item(i)->text();
        if (FileListBox1->item(i)->isSelected()) {
            selected << i;
        }
    }
    if (!td::deleteListedFiles(*m_services.dialogs, this, m_directory->folder(), entries,
                               selected)) {
        return;
    }
    m_directory->rereadFileList();
    if (m_directoryPanel) {
        m_directoryPanel->sync();
    }
    if (CheckBox8->isChecked()) {
        ListFonts();
    }
}

void TFrame1::deleteFoundFonts() {
    if (!m_searchPanel) {
        return;
    }
    if (td::deleteFoundFiles(*m_services.dialogs, this, m_searchPanel->selectedPaths(),
                             [this](const QString& path) { DeactivateFontFile(path); })) {
        Button9->click();
    }
}

void TFrame1::deleteInstalledFonts() {
    if (m_services.registry == nullptr) {
        return;
    }
    QList<td::InstalledRow> rows;
    QList<int> selected;
    for (const QModelIndex& index : StringGrid5->selectionModel()->selectedIndexes()) {
        if (!selected.contains(index.row())) {
            selected << index.row();
        }
    }
    std::sort(selected.begin(), selected.end());
    for (int row : std::as_const(selected)) {
        const QTableWidgetItem* name = StringGrid4->item(row, 0);
        if (row < ListBox1->count()) {
            rows.append({name != nullptr ? name->text() : QString(), ListBox1->item(row)->text()});
        }
    }
    td::deleteInstalledFonts(
        *m_services.dialogs, this, *m_services.registry, Edit4->text(), rows,
        [this](const QString& path) {
            if (m_services.fonts != nullptr) {
                m_services.fonts->deactivate(path);
            }
        },
        [this](const QString& path) { DeactivateFontFile(path); });
    if (CheckBox8->isChecked()) {
        Button1->click();
    }
}
