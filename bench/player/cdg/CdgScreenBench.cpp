// Packet execution throughput (karaoke-like, colour-load-heavy and tile-only streams) and
// the cost of composing a frame after one change and after a colour load.
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/display/Display.h"
#include "player/cdg/CdgScreen.h"
#include "tools/cdgauthor/MixedStream.h"
#include "tools/cdgauthor/SyntheticTrack.h"

namespace {

// Packets between two frames of the player's tick at its default 25 frames/s.
constexpr int kPacketsPerFrame = 300 / 25;

struct ScreenOnDisplay {
    ScreenOnDisplay() : display(display::PixelFormat::Xrgb8888()) {
        display::CDisplay::SetCurrent(&display);
        screen = std::make_unique<CCdgScreen>();
    }
    ~ScreenOnDisplay() {
        screen.reset();
        display::CDisplay::SetCurrent(nullptr);
    }
    // A render pass as the video window makes it.
    void Compose() {
        tindlib::CScopedLock hold(screen->GetLock());
        screen->EnsureSurfaces();
        benchmark::DoNotOptimize(screen->ComposeFrame());
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

const std::vector<CCdgPacket>& KaraokeLike() {
    static const std::vector<CCdgPacket> packets = Parse(cdgauthor::MakeSyntheticTrack(240.0));
    return packets;
}

const std::vector<CCdgPacket>& ColorLoadHeavy() {
    static const std::vector<CCdgPacket> packets =
        Parse(cdgauthor::MakeMixedStream(cdgauthor::StreamMix::ColorLoadHeavy(), 1));
    return packets;
}

const std::vector<CCdgPacket>& TileBlocks() {
    static const std::vector<CCdgPacket> packets =
        Parse(cdgauthor::MakeMixedStream(cdgauthor::StreamMix::TileBlocksOnly(), 1));
    return packets;
}

// The whole stream, then one render pass (which brings the surfaces up to date).
void RunStream(benchmark::State& state, const std::vector<CCdgPacket>& packets) {
    ScreenOnDisplay s;
    for (auto _ : state) {
        for (const CCdgPacket& p : packets) {
            benchmark::DoNotOptimize(s.screen->Execute(p));
        }
        s.Compose();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(packets.size()));
}

// The stream as the player plays it: a render pass after every 12 packets (25 frames/s).
void RunStreamWithFrames(benchmark::State& state, const std::vector<CCdgPacket>& packets) {
    ScreenOnDisplay s;
    for (auto _ : state) {
        for (size_t i = 0; i < packets.size(); ++i) {
            benchmark::DoNotOptimize(s.screen->Execute(packets[i]));
            if (i % kPacketsPerFrame == kPacketsPerFrame - 1) {
                s.Compose();
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(packets.size()));
}

void BM_ExecuteKaraokeLike(benchmark::State& state) {
    RunStream(state, KaraokeLike());
}
BENCHMARK(BM_ExecuteKaraokeLike)->Unit(benchmark::kMillisecond);

void BM_ExecuteColorLoadHeavy(benchmark::State& state) {
    RunStream(state, ColorLoadHeavy());
}
BENCHMARK(BM_ExecuteColorLoadHeavy)->Unit(benchmark::kMillisecond);

void BM_ExecuteTileBlocks(benchmark::State& state) {
    RunStream(state, TileBlocks());
}
BENCHMARK(BM_ExecuteTileBlocks)->Unit(benchmark::kMillisecond);

void BM_PlayColorLoadHeavyWithFrames(benchmark::State& state) {
    RunStreamWithFrames(state, ColorLoadHeavy());
}
BENCHMARK(BM_PlayColorLoadHeavyWithFrames)->Unit(benchmark::kMillisecond);

void BM_ComposeUnchangedFrame(benchmark::State& state) {
    ScreenOnDisplay s;
    for (auto _ : state) {
        s.Compose();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ComposeUnchangedFrame);

// One tile block, then a frame: the cost of a tick after a single change.
void BM_ComposeAfterOneTile(benchmark::State& state) {
    ScreenOnDisplay s;
    cdgauthor::TileLines lines{};
    lines.fill(0x2A);
    const CCdgPacket tile(cdgauthor::TileBlock(1, 2, 7, 20, lines, true).data());
    s.Compose();
    for (auto _ : state) {
        s.screen->Execute(tile);
        s.Compose();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ComposeAfterOneTile);

// A colour load that changes the palette, then a frame: every pixel shown anew.
void BM_ComposeAfterColorLoad(benchmark::State& state) {
    ScreenOnDisplay s;
    for (const CCdgPacket& p : ColorLoadHeavy()) {
        s.screen->Execute(p);
    }
    const std::array<cdgauthor::Rgb12, 8> a = {0x000, 0xFFF, 0x22A, 0xFF0, 0x0AF, 0xF40, 0x4F4};
    const std::array<cdgauthor::Rgb12, 8> b = {0x111, 0xEEE, 0x33B, 0xEE1, 0x1BE, 0xE51, 0x5E5};
    const CCdgPacket loads[2] = {CCdgPacket(cdgauthor::LoadColors(false, a).data()),
                                 CCdgPacket(cdgauthor::LoadColors(false, b).data())};
    s.Compose();
    int n = 0;
    for (auto _ : state) {
        s.screen->Execute(loads[n++ & 1]);
        s.Compose();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ComposeAfterColorLoad);

}  // namespace

BENCHMARK_MAIN();
