#include "platform/shortcuts.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "platform/configfolder.h"
#include "platform/error.h"

namespace td {

namespace {

// A desktop entry value is one line; its own escapes keep line breaks and backslashes.
QString escapeValue(const QString& text) {
    QString result;
    for (const QChar c : text) {
        switch (c.unicode()) {
            case '\\':
                result += QStringLiteral("\\\\");
                break;
            case '\n':
                result += QStringLiteral("\\n");
                break;
            case '\r':
                result += QStringLiteral("\\r");
                break;
            case '\t':
                result += QStringLiteral("\\t");
                break;
            default:
                result += c;
        }
    }
    return result;
}

// Field codes start with '%', so a literal one is doubled.
QString escapePercent(const QString& text) {
    QString result = text;
    return result.replace(QLatin1Char('%'), QStringLiteral("%%"));
}

}  // namespace

QString quoteExecArgument(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = argument.isEmpty();
    for (const QChar c : argument) {
        needsQuotes = needsQuotes || reserved.contains(c);
    }
    if (!needsQuotes) {
        return escapePercent(argument);
    }
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\')) {
            quoted += QLatin1Char('\\');
        }
        quoted += c;
    }
    quoted += QLatin1Char('"');
    return escapePercent(quoted);
}

QString DesktopEntryShortcuts::fileFor(const QString& linkPath) const {
    if (linkPath.endsWith(QStringLiteral(".lnk"), Qt::CaseInsensitive)) {
        return linkPath.left(linkPath.size() - 4) + QStringLiteral(".desktop");
    }
    return linkPath + QStringLiteral(".desktop");
}

QString DesktopEntryShortcuts::create(const QString& linkPath, const ShortcutTarget& target) {
    const QString file = fileFor(linkPath);
    const QFileInfo fileInfo(file);
    if (linkPath.isEmpty() || !fileInfo.isAbsolute() || target.path.isEmpty()) {
        throw Error(
            QStringLiteral("Cannot create the shortcut \"%1\": no target or no folder").arg(file));
    }
    if (!ensureFolder(fileInfo.absolutePath())) {
        throw Error(QStringLiteral("Cannot create the shortcut \"%1\": the folder cannot be made")
                        .arg(file));
    }
    QString name = QFileInfo(linkPath).fileName();
    if (name.endsWith(QStringLiteral(".lnk"), Qt::CaseInsensitive)) {
        name.chop(4);
    }
    const QFileInfo targetInfo(target.path);
    // A document is opened by the desktop's handler; only programs are run directly.
    QString exec = targetInfo.isFile() && targetInfo.isExecutable()
                       ? quoteExecArgument(target.path)
                       : QStringLiteral("xdg-open ") + quoteExecArgument(target.path);
    if (!target.arguments.trimmed().isEmpty()) {
        exec += QLatin1Char(' ') + escapePercent(target.arguments.trimmed());
    }
    QString text = QStringLiteral("[Desktop Entry]\nType=Application\nVersion=1.0\n");
    text += QStringLiteral("Name=") + escapeValue(name) + QLatin1Char('\n');
    text += QStringLiteral("Exec=") + escapeValue(exec) + QLatin1Char('\n');
    if (!target.workingFolder.isEmpty()) {
        text += QStringLiteral("Path=") + escapeValue(target.workingFolder) + QLatin1Char('\n');
    }
    text += QStringLiteral("Terminal=false\n");

    QSaveFile out(file);
    const QByteArray bytes = text.toUtf8();
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        throw Error(
            QStringLiteral("Cannot create the shortcut \"%1\": %2").arg(file, out.errorString()));
    }
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                    QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                    QFileDevice::ExeOther);
    return file;
}

}  // namespace td
