#include "browse/samplegrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QTableView>

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
    : QStyledItemDelegate(parent), m_fonts(fonts), m_options(std::move(options)) {}

SampleRowDelegate::SampleRowDelegate(FontTable& fonts, std::function<SampleRowOptions()> options,
                                     std::function<SampleRow(int row)> rows, QObject* parent)
    : QStyledItemDelegate(parent),
      m_fonts(fonts),
      m_options(std::move(options)),
      m_rows(std::move(rows)) {}

void SampleRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QWidget* widget = item.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &item, painter, widget);

    const SampleRow row = m_rows ? m_rows(index.row())
                                 : SampleRow{index.data(SampleGridModel::FamilyRole).toString(),
                                             index.data(SampleGridModel::SubfamilyRole).toString(),
                                             index.data(SampleGridModel::EntryRole).toString(),
                                             index.data(SampleGridModel::PathRole).toString(),
                                             {},
                                             index.data(SampleGridModel::FacesRole).toInt()};
    if (row.family.isEmpty()) {
        return;
    }
    SampleRowOptions options = m_options ? m_options() : SampleRowOptions{};
    if (painter->device()) {
        options.dpi = painter->device()->logicalDpiY();
    }
    const bool selected = item.state & QStyle::State_Selected;
    painter->save();
    painter->setPen(item.palette.color(
        item.state & QStyle::State_Enabled ? QPalette::Active : QPalette::Disabled,
        selected ? QPalette::HighlightedText : QPalette::Text));
    paintSampleRow(*painter, item.rect, row, options, m_fonts);
    painter->restore();
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
