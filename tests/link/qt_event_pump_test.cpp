#include "link/qt_event_pump.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>

namespace {

// A pause of a minute that must be ended by the wake-up long before a sentinel
// timer of 30 s fires; if it were not, the sentinel says so instead of a hang.
class QtPump : public ::testing::Test {
protected:
    void SetUp() override {
        sentinel.setSingleShot(true);
        QObject::connect(&sentinel, &QTimer::timeout, [this] {
            sentinelFired = true;
            pump.wake();
        });
        sentinel.start(30000);
    }
    QtEventPump pump;
    QTimer sentinel;
    bool sentinelFired = false;
};

TEST_F(QtPump, WakeFromAnEventEndsThePause) {
    QTimer::singleShot(5, [this] { pump.wake(); });
    pump.pause(60000);
    EXPECT_FALSE(sentinelFired);
}

TEST_F(QtPump, WakeOutsideAPauseEndsTheNextOne) {
    bool delivered = false;
    QTimer::singleShot(0, [&] {
        delivered = true;
        pump.wake(); // bytes handed over while events are handled outside a pause
    });
    while (!delivered)
        pump.processPending();
    pump.pause(60000);
    EXPECT_FALSE(sentinelFired);
    // Used up: the following pause runs its time.
    const std::int64_t t0 = pump.nowMs();
    pump.pause(20);
    EXPECT_GE(pump.nowMs() - t0, 20);
}

TEST_F(QtPump, WakeEndsOnlyTheInnermostPause) {
    bool innerDone = false;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(5, [this] { pump.wake(); });
        pump.pause(60000); // nested: the wake-up ends this one
        innerDone = true;
        QTimer::singleShot(5, [this] { pump.wake(); });
    });
    pump.pause(60000);
    EXPECT_TRUE(innerDone);
    EXPECT_FALSE(sentinelFired);
}

TEST_F(QtPump, ClockIsTheSteadyClock) {
    const auto steady = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
    EXPECT_LE(std::abs(pump.nowMs() - steady), 1000);
    EXPECT_TRUE(pump.wallClock().isValid());
}

} // namespace
