#include "export/exportcommand.h"

#include <QLineEdit>
#include <QTableWidget>

#include "export/bmpwriter.h"
#include "export/htmlpage.h"
#include "export/samplesheets.h"
#include "export/targetdialogs.h"
#include "platform/dialogs.h"
#include "platform/error.h"
#include "platform/windowset.h"

namespace td {

namespace {

QString cell(const QTableWidget* table, int row, int column) {
    const QTableWidgetItem* item = table->item(row, column);
    return item != nullptr ? item->text() : QString();
}

// Ends the busy indicator when the export leaves, by its end or by an error.
class IdleOnExit {
  public:
    explicit IdleOnExit(const std::function<void()>& showIdle) : m_showIdle(showIdle) {}
    ~IdleOnExit() {
        if (m_showIdle) {
            m_showIdle();
        }
    }
    IdleOnExit(const IdleOnExit&) = delete;
    IdleOnExit& operator=(const IdleOnExit&) = delete;

  private:
    const std::function<void()>& m_showIdle;
};

SheetJob jobFor(const ExportOptions& options, int rowHeight) {
    SheetJob job;
    job.width = options.width;
    job.rowHeight = rowHeight;
    job.text = SampleRowOptions{options.sampleText, options.baseFont, options.sampleSize,
                                options.captionSize, options.dpi};
    job.encoding.type = options.type;
    job.encoding.quality = options.quality;
    job.encoding.bmpBits = SelectedPixelFormat(options.colorDepthItem);
    job.eachOwnFile = options.grouping == 1;
    job.perSheet = options.perSheet;
    return job;
}

}  // namespace

ExportCommand::ExportCommand(Dialogs& dialogs, Shell* shell, FontTable& fonts, WindowSet* windows,
                             ExportHooks hooks, QWidget* window)
    : QObject(nullptr),
      m_dialogs(dialogs),
      m_shell(shell),
      m_fonts(fonts),
      m_windows(windows),
      m_hooks(std::move(hooks)),
      m_window(window) {}

void ExportCommand::Button7Click() {
    const ExportTab tab = m_hooks.activeTab ? m_hooks.activeTab() : ExportTab::Search;
    const ExportOptions options = m_hooks.options ? m_hooks.options() : ExportOptions{};
    if (!options.autoRefresh) {
        if (tab == ExportTab::Directory && m_hooks.refreshDirectory) {
            m_hooks.refreshDirectory();
        } else if (tab == ExportTab::Installed && m_hooks.refreshInstalled) {
            m_hooks.refreshInstalled();
        }
    }
    if (m_hooks.showBusy) {
        m_hooks.showBusy(3);
    }
    if (tab == ExportTab::Options) {
        if (m_hooks.saveSettings) {
            m_hooks.saveSettings();
        }
        return;
    }
    const ExportKind kind = exportKindFor(tab, options.grouping);
    auto* target = m_windows != nullptr ? m_windows->find<TForm6>() : nullptr;
    if (kind == ExportKind::None || target == nullptr) {
        if (m_hooks.showIdle) {
            m_hooks.showIdle();
        }
        return;
    }
    target->setHandlers([this](const QString& folder) { return runExport(folder); },
                        [this] {
                            if (m_hooks.showIdle) {
                                m_hooks.showIdle();
                            }
                        });
    target->setPath(defaultExportFolder(options.baseDirectory, kind));
    if (auto* browse = m_windows->find<TForm5>()) {
        browse->setDirectory(options.baseDirectory);
        browse->Edit1->setText(defaultFolderName(kind));
    }
    target->show();
    target->raise();
    target->activateWindow();
}

bool ExportCommand::runExport(const QString& folder) {
    const ExportTab tab = m_hooks.activeTab ? m_hooks.activeTab() : ExportTab::Search;
    try {
        switch (tab) {
            case ExportTab::Directory:
                ExportDirectorySamples(folder);
                break;
            case ExportTab::Installed:
                ExportInstalledSamples(folder);
                break;
            case ExportTab::FontMap:
                if (m_hooks.exportCharacterMap) {
                    m_hooks.exportCharacterMap(folder);
                    break;
                }
                [[fallthrough]];
            case ExportTab::Search:
            case ExportTab::Options:
                // No export belongs to this tab; the busy indicator the command started ends.
                if (m_hooks.showIdle) {
                    m_hooks.showIdle();
                }
                break;
        }
    } catch (const Error& error) {
        m_dialogs.messageBox(m_window, BoxIcon::Critical, error.message(), BoxButtons::Ok);
        return false;
    }
    return true;
}

void ExportCommand::ExportDirectorySamples(const QString& folder) {
    const IdleOnExit idle(m_hooks.showIdle);
    const ExportOptions options = m_hooks.options ? m_hooks.options() : ExportOptions{};
    const DirectoryListing listing = m_hooks.directory ? m_hooks.directory() : DirectoryListing{};
    const int count = listing.table != nullptr
                          ? std::min<int>(listing.table->rowCount(), listing.paths.size())
                          : 0;
    if (count == 0) {
        return;
    }
    const bool each = options.grouping == 1;
    const int mode = listing.viewMode;
    const QString archive = namePart(listing.archivePath);
    const QString stem = mode == 3 ? archive : exportStem(listing.folder);
    std::vector<SheetRow> rows;
    rows.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        const QString family = cell(listing.table, i, 0);
        const QString style = cell(listing.table, i, 1);
        const QString entry = cell(listing.table, i, 2);
        SheetRow row;
        row.face = family;
        row.style = styleFromSubfamily(style);
        if (mode == 1) {
            row.caption = family + u' ' + style + QStringLiteral(" - ") + entry;
        } else if (mode == 3) {
            row.caption = family + u' ' + style + QStringLiteral(" - ") + archive +
                          QStringLiteral(" - ") + entry;
        }
        row.fontFile = listing.paths.at(i);
        if (each) {
            row.fileName = directoryImageName(mode, true, options.type, family, stem, 0);
        }
        rows.push_back(std::move(row));
    }
    SheetJob job = jobFor(options, listing.rowHeight);
    if (mode == 3) {
        // An archive's sheets keep the bitmap's own depth.
        job.encoding.bmpBits = 32;
    }
    job.sheetName = [&](int sheet) {
        return directoryImageName(mode, false, options.type, QString(), stem, sheet);
    };
    writeAndFinish(rows, std::move(job), folder,
                   each ? ExportKind::DirectoryEach : ExportKind::DirectorySheets, options,
                   QStringLiteral("*.JPG"));
}

void ExportCommand::ExportInstalledSamples(const QString& folder) {
    const IdleOnExit idle(m_hooks.showIdle);
    const ExportOptions options = m_hooks.options ? m_hooks.options() : ExportOptions{};
    const InstalledListing listing = m_hooks.installed ? m_hooks.installed() : InstalledListing{};
    const int count = listing.table != nullptr ? listing.table->rowCount() : 0;
    if (count == 0) {
        return;
    }
    const bool each = options.grouping == 1;
    std::vector<SheetRow> rows;
    rows.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        const QString face = cell(listing.table, i, 0);
        const QString bold = cell(listing.table, i, 1);
        const QString italic = cell(listing.table, i, 2);
        SheetRow row;
        row.face = face;
        row.style.bold = bold.toLower().contains(u"bold");
        row.style.italic = italic.toLower().contains(u"italic");
        row.caption = face + u' ' + bold + u' ' + italic;
        if (each) {
            row.fileName = installedImageName(true, options.type, face, bold, italic, 0);
        }
        rows.push_back(std::move(row));
    }
    SheetJob job = jobFor(options, listing.rowHeight);
    job.sheetName = [&](int sheet) {
        return installedImageName(false, options.type, QString(), QString(), QString(), sheet);
    };
    writeAndFinish(rows, std::move(job), folder,
                   each ? ExportKind::InstalledEach : ExportKind::InstalledSheets, options,
                   QStringLiteral("*.jpg"));
}

void ExportCommand::writeAndFinish(const std::vector<SheetRow>& rows, SheetJob job,
                                   const QString& folder, ExportKind kind,
                                   const ExportOptions& options, const QString& simpleMask) {
    const QString defaultName = defaultFolderName(kind);
    job.beforeEachFile = [&] { prepareTargetFolder(folder, options.baseDirectory, defaultName); };
    job.keepPainting = m_hooks.keepPainting;
    writeSampleSheets(rows, job, folder, m_fonts);
    // The page goes where the images went, also when no image was written.
    job.beforeEachFile();
    finishExport(folder, !job.eachOwnFile, simpleMask, options.browser, options.type);
}

void ExportCommand::finishExport(const QString& folder, bool indexPage, const QString& simpleMask,
                                 const QString& browser, ImageType type) {
    if (type == ImageType::Bmp) {
        reportSamplesSaved(m_dialogs, m_window, folder);
        return;
    }
    const QString mask = type == ImageType::Gif ? QStringLiteral("*.GIF")
                         : indexPage            ? QStringLiteral("*.jpg")
                                                : simpleMask;
    const QString page = pathInFolder(folder, QStringLiteral("Font.html"));
    savePageLines(page, catalogueLines(indexPage ? CatalogueForm::Index : CatalogueForm::Simple,
                                       findImages(folder, mask)));
    offerPreview(m_dialogs, m_shell, m_window, browser, page);
}

}  // namespace td
