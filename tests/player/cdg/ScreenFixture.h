// Test fixture: a display of a chosen pixel format made current, a screen on it, and the
// checks shared by the screen's tests.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "platform/display/Display.h"
#include "player/cdg/CdgScreen.h"
#include "tools/cdgauthor/CdgPacketBuilder.h"

inline constexpr cdgauthor::TileLines kAllOn = {0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F,
                                                0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F};

// Palette entries 0-15 as sixteen distinct colours.
inline std::vector<cdgauthor::RawPacket> DistinctPalette() {
    std::array<cdgauthor::Rgb12, 8> low{}, high{};
    for (int i = 0; i < 8; ++i) {
        low[i] = static_cast<cdgauthor::Rgb12>(0x100 * i + 0x010 * (15 - i) + 0x003);
        high[i] = static_cast<cdgauthor::Rgb12>(0x100 * (8 + i) + 0x011 * i);
    }
    return {cdgauthor::LoadColors(false, low), cdgauthor::LoadColors(true, high)};
}

// Every pixel of a surface, row by row.
inline std::vector<uint32_t> Pixels(const display::CDisplaySurface& surface) {
    std::vector<uint32_t> pixels;
    for (int y = 0; y < surface.GetHeight(); ++y) {
        for (int x = 0; x < surface.GetWidth(); ++x) {
            pixels.push_back(surface.GetPixel(x, y));
        }
    }
    return pixels;
}

class ScreenFixture : public ::testing::Test {
public:
    void MakeScreen(const display::PixelFormat& format = display::PixelFormat::Xrgb8888()) {
        m_pScreen.reset();
        m_pDisplay = std::make_unique<display::CDisplay>(format);
        display::CDisplay::SetCurrent(m_pDisplay.get());
        m_pScreen = std::make_unique<CCdgScreen>();
    }
    void SetUp() override { MakeScreen(); }
    void TearDown() override {
        m_pScreen.reset();
        display::CDisplay::SetCurrent(nullptr);
    }

    bool Run(const cdgauthor::RawPacket& raw) { return m_pScreen->Execute(CCdgPacket(raw.data())); }
    // A render pass: surfaces made if needed, then the frame composed.
    display::CDisplaySurface* Compose() {
        m_pScreen->EnsureSurfaces();
        return m_pScreen->ComposeFrame();
    }
    uint8_t At(int x, int y) const { return m_pScreen->GetPictureIndex(x, y); }
    void LoadDistinctPalette() {
        for (const cdgauthor::RawPacket& raw : DistinctPalette()) {
            Run(raw);
        }
    }
    // Every pixel gets a value from its position, so moves are visible.
    void PaintPattern() {
        for (int y = 0; y < kCdgPictureHeight; ++y) {
            for (int x = 0; x < kCdgPictureWidth; ++x) {
                m_pScreen->SetPixel(x, y, (x / 6 + 3 * (y / 12)) & 0x0F);
            }
        }
    }
    // The picture's palette indices, row by row.
    std::vector<uint8_t> Snapshot() const {
        std::vector<uint8_t> v;
        for (int y = 0; y < kCdgPictureHeight; ++y) {
            for (int x = 0; x < kCdgPictureWidth; ++x) {
                v.push_back(At(x, y));
            }
        }
        return v;
    }
    // The display pixel of a picture pixel's palette colour.
    uint32_t PixelAt(int x, int y) const {
        return m_pScreen->ColorToPixel(m_pScreen->GetPaletteEntry(At(x, y)));
    }
    uint32_t PixelOfEntry(int nIndex) const {
        return m_pScreen->ColorToPixel(m_pScreen->GetPaletteEntry(nIndex));
    }
    // Every picture pixel must be mirrored in its palette colour.
    void ExpectMirrorMatches() {
        ASSERT_TRUE(m_pScreen->EnsureSurfaces());
        const display::CDisplaySurface* pSurface = m_pScreen->GetPictureSurface();
        ASSERT_NE(pSurface, nullptr);
        for (int y = 0; y < kCdgPictureHeight; ++y) {
            for (int x = 0; x < kCdgPictureWidth; ++x) {
                ASSERT_EQ(pSurface->GetPixel(x, y), PixelAt(x, y)) << x << "," << y;
            }
        }
    }
    // Every pixel of the frame: the border colour around the window, the picture inside it.
    void ExpectFrameShowsTheScreen(const display::CDisplaySurface& frame) {
        ASSERT_EQ(frame.GetWidth(), kCdgFrameWidth);
        ASSERT_EQ(frame.GetHeight(), kCdgFrameHeight);
        const display::Rect w = m_pScreen->GetVisibleWindow();
        const uint32_t border = PixelOfEntry(m_pScreen->GetBorderColor());
        for (int y = 0; y < kCdgFrameHeight; ++y) {
            for (int x = 0; x < kCdgFrameWidth; ++x) {
                const int px = w.left + x - kCdgFrameWindowLeft,
                          py = w.top + y - kCdgFrameWindowTop;
                const bool bInside = x >= kCdgFrameWindowLeft && y >= kCdgFrameWindowTop &&
                                     x < kCdgFrameWindowLeft + kCdgWindowWidth &&
                                     y < kCdgFrameWindowTop + kCdgWindowHeight;
                ASSERT_EQ(frame.GetPixel(x, y), bInside ? PixelAt(px, py) : border)
                    << x << "," << y;
            }
        }
    }

    std::unique_ptr<display::CDisplay> m_pDisplay;
    std::unique_ptr<CCdgScreen> m_pScreen;
};
