// The picture-change count: advanced by exactly the packets and calls that change the
// picture, the palette, the border colour or the offsets.
#include <functional>

#include <gtest/gtest.h>

#include "ScreenFixture.h"

using namespace cdgauthor;

namespace {

struct ChangeCase {
    const char* name;
    // Brings the screen into the case's state (after a memory preset to colour 2).
    std::function<void(ScreenFixture&)> setUp;
    RawPacket packet;
    bool bChanges;
};

void Nothing(ScreenFixture&) {}
void Offsets(ScreenFixture& f) {
    f.Run(Raw(9, kCdgScrollPreset, {0, 0x03, 0x05}));
}
void Pattern(ScreenFixture& f) {
    f.PaintPattern();
}
void Colours(ScreenFixture& f) {
    f.Run(LoadColors(false, {0x123, 0x456, 0x789, 0xABC}));
    f.Run(BorderPreset(6));
}

const ChangeCase kCases[] = {
    {"Padding", Nothing, Padding(), false},
    {"NotGraphics", Nothing, Raw(8, kCdgMemoryPreset, {5, 0}), false},
    {"UnknownCode", Nothing, Raw(9, 3, {5, 0, 1, 1}), false},
    {"TransparentColour", Nothing, DefineTransparent(4), false},
    {"MemoryPresetRepeated", Nothing, MemoryPreset(7, 1), false},
    {"MemoryPresetSameColour", Nothing, MemoryPreset(2, 0), false},
    {"MemoryPresetOtherColour", Nothing, MemoryPreset(7, 0), true},
    {"MemoryPresetSameColourResetsOffsets", Offsets, MemoryPreset(2, 0), true},
    {"BorderSameColour", Colours, BorderPreset(6), false},
    {"BorderOtherColour", Colours, BorderPreset(7), true},
    {"TileAsDrawnAlready", Nothing, TileBlock(2, 2, 4, 4, kAllOn), false},
    {"TileNewColour", Nothing, TileBlock(2, 3, 4, 4, TileLines{0x01}), true},
    {"XorTileWithZeros", Pattern, TileBlock(0, 0, 4, 4, kAllOn, true), false},
    {"XorTile", Pattern, TileBlock(0, 1, 4, 4, TileLines{0x20}, true), true},
    {"ScrollSameOffsets", Offsets, Raw(9, kCdgScrollCopy, {0, 0x03, 0x05}), false},
    {"ScrollOtherOffsets", Offsets, Raw(9, kCdgScrollCopy, {0, 0x03, 0x06}), true},
    {"ScrollCopyOfAPlainPicture", Nothing,
     Scroll(true, 9, ScrollMove::LeftOrUp, 0, ScrollMove::RightOrDown, 0), false},
    {"ScrollPresetInItsOwnColour", Nothing,
     Scroll(false, 2, ScrollMove::RightOrDown, 0, ScrollMove::None, 0), false},
    {"ScrollPresetInAnotherColour", Nothing,
     Scroll(false, 3, ScrollMove::RightOrDown, 0, ScrollMove::None, 0), true},
    {"ScrollCopyOfAPattern", Pattern, Scroll(true, 0, ScrollMove::None, 0, ScrollMove::LeftOrUp, 0),
     true},
    {"ColoursSame", Colours, LoadColors(false, {0x123, 0x456, 0x789, 0xABC}), false},
    {"ColoursOneDifferent", Colours, LoadColors(false, {0x123, 0x456, 0x789, 0xABD}), true},
    {"ColoursHighHalf", Colours, LoadColors(true, {0x001}), true},
};

class Changes : public ScreenFixture, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(Changes, CountMovesOnlyWhenSomethingVisibleChanges) {
    const ChangeCase& c = GetParam();
    Run(MemoryPreset(2));
    c.setUp(*this);
    const uint64_t nBefore = m_pScreen->GetPictureChanges();
    Run(c.packet);
    EXPECT_EQ(m_pScreen->GetPictureChanges(), nBefore + (c.bChanges ? 1 : 0));
}

INSTANTIATE_TEST_SUITE_P(Packets, Changes, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

using ChangeCalls = ScreenFixture;

TEST_F(ChangeCalls, DrawingAndClearCountOnlyRealChanges) {
    uint64_t n = m_pScreen->GetPictureChanges();
    m_pScreen->SetPixel(10, 10, 0);
    EXPECT_EQ(m_pScreen->GetPictureChanges(), n) << "the pixel was 0 already";
    m_pScreen->SetPixel(10, 10, 4);
    EXPECT_EQ(m_pScreen->GetPictureChanges(), ++n);
    m_pScreen->FillRect(0, 0, 300, 216, 4);
    EXPECT_EQ(m_pScreen->GetPictureChanges(), ++n);
    m_pScreen->FillRect(-5, -5, 400, 400, 4);
    EXPECT_EQ(m_pScreen->GetPictureChanges(), n) << "clipped to the picture, which is all 4";
    m_pScreen->Clear();
    EXPECT_EQ(m_pScreen->GetPictureChanges(), ++n);
}

// Frames composed at the same count are the same frame, pixel for pixel.
TEST_F(ChangeCalls, EqualCountsMeanEqualFrames) {
    LoadDistinctPalette();
    Run(BorderPreset(3));
    const std::vector<uint32_t> first = Pixels(*Compose());
    const uint64_t nAt = m_pScreen->GetPictureChanges();
    // Packets that change nothing, and a surface drop in between.
    Run(TileBlock(0, 0, 3, 3, kAllOn, true));
    Run(BorderPreset(3));
    Run(LoadColors(false, {}));  // entries 0-7 were distinct: this one changes them
    EXPECT_EQ(m_pScreen->GetPictureChanges(), nAt + 1);
    LoadDistinctPalette();
    EXPECT_EQ(m_pScreen->GetPictureChanges(), nAt + 2);
    m_pScreen->ReleaseSurfaces();
    EXPECT_EQ(Pixels(*Compose()), first);
}

}  // namespace
