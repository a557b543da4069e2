// Clock quality of the player on a clocked sink, seek latency and CPU use (run by hand:
// it plays in real time; CLOCK_BENCH_SECONDS sets the length, 60 by default).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <thread>

#include <benchmark/benchmark.h>
#include <gst/gst.h>

#include "bench/support/BenchClock.h"
#include "player/audio/DecodedSoundFile.h"
#include "tests/player/audio/TestMedia.h"
#include "tindlib/SoundFilePlayer.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds() {
    return benchclock::WallSeconds();
}

using benchclock::CpuSeconds;

double BenchSeconds() {
    return benchclock::RunSeconds("CLOCK_BENCH_SECONDS", 1.0, 60.0);
}

struct Rig {
    Rig() {
        setenv("TINDLIB_AUDIO_SINK", "fakesink sync=true", 0);
        gst_init(nullptr, nullptr);
        path = (dir / "clock.mp3").string();
        testmedia::MakeTone(dir / "clock.mp3", "mp3", BenchSeconds() + 20);
        player.SetPlaybackManager(&manager);
    }
    bool Start() {
        if (!file.Open(path, 64) || !player.SetSoundFile(&file)) {
            return false;
        }
        return player.PlayFile(-1, -1, false);
    }
    ~Rig() { player.SetSoundFile(nullptr); }
    testmedia::TempDir dir;
    std::string path;
    CDecodedSoundFile file;
    tindlib::CPlaybackManager manager;
    tindlib::CSoundFilePlayer player;
};

// Polls the clock every 1 ms: largest drift against the wall clock and largest step.
void BM_ClockQuality(benchmark::State& state) {
    for (auto _ : state) {
        Rig rig;
        if (!rig.Start()) {
            state.SkipWithError("cannot play");
            return;
        }
        while (rig.player.GetPositionInSeconds() <= 0.0) {
            std::this_thread::sleep_for(1ms);
        }
        const double pos0 = rig.player.GetPositionInSeconds();
        const double wall0 = Seconds();
        const double cpu0 = CpuSeconds();
        double last = pos0;
        double maxDrift = 0;
        double maxStep = 0;
        double maxJump = 0;
        double maxGap = 0;
        double lastWall = wall0;
        long backwards = 0;
        while (Seconds() - wall0 < BenchSeconds()) {
            std::this_thread::sleep_for(1ms);
            const double pos = rig.player.GetPositionInSeconds();
            const double wall = Seconds();
            maxDrift = std::max(maxDrift, std::abs((pos - pos0) - (wall - wall0)));
            maxStep = std::max(maxStep, pos - last);
            // A step beyond what the wall clock moved is a jump of the clock itself; a
            // long gap between polls is the scheduler's, not the clock's.
            maxJump = std::max(maxJump, std::abs((pos - last) - (wall - lastWall)));
            maxGap = std::max(maxGap, wall - lastWall);
            lastWall = wall;
            backwards += pos < last;
            last = pos;
        }
        const double cpu = CpuSeconds() - cpu0;
        const double wall = Seconds() - wall0;
        state.counters["max_drift_ms"] = maxDrift * 1000;
        state.counters["max_step_ms"] = maxStep * 1000;
        state.counters["max_jump_ms"] = maxJump * 1000;
        state.counters["max_poll_gap_ms"] = maxGap * 1000;
        state.counters["backward_steps"] = static_cast<double>(backwards);
        // Includes the 1 ms polling of this loop, as the player's own loop would.
        state.counters["cpu_percent"] = 100.0 * cpu / wall;
    }
}
BENCHMARK(BM_ClockQuality)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// CPU of playback alone: the player plays, nothing polls it.
void BM_PlaybackCpu(benchmark::State& state) {
    for (auto _ : state) {
        Rig rig;
        if (!rig.Start()) {
            state.SkipWithError("cannot play");
            return;
        }
        std::this_thread::sleep_for(500ms);
        const double cpu0 = CpuSeconds();
        const double wall0 = Seconds();
        std::this_thread::sleep_for(std::chrono::duration<double>(std::min(10.0, BenchSeconds())));
        state.counters["cpu_percent"] = 100.0 * (CpuSeconds() - cpu0) / (Seconds() - wall0);
    }
}
BENCHMARK(BM_PlaybackCpu)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// Time from SetPositionInSeconds until the clock moves past the target, i.e. until the
// new audio is heard: small jumps stay inside the decoder's ring, large ones do not.
void BM_SeekLatency(benchmark::State& state) {
    const bool inRing = state.range(0) != 0;
    for (auto _ : state) {
        Rig rig;
        if (!rig.Start()) {
            state.SkipWithError("cannot play");
            return;
        }
        double worst = 0;
        double total = 0;
        const int rounds = 10;
        for (int i = 0; i < rounds; ++i) {
            std::this_thread::sleep_for(600ms);
            const double now = rig.player.GetPositionInSeconds();
            // Hard seeks jump 5 s ahead, wrapping before the end of the file.
            const double length = rig.file.SampleToTime(rig.file.GetLength());
            double target = inRing ? std::max(0.0, now - 0.3) : now + 5.0;
            if (target > length - 2.0) {
                target = 1.0;
            }
            const double t0 = Seconds();
            rig.player.SetPositionInSeconds(target);
            while (rig.player.GetPositionInSeconds() <= target + 1e-6) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            const double latency = Seconds() - t0;
            worst = std::max(worst, latency);
            total += latency;
        }
        state.counters["mean_ms"] = 1000 * total / rounds;
        state.counters["worst_ms"] = 1000 * worst;
    }
}
BENCHMARK(BM_SeekLatency)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
