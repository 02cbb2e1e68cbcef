#pragma once

#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>
#include <functional>

class QSpinBox;
class QComboBox;
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
QString fontMapCharacter(int code);

// The code the map shows in row `row`, column `column` (both 1..16): the row is the high
// hexadecimal digit, the column the low one.
int fontMapCode(int row, int column);

// The grid's hint for a selected code: the character itself for 33..126, else the digits
// typed on the numeric keypad ("Keystroke = 0" and the decimal code).
QString keystrokeHint(int code);

// The corner cell after a selection: "0" and the decimal code.
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

// Writes the heads "0".."F" and the 256 characters into the grid. They are stored transposed
// (stored row j, column i holds what the screen shows in row i, column j); the heads are not
// selectable.
void writeFontMapCells(QTableWidget& grid);

// The controls of the "Font Map" tab, owned by the main window.
struct FontMapControls {
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QTableWidget* StringGrid3 = nullptr;
    QSpinBox* SpinEdit3 = nullptr;  // "Size of chars in Font Map"
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

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Shows face `face` of the collection `path`: its full name becomes the caption.
    void showFace(const QString& path, int face);
    // Puts the face selector beside the caption for `faces` faces, or removes it.
    void offerFaces(const QString& path, int faces);

    QComboBox* m_faceBox = nullptr;
    FontMapControls m_controls;
    FontTable& m_fonts;
    FontMapHooks m_hooks;
};

}  // namespace td
