// Synthetic karaoke-like track generation.
#include "tools/cdgauthor/SyntheticTrack.h"

#include <random>

namespace cdgauthor {

namespace {

constexpr double kPageSeconds = 30.0;
constexpr int kLinesPerPage = 4;
constexpr int kFirstColumn = 2;
constexpr int kLastColumn = 47;

// A glyph-like tile: a frame with a random inner pattern.
TileLines GlyphTile(std::mt19937& rng) {
    TileLines lines{};
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        lines[i] = static_cast<uint8_t>((rng() & 0x1E) | 0x20);
    }
    return lines;
}

}  // namespace

CdgTrackWriter MakeSyntheticTrack(double dSeconds, uint32_t nSeed) {
    std::mt19937 rng(nSeed);
    CdgTrackWriter track;
    const int64_t nTotal = CdgTrackWriter::PacketAt(dSeconds);
    const std::array<Rgb12, 8> low = {0x000, 0xFFF, 0x22A, 0xFF0, 0x0AF, 0xF40, 0x4F4, 0x888};
    const std::array<Rgb12, 8> high = {0x123, 0x456, 0x789, 0xABC, 0xDEF, 0xF0F, 0x0FF, 0xF00};

    for (int page = 0; page * kPageSeconds < dSeconds; ++page) {
        const double start = page * kPageSeconds;
        int64_t at = CdgTrackWriter::PacketAt(start);
        if (page > 0 && page % 2 == 0) {
            // Roll the old page up and away, a tile row a step.
            for (int step = 0; step < 6; ++step) {
                at = track.PutFrom(at,
                                   Scroll(false, 0, ScrollMove::None, 0, ScrollMove::LeftOrUp, 0));
                at += 2;
            }
        }
        for (int repeat = 0; repeat < 16; ++repeat) {
            at = track.PutFrom(at, MemoryPreset(0, repeat)) + 1;
        }
        at = track.PutFrom(at, BorderPreset(2)) + 1;
        at = track.PutFrom(at, LoadColors(false, low)) + 1;
        at = track.PutFrom(at, LoadColors(true, high)) + 1;

        // Each line is drawn, then sung: its tiles highlighted over the following seconds.
        const double lineSeconds = kPageSeconds / kLinesPerPage;
        for (int line = 0; line < kLinesPerPage; ++line) {
            const int row = 3 + 3 * line;
            const double lineStart = start + 1.0 + line * lineSeconds;
            if (lineStart + lineSeconds > dSeconds) {
                break;  // the line would not be finished before the end
            }
            int64_t drawAt = CdgTrackWriter::PacketAt(lineStart);
            for (int column = kFirstColumn; column <= kLastColumn; ++column) {
                const TileLines glyph = GlyphTile(rng);
                drawAt = track.PutFrom(drawAt, TileBlock(0, 1, row, column, glyph)) + 1;
                drawAt = track.PutFrom(drawAt, TileBlock(0, 1, row + 1, column, glyph)) + 1;
            }
            const int nColumns = kLastColumn - kFirstColumn + 1;
            const double singStart = lineStart + 1.0;
            const double singSeconds = lineSeconds - 2.0;
            for (int column = kFirstColumn; column <= kLastColumn; ++column) {
                const double t = singStart + singSeconds * (column - kFirstColumn) / nColumns;
                int64_t hiAt = CdgTrackWriter::PacketAt(t);
                TileLines all;
                all.fill(0x3F);
                hiAt = track.PutFrom(hiAt, TileBlock(0, 3, row, column, all, true)) + 1;
                track.PutFrom(hiAt, TileBlock(0, 3, row + 1, column, all, true));
            }
        }
    }
    track.PadTo(nTotal);
    return track;
}

}  // namespace cdgauthor
