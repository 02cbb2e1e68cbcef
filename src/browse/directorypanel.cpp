#include "browse/directorypanel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>

#include "browse/filelist.h"
#include "browse/fontlisting.h"
#include "browse/samplegrid.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/drives.h"
#include "platform/error.h"

namespace td {

namespace {

constexpr int kFolderRole = Qt::UserRole + 1;

// Blocks a widget's signals while the panel writes into it.
class Quiet {
  public:
    explicit Quiet(QObject* object)
        : m_object(object), m_was(object && object->blockSignals(true)) {}
    ~Quiet() {
        if (m_object) {
            m_object->blockSignals(m_was);
        }
    }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

  private:
    QObject* m_object;
    bool m_was;
};

void setVisible(QAction* action, bool visible) {
    if (action) {
        action->setVisible(visible);
    }
}

}  // namespace

DirectoryPanel::DirectoryPanel(const DirectoryControls& controls, DirectorySource& source,
                               Dialogs& dialogs, Drives& drives, FontTable& fonts,
                               std::function<SampleRowOptions()> options, DirectoryPanelHooks hooks,
                               QObject* parent)
    : QObject(parent),
      m_controls(controls),
      m_source(source),
      m_dialogs(dialogs),
      m_drives(drives),
      m_hooks(std::move(hooks)) {
    QTableView* grid = m_controls.StringGrid2;
    if (grid) {
        if (qobject_cast<QTableWidget*>(grid)) {
            // A QTableWidget keeps its own model: rows are drawn from the listing by number.
            m_delegate = new SampleRowDelegate(
                fonts, std::move(options),
                [this](int row) {
                    const FontListing& listing = m_source.listing();
                    const FontDataRow& data = listing.row(row);
                    return SampleRow{data[kColFamily],
                                     data[kColSubfamily],
                                     data[kColEntry],
                                     listing.path(row),
                                     {},
                                     listing.faceCount(row)};
                },
                this);
        } else {
            m_model = new SampleGridModel(m_source.listing(), this);
            grid->setModel(m_model);
            m_delegate = new SampleRowDelegate(fonts, std::move(options), this);
        }
        grid->setItemDelegate(m_delegate);
        setUpSampleGrid(*grid);
        connect(grid, &QAbstractItemView::clicked, this,
                td::guarded([this] { StringGrid2Click(); }));
        connect(grid, &QAbstractItemView::doubleClicked, this,
                td::guarded([this] { StringGrid2DblClick(); }));
        grid->installEventFilter(this);
    }
    if (m_controls.RadioButton5) {
        connect(m_controls.RadioButton5, &QRadioButton::clicked, this,
                td::guarded([this] { RadioButton5Click(); }));
    }
    if (m_controls.RadioButton6) {
        connect(m_controls.RadioButton6, &QRadioButton::clicked, this,
                td::guarded([this] { RadioButton6Click(); }));
    }
    if (m_controls.CheckBox1) {
        connect(m_controls.CheckBox1, &QCheckBox::clicked, this,
                td::guarded([this] { CheckBox1Click(); }));
    }
    if (QListWidget* list = m_controls.FileListBox1) {
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list->setToolTip(QStringLiteral("Right-click to view menu"));
        // A move with the keyboard refills the Properties dialog as a click does; a press of
        // the mouse leaves that to the click that follows it.
        connect(list, &QListWidget::currentRowChanged, this, td::guarded([this](int row) {
                    if (m_syncing) {
                        return;
                    }
                    if (m_mouseDown) {
                        m_source.setCurrentPosition(row);
                    } else {
                        FileListBox1Click();
                    }
                }));
        connect(list, &QListWidget::itemClicked, this,
                td::guarded([this] { FileListBox1Click(); }));
        connect(list, &QListWidget::itemDoubleClicked, this,
                td::guarded([this] { FileListBox1DblClick(); }));
        connect(list, &QListWidget::itemPressed, this,
                td::guarded([this] { FileListBox1MouseDown(); }));
        list->viewport()->installEventFilter(this);
    }
    if (m_controls.Properties1) {
        connect(m_controls.Properties1, &QAction::triggered, this,
                td::guarded([this] { Properties1Click(); }));
    }
    if (QListWidget* tree = m_controls.DirectoryListBox1) {
        connect(tree, &QListWidget::itemActivated, this, td::guarded([this](QListWidgetItem* item) {
                    DirectoryListBox1Change(item->data(kFolderRole).toString());
                }));
    }
    if (QComboBox* drives = m_controls.DriveComboBox1) {
        connect(drives, &QComboBox::activated, this,
                td::guarded([this](int index) { DriveComboBox1Change(index); }));
    }
}

DirectoryPanel::~DirectoryPanel() {
    if (m_controls.FileListBox1) {
        m_controls.FileListBox1->viewport()->removeEventFilter(this);
    }
    if (m_controls.StringGrid2) {
        m_controls.StringGrid2->removeEventFilter(this);
    }
}

void DirectoryPanel::openFolder(const QString& folder) {
    m_source.setFolder(folder);
    sync();
}

void DirectoryPanel::ListFonts() {
    try {
        m_source.ListFonts();
    } catch (const Error& error) {
        sync();
        m_dialogs.messageBox(m_controls.FileListBox1, BoxIcon::Critical, error.message(),
                             BoxButtons::Ok);
        return;
    }
    sync();
}

void DirectoryPanel::sync() {
    m_syncing = true;
    if (QListWidget* list = m_controls.FileListBox1) {
        Quiet quiet(list);
        list->clear();
        list->addItems(m_source.fileList());
        const int current = m_source.currentPosition();
        if (current >= 0 && current < list->count()) {
            list->selectionModel()->setCurrentIndex(list->model()->index(current, 0),
                                                    QItemSelectionModel::NoUpdate);
        }
    }
    if (QCheckBox* box = m_controls.CheckBox1) {
        Quiet quiet(box);
        box->setChecked(m_source.withSubfolders());
        box->setVisible(m_source.withSubfoldersVisible());
    }
    if (m_controls.RadioButton5 && m_controls.RadioButton6) {
        Quiet quiet5(m_controls.RadioButton5);
        Quiet quiet6(m_controls.RadioButton6);
        (m_source.viewMode() == 1 ? m_controls.RadioButton5 : m_controls.RadioButton6)
            ->setChecked(true);
    }
    setVisible(m_controls.Addtozip1, m_source.addToZipVisible());
    for (QAction* action : {m_controls.ViewasCharacterMap1, m_controls.Install,
                            m_controls.Properties1, m_controls.copyto1, m_controls.MoveTo1}) {
        setVisible(action, m_source.fileCommandsVisible());
    }
    fillDrives();
    fillFolderTree();
    copyListing();
    if (QTableView* grid = m_controls.StringGrid2) {
        if (auto* widget = qobject_cast<QTableWidget*>(grid)) {
            widget->setColumnCount(1);
            widget->setRowCount(m_source.listing().rowCount());
        } else if (m_model) {
            m_model->listingChanged();
        }
        grid->viewport()->update();
    }
    m_syncing = false;
    if (m_source.listingCount() != m_shownListing) {
        m_shownListing = m_source.listingCount();
        showCaption(m_source.caption());
    }
}

void DirectoryPanel::copyListing() {
    const FontListing& listing = m_source.listing();
    if (m_controls.lb_) {
        *m_controls.lb_ = listing.lb_;
    }
    QTableWidget* table = m_controls.StringGrid1;
    if (!table) {
        return;
    }
    table->setColumnCount(kFontDataColumns);
    table->setRowCount(listing.rowCount());
    for (int row = 0; row < listing.rowCount(); ++row) {
        const FontDataRow& data = listing.row(row);
        for (int column = 0; column < kFontDataColumns; ++column) {
            QTableWidgetItem* item = table->item(row, column);
            if (!item) {
                item = new QTableWidgetItem;
                table->setItem(row, column, item);
            }
            item->setText(data[static_cast<size_t>(column)]);
        }
    }
}

void DirectoryPanel::showCaption(const QString& caption) {
    m_source.setCaption(caption);
    if (m_hooks.setCaption) {
        m_hooks.setCaption(caption);
    }
}

QString DirectoryPanel::driveOfFolder(const QString& folder) const {
    return m_drives.driveOf(folder.isEmpty() ? QDir::currentPath() : folder);
}

void DirectoryPanel::fillDrives() {
    QComboBox* box = m_controls.DriveComboBox1;
    if (!box) {
        return;
    }
    Quiet quiet(box);
    box->clear();
    for (const Drive& drive : m_drives.list()) {
        box->addItem(drive.root);
    }
    box->setCurrentIndex(box->findText(driveOfFolder(m_source.folder())));
}

void DirectoryPanel::fillFolderTree() {
    QListWidget* tree = m_controls.DirectoryListBox1;
    if (!tree) {
        return;
    }
    Quiet quiet(tree);
    tree->clear();
    const QString folder = withTrailingSlash(m_source.folder());
    if (folder.isEmpty()) {
        return;
    }
    // The folders from the root down to the listed one, then the listed folder's subfolders.
    QStringList chain;
    for (QString step = folder;; step = folderUp(step)) {
        chain.prepend(step);
        if (folderUp(step) == step) {
            break;
        }
    }
    int level = 0;
    QListWidgetItem* current = nullptr;
    for (const QString& step : std::as_const(chain)) {
        const QString name = step == u"/" ? step : QDir(step).dirName();
        auto* item = new QListWidgetItem(QString(level * 2, u' ') + name, tree);
        item->setData(kFolderRole, step);
        current = item;
        ++level;
    }
    const QStringList subfolders =
        QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : subfolders) {
        auto* item = new QListWidgetItem(QString(level * 2, u' ') + name, tree);
        item->setData(kFolderRole, folder + name + u'/');
    }
    tree->setCurrentItem(current);
}

void DirectoryPanel::RadioButton5Click() {
    try {
        m_source.chooseFontFiles();
    } catch (const Error& error) {
        sync();
        m_dialogs.messageBox(nullptr, BoxIcon::Critical, error.message(), BoxButtons::Ok);
        return;
    }
    sync();
}

void DirectoryPanel::RadioButton6Click() {
    m_source.chooseArchives();
    sync();
}

void DirectoryPanel::CheckBox1Click() {
    if (m_controls.CheckBox1) {
        m_source.setWithSubfolders(m_controls.CheckBox1->isChecked());
    }
    sync();
}

void DirectoryPanel::FileListBox1Click() {
    if (!m_controls.FileListBox1) {
        return;
    }
    m_source.setCurrentPosition(m_controls.FileListBox1->currentRow());
    if (const std::optional<int> row = m_source.propertiesRow(); row && m_hooks.fillProperties) {
        m_hooks.fillProperties(*row);
    }
}

void DirectoryPanel::Properties1Click() {
    if (m_controls.FileListBox1) {
        m_source.setCurrentPosition(m_controls.FileListBox1->currentRow());
    }
    // Only for a font entry, outside the archives list; the dialog is refilled first so that
    // it shows the current entry even when the keyboard moved there.
    const std::optional<int> row = m_source.propertiesRow();
    if (!row) {
        return;
    }
    if (m_hooks.fillProperties) {
        m_hooks.fillProperties(*row);
    }
    if (m_hooks.showProperties) {
        m_hooks.showProperties();
    }
}

void DirectoryPanel::FileListBox1DblClick() {
    if (!m_controls.FileListBox1 || m_source.viewMode() == 1) {
        return;
    }
    m_source.setCurrentPosition(m_controls.FileListBox1->currentRow());
    try {
        m_source.OpenListEntry();
    } catch (const Error& error) {
        sync();
        m_dialogs.messageBox(m_controls.FileListBox1, BoxIcon::Critical, error.message(),
                             BoxButtons::Ok);
        return;
    }
    sync();
}

void DirectoryPanel::FileListBox1MouseDown() {
    if (!m_controls.FileListBox1) {
        return;
    }
    showCaption(
        directoryCaption(m_controls.FileListBox1->currentRow(), m_controls.FileListBox1->count()));
}

void DirectoryPanel::FileListBox1MouseUp() {
    QListWidget* list = m_controls.FileListBox1;
    QTableView* grid = m_controls.StringGrid2;
    if (!list || !grid || list->count() < 2 || list->currentRow() < 1 || m_source.viewMode() == 2) {
        return;
    }
    QList<int> selected;
    for (const QModelIndex& index : list->selectionModel()->selectedIndexes()) {
        selected << index.row();
    }
    const std::optional<std::pair<int, int>> rows = gridRowsForSelection(selected);
    if (!rows) {
        return;
    }
    QAbstractItemModel* model = grid->model();
    const int last = std::min(rows->second, model->rowCount() - 1);
    if (rows->first > last) {
        return;
    }
    grid->scrollTo(model->index(rows->first, 0), QAbstractItemView::PositionAtTop);
    grid->selectionModel()->select(
        QItemSelection(model->index(rows->first, 0), model->index(last, 0)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    grid->setFocus();
    list->setFocus();
}

void DirectoryPanel::DirectoryListBox1Change(const QString& folder) {
    const bool refresh = m_source.setFolder(folder);
    sync();
    if (refresh && m_hooks.refresh) {
        m_hooks.refresh();
    }
}

void DirectoryPanel::DriveComboBox1Change(int index) {
    QComboBox* box = m_controls.DriveComboBox1;
    if (!box || index < 0) {
        return;
    }
    const QString root = box->itemText(index);
    if (IsDriveReady(m_drives, root)) {
        DirectoryListBox1Change(root);
        return;
    }
    m_dialogs.beep();
    m_dialogs.messageBox(box, BoxIcon::Warning, driveNotReadyMessage(root), BoxButtons::Ok);
    Quiet quiet(box);
    box->setCurrentIndex(box->findText(driveOfFolder(m_source.folder())));
}

void DirectoryPanel::StringGrid2Click() {
    QListWidget* list = m_controls.FileListBox1;
    QTableView* grid = m_controls.StringGrid2;
    if (!list || !grid) {
        return;
    }
    if (m_source.viewMode() != 2 && list->count() > 0) {
        int top = -1;
        int bottom = -1;
        for (const QModelIndex& index : grid->selectionModel()->selectedRows()) {
            top = top < 0 ? index.row() : std::min(top, index.row());
            bottom = std::max(bottom, index.row());
        }
        Quiet quiet(list);
        list->clearSelection();
        const QList<int> positions = fileListPositionsForRows(top, bottom, list->count());
        for (int position : positions) {
            list->item(position)->setSelected(true);
        }
        if (!positions.isEmpty()) {
            list->selectionModel()->setCurrentIndex(list->model()->index(positions.first(), 0),
                                                    QItemSelectionModel::NoUpdate);
            m_source.setCurrentPosition(positions.first());
        }
    }
    showCaption(directoryCaption(list->currentRow(), list->count()));
}

void DirectoryPanel::StringGrid2DblClick() {
    if (m_hooks.viewAsCharacterMap) {
        m_hooks.viewAsCharacterMap();
    }
}

bool DirectoryPanel::eventFilter(QObject* watched, QEvent* event) {
    // The control handles the event first, so its selection is final when it is mirrored.
    auto deliverFirst = [&] {
        watched->removeEventFilter(this);
        QCoreApplication::sendEvent(watched, event);
        watched->installEventFilter(this);
    };
    QListWidget* list = m_controls.FileListBox1;
    if (list && watched == list->viewport() && event->type() == QEvent::MouseButtonPress) {
        m_mouseDown = true;
    }
    if (list && watched == list->viewport() && event->type() == QEvent::MouseButtonRelease) {
        deliverFirst();
        m_mouseDown = false;
        runGuarded([this] { FileListBox1MouseUp(); });
        return true;
    }
    QTableView* grid = m_controls.StringGrid2;
    if (grid && watched == grid && event->type() == QEvent::KeyPress) {
        // Arrows, Page Up/Down, Home and End move through the rows; each move is mirrored into
        // the file list and the caption as a click is.
        const QModelIndex before = grid->currentIndex();
        const auto* press = static_cast<QKeyEvent*>(event);
        const int key = press->key();
        QAbstractItemModel* model = grid->model();
        if ((key == Qt::Key_Home || key == Qt::Key_End) && press->modifiers() == Qt::NoModifier &&
            model && model->rowCount() > 0) {
            // A table moves Home and End along the row; the grid has one column, so they go to
            // its first and last row.
            const QModelIndex target =
                model->index(key == Qt::Key_Home ? 0 : model->rowCount() - 1, 0);
            grid->selectionModel()->setCurrentIndex(
                target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            grid->scrollTo(target);
        } else {
            deliverFirst();
        }
        if (grid->currentIndex() != before) {
            runGuarded([this] { StringGrid2Click(); });
        }
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace td
