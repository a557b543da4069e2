// The audio clock with the karaoke effects on a clocked sink: the reported position
// against the audio the sink consumes, and CPU use (run by hand: it plays in real time;
// KARAOKE_BENCH_SECONDS sets the length, 60 by default).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>
#include <gst/gst.h>
#include <sndfile.h>
#include <unistd.h>

#include "bench/support/BenchClock.h"
#include "tindlib/PlaybackManager.h"
#include "tindlib/SoundFilePlayer.h"
#include "tindlib/WaveFile.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

constexpr int kRate = 44100;
constexpr double kBurstSeconds = 0.15;
constexpr double kBurstAmplitude = 0.5;
constexpr const char* kSinkName = "karaoke_bench_sink";

double Now() {
    return benchclock::WallSeconds();
}

using benchclock::CpuSeconds;

double BenchSeconds() {
    return benchclock::RunSeconds("KARAOKE_BENCH_SECONDS", 2.0, 60.0);
}

// Silence with a 440 Hz burst at every whole second from 1 s on, in both channels.
bool WriteBursts(const fs::path& path, double dSeconds) {
    const auto nFrames = static_cast<int64_t>(dSeconds * kRate);
    std::vector<int16_t> pcm(static_cast<size_t>(nFrames * 2), 0);
    for (int64_t i = 0; i < nFrames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double inBurst = t - std::floor(t);
        if (t >= 1.0 && inBurst < kBurstSeconds) {
            const double s = kBurstAmplitude * std::sin(2 * std::numbers::pi * 440.0 * inBurst);
            pcm[2 * i] = pcm[2 * i + 1] = static_cast<int16_t>(std::lround(s * 32767));
        }
    }
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (f == nullptr) {
        return false;
    }
    const bool bOk = sf_write_short(f, pcm.data(), static_cast<sf_count_t>(pcm.size())) ==
                     static_cast<sf_count_t>(pcm.size());
    sf_close(f);
    return bOk;
}

// What the sink consumed: each buffer as it is rendered, and the bursts heard in it.
struct SinkLog {
    struct Consumed {
        double dWall;    // when the buffer began to play
        double dStream;  // its stream time, seconds of output
    };
    struct Onset {
        double dWall;    // when the burst's first loud sample played
        double dStream;  // where it sits in the output
    };
    std::mutex mutex;
    std::vector<Consumed> consumed;
    std::vector<Onset> onsets;
    int64_t nQuietFrames = 0;  // since the last loud sample; streaming thread only
};

void OnHandoff(GstElement*, GstBuffer* pBuffer, GstPad*, gpointer pData) {
    auto* log = static_cast<SinkLog*>(pData);
    const double dWall = Now();
    const double dPts = static_cast<double>(GST_BUFFER_PTS(pBuffer)) / GST_SECOND;
    GstMapInfo map;
    if (!gst_buffer_map(pBuffer, &map, GST_MAP_READ)) {
        return;
    }
    const auto* pcm = reinterpret_cast<const int16_t*>(map.data);
    const size_t nFrames = map.size / 4;
    std::vector<SinkLog::Onset> found;
    for (size_t i = 0; i < nFrames; ++i) {
        const bool bLoud = std::abs(pcm[2 * i]) / 32768.0 > 0.4 * kBurstAmplitude;
        if (bLoud && log->nQuietFrames > kRate / 2) {
            found.push_back(
                {dWall + static_cast<double>(i) / kRate, dPts + static_cast<double>(i) / kRate});
        }
        log->nQuietFrames = bLoud ? 0 : log->nQuietFrames + 1;
    }
    gst_buffer_unmap(pBuffer, &map);
    std::lock_guard lock(log->mutex);
    log->consumed.push_back({dWall, dPts});
    log->onsets.insert(log->onsets.end(), found.begin(), found.end());
}

struct Rig {
    Rig(int nKey, bool bVocals) {
        setenv("TINDLIB_AUDIO_SINK",
               (std::string("fakesink sync=true signal-handoffs=true name=") + kSinkName).c_str(),
               1);
        gst_init(nullptr, nullptr);
        tindlib::CPlaybackManager::LoadVocalRemoverPlugin(std::string(SKELLAN_PLUGIN_DIR) +
                                                          "/libgstskellan.so");
        dir = fs::temp_directory_path() / ("karaoke-bench-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        bReady = WriteBursts(dir / "bursts.wav", BenchSeconds() + 3);
        player.SetPlaybackManager(&manager);
        bReady = bReady && file.Open((dir / "bursts.wav").string(), 64) &&
                 player.SetSoundFile(&file) && player.SetKeySemitones(nKey) &&
                 (!bVocals || player.SetVocalRemoval(true));
        if (bReady) {
            GstElement* pSink = gst_bin_get_by_name(GST_BIN(manager.GetPipeline()), kSinkName);
            bReady = pSink != nullptr;
            if (pSink != nullptr) {
                g_signal_connect(pSink, "handoff", G_CALLBACK(OnHandoff), &log);
                gst_object_unref(pSink);
            }
        }
        bReady = bReady && player.PlayFile(0, -1, false);
    }
    ~Rig() {
        player.SetSoundFile(nullptr);
        fs::remove_all(dir);
    }
    fs::path dir;
    bool bReady = false;
    SinkLog log;
    tindlib::CWaveFile file;
    tindlib::CPlaybackManager manager;
    tindlib::CSoundFilePlayer player;
};

struct Poll {
    double dWall;
    double dPosition;
};

// The polled position at a wall time, interpolated between the polls around it.
double PositionAt(const std::vector<Poll>& polls, double dWall) {
    auto it = std::lower_bound(polls.begin(), polls.end(), dWall,
                               [](const Poll& p, double w) { return p.dWall < w; });
    if (it == polls.begin() || it == polls.end()) {
        return NAN;
    }
    const Poll& a = *(it - 1);
    const Poll& b = *it;
    const double f = (dWall - a.dWall) / std::max(1e-9, b.dWall - a.dWall);
    return a.dPosition + f * (b.dPosition - a.dPosition);
}

// Polls the clock every 1 ms while the sink logs what it consumes. Counters: the
// position against the stream time of the buffer being consumed; the position when a
// burst was heard against the burst's time in the source (what the graphics would be
// drawn against); and where the bursts sit in the output against the source.
void BM_ClockAgainstConsumed(benchmark::State& state) {
    for (auto _ : state) {
        Rig rig(static_cast<int>(state.range(0)), false);
        if (!rig.bReady) {
            state.SkipWithError("cannot play");
            return;
        }
        std::vector<Poll> polls;
        polls.reserve(static_cast<size_t>(BenchSeconds() * 1200));
        const double dStart = Now();
        while (Now() - dStart < BenchSeconds() + 0.5) {
            const double dPosition = rig.player.GetPositionInSeconds();
            polls.push_back({Now(), dPosition});
            std::this_thread::sleep_for(1ms);
        }
        std::lock_guard lock(rig.log.mutex);
        std::vector<double> consumedErrors;
        for (const auto& c : rig.log.consumed) {
            const double dPos = PositionAt(polls, c.dWall);
            if (!std::isnan(dPos) && c.dStream > 0.5) {
                consumedErrors.push_back(std::abs(dPos - c.dStream));
            }
        }
        std::sort(consumedErrors.begin(), consumedErrors.end());
        // The largest includes the odd scheduling stall of a shared machine; the 99th
        // percentile is the clock's own.
        const double dMaxConsumed = consumedErrors.empty() ? NAN : consumedErrors.back();
        const double dP99Consumed =
            consumedErrors.empty() ? NAN : consumedErrors[consumedErrors.size() * 99 / 100];
        double dMaxHeard = 0;
        double dMaxPlaced = 0;
        double dSumHeard = 0;
        int nOnsets = 0;
        for (const auto& o : rig.log.onsets) {
            const double dSource = std::round(o.dStream);  // the burst's second
            const double dPos = PositionAt(polls, o.dWall);
            if (std::isnan(dPos)) {
                continue;
            }
            dMaxHeard = std::max(dMaxHeard, std::abs(dPos - dSource));
            dSumHeard += dPos - dSource;
            dMaxPlaced = std::max(dMaxPlaced, std::abs(o.dStream - dSource));
            ++nOnsets;
        }
        state.counters["key"] = static_cast<double>(state.range(0));
        state.counters["max_pos_vs_consumed_ms"] = dMaxConsumed * 1000;
        state.counters["p99_pos_vs_consumed_ms"] = dP99Consumed * 1000;
        state.counters["max_pos_vs_heard_burst_ms"] = dMaxHeard * 1000;
        state.counters["mean_pos_vs_heard_burst_ms"] =
            nOnsets > 0 ? dSumHeard / nOnsets * 1000 : NAN;
        state.counters["max_burst_shift_ms"] = dMaxPlaced * 1000;
        state.counters["bursts"] = nOnsets;
    }
}
BENCHMARK(BM_ClockAgainstConsumed)
    ->Arg(3)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

// CPU of the whole process while it plays (GStreamer's threads and the shifter), with
// key change and vocal removal on or off; nothing polls the clock.
void BM_KaraokeCpu(benchmark::State& state) {
    for (auto _ : state) {
        Rig rig(static_cast<int>(state.range(0)), state.range(1) != 0);
        if (!rig.bReady) {
            state.SkipWithError("cannot play (is the vocal remover built?)");
            return;
        }
        std::this_thread::sleep_for(500ms);
        const double dCpu0 = CpuSeconds();
        const double dWall0 = Now();
        std::this_thread::sleep_for(std::chrono::duration<double>(std::min(15.0, BenchSeconds())));
        state.counters["cpu_percent"] = 100.0 * (CpuSeconds() - dCpu0) / (Now() - dWall0);
    }
}
BENCHMARK(BM_KaraokeCpu)
    ->ArgNames({"key", "vocals"})
    ->Args({0, 0})
    ->Args({3, 0})
    ->Args({0, 1})
    ->Args({3, 1})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
