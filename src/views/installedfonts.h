#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "browse/samplerow.h"

class QListWidget;
class QTableWidget;

namespace td {

class FontTable;
class Registry;
class SampleRowDelegate;

// One row of the installed-fonts table: display name, "Bold" or empty, "Italic" or empty, and
// the font file's full path.
struct InstalledFontRow {
    QString name;
    QString bold;
    QString italic;
    QString path;
    friend bool operator==(const InstalledFontRow&, const InstalledFontRow&) = default;
};

// The table row for one entry "value name;data" of the sorting list. The name is the entry cut
// before its first "(" or ";" (one blank before the cut goes too), then in two passes a last
// word "Bold" or "Italic", written so, is taken off into its column. The path is `data`, the
// value's data as read, when that is a full path, else `fontsFolder` + "/" + data. (The text
// after the entry's last ";" is the data only while the data holds no ";".)
InstalledFontRow installedFontRow(const QString& entry, const QString& data,
                                  const QString& fontsFolder);

// How a row of the visible grid is drawn: the name in its own face and style above the caption
// "name bold italic" in the base font.
SampleRow installedSampleRow(const InstalledFontRow& row);

// The controls of the "Installed fonts" tab, owned by the window.
struct InstalledControls {
    QTableWidget* StringGrid5 = nullptr;  // the visible grid, one column
    QTableWidget* StringGrid4 = nullptr;  // the hidden four-column table
    QListWidget* ListBox1 = nullptr;      // the hidden sorting list, "value name;data"
};

// What the window does for the tab. Each may be empty.
struct InstalledFontsHooks {
    // The busy indicator with an animation, its end, and painting while a listing runs.
    std::function<void(int animation)> showBusy;
    std::function<void()> showIdle;
    std::function<void()> keepPainting;
    // The tab caption changed.
    std::function<void(const QString&)> setCaption;
    // The system's Fonts folder, for values whose data is a bare file name.
    std::function<QString()> fontsFolder;
    // The grid was double-clicked: show this display name in the Font Map.
    std::function<void(const QString& name)> openInFontMap;
};

// Runs the "Installed fonts" tab: lists the Fonts key into the sorting list, the table and the
// grid, draws the grid's rows and answers its clicks.
class InstalledFontsPanel : public QObject {
    Q_OBJECT

  public:
    InstalledFontsPanel(const InstalledControls& controls, Registry& registry, FontTable& fonts,
                        std::function<SampleRowOptions()> options, InstalledFontsHooks hooks,
                        QObject* parent = nullptr);

    // Rebuilds the table and the grid from the Fonts key.
    void ListInstalledFonts();
    // Table row `row` (an empty row past the end).
    InstalledFontRow row(int row) const;

    void StringGrid5MouseDown();
    void StringGrid5DblClick();

  private:
    int topSelectedRow() const;

    InstalledControls m_controls;
    Registry& m_registry;
    InstalledFontsHooks m_hooks;
    SampleRowDelegate* m_delegate = nullptr;
};

}  // namespace td
