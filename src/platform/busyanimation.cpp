#include "platform/busyanimation.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTimerEvent>
#include <cmath>
#include <numbers>

namespace td {

namespace {

constexpr int kFrameCount = 16;
constexpr int kFrameMs = 70;

const QColor kOutline(40, 40, 40);
const QColor kFolder(236, 196, 84);
const QColor kPaper(250, 250, 250);
const QColor kScreen(64, 112, 176);
const QColor kLens(200, 225, 250, 170);
const QColor kBin(150, 150, 160);

// A phase in [0, 1) for the frame, so each animation is one full cycle of frames.
double phaseOf(int frame) {
    return double(frame % kFrameCount) / kFrameCount;
}

void drawFolder(QPainter& p, const QRectF& r) {
    QPainterPath path;
    path.moveTo(r.left(), r.top() + 3);
    path.lineTo(r.left() + r.width() * 0.4, r.top() + 3);
    path.lineTo(r.left() + r.width() * 0.45, r.top());
    path.lineTo(r.right() - r.width() * 0.1, r.top());
    path.lineTo(r.right() - r.width() * 0.1, r.top() + 3);
    path.lineTo(r.right(), r.top() + 3);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(QPen(kOutline, 1));
    p.setBrush(kFolder);
    p.drawPath(path);
    p.drawLine(QPointF(r.left(), r.top() + 7), QPointF(r.right(), r.top() + 7));
}

void drawPage(QPainter& p, const QRectF& r) {
    const double fold = std::min(r.width(), r.height()) * 0.3;
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.setPen(QPen(kOutline, 1));
    p.setBrush(kPaper);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
    p.setPen(QPen(QColor(120, 120, 120), 1));
    for (double y = r.top() + fold + 2; y < r.bottom() - 2; y += 3) {
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
    }
}

void drawComputer(QPainter& p, const QRectF& r) {
    const QRectF monitor(r.left(), r.top(), r.width(), r.height() * 0.72);
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(210, 210, 200));
    p.drawRect(monitor);
    p.setBrush(kScreen);
    p.drawRect(monitor.adjusted(3, 3, -3, -3));
    const double standTop = monitor.bottom();
    p.setBrush(QColor(190, 190, 180));
    p.drawRect(QRectF(r.center().x() - 3, standTop, 6, r.height() * 0.12));
    p.drawRect(QRectF(r.left() + r.width() * 0.2, r.bottom() - r.height() * 0.14, r.width() * 0.6,
                      r.height() * 0.14));
}

void drawMagnifier(QPainter& p, const QPointF& centre, double radius) {
    p.setPen(QPen(kOutline, 2.5, Qt::SolidLine, Qt::RoundCap));
    const QPointF handle = centre + QPointF(radius * 0.7, radius * 0.7);
    p.drawLine(handle, handle + QPointF(radius * 0.9, radius * 0.9));
    p.setPen(QPen(kOutline, 1.5));
    p.setBrush(kLens);
    p.drawEllipse(centre, radius, radius);
}

void drawBin(QPainter& p, const QRectF& r) {
    QPainterPath body;
    body.moveTo(r.left() + 1, r.top() + 4);
    body.lineTo(r.right() - 1, r.top() + 4);
    body.lineTo(r.right() - 3, r.bottom());
    body.lineTo(r.left() + 3, r.bottom());
    body.closeSubpath();
    p.setPen(QPen(kOutline, 1));
    p.setBrush(kBin);
    p.drawPath(body);
    p.drawRect(QRectF(r.left(), r.top(), r.width(), 4));
    for (int i = 1; i <= 2; ++i) {
        const double x = r.left() + r.width() * i / 3.0;
        p.drawLine(QPointF(x, r.top() + 7), QPointF(x, r.bottom() - 3));
    }
}

// A magnifier going round an ellipse over the picture.
QPointF orbit(double phase, const QPointF& centre, double rx, double ry) {
    const double angle = 2 * std::numbers::pi * phase;
    return centre + QPointF(rx * std::cos(angle), ry * std::sin(angle));
}

void paintFrame(QPainter& p, int kind, int frame, const QSize& size) {
    p.setRenderHint(QPainter::Antialiasing);
    const double phase = phaseOf(frame);
    const double w = size.width();
    const double h = size.height();
    switch (kind) {
        case BusyAnimation::SearchFolder: {
            drawFolder(p, QRectF(4, h * 0.3, w * 0.62, h * 0.5));
            // The lens sweeps back and forth across the folder.
            const double sweep = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * phase);
            drawMagnifier(p, QPointF(10 + sweep * (w * 0.55), h * 0.42), 7);
            break;
        }
        case BusyAnimation::SearchFile:
            drawPage(p, QRectF(w * 0.25, 4, w * 0.45, h * 0.8));
            drawMagnifier(p, orbit(phase, QPointF(w * 0.45, h * 0.42), w * 0.16, h * 0.18), 7);
            break;
        case BusyAnimation::SearchComputer:
            drawComputer(p, QRectF(w * 0.18, 5, w * 0.6, h * 0.8));
            drawMagnifier(p, orbit(phase, QPointF(w * 0.46, h * 0.36), w * 0.2, h * 0.12), 7);
            break;
        case BusyAnimation::DeleteFile: {
            drawFolder(p, QRectF(2, h * 0.45, w * 0.34, h * 0.35));
            drawBin(p, QRectF(w * 0.66, h * 0.45, w * 0.3, h * 0.45));
            // A sheet flies from the folder into the bin along an arc.
            const QPointF from(w * 0.18, h * 0.45);
            const QPointF to(w * 0.81, h * 0.5);
            const double x = from.x() + (to.x() - from.x()) * phase;
            const double arc = std::sin(std::numbers::pi * phase) * h * 0.38;
            const double y = from.y() + (to.y() - from.y()) * phase - arc;
            p.save();
            p.translate(x, y);
            p.rotate(phase * 90);
            drawPage(p, QRectF(-5, -6, 10, 12));
            p.restore();
            break;
        }
        default:
            break;
    }
}

}  // namespace

BusyAnimation::BusyAnimation(QWidget* parent) : QWidget(parent) {
    setFixedSize(48, 45);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void BusyAnimation::setAnimation(int kind) {
    switch (kind) {
        case SearchFolder:
        case SearchFile:
        case SearchComputer:
        case DeleteFile:
            break;
        default:
            kind = None;
    }
    stop();
    m_kind = kind;
    m_frame = 0;
    update();
}

void BusyAnimation::start() {
    if (m_kind == None) {
        return;
    }
    m_timer.start(kFrameMs, this);
}

void BusyAnimation::stop() {
    m_timer.stop();
}

int BusyAnimation::frameCount() const {
    return m_kind == None ? 0 : kFrameCount;
}

void BusyAnimation::advance() {
    if (m_kind == None) {
        return;
    }
    m_frame = (m_frame + 1) % kFrameCount;
    update();
}

QImage BusyAnimation::render(int frame) const {
    QImage image(size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paintFrame(painter, m_kind, frame, size());
    return image;
}

void BusyAnimation::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintFrame(painter, m_kind, m_frame, size());
}

void BusyAnimation::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_timer.timerId()) {
        advance();
        return;
    }
    QWidget::timerEvent(event);
}

PaintPump::PaintPump(int minimumIntervalMs, std::function<qint64()> clockMs)
    : m_interval(minimumIntervalMs), m_clock(std::move(clockMs)) {
    if (!m_clock) {
        auto started = std::make_shared<QElapsedTimer>();
        started->start();
        m_clock = [started] { return started->elapsed(); };
    }
}

bool PaintPump::pump() {
    const qint64 now = m_clock();
    if (m_pumped && now - m_last < m_interval) {
        return false;
    }
    m_pumped = true;
    m_last = now;
    // Timers must run too, or the animation never advances; only the window system's input
    // events are held back, so the user cannot start a second command inside this one.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return true;
}

void keepPainting() {
    static PaintPump pump;
    pump.pump();
}

}  // namespace td
