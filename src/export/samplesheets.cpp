#include "export/samplesheets.h"

#include <QPainter>
#include <QThreadPool>
#include <cstring>
#include <deque>
#include <future>

#include "browse/rowimages.h"
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

// One sheet row as a thread of the pool draws it: the row's own file (or, for an installed font,
// the font resolved for it) and the base font, all in a form the pool can take.
struct PoolRow {
    SheetRow row;
    int width = 0;
    int rowHeight = 0;
    int captionTop = 0;
    SampleRowOptions text;
    PortableFont sample;  // rows without a file
    PortableFont base;
};

bool inkIn(const QImage& image, int top, int bottom) {
    const QRgb white = qRgb(255, 255, 255);
    for (int y = top; y < bottom; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] | 0xff000000) != white) {
                return true;
            }
        }
    }
    return false;
}

// The row's slot, drawn as drawSheetRow draws it into a sheet, on any thread. Null when the row
// must be drawn in place instead: its file cannot be drawn from here, or its text reaches out of
// its slot (in the sheet it would then mark the neighbouring rows).
QImage drawPoolRow(const PoolRow& job) {
    const SheetRow& row = job.row;
    const int samplePixels = pointsToPixels(job.text.sampleSize, job.text.dpi);
    const int captionPixels = pointsToPixels(job.text.captionSize, job.text.dpi);
    DrawingFont sample;
    DrawingFont base;
    if (!row.fontFile.isEmpty()) {
        // Declared after the face, whose bytes it reads, so it goes first.
        std::shared_ptr<const FontFace> face;
        QRawFont opened;
        face = FaceCache::shared().open(row.fontFile, 0, &opened);
        if (!face || !face->isNamed(row.face)) {
            return {};
        }
        sample = DrawingFont::fromFace(face, row.style, samplePixels, std::move(opened));
        if (face->isNamed(job.text.baseFont)) {
            base = DrawingFont::fromFace(face, FontStyle{}, captionPixels);
        }
    } else {
        sample = DrawingFont::fromPortable(job.sample);
    }
    if (!base.isValid()) {
        base = DrawingFont::fromPortable(job.base);
    }
    if (!sample.isValid() || !base.isValid()) {
        return {};
    }
    // A row high margin above and below catches what reaches out of the slot.
    const int h = job.rowHeight;
    QImage image(job.width, 3 * h, QImage::Format_RGB32);
    if (image.isNull()) {
        return {};
    }
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setPen(Qt::black);
        painter.setBackground(Qt::white);
        paintSampleLines(painter, QPoint(0, h), sample, base, job.text.sampleText, row.caption,
                         job.captionTop, true);
    }
    if (inkIn(image, 0, h) || inkIn(image, 2 * h, 3 * h)) {
        return {};
    }
    return image.copy(0, h, job.width, h);
}

// Rows drawn ahead on the pool, handed out in order. At most `ahead` rows are queued or held at
// once, which bounds the memory the pictures take.
class RowPipeline {
  public:
    RowPipeline(const std::vector<SheetRow>& rows, const SheetJob& job, FontTable& fonts)
        : m_rows(rows), m_job(job), m_fonts(fonts) {
        const int samplePixels = pointsToPixels(job.text.sampleSize, job.text.dpi);
        m_base = fonts
                     .resolve(job.text.baseFont, FontStyle{},
                              pointsToPixels(job.text.captionSize, job.text.dpi))
                     .portable();
        m_samplePixels = samplePixels;
        m_ahead = std::max(8, 2 * std::max(1, job.perSheet));
    }
    ~RowPipeline() {
        // Rows still being drawn refer to nothing of ours, but their results are waited for so
        // that no work outlives the export.
        for (auto& pending : m_queued) {
            pending.wait();
        }
    }
    RowPipeline(const RowPipeline&) = delete;
    RowPipeline& operator=(const RowPipeline&) = delete;

    // Draws row `index` into slot `slot` of `sheet`; rows are asked for in order.
    void draw(QImage& sheet, int slot, std::size_t index) {
        fill();
        QImage picture = m_queued.front().get();
        m_queued.pop_front();
        ++m_next;
        fill();
        const int top = slot * m_job.rowHeight;
        // The row's file is active while its row goes into the sheet, as when it is drawn here.
        const ActiveFontFile active(m_fonts, m_rows[index].fontFile);
        if (picture.isNull() || picture.format() != sheet.format() ||
            picture.width() != sheet.width() || top + picture.height() > sheet.height()) {
            drawSheetRow(sheet, slot, m_rows[index], m_job, m_fonts);
            return;
        }
        for (int y = 0; y < picture.height(); ++y) {
            std::memcpy(sheet.scanLine(top + y), picture.constScanLine(y),
                        std::size_t(picture.bytesPerLine()));
        }
    }

  private:
    void fill() {
        while (m_next + m_queued.size() < m_rows.size() && int(m_queued.size()) < m_ahead) {
            const std::size_t index = m_next + m_queued.size();
            PoolRow job{
                m_rows[index],
                m_job.width,
                m_job.rowHeight,
                sampleBandHeight(m_job.text.sampleSize, m_job.text.captionSize, m_job.rowHeight),
                m_job.text,
                {},
                m_base};
            if (job.row.fontFile.isEmpty()) {
                job.sample =
                    m_fonts.resolve(job.row.face, job.row.style, m_samplePixels).portable();
            }
            auto promise = std::make_shared<std::promise<QImage>>();
            m_queued.push_back(promise->get_future());
            rowPool().start([promise, job = std::move(job)] {
                try {
                    promise->set_value(drawPoolRow(job));
                } catch (...) {
                    promise->set_value(QImage());
                }
            });
        }
    }

    const std::vector<SheetRow>& m_rows;
    const SheetJob& m_job;
    FontTable& m_fonts;
    PortableFont m_base;
    int m_samplePixels = 0;
    int m_ahead = 8;
    std::size_t m_next = 0;  // the row the front of the queue holds
    std::deque<std::future<QImage>> m_queued;
};

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
    // Rows are drawn on the pool ahead of the sheet that takes them; the sheets are still made
    // and written one at a time, in order.
    RowPipeline pipeline(rows, job, fonts);
    if (job.eachOwnFile) {
        // One bitmap, one row high, reused for every font.
        QImage sheet = newSheet(job.width, job.rowHeight);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const SheetRow& row = rows[i];
            pipeline.draw(sheet, 0, i);
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
            pipeline.draw(sheet, i, std::size_t(span.first + i));
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
