// Test fixture: a display of a chosen pixel format made current, and a screen on it.
#pragma once

#include <memory>

#include <gtest/gtest.h>

#include "platform/display/Display.h"
#include "player/cdg/CdgScreen.h"
#include "tools/cdgauthor/CdgPacketBuilder.h"

class ScreenFixture : public ::testing::Test {
protected:
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
    // Loads palette entries 0-15 with sixteen distinct colours.
    void LoadDistinctPalette() {
        std::array<cdgauthor::Rgb12, 8> low{}, high{};
        for (int i = 0; i < 8; ++i) {
            low[i] = static_cast<cdgauthor::Rgb12>(0x100 * i + 0x010 * (15 - i) + 0x003);
            high[i] = static_cast<cdgauthor::Rgb12>(0x100 * (8 + i) + 0x011 * i);
        }
        Run(cdgauthor::LoadColors(false, low));
        Run(cdgauthor::LoadColors(true, high));
    }

    std::unique_ptr<display::CDisplay> m_pDisplay;
    std::unique_ptr<CCdgScreen> m_pScreen;
};
