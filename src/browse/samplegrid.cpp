#include "browse/samplegrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QPointer>
#include <QTableView>
#include <QTimer>

#include "browse/fontlisting.h"

namespace td {

SampleGridModel::SampleGridModel(const FontListing& listing, QObject* parent)
    : QAbstractTableModel(parent), m_listing(listing) {}

int SampleGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_listing.rowCount();
}

int SampleGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1;
}

QVariant SampleGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const FontDataRow& row = m_listing.row(index.row());
    switch (role) {
        case FamilyRole:
            return row[kColFamily];
        case SubfamilyRole:
            return row[kColSubfamily];
        case EntryRole:
            return row[kColEntry];
        case PathRole:
            return m_listing.path(index.row());
        case FacesRole:
            return m_listing.faceCount(index.row());
        case Qt::AccessibleTextRole:
            return row[kColFamily].isEmpty()
                       ? QString()
                       : captionText(row[kColFamily], row[kColSubfamily], row[kColEntry],
                                     m_listing.faceCount(index.row()));
        default:
            return {};
    }
}

SampleRow SampleGridModel::sampleRow(int row) const {
    const FontDataRow& data = m_listing.row(row);
    return SampleRow{
        data[kColFamily],        data[kColSubfamily], data[kColEntry], m_listing.path(row), {},
        m_listing.faceCount(row)};
}

void SampleGridModel::listingChanged() {
    beginResetModel();
    endResetModel();
}

SampleRowDelegate::SampleRowDelegate(FontTable& fonts, std::function<SampleRowOptions()> options,
                                     QObject* parent)
    : QStyledItemDelegate(parent),
      m_fonts(fonts),
      m_options(std::move(options)),
      m_images(new RowImageCache(this)) {}

SampleRowDelegate::SampleRowDelegate(FontTable& fonts, std::function<SampleRowOptions()> options,
                                     std::function<SampleRow(int row)> rows, QObject* parent)
    : QStyledItemDelegate(parent),
      m_fonts(fonts),
      m_options(std::move(options)),
      m_rows(std::move(rows)),
      m_images(new RowImageCache(this)) {}

SampleRow SampleRowDelegate::rowAt(const QModelIndex& index) const {
    return m_rows ? m_rows(index.row())
                  : SampleRow{index.data(SampleGridModel::FamilyRole).toString(),
                              index.data(SampleGridModel::SubfamilyRole).toString(),
                              index.data(SampleGridModel::EntryRole).toString(),
                              index.data(SampleGridModel::PathRole).toString(),
                              {},
                              index.data(SampleGridModel::FacesRole).toInt()};
}

namespace {

QColor penFor(const QPalette& palette, bool enabled, bool selected) {
    return palette.color(enabled ? QPalette::Active : QPalette::Disabled,
                         selected ? QPalette::HighlightedText : QPalette::Text);
}

}  // namespace

void SampleRowDelegate::drawAhead(QTableView* view) const {
    QAbstractItemModel* model = view->model();
    const int rows = model ? model->rowCount() : 0;
    const int first = view->rowAt(0);
    if (first < 0 || rows == 0) {
        return;
    }
    int last = view->rowAt(view->viewport()->height() - 1);
    if (last < 0) {
        last = rows - 1;
    }
    const int screen = last - first + 1;
    SampleRowOptions options = m_options ? m_options() : SampleRowOptions{};
    options.dpi = view->viewport()->logicalDpiY();
    const qreal ratio = view->viewport()->devicePixelRatioF();
    const QItemSelectionModel* selection = view->selectionModel();
    m_images->want(std::max(0, first - screen), std::min(rows - 1, last + screen),
                   [&](int r) -> std::optional<RowImageJob> {
                       const QModelIndex index = model->index(r, 0);
                       const SampleRow row = rowAt(index);
                       if (row.family.isEmpty()) {
                           return std::nullopt;
                       }
                       const bool selected = selection && selection->isSelected(index);
                       const QColor pen = penFor(view->palette(), view->isEnabled(), selected);
                       return rowImageJob(row, options, m_fonts, pen,
                                          view->visualRect(index).size(), ratio);
                   });
}

void SampleRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QWidget* widget = item.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &item, painter, widget);

    const SampleRow row = rowAt(index);
    if (row.family.isEmpty()) {
        return;
    }
    SampleRowOptions options = m_options ? m_options() : SampleRowOptions{};
    if (painter->device()) {
        options.dpi = painter->device()->logicalDpiY();
    }
    const bool selected = item.state & QStyle::State_Selected;
    const QColor pen = penFor(item.palette, item.state & QStyle::State_Enabled, selected);
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    // A row drawn ahead is blitted; any other is drawn now, the same way, and kept.
    RowImageJob job{row, options, {}, {}, pen, item.rect.size(), ratio};
    const QString signature = job.signature();
    std::optional<QImage> image = m_images->ready(index.row(), signature);
    if (!image) {
        // Drawn from the file before the table loads it, so the file is opened once.
        job = rowImageJob(row, options, m_fonts, pen, item.rect.size(), ratio);
        image = renderRowImage(job);
        m_fonts.activate(row.path);
        m_fonts.deactivate(row.path);
        if (image) {
            m_images->store(index.row(), signature, *image);
        }
    }
    if (image) {
        painter->drawImage(item.rect.topLeft(), *image);
    } else {
        painter->save();
        painter->setPen(pen);
        paintSampleRow(*painter, item.rect, row, options, m_fonts);
        painter->restore();
    }

    auto* view = qobject_cast<QTableView*>(const_cast<QWidget*>(widget));
    if (view && !m_drawAheadQueued) {
        m_drawAheadQueued = true;
        QTimer::singleShot(0, m_images, [this, guard = QPointer<QTableView>(view)] {
            m_drawAheadQueued = false;
            if (guard) {
                drawAhead(guard);
            }
        });
    }
}

void setUpSampleGrid(QTableView& view) {
    view.horizontalHeader()->hide();
    view.verticalHeader()->hide();
    view.setShowGrid(true);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setSelectionMode(QAbstractItemView::ContiguousSelection);
    view.verticalHeader()->setDefaultSectionSize(50);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setWordWrap(false);
    view.setToolTip(QStringLiteral("Double-click switching to Font Map"));
}

}  // namespace td
