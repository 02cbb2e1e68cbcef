#include "fontfiles/fontinstall.h"

#include <QDir>
#include <QFileInfo>

#include "browse/fontlisting.h"
#include "fontfiles/fileops.h"
#include "platform/dialogs.h"
#include "platform/error.h"
#include "platform/fontskey.h"
#include "platform/registry.h"
#include "platform/sfnt.h"

namespace td {

namespace {

void warn(Dialogs& dialogs, QWidget* parent, const QString& text) {
    dialogs.beep();
    dialogs.messageBox(parent, BoxIcon::Warning, text, BoxButtons::Ok);
}

}  // namespace

QString installedValueName(const QString& family) {
    return family + QStringLiteral(" (True Type)");
}

QString openTypeValueName(const QString& fullName) {
    return fullName + QStringLiteral(" (OpenType)");
}

QStringList installFonts(Dialogs& dialogs, QWidget* parent, Registry& registry,
                         const InstallJob& job,
                         const std::function<void(const QString&)>& activate) {
    QStringList installed;
    if (job.fileListCount <= 1) {
        return installed;
    }
    if (!job.anythingSelected) {
        warn(dialogs, parent, QStringLiteral("Select a font file first"));
        return installed;
    }
    const auto key =
        registry.openKey(RootKey::LocalMachine, QString::fromUtf16(kFontsKeyPath), false);
    const QString fontsFolder = job.defaultFontsFolder;
    FileSelection selection{job.viewMode, job.listedFolder, job.tempPath, {}};
    for (const InstallItem& item : job.selected) {
        const QString source = selectedFileSource(selection, item.entry);
        bool copy = job.viewMode == 3;
        if (job.viewMode == 1) {
            copy = dialogs.messageBox(parent, BoxIcon::Question,
                                      QStringLiteral("Copy ") + item.entry +
                                          QStringLiteral(" to default fonts directory?"),
                                      BoxButtons::YesNo) == BoxAnswer::Yes;
        }
        QString path = source;
        if (copy) {
            // The default fonts folder is made when it does not exist yet, as a fresh
            // desktop account often lacks it; only an absolute folder is used.
            path = QDir::isAbsolutePath(fontsFolder) && QDir().mkpath(fontsFolder)
                       ? extractedCopyPath(fontsFolder, item.entry)
                       : QString();
            if (!path.isEmpty()) {
                QDir().mkpath(QFileInfo(path).absolutePath());
            }
            if (source.isEmpty() || path.isEmpty() || !copyFileWhole(source, path)) {
                warn(dialogs, parent,
                     item.entry + QStringLiteral(" could not be copied to ") + fontsFolder +
                         QLatin1Char('.'));
                continue;
            }
        }
        if (path.isEmpty()) {
            continue;
        }
        // A font with CFF outlines is registered as the desktop lists such fonts; one without
        // a full name falls back on its family.
        const QString valueName =
            sfnt::fileHasCffOutlines(path)
                ? openTypeValueName(item.fullName.isEmpty() ? item.family : item.fullName)
                : installedValueName(item.family);
        try {
            if (key == nullptr) {
                throw Error(QStringLiteral("Failed to set data for '%1'").arg(valueName));
            }
            key->writeString(valueName, path);
        } catch (const Error& error) {
            warn(dialogs, parent, error.message());
            continue;
        }
        if (activate) {
            activate(path);
        }
        installed << path;
    }
    return installed;
}

QStringList deleteInstalledFonts(Dialogs& dialogs, QWidget* parent, Registry& registry,
                                 const QString& defaultFontsFolder, const QList<InstalledRow>& rows,
                                 const std::function<void(const QString&)>& removeFontResource,
                                 const std::function<void(const QString&)>& deactivate) {
    QStringList deleted;
    const auto key =
        registry.openKey(RootKey::LocalMachine, QString::fromUtf16(kFontsKeyPath), false);
    for (const InstalledRow& row : rows) {
        if (dialogs.messageBox(
                parent, BoxIcon::Question,
                QStringLiteral("Delete ") + row.displayName + QStringLiteral(" fonts ?"),
                BoxButtons::OkCancel) != BoxAnswer::Ok) {
            continue;
        }
        const QString valueName = row.sortEntry.section(QLatin1Char(';'), 0, 0);
        // A value that is gone, or holds no string, names no file: it is left alone.
        if (key == nullptr || key->valueType(valueName) != ValueType::String) {
            continue;
        }
        QString data = key->readString(valueName);
        if (!key->deleteValue(valueName)) {
            continue;
        }
        deleted << valueName;
        if (removeFontResource) {
            removeFontResource(data);
        }
        if (!QDir::isAbsolutePath(data)) {
            data = defaultFontsFolder + data;
        }
        if (deactivate) {
            deactivate(data);
        }
        if (dialogs.messageBox(parent, BoxIcon::Question,
                               QStringLiteral("Delete ") + data + QStringLiteral(" from disk?"),
                               BoxButtons::YesNo) == BoxAnswer::Yes) {
            deleteUserFile(data);
        }
    }
    return deleted;
}

}  // namespace td
