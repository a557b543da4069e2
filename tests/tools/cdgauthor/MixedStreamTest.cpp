// Tests of the mixed benchmark streams: the counts of each kind, padding, placement and
// determinism for a seed.
#include <map>
#include <tuple>

#include <gtest/gtest.h>

#include "tools/cdgauthor/MixedStream.h"

namespace {

using cdgauthor::CdgTrackWriter;
using cdgauthor::MakeMixedStream;
using cdgauthor::StreamMix;

// Packets per (command, instruction), memory presets split by their repeat value.
std::map<std::tuple<int, int, int>, int> Census(const CdgTrackWriter& track) {
    std::map<std::tuple<int, int, int>, int> counts;
    for (int64_t i = 0; i < track.GetPacketCount(); ++i) {
        const auto& p = track.GetPacket(i);
        counts[{p[0], p[1], p[1] == 1 ? p[5] : 0}]++;
    }
    return counts;
}

TEST(MixedStreamTest, HoldsEveryKindInItsCountAndPadsTheRest) {
    struct Case {
        const char* name;
        StreamMix mix;
    };
    const Case cases[] = {{"colour-heavy", StreamMix::ColorLoadHeavy()},
                          {"tiles", StreamMix::TileBlocksOnly()},
                          {"small", {500, 3, 4, 5, 6, 7, 8}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CdgTrackWriter track = MakeMixedStream(c.mix, 3);
        ASSERT_EQ(track.GetPacketCount(), c.mix.nPackets);
        auto counts = Census(track);
        const int nLoads = counts[{9, 30, 0}] + counts[{9, 31, 0}];
        EXPECT_EQ(nLoads, c.mix.nColorLoads);
        EXPECT_EQ((counts[{9, 2, 0}]), c.mix.nBorderPresets);
        EXPECT_EQ((counts[{9, 1, 0}]), c.mix.nMemoryPresets) << "every preset has repeat 0";
        EXPECT_EQ((counts[{9, 20, 0}] + counts[{9, 24, 0}]), c.mix.nScrolls);
        EXPECT_EQ((counts[{9, 6, 0}]), c.mix.nTileBlocks);
        EXPECT_EQ((counts[{9, 38, 0}]), c.mix.nXorTileBlocks);
        EXPECT_EQ((counts[{0, 0, 0}]), c.mix.nPackets - c.mix.Instructions());
        if (c.mix.nColorLoads > 20) {
            EXPECT_GT((counts[{9, 30, 0}]), 0) << "both halves of the table are loaded";
            EXPECT_GT((counts[{9, 31, 0}]), 0);
        }
    }
}

TEST(MixedStreamTest, SpreadsInstructionsOverTheWholeTrack) {
    const CdgTrackWriter track = MakeMixedStream(StreamMix::ColorLoadHeavy(), 1);
    // Each quarter holds roughly a quarter of the instructions.
    const int64_t nQuarter = track.GetPacketCount() / 4;
    for (int q = 0; q < 4; ++q) {
        int n = 0;
        for (int64_t i = q * nQuarter; i < (q + 1) * nQuarter; ++i) {
            n += track.GetPacket(i)[0] == 9;
        }
        EXPECT_NEAR(n, StreamMix::ColorLoadHeavy().Instructions() / 4, 400) << "quarter " << q;
    }
}

TEST(MixedStreamTest, SameSeedSameStreamOtherSeedOtherStream) {
    const StreamMix mix{2000, 10, 10, 10, 10, 100, 100};
    const CdgTrackWriter a = MakeMixedStream(mix, 7);
    const CdgTrackWriter b = MakeMixedStream(mix, 7);
    const CdgTrackWriter c = MakeMixedStream(mix, 8);
    int nDiffer = 0;
    for (int64_t i = 0; i < mix.nPackets; ++i) {
        ASSERT_EQ(a.GetPacket(i), b.GetPacket(i)) << i;
        nDiffer += a.GetPacket(i) != c.GetPacket(i);
    }
    EXPECT_GT(nDiffer, 100);
}

TEST(MixedStreamTest, MixThatDoesNotFitGivesAnEmptyTrack) {
    EXPECT_EQ(MakeMixedStream({10, 0, 0, 0, 0, 6, 6}, 1).GetPacketCount(), 0);
    EXPECT_EQ(MakeMixedStream({10, 0, 0, -1, 0, 0, 0}, 1).GetPacketCount(), 0);
    EXPECT_EQ(MakeMixedStream({0, 0, 0, 0, 0, 0, 0}, 1).GetPacketCount(), 0);
    EXPECT_EQ(MakeMixedStream({12, 0, 0, 0, 0, 6, 6}, 1).GetPacketCount(), 12) << "a full track";
}

TEST(MixedStreamTest, NamedMixes) {
    EXPECT_EQ(StreamMix::Named("colour-heavy")->nColorLoads, 658);
    EXPECT_EQ(StreamMix::Named("tiles")->nTileBlocks + StreamMix::Named("tiles")->nXorTileBlocks,
              72000);
    EXPECT_FALSE(StreamMix::Named("Colour-Heavy").has_value());
    EXPECT_FALSE(StreamMix::Named("").has_value());
}

}  // namespace
