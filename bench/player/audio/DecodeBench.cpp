// Decoding throughput of an MP3 through CDecodedSoundFile::Read.
#include <vector>

#include <benchmark/benchmark.h>
#include <gst/gst.h>

#include "player/audio/DecodedSoundFile.h"
#include "tests/player/audio/TestMedia.h"

namespace {

constexpr double kSeconds = 30.0;

const std::string& Mp3Path() {
    static testmedia::TempDir dir;
    static const std::string path = [] {
        gst_init(nullptr, nullptr);
        const auto p = dir / "bench.mp3";
        testmedia::MakeTone(p, "mp3", kSeconds);
        return p.string();
    }();
    return path;
}

void BM_DecodeMp3(benchmark::State& state) {
    const std::string& path = Mp3Path();
    const int64_t chunk = state.range(0);
    std::vector<int16_t> buf(static_cast<size_t>(chunk) * 2);
    int64_t frames = 0;
    for (auto _ : state) {
        CDecodedSoundFile file;
        if (!file.Open(path, 64)) {
            state.SkipWithError("cannot open the MP3");
            return;
        }
        for (int64_t got = chunk; got == chunk;) {
            got = file.Read(buf.data(), chunk);
            frames += got;
        }
    }
    state.SetItemsProcessed(frames);
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(frames) / 44100.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeMp3)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
