#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QImage>

#include "platform/busyanimation.h"

using td::BusyAnimation;

namespace {

int paintedPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += qAlpha(image.pixel(x, y)) != 0;
        }
    }
    return count;
}

// Counts the events posted to it that reach it.
class EventCounter : public QObject {
  public:
    int received = 0;
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            ++received;
            return true;
        }
        return QObject::event(event);
    }
};

}  // namespace

TEST(BusyAnimation, StartsEmptyAtTheIndicatorsSize) {
    BusyAnimation animation;
    EXPECT_EQ(animation.size(), QSize(48, 45));
    EXPECT_EQ(animation.sizeHint(), QSize(48, 45));
    EXPECT_EQ(animation.animation(), BusyAnimation::None);
    EXPECT_EQ(animation.frameCount(), 0);
    animation.start();
    EXPECT_FALSE(animation.isRunning());
    EXPECT_EQ(paintedPixels(animation.render(0)), 0);
}

TEST(BusyAnimation, EachOfTheFourAnimationsMovesAndLooksItsOwn) {
    BusyAnimation animation;
    std::vector<QImage> firstFrames;
    for (int kind : {1, 2, 3, 8}) {
        animation.setAnimation(kind);
        ASSERT_EQ(animation.animation(), kind);
        ASSERT_GT(animation.frameCount(), 1);
        const QImage first = animation.render(0);
        EXPECT_GT(paintedPixels(first), 100) << kind;
        // Every frame differs from the one before it, so the picture visibly moves.
        for (int frame = 1; frame < animation.frameCount(); ++frame) {
            EXPECT_NE(animation.render(frame), animation.render(frame - 1))
                << "animation " << kind << " frame " << frame;
        }
        firstFrames.push_back(first);
    }
    for (size_t i = 0; i < firstFrames.size(); ++i) {
        for (size_t j = i + 1; j < firstFrames.size(); ++j) {
            EXPECT_NE(firstFrames[i], firstFrames[j]) << i << " vs " << j;
        }
    }
}

TEST(BusyAnimation, UnknownNumbersShowNothing) {
    BusyAnimation animation;
    for (int kind : {-1, 4, 5, 7, 9, 100}) {
        animation.setAnimation(kind);
        EXPECT_EQ(animation.animation(), BusyAnimation::None) << kind;
        EXPECT_EQ(paintedPixels(animation.render(0)), 0) << kind;
    }
}

TEST(BusyAnimation, StartStopAndFramesWrapAround) {
    BusyAnimation animation;
    animation.setAnimation(BusyAnimation::SearchFile);
    EXPECT_FALSE(animation.isRunning());
    animation.start();
    EXPECT_TRUE(animation.isRunning());
    animation.advance();
    animation.advance();
    EXPECT_EQ(animation.frame(), 2);
    animation.stop();
    EXPECT_FALSE(animation.isRunning());
    EXPECT_EQ(animation.frame(), 2);  // stopping keeps the frame

    for (int i = 2; i < animation.frameCount(); ++i) {
        animation.advance();
    }
    EXPECT_EQ(animation.frame(), 0);

    // Choosing an animation (or none) stops the running one and starts from its first frame.
    animation.start();
    animation.advance();
    animation.setAnimation(BusyAnimation::DeleteFile);
    EXPECT_FALSE(animation.isRunning());
    EXPECT_EQ(animation.frame(), 0);
    animation.start();
    animation.setAnimation(BusyAnimation::None);
    EXPECT_FALSE(animation.isRunning());
    animation.advance();
    EXPECT_EQ(animation.frame(), 0);
}

TEST(PaintPump, RunsWaitingEventsAtMostOncePerInterval) {
    qint64 now = 1000;
    td::PaintPump pump(30, [&now] { return now; });
    EventCounter counter;

    QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    EXPECT_TRUE(pump.pump());
    EXPECT_EQ(counter.received, 1);

    QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    now += 29;
    EXPECT_FALSE(pump.pump());
    EXPECT_EQ(counter.received, 1);  // too soon: the event still waits

    now += 1;
    EXPECT_TRUE(pump.pump());
    EXPECT_EQ(counter.received, 2);

    // A clock that starts at zero still lets the very first call through.
    qint64 zero = 0;
    td::PaintPump fresh(30, [&zero] { return zero; });
    EXPECT_TRUE(fresh.pump());
    EXPECT_FALSE(fresh.pump());
}

TEST(PaintPump, KeepPaintingDeliversWaitingEvents) {
    EventCounter counter;
    QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    // Nothing else in this program calls it, so this is the process-wide pump's first call,
    // which always runs.
    td::keepPainting();
    EXPECT_EQ(counter.received, 1);
}
