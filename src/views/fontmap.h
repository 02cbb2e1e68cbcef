#pragma once

#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>
#include <functional>

#include "views/unicodepages.h"

class QComboBox;
class QLabel;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class TForm2;

namespace td {

class DirectorySource;
class DrawingFont;
class FontTable;

// The character that code 0..255 stands for: what Alt+0 and the code types, so Windows-1252 for
// 0x80..0x9F (0x80 is the euro sign) except the five codes it leaves undefined; those and every
// other code are the Unicode character of the same number. Control codes stay control codes.
// Beyond 255 a code is its Unicode character (two UTF-16 units above U+FFFF).
QString fontMapCharacter(int code);

// The Unicode code point of fontMapCharacter(code).
char32_t fontMapCodePoint(int code);

// The code the map shows in row `row`, column `column` (both 1..16): the row is the high
// hexadecimal digit, the column the low one.
int fontMapCode(int row, int column);

// The grid's hint for a selected code: the character itself for 33..126, else the digits
// typed on the numeric keypad ("Keystroke = 0" and the decimal code). Beyond 255, the Unicode
// entry of the desktop's input methods: "Keystroke = Ctrl+Shift+U " and the hexadecimal code.
QString keystrokeHint(int code);

// The corner cell after a selection: "0" and the decimal code; beyond 255 "U+" and the
// hexadecimal code (at least four digits, upper case), which also captions the magnifier.
QString fontMapCorner(int code);

// The point size of the map's texts for a cell size in pixels: a third, remainder dropped.
int fontMapPointSize(int cellSize);

// Where `text` in `font` starts so that it is centred in a box of `box`: half of what is left
// over on each axis, truncated toward zero (negative when the text is larger than the box).
QPoint centredTextOffset(QSize box, const DrawingFont& font, const QString& text);

// The font file that "View as Character Map" shows for file list entry `entry`: inside an
// opened archive (view mode 3) its extracted copy in `tempPath`, else the entry in the listed
// `folder`. Empty when the entry names no font file (view mode 2, "..", none, or an archive entry
// that would lead out of the temporary folder).
QString fontMapFileFor(int viewMode, const QString& folder, const QString& tempPath,
                       const QString& entry);

// Writes the heads "0".."F" and the 256 characters of page `page` into the grid. They are stored
// transposed (stored row j, column i holds what the screen shows in row i, column j); the heads
// are not selectable.
void writeFontMapCells(QTableWidget& grid, int page = 0);

// The controls of the "Font Map" tab, owned by the main window.
struct FontMapControls {
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QTableWidget* StringGrid3 = nullptr;
    QSpinBox* SpinEdit3 = nullptr;      // "Size of chars in Font Map"
    QComboBox* ComboBoxPage = nullptr;  // the Unicode pages the face has characters in
};

// What the main window provides. Each may be empty.
struct FontMapHooks {
    // The "Base Font" option, the face of the row heads.
    std::function<QString()> baseFont;
    // The font map's font file changed (empty for an installed font).
    std::function<void(const QString&)> setFontMapFile;
    // The magnifier, once start-up has made it.
    std::function<TForm2*()> popup;
};

// Runs the "Font Map" tab: the map's face is the tab's caption, every cell is drawn through the
// font table's resolver, and selecting a character shows its code, keystroke and magnifier.
// The map shows one page of 256 code points; the page selector lists page 0 and every page the
// face has a character in, and Ctrl+Page Up / Ctrl+Page Down step through them. A code the face
// has no glyph for is an empty grey cell, never another font's glyph. The heads are the grid's
// header views, so they stay in place however the cells scroll.
class FontMapView : public QObject {
    Q_OBJECT

  public:
    FontMapView(const FontMapControls& controls, FontTable& fonts, FontMapHooks hooks,
                QObject* parent = nullptr);
    ~FontMapView() override;

    // The face the map draws in: the tab's caption.
    QString faceName() const;

    // "View as Character Map" for the file list's current entry.
    void ViewasCharacterMap1Click(const DirectorySource& source);
    // Shows the font of a file: its full name becomes the caption, the file the font map's
    // file, and the tab the active page. A collection shows its first face and offers the
    // others through a face selector beside the caption (none for a single-face file).
    void showFontFile(const QString& path);
    // The face selector beside the caption, while a collection is shown; else null.
    QComboBox* faceSelector() const { return m_faceBox; }
    // Shows an installed font by its display name; no file is activated for it.
    void showInstalledFont(const QString& displayName);

    // A character cell (screen row and column, 1..16) was selected.
    void StringGrid3SelectCell(int row, int column);
    // The mouse button was released over the grid.
    void StringGrid3MouseUp();

    // The screen text of a cell (0..16 each), read from the transposed storage.
    QString cellText(int row, int column) const;

    // The page shown and the pages listed.
    int page() const { return m_page; }
    int firstCode() const { return m_page * kPageSize; }
    QList<int> pages() const { return m_pages; }
    // Shows page `page` when it is listed; returns whether it is shown.
    bool setPage(int page);
    // Moves `steps` listed pages on (negative: back), stopping at the first and last.
    void stepPage(int steps);
    // Reads the coverage of the face now drawn and lists its pages again; the page shown stays
    // when the face still has it, else the map goes to page 0.
    void refreshPages();
    // Whether the face now drawn has a glyph for `code`, numbered as the map numbers it (codes
    // 0x80..0x9F stand for their Windows-1252 characters).
    bool hasCharacter(int code);
    // What a picture of `code` shows: its character, or nothing when the face lacks it.
    QString exportText(int code);
    // Sizes the heads to the cell size, the row heads wide enough for the corner's text.
    void fitHeads();

    // "Size of chars in Font Map".
    int cellSize() const;
    // The font of the heads at a third of the cell size: the row heads in the base font, the
    // column heads and the corner in the grid's own font.
    DrawingFont headFont(bool rowHead, int dpi);
    // The characters a resolved face has; read once for each face.
    const CharacterCoverage& coverageOf(const DrawingFont& font);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Shows face `face` of the collection `path`: its full name becomes the caption.
    void showFace(const QString& path, int face);
    // Puts the face selector beside the caption for `faces` faces, or removes it.
    void offerFaces(const QString& path, int faces);

    QComboBox* m_faceBox = nullptr;

    DrawingFont mapFont(int pixelSize);
    void paintCorner(QWidget& corner);
    void showPageInSelector();
    void showSelection(bool withMagnifier);

    FontMapControls m_controls;
    FontTable& m_fonts;
    FontMapHooks m_hooks;
    QWidget* m_corner = nullptr;
    int m_page = 0;
    QList<int> m_pages{0};
    QString m_coverageKey;
    CharacterCoverage m_coverage;
};

}  // namespace td
