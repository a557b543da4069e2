// The karaoke effects on real decoded audio through the real output pipeline: what comes
// out of it with vocal removal and key change, and the clock while they are switched.
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <sndfile.h>

#include "tests/tindlib/TestFiles.h"
#include "tests/tindlib/ToneTools.h"
#include "tindlib/PlaybackManager.h"
#include "tindlib/SoundFilePlayer.h"
#include "tindlib/WaveFile.h"

using namespace tindlib;
using namespace tonetools;
using namespace std::chrono_literals;

namespace {

constexpr int kRate = 44100;
constexpr unsigned kOpenModeRead = 64;

class KaraokeOutput : public testing::Test {
protected:
    static void SetUpTestSuite() {
        // The build's vocal remover, loaded the way the player loads it.
        ASSERT_TRUE(CPlaybackManager::LoadVocalRemoverPlugin(std::string(SKELLAN_PLUGIN_DIR) +
                                                             "/libgstskellan.so"));
    }

    // Opens the source (stereo 16-bit) on a player whose output is the given sink.
    void Load(const std::vector<int16_t>& pcm, const std::string& strSink) {
        testfiles::WriteSound(m_dir / "in.wav", pcm, 2, kRate);
        ::setenv("TINDLIB_AUDIO_SINK", strSink.c_str(), 1);
        ASSERT_TRUE(m_wav.Open((m_dir / "in.wav").string(), kOpenModeRead));
        m_player.SetPlaybackManager(&m_manager);
        ASSERT_TRUE(m_player.SetSoundFile(&m_wav));
    }

    // Plays the whole source (stereo 16-bit) through the pipeline into a WAV file and
    // returns what was written; the effects are set before the playback starts.
    std::vector<int16_t> PlayThrough(const std::vector<int16_t>& pcm, bool bVocals, int nKey,
                                     bool* pbVocalsAvailable = nullptr) {
        const auto out = m_dir / "out.wav";
        Load(pcm, "audioconvert ! audio/x-raw,format=S16LE ! wavenc ! filesink location=" +
                      out.string());
        const bool bVocalsOk = m_player.SetVocalRemoval(bVocals);
        if (pbVocalsAvailable != nullptr) {
            *pbVocalsAvailable = bVocalsOk;
        }
        EXPECT_TRUE(m_player.SetKeySemitones(nKey));
        EXPECT_TRUE(m_player.PlayFile(0, -1, false));
        const auto tEnd = std::chrono::steady_clock::now() + 30s;
        while (m_player.GetStatus() != CSoundFilePlayer::kStopped &&
               std::chrono::steady_clock::now() < tEnd) {
            std::this_thread::sleep_for(10ms);
        }
        EXPECT_EQ(m_player.GetStatus(), CSoundFilePlayer::kStopped) << "never ended";
        m_player.SetSoundFile(nullptr);

        SF_INFO info{};
        SNDFILE* f = sf_open(out.c_str(), SFM_READ, &info);
        if (f == nullptr) {
            ADD_FAILURE() << "no output written: " << sf_strerror(nullptr);
            return {};
        }
        EXPECT_EQ(info.channels, 2);
        std::vector<int16_t> result(static_cast<size_t>(info.frames * info.channels));
        sf_read_short(f, result.data(), static_cast<sf_count_t>(result.size()));
        sf_close(f);
        return result;
    }

    testfiles::TempDir m_dir;
    CPlaybackManager m_manager;
    CWaveFile m_wav;
    CSoundFilePlayer m_player;  // goes first, before the source and the manager it uses
};

TEST_F(KaraokeOutput, VocalRemovalTakesOutTheCentreAndKeepsTheSides) {
    const auto source = CentreToneOverSides(1000.0, 0.3, 0.1, kRate, 2 * kRate);
    bool bAvailable = false;
    const auto removed = PlayThrough(source, true, 0, &bAvailable);
    ASSERT_TRUE(bAvailable) << "the vocal remover is not in the pipeline";
    ASSERT_EQ(removed.size(), source.size());

    const size_t nFrom = kRate / 2;
    const size_t nCount = 16384;
    for (const int nChannel : {0, 1}) {
        SCOPED_TRACE(nChannel);
        const double before = LevelAt(Channel(source, 2, nChannel), 1000.0, kRate, nFrom, nCount);
        const double after = LevelAt(Channel(removed, 2, nChannel), 1000.0, kRate, nFrom, nCount);
        EXPECT_GE(Db(before / after), 30.0);
    }
    const double sidesBefore = Rms(Mix(source, -1.0), nFrom, kRate);
    const double sidesAfter = Rms(Mix(removed, -1.0), nFrom, kRate);
    EXPECT_NEAR(Db(sidesAfter / sidesBefore), 0.0, 1.0);
}

TEST_F(KaraokeOutput, WithoutVocalRemovalTheAudioIsUntouched) {
    const auto source = CentreToneOverSides(1000.0, 0.3, 0.1, kRate, kRate);
    EXPECT_EQ(PlayThrough(source, false, 0), source);
}

TEST_F(KaraokeOutput, KeyUpThreeTurnsA440IntoC523) {
    const auto source = CentreToneOverSides(440.0, 0.4, 0.0, kRate, 2 * kRate);
    const auto shifted = PlayThrough(source, false, 3);
    ASSERT_NEAR(static_cast<double>(shifted.size()), static_cast<double>(source.size()), 2048.0);
    const double f = PeakFrequency(Channel(shifted, 2, 0), kRate, kRate / 2, 16384, 400.0, 600.0);
    EXPECT_NEAR(f, 523.25, 2.0);
}

TEST_F(KaraokeOutput, BothTogetherShiftTheSidesAndRemoveTheCentre) {
    const auto source = CentreToneOverSides(440.0, 0.3, 0.0, kRate, 2 * kRate);
    const auto out = PlayThrough(source, true, 3);
    ASSERT_GT(out.size(), static_cast<size_t>(kRate * 2));
    // The centred tone, shifted together in both channels, is still removed.
    const double before = LevelAt(Channel(source, 2, 0), 440.0, kRate, kRate / 2, 16384);
    const double after = LevelAt(Channel(out, 2, 0), 523.25, kRate, kRate / 2, 16384);
    EXPECT_GE(Db(before / after), 30.0);
}

// Switching during playback restarts the device from the heard audio: the clock goes on
// with the wall clock, never back, and no switch stalls it for 200 ms or more.
TEST_F(KaraokeOutput, SwitchingWhilePlayingKeepsTheClockRunning) {
    Load(CentreToneOverSides(440.0, 0.3, 0.05, kRate, 5 * kRate), "fakesink sync=true");
    ASSERT_TRUE(m_manager.HasOutput()) << m_manager.GetLastError();
    ASSERT_TRUE(m_player.PlayFile(0, -1, false));
    const std::vector<std::function<bool()>> switches = {
        [&] { return m_player.SetKeySemitones(3); },
        [&] { return m_player.SetVocalRemoval(true); },
        [&] { return m_player.SetKeySemitones(-2); },
        [&] { return m_player.SetKeySemitones(0); },
        [&] { return m_player.SetVocalRemoval(false); },
    };
    const auto t0 = std::chrono::steady_clock::now();
    double dLast = 0.0;
    bool bRunning = false;
    double dLagBefore = 0.0;     // wall clock minus position before the last switch
    std::vector<double> stalls;  // the most each switch held the clock back
    const auto tGiveUp = t0 + 20s;
    while (m_player.GetStatus() == CSoundFilePlayer::kPlaying && dLast < 4.0 &&
           std::chrono::steady_clock::now() < tGiveUp) {
        const double dPos = m_player.GetPositionInSeconds();
        const double dLag =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() - dPos;
        ASSERT_GE(dPos, dLast - 1e-9) << "the clock went back";
        dLast = dPos;
        if (!stalls.empty()) {
            stalls.back() = std::max(stalls.back(), dLag - dLagBefore);
        }
        bRunning = bRunning || dPos > 0.5;
        if (bRunning && stalls.size() < switches.size() && dPos > 0.6 + 0.6 * stalls.size()) {
            dLagBefore = dLag;
            stalls.push_back(0.0);
            EXPECT_TRUE(switches[stalls.size() - 1]()) << "switch " << stalls.size();
        }
        std::this_thread::sleep_for(2ms);
    }
    ASSERT_EQ(stalls.size(), switches.size());
    for (size_t i = 0; i < stalls.size(); ++i) {
        EXPECT_LT(stalls[i], 0.2) << "switch " << i + 1;
    }
    EXPECT_EQ(m_manager.GetKeySemitones(), 0);
    m_player.SetSoundFile(nullptr);
}

}  // namespace
