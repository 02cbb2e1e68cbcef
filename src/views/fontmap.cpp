#include "views/fontmap.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <array>

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

QString hexDigit(int value) {
    return QString::number(value, 16).toUpper();
}

// Heads and corner: shown, never selected.
QTableWidgetItem* headItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    return item;
}

// Paints the map's cells from the transposed storage: the character cells in the map's face,
// the row heads in the base font, the column heads and the corner in the grid's own font, all
// at a third of the cell size, centred.
class FontMapDelegate final : public QStyledItemDelegate {
  public:
    FontMapDelegate(FontMapView& view, FontTable& fonts, std::function<int()> cellSize,
                    std::function<QString()> baseFont, QObject* parent)
        : QStyledItemDelegate(parent),
          m_view(view),
          m_fonts(fonts),
          m_cellSize(std::move(cellSize)),
          m_baseFont(std::move(baseFont)) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const int row = index.row();
        const int column = index.column();
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        cell.text.clear();
        const bool head = row == 0 || column == 0;
        if (head) {
            painter->fillRect(option.rect, option.palette.button());
        } else {
            const QWidget* widget = option.widget;
            QStyle* style = widget != nullptr ? widget->style() : nullptr;
            if (style != nullptr) {
                style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
            }
        }

        QString face;
        if (row >= 1 && column >= 1) {
            face = m_view.faceName();
        } else if (row >= 1) {
            face = m_baseFont ? m_baseFont() : QString();
        } else if (option.widget != nullptr) {
            face = option.widget->font().family();
        }
        const int dpi = painter->device() != nullptr ? painter->device()->logicalDpiY() : 96;
        const DrawingFont font =
            m_fonts.resolve(face, FontStyle{}, pointsToPixels(fontMapPointSize(m_cellSize()), dpi));
        const QString text = m_view.cellText(row, column);
        const bool selected = !head && (option.state & QStyle::State_Selected);
        painter->save();
        painter->setPen(option.palette.color(selected ? QPalette::HighlightedText
                                             : head   ? QPalette::ButtonText
                                                      : QPalette::Text));
        painter->setClipRect(option.rect);
        font.drawTextAt(*painter,
                        option.rect.topLeft() + centredTextOffset(option.rect.size(), font, text),
                        text);
        painter->restore();
    }

  private:
    FontMapView& m_view;
    FontTable& m_fonts;
    std::function<int()> m_cellSize;
    std::function<QString()> m_baseFont;
};

// Hands an event on to the widget it was meant for with `filter` out of the way, so that the
// caller can act once the widget has handled it.
void forward(QObject* watched, QEvent* event, QObject* filter) {
    watched->removeEventFilter(filter);
    QCoreApplication::sendEvent(watched, event);
    watched->installEventFilter(filter);
}

}  // namespace

QString fontMapCharacter(int code) {
    const int byte = code & 0xFF;
    char16_t unicode = static_cast<char16_t>(byte);
    if (byte >= 0x80 && byte <= 0x9F && kWindows1252High[byte - 0x80] != 0) {
        unicode = kWindows1252High[byte - 0x80];
    }
    return QString(QChar(unicode));
}

int fontMapCode(int row, int column) {
    return 16 * (row - 1) + (column - 1);
}

QString keystrokeHint(int code) {
    if (code >= 33 && code <= 126) {
        return QStringLiteral("Keystroke = ") + fontMapCharacter(code);
    }
    return QStringLiteral("Keystroke = 0") + QString::number(code);
}

QString fontMapCorner(int code) {
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

void writeFontMapCells(QTableWidget& grid) {
    const int size = std::min(grid.rowCount(), grid.columnCount());
    for (int i = 1; i < size; ++i) {
        grid.setItem(0, i, headItem(hexDigit(i - 1)));
        grid.setItem(i, 0, headItem(hexDigit(i - 1)));
    }
    if (grid.item(0, 0) == nullptr) {
        grid.setItem(0, 0, headItem(QString()));
    }
    // Stored row j, column i: the screen's row i, column j.
    for (int i = 1; i < size; ++i) {
        for (int j = 1; j < size; ++j) {
            grid.setItem(j, i, new QTableWidgetItem(fontMapCharacter(fontMapCode(i, j))));
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
    grid->setItemDelegate(new FontMapDelegate(
        *this, fonts,
        [this] { return m_controls.SpinEdit3 != nullptr ? m_controls.SpinEdit3->value() : 30; },
        m_hooks.baseFont, this));
    grid->installEventFilter(this);
    grid->viewport()->installEventFilter(this);
}

FontMapView::~FontMapView() {
    if (QTableWidget* grid = m_controls.StringGrid3) {
        grid->removeEventFilter(this);
        grid->viewport()->removeEventFilter(this);
    }
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

void FontMapView::showFontFile(const QString& path) {
    const QString caption = ReadFontNames(path).Name;
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
    if (m_controls.StringGrid3 != nullptr) {
        m_controls.StringGrid3->viewport()->update();
    }
}

void FontMapView::showInstalledFont(const QString& displayName) {
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
    if (m_controls.StringGrid3 != nullptr) {
        m_controls.StringGrid3->viewport()->update();
    }
}

void FontMapView::StringGrid3SelectCell(int row, int column) {
    QTableWidget* grid = m_controls.StringGrid3;
    if (grid == nullptr || row < 1 || column < 1 || row > 16 || column > 16) {
        return;
    }
    const int code = fontMapCode(row, column);
    grid->setToolTip(keystrokeHint(code));
    const QString corner = fontMapCorner(code);
    if (QTableWidgetItem* item = grid->item(0, 0)) {
        item->setText(corner);
    } else {
        grid->setItem(0, 0, headItem(corner));
    }
    TForm2* popup = m_hooks.popup ? m_hooks.popup() : nullptr;
    if (popup == nullptr) {
        return;
    }
    const int cellSize = m_controls.SpinEdit3 != nullptr ? m_controls.SpinEdit3->value() : 30;
    // Near the cell's bottom-right corner wherever the grid is scrolled or the window stands.
    const QRect cell = grid->visualRect(grid->model()->index(row, column));
    const QPoint at = grid->viewport()->mapToGlobal(cell.bottomRight() + QPoint(1, 1));
    const DrawingFont font =
        m_fonts.resolve(faceName(), FontStyle{}, pointsToPixels(cellSize, grid->logicalDpiY()));
    popup->showCharacter(corner, 2 * cellSize, at, font, fontMapCharacter(code));
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
