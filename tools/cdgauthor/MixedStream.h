// Generated packet streams that mix instructions in given proportions at random places:
// the workloads the engine's benchmarks and golden checks run on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tools/cdgauthor/CdgTrackWriter.h"

namespace cdgauthor {

// How many packets of each kind a stream holds; the rest of nPackets is padding.
struct StreamMix {
    int64_t nPackets = 0;
    int nColorLoads = 0;
    int nBorderPresets = 0;
    int nMemoryPresets = 0;
    int nScrolls = 0;
    int nTileBlocks = 0;
    int nXorTileBlocks = 0;

    int64_t Instructions() const {
        return int64_t{nColorLoads} + nBorderPresets + nMemoryPresets + nScrolls + nTileBlocks +
               nXorTileBlocks;
    }

    // Four minutes shaped like a karaoke disc that fades and highlights with colour loads,
    // border presets and scrolls (72 000 packets, 21 534 of them instructions).
    static StreamMix ColorLoadHeavy();
    // Four minutes of tile blocks only, normal and XOR half and half.
    static StreamMix TileBlocksOnly();
    // "colour-heavy" or "tiles"; nothing for any other name.
    static std::optional<StreamMix> Named(const std::string& name);
};

// Places the mix's instructions at random packet indices, each with random parameters:
// colours, tile positions and lines, scroll directions and offsets, both colour-table
// halves. Every memory preset has repeat 0, so each one clears the picture. Deterministic
// for a seed. An empty track when the instructions do not fit into nPackets.
CdgTrackWriter MakeMixedStream(const StreamMix& mix, uint32_t nSeed);

}  // namespace cdgauthor
