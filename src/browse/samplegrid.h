#pragma once

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <functional>

#include "browse/rowimages.h"
#include "browse/samplerow.h"

class QTableView;

namespace td {

class FontListing;

// The sample grid's rows: one per row of the listing's font data table, one column. The cells
// hold no text; the delegate draws each row from the roles below.
class SampleGridModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Role {
        FamilyRole = Qt::UserRole + 1,
        SubfamilyRole,
        EntryRole,
        PathRole,
        FacesRole,  // the faces of a collection, 1 for other files
    };

    explicit SampleGridModel(const FontListing& listing, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The row as the painter takes it.
    SampleRow sampleRow(int row) const;
    // The listing was rebuilt: the rows are read again.
    void listingChanged();

  private:
    const FontListing& m_listing;
};

// Paints the sample grid's rows: the view's own background and selection first, then the row
// in the colours they leave (highlighted text on selected rows).
class SampleRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

  public:
    // `options` is asked at every paint, so option changes show at the next repaint. Rows come
    // from the model's roles (SampleGridModel).
    SampleRowDelegate(FontTable& fonts, std::function<SampleRowOptions()> options,
                      QObject* parent = nullptr);
    // The same for a grid whose model is not a SampleGridModel (a QTableWidget, which keeps its
    // own model): `rows` gives the row to draw for each grid row.
    SampleRowDelegate(FontTable& fonts, std::function<SampleRowOptions()> options,
                      std::function<SampleRow(int row)> rows, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // The pictures of rows drawn ahead on the worker pool.
    RowImageCache& rowImages() const { return *m_images; }

  private:
    SampleRow rowAt(const QModelIndex& index) const;
    // After a paint: keeps the screen shown and queues the screens before and after it.
    void drawAhead(QTableView* view) const;

    FontTable& m_fonts;
    std::function<SampleRowOptions()> m_options;
    std::function<SampleRow(int row)> m_rows;
    RowImageCache* m_images;
    mutable bool m_drawAheadQueued = false;
};

// The grid's fixed properties: no headers, grid lines, whole rows selected as one range, row
// height 50, its hint.
void setUpSampleGrid(QTableView& view);

}  // namespace td
