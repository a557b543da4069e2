// Software surfaces: pitch, lock bookkeeping, blits (same size, clipped, stretched), failures.
#include <gtest/gtest.h>

#include "platform/display/Display.h"

using namespace display;

namespace {

void Paint(CDisplaySurface& s, uint32_t (*value)(int x, int y)) {
    SurfaceDesc d;
    ASSERT_TRUE(s.Lock(d));
    const int nBytes = d.format.BytesPerPixel();
    for (int y = 0; y < d.nHeight; ++y) {
        for (int x = 0; x < d.nWidth; ++x) {
            const uint32_t v = value(x, y);
            for (int i = 0; i < nBytes; ++i) {
                d.pBits[y * d.nPitch + x * nBytes + i] = static_cast<uint8_t>(v >> (8 * i));
            }
        }
    }
    s.Unlock();
}

}  // namespace

TEST(DisplaySurface, RowsArePaddedToFourBytesForEveryFormat) {
    CDisplay d15(PixelFormat::Rgb555()), d24(PixelFormat::Rgb888()), d32;
    EXPECT_EQ(d15.CreateSurface(301, 2)->GetPitch(), 604);
    EXPECT_EQ(d24.CreateSurface(301, 2)->GetPitch(), 904);  // 903 rounded up
    EXPECT_EQ(d32.CreateSurface(301, 2)->GetPitch(), 1204);
}

TEST(DisplaySurface, LockIsExclusiveAndBlitRefusesLockedSurfaces) {
    CDisplay display;
    auto a = display.CreateSurface(4, 4);
    auto b = display.CreateSurface(4, 4);
    SurfaceDesc desc;
    ASSERT_TRUE(a->Lock(desc));
    EXPECT_FALSE(a->Lock(desc));
    EXPECT_FALSE(b->Blt({0, 0, 4, 4}, *a, {0, 0, 4, 4}));
    EXPECT_TRUE(a->Unlock());
    EXPECT_FALSE(a->Unlock());
    EXPECT_TRUE(b->Blt({0, 0, 4, 4}, *a, {0, 0, 4, 4}));
}

TEST(DisplaySurface, SameSizeBlitCopiesTheRectangleOnly) {
    CDisplay display(PixelFormat::Rgb888());
    auto src = display.CreateSurface(10, 8);
    auto dst = display.CreateSurface(12, 12);
    Paint(*src, [](int x, int y) { return static_cast<uint32_t>(0x010000 * y + x); });
    ASSERT_TRUE(dst->Blt({3, 4, 7, 7}, *src, {2, 1, 6, 4}));
    EXPECT_EQ(dst->GetPixel(3, 4), 0x010002u);
    EXPECT_EQ(dst->GetPixel(6, 6), 0x030005u);
    EXPECT_EQ(dst->GetPixel(7, 6), 0u) << "right edge is exclusive";
    EXPECT_EQ(dst->GetPixel(2, 4), 0u);
}

TEST(DisplaySurface, StretchedBlitSamplesNearestPixel) {
    CDisplay display;
    auto src = display.CreateSurface(2, 2);
    auto dst = display.CreateSurface(4, 6);
    Paint(*src, [](int x, int y) { return static_cast<uint32_t>(10 * y + x + 1); });
    ASSERT_TRUE(dst->Blt({0, 0, 4, 6}, *src, {0, 0, 2, 2}));
    EXPECT_EQ(dst->GetPixel(1, 2), 1u);
    EXPECT_EQ(dst->GetPixel(2, 2), 2u);
    EXPECT_EQ(dst->GetPixel(3, 3), 12u);
    EXPECT_EQ(dst->GetPixel(0, 5), 11u);
}

TEST(DisplaySurface, BlitIsClippedToTheDestination) {
    CDisplay display;
    auto src = display.CreateSurface(8, 8);
    auto dst = display.CreateSurface(4, 4);
    Paint(*src, [](int x, int y) { return static_cast<uint32_t>(100 * y + x); });
    ASSERT_TRUE(dst->Blt({-2, -2, 6, 6}, *src, {0, 0, 8, 8}));
    EXPECT_EQ(dst->GetPixel(0, 0), 202u);
    EXPECT_EQ(dst->GetPixel(3, 3), 505u);
}

TEST(Display, FailureRuleRefusesChosenSizesOnly) {
    CDisplay display(PixelFormat::Rgb565());
    display.SetCreationFailure([](int w, int) { return w == 320; });
    EXPECT_EQ(display.CreateSurface(320, 240), nullptr);
    ASSERT_NE(display.CreateSurface(300, 216), nullptr);
    EXPECT_EQ(display.CreateSurface(300, 216)->GetFormat(), PixelFormat::Rgb565());
    display.SetCreationFailure(nullptr);
    EXPECT_NE(display.CreateSurface(320, 240), nullptr);
    EXPECT_EQ(display.CreateSurface(0, 10), nullptr);
}
