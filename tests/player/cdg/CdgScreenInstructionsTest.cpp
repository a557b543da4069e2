// Every instruction's exact effect on the picture, palette, border, offsets and rebuild flag.
#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "ScreenFixture.h"

using namespace cdgauthor;

namespace {

constexpr auto kPicturePixels = kCdgPictureWidth * kCdgPictureHeight;  // 300 x 216

using Instructions = ScreenFixture;

TEST_F(Instructions, NonGraphicsUnknownAndTransparentChangeNothing) {
    LoadDistinctPalette();
    PaintPattern();
    const auto before = Snapshot();
    EXPECT_TRUE(Run(Raw(8, 0, {1, 2})));
    EXPECT_TRUE(Run(Raw(9, 0, {5})));
    EXPECT_FALSE(Run(Raw(8, 1, {5, 0})));
    for (int code : {3, 4, 5, 7, 19, 21, 23, 25, 27, 29, 32, 37, 39, 63}) {
        EXPECT_FALSE(Run(Raw(9, static_cast<uint8_t>(code), {5, 0, 1, 1}))) << code;
    }
    EXPECT_TRUE(Run(DefineTransparent(5))) << "accepted and ignored";
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(m_pScreen->GetBorderColor(), 0);
    EXPECT_EQ(m_pScreen->GetPaletteEntry(5), 0x0030A050u);
}

TEST_F(Instructions, MemoryPresetActsOnlyOnRepeatZero) {
    Run(Scroll(false, 0, ScrollMove::None, 3, ScrollMove::None, 7));
    EXPECT_TRUE(Run(MemoryPreset(5, 1)));
    EXPECT_EQ(At(0, 0), 0);
    EXPECT_EQ(m_pScreen->GetHOffset(), 3);
    EXPECT_TRUE(Run(MemoryPreset(5, 0)));
    const auto all = Snapshot();
    EXPECT_EQ(std::count(all.begin(), all.end(), 5), kPicturePixels);
    EXPECT_EQ(m_pScreen->GetHOffset(), 0);
    EXPECT_EQ(m_pScreen->GetVOffset(), 0);
    EXPECT_EQ(m_pScreen->GetBorderColor(), 0);
    EXPECT_FALSE(m_pScreen->GetRebuild());
}

TEST_F(Instructions, BorderPresetMarksBorderOnly) {
    m_pScreen->ComposeFrame();
    ASSERT_FALSE(m_pScreen->IsBorderDirty());
    const auto before = Snapshot();
    EXPECT_TRUE(Run(BorderPreset(0x3B)));  // only the low four bits count
    EXPECT_EQ(m_pScreen->GetBorderColor(), 11);
    EXPECT_TRUE(m_pScreen->IsBorderDirty());
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(Instructions, TileBlockDrawsBitsLeftmostFirst) {
    TileLines lines{};
    lines.fill(0x20);
    lines[11] = 0x01;
    EXPECT_TRUE(Run(TileBlock(2, 9, 1, 2, lines)));
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(At(12, 12 + i), 9);
        for (int j = 1; j < 6; ++j) {
            EXPECT_EQ(At(12 + j, 12 + i), 2);
        }
    }
    EXPECT_EQ(At(12, 23), 2);
    EXPECT_EQ(At(17, 23), 9);
    EXPECT_EQ(At(11, 12), 0) << "nothing left of the tile";
    EXPECT_EQ(At(18, 12), 0) << "nothing right of the tile";
    EXPECT_EQ(At(12, 24), 0) << "nothing below the tile";
}

TEST_F(Instructions, TileRowAndColumnAreMaskedThenClamped) {
    EXPECT_TRUE(Run(TileBlock(0, 4, 20, 60, kAllOn)));  // row 20 -> 17, column 60 -> 49
    EXPECT_EQ(At(294, 204), 4);
    EXPECT_EQ(At(299, 215), 4);
    EXPECT_EQ(At(293, 204), 0);
    EXPECT_EQ(At(294, 203), 0);
    // Row symbol 0x3F is five bits (31) after masking, then clamped to 17.
    auto raw = TileBlock(0, 6, 0, 0, kAllOn);
    raw[4 + 2] = 0x3F;
    EXPECT_TRUE(Run(raw));
    EXPECT_EQ(At(0, 204), 6);
}

TEST_F(Instructions, XorTileTwiceRestoresThePicture) {
    PaintPattern();
    const auto before = Snapshot();
    const TileLines lines = {0x2A, 0x15, 0x3F, 0x00, 0x01, 0x20,
                             0x33, 0x0C, 0x2A, 0x15, 0x07, 0x38};
    const int x0 = 6 * 4, y0 = 12 * 3;
    const uint8_t old = At(x0, y0);
    EXPECT_TRUE(Run(TileBlock(3, 12, 3, 4, lines, true)));
    EXPECT_EQ(At(x0, y0), old ^ 12) << "bit set: colour1 XOR the old index";
    EXPECT_EQ(At(x0 + 1, y0), old ^ 3) << "bit clear: colour0 XOR the old index";
    EXPECT_NE(Snapshot(), before);
    EXPECT_TRUE(Run(TileBlock(3, 12, 3, 4, lines, true)));
    EXPECT_EQ(Snapshot(), before);
}

// A moving scroll shifts the whole picture by a tile: a copy wraps what falls off one edge
// round to the other, a preset fills what is uncovered with its colour.
struct ScrollCase {
    const char* name;
    bool bCopy;
    ScrollMove h, v;
};

int Shift(ScrollMove move, int nTile) {
    switch (static_cast<int>(move)) {
        case 1:
            return nTile;  // right or down
        case 2:
        case 3:  // command 3 acts as 2
            return -nTile;
        default:
            return 0;
    }
}

TEST_F(Instructions, ScrollMovesThePictureByATile) {
    const ScrollCase cases[] = {
        {"copy left", true, ScrollMove::LeftOrUp, ScrollMove::None},
        {"copy command 3", true, static_cast<ScrollMove>(3), ScrollMove::None},
        {"preset down", false, ScrollMove::None, ScrollMove::RightOrDown},
        {"copy right and up", true, ScrollMove::RightOrDown, ScrollMove::LeftOrUp},
        {"preset right and up", false, ScrollMove::RightOrDown, ScrollMove::LeftOrUp},
        {"preset left and down", false, ScrollMove::LeftOrUp, ScrollMove::RightOrDown},
    };
    for (const ScrollCase& c : cases) {
        SCOPED_TRACE(c.name);
        PaintPattern();
        const auto before = Snapshot();
        EXPECT_TRUE(Run(Scroll(c.bCopy, 9, c.h, 0, c.v, 0)));
        EXPECT_TRUE(m_pScreen->GetRebuild()) << "a moving scroll leaves every pixel to convert";
        const int dx = Shift(c.h, 6), dy = Shift(c.v, 12);
        for (int y = 0; y < kCdgPictureHeight; ++y) {
            for (int x = 0; x < kCdgPictureWidth; ++x) {
                const int sx = x - dx, sy = y - dy;
                const bool bUncovered =
                    sx < 0 || sx >= kCdgPictureWidth || sy < 0 || sy >= kCdgPictureHeight;
                const int expected =
                    !c.bCopy && bUncovered
                        ? 9
                        : before[((sy + kCdgPictureHeight) % kCdgPictureHeight) * kCdgPictureWidth +
                                 (sx + kCdgPictureWidth) % kCdgPictureWidth];
                ASSERT_EQ(At(x, y), expected) << x << "," << y;
            }
        }
    }
}

TEST_F(Instructions, ScrollWithoutCommandsStoresOffsetsOnly) {
    PaintPattern();
    const auto before = Snapshot();
    EXPECT_TRUE(Run(Raw(9, kCdgScrollCopy, {0, 0x05, 0x0B})));
    EXPECT_EQ(m_pScreen->GetHOffset(), 5);
    EXPECT_EQ(m_pScreen->GetVOffset(), 11);
    EXPECT_FALSE(m_pScreen->GetRebuild());
    EXPECT_TRUE(m_pScreen->HasSurfaces());
    EXPECT_EQ(Snapshot(), before);
    EXPECT_TRUE(Run(Raw(9, kCdgScrollPreset, {0, 0x0F, 0x00})));
    EXPECT_EQ(m_pScreen->GetHOffset(), 15);
    // A moving scroll stores its offsets too.
    EXPECT_TRUE(Run(Raw(9, kCdgScrollPreset, {0, 0x24, 0x1C})));
    EXPECT_EQ(m_pScreen->GetHOffset(), 4);
    EXPECT_EQ(m_pScreen->GetVOffset(), 12);
}

TEST_F(Instructions, ScrollWithoutMemoryLeavesThePicture) {
    PaintPattern();
    const auto before = Snapshot();
    CDib::SimulateAllocationFailure(true);
    const bool bResult = Run(Scroll(true, 0, ScrollMove::LeftOrUp, 2, ScrollMove::LeftOrUp, 3));
    CDib::SimulateAllocationFailure(false);
    EXPECT_TRUE(bResult);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(m_pScreen->GetHOffset(), 2) << "offsets are stored before the move";
    EXPECT_EQ(m_pScreen->GetVOffset(), 3);
    EXPECT_FALSE(m_pScreen->GetRebuild());
}

TEST_F(Instructions, ColourLoadsFillTheirHalfAndRebuild) {
    std::array<Rgb12, 8> colors{};
    colors[0] = 0xFFF;
    colors[7] = 0xF0F;
    EXPECT_TRUE(Run(LoadColors(true, colors)));
    EXPECT_EQ(m_pScreen->GetPaletteEntry(8), 0x00F0F0F0u);
    EXPECT_EQ(m_pScreen->GetPaletteEntry(15), 0x00F000F0u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(m_pScreen->GetPaletteEntry(i), 0u);
    }
    EXPECT_TRUE(m_pScreen->GetRebuild());
    EXPECT_TRUE(m_pScreen->IsBorderDirty());
    colors[0] = 0x060;
    EXPECT_TRUE(Run(LoadColors(false, colors)));
    EXPECT_EQ(m_pScreen->GetPaletteEntry(0), 0x00006000u);
    EXPECT_EQ(m_pScreen->GetPaletteEntry(8), 0x00F0F0F0u);
    // The rebuild flag describes the last packet only.
    EXPECT_TRUE(Run(BorderPreset(1)));
    EXPECT_FALSE(m_pScreen->GetRebuild());
}

TEST_F(Instructions, ClearBlanksPictureAndPaletteOnly) {
    LoadDistinctPalette();
    PaintPattern();
    Run(BorderPreset(4));
    Run(Raw(9, kCdgScrollCopy, {0, 0x03, 0x09}));
    m_pScreen->Clear();
    const auto all = Snapshot();
    EXPECT_EQ(std::count(all.begin(), all.end(), 0), kPicturePixels);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(m_pScreen->GetPaletteEntry(i), 0u);
    }
    EXPECT_EQ(m_pScreen->GetBorderColor(), 4);
    EXPECT_EQ(m_pScreen->GetHOffset(), 3);
    EXPECT_EQ(m_pScreen->GetVOffset(), 9);
    EXPECT_FALSE(m_pScreen->HasSurfaces());
}

}  // namespace
