#include "views/searchpanel.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QTextEdit>
#include <algorithm>

#include "browse/samplerow.h"
#include "platform/application.h"
#include "platform/fonttable.h"
#include "ttfnames/fontnames.h"

namespace td {

namespace {

constexpr int kPreviewPoints = 16;

}  // namespace

// ---------------------------------------------------------------------------------------------
// The rows

SearchResultsModel::SearchResultsModel(QObject* parent) : QAbstractTableModel(parent) {}

int SearchResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_hits.size());
}

int SearchResultsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kSearchColumns;
}

QVariant SearchResultsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= kSearchColumns) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        return hit(index.row()).cells[static_cast<std::size_t>(index.column())];
    }
    // The blanks that pad a size line the digits up only in a fixed-width font.
    if (role == Qt::TextAlignmentRole && index.column() == kSearchSize) {
        return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant SearchResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kSearchColumns) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return searchHeads(m_sortedColumn).at(section);
}

void SearchResultsModel::setHits(std::vector<SearchHit> hits, int sortedColumn) {
    // Rows go and come rather than a model reset, which would also reset the widths the user
    // gave the columns.
    if (!m_hits.empty()) {
        beginRemoveRows({}, 0, rowCount() - 1);
        m_hits.clear();
        endRemoveRows();
    }
    if (!hits.empty()) {
        beginInsertRows({}, 0, static_cast<int>(hits.size()) - 1);
        m_hits = std::move(hits);
        endInsertRows();
    }
    m_sortedColumn = sortedColumn >= 0 && sortedColumn < kSearchColumns ? sortedColumn : -1;
    emit headerDataChanged(Qt::Horizontal, 0, kSearchColumns - 1);
}

void SearchResultsModel::sortBy(int column) {
    emit layoutAboutToBeChanged();
    SortResults(m_hits, column);
    emit layoutChanged();
    m_sortedColumn = column >= 0 && column < kSearchColumns ? column : -1;
    emit headerDataChanged(Qt::Horizontal, 0, kSearchColumns - 1);
}

void SearchResultsModel::clearMarker() {
    m_sortedColumn = -1;
    emit headerDataChanged(Qt::Horizontal, 0, kSearchColumns - 1);
}

void SearchResultsModel::removeHits(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // Contiguous runs, from the bottom up, so that the numbers still to come stay valid.
    std::size_t i = 0;
    while (i < rows.size()) {
        const int last = rows[i];
        int first = last;
        while (i + 1 < rows.size() && rows[i + 1] == first - 1) {
            ++i;
            --first;
        }
        ++i;
        if (first < 0 || last >= rowCount()) {
            continue;
        }
        beginRemoveRows({}, first, last);
        m_hits.erase(m_hits.begin() + first, m_hits.begin() + last + 1);
        endRemoveRows();
    }
}

// ---------------------------------------------------------------------------------------------
// The tab

SearchPanel::SearchPanel(const SearchControls& controls, FontTable* fonts, SearchPanelHooks hooks,
                         QObject* parent)
    : QObject(parent),
      m_controls(controls),
      m_fonts(fonts),
      m_hooks(std::move(hooks)),
      m_model(new SearchResultsModel(this)) {
    if (QTableView* grid = m_controls.StringGrid6) {
        grid->setModel(m_model);
        grid->setShowGrid(true);
        grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
        grid->setSelectionBehavior(QAbstractItemView::SelectItems);
        grid->setWordWrap(false);
        // Long folder paths keep their beginning and their end in view.
        grid->setTextElideMode(Qt::ElideMiddle);
        grid->verticalHeader()->hide();
        grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
        QHeaderView* heads = grid->horizontalHeader();
        heads->show();
        // A press on a head sorts; it must not also select the whole column.
        heads->setSectionsClickable(false);
        heads->setHighlightSections(false);
        heads->setSectionResizeMode(QHeaderView::Interactive);
        heads->setStretchLastSection(false);
        heads->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        heads->viewport()->installEventFilter(this);
        connect(grid, &QAbstractItemView::clicked, this,
                td::guarded([this] { StringGrid6Click(); }));
        // Moving the current cell with the keys previews as a click does.
        connect(grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
                td::guarded([this](const QModelIndex& current) {
                    if (current.isValid() && !m_changingRows) {
                        StringGrid6Click();
                    }
                }));
    }
    if (QTextEdit* preview = m_controls.RichEdit1) {
        preview->viewport()->installEventFilter(this);
    }
    if (m_controls.ListBox2) {
        connect(m_controls.ListBox2, &QListWidget::itemDoubleClicked, this,
                td::guarded([this](QListWidgetItem* item) { ListBox2DblClick(item); }));
    }
}

SearchPanel::~SearchPanel() {
    if (m_controls.StringGrid6) {
        m_controls.StringGrid6->horizontalHeader()->viewport()->removeEventFilter(this);
    }
}

void SearchPanel::SearchFonts() {
    if (m_hooks.showBusy) {
        m_hooks.showBusy(1);
    }
    // The indicator ends even when the walk is left by an exception.
    struct Idle {
        const std::function<void()>& showIdle;
        ~Idle() {
            if (showIdle) {
                showIdle();
            }
        }
    } idle{m_hooks.showIdle};

    {
        const QScopedValueRollback changing(m_changingRows, true);
        m_model->setHits({});
    }
    ReleasePreviews();
    QStringList roots;
    if (QListWidget* drives = m_controls.ListBox2) {
        for (int i = 0; i < drives->count(); ++i) {
            if (drives->item(i)->isSelected()) {
                roots << drives->item(i)->text();
            }
        }
    }
    const QString mask = m_controls.Edit3 ? m_controls.Edit3->text() : QStringLiteral("*");
    std::vector<SearchHit> hits = SearchDrives(roots, mask, m_hooks.keepPainting);
    const QScopedValueRollback changing(m_changingRows, true);
    m_model->setHits(std::move(hits), kSearchPath);
    // The widths stay as the layout or the user left them, but every found text shows whole.
    if (QTableView* grid = m_controls.StringGrid6) {
        std::array<int, kSearchColumns> widths;
        for (int column = 0; column < kSearchColumns; ++column) {
            widths[column] = grid->columnWidth(column);
        }
        int available = 0;
        for (const int width : widths) {
            available += width;
        }
        setColumnWidths(fitSearchColumns(widths, available, neededColumnWidths()));
    }
    showCaption();
}

void SearchPanel::SortResults(int column) {
    m_model->sortBy(column);
}

void SearchPanel::StringGrid6MouseDown(int x) {
    QTableView* grid = m_controls.StringGrid6;
    if (grid == nullptr) {
        return;
    }
    const QHeaderView* heads = grid->horizontalHeader();
    const int column = heads->logicalIndexAt(x);
    if (column < 0) {
        // Right of the last column: a number that names no column.
        SortResults(kSearchColumns);
        return;
    }
    // A press on the border between two heads starts resizing a column; it sorts nothing.
    const int grip = heads->style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, heads);
    const int offset = x - heads->sectionViewportPosition(column);
    const bool leftBorder = offset < grip && heads->visualIndex(column) > 0;
    const bool rightBorder = heads->sectionSize(column) - offset < grip;
    if (leftBorder || rightBorder) {
        return;
    }
    SortResults(column);
}

void SearchPanel::StringGrid6Click() {
    QTableView* grid = m_controls.StringGrid6;
    if (grid == nullptr) {
        return;
    }
    int top = -1;
    for (const QItemSelectionRange& range : grid->selectionModel()->selection()) {
        top = top < 0 ? range.top() : std::min(top, range.top());
    }
    if (top < 0) {
        top = grid->currentIndex().row();
    }
    if (top < 0 || top >= m_model->rowCount()) {
        return;
    }
    const QString path = m_model->hit(top).fullPath();
    if (QListWidget* previewed = m_controls.ListBox5) {
        if (previewed->findItems(path, Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty()) {
            if (m_hooks.activateFont) {
                m_hooks.activateFont(path);
            }
            previewed->addItem(path);
        }
    }
    const TFontNames names = ReadFontNames(path);
    QTextEdit* preview = m_controls.RichEdit1;
    if (preview == nullptr) {
        return;
    }
    // The preview draws the face of the file itself, so a bold or italic file shows as such;
    // a file that is no font previews in what its name resolves to, as other text does.
    const int pixels = pointsToPixels(kPreviewPoints, preview->logicalDpiY());
    const std::shared_ptr<const FontFace> face = FaceCache::shared().open(path);
    m_previewFont = DrawingFont::fromFace(face, FontStyle{}, pixels);
    QFont font = preview->font();
    if (m_previewFont.isValid()) {
        font = QFont();
        font.setFamilies({face->family()});
        font.setBold(face->isBold());
        font.setItalic(face->isItalic());
    } else if (m_fonts != nullptr) {
        font = m_fonts->resolve(names.Name, FontStyle{}, pixels).font();
    }
    font.setPointSize(kPreviewPoints);
    preview->clear();
    preview->setFont(font);
    preview->document()->setDefaultFont(font);
    preview->setPlainText(m_hooks.sampleText ? m_hooks.sampleText() : QString());
    preview->viewport()->update();
}

void SearchPanel::paintPreview(QWidget* viewport) {
    const QTextEdit* preview = m_controls.RichEdit1;
    QPainter painter(viewport);
    painter.fillRect(viewport->rect(), viewport->palette().color(QPalette::Base));
    painter.setPen(viewport->palette().color(QPalette::Text));
    const qreal margin = preview->document()->documentMargin();
    QPointF topLeft(margin - preview->horizontalScrollBar()->value(),
                    margin - preview->verticalScrollBar()->value());
    for (const QString& line : preview->toPlainText().split(u'\n')) {
        m_previewFont.drawTextAt(painter, topLeft, line);
        topLeft.ry() += m_previewFont.height();
    }
}

void SearchPanel::ListBox2DblClick(QListWidgetItem* item) {
    // The first click of the double click toggled the drive; the drive double-clicked is
    // searched whatever the toggling left.
    if (item != nullptr) {
        item->setSelected(true);
    }
    if (m_controls.Button9) {
        m_controls.Button9->click();
    }
}

void SearchPanel::ReleasePreviews() {
    QListWidget* previewed = m_controls.ListBox5;
    if (previewed == nullptr) {
        return;
    }
    // The list is emptied first, so that a release that reaches back here finds nothing left.
    QStringList paths;
    for (int i = 0; i < previewed->count(); ++i) {
        paths << previewed->item(i)->text();
    }
    previewed->clear();
    for (const QString& path : std::as_const(paths)) {
        if (m_hooks.deactivateFont) {
            m_hooks.deactivateFont(path);
        }
    }
}

std::array<int, kSearchColumns> fitSearchColumns(std::array<int, kSearchColumns> widths,
                                                 int available,
                                                 const std::array<int, kSearchColumns>& needed) {
    for (const int column : {kSearchName, kSearchTime, kSearchSize}) {
        widths[column] = std::max(widths[column], needed[column]);
    }
    int total = 0;
    for (const int width : widths) {
        total += width;
    }
    const int over = total - available;
    if (over > 0) {
        const int least = std::min(widths[kSearchPath], needed[kSearchPath]);
        widths[kSearchPath] = std::max(least, widths[kSearchPath] - over);
    }
    return widths;
}

std::array<int, kSearchColumns> SearchPanel::neededColumnWidths() const {
    std::array<int, kSearchColumns> needed{};
    QTableView* grid = m_controls.StringGrid6;
    if (grid == nullptr) {
        return needed;
    }
    // A cell's text stands between the margins the item view's style keeps on either side.
    const int margins = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) +
                        (grid->showGrid() ? 1 : 0);
    const QFontMetrics metrics = grid->fontMetrics();
    const QString widest[kSearchColumns] = {
        QString(), QString(), QStringLiteral("0000 00/00 00:00:00"), QString(12, u'0')};
    for (int column = 0; column < kSearchColumns; ++column) {
        needed[column] =
            std::max({grid->horizontalHeader()->sectionSizeHint(column),
                      static_cast<const QAbstractItemView*>(grid)->sizeHintForColumn(column),
                      metrics.horizontalAdvance(widest[column]) + margins});
    }
    return needed;
}

void SearchPanel::setColumnWidths(const std::array<int, kSearchColumns>& widths) {
    for (int column = 0; column < kSearchColumns; ++column) {
        m_controls.StringGrid6->setColumnWidth(column, widths[column]);
    }
}

void SearchPanel::LayoutColumns() {
    m_model->clearMarker();
    if (QTableView* grid = m_controls.StringGrid6) {
        const int quarter = std::max(0, (grid->width() - 25) / 4);
        std::array<int, kSearchColumns> widths;
        widths.fill(quarter);
        setColumnWidths(fitSearchColumns(widths, 4 * quarter, neededColumnWidths()));
    }
}

std::vector<int> SearchPanel::selectedRows() const {
    std::vector<int> rows;
    if (m_controls.StringGrid6 == nullptr) {
        return rows;
    }
    for (const QItemSelectionRange& range : m_controls.StringGrid6->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            rows.push_back(row);
        }
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

QStringList SearchPanel::selectedPaths() const {
    QStringList paths;
    for (const int row : selectedRows()) {
        paths << m_model->hit(row).fullPath();
    }
    return paths;
}

std::vector<QByteArray> SearchPanel::selectedNativePaths() const {
    std::vector<QByteArray> paths;
    for (const int row : selectedRows()) {
        paths.push_back(m_model->hit(row).nativePath);
    }
    return paths;
}

void SearchPanel::removeRows(const std::vector<int>& rows) {
    {
        // The current cell moving off a removed row previews nothing.
        const QScopedValueRollback changing(m_changingRows, true);
        m_model->removeHits(rows);
    }
    showCaption();
}

bool SearchPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint && m_controls.RichEdit1 != nullptr &&
        watched == m_controls.RichEdit1->viewport() && m_previewFont.isValid()) {
        paintPreview(m_controls.RichEdit1->viewport());
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress && m_controls.StringGrid6 != nullptr &&
        watched == m_controls.StringGrid6->horizontalHeader()->viewport()) {
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::LeftButton) {
            runGuarded([&] { StringGrid6MouseDown(press->position().toPoint().x()); });
        }
    }
    return QObject::eventFilter(watched, event);
}

void SearchPanel::showCaption() {
    if (m_hooks.setCaption) {
        m_hooks.setCaption(QStringLiteral("Searched: ") + QString::number(m_model->rowCount()));
    }
}

}  // namespace td
