#include "platform/configfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace td {

namespace {

QString homeFolder() {
    const QString home = qEnvironmentVariable("HOME");
    return home.isEmpty() ? QDir::homePath() : home;
}

// An XDG base folder: the variable when it holds an absolute path, else the fallback below home.
QString xdgFolder(const char* variable, const QString& fallback) {
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value)) {
        return QDir::cleanPath(value);
    }
    return QDir::cleanPath(homeFolder() + QLatin1Char('/') + fallback);
}

}  // namespace

QString configHome() {
    return xdgFolder("XDG_CONFIG_HOME", QStringLiteral(".config"));
}

QString configFolder() {
    return configHome() + QStringLiteral("/kestro-typedeck");
}

QString dataHome() {
    return xdgFolder("XDG_DATA_HOME", QStringLiteral(".local/share"));
}

QString desktopFolder() {
    // user-dirs.dirs is shell syntax, but the desktop writes only XDG_X_DIR="$HOME/..." or an
    // absolute path, one per line; anything else falls back to the usual name.
    QFile file(configHome() + QStringLiteral("/user-dirs.dirs"));
    if (file.open(QIODevice::ReadOnly)) {
        static const QRegularExpression line(
            QStringLiteral(R"re(^\s*XDG_DESKTOP_DIR\s*=\s*"(.*)"\s*$)re"));
        while (!file.atEnd()) {
            const QString text = QString::fromUtf8(file.readLine()).trimmed();
            const QRegularExpressionMatch match = line.match(text);
            if (!match.hasMatch()) {
                continue;
            }
            QString value = match.captured(1);
            value.replace(QStringLiteral("\\\""), QStringLiteral("\""));
            if (value.startsWith(QStringLiteral("$HOME"))) {
                value = homeFolder() + value.mid(5);
            }
            if (QDir::isAbsolutePath(value)) {
                return QDir::cleanPath(value);
            }
        }
    }
    return QDir::cleanPath(homeFolder() + QStringLiteral("/Desktop"));
}

bool ensureFolder(const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    const QFileInfo info(path);
    if (info.isDir()) {
        return true;
    }
    return QDir().mkpath(path) && QFileInfo(path).isDir();
}

}  // namespace td
