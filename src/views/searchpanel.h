#pragma once

#include <QAbstractTableModel>
#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <vector>

#include "platform/fonttable.h"
#include "views/fontsearch.h"

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTableView;
class QTextEdit;

namespace td {

class FontTable;

// The rows of the result grid; the heads are the horizontal header, so they stay in view while
// the rows scroll.
class SearchResultsModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit SearchResultsModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const std::vector<SearchHit>& hits() const { return m_hits; }
    const SearchHit& hit(int row) const { return m_hits.at(static_cast<std::size_t>(row)); }
    // The column whose head carries the sort marker; -1 when none does.
    int sortedColumn() const { return m_sortedColumn; }

    // Replaces every row; `sortedColumn` is the column they are sorted by (its head is marked),
    // -1 for none.
    void setHits(std::vector<SearchHit> hits, int sortedColumn = -1);
    // Orders the rows by a column and marks its head; a column outside 0..3 orders by all
    // columns and marks none. The rows stay where the view shows them, only their content moves.
    void sortBy(int column);
    // Writes the heads again without a marker.
    void clearMarker();
    // Removes the given rows (numbers of this model, in any order, repeats allowed).
    void removeHits(std::vector<int> rows);

  private:
    std::vector<SearchHit> m_hits;
    int m_sortedColumn = -1;
};

// The controls of the "Search" tab, owned by the window.
struct SearchControls {
    QListWidget* ListBox2 = nullptr;  // drives, multi-select
    QLineEdit* Edit3 = nullptr;       // name mask, ".TTF" follows
    QPushButton* Button9 = nullptr;   // "s&Earch"
    QTableView* StringGrid6 = nullptr;
    QTextEdit* RichEdit1 = nullptr;   // preview line
    QListWidget* ListBox5 = nullptr;  // hidden: fonts activated for previews since the last release
};

// What the window does for the tab. Each may be empty.
struct SearchPanelHooks {
    std::function<void(int animation)> showBusy;
    std::function<void()> showIdle;
    // Called once per folder walked, to keep the busy animation moving.
    std::function<void()> keepPainting;
    std::function<void(const QString&)> setCaption;
    // Temporary activation of a font file through the window, which tracks the font map's file.
    std::function<void(const QString&)> activateFont;
    std::function<void(const QString&)> deactivateFont;
    // The "Sample text" option.
    std::function<QString()> sampleText;
};

// Column widths of the search grid: the name, time and size columns widen from `widths` to
// what their texts need, and the path column gives up the room that takes beyond `available`,
// as long as it keeps its own texts or its width from `widths`, whichever is less.
std::array<int, kSearchColumns> fitSearchColumns(std::array<int, kSearchColumns> widths,
                                                 int available,
                                                 const std::array<int, kSearchColumns>& needed);

// Runs the "Search" tab: the search over the selected drives, the sort by a pressed head, the
// preview of a clicked font and the release of previewed fonts.
class SearchPanel : public QObject {
    Q_OBJECT

  public:
    // `fonts` may be null (no preview font is then looked up).
    SearchPanel(const SearchControls& controls, FontTable* fonts, SearchPanelHooks hooks,
                QObject* parent = nullptr);
    ~SearchPanel() override;

    // Searches every selected drive and shows the hits sorted by path; previewed fonts are
    // released first.
    void SearchFonts();
    // Sorts the rows by a column (0 to 3); any other number orders by the whole row.
    void SortResults(int column);
    // A press at `x` (header coordinates) in the head row.
    void StringGrid6MouseDown(int x);
    // Previews the font in the top row of the selection.
    void StringGrid6Click();
    // Presses "s&Earch" with the double-clicked drive (if any) selected.
    void ListBox2DblClick(QListWidgetItem* item = nullptr);
    // Deactivates every previewed font once, in the order previewed, and empties the list.
    void ReleasePreviews();
    // The layout step: heads without marker, each column (grid width - 25) / 4 wide, or wider
    // where its texts need it (fitSearchColumns).
    void LayoutColumns();

    SearchResultsModel& results() { return *m_model; }
    const SearchResultsModel& results() const { return *m_model; }
    // Rows of the grid's selection, top to bottom (numbers of results()).
    std::vector<int> selectedRows() const;
    // The full paths of those rows, as shown, and as the file system spells them.
    QStringList selectedPaths() const;
    std::vector<QByteArray> selectedNativePaths() const;
    // Takes rows out of the grid (after their files were deleted) and updates the caption.
    void removeRows(const std::vector<int>& rows);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void showCaption();
    // Draws the preview's text in the face of the file previewed.
    void paintPreview(QWidget* viewport);
    // The widths the heads and the texts of the rows in view need (time and size columns: the
    // widest text their format can have).
    std::array<int, kSearchColumns> neededColumnWidths() const;
    void setColumnWidths(const std::array<int, kSearchColumns>& widths);

    SearchControls m_controls;
    FontTable* m_fonts;
    SearchPanelHooks m_hooks;
    SearchResultsModel* m_model;
    // Rows are being replaced or removed: the current cell moves without the user.
    bool m_changingRows = false;
    // The face the preview draws in; invalid when the file is no font (the text box then draws
    // its text in its own font).
    DrawingFont m_previewFont;
};

}  // namespace td
