#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace td {

class FontTable;
class Registry;

// The system font registry: HKEY_LOCAL_MACHINE at this path.
inline constexpr char16_t kFontsKeyPath[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts";

// One scalable face that the desktop's fonts offer.
struct OfferedFace {
    QString name;  // "<full name> (TrueType)" or "<full name> (OpenType)"
    QString path;  // the file fontconfig reads it from
    friend bool operator==(const OfferedFace&, const OfferedFace&) = default;
};

// The fonts every program of this user sees, and the two changes the Fonts key makes to them.
class SystemFonts {
  public:
    SystemFonts() = default;
    SystemFonts(const SystemFonts&) = delete;
    SystemFonts& operator=(const SystemFonts&) = delete;
    virtual ~SystemFonts() = default;

    // The scalable TrueType and OpenType faces offered now, ordered by file and face.
    virtual QList<OfferedFace> offeredFaces() = 0;
    // Offers the file (an absolute path) again: drops the program's reject rule for it and, when
    // it still is not offered, links it into the user fonts folder. Throws td::Error when a
    // change cannot be written; nothing is changed then.
    virtual void show(const QString& path) = 0;
    // Stops offering the file: removes the links to it in the user fonts folder and rejects
    // every path it is still offered under. Throws td::Error when that cannot be written or does
    // not take effect; nothing is changed then.
    virtual void hide(const QString& path) = 0;
    // Reads the desktop's font configuration again, for changes made by others.
    virtual void refresh() = 0;
};

// The desktop's fonts through fontconfig. Rejections live in the program's own fontconfig file
// (fontRejectFile()), links in the user fonts folder. After each change fontconfig is
// re-initialised in this process, which also rewrites the caches of changed font folders for
// other programs, and `fonts` (when given) forgets what it looked up about installed fonts.
class FontconfigSystemFonts final : public SystemFonts {
  public:
    explicit FontconfigSystemFonts(FontTable* fonts = nullptr) : m_fonts(fonts) {}

    QList<OfferedFace> offeredFaces() override;
    void show(const QString& path) override;
    void hide(const QString& path) override;
    void refresh() override;

  private:
    FontTable* m_fonts;
};

// Desktop fonts in memory, for tests of code that uses the Fonts key.
class FakeSystemFonts final : public SystemFonts {
  public:
    QList<OfferedFace> offeredFaces() override;
    void show(const QString& path) override;
    void hide(const QString& path) override;
    void refresh() override {}

    // The faces the desktop has, hidden or not.
    QList<OfferedFace> faces;
    // Paths hidden by hide(), in order.
    QStringList hidden;
    // Paths passed to show(), in order.
    QStringList shown;
    // Makes show() and hide() fail, as an unwritable configuration does.
    bool failChanges = false;
};

// The user fonts folder, $XDG_DATA_HOME/fonts.
QString userFontsFolder();
// The program's own fontconfig file, $XDG_CONFIG_HOME/fontconfig/conf.d/77-kestro-typedeck.conf.
QString fontRejectFile();
// The paths the reject file rejects. A file edited into invalid XML gives the rules read before
// the fault; `valid` (when given) tells whether the whole file could be read.
QStringList readRejectedPaths(const QString& file, bool* valid = nullptr);
// The reject file's text for these paths.
QByteArray rejectFileContents(const QStringList& paths);

// Answers the Fonts key through `fonts` from now on: first the values the program stored, then
// one value per offered face whose file no stored value names, data its path. Setting a value
// stores it and shows its file; deleting one removes a stored value and hides its file, or
// hides the file of an offered face. A change that cannot be written fails as every write under
// HKEY_LOCAL_MACHINE does and changes nothing. `fonts` must outlive the registry's use of it.
void installFontsKey(Registry& registry, SystemFonts& fonts);

}  // namespace td
