#include "views/fontmap.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <array>
#include <cmath>

#include "browse/fontlisting.h"
#include "browse/samplerow.h"
#include "platform/application.h"
#include "platform/fonttable.h"
#include "ttfnames/fontnames.h"
#include "views/tform2.h"

namespace td {

namespace {

// Windows-1252 at 0x80..0x9F; 0 marks the five codes it leaves undefined.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// A code that the face has no glyph for: an empty cell on this light grey.
constexpr QRgb kMissingCharacter = qRgb(0xE0, 0xE0, 0xE0);
// The coverage does not depend on the size; any size resolves the same face.
constexpr int kCoveragePixelSize = 16;
// Room on each side of the corner's text.
constexpr int kCornerMargin = 2;

QString hexDigit(int value) {
    return QString::number(value, 16).toUpper();
}

// A code point as Unicode writes it: upper-case hexadecimal, at least four digits.
QString hexCode(int code) {
    return QString::number(code, 16).toUpper().rightJustified(4, u'0');
}

// A head: button face, a grid line on its right and bottom edges, the text centred.
void paintHead(QPainter& painter, const QRect& rect, const DrawingFont& font, const QString& text,
               const QPalette& palette) {
    painter.save();
    painter.fillRect(rect, palette.button());
    painter.setPen(palette.color(QPalette::Mid));
    painter.drawLine(rect.topRight(), rect.bottomRight());
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.setPen(palette.color(QPalette::ButtonText));
    painter.setClipRect(rect);
    font.drawTextAt(painter, rect.topLeft() + centredTextOffset(rect.size(), font, text), text);
    painter.restore();
}

// Heads and corner: shown, never selected.
QTableWidgetItem* headItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    return item;
}

// Paints the map's character cells from the transposed storage in the map's face at a third of
// the cell size, centred; a code the face lacks stays empty on light grey.
class FontMapDelegate final : public QStyledItemDelegate {
  public:
    FontMapDelegate(FontMapView& view, FontTable& fonts, QObject* parent)
        : QStyledItemDelegate(parent), m_view(view), m_fonts(fonts) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const int row = index.row();
        const int column = index.column();
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        cell.text.clear();
        const int dpi = painter->device() != nullptr ? painter->device()->logicalDpiY() : 96;
        const DrawingFont font =
            m_fonts.resolve(m_view.faceName(), FontStyle{},
                            pointsToPixels(fontMapPointSize(m_view.cellSize()), dpi));
        const bool selected = (option.state & QStyle::State_Selected) != 0;
        const int code = m_view.firstCode() + fontMapCode(row, column);
        const bool missing = !m_view.coverageOf(font).contains(fontMapCodePoint(code));
        if (missing && !selected) {
            painter->fillRect(option.rect, QColor(kMissingCharacter));
            return;
        }
        if (const QWidget* widget = option.widget; widget != nullptr) {
            widget->style()->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
        }
        if (missing) {
            return;
        }
        const QString text = m_view.cellText(row, column);
        painter->save();
        painter->setPen(
            option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setClipRect(option.rect);
        font.drawTextAt(*painter,
                        option.rect.topLeft() + centredTextOffset(option.rect.size(), font, text),
                        text);
        painter->restore();
    }

  private:
    FontMapView& m_view;
    FontTable& m_fonts;
};

// The fixed row (the low digits) or the fixed column (the high digits) of the map. Being the
// grid's header, it keeps its place while the cells scroll under it.
class FontMapHead final : public QHeaderView {
  public:
    FontMapHead(Qt::Orientation orientation, FontMapView& view, QWidget* parent)
        : QHeaderView(orientation, parent), m_view(&view) {
        setMinimumSectionSize(1);
        setSectionsClickable(false);
        setHighlightSections(false);
        setSectionResizeMode(QHeaderView::Fixed);
    }

  protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        // The grid may outlive the view that runs it.
        if (m_view.isNull()) {
            return;
        }
        const bool rowHead = orientation() == Qt::Vertical;
        const QString text =
            rowHead ? m_view->cellText(logicalIndex, 0) : m_view->cellText(0, logicalIndex);
        paintHead(*painter, rect, m_view->headFont(rowHead, logicalDpiY()), text, palette());
    }

  private:
    QPointer<FontMapView> m_view;
};

bool isPageKey(const QEvent* event) {
    const auto* key = static_cast<const QKeyEvent*>(event);
    return (key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown) &&
           (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
}

// Hands an event on to the widget it was meant for with `filter` out of the way, so that the
// caller can act once the widget has handled it.
void forward(QObject* watched, QEvent* event, QObject* filter) {
    watched->removeEventFilter(filter);
    QCoreApplication::sendEvent(watched, event);
    watched->installEventFilter(filter);
}

}  // namespace

char32_t fontMapCodePoint(int code) {
    if (code >= 0x80 && code <= 0x9F && kWindows1252High[code - 0x80] != 0) {
        return kWindows1252High[code - 0x80];
    }
    return static_cast<char32_t>(std::max(code, 0));
}

QString fontMapCharacter(int code) {
    const char32_t character = fontMapCodePoint(code);
    return QString::fromUcs4(&character, 1);
}

int fontMapCode(int row, int column) {
    return 16 * (row - 1) + (column - 1);
}

QString keystrokeHint(int code) {
    if (code >= kPageSize) {
        return QStringLiteral("Keystroke = Ctrl+Shift+U ") + hexCode(code);
    }
    if (code >= 33 && code <= 126) {
        return QStringLiteral("Keystroke = ") + fontMapCharacter(code);
    }
    return QStringLiteral("Keystroke = 0") + QString::number(code);
}

QString fontMapCorner(int code) {
    if (code >= kPageSize) {
        return QStringLiteral("U+") + hexCode(code);
    }
    return QStringLiteral("0") + QString::number(code);
}

int fontMapPointSize(int cellSize) {
    return cellSize / 3;
}

QPoint centredTextOffset(QSize box, const DrawingFont& font, const QString& text) {
    // Integer division of the leftover: C++ truncates toward zero, as the layout wants.
    const int width = static_cast<int>(font.horizontalAdvance(text));
    const int height = static_cast<int>(font.height());
    return {(box.width() - width) / 2, (box.height() - height) / 2};
}

QString fontMapFileFor(int viewMode, const QString& folder, const QString& tempPath,
                       const QString& entry) {
    if (entry.isEmpty() || entry == QLatin1String("..")) {
        return {};
    }
    if (viewMode == 3) {
        return extractedCopyPath(tempPath, entry);
    }
    if (viewMode != 1 || folder.isEmpty()) {
        return {};
    }
    return QDir(folder).filePath(entry);
}

void writeFontMapCells(QTableWidget& grid, int page) {
    // The items stay; only texts that differ are written, so a page switch costs little.
    const auto put = [&grid](int row, int column, const QString& text, bool head) {
        if (QTableWidgetItem* item = grid.item(row, column)) {
            if (item->text() != text) {
                item->setText(text);
            }
        } else {
            grid.setItem(row, column, head ? headItem(text) : new QTableWidgetItem(text));
        }
    };
    const int size = std::min(grid.rowCount(), grid.columnCount());
    for (int i = 1; i < size; ++i) {
        put(0, i, hexDigit(i - 1), true);
        put(i, 0, hexDigit(i - 1), true);
    }
    if (grid.item(0, 0) == nullptr) {
        grid.setItem(0, 0, headItem(QString()));
    }
    // Stored row j, column i: the screen's row i, column j.
    for (int i = 1; i < size; ++i) {
        for (int j = 1; j < size; ++j) {
            put(j, i, fontMapCharacter(page * kPageSize + fontMapCode(i, j)), false);
        }
    }
}

FontMapView::FontMapView(const FontMapControls& controls, FontTable& fonts, FontMapHooks hooks,
                         QObject* parent)
    : QObject(parent), m_controls(controls), m_fonts(fonts), m_hooks(std::move(hooks)) {
    QTableWidget* grid = m_controls.StringGrid3;
    if (grid == nullptr) {
        return;
    }
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setShowGrid(true);
    grid->setItemDelegate(new FontMapDelegate(*this, fonts, this));
    // Row 0 and column 0 hold the heads' texts; the header views show them.
    grid->setHorizontalHeader(new FontMapHead(Qt::Horizontal, *this, grid));
    grid->setVerticalHeader(new FontMapHead(Qt::Vertical, *this, grid));
    grid->horizontalHeader()->show();
    grid->verticalHeader()->show();
    grid->setRowHidden(0, true);
    grid->setColumnHidden(0, true);
    grid->setCornerButtonEnabled(false);
    m_corner = grid->findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly);
    if (m_corner != nullptr) {
        m_corner->installEventFilter(this);
    }
    grid->installEventFilter(this);
    grid->viewport()->installEventFilter(this);
    if (QComboBox* pages = m_controls.ComboBoxPage) {
        pages->installEventFilter(this);
        connect(pages, &QComboBox::currentIndexChanged, this, guarded([this](int index) {
                    if (index >= 0) {
                        setPage(m_controls.ComboBoxPage->itemData(index).toInt());
                    }
                }));
    }
    refreshPages();
    fitHeads();
}

FontMapView::~FontMapView() {
    if (QTableWidget* grid = m_controls.StringGrid3) {
        grid->removeEventFilter(this);
        grid->viewport()->removeEventFilter(this);
    }
    if (m_corner != nullptr) {
        m_corner->removeEventFilter(this);
    }
    if (m_controls.ComboBoxPage != nullptr) {
        m_controls.ComboBoxPage->removeEventFilter(this);
        m_controls.ComboBoxPage->disconnect(this);
    }
}

int FontMapView::cellSize() const {
    return m_controls.SpinEdit3 != nullptr ? m_controls.SpinEdit3->value() : 30;
}

DrawingFont FontMapView::mapFont(int pixelSize) {
    return m_fonts.resolve(faceName(), FontStyle{}, pixelSize);
}

DrawingFont FontMapView::headFont(bool rowHead, int dpi) {
    QString face;
    if (rowHead) {
        face = m_hooks.baseFont ? m_hooks.baseFont() : QString();
    } else if (m_controls.StringGrid3 != nullptr) {
        face = m_controls.StringGrid3->font().family();
    }
    return m_fonts.resolve(face, FontStyle{}, pointsToPixels(fontMapPointSize(cellSize()), dpi));
}

const CharacterCoverage& FontMapView::coverageOf(const DrawingFont& font) {
    const QString key = QString::number(static_cast<int>(font.source())) + u'\n' + font.filePath() +
                        u'\n' + font.fullName() + u'\n' + font.family();
    if (key != m_coverageKey) {
        m_coverage = CharacterCoverage::fromCmap(font.rawFont().fontTable("cmap"));
        m_coverageKey = key;
    }
    return m_coverage;
}

bool FontMapView::hasCharacter(int code) {
    return coverageOf(mapFont(kCoveragePixelSize)).contains(fontMapCodePoint(code));
}

QString FontMapView::exportText(int code) {
    return hasCharacter(code) ? fontMapCharacter(code) : QString();
}

void FontMapView::refreshPages() {
    const QList<int> pages = coverageOf(mapFont(kCoveragePixelSize)).pages();
    if (pages != m_pages) {
        m_pages = pages;
        if (QComboBox* selector = m_controls.ComboBoxPage) {
            const QSignalBlocker quiet(selector);
            selector->clear();
            for (const int page : m_pages) {
                selector->addItem(unicodePageName(page), page);
            }
        }
    }
    if (!setPage(m_page)) {
        setPage(0);
    }
}

bool FontMapView::setPage(int page) {
    if (!m_pages.contains(page)) {
        return false;
    }
    if (page != m_page) {
        m_page = page;
        if (QTableWidget* grid = m_controls.StringGrid3) {
            writeFontMapCells(*grid, page);
            fitHeads();
            showSelection(false);
            grid->viewport()->update();
            grid->horizontalHeader()->viewport()->update();
            grid->verticalHeader()->viewport()->update();
        }
    }
    showPageInSelector();
    return true;
}

void FontMapView::stepPage(int steps) {
    const qsizetype at = m_pages.indexOf(m_page) + steps;
    setPage(m_pages.at(std::clamp<qsizetype>(at, 0, m_pages.size() - 1)));
}

void FontMapView::showPageInSelector() {
    if (QComboBox* selector = m_controls.ComboBoxPage) {
        const QSignalBlocker quiet(selector);
        selector->setCurrentIndex(selector->findData(m_page));
    }
}

void FontMapView::fitHeads() {
    QTableWidget* grid = m_controls.StringGrid3;
    if (grid == nullptr) {
        return;
    }
    const int size = cellSize();
    // The corner shares the row heads' column: wide enough for the longest code of the page.
    const DrawingFont font = headFont(false, grid->logicalDpiY());
    const QString widest = fontMapCorner(firstCode() + kPageSize - 1);
    const int corner =
        static_cast<int>(std::ceil(font.horizontalAdvance(widest))) + 2 * kCornerMargin;
    const int rowHeads = std::max(size, corner);
    if (grid->verticalHeader()->width() != rowHeads || grid->horizontalHeader()->height() != size) {
        grid->horizontalHeader()->setFixedHeight(size);
        grid->verticalHeader()->setFixedWidth(rowHeads);
        // Places the heads, the corner and the cells now rather than at the next layout pass.
        grid->doItemsLayout();
    }
    if (m_corner != nullptr) {
        m_corner->update();
    }
}

void FontMapView::paintCorner(QWidget& corner) {
    QPainter painter(&corner);
    // The corner button is disabled (it would select all); its text is the grid's, not greyed.
    const QWidget* grid = m_controls.StringGrid3;
    paintHead(painter, corner.rect(), headFont(false, corner.logicalDpiY()), cellText(0, 0),
              grid != nullptr ? grid->palette() : corner.palette());
}

QString FontMapView::faceName() const {
    if (m_controls.PageControl1 == nullptr) {
        return {};
    }
    return m_controls.PageControl1->tabText(m_controls.PageControl1->indexOf(m_controls.TabSheet3));
}

QString FontMapView::cellText(int row, int column) const {
    const QTableWidgetItem* item =
        m_controls.StringGrid3 != nullptr ? m_controls.StringGrid3->item(column, row) : nullptr;
    return item != nullptr ? item->text() : QString();
}

void FontMapView::ViewasCharacterMap1Click(const DirectorySource& source) {
    const int position = source.currentPosition();
    if (position < 1 || position >= source.fileList().size()) {
        return;
    }
    const QString path = fontMapFileFor(source.viewMode(), source.folder(), source.tempPath(),
                                        source.fileList().at(position));
    if (!path.isEmpty()) {
        showFontFile(path);
    }
}

void FontMapView::offerFaces(const QString& path, int faces) {
    if (m_controls.PageControl1 == nullptr) {
        return;
    }
    QTabBar* bar = m_controls.PageControl1->tabBar();
    const int tab = m_controls.PageControl1->indexOf(m_controls.TabSheet3);
    if (m_faceBox != nullptr) {
        bar->setTabButton(tab, QTabBar::RightSide, nullptr);
        m_faceBox->deleteLater();
        m_faceBox = nullptr;
    }
    if (faces <= 1) {
        return;
    }
    m_faceBox = new QComboBox;
    m_faceBox->setObjectName(QStringLiteral("FaceBox"));
    m_faceBox->setFocusPolicy(Qt::NoFocus);
    for (int face = 1; face <= faces; ++face) {
        m_faceBox->addItem(QStringLiteral("Face %1 of %2").arg(face).arg(faces));
    }
    connect(m_faceBox, &QComboBox::activated, this,
            guarded([this, path](int face) { showFace(path, face); }));
    bar->setTabButton(tab, QTabBar::RightSide, m_faceBox);
}

void FontMapView::showFace(const QString& path, int face) {
    if (m_controls.PageControl1 != nullptr) {
        m_controls.PageControl1->setTabText(m_controls.PageControl1->indexOf(m_controls.TabSheet3),
                                            ReadFontNames(path, face).Name);
    }
    // The faces of a collection may cover different pages: the list follows the face shown.
    refreshPages();
    if (m_controls.StringGrid3 != nullptr) {
        m_controls.StringGrid3->viewport()->update();
    }
}

void FontMapView::showFontFile(const QString& path) {
    int faces = 1;
    const QString caption = ReadFontNames(path, 0, &faces).Name;
    offerFaces(path, faces);
    if (m_controls.PageControl1 != nullptr) {
        m_controls.PageControl1->setTabText(m_controls.PageControl1->indexOf(m_controls.TabSheet3),
                                            caption);
    }
    if (m_hooks.setFontMapFile) {
        m_hooks.setFontMapFile(path);
    }
    if (m_controls.PageControl1 != nullptr) {
        m_controls.PageControl1->setCurrentWidget(m_controls.TabSheet3);
    }
    // A new font opens on page 0.
    refreshPages();
    setPage(0);
    if (m_controls.StringGrid3 != nullptr) {
        m_controls.StringGrid3->viewport()->update();
    }
}

void FontMapView::showInstalledFont(const QString& displayName) {
    offerFaces(QString(), 1);
    if (m_controls.PageControl1 != nullptr) {
        m_controls.PageControl1->setTabText(m_controls.PageControl1->indexOf(m_controls.TabSheet3),
                                            displayName);
    }
    if (m_hooks.setFontMapFile) {
        m_hooks.setFontMapFile(QString());
    }
    if (m_controls.PageControl1 != nullptr) {
        m_controls.PageControl1->setCurrentWidget(m_controls.TabSheet3);
    }
    // A new font opens on page 0.
    refreshPages();
    setPage(0);
    if (m_controls.StringGrid3 != nullptr) {
        m_controls.StringGrid3->viewport()->update();
    }
}

void FontMapView::StringGrid3SelectCell(int row, int column) {
    QTableWidget* grid = m_controls.StringGrid3;
    if (grid == nullptr || row < 1 || column < 1 || row > 16 || column > 16) {
        return;
    }
    grid->setCurrentCell(row, column);
    showSelection(true);
}

void FontMapView::showSelection(bool withMagnifier) {
    QTableWidget* grid = m_controls.StringGrid3;
    const int row = grid->currentRow();
    const int column = grid->currentColumn();
    QTableWidgetItem* cornerItem = grid->item(0, 0);
    // A page switch updates a selection made before; with none, the corner stays empty.
    if (row < 1 || column < 1 ||
        (!withMagnifier && (cornerItem == nullptr || cornerItem->text().isEmpty()))) {
        return;
    }
    const int code = firstCode() + fontMapCode(row, column);
    grid->setToolTip(keystrokeHint(code));
    const QString corner = fontMapCorner(code);
    if (cornerItem != nullptr) {
        cornerItem->setText(corner);
    } else {
        grid->setItem(0, 0, headItem(corner));
    }
    if (m_corner != nullptr) {
        m_corner->update();
    }
    TForm2* popup = m_hooks.popup ? m_hooks.popup() : nullptr;
    if (!withMagnifier || popup == nullptr) {
        return;
    }
    const int size = cellSize();
    // Near the cell's bottom-right corner wherever the grid is scrolled or the window stands.
    const QRect cell = grid->visualRect(grid->model()->index(row, column));
    const QPoint at = grid->viewport()->mapToGlobal(cell.bottomRight() + QPoint(1, 1));
    const DrawingFont font = mapFont(pointsToPixels(size, grid->logicalDpiY()));
    const QString text =
        coverageOf(font).contains(fontMapCodePoint(code)) ? fontMapCharacter(code) : QString();
    popup->showCharacter(corner, 2 * size, at, font, text);
}

void FontMapView::StringGrid3MouseUp() {
    if (TForm2* popup = m_hooks.popup ? m_hooks.popup() : nullptr) {
        popup->hide();
    }
}

bool FontMapView::eventFilter(QObject* watched, QEvent* event) {
    QTableWidget* grid = m_controls.StringGrid3;
    if (grid == nullptr) {
        return QObject::eventFilter(watched, event);
    }
    if (watched == grid->viewport() && event->type() == QEvent::MouseButtonPress) {
        // The grid moves its current cell first; a press selects the cell under the mouse,
        // also when it already was the current one.
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        forward(watched, event, this);
        const QModelIndex pressed = grid->indexAt(at);
        if (pressed.isValid() && pressed == grid->currentIndex()) {
            runGuarded([&] { StringGrid3SelectCell(pressed.row(), pressed.column()); });
        }
        return true;
    }
    if (watched == grid->viewport() && event->type() == QEvent::MouseButtonRelease) {
        forward(watched, event, this);
        runGuarded([this] { StringGrid3MouseUp(); });
        return true;
    }
    if (watched == m_corner && event->type() == QEvent::Paint) {
        paintCorner(*m_corner);
        return true;
    }
    const bool pageKeys = watched == grid || watched == m_controls.ComboBoxPage;
    if (pageKeys && event->type() == QEvent::ShortcutOverride && isPageKey(event)) {
        event->accept();  // the map's, not the tab control's
        return true;
    }
    if (pageKeys && event->type() == QEvent::KeyPress && isPageKey(event)) {
        const int steps = static_cast<QKeyEvent*>(event)->key() == Qt::Key_PageDown ? 1 : -1;
        runGuarded([&] { stepPage(steps); });
        return true;
    }
    if (watched == grid && event->type() == QEvent::KeyPress) {
        const QModelIndex before = grid->currentIndex();
        forward(watched, event, this);
        const QModelIndex after = grid->currentIndex();
        if (after.isValid() && after != before) {
            runGuarded([&] { StringGrid3SelectCell(after.row(), after.column()); });
        }
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace td
