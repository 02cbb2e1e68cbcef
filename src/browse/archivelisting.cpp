#include "browse/archivelisting.h"

#include <QFileInfo>

#include "archive/tziparchive.h"
#include "browse/filelist.h"
#include "platform/dialogs.h"
#include "platform/fontfilerule.h"

namespace td {

bool isFontEntry(const QString& name) {
    return isFontFileName(name);
}

void readArchiveFontEntries(TZipArchive& archive, const QString& archivePath,
                            QStringList& entries) {
    archive.ClearContents();
    auto collect = [&] {
        entries.clear();
        for (const ZipDirEntry& content : archive.Contents()) {
            if (isFontEntry(content.FileName)) {
                entries << content.FileName;
            }
        }
        sortFileList(entries);
    };
    try {
        archive.setZipFilename(archivePath);
    } catch (...) {
        collect();
        throw;
    }
    collect();
}

void extractArchiveFonts(TZipArchive& archive, const QString& archivePath, const QString& tempPath,
                         Dialogs* dialogs) {
    // Without a temporary folder there is nowhere safe to extract to.
    if (tempPath.isEmpty()) {
        if (dialogs) {
            dialogs->messageBox(nullptr, BoxIcon::None, kExtractError, BoxButtons::Ok);
        }
        return;
    }
    archive.setZipFilename(archivePath);
    archive.setFSpecArgs(fontFileSpecs());
    archive.ExtrBaseDir = tempPath;
    archive.Verbose = false;
    archive.Trace = false;
    archive.ExtrOptions = ExtrOpts{ExtrOverWrite};
    try {
        archive.Extract();
    } catch (...) {
        if (dialogs) {
            dialogs->messageBox(nullptr, BoxIcon::None, kExtractError, BoxButtons::Ok);
        }
    }
}

QString archiveFileName(const TZipArchive& archive) {
    return QFileInfo(archive.ZipFilename()).fileName();
}

}  // namespace td
