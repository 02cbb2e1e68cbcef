#include "platform/shell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "platform/configfolder.h"

namespace td {

namespace {

QString xdgOpen() {
    return QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
}

bool startProgram(const QString& program, const QStringList& arguments,
                  const QString& workingFolder) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (!workingFolder.isEmpty()) {
        process.setWorkingDirectory(workingFolder);
    }
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached();
}

QStringList searchFolders(const char* homeVariable, const QString& homeFallback,
                          const char* dirsVariable, const QString& dirsFallback) {
    QStringList folders;
    const QString home = qEnvironmentVariable(homeVariable);
    folders << (QDir::isAbsolutePath(home) ? home : QDir::homePath() + homeFallback);
    QString dirs = qEnvironmentVariable(dirsVariable);
    if (dirs.isEmpty()) {
        dirs = dirsFallback;
    }
    for (const QString& dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir)) {
            folders << dir;
        }
    }
    return folders;
}

// The entries of one group of a desktop-style file, key -> value.
QList<std::pair<QString, QString>> readGroup(const QString& path, const QString& group) {
    QList<std::pair<QString, QString>> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return entries;
    }
    bool inGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == QLatin1Char('[') + group + QLatin1Char(']');
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (inGroup && equals > 0 && !line.startsWith(QLatin1Char('#'))) {
            entries.append({line.left(equals).trimmed(), line.mid(equals + 1).trimmed()});
        }
    }
    return entries;
}

QString entryValue(const QList<std::pair<QString, QString>>& entries, const QString& key) {
    for (const auto& entry : entries) {
        if (entry.first == key) {
            return entry.second;
        }
    }
    return {};
}

// An Exec line as a command line: file and URL codes become "%1", the rest go.
QString execToCommand(const QString& exec) {
    QString command;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        if (exec[i] != QLatin1Char('%') || i + 1 >= exec.size()) {
            command += exec[i];
            continue;
        }
        const QChar code = exec[++i];
        if (code == QLatin1Char('%')) {
            command += QLatin1Char('%');
        } else if (QStringLiteral("fFuU").contains(code)) {
            command += QStringLiteral("%1");
        }
    }
    return command.simplified();
}

QString desktopEntryFile(const QString& id, const QStringList& applicationFolders) {
    if (id.isEmpty() || id.contains(QLatin1Char('/'))) {
        return {};
    }
    for (const QString& folder : applicationFolders) {
        const QString candidate = folder + QLatin1Char('/') + id;
        if (QFileInfo(candidate).isFile()) {
            return candidate;
        }
        // "vendor-name.desktop" may live as vendor/name.desktop.
        const qsizetype dash = id.indexOf(QLatin1Char('-'));
        if (dash > 0) {
            const QString nested =
                folder + QLatin1Char('/') + id.left(dash) + QLatin1Char('/') + id.mid(dash + 1);
            if (QFileInfo(nested).isFile()) {
                return nested;
            }
        }
    }
    return {};
}

}  // namespace

QString defaultHandlerCommand(const QString& mimeType) {
    const QStringList configFolders = searchFolders("XDG_CONFIG_HOME", QStringLiteral("/.config"),
                                                    "XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
    const QStringList dataFolders =
        searchFolders("XDG_DATA_HOME", QStringLiteral("/.local/share"), "XDG_DATA_DIRS",
                      QStringLiteral("/usr/local/share:/usr/share"));
    QStringList applicationFolders;
    for (const QString& folder : dataFolders) {
        applicationFolders << folder + QStringLiteral("/applications");
    }
    QStringList desktops;
    for (const QString& name : qEnvironmentVariable("XDG_CURRENT_DESKTOP")
                                   .toLower()
                                   .split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        desktops << name + QStringLiteral("-mimeapps.list");
    }
    desktops << QStringLiteral("mimeapps.list");
    QStringList lists;
    for (const QString& folder : configFolders + applicationFolders) {
        for (const QString& name : desktops) {
            lists << folder + QLatin1Char('/') + name;
        }
    }
    for (const QString& list : lists) {
        const QString ids =
            entryValue(readGroup(list, QStringLiteral("Default Applications")), mimeType);
        for (const QString& id : ids.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString file = desktopEntryFile(id.trimmed(), applicationFolders);
            if (file.isEmpty()) {
                continue;
            }
            const QString exec = entryValue(readGroup(file, QStringLiteral("Desktop Entry")),
                                            QStringLiteral("Exec"));
            if (!exec.isEmpty()) {
                return execToCommand(exec);
            }
        }
    }
    const QString opener = xdgOpen();
    return opener.isEmpty() ? QString() : opener + QStringLiteral(" %1");
}

bool shortPathName(const QString& path, QString* result) {
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        return false;
    }
    if (result != nullptr) {
        *result = path;
    }
    return true;
}

bool DesktopShell::start(const QString& target, const QStringList& arguments,
                         const QString& workingFolder) {
    if (target.isEmpty()) {
        return false;
    }
    const QFileInfo info(target);
    if (info.isFile() && info.isExecutable()) {
        return startProgram(info.absoluteFilePath(), arguments, workingFolder);
    }
    if (!target.contains(QLatin1Char('/'))) {
        const QString found = QStandardPaths::findExecutable(target);
        if (!found.isEmpty()) {
            return startProgram(found, arguments, workingFolder);
        }
    }
    if (info.exists()) {
        const QString opener = xdgOpen();
        return !opener.isEmpty() && startProgram(opener, {info.absoluteFilePath()}, workingFolder);
    }
    return false;
}

bool DesktopShell::openDocument(const QString& path) {
    const QString opener = xdgOpen();
    return !path.isEmpty() && !opener.isEmpty() && startProgram(opener, {path}, {});
}

bool RecordingShell::start(const QString& target, const QStringList& arguments,
                           const QString& workingFolder) {
    m_calls.append({target, arguments, workingFolder, false});
    return m_result;
}

bool RecordingShell::openDocument(const QString& path) {
    m_calls.append({path, {}, {}, true});
    return m_result;
}

}  // namespace td
