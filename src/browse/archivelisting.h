#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace td {

class Dialogs;
class TZipArchive;

// The text shown when extracting an archive's fonts fails.
inline const QString kExtractError =
    QStringLiteral("Error in Extract; Fatal DLL Exception in mainunit");

// True for an archive entry that is a font file under the font file rule.
bool isFontEntry(const QString& name);

// A font entry of an archive as the file list keeps it: the name shown, and the name's bytes as
// stored, which is what identifies the entry to the archive libraries.
struct ArchiveFontEntry {
    QString name;
    QByteArray storedName;
};

// The font entries of the archive open in `archive`, in archive order.
std::vector<ArchiveFontEntry> archiveFontEntries(const TZipArchive& archive);

// Opens the archive `archivePath` afresh in `archive` (its previous contents forgotten) and puts
// its font entries, sorted by name as the file list sorts, into `entries`. A damaged archive
// raises the component's reading error; `entries` then holds the font entries read before the
// damage.
void readArchiveFontEntries(TZipArchive& archive, const QString& archivePath,
                            std::vector<ArchiveFontEntry>& entries);

// Opens `archivePath` and extracts its font file entries into `tempPath`, overwriting earlier
// copies. An extraction that raises shows kExtractError (through `dialogs`, when given) and the
// listing goes on with whatever copies exist; an archive that cannot be read raises its error.
void extractArchiveFonts(TZipArchive& archive, const QString& archivePath, const QString& tempPath,
                         Dialogs* dialogs);

// The file name part of the archive the component has open.
QString archiveFileName(const TZipArchive& archive);

}  // namespace td
