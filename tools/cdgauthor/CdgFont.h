// CdgFont: a 5 x 7 bitmap font of our own, drawn into CD+G tiles at one or two tiles a side.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/cdgauthor/CdgPacketBuilder.h"

namespace cdgauthor {

class CdgFont {
public:
    static constexpr int kGlyphWidth = 5;
    static constexpr int kGlyphHeight = 7;
    static constexpr int kTileWidth = 6;
    static constexpr int kTileHeight = 12;

    // Whether the font draws this code point (letters are drawn as capitals).
    static bool HasGlyph(char32_t c);
    // Glyph row y (0-6) as five bits, bit 4 leftmost; the replacement glyph for a missing
    // code point.
    static uint8_t GlyphRow(char32_t c, int y);

    // Small: one 6 x 12 tile a character.
    static TileLines SmallTile(char32_t c);
    // Large: 12 x 24 pixels, 2 x 2 tiles a character, the glyph doubled with its diagonals
    // smoothed. Tiles in the order top-left, top-right, bottom-left, bottom-right.
    static std::array<TileLines, 4> LargeTiles(char32_t c);

    // UTF-8 to code points, letters folded to what the font draws (a-z to A-Z, common
    // accented Latin letters to their base letter). Undecodable bytes become U+FFFD.
    static std::u32string Decode(const std::string& text);
};

}  // namespace cdgauthor
