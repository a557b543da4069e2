// The screen lock between the playback thread (Execute) and the render pass (compose).
#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "ScreenFixture.h"

using namespace cdgauthor;
using namespace std::chrono_literals;

using ScreenThreads = ScreenFixture;

TEST_F(ScreenThreads, PacketThatCannotGetTheLockIsNotApplied) {
    m_pScreen->SetLockTimeout(50);
    std::atomic<bool> held{false}, release{false};
    std::thread renderer([&] {
        tindlib::CScopedLock hold(m_pScreen->GetLock());
        held = true;
        while (!release) {
            std::this_thread::sleep_for(1ms);
        }
    });
    while (!held) {
        std::this_thread::yield();
    }
    EXPECT_FALSE(Run(MemoryPreset(5)));
    EXPECT_FALSE(Run(BorderPreset(3)));
    release = true;
    renderer.join();
    EXPECT_EQ(At(100, 100), 0);
    EXPECT_EQ(m_pScreen->GetBorderColor(), 0);
    EXPECT_TRUE(Run(MemoryPreset(5)));
    EXPECT_EQ(At(100, 100), 5);
}

TEST_F(ScreenThreads, RenderPassesInterleaveWithExecution) {
    LoadDistinctPalette();
    std::atomic<bool> done{false};
    std::atomic<int> frames{0};
    std::thread renderer([&] {
        while (!done) {
            tindlib::CScopedLock hold(m_pScreen->GetLock());
            m_pScreen->EnsureSurfaces();
            if (m_pScreen->ComposeFrame() != nullptr) {
                ++frames;
            }
        }
    });
    // Keep executing until the renderer has had its share of passes in between.
    for (int i = 0; i < 3000 || (frames < 20 && i < 3'000'000); ++i) {
        TileLines lines;
        lines.fill(static_cast<uint8_t>(i & 0x3F));
        Run(TileBlock(i % 16, (i + 5) % 16, i % 18, i % 50, lines, i % 2 == 1));
        if (i % 500 == 0) {
            Run(Scroll(true, 0, ScrollMove::LeftOrUp, 0, ScrollMove::None, 0));
            m_pScreen->Clear();
            LoadDistinctPalette();
        }
    }
    done = true;
    renderer.join();
    EXPECT_GE(frames.load(), 20);
    tindlib::CScopedLock hold(m_pScreen->GetLock());
    ExpectMirrorMatches();
}
