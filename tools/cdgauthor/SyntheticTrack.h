// A generated karaoke-like packet stream: pages of tile text highlighted with XOR tiles,
// colour loads, border and memory presets, scrolls, and mostly padding in between.
#pragma once

#include <cstdint>

#include "tools/cdgauthor/CdgTrackWriter.h"

namespace cdgauthor {

// A page every 30 s (memory preset, border, palette), lines of "words" drawn tile by tile
// and then highlighted, and a scroll between some pages. Deterministic for a seed.
CdgTrackWriter MakeSyntheticTrack(double dSeconds, uint32_t nSeed = 1);

}  // namespace cdgauthor
