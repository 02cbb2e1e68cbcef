#include "browse/rowimages.h"

#include <QCoreApplication>
#include <QMutex>
#include <QPainter>
#include <QThread>
#include <QThreadPool>
#include <vector>

namespace td {

QString RowImageJob::signature() const {
    const QChar gap(0x1f);
    return QStringList{row.family,
                       row.subfamily,
                       row.entry,
                       row.path,
                       row.caption.value_or(QStringLiteral("\x01")),
                       options.sampleText,
                       options.baseFont,
                       QString::number(options.sampleSize),
                       QString::number(options.captionSize),
                       QString::number(options.dpi),
                       pen.name(QColor::HexArgb),
                       QString::number(size.width()),
                       QString::number(size.height()),
                       QString::number(devicePixelRatio)}
        .join(gap);
}

RowImageJob rowImageJob(const SampleRow& row, const SampleRowOptions& options, FontTable& fonts,
                        const QColor& pen, const QSize& size, qreal devicePixelRatio) {
    RowImageJob job{row, options, {}, {}, pen, size, devicePixelRatio};
    if (row.family.isEmpty()) {
        return job;
    }
    job.caption = fonts
                      .resolve(options.baseFont, FontStyle{},
                               pointsToPixels(options.captionSize, options.dpi))
                      .portable();
    if (row.path.isEmpty()) {
        job.sample = fonts
                         .resolve(row.family, styleFromSubfamily(row.subfamily),
                                  pointsToPixels(options.sampleSize, options.dpi))
                         .portable();
    }
    return job;
}

std::optional<QImage> renderRowImage(const RowImageJob& job) {
    const qreal ratio = job.devicePixelRatio > 0 ? job.devicePixelRatio : 1;
    QImage image((QSizeF(job.size) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        return std::nullopt;
    }
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    const SampleRow& row = job.row;
    if (row.family.isEmpty()) {
        return image;
    }
    const FontStyle style = styleFromSubfamily(row.subfamily);
    const int samplePixels = pointsToPixels(job.options.sampleSize, job.options.dpi);
    const int captionPixels = pointsToPixels(job.options.captionSize, job.options.dpi);
    DrawingFont sample;
    DrawingFont base;
    if (!row.path.isEmpty()) {
        // The font table would draw this file only under one of its own names; any other row
        // resolves to some other font, which the table finds on its own thread.
        // Declared after the face, whose bytes it reads, so it goes first.
        std::shared_ptr<const FontFace> face;
        QRawFont opened;
        face = FaceCache::shared().open(row.path, 0, &opened);
        if (!face || !face->isNamed(row.family)) {
            return std::nullopt;
        }
        sample = DrawingFont::fromFace(face, style, samplePixels, std::move(opened));
        if (!sample.isValid()) {
            return std::nullopt;
        }
        // While the row's file is active, a base font of its name is that file too.
        if (face->isNamed(job.options.baseFont)) {
            base = DrawingFont::fromFace(face, FontStyle{}, captionPixels);
        }
    } else {
        sample = DrawingFont::fromPortable(job.sample);
    }
    if (!base.isValid()) {
        base = DrawingFont::fromPortable(job.caption);
    }
    const int offset =
        captionOffset(job.options.sampleSize, job.options.captionSize, job.size.height());
    QPainter painter(&image);
    painter.setPen(job.pen);
    sample.drawTextAt(painter, QPointF(0, 0), job.options.sampleText);
    base.drawTextAt(painter, QPointF(0, offset),
                    row.caption ? *row.caption : captionText(row.family, row.subfamily, row.entry));
    return image;
}

namespace {

QThreadPool* g_rowPool = nullptr;

}  // namespace

QThreadPool& rowPool() {
    if (g_rowPool == nullptr) {
        g_rowPool = new QThreadPool;
        g_rowPool->setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
        g_rowPool->setExpiryTimeout(10000);
        // The workers end with the application, not after it: a thread that ends runs its
        // font caches' clean-up (fontconfig patterns among them), which a thread still waiting
        // for work at exit never does.
        qAddPostRoutine([] {
            delete g_rowPool;
            g_rowPool = nullptr;
        });
    }
    return *g_rowPool;
}

// What the pool's tasks share with the cache: whether it still lives, and the rows it wants.
struct RowImageCache::Shared {
    QMutex mutex;
    RowImageCache* owner = nullptr;
    int first = 0;
    int last = -1;
};

RowImageCache::RowImageCache(QObject* parent)
    : QObject(parent), m_shared(std::make_shared<Shared>()) {
    m_shared->owner = this;
}

RowImageCache::~RowImageCache() {
    // Tasks still queued find no owner and drop their work; one that is delivering holds the
    // mutex until its event is posted, and posted events die with this object.
    QMutexLocker lock(&m_shared->mutex);
    m_shared->owner = nullptr;
}

std::optional<QImage> RowImageCache::ready(int row, const QString& signature) const {
    auto it = m_images.constFind(row);
    if (it == m_images.constEnd() || it->signature != signature) {
        return std::nullopt;
    }
    return it->image;
}

void RowImageCache::store(int row, const QString& signature, const QImage& image) {
    m_images.insert(row, Entry{signature, image});
}

void RowImageCache::want(int first, int last,
                         const std::function<std::optional<RowImageJob>(int)>& jobFor) {
    {
        QMutexLocker lock(&m_shared->mutex);
        m_shared->first = first;
        m_shared->last = last;
    }
    for (auto it = m_images.begin(); it != m_images.end();) {
        it = it.key() < first || it.key() > last ? m_images.erase(it) : std::next(it);
    }
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        it = it.key() < first || it.key() > last ? m_pending.erase(it) : std::next(it);
    }
    // The rows after the middle (the screen shown) first, going down, then those before it
    // going up: paging down is the common way through a long listing.
    const int middle = first + (last - first) / 2;
    std::vector<int> order;
    for (int row = middle; row <= last; ++row) {
        order.push_back(row);
    }
    for (int row = middle - 1; row >= first; --row) {
        order.push_back(row);
    }
    for (const int row : order) {
        std::optional<RowImageJob> job = jobFor(row);
        if (!job) {
            continue;
        }
        const QString signature = job->signature();
        if (ready(row, signature) || m_pending.value(row) == signature) {
            continue;
        }
        m_pending.insert(row, signature);
        rowPool().start([shared = m_shared, row, signature, job = std::move(*job)] {
            {
                QMutexLocker lock(&shared->mutex);
                if (!shared->owner || row < shared->first || row > shared->last) {
                    return;  // scrolled past
                }
            }
            // A row the pool cannot draw comes back empty and is left to the grid.
            const QImage image = renderRowImage(job).value_or(QImage());
            QMutexLocker lock(&shared->mutex);
            if (shared->owner) {
                RowImageCache* owner = shared->owner;
                QMetaObject::invokeMethod(
                    owner,
                    [owner, row, signature, image] { owner->deliver(row, signature, image); },
                    Qt::QueuedConnection);
            }
        });
    }
}

void RowImageCache::deliver(int row, const QString& signature, const QImage& image) {
    auto pending = m_pending.find(row);
    if (pending == m_pending.end() || *pending != signature) {
        return;  // no longer wanted, or wanted drawn otherwise
    }
    m_pending.erase(pending);
    if (image.isNull()) {
        return;
    }
    store(row, signature, image);
    emit rowReady(row);
}

}  // namespace td
