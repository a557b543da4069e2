// Tests of the tile font: coverage, decoding, the doubled glyphs, and tiles as the engine
// draws them.
#include <memory>

#include <gtest/gtest.h>

#include "platform/display/Display.h"
#include "player/cdg/CdgScreen.h"
#include "tools/cdgauthor/CdgFont.h"
#include "tools/cdgauthor/CdgPacketBuilder.h"

namespace {

using cdgauthor::CdgFont;

bool GlyphBit(char32_t c, int x, int y) {
    return (CdgFont::GlyphRow(c, y) >> (CdgFont::kGlyphWidth - 1 - x)) & 1;
}

bool LargePixel(const std::array<cdgauthor::TileLines, 4>& tiles, int x, int y) {
    const auto& tile = tiles[(y / 12) * 2 + x / 6];
    return (tile[y % 12] >> (5 - x % 6)) & 1;
}

TEST(CdgFontTest, CoversLettersDigitsAndPunctuation) {
    for (const char32_t c :
         std::u32string(U"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,!?'\"-:;()&/")) {
        EXPECT_TRUE(CdgFont::HasGlyph(c)) << static_cast<int>(c);
    }
    EXPECT_FALSE(CdgFont::HasGlyph(U'a'));  // folded by Decode, not drawn
    EXPECT_FALSE(CdgFont::HasGlyph(U'\u266A'));
    // Distinct letters look distinct.
    for (char32_t a = U'A'; a <= U'Z'; ++a) {
        for (char32_t b = a + 1; b <= U'Z'; ++b) {
            bool bSame = true;
            for (int y = 0; y < CdgFont::kGlyphHeight; ++y) {
                bSame = bSame && CdgFont::GlyphRow(a, y) == CdgFont::GlyphRow(b, y);
            }
            EXPECT_FALSE(bSame) << static_cast<char>(a) << static_cast<char>(b);
        }
    }
}

TEST(CdgFontTest, DecodeFoldsToWhatTheFontDraws) {
    EXPECT_EQ(CdgFont::Decode("Hello, world!"), U"HELLO, WORLD!");
    EXPECT_EQ(CdgFont::Decode("Caf\xC3\xA9 \xC3\x91o\xC3\xB1o"), U"CAFE NONO");
    EXPECT_EQ(CdgFont::Decode("it\xE2\x80\x99s \xE2\x80\x9Cso\xE2\x80\x9D"), U"IT'S \"SO\"");
    EXPECT_EQ(CdgFont::Decode("\xE2\x99\xAA"), U"\u266A");
    EXPECT_EQ(CdgFont::Decode("a\xFF"
                              "b"),
              U"A\uFFFD"
              U"B");
    EXPECT_EQ(CdgFont::Decode("x\xE2\x99"), U"X\uFFFD\uFFFD");  // cut short
    EXPECT_EQ(CdgFont::Decode(""), U"");
}

TEST(CdgFontTest, SmallTileHoldsTheGlyphWithSpacing) {
    const auto tile = CdgFont::SmallTile(U'K');
    int nSet = 0;
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 6; ++x) {
            const bool bOn = (tile[y] >> (5 - x)) & 1;
            const int gy = y - 3;
            EXPECT_EQ(bOn, x < 5 && gy >= 0 && gy < 7 && GlyphBit(U'K', x, gy)) << x << "," << y;
            nSet += bOn ? 1 : 0;
        }
    }
    EXPECT_GT(nSet, 10);
}

TEST(CdgFontTest, LargeGlyphIsTheGlyphDoubledWithSmoothedCorners) {
    for (const char32_t c : std::u32string(U"AMWX04?&")) {
        const auto tiles = CdgFont::LargeTiles(c);
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 12; ++x) {
                if (x < 1 || x > 10 || y < 5 || y > 18) {
                    EXPECT_FALSE(LargePixel(tiles, x, y)) << static_cast<char>(c);
                }
            }
        }
        // Each glyph pixel becomes a 2 x 2 block of which at most one corner is changed.
        for (int gy = 0; gy < CdgFont::kGlyphHeight; ++gy) {
            for (int gx = 0; gx < CdgFont::kGlyphWidth; ++gx) {
                int nSame = 0;
                for (int k = 0; k < 4; ++k) {
                    const bool bPixel = LargePixel(tiles, 1 + 2 * gx + k % 2, 5 + 2 * gy + k / 2);
                    nSame += bPixel == GlyphBit(c, gx, gy) ? 1 : 0;
                }
                EXPECT_GE(nSame, 3) << static_cast<char>(c) << " at " << gx << "," << gy;
            }
        }
    }
}

TEST(CdgFontTest, EngineDrawsTheTilesAsTheFontHasThem) {
    display::CDisplay d;
    display::CDisplay::SetCurrent(&d);
    {
        CCdgScreen screen;
        const auto tiles = CdgFont::LargeTiles(U'Q');
        for (int t = 0; t < 4; ++t) {
            const auto raw = cdgauthor::TileBlock(0, 7, 3 + t / 2, 10 + t % 2, tiles[t]);
            screen.Execute(CCdgPacket(raw.data()));
        }
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 12; ++x) {
                EXPECT_EQ(screen.GetPictureIndex(60 + x, 36 + y), LargePixel(tiles, x, y) ? 7 : 0)
                    << x << "," << y;
            }
        }
    }
    display::CDisplay::SetCurrent(nullptr);
}

}  // namespace
