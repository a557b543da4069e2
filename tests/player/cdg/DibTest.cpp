// Bitmap geometry (bottom-up rows, padded stride), Fill, ownership hand-over, colour decoding.
#include <algorithm>
#include <array>

#include <gtest/gtest.h>

#include "player/cdg/CdgColor.h"
#include "player/cdg/Dib.h"

// The CD+G picture: 300 x 216 at one byte a pixel; 300 is a multiple of 4, so rows need no
// padding and the image is exactly width x height bytes.
TEST(Dib, ScreenBitmapGeometry) {
    constexpr int kWidth = 300, kHeight = 216, kBytes = kWidth * kHeight;
    CDib dib;
    ASSERT_TRUE(dib.Create(8, kWidth, kHeight));
    EXPECT_EQ(dib.GetWidth(), kWidth);
    EXPECT_EQ(dib.GetHeight(), kHeight);
    EXPECT_EQ(dib.GetHeader()->biSizeImage, static_cast<uint32_t>(kBytes));
    EXPECT_EQ(dib.GetHeader()->biXPelsPerMeter, 2880);
    // Bottom-up: the top row is the last in memory.
    EXPECT_EQ(dib.GetPixelAddress(0, 0), dib.GetBits() + kWidth * (kHeight - 1));
    EXPECT_EQ(dib.GetPixelAddress(kWidth - 1, kHeight - 1), dib.GetBits() + kWidth - 1);
    EXPECT_EQ(std::count(dib.GetBits(), dib.GetBits() + kBytes, 0), kBytes);
}

TEST(Dib, FillLeavesRowPaddingAlone) {
    CDib dib;
    ASSERT_TRUE(dib.Create(8, 3, 2));
    EXPECT_EQ(dib.GetStride(), 4);
    ASSERT_TRUE(dib.Fill(7));
    EXPECT_TRUE(std::equal(dib.GetBits(), dib.GetBits() + 8,
                           std::array<uint8_t, 8>{7, 7, 7, 0, 7, 7, 7, 0}.begin()));
    CDib wide;
    ASSERT_TRUE(wide.Create(24, 2, 2));
    EXPECT_FALSE(wide.Fill(1)) << "only 8-bit bitmaps are filled";
    CDib empty;
    EXPECT_FALSE(empty.Fill(1));
    EXPECT_EQ(empty.GetPixelAddress(0, 0), nullptr);
    EXPECT_EQ(empty.GetWidth(), 0);
}

TEST(Dib, HandOverMovesBlocksWithoutCopying) {
    CDib target;
    ASSERT_TRUE(target.Create(8, 4, 4));
    uint8_t* bits;
    {
        CDib source;
        ASSERT_TRUE(source.Create(8, 4, 4));
        *source.GetPixelAddress(1, 1) = 9;
        bits = source.GetBits();
        target.AdoptMemoryOf(source);
        EXPECT_FALSE(source.m_bOwnsMemory);
    }  // source's destruction must not free the adopted blocks (ASan would see it)
    EXPECT_EQ(target.GetBits(), bits);
    EXPECT_EQ(*target.GetPixelAddress(1, 1), 9);
}

TEST(Dib, FailedAllocationLeavesItEmpty) {
    CDib dib;
    ASSERT_TRUE(dib.Create(8, 4, 4));
    CDib::SimulateAllocationFailure(true);
    EXPECT_FALSE(dib.Create(8, 4, 4));
    CDib::SimulateAllocationFailure(false);
    EXPECT_EQ(dib.GetBits(), nullptr);
    EXPECT_EQ(dib.GetHeader(), nullptr);
    EXPECT_FALSE(dib.Fill(0));
}

TEST(CdgColor, LevelsAreTimesSixteen) {
    EXPECT_EQ(DecodeCdgColor(0x3F, 0x3F), 0x00F0F0F0u);
    EXPECT_EQ(DecodeCdgColor(0x3C, 0x0F), 0x00F000F0u);
    EXPECT_EQ(DecodeCdgColor(0x01, 0x20), 0x00006000u);
    EXPECT_EQ(DecodeCdgColor(0x04, 0x01), 0x00100010u);
}
