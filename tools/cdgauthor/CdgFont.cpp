// The font's glyphs (drawn for this project, 5 x 7, bit 4 leftmost) and their tile forms.
#include "tools/cdgauthor/CdgFont.h"

#include <algorithm>

namespace cdgauthor {

namespace {

struct Glyph {
    char32_t c;
    std::array<uint8_t, CdgFont::kGlyphHeight> rows;
};

// clang-format off
constexpr Glyph kGlyphs[] = {
    {U'A', {0b01110, 0b10001, 0b10001, 0b11111, 0b10001, 0b10001, 0b10001}},
    {U'B', {0b11110, 0b10001, 0b10001, 0b11110, 0b10001, 0b10001, 0b11110}},
    {U'C', {0b01110, 0b10001, 0b10000, 0b10000, 0b10000, 0b10001, 0b01110}},
    {U'D', {0b11110, 0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b11110}},
    {U'E', {0b11111, 0b10000, 0b10000, 0b11110, 0b10000, 0b10000, 0b11111}},
    {U'F', {0b11111, 0b10000, 0b10000, 0b11110, 0b10000, 0b10000, 0b10000}},
    {U'G', {0b01110, 0b10001, 0b10000, 0b10111, 0b10001, 0b10001, 0b01111}},
    {U'H', {0b10001, 0b10001, 0b10001, 0b11111, 0b10001, 0b10001, 0b10001}},
    {U'I', {0b01110, 0b00100, 0b00100, 0b00100, 0b00100, 0b00100, 0b01110}},
    {U'J', {0b00111, 0b00010, 0b00010, 0b00010, 0b00010, 0b10010, 0b01100}},
    {U'K', {0b10001, 0b10010, 0b10100, 0b11000, 0b10100, 0b10010, 0b10001}},
    {U'L', {0b10000, 0b10000, 0b10000, 0b10000, 0b10000, 0b10000, 0b11111}},
    {U'M', {0b10001, 0b11011, 0b10101, 0b10101, 0b10001, 0b10001, 0b10001}},
    {U'N', {0b10001, 0b10001, 0b11001, 0b10101, 0b10011, 0b10001, 0b10001}},
    {U'O', {0b01110, 0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b01110}},
    {U'P', {0b11110, 0b10001, 0b10001, 0b11110, 0b10000, 0b10000, 0b10000}},
    {U'Q', {0b01110, 0b10001, 0b10001, 0b10001, 0b10101, 0b10010, 0b01101}},
    {U'R', {0b11110, 0b10001, 0b10001, 0b11110, 0b10100, 0b10010, 0b10001}},
    {U'S', {0b01111, 0b10000, 0b10000, 0b01110, 0b00001, 0b00001, 0b11110}},
    {U'T', {0b11111, 0b00100, 0b00100, 0b00100, 0b00100, 0b00100, 0b00100}},
    {U'U', {0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b01110}},
    {U'V', {0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b01010, 0b00100}},
    {U'W', {0b10001, 0b10001, 0b10001, 0b10101, 0b10101, 0b10101, 0b01010}},
    {U'X', {0b10001, 0b10001, 0b01010, 0b00100, 0b01010, 0b10001, 0b10001}},
    {U'Y', {0b10001, 0b10001, 0b01010, 0b00100, 0b00100, 0b00100, 0b00100}},
    {U'Z', {0b11111, 0b00001, 0b00010, 0b00100, 0b01000, 0b10000, 0b11111}},
    {U'0', {0b01110, 0b10001, 0b10011, 0b10101, 0b11001, 0b10001, 0b01110}},
    {U'1', {0b00100, 0b01100, 0b00100, 0b00100, 0b00100, 0b00100, 0b01110}},
    {U'2', {0b01110, 0b10001, 0b00001, 0b00010, 0b00100, 0b01000, 0b11111}},
    {U'3', {0b11111, 0b00010, 0b00100, 0b00010, 0b00001, 0b10001, 0b01110}},
    {U'4', {0b00010, 0b00110, 0b01010, 0b10010, 0b11111, 0b00010, 0b00010}},
    {U'5', {0b11111, 0b10000, 0b11110, 0b00001, 0b00001, 0b10001, 0b01110}},
    {U'6', {0b00110, 0b01000, 0b10000, 0b11110, 0b10001, 0b10001, 0b01110}},
    {U'7', {0b11111, 0b00001, 0b00010, 0b00100, 0b01000, 0b01000, 0b01000}},
    {U'8', {0b01110, 0b10001, 0b10001, 0b01110, 0b10001, 0b10001, 0b01110}},
    {U'9', {0b01110, 0b10001, 0b10001, 0b01111, 0b00001, 0b00010, 0b01100}},
    {U' ', {0b00000, 0b00000, 0b00000, 0b00000, 0b00000, 0b00000, 0b00000}},
    {U'.', {0b00000, 0b00000, 0b00000, 0b00000, 0b00000, 0b01100, 0b01100}},
    {U',', {0b00000, 0b00000, 0b00000, 0b00000, 0b01100, 0b00100, 0b01000}},
    {U'!', {0b00100, 0b00100, 0b00100, 0b00100, 0b00100, 0b00000, 0b00100}},
    {U'?', {0b01110, 0b10001, 0b00001, 0b00010, 0b00100, 0b00000, 0b00100}},
    {U'\'', {0b00100, 0b00100, 0b01000, 0b00000, 0b00000, 0b00000, 0b00000}},
    {U'"', {0b01010, 0b01010, 0b01010, 0b00000, 0b00000, 0b00000, 0b00000}},
    {U'-', {0b00000, 0b00000, 0b00000, 0b01110, 0b00000, 0b00000, 0b00000}},
    {U':', {0b00000, 0b01100, 0b01100, 0b00000, 0b01100, 0b01100, 0b00000}},
    {U';', {0b00000, 0b01100, 0b01100, 0b00000, 0b01100, 0b00100, 0b01000}},
    {U'(', {0b00010, 0b00100, 0b01000, 0b01000, 0b01000, 0b00100, 0b00010}},
    {U')', {0b01000, 0b00100, 0b00010, 0b00010, 0b00010, 0b00100, 0b01000}},
    {U'&', {0b01100, 0b10010, 0b10100, 0b01000, 0b10101, 0b10010, 0b01101}},
    {U'/', {0b00000, 0b00001, 0b00010, 0b00100, 0b01000, 0b10000, 0b00000}},
    {U'+', {0b00000, 0b00100, 0b00100, 0b11111, 0b00100, 0b00100, 0b00000}},
    {U'=', {0b00000, 0b00000, 0b11111, 0b00000, 0b11111, 0b00000, 0b00000}},
    {U'*', {0b00000, 0b00100, 0b10101, 0b01110, 0b10101, 0b00100, 0b00000}},
    {U'#', {0b01010, 0b01010, 0b11111, 0b01010, 0b11111, 0b01010, 0b01010}},
    {U'%', {0b11000, 0b11001, 0b00010, 0b00100, 0b01000, 0b10011, 0b00011}},
    {U'@', {0b01110, 0b10001, 0b00001, 0b01101, 0b10101, 0b10101, 0b01110}},
    {U'_', {0b00000, 0b00000, 0b00000, 0b00000, 0b00000, 0b00000, 0b11111}},
};
// clang-format on

// Drawn for a code point the font lacks: an outlined box.
constexpr Glyph kReplacement = {U'\uFFFD',
                                {0b11111, 0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b11111}};

// Glyph placement: small glyphs sit 3 lines down in their tile; large ones, doubled to
// 10 x 14, sit 1 pixel in and 5 lines down in their 12 x 24 cell.
constexpr int kSmallTop = 3;
constexpr int kLargeLeft = 1;
constexpr int kLargeTop = 5;
constexpr int kLargeWidth = 2 * CdgFont::kTileWidth;
constexpr int kLargeHeight = 2 * CdgFont::kTileHeight;
constexpr uint8_t kLeftmostPixel = 0x20;  // bit 5 of a tile line

const Glyph& FindGlyph(char32_t c) {
    for (const Glyph& glyph : kGlyphs) {
        if (glyph.c == c) {
            return glyph;
        }
    }
    return kReplacement;
}

bool GlyphPixel(const Glyph& glyph, int x, int y) {
    if (x < 0 || y < 0 || x >= CdgFont::kGlyphWidth || y >= CdgFont::kGlyphHeight) {
        return false;
    }
    return (glyph.rows[y] >> (CdgFont::kGlyphWidth - 1 - x)) & 1;
}

char32_t FoldLatin(char32_t c) {
    if (c >= U'a' && c <= U'z') {
        return c - U'a' + U'A';
    }
    struct Range {
        char32_t first;
        char32_t last;
        char32_t base;
    };
    static constexpr Range kFolds[] = {
        {0xC0, 0xC5, U'A'},     {0xE0, 0xE5, U'A'},      {0xC7, 0xC7, U'C'},
        {0xE7, 0xE7, U'C'},     {0xC8, 0xCB, U'E'},      {0xE8, 0xEB, U'E'},
        {0xCC, 0xCF, U'I'},     {0xEC, 0xEF, U'I'},      {0xD1, 0xD1, U'N'},
        {0xF1, 0xF1, U'N'},     {0xD2, 0xD6, U'O'},      {0xF2, 0xF6, U'O'},
        {0xD8, 0xD8, U'O'},     {0xF8, 0xF8, U'O'},      {0xD9, 0xDC, U'U'},
        {0xF9, 0xFC, U'U'},     {0xDD, 0xDD, U'Y'},      {0xFD, 0xFD, U'Y'},
        {0xFF, 0xFF, U'Y'},     {0x2018, 0x2019, U'\''}, {0x201C, 0x201D, U'"'},
        {0x2013, 0x2014, U'-'}, {0x2026, 0x2026, U'.'},
    };
    for (const Range& range : kFolds) {
        if (c >= range.first && c <= range.last) {
            return range.base;
        }
    }
    return c;
}

}  // namespace

bool CdgFont::HasGlyph(char32_t c) {
    return &FindGlyph(c) != &kReplacement;
}

uint8_t CdgFont::GlyphRow(char32_t c, int y) {
    return y >= 0 && y < kGlyphHeight ? FindGlyph(c).rows[y] : 0;
}

TileLines CdgFont::SmallTile(char32_t c) {
    const Glyph& glyph = FindGlyph(c);
    TileLines lines{};
    for (int y = 0; y < kGlyphHeight; ++y) {
        // Five glyph bits into the six-pixel line, the sixth column left as spacing.
        lines[kSmallTop + y] = static_cast<uint8_t>(glyph.rows[y] << 1);
    }
    return lines;
}

std::array<TileLines, 4> CdgFont::LargeTiles(char32_t c) {
    const Glyph& glyph = FindGlyph(c);
    bool cell[kLargeHeight][kLargeWidth] = {};
    // Doubling with smoothed diagonals: each pixel becomes 2 x 2, and a corner takes the
    // colour of the two neighbours meeting there when they agree and the others differ.
    for (int y = 0; y < kGlyphHeight; ++y) {
        for (int x = 0; x < kGlyphWidth; ++x) {
            const bool p = GlyphPixel(glyph, x, y);
            const bool a = GlyphPixel(glyph, x, y - 1);
            const bool b = GlyphPixel(glyph, x + 1, y);
            const bool l = GlyphPixel(glyph, x - 1, y);
            const bool d = GlyphPixel(glyph, x, y + 1);
            const int cx = kLargeLeft + 2 * x;
            const int cy = kLargeTop + 2 * y;
            cell[cy][cx] = (l == a && l != d && a != b) ? a : p;
            cell[cy][cx + 1] = (a == b && a != l && b != d) ? b : p;
            cell[cy + 1][cx] = (d == l && d != b && l != a) ? l : p;
            cell[cy + 1][cx + 1] = (b == d && b != a && d != l) ? d : p;
        }
    }
    std::array<TileLines, 4> tiles{};
    for (int t = 0; t < 4; ++t) {
        const int left = (t % 2) * kTileWidth;
        const int top = (t / 2) * kTileHeight;
        for (int y = 0; y < kTileHeight; ++y) {
            uint8_t line = 0;
            for (int x = 0; x < kTileWidth; ++x) {
                if (cell[top + y][left + x]) {
                    line |= static_cast<uint8_t>(kLeftmostPixel >> x);
                }
            }
            tiles[t][y] = line;
        }
    }
    return tiles;
}

std::u32string CdgFont::Decode(const std::string& text) {
    std::u32string result;
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int nMore = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            c = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            nMore = 1;
            c = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            nMore = 2;
            c = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            nMore = 3;
            c = lead & 0x07;
        } else {
            result += U'\uFFFD';
            ++i;
            continue;
        }
        bool bValid = i + nMore < text.size();
        for (int k = 1; bValid && k <= nMore; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            bValid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        if (!bValid) {
            result += U'\uFFFD';
            ++i;
            continue;
        }
        result += FoldLatin(c);
        i += 1 + nMore;
    }
    return result;
}

}  // namespace cdgauthor
