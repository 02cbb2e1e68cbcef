#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>

#include "app/settings.h"
#include "export/sheetlayout.h"

class QWidget;

namespace td {

class Dialogs;
class FontTable;
class Shell;

// A character map is saved as one small picture per code of the page the map shows (codes 0-255,
// or 256 code points from a multiple of 256), each the character in the map's face on white, and
// a page that shows them as a 16 × 16 table.
inline constexpr int kCharacterImageSide = 50;
inline constexpr int kCharacterImagePoints = 30;
inline constexpr int kCharacterCodes = 256;
// The folder a character map goes into inside the base directory when the user picks no other.
inline constexpr const char* kCharacterMapFolder = "cfontfile";

// The picture of `code` for the face `face`: "0", the decimal code, the face and ".jpg", ".BMP"
// or ".GIF" ("065Arial.jpg", "07Arial.jpg", "0200Arial.jpg", "019968Arial.jpg").
QString characterImageName(int code, const QString& face, ImageType type);

// The page: `<title>Kestro TypeDeck</title></head><body>` and "This is FACE True Type Font",
// which follow the page's opening and meta lines.
QStringList characterMapTitleLines(const QString& face);

// The page's table for the first `written` codes (0 up to 256) of a JPEG or GIF map whose first
// code is `firstCode`: `<BR>` before each row of 16, then one img line per code, its width and
// height `size`. The quotation marks of the width and height stand after their numbers, as the
// page has always had them.
QStringList characterMapTableLines(const QString& face, ImageType type, int size, int written,
                                   int firstCode = 0);

// The page's file name: the face and ".html".
QString characterMapPageName(const QString& face);

// Why `face` cannot name the map's files up to code `lastCode` (a "/" or a zero character, or
// names too long for the file system), or empty when it can.
QString characterMapFaceProblem(const QString& face, int lastCode = kCharacterCodes - 1);

// The picture of one character: `text` in `face` at 30 points (96 dots per inch) on a white
// 50 × 50 bitmap, centred by whole pixels; a character larger than the picture is cut on both
// sides.
QImage renderCharacterImage(FontTable& fonts, const QString& face, const QString& text);

// What a character map export writes, read from the Font Map and the options when it starts.
struct CharacterMapJob {
    QString targetFolder;
    QString baseDirectory;  // ends in "/"
    QString face;           // the Font Map's caption
    ImageEncoding encoding;
    int cellSize = 30;  // "Size of chars in Font Map": the pictures' size on the page
    QString browser;    // "Default browser:"
    // The first code of the page shown: 0, or a multiple of 256.
    int firstCode = 0;
    // The text of the map's cell for a code; empty for a code the face lacks, which gives an
    // empty picture.
    std::function<QString(int code)> cellText;
};

// What the main window does around the export. Each may be empty.
struct CharacterMapHooks {
    // On while the pictures are being written.
    std::function<void(bool on)> setExportFlag;
    std::function<void()> keepPainting;
    // Ends the busy indicator the Save command started.
    std::function<void()> showIdle;
};

// Writes the 256 pictures of the page's codes (from `firstCode`), in ascending order, into the
// target folder (creating the default "cfontfile" folder when the target is exactly that folder of
// the base directory), then the page FACE.html with the preview question for JPEG and GIF, or the
// saved-in message for BMP. A picture that cannot be written is reported in the standard error box
// and ends the pictures; the page then lists those written before it. When not even the first could
// be written, nothing else is said or written. A face that cannot name a file, or a target that is
// not a folder, stops the export before any picture and is thrown as td::Error, as is a page
// that cannot be saved. The busy indicator ends on every way out. Returns the pictures written.
int ExportCharacterMap(const CharacterMapJob& job, FontTable& fonts, Dialogs& dialogs, Shell* shell,
                       QWidget* parent, const CharacterMapHooks& hooks = {});

}  // namespace td
