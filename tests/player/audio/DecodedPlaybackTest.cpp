// A decoded file played by the sound library's player: the clock, seeks, Stop, end.
#include <chrono>
#include <cstdlib>
#include <thread>

#include <gst/gst.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include "player/audio/DecodedSoundFile.h"
#include "player/audio/SilentSoundFile.h"
#include "tests/player/audio/TestMedia.h"
#include "tindlib/SoundFilePlayer.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

template <typename Pred>
bool WaitFor(Pred pred, std::chrono::milliseconds limit = 5000ms) {
    const auto until = Clock::now() + limit;
    while (!pred()) {
        if (Clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class DecodedPlaybackTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TINDLIB_AUDIO_SINK", "fakesink sync=true", 0);
        gst_init(nullptr, nullptr);
        m_player.SetPlaybackManager(&m_manager);
    }
    testmedia::TempDir m_dir;
    tindlib::CPlaybackManager m_manager;
    tindlib::CSoundFilePlayer m_player;
};

}  // namespace

TEST_F(DecodedPlaybackTest, PlaysSeeksAndStopsADecodedFile) {
    ASSERT_TRUE(
        testmedia::WriteRamp(m_dir / "a.flac", 44100 * 4, SF_FORMAT_FLAC | SF_FORMAT_PCM_16));
    auto* file = new CDecodedSoundFile;
    ASSERT_TRUE(file->Open((m_dir / "a.flac").string(), 64));
    ASSERT_TRUE(m_player.SetSoundFile(file));
    ASSERT_TRUE(m_player.PlayFile(-1, -1, false));
    ASSERT_TRUE(WaitFor([&] { return m_player.GetPositionInSeconds() > 0.1; }));

    // Forward past the ring (a hard seek of the decoder), then back inside it.
    for (double target : {3.0, 2.5}) {
        ASSERT_TRUE(m_player.SetPositionInSeconds(target));
        const double right = m_player.GetPositionInSeconds();
        EXPECT_GE(right, target);
        EXPECT_LT(right, target + 0.02);
        ASSERT_TRUE(WaitFor([&] { return m_player.GetPositionInSeconds() > target + 0.1; }));
        EXPECT_EQ(m_player.GetStatus(), 1);
    }
    EXPECT_TRUE(m_player.Stop());
    EXPECT_EQ(file->GetPosition(), 0) << "Stop rewinds the decoded source";
    ASSERT_TRUE(m_player.SetPositionInSeconds(3.8));
    ASSERT_TRUE(m_player.PlayFile(-1, -1, false));
    ASSERT_TRUE(WaitFor([&] { return m_player.GetStatus() == 0; })) << "ends by itself";
    EXPECT_NEAR(m_player.GetPositionInSeconds(), 4.0, 0.001);

    // The owner hands the player null before deleting the source.
    ASSERT_TRUE(m_player.PlayFile(0, -1, false));
    EXPECT_TRUE(m_player.SetSoundFile(nullptr));
    delete file;
    EXPECT_EQ(m_player.GetStatus(), 0);
}

TEST_F(DecodedPlaybackTest, SilenceRunsTheClock) {
    CSilentSoundFile silence;
    ASSERT_TRUE(silence.Open("", 64));
    ASSERT_TRUE(m_player.SetSoundFile(&silence));
    ASSERT_TRUE(m_player.SetPositionInSeconds(599.9));
    ASSERT_TRUE(m_player.PlayFile(-1, -1, false));
    ASSERT_TRUE(WaitFor([&] { return m_player.GetPositionInSeconds() > 600.0; }))
        << "silence reads on past its length; the application decides when to stop";
    m_player.SetSoundFile(nullptr);
}
