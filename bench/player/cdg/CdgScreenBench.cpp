// Packet execution throughput (karaoke-like and tile-only streams) and frame composition.
#include <memory>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/display/Display.h"
#include "player/cdg/CdgScreen.h"
#include "tools/cdgauthor/SyntheticTrack.h"

namespace {

struct ScreenOnDisplay {
    ScreenOnDisplay() : display(display::PixelFormat::Xrgb8888()) {
        display::CDisplay::SetCurrent(&display);
        screen = std::make_unique<CCdgScreen>();
    }
    ~ScreenOnDisplay() {
        screen.reset();
        display::CDisplay::SetCurrent(nullptr);
    }
    display::CDisplay display;
    std::unique_ptr<CCdgScreen> screen;
};

std::vector<CCdgPacket> Parse(const cdgauthor::CdgTrackWriter& track) {
    std::vector<CCdgPacket> packets;
    packets.reserve(static_cast<size_t>(track.GetPacketCount()));
    for (int64_t i = 0; i < track.GetPacketCount(); ++i) {
        packets.emplace_back(track.GetPacket(i).data());
    }
    return packets;
}

void RunStream(benchmark::State& state, const std::vector<CCdgPacket>& packets) {
    ScreenOnDisplay s;
    for (auto _ : state) {
        for (const CCdgPacket& p : packets) {
            benchmark::DoNotOptimize(s.screen->Execute(p));
        }
        // The render pass rebuilds dropped surfaces, as the player's tick would.
        tindlib::CScopedLock hold(s.screen->GetLock());
        s.screen->EnsureSurfaces();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(packets.size()));
}

void BM_ExecuteKaraokeLike(benchmark::State& state) {
    static const std::vector<CCdgPacket> packets = Parse(cdgauthor::MakeSyntheticTrack(240.0));
    RunStream(state, packets);
}
BENCHMARK(BM_ExecuteKaraokeLike)->Unit(benchmark::kMillisecond);

void BM_ExecuteTileBlocks(benchmark::State& state) {
    static const std::vector<CCdgPacket> packets = [] {
        std::mt19937 rng(7);
        cdgauthor::CdgTrackWriter track;
        for (int i = 0; i < 72000; ++i) {
            cdgauthor::TileLines lines;
            for (auto& l : lines) {
                l = static_cast<uint8_t>(rng() & 0x3F);
            }
            track.Append(cdgauthor::TileBlock(
                static_cast<int>(rng() % 16), static_cast<int>(rng() % 16),
                static_cast<int>(rng() % 18), static_cast<int>(rng() % 50), lines, i % 4 == 0));
        }
        return Parse(track);
    }();
    RunStream(state, packets);
}
BENCHMARK(BM_ExecuteTileBlocks)->Unit(benchmark::kMillisecond);

void BM_ComposeUnchangedFrame(benchmark::State& state) {
    ScreenOnDisplay s;
    for (auto _ : state) {
        tindlib::CScopedLock hold(s.screen->GetLock());
        s.screen->EnsureSurfaces();
        benchmark::DoNotOptimize(s.screen->ComposeFrame());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ComposeUnchangedFrame);

}  // namespace

BENCHMARK_MAIN();
