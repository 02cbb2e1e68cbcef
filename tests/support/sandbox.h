#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <map>
#include <optional>

namespace tdtest {

// A fresh folder that stands in for the user's home while it lives: HOME, XDG_CONFIG_HOME,
// XDG_DATA_HOME, XDG_CACHE_HOME, TMPDIR and FONTCONFIG_FILE point into it, and the previous
// values come back when it goes. Its fontconfig file sees only the sandbox's fonts folder
// (XDG_DATA_HOME/fonts) and Debian's DejaVu fonts. Fontconfig reads that file when it is
// (re)initialised; code that changes fonts re-initialises it, so it picks the sandbox up.
class Sandbox {
  public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    QString root() const { return m_dir.path(); }
    QString home() const { return path(QStringLiteral("home")); }
    QString configHome() const { return path(QStringLiteral("config")); }
    QString dataHome() const { return path(QStringLiteral("data")); }
    QString cacheHome() const { return path(QStringLiteral("cache")); }
    QString tempDir() const { return path(QStringLiteral("tmp")); }
    QString fontsDir() const { return path(QStringLiteral("data/fonts")); }
    QString fontconfigFile() const { return path(QStringLiteral("fonts.conf")); }

    // A path inside the sandbox.
    QString path(const QString& relative) const;
    // Writes a file inside the sandbox (folders made as needed) and returns its full path.
    QString writeFile(const QString& relative, const QByteArray& contents) const;
    // Rewrites the fontconfig file to see only `folders` and the user fonts folder, and to read
    // the user's conf.d (where the program's own fontconfig file lives). Fontconfig reads it
    // when it is next re-initialised.
    void useFontFolders(const QStringList& folders) const;

  private:
    void setVariable(const char* name, const QString& value);

    QTemporaryDir m_dir;
    std::map<QByteArray, std::optional<QByteArray>> m_saved;
};

// Base for tests that touch the file system, the registry files or fonts.
class SandboxTest : public ::testing::Test {
  protected:
    Sandbox sandbox;
};

// Folder of the built program (td.exe, setup.exe and the libraries beside them).
QString buildDir();

// Copies of Debian's DejaVu fonts, for tests that need real TrueType files.
QString dejaVuSans();
QString dejaVuSansBold();
QString dejaVuSerif();

}  // namespace tdtest
