#include "sandbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>

namespace tdtest {

Sandbox::Sandbox() : m_dir(QDir::tempPath() + QStringLiteral("/td-sandbox-XXXXXX")) {
    if (!m_dir.isValid()) {
        ADD_FAILURE() << "cannot create a sandbox folder under " << QDir::tempPath().toStdString();
        return;
    }
    for (const char* sub : {"home", "config", "data/fonts", "cache", "tmp"}) {
        QDir().mkpath(path(QString::fromLatin1(sub)));
    }
    const QString conf = QStringLiteral(
                             "<?xml version=\"1.0\"?>\n"
                             "<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
                             "<fontconfig>\n"
                             "  <dir>%1</dir>\n"
                             "  <dir>/usr/share/fonts/truetype/dejavu</dir>\n"
                             "  <cachedir>%2</cachedir>\n"
                             "  <include ignore_missing=\"yes\">/etc/fonts/conf.d</include>\n"
                             "</fontconfig>\n")
                             .arg(fontsDir(), path(QStringLiteral("cache/fontconfig")));
    writeFile(QStringLiteral("fonts.conf"), conf.toUtf8());

    setVariable("HOME", home());
    setVariable("XDG_CONFIG_HOME", configHome());
    setVariable("XDG_DATA_HOME", dataHome());
    setVariable("XDG_CACHE_HOME", cacheHome());
    setVariable("TMPDIR", tempDir());
    setVariable("FONTCONFIG_FILE", fontconfigFile());
}

Sandbox::~Sandbox() {
    for (const auto& [name, value] : m_saved) {
        if (value) {
            qputenv(name.constData(), *value);
        } else {
            qunsetenv(name.constData());
        }
    }
    // Tests may leave read-only folders behind; make them removable first.
    if (m_dir.isValid()) {
        const QString command = QStringLiteral("chmod -R u+rwx '%1' 2>/dev/null").arg(m_dir.path());
        [[maybe_unused]] const int rc = std::system(command.toLocal8Bit().constData());
    }
}

QString Sandbox::path(const QString& relative) const {
    return m_dir.path() + QLatin1Char('/') + relative;
}

QString Sandbox::writeFile(const QString& relative, const QByteArray& contents) const {
    const QString full = path(relative);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(contents) != contents.size()) {
        ADD_FAILURE() << "cannot write " << full.toStdString();
    }
    return full;
}

void Sandbox::useFontFolders(const QStringList& folders) const {
    QString dirs;
    for (const QString& folder : folders + QStringList{fontsDir()}) {
        dirs += QStringLiteral("  <dir>%1</dir>\n").arg(folder);
    }
    const QString conf =
        QStringLiteral(
            "<?xml version=\"1.0\"?>\n<fontconfig>\n%1  <cachedir>%2</cachedir>\n"
            "  <include ignore_missing=\"yes\" prefix=\"xdg\">fontconfig/conf.d</include>\n"
            "</fontconfig>\n")
            .arg(dirs, path(QStringLiteral("cache/fontconfig")));
    writeFile(QStringLiteral("fonts.conf"), conf.toUtf8());
}

void Sandbox::setVariable(const char* name, const QString& value) {
    const QByteArray key(name);
    if (m_saved.find(key) == m_saved.end()) {
        m_saved[key] =
            qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    }
    qputenv(name, QFile::encodeName(value));
}

QString buildDir() {
    const QString fromEnv = qEnvironmentVariable("TD_BUILD_DIR");
    return fromEnv.isEmpty() ? QStringLiteral(TD_TEST_BUILD_DIR) : fromEnv;
}

QString dejaVuSans() {
    return QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
}
QString dejaVuSansBold() {
    return QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf");
}
QString dejaVuSerif() {
    return QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf");
}

}  // namespace tdtest
