// CTickTimer: ticks come at the period, stop for good at Kill, and never pile up.
#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "player/app/TickTimer.h"

namespace {

using namespace std::chrono_literals;

TEST(TickTimer, TicksAtItsPeriodUntilKilled) {
    CTickTimer timer;
    std::atomic<int> nTicks{0};
    ASSERT_TRUE(timer.Start(5ms, [&] { ++nTicks; }));
    EXPECT_FALSE(timer.Start(5ms, [] {})) << "already running";
    std::this_thread::sleep_for(200ms);
    timer.Kill();
    const int nAtKill = nTicks;
    EXPECT_GE(nAtKill, 5);
    EXPECT_LE(nAtKill, 41);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(nTicks, nAtKill) << "no tick after Kill";
    EXPECT_FALSE(timer.IsRunning());
}

TEST(TickTimer, RefusesNonPositivePeriodsAndEmptyCallbacks) {
    CTickTimer timer;
    EXPECT_FALSE(timer.Start(0ms, [] {}));
    EXPECT_FALSE(timer.Start(-1ms, [] {}));
    EXPECT_FALSE(timer.Start(5ms, {}));
    timer.Kill();  // harmless when not running
}

TEST(TickTimer, SlowTickDoesNotQueueMissedTicks) {
    CTickTimer timer;
    std::atomic<int> nTicks{0};
    ASSERT_TRUE(timer.Start(2ms, [&] {
        ++nTicks;
        std::this_thread::sleep_for(20ms);
    }));
    std::this_thread::sleep_for(100ms);
    timer.Kill();
    // At most one tick per 20 ms of work (plus the one running at the start).
    EXPECT_LE(nTicks, 7);
    EXPECT_GE(nTicks, 2);
}

TEST(TickTimer, KillWaitsForARunningTick) {
    CTickTimer timer;
    std::atomic<bool> bInTick{false};
    std::atomic<bool> bFinished{false};
    ASSERT_TRUE(timer.Start(1ms, [&] {
        bInTick = true;
        std::this_thread::sleep_for(30ms);
        bFinished = true;
    }));
    while (!bInTick) {
        std::this_thread::sleep_for(1ms);
    }
    timer.Kill();
    EXPECT_TRUE(bFinished);
}

}  // namespace
