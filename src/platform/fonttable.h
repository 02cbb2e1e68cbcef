#pragma once

#include <QFont>
#include <QObject>
#include <QPointF>
#include <QRawFont>
#include <QString>
#include <QStringList>
#include <memory>

#include "platform/facecache.h"

class QPainter;

namespace td {

// The style a face name is asked for in.
struct FontStyle {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    friend bool operator==(const FontStyle&, const FontStyle&) = default;
};

// Where a resolved font comes from.
enum class FontSource {
    None,        // nothing could be found (no fonts at all)
    ActiveFile,  // a file activated in the font table, matched by family or full name
    InstalledFamily,
    InstalledFullName,
    Substitute  // fontconfig's substitute for an unknown name
};

// What a DrawingFont draws, in a form that any thread may take: the face of a file (immutable,
// shared) or the attributes of a Qt font. DrawingFont::fromPortable() makes a font from it on
// the thread that draws.
struct PortableFont {
    FontSource source = FontSource::None;
    std::shared_ptr<const FontFace> face;
    QString family;
    QString fullName;
    QString styleName;
    int pixelSize = 0;
    FontStyle style;
};

// The font that drawing code uses for one face name, style and pixel size. A cheap value: it
// shares the loaded font data with the font table, and stays usable after the file it came from
// is deactivated (it only stops being what the resolver hands out).
//
// Text in the sample grid, the font map and the sample sheets is drawn with drawText(): for an
// active file that draws glyph runs from the file's own outlines (QRawFont), so activating and
// deactivating a file for every painted row never touches Qt's font database or empties its
// caches, and two files with the same family name each draw their own glyphs. Widgets that need
// a QFont (a preview line) call font(), which registers an active file with Qt on first use.
class DrawingFont {
  public:
    DrawingFont();
    ~DrawingFont();
    DrawingFont(const DrawingFont&);
    DrawingFont& operator=(const DrawingFont&);

    // False only for a default-constructed value or when no font could be found at all.
    bool isValid() const;
    FontSource source() const;
    // The family of the face that draws (for a substitute, the substitute's family).
    QString family() const;
    // The full name of the face that draws, when known.
    QString fullName() const;
    // The active file that draws; empty for installed fonts.
    QString filePath() const;
    int pixelSize() const;
    FontStyle style() const;

    qreal ascent() const;
    qreal descent() const;
    // Ascent plus descent, the height of one text line.
    qreal height() const;
    // The advance of `text` drawn in this font.
    qreal horizontalAdvance(const QString& text) const;
    // Draws one line of text with its baseline starting at `baseline`, in the painter's pen.
    void drawText(QPainter& painter, const QPointF& baseline, const QString& text) const;
    // Draws one line of text with its top-left corner at `topLeft`.
    void drawTextAt(QPainter& painter, const QPointF& topLeft, const QString& text) const;
    // A QFont for widgets. For an active file this registers the file as a Qt application font
    // (once, until the file is deactivated); drawText() is cheaper for painting.
    QFont font() const;
    // The face that draws, for reading its tables (the Font Map takes the characters it has from
    // its cmap): the file's own face, or for an installed font or substitute the face Qt matched.
    QRawFont rawFont() const;

    // The face of a file, drawn from its own outlines with `style` added where the face lacks
    // it (a bold stroke, a slant). Any thread may call it; the font belongs to that thread.
    // `opened`, when valid, is a QRawFont of this face made on this thread (the face cache's
    // probe); it is used instead of opening the face again.
    static DrawingFont fromFace(std::shared_ptr<const FontFace> face, FontStyle style,
                                int pixelSize, QRawFont opened = {});
    // This font in a form another thread can take, and a font made from it on the calling
    // thread. A DrawingFont itself stays on the thread that made it.
    PortableFont portable() const;
    static DrawingFont fromPortable(const PortableFont& portable);

    struct Data;
    explicit DrawingFont(std::shared_ptr<const Data> data);

  private:
    std::shared_ptr<const Data> m_data;
};

// The program's table of activated font files: a count per path. Activating a file makes it
// drawable by its family or full name when its count goes from 0 to 1; deactivating it makes it
// undrawable when the count goes from 1 to 0. All calls belong to the user-interface thread.
class FontTable : public QObject {
    Q_OBJECT

  public:
    explicit FontTable(QObject* parent = nullptr) : QObject(parent) {}
    FontTable(const FontTable&) = delete;
    FontTable& operator=(const FontTable&) = delete;
    ~FontTable() override = default;

    // Adds one activation of the file; a missing file or one that is not a font is ignored.
    virtual void activate(const QString& path) = 0;
    // Takes back one activation; an inactive or empty path is ignored.
    virtual void deactivate(const QString& path) = 0;
    // The activation count of the path (0 when inactive).
    virtual int count(const QString& path) const = 0;
    // The paths with a count above 0, most recently activated first.
    virtual QStringList activePaths() const = 0;
    // The font for a face name: an active file whose family or full name is the name (the most
    // recently activated when several are), then installed fonts by family, then by full name,
    // then fontconfig's substitute. Names compare case-insensitively.
    virtual DrawingFont resolve(const QString& faceName, FontStyle style, int pixelSize) = 0;
    // Forgets what was looked up about installed fonts and makes Qt's own font list (which
    // widgets use) read fontconfig again; call after fonts were installed or removed and
    // fontconfig was re-initialised.
    virtual void installedFontsChanged() = 0;

  signals:
    // The set of drawable files changed. Emitted synchronously from activate()/deactivate(),
    // which painting code calls, so receivers must not repaint in response from a paint event.
    void changed();
};

// The font table of this process. Font data read from a file is kept in a small cache (checked
// against the file's size and modification time) so that activating the same file again, as the
// sample grid does for every repaint, costs only a file status check.
class QtFontTable final : public FontTable {
    Q_OBJECT

  public:
    explicit QtFontTable(QObject* parent = nullptr);
    ~QtFontTable() override;

    void activate(const QString& path) override;
    void deactivate(const QString& path) override;
    int count(const QString& path) const override;
    QStringList activePaths() const override;
    DrawingFont resolve(const QString& faceName, FontStyle style, int pixelSize) override;
    void installedFontsChanged() override;

  private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The key a path is counted under: the absolute, cleaned path.
QString fontTableKey(const QString& path);

}  // namespace td
