// Throughput of the buffer rewrite on ten minutes of 44.1 kHz stereo, in place.
#include <cstdint>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "vocalremover/RemoveVocals.h"

namespace {

constexpr size_t kFrames = 10 * 60 * 44100;  // ten minutes at 44.1 kHz

std::vector<uint8_t>& Song() {
    static std::vector<uint8_t> song = [] {
        std::vector<uint8_t> bytes(kFrames * 4);
        std::mt19937 rng(1);
        for (auto& b : bytes)
            b = static_cast<uint8_t>(rng());
        return bytes;
    }();
    return song;
}

void Run(benchmark::State& state, skellan::RemoveVocalsKernel kernel) {
    auto& song = Song();
    const auto k = skellan::MakeCoefficients(100, 50, 100);
    for (auto _ : state) {
        kernel(song.data(), kFrames, k);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kFrames));
    state.counters["frames_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations() * kFrames), benchmark::Counter::kIsRate);
}

void BM_RemoveVocalsScalar(benchmark::State& state) {
    Run(state, skellan::RemoveVocalsScalar);
}

void BM_RemoveVocalsAvx2(benchmark::State& state) {
    if (!skellan::CpuHasAvx2()) {
        state.SkipWithError("this CPU has no AVX2");
        return;
    }
    Run(state, skellan::RemoveVocalsAvx2);
}

// The kernel chosen at run time, through the whole-buffer entry point.
void BM_RemoveVocalsSelected(benchmark::State& state) {
    auto& song = Song();
    for (auto _ : state) {
        skellan::RemoveVocals(song.data(), static_cast<long>(song.size()), 2, 2, 100, 50, 100);
        benchmark::ClobberMemory();
    }
    state.counters["frames_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations() * kFrames), benchmark::Counter::kIsRate);
}

// For scale: the cheapest in-place read-modify-write of the same buffer.
void BM_InPlaceNegate(benchmark::State& state) {
    auto& song = Song();
    auto* samples = reinterpret_cast<int16_t*>(song.data());
    for (auto _ : state) {
        for (size_t i = 0; i < kFrames * 2; ++i)
            samples[i] = static_cast<int16_t>(~samples[i]);
        benchmark::ClobberMemory();
    }
    state.counters["frames_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations() * kFrames), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_RemoveVocalsScalar)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_RemoveVocalsAvx2)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_RemoveVocalsSelected)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_InPlaceNegate)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_MAIN();
