#pragma once

#include <QColor>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSize>
#include <functional>
#include <memory>
#include <optional>

#include "browse/samplerow.h"

class QThreadPool;

namespace td {

// Everything one row picture is drawn from, in a form any thread may take.
struct RowImageJob {
    SampleRow row;
    SampleRowOptions options;  // with the resolution of the device the row is shown on
    PortableFont caption;      // the base font at the caption size
    // The sample font of a row without a file (installed fonts, drawn as the desktop offers
    // them); a row with a file draws that file's own face.
    PortableFont sample;
    QColor pen;
    QSize size;  // the row's cell, in logical pixels
    qreal devicePixelRatio = 1;

    // Tells two jobs apart that would draw different pictures.
    QString signature() const;
};

// The job for a row: resolves the base font (and, for a row without a file, its sample font)
// in `fonts`. User-interface thread only, as `fonts` is.
RowImageJob rowImageJob(const SampleRow& row, const SampleRowOptions& options, FontTable& fonts,
                        const QColor& pen, const QSize& size, qreal devicePixelRatio);

// Draws the row's two lines as paintSampleRow() does, onto a transparent picture of the row's
// size, on any thread. Empty when the row's file cannot be drawn from here (it is no font, or
// its face does not carry the row's family name): such a row is painted through the font table
// on the user-interface thread instead.
std::optional<QImage> renderRowImage(const RowImageJob& job);

// The small pool that draws rows ahead of the scroll and export rows: one thread per core.
QThreadPool& rowPool();

// Row pictures drawn ahead on the pool for one grid. The grid asks for the rows it wants kept
// (the screen shown and the screens before and after it); rows not ready are drawn by the grid
// itself as before, so nothing waits for the pool and nothing flickers. Work for rows that
// scrolled out of the wanted range is dropped before it starts, and pictures outside it are let
// go.
class RowImageCache : public QObject {
    Q_OBJECT

  public:
    explicit RowImageCache(QObject* parent = nullptr);
    ~RowImageCache() override;

    // The picture of `row` when one drawn for `signature` is ready.
    std::optional<QImage> ready(int row, const QString& signature) const;
    // Keeps a picture the grid drew itself.
    void store(int row, const QString& signature, const QImage& image);
    // Keeps rows first..last and queues the missing ones among them; `jobFor` gives a row's job
    // (none: the row is left to the grid).
    void want(int first, int last, const std::function<std::optional<RowImageJob>(int)>& jobFor);
    // Rows queued and not yet delivered.
    int pending() const { return int(m_pending.size()); }

  signals:
    // A picture for `row` arrived from the pool.
    void rowReady(int row);

  private:
    struct Entry {
        QString signature;
        QImage image;
    };
    struct Shared;
    void deliver(int row, const QString& signature, const QImage& image);

    QHash<int, Entry> m_images;
    QHash<int, QString> m_pending;  // row -> signature queued
    std::shared_ptr<Shared> m_shared;
};

}  // namespace td
