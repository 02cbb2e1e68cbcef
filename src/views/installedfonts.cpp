#include "views/installedfonts.h"

#include <QListWidget>
#include <QTableWidget>
#include <algorithm>

#include "browse/filelist.h"
#include "browse/samplegrid.h"
#include "platform/application.h"
#include "platform/busyanimation.h"
#include "platform/fontskey.h"
#include "platform/registry.h"

namespace td {

namespace {

// Table columns.
constexpr int kColName = 0;
constexpr int kColBold = 1;
constexpr int kColItalic = 2;
constexpr int kColPath = 3;

// The entry of the sorting list and the value's data it was made from.
struct Entry {
    QString text;
    QString data;
};

QString cell(const QTableWidget* table, int row, int column) {
    const QTableWidgetItem* item = table ? table->item(row, column) : nullptr;
    return item ? item->text() : QString();
}

}  // namespace

InstalledFontRow installedFontRow(const QString& entry, const QString& data,
                                  const QString& fontsFolder) {
    InstalledFontRow row;
    row.path = data.startsWith(u'/') ? data : fontsFolder + u'/' + data;
    qsizetype cut = entry.size();
    for (const QChar mark : {u'(', u';'}) {
        const qsizetype at = entry.indexOf(mark);
        if (at >= 0 && at < cut) {
            cut = at;
        }
    }
    if (cut > 0 && entry.at(cut - 1) == u' ') {
        --cut;
    }
    QString name = entry.left(cut);
    for (int pass = 0; pass < 2; ++pass) {
        const qsizetype blank = name.lastIndexOf(u' ');
        const QString word = name.mid(blank + 1);
        if (word == u"Bold") {
            row.bold = word;
        } else if (word == u"Italic") {
            row.italic = word;
        } else {
            continue;
        }
        name.truncate(std::max<qsizetype>(blank, 0));
    }
    row.name = name;
    return row;
}

SampleRow installedSampleRow(const InstalledFontRow& row) {
    SampleRow sample;
    sample.family = row.name;
    // The style comes from the two columns as from a subfamily: "bold" and "italic" anywhere.
    sample.subfamily = row.bold + u' ' + row.italic;
    sample.caption = row.name + u' ' + row.bold + u' ' + row.italic;
    // Installed fonts are drawn as the desktop offers them; nothing is activated.
    return sample;
}

InstalledFontsPanel::InstalledFontsPanel(const InstalledControls& controls, Registry& registry,
                                         FontTable& fonts,
                                         std::function<SampleRowOptions()> options,
                                         InstalledFontsHooks hooks, QObject* parent)
    : QObject(parent), m_controls(controls), m_registry(registry), m_hooks(std::move(hooks)) {
    if (QTableWidget* grid = m_controls.StringGrid5) {
        m_delegate = new SampleRowDelegate(
            fonts, std::move(options), [this](int r) { return installedSampleRow(row(r)); }, this);
        grid->setItemDelegate(m_delegate);
        setUpSampleGrid(*grid);
        grid->setColumnCount(1);
        grid->setRowCount(std::max(1, grid->rowCount()));
        connect(grid, &QAbstractItemView::pressed, this,
                td::guarded([this] { StringGrid5MouseDown(); }));
        connect(grid, &QAbstractItemView::doubleClicked, this,
                td::guarded([this] { StringGrid5DblClick(); }));
    }
    if (QTableWidget* table = m_controls.StringGrid4) {
        table->setColumnCount(4);
    }
}

void InstalledFontsPanel::ListInstalledFonts() {
    if (m_hooks.showBusy) {
        m_hooks.showBusy(2);
    }
    IdleOnExit idle(m_hooks.showIdle);
    QTableWidget* table = m_controls.StringGrid4;
    QTableWidget* grid = m_controls.StringGrid5;
    QListWidget* sorting = m_controls.ListBox1;
    if (sorting) {
        sorting->clear();
    }
    if (table) {
        table->clearContents();
        table->setRowCount(1);
    }
    if (grid) {
        grid->setRowCount(1);
    }

    // Values whose data is not a string are passed over, so one odd value does not hide the
    // rest. A key that cannot be opened lists nothing.
    std::vector<Entry> entries;
    if (const auto key = m_registry.openKey(RootKey::LocalMachine,
                                            u'\\' + QString::fromUtf16(kFontsKeyPath), false)) {
        const QStringList names = key->valueNames();
        entries.reserve(size_t(names.size()));
        for (const QString& name : names) {
            if (key->valueType(name) == ValueType::String) {
                const QString data = key->readString(name);
                entries.push_back({name + u';' + data, data});
            }
            if (m_hooks.keepPainting) {
                m_hooks.keepPainting();
            }
        }
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return fileListLess(a.text, b.text); });

    const int count = int(entries.size());
    const QString folder = m_hooks.fontsFolder ? m_hooks.fontsFolder() : userFontsFolder();
    if (table) {
        table->setRowCount(std::max(1, count));
    }
    for (int i = 0; i < count; ++i) {
        if (sorting) {
            sorting->addItem(entries[size_t(i)].text);
        }
        if (table) {
            const InstalledFontRow row =
                installedFontRow(entries[size_t(i)].text, entries[size_t(i)].data, folder);
            table->setItem(i, kColName, new QTableWidgetItem(row.name));
            table->setItem(i, kColBold, new QTableWidgetItem(row.bold));
            table->setItem(i, kColItalic, new QTableWidgetItem(row.italic));
            table->setItem(i, kColPath, new QTableWidgetItem(row.path));
        }
        if (m_hooks.keepPainting) {
            m_hooks.keepPainting();
        }
    }
    if (grid) {
        grid->setRowCount(std::max(1, count));
        grid->viewport()->update();
    }
    // An empty key leaves one blank row in the grid; the caption counts fonts, so it says 0.
    if (m_hooks.setCaption) {
        m_hooks.setCaption(QStringLiteral("Installed fonts: ") + QString::number(count));
    }
}

InstalledFontRow InstalledFontsPanel::row(int row) const {
    const QTableWidget* table = m_controls.StringGrid4;
    return InstalledFontRow{cell(table, row, kColName), cell(table, row, kColBold),
                            cell(table, row, kColItalic), cell(table, row, kColPath)};
}

int InstalledFontsPanel::topSelectedRow() const {
    const QTableWidget* grid = m_controls.StringGrid5;
    int top = -1;
    for (const QModelIndex& index : grid->selectionModel()->selectedIndexes()) {
        top = top < 0 ? index.row() : std::min(top, index.row());
    }
    return top < 0 ? grid->currentRow() : top;
}

void InstalledFontsPanel::StringGrid5MouseDown() {
    if (!m_controls.StringGrid5 || !m_hooks.setCaption) {
        return;
    }
    m_hooks.setCaption(QStringLiteral("Installed fonts: ") + QString::number(topSelectedRow() + 1) +
                       u'/' + QString::number(m_controls.StringGrid5->rowCount()));
}

void InstalledFontsPanel::StringGrid5DblClick() {
    if (!m_controls.StringGrid5 || !m_hooks.openInFontMap) {
        return;
    }
    m_hooks.openInFontMap(row(topSelectedRow()).name);
}

}  // namespace td
