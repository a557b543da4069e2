// The karaoke effects on real decoded audio through the real output pipeline: what comes
// out of it with vocal removal and key change, and the clock while they are switched.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include "tests/tindlib/ToneTools.h"
#include "tindlib/PlaybackManager.h"
#include "tindlib/SoundFilePlayer.h"
#include "tindlib/WaveFile.h"

using namespace tindlib;
using namespace tonetools;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr int kRate = 44100;
constexpr unsigned kOpenModeRead = 64;

void WriteWav(const fs::path& path, const std::vector<int16_t>& pcm, int nChannels) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = nChannels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(sf_write_short(f, pcm.data(), static_cast<sf_count_t>(pcm.size())),
              static_cast<sf_count_t>(pcm.size()));
    sf_close(f);
}

std::vector<int16_t> ReadWav(const fs::path& path, int* pnChannels) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (f == nullptr) {
        ADD_FAILURE() << "no output written: " << sf_strerror(nullptr);
        return {};
    }
    std::vector<int16_t> pcm(static_cast<size_t>(info.frames * info.channels));
    sf_read_short(f, pcm.data(), static_cast<sf_count_t>(pcm.size()));
    sf_close(f);
    *pnChannels = info.channels;
    return pcm;
}

class KaraokeOutput : public testing::Test {
protected:
    static void SetUpTestSuite() {
        // The build's vocal remover, loaded the way the player loads it.
        ASSERT_TRUE(CPlaybackManager::LoadVocalRemoverPlugin(std::string(SKELLAN_PLUGIN_DIR) +
                                                             "/libgstskellan.so"));
    }

    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("karaoke-output-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        const char* pSink = std::getenv("TINDLIB_AUDIO_SINK");
        m_strOldSink = pSink != nullptr ? pSink : "";
        m_bHadSink = pSink != nullptr;
    }
    void TearDown() override {
        if (m_bHadSink) {
            ::setenv("TINDLIB_AUDIO_SINK", m_strOldSink.c_str(), 1);
        } else {
            ::unsetenv("TINDLIB_AUDIO_SINK");
        }
        fs::remove_all(m_dir);
    }

    // Plays the whole source (stereo 16-bit) through the pipeline into a WAV file and
    // returns what was written; the effects are set before the playback starts.
    std::vector<int16_t> PlayThrough(const std::vector<int16_t>& pcm, bool bVocals, int nKey,
                                     bool* pbVocalsAvailable = nullptr) {
        const fs::path in = m_dir / "in.wav";
        const fs::path out = m_dir / "out.wav";
        WriteWav(in, pcm, 2);
        const std::string strSink =
            "audioconvert ! audio/x-raw,format=S16LE ! wavenc ! filesink location=" + out.string();
        ::setenv("TINDLIB_AUDIO_SINK", strSink.c_str(), 1);
        {
            CPlaybackManager manager;
            CSoundFilePlayer player;
            CWaveFile wav;
            EXPECT_TRUE(wav.Open(in.string(), kOpenModeRead));
            player.SetPlaybackManager(&manager);
            EXPECT_TRUE(player.SetSoundFile(&wav));
            const bool bVocalsOk = player.SetVocalRemoval(bVocals);
            if (pbVocalsAvailable != nullptr) {
                *pbVocalsAvailable = bVocalsOk;
            }
            EXPECT_TRUE(player.SetKeySemitones(nKey));
            EXPECT_TRUE(player.PlayFile(0, -1, false));
            const auto tEnd = std::chrono::steady_clock::now() + 30s;
            while (player.GetStatus() != CSoundFilePlayer::kStopped &&
                   std::chrono::steady_clock::now() < tEnd) {
                std::this_thread::sleep_for(10ms);
            }
            EXPECT_EQ(player.GetStatus(), CSoundFilePlayer::kStopped) << "never ended";
            player.SetSoundFile(nullptr);
        }
        int nChannels = 0;
        auto result = ReadWav(out, &nChannels);
        EXPECT_EQ(nChannels, 2);
        return result;
    }

    fs::path m_dir;
    std::string m_strOldSink;
    bool m_bHadSink = false;
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
    const std::string strSink = "fakesink sync=true";
    const fs::path in = m_dir / "in.wav";
    WriteWav(in, CentreToneOverSides(440.0, 0.3, 0.05, kRate, 5 * kRate), 2);
    ::setenv("TINDLIB_AUDIO_SINK", strSink.c_str(), 1);
    CPlaybackManager manager;
    CSoundFilePlayer player;
    CWaveFile wav;
    ASSERT_TRUE(wav.Open(in.string(), kOpenModeRead));
    player.SetPlaybackManager(&manager);
    ASSERT_TRUE(player.SetSoundFile(&wav));
    ASSERT_TRUE(manager.HasOutput()) << manager.GetLastError();
    ASSERT_TRUE(player.PlayFile(0, -1, false));
    const std::vector<std::function<bool()>> switches = {
        [&] { return player.SetKeySemitones(3); },     [&] { return player.SetVocalRemoval(true); },
        [&] { return player.SetKeySemitones(-2); },    [&] { return player.SetKeySemitones(0); },
        [&] { return player.SetVocalRemoval(false); },
    };
    const auto t0 = std::chrono::steady_clock::now();
    double dLast = 0.0;
    bool bRunning = false;
    double dLagBefore = 0.0;     // wall clock minus position before the last switch
    std::vector<double> stalls;  // the most each switch held the clock back
    const auto tGiveUp = t0 + 20s;
    while (player.GetStatus() == CSoundFilePlayer::kPlaying && dLast < 4.0 &&
           std::chrono::steady_clock::now() < tGiveUp) {
        const double dPos = player.GetPositionInSeconds();
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
    EXPECT_EQ(manager.GetKeySemitones(), 0);
    player.SetSoundFile(nullptr);
}

}  // namespace
