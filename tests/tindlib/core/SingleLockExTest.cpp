// The re-entrant timed lock shared by the screen, the view and the decoded ring.
#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "tindlib/core/SingleLockEx.h"

using namespace tindlib;
using namespace std::chrono_literals;

TEST(SingleLockEx, HolderMayLockAgainAndMustUnlockAsOften) {
    CCriticalSection cs;
    CSingleLockEx lock(&cs);
    ASSERT_TRUE(lock.Lock(10000));
    ASSERT_TRUE(lock.Lock(10000));
    EXPECT_TRUE(lock.IsLocked());
    EXPECT_TRUE(lock.Unlock());
    EXPECT_TRUE(lock.IsLocked()) << "one Unlock of two Locks must keep the section held";

    std::atomic<bool> otherGot{true};
    std::thread([&] { otherGot = lock.Lock(20); }).join();
    EXPECT_FALSE(otherGot);

    EXPECT_TRUE(lock.Unlock());
    EXPECT_FALSE(lock.IsLocked());
    EXPECT_FALSE(lock.Unlock()) << "unlocking a free section must be refused";
}

TEST(SingleLockEx, TimeoutExpiresWhileAnotherThreadHolds) {
    CCriticalSection cs;
    CSingleLockEx lock(&cs);
    std::atomic<bool> held{false};
    std::atomic<bool> release{false};
    std::thread holder([&] {
        lock.Lock();
        held = true;
        while (!release) {
            std::this_thread::sleep_for(1ms);
        }
        lock.Unlock();
    });
    while (!held) {
        std::this_thread::yield();
    }
    EXPECT_FALSE(lock.Lock(30));
    EXPECT_FALSE(lock.Unlock()) << "a non-holder's Unlock must not free the holder's section";
    release = true;
    EXPECT_TRUE(lock.Lock(10000)) << "the section must be handed over once released";
    lock.Unlock();
    holder.join();
}

TEST(SingleLockEx, GuardsASharedCounterAcrossThreads) {
    CCriticalSection cs;
    CSingleLockEx lock(&cs);
    long counter = 0;
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            CScopedLock outer(lock);
            CScopedLock inner(lock);  // re-entry inside the same holder
            ++counter;
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    EXPECT_EQ(counter, 40000);
    EXPECT_FALSE(lock.IsLocked());
}
