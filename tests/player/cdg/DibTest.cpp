// Bitmap geometry (bottom-up rows, padded stride), Fill, ownership hand-over, colour decoding.
#include <gtest/gtest.h>

#include "player/cdg/CdgColor.h"
#include "player/cdg/Dib.h"

namespace {

// The CD+G picture: 300 x 216 at one byte a pixel; 300 is a multiple of 4, so rows need no
// padding and the image is exactly width x height bytes.
constexpr int kPictureWidth = 300;
constexpr int kPictureHeight = 216;
constexpr int kPictureBytes = kPictureWidth * kPictureHeight;  // 64800

}  // namespace

TEST(Dib, ScreenBitmapGeometry) {
    CDib dib;
    ASSERT_TRUE(dib.Create(8, kPictureWidth, kPictureHeight));
    EXPECT_EQ(dib.GetWidth(), kPictureWidth);
    EXPECT_EQ(dib.GetHeight(), kPictureHeight);
    EXPECT_EQ(dib.GetHeader()->biSizeImage, static_cast<uint32_t>(kPictureBytes));
    EXPECT_EQ(dib.GetHeader()->biXPelsPerMeter, 2880);
    // Bottom-up: the top row is the last in memory.
    EXPECT_EQ(dib.GetPixelAddress(0, 0), dib.GetBits() + kPictureWidth * (kPictureHeight - 1));
    EXPECT_EQ(dib.GetPixelAddress(kPictureWidth - 1, kPictureHeight - 1),
              dib.GetBits() + kPictureWidth - 1);
    for (int i = 0; i < kPictureBytes; ++i) {
        ASSERT_EQ(dib.GetBits()[i], 0);
    }
}

TEST(Dib, FillLeavesRowPaddingAlone) {
    CDib dib;
    ASSERT_TRUE(dib.Create(8, 3, 2));
    EXPECT_EQ(dib.GetStride(), 4);
    ASSERT_TRUE(dib.Fill(7));
    const uint8_t expected[] = {7, 7, 7, 0, 7, 7, 7, 0};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(dib.GetBits()[i], expected[i]) << i;
    }
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
