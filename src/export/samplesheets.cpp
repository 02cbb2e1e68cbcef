#include "export/samplesheets.h"

#include <QPainter>

#include "export/exportfolders.h"
#include "platform/error.h"
#include "platform/fonttable.h"

namespace td {

namespace {

// Holds one activation of a font file for as long as it lives.
class ActiveFontFile {
  public:
    ActiveFontFile(FontTable& fonts, QString path) : m_fonts(fonts), m_path(std::move(path)) {
        if (!m_path.isEmpty()) {
            m_fonts.activate(m_path);
        }
    }
    ~ActiveFontFile() {
        if (!m_path.isEmpty()) {
            m_fonts.deactivate(m_path);
        }
    }
    ActiveFontFile(const ActiveFontFile&) = delete;
    ActiveFontFile& operator=(const ActiveFontFile&) = delete;

  private:
    FontTable& m_fonts;
    QString m_path;
};

QImage newSheet(int width, int height) {
    QImage sheet(width, height, QImage::Format_RGB32);
    if (sheet.isNull()) {
        throw Error(QStringLiteral("Not enough memory for a sample sheet of %1 × %2 pixels.")
                        .arg(width)
                        .arg(height));
    }
    sheet.fill(Qt::white);
    return sheet;
}

void writeSheet(const QImage& sheet, const QString& name, const SheetJob& job,
                const QString& folder) {
    if (job.beforeEachFile) {
        job.beforeEachFile();
    }
    // A name that would reach into another folder cannot be created as one file here.
    if (name.contains(u'/') || name == u"." || name == u"..") {
        throw Error(QStringLiteral("Cannot create the file \"%1\" in \"%2\": the name is not "
                                   "valid for a file.")
                        .arg(name, folder));
    }
    writeSampleImage(sheet, pathInFolder(folder, name), job.encoding);
}

}  // namespace

void drawSheetRow(QImage& sheet, int slot, const SheetRow& row, const SheetJob& job,
                  FontTable& fonts) {
    const int top = slot * job.rowHeight;
    QPainter painter(&sheet);
    painter.fillRect(QRect(0, top, job.width, job.rowHeight), Qt::white);
    painter.setPen(Qt::black);
    painter.setBackground(Qt::white);
    const ActiveFontFile active(fonts, row.fontFile);
    paintSampleLines(painter, QPoint(0, top), row.face, row.style, row.caption,
                     sampleBandHeight(job.text.sampleSize, job.text.captionSize, job.rowHeight),
                     job.text, fonts, true);
}

QStringList writeSampleSheets(const std::vector<SheetRow>& rows, const SheetJob& job,
                              const QString& folder, FontTable& fonts) {
    QStringList written;
    const int rowCount = static_cast<int>(rows.size());
    if (job.eachOwnFile) {
        // One bitmap, one row high, reused for every font.
        QImage sheet = newSheet(job.width, job.rowHeight);
        for (const SheetRow& row : rows) {
            drawSheetRow(sheet, 0, row, job, fonts);
            if (!row.fileName.isEmpty()) {
                writeSheet(sheet, row.fileName, job, folder);
                written << row.fileName;
            }
            if (job.keepPainting) {
                job.keepPainting();
            }
        }
        return written;
    }
    const std::vector<SheetSpan> spans = sheetSpans(rowCount, job.perSheet);
    for (std::size_t k = 0; k < spans.size(); ++k) {
        const SheetSpan& span = spans[k];
        QImage sheet = newSheet(job.width, span.rows * job.rowHeight);
        for (int i = 0; i < span.rows; ++i) {
            drawSheetRow(sheet, i, rows[std::size_t(span.first + i)], job, fonts);
            if (job.keepPainting) {
                job.keepPainting();
            }
        }
        const QString name = job.sheetName ? job.sheetName(int(k)) : QString();
        if (!name.isEmpty()) {
            writeSheet(sheet, name, job, folder);
            written << name;
        }
    }
    return written;
}

}  // namespace td
