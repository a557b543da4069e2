// Mixed instruction streams at random places.
#include "tools/cdgauthor/MixedStream.h"

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

namespace cdgauthor {

namespace {

// Four minutes of packets: 240 s x 300 packets/s.
constexpr int64_t kFourMinutes = 240 * 300;

enum class EKind : uint8_t { ColorLoad, BorderPreset, MemoryPreset, Scroll, Tile, XorTile };

struct Random {
    explicit Random(uint32_t nSeed) : rng(nSeed) {}
    int Below(int n) { return static_cast<int>(rng() % static_cast<uint32_t>(n)); }
    bool Coin() { return (rng() & 1) != 0; }
    // Fisher-Yates with the engine's own draws, so a seed gives the same stream with every
    // standard library (std::shuffle's draws are the library's choice).
    template <typename T>
    void Shuffle(std::vector<T>& v) {
        for (size_t i = v.size(); i > 1; --i) {
            std::swap(v[i - 1], v[rng() % i]);
        }
    }
    std::mt19937 rng;
};

RawPacket MakePacket(EKind kind, Random& r) {
    switch (kind) {
        case EKind::ColorLoad: {
            std::array<Rgb12, 8> colors{};
            for (Rgb12& c : colors) {
                c = static_cast<Rgb12>(r.Below(0x1000));
            }
            return LoadColors(r.Coin(), colors);
        }
        case EKind::BorderPreset:
            return BorderPreset(r.Below(16));
        case EKind::MemoryPreset:
            return MemoryPreset(r.Below(16), 0);
        case EKind::Scroll:
            return Scroll(r.Coin(), r.Below(16), static_cast<ScrollMove>(r.Below(3)), r.Below(16),
                          static_cast<ScrollMove>(r.Below(3)), r.Below(16));
        case EKind::Tile:
        case EKind::XorTile:
        default: {
            TileLines lines;
            for (uint8_t& l : lines) {
                l = static_cast<uint8_t>(r.Below(64));
            }
            const int c0 = r.Below(16);
            const int c1 = r.Below(16);
            const int row = r.Below(18);
            const int column = r.Below(50);
            return TileBlock(c0, c1, row, column, lines, kind == EKind::XorTile);
        }
    }
}

}  // namespace

StreamMix StreamMix::ColorLoadHeavy() {
    return {kFourMinutes, 658, 242, 128, 106, 12700, 7700};
}

StreamMix StreamMix::TileBlocksOnly() {
    return {kFourMinutes, 0, 0, 0, 0, kFourMinutes / 2, kFourMinutes / 2};
}

std::optional<StreamMix> StreamMix::Named(const std::string& name) {
    if (name == "colour-heavy") {
        return ColorLoadHeavy();
    }
    if (name == "tiles") {
        return TileBlocksOnly();
    }
    return std::nullopt;
}

CdgTrackWriter MakeMixedStream(const StreamMix& mix, uint32_t nSeed) {
    CdgTrackWriter track;
    const int64_t nInstructions = mix.Instructions();
    if (mix.nPackets <= 0 || nInstructions > mix.nPackets ||
        std::min({mix.nColorLoads, mix.nBorderPresets, mix.nMemoryPresets, mix.nScrolls,
                  mix.nTileBlocks, mix.nXorTileBlocks}) < 0) {
        return track;
    }
    std::vector<EKind> kinds;
    kinds.reserve(static_cast<size_t>(nInstructions));
    auto add = [&kinds](EKind kind, int nCount) { kinds.insert(kinds.end(), nCount, kind); };
    add(EKind::ColorLoad, mix.nColorLoads);
    add(EKind::BorderPreset, mix.nBorderPresets);
    add(EKind::MemoryPreset, mix.nMemoryPresets);
    add(EKind::Scroll, mix.nScrolls);
    add(EKind::Tile, mix.nTileBlocks);
    add(EKind::XorTile, mix.nXorTileBlocks);

    // A random order of the instructions, then random slots for them in the timeline.
    Random r(nSeed);
    r.Shuffle(kinds);
    std::vector<int64_t> slots(static_cast<size_t>(mix.nPackets));
    std::iota(slots.begin(), slots.end(), int64_t{0});
    r.Shuffle(slots);
    slots.resize(kinds.size());
    std::sort(slots.begin(), slots.end());

    track.PadTo(mix.nPackets);
    for (size_t i = 0; i < kinds.size(); ++i) {
        track.Put(slots[i], MakePacket(kinds[i], r));
    }
    return track;
}

}  // namespace cdgauthor
