// CD+G colours: the 12-bit colour of a Load Colour Table pair as a COLORREF (0x00BBGGRR).
#pragma once

#include <cstdint>

using COLORREF = uint32_t;

inline constexpr int kCdgColorLevelShift = 4;  // 4-bit levels times 16: 15 -> 0xF0

// a and b are the two six-bit symbols of one colour, a first.
constexpr COLORREF DecodeCdgColor(uint8_t a, uint8_t b) {
    const uint32_t red = (a >> 2) & 0x0F;
    const uint32_t green = ((a & 0x03) << 2) | ((b >> 4) & 0x03);
    const uint32_t blue = b & 0x0F;
    return (red << kCdgColorLevelShift) | ((green << kCdgColorLevelShift) << 8) |
           ((blue << kCdgColorLevelShift) << 16);
}

static_assert(DecodeCdgColor(0x3F, 0x3F) == 0x00F0F0F0);
