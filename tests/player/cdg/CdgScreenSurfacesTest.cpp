// The picture mirror in display pixels, colour conversion per format, frame composition,
// and the surface failure paths.
#include <random>

#include <gtest/gtest.h>

#include "ScreenFixture.h"

using namespace cdgauthor;
using display::PixelFormat;

namespace {

struct FormatCase {
    const char* name;
    PixelFormat format;
    uint32_t white;  // ColorToPixel(0x00F0F0F0)
    uint32_t red;    // ColorToPixel(0x000000F0)
};

const FormatCase kFormats[] = {
    {"rgb555", PixelFormat::Rgb555(), 0x7BDE, 0x7800},
    {"rgb565", PixelFormat::Rgb565(), 0xF79E, 0xF000},
    {"rgb888", PixelFormat::Rgb888(), 0xF0F0F0, 0xF00000},
    {"xrgb8888", PixelFormat::Xrgb8888(), 0x00F0F0F0, 0x00F00000},
    {"bgr565", {16, 0x001F, 0x07E0, 0xF800}, 0xF79E, 0x001E},
};

TileLines RandomLines(std::mt19937& rng) {
    TileLines lines;
    for (auto& l : lines) {
        l = static_cast<uint8_t>(rng() & 0x3F);
    }
    return lines;
}

// One packet of any kind, tile blocks most often.
RawPacket RandomPacket(std::mt19937& rng, bool bPresetActs) {
    const int c0 = static_cast<int>(rng() % 16), c1 = static_cast<int>(rng() % 16);
    switch (rng() % 12) {
        case 0: {
            std::array<Rgb12, 8> colors;
            for (Rgb12& c : colors) {
                c = static_cast<Rgb12>(rng() & 0xFFF);
            }
            return LoadColors(rng() % 2 == 0, colors);
        }
        case 1:
            return BorderPreset(c0);
        case 2:
            return Scroll(rng() % 2 == 0, c0, static_cast<ScrollMove>(rng() % 3),
                          static_cast<int>(rng() % 16), static_cast<ScrollMove>(rng() % 3),
                          static_cast<int>(rng() % 16));
        case 3:
            return MemoryPreset(c0, bPresetActs ? 0 : 1);
        default:
            return TileBlock(c0, c1, static_cast<int>(rng() % 18), static_cast<int>(rng() % 50),
                             RandomLines(rng), rng() % 2 == 0);
    }
}

class SurfaceFormats : public ScreenFixture, public ::testing::WithParamInterface<FormatCase> {
protected:
    void SetUp() override { MakeScreen(GetParam().format); }
};

TEST_P(SurfaceFormats, ColorToPixelTruncatesLevelsIntoTheMasks) {
    EXPECT_EQ(m_pScreen->ColorToPixel(0x00F0F0F0), GetParam().white);
    EXPECT_EQ(m_pScreen->ColorToPixel(0x000000F0), GetParam().red);
    EXPECT_EQ(m_pScreen->ColorToPixel(0), 0u);
}

// Between two frames any mix of instructions may come, a few or hundreds; each frame and the
// picture mirror must show all of it.
TEST_P(SurfaceFormats, EveryFrameShowsEverythingSinceTheLastOne) {
    LoadDistinctPalette();
    std::mt19937 rng(7);
    for (int frame = 0; frame < 60; ++frame) {
        const int nPackets = frame % 20 == 10 ? 400 : static_cast<int>(rng() % 24);
        for (int i = 0; i < nPackets; ++i) {
            Run(RandomPacket(rng, frame % 5 == 0));
        }
        const display::CDisplaySurface* pFrame = Compose();
        ASSERT_NE(pFrame, nullptr);
        ExpectFrameShowsTheScreen(*pFrame);
        ASSERT_FALSE(HasFatalFailure()) << "frame " << frame;
    }
    ExpectMirrorMatches();
    Run(MemoryPreset(7));
    ExpectMirrorMatches();
}

TEST_P(SurfaceFormats, FrameHasBorderBandsAroundTheWindow) {
    LoadDistinctPalette();
    Run(BorderPreset(4));
    m_pScreen->SetPixel(6, 12, 9);
    m_pScreen->SetPixel(293, 203, 10);
    m_pScreen->SetPixel(5, 12, 11);  // outside the window: never shown
    const display::CDisplaySurface* pFrame = Compose();
    ASSERT_NE(pFrame, nullptr);
    ExpectFrameShowsTheScreen(*pFrame);
    ASSERT_NE(PixelOfEntry(4), PixelOfEntry(0));
    for (const auto& [x, y] : {std::pair{15, 24}, {0, 0}, {319, 239}, {16, 23}, {304, 216}}) {
        EXPECT_EQ(pFrame->GetPixel(x, y), PixelOfEntry(4)) << x << "," << y;
    }
    EXPECT_EQ(pFrame->GetPixel(16, 24), PixelOfEntry(9));
    EXPECT_EQ(pFrame->GetPixel(303, 215), PixelOfEntry(10));
    EXPECT_EQ(pFrame->GetPixel(17, 24), PixelOfEntry(0));
}

INSTANTIATE_TEST_SUITE_P(Formats, SurfaceFormats, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

using Frame = ScreenFixture;

TEST_F(Frame, FirstFrameIsAllPaletteEntryZero) {
    const display::CDisplaySurface* pFrame = Compose();
    ASSERT_NE(pFrame, nullptr);
    EXPECT_EQ(Pixels(*pFrame), std::vector<uint32_t>(kCdgFrameWidth * kCdgFrameHeight, 0u));
}

TEST_F(Frame, InstructionsLeaveTheSurfacesToTheRenderPass) {
    LoadDistinctPalette();
    const display::CDisplaySurface* pFrame = Compose();
    const display::CDisplaySurface* pPicture = m_pScreen->GetPictureSurface();
    const uint32_t entry0 = pPicture->GetPixel(30, 60);
    Run(TileBlock(0, 9, 5, 5, TileLines{0x3F, 0x3F}));
    Run(LoadColors(true, {0x00F, 0x00F, 0x00F, 0x00F, 0x00F, 0x00F, 0x00F, 0x00F}));
    EXPECT_EQ(pPicture->GetPixel(30, 60), entry0) << "nothing converted before the frame";
    EXPECT_EQ(m_pScreen->GetPictureSurface(), pPicture)
        << "the same surfaces all along; a palette load converts their pixels anew";
    EXPECT_EQ(Compose(), pFrame);
    EXPECT_EQ(pPicture->GetPixel(30, 60), 0x000000F0u) << "entry 9, now blue";
    EXPECT_EQ(pFrame->GetPixel(16 + 30 - 6, 24 + 60 - 12), 0x000000F0u);
    EXPECT_EQ(pPicture->GetPixel(30, 62), entry0) << "the tile's third line was off";
}

TEST_F(Frame, PictureLockedByAnotherUserIsUpdatedAfterItsRelease) {
    LoadDistinctPalette();
    Compose();
    ASSERT_TRUE(m_pScreen->LockPicture());
    Run(TileBlock(0, 9, 5, 5, TileLines{0x3F}));
    EXPECT_TRUE(m_pScreen->EnsureSurfaces());
    EXPECT_TRUE(m_pScreen->UnlockPicture());
    ExpectMirrorMatches();
}

TEST_F(Frame, BorderIsRepaintedOnlyWhenDirty) {
    LoadDistinctPalette();
    Run(BorderPreset(4));
    display::CDisplaySurface* pFrame = Compose();
    EXPECT_FALSE(m_pScreen->IsBorderDirty());
    // Scribble on the border: a clean border is not painted again...
    display::SurfaceDesc desc;
    ASSERT_TRUE(pFrame->Lock(desc));
    desc.pBits[0] = 0x12;
    pFrame->Unlock();
    Compose();
    EXPECT_EQ(pFrame->GetPixel(0, 0) & 0xFF, 0x12u);
    // ...until a border preset dirties it.
    Run(BorderPreset(4));
    Compose();
    EXPECT_EQ(pFrame->GetPixel(0, 0), PixelOfEntry(4));
}

TEST_F(Frame, OffsetsMoveTheWindowAndLargeOnesAreClamped) {
    for (int x = 0; x < 300; ++x) {
        for (int y = 0; y < 216; ++y) {
            m_pScreen->SetPixel(x, y, (x + y) % 2 == 0 ? ((x / 7 + y / 5) % 15) + 1 : 0);
        }
    }
    LoadDistinctPalette();
    struct Case {
        int h, v;
        display::Rect window;
    };
    const Case cases[] = {{0, 0, {6, 12, 294, 204}},
                          {5, 11, {11, 23, 299, 215}},
                          {6, 12, {12, 24, 300, 216}},
                          {15, 15, {12, 24, 300, 216}}};  // beyond the picture: clamped
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "offsets " << c.h << "," << c.v);
        Run(Raw(9, kCdgScrollPreset, {0, static_cast<uint8_t>(c.h), static_cast<uint8_t>(c.v)}));
        const display::Rect w = m_pScreen->GetVisibleWindow();
        EXPECT_EQ((std::array{w.left, w.top, w.right, w.bottom}),
                  (std::array{c.window.left, c.window.top, c.window.right, c.window.bottom}));
        ExpectFrameShowsTheScreen(*Compose());
    }
}

TEST_F(Frame, PictureStaysRightWhileSurfacesCannotBeMade) {
    LoadDistinctPalette();
    m_pDisplay->SetCreationFailure([](int, int) { return true; });
    m_pScreen->ReleaseSurfaces();
    EXPECT_FALSE(m_pScreen->EnsureSurfaces());
    EXPECT_TRUE(Run(TileBlock(1, 2, 0, 0, TileLines{0x3F})));
    EXPECT_TRUE(Run(MemoryPreset(6, 0)));
    EXPECT_TRUE(Run(TileBlock(1, 2, 5, 5, TileLines{0x3F})));
    EXPECT_EQ(Compose(), nullptr);
    EXPECT_EQ(At(30, 60), 2);
    EXPECT_EQ(At(36, 60), 6);
    m_pDisplay->SetCreationFailure(nullptr);
    ExpectMirrorMatches();
    EXPECT_NE(Compose(), nullptr);
}

TEST_F(Frame, MissingFrameSurfaceIsMadeAgainOnNextUse) {
    LoadDistinctPalette();
    Run(BorderPreset(5));
    m_pDisplay->SetCreationFailure([](int w, int) { return w == kCdgFrameWidth; });
    m_pScreen->ReleaseSurfaces();
    ASSERT_TRUE(m_pScreen->EnsureSurfaces());
    EXPECT_TRUE(m_pScreen->HasSurfaces());
    EXPECT_EQ(Compose(), nullptr);
    m_pDisplay->SetCreationFailure(nullptr);
    const display::CDisplaySurface* pFrame = Compose();
    ASSERT_NE(pFrame, nullptr);
    EXPECT_EQ(pFrame->GetPixel(0, 0), PixelOfEntry(5));
}

}  // namespace
