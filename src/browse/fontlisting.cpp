#include "browse/fontlisting.h"

#include <QFileInfo>
#include <QRegularExpression>

#include "archive/tziparchive.h"
#include "browse/archivelisting.h"
#include "browse/filelist.h"
#include "platform/busyanimation.h"
#include "platform/dialogs.h"
#include "platform/error.h"
#include "ttfnames/fontnames.h"

namespace td {

FontDataRow fontDataRow(const TFontNames& names, const QString& entry) {
    FontDataRow row;
    row[kColFamily] = names.Family;
    row[kColSubfamily] = names.Subfamily;
    row[kColEntry] = entry;
    row[kColName] = names.Name;
    row[kColVersion] = names.Version;
    row[kColIdentifier] = names.Identifier;
    row[kColCopyright] = names.Copyright;
    row[kColTrademark] = names.Trademark;
    row[kColPostscript] = names.Postscript;
    return row;
}

TFontNames namesOfRow(const FontDataRow& row) {
    TFontNames names;
    names.Copyright = row[kColCopyright];
    names.Family = row[kColFamily];
    names.Subfamily = row[kColSubfamily];
    names.Identifier = row[kColIdentifier];
    names.Name = row[kColName];
    names.Version = row[kColVersion];
    names.Postscript = row[kColPostscript];
    names.Trademark = row[kColTrademark];
    return names;
}

QString extractedCopyPath(const QString& tempPath, const QString& entry) {
    if (tempPath.isEmpty() || entry.isEmpty() || entry.startsWith(u'/') ||
        entry.startsWith(u'\\')) {
        return {};
    }
    static const QRegularExpression separators(QStringLiteral("[/\\\\]"));
    for (const QString& part : entry.split(separators)) {
        if (part == u"..") {
            return {};
        }
    }
    return withTrailingSlash(tempPath) + entry;
}

const FontDataRow& FontListing::row(int row) const {
    static const FontDataRow empty{};
    if (row < 0 || row >= rowCount()) {
        return empty;
    }
    return StringGrid1[static_cast<size_t>(row)];
}

QString FontListing::path(int row) const {
    return row >= 0 && row < lb_.size() ? lb_.at(row) : QString();
}

int FontListing::faceCount(int row) const {
    return row >= 0 && row < faces_.size() ? std::max(1, faces_.at(row)) : 1;
}

void FontListing::resetRows() {
    StringGrid1.assign(1, FontDataRow{});
    faces_.clear();
}

void FontListing::readRows(const QStringList& entries, const std::function<void()>& keepPainting) {
    faces_ = QList<int>(lb_.size(), 1);
    for (qsizetype k = 0; k < lb_.size(); ++k) {
        const QString& path = lb_.at(k);
        // A collection is one row, named after its first face.
        const TFontNames names = path.isEmpty() ? TFontNames{} : ReadFontNames(path, 0, &faces_[k]);
        if (StringGrid1.size() < static_cast<size_t>(k + 1)) {
            StringGrid1.emplace_back();
        }
        StringGrid1[static_cast<size_t>(k)] =
            fontDataRow(names, k < entries.size() ? entries.at(k) : QString());
        if (keepPainting) {
            keepPainting();
        }
    }
}

DirectorySource::DirectorySource(TZipArchive& archive, Dialogs* dialogs, QString tempPath,
                                 Hooks hooks)
    : m_archive(archive),
      m_dialogs(dialogs),
      m_tempPath(withTrailingSlash(tempPath)),
      m_hooks(std::move(hooks)) {
    m_fileList << kParentEntry;
}

void DirectorySource::showBusy(int animation) const {
    if (m_hooks.showBusy) {
        m_hooks.showBusy(animation);
    }
}

void DirectorySource::showIdle() const {
    if (m_hooks.showIdle) {
        m_hooks.showIdle();
    }
}

void DirectorySource::rereadFileList() {
    if (m_viewMode == 3) {
        return;
    }
    if (m_viewMode == 1 && m_withSubfolders) {
        m_fileList = subfolderFontEntries(m_folder, m_hooks.keepPainting);
    } else {
        m_fileList = folderEntries(m_folder, m_mask);
    }
    ensureParentEntry(m_fileList);
    if (m_current >= m_fileList.size()) {
        m_current = m_fileList.isEmpty() ? -1 : 0;
    }
}

void DirectorySource::ListFonts() {
    showBusy(2);
    IdleOnExit idle([this] { showIdle(); });
    rereadFileList();
    ensureParentEntry(m_fileList);
    if (m_viewMode == 2) {
        return;
    }
    m_listing.resetRows();
    if (m_fileList.size() > 1) {
        const QStringList entries = m_fileList.mid(1);
        m_listing.lb_.clear();
        if (m_viewMode == 1) {
            const QString folder = withTrailingSlash(m_folder);
            for (const QString& entry : entries) {
                m_listing.lb_ << folder + entry;
            }
        } else {
            listArchiveFonts();
            for (const QString& entry : entries) {
                m_listing.lb_ << extractedCopyPath(m_tempPath, entry);
            }
        }
        m_listing.readRows(entries, m_hooks.keepPainting);
    }
    m_caption = directoryCaption(static_cast<int>(m_fileList.size()));
    ++m_listingCount;
}

void DirectorySource::listArchiveFonts() {
    // The archive is looked for in the folder the tree shows, under the name it was opened by.
    extractArchiveFonts(m_archive, withTrailingSlash(m_folder) + archiveFileName(m_archive),
                        m_tempPath, m_dialogs);
}

void DirectorySource::leaveArchiveList() {
    m_viewMode = 2;
    m_mask = kArchiveMask;
    rereadFileList();
    m_addToZipVisible = true;
    m_fileCommandsVisible = false;
}

void DirectorySource::enterArchive(const QString& entry) {
    m_viewMode = 3;
    showBusy(2);
    m_addToZipVisible = false;
    m_fileCommandsVisible = true;
    std::vector<ArchiveFontEntry> names;
    auto show = [&] {
        m_fileList = QStringList{kParentEntry};
        m_storedNames = QList<QByteArray>{kParentEntry.toUtf8()};
        for (const ArchiveFontEntry& name : names) {
            m_fileList << name.name;
            m_storedNames << name.storedName;
        }
        m_current = 0;
    };
    try {
        // The entry names an archive of the listed folder, whatever the current folder is.
        readArchiveFontEntries(m_archive, withTrailingSlash(m_folder) + entry, names);
    } catch (...) {
        show();
        listWithoutFonts();
        throw;
    }
    show();
}

void DirectorySource::listWithoutFonts() {
    // Nothing of a damaged archive is extracted; its rows stay blank rather than showing the
    // fonts of the previous listing.
    const QStringList entries = m_fileList.mid(1);
    m_listing.resetRows();
    m_listing.lb_ = QStringList(entries.size(), QString());
    m_listing.readRows(entries);
    m_caption = directoryCaption(static_cast<int>(m_fileList.size()));
    ++m_listingCount;
}

void DirectorySource::OpenListEntry() {
    IdleOnExit idle([this] { showIdle(); });
    const bool hasEntry = m_current >= 0 && m_current < m_fileList.size();
    const QString entry = hasEntry ? m_fileList.at(m_current) : QString();
    if (m_viewMode == 3) {
        // Any other entry than ".." navigates nowhere, but the listing is refreshed all the same.
        if (entry == kParentEntry) {
            leaveArchiveList();
        }
    } else if (m_viewMode == 2) {
        if (!hasEntry) {
            return;
        }
        if (entry == kParentEntry) {
            m_folder = folderUp(m_folder);
            rereadFileList();
        } else {
            enterArchive(entry);
        }
    } else {
        return;
    }
    if (autoRefresh()) {
        ListFonts();
    }
}

void DirectorySource::chooseFontFiles() {
    m_addToZipVisible = true;
    m_fileCommandsVisible = true;
    m_mask = kFontMask;
    m_viewMode = 1;
    rereadFileList();
    if (autoRefresh()) {
        ListFonts();
    }
    m_withSubfoldersVisible = true;
}

void DirectorySource::chooseArchives() {
    m_viewMode = 2;
    m_addToZipVisible = false;
    m_fileCommandsVisible = false;
    m_mask = kArchiveMask;
    m_withSubfoldersVisible = false;
    m_withSubfolders = false;
    rereadFileList();
}

void DirectorySource::setWithSubfolders(bool on) {
    m_withSubfolders = on;
    ListFonts();
}

bool DirectorySource::setFolder(const QString& folder) {
    m_folder = withTrailingSlash(folder);
    if (m_viewMode == 3) {
        // The file list follows the folder tree; inside an archive it would show the new
        // folder's archives as if they were the archive's fonts.
        leaveArchiveList();
    } else {
        rereadFileList();
    }
    return m_mask == kFontMask && autoRefresh();
}

void DirectorySource::showArchiveFontEntries() {
    m_fileList = QStringList{kParentEntry};
    m_storedNames = QList<QByteArray>{kParentEntry.toUtf8()};
    for (const ArchiveFontEntry& entry : archiveFontEntries(m_archive)) {
        m_fileList << entry.name;
        m_storedNames << entry.storedName;
    }
    m_current = 0;
}

QByteArray DirectorySource::storedEntryName(int row) const {
    if (row < 0 || row >= m_fileList.size()) {
        return {};
    }
    const bool stored = m_viewMode == 3 && m_storedNames.size() == m_fileList.size();
    return stored ? m_storedNames.at(row) : m_fileList.at(row).toUtf8();
}

std::optional<int> DirectorySource::propertiesRow() const {
    if (m_viewMode == 2 || m_current < 0 || m_current >= m_fileList.size() ||
        m_fileList.at(m_current) == kParentEntry) {
        return std::nullopt;
    }
    return m_current - 1;
}

}  // namespace td
