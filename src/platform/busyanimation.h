#pragma once

#include <QBasicTimer>
#include <QWidget>
#include <functional>

namespace td {

// The busy indicator's small animations, drawn by the program, 48 x 45 pixels. The numbers are
// the ones the callers pass: 1 searching a folder, 2 searching for a file, 3 searching for a
// computer, 8 deleting a file; 0 shows nothing.
class BusyAnimation : public QWidget {
    Q_OBJECT

  public:
    enum Kind { None = 0, SearchFolder = 1, SearchFile = 2, SearchComputer = 3, DeleteFile = 8 };

    explicit BusyAnimation(QWidget* parent = nullptr);

    // Chooses the animation and shows its first frame; a number that is not one of the four is
    // None. Changing the animation stops it.
    void setAnimation(int kind);
    int animation() const { return m_kind; }
    // Starts moving (nothing happens for None).
    void start();
    // Stops moving and keeps the current frame.
    void stop();
    bool isRunning() const { return m_timer.isActive(); }

    int frame() const { return m_frame; }
    int frameCount() const;
    // Moves to the next frame, as the running timer does.
    void advance();
    // Draws the given frame of the current animation into an image of the widget's size.
    QImage render(int frame) const;

    QSize sizeHint() const override { return {48, 45}; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    int m_kind = None;
    int m_frame = 0;
    QBasicTimer m_timer;
};

// Lets waiting paint and timer events run from inside a long handler, at most once every
// `minimumIntervalMs`, without delivering user input (clicks and keys wait until the handler
// returns). The clock is injectable for tests.
class PaintPump {
  public:
    explicit PaintPump(int minimumIntervalMs = 30, std::function<qint64()> clockMs = {});
    // Processes waiting events when the interval has passed; true when it did.
    bool pump();

  private:
    int m_interval;
    std::function<qint64()> m_clock;
    qint64 m_last = 0;
    bool m_pumped = false;
};

// Ends the busy indicator however the handler that started it is left.
class IdleOnExit {
  public:
    explicit IdleOnExit(std::function<void()> idle) : m_idle(std::move(idle)) {}
    ~IdleOnExit() {
        if (m_idle) {
            m_idle();
        }
    }
    IdleOnExit(const IdleOnExit&) = delete;
    IdleOnExit& operator=(const IdleOnExit&) = delete;

  private:
    std::function<void()> m_idle;
};

// Long handlers (listing, search, export, archive deletion) call this often to keep the busy
// animation moving; a process-wide PaintPump limits it to a few dozen times a second.
void keepPainting();

}  // namespace td
