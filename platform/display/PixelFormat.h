// PixelFormat: an RGB surface pixel layout given by its bit count and channel masks.
#pragma once

#include <cstdint>

namespace display {

struct PixelFormat {
    int nBitsPerPixel = 32;  // 15-bit formats are stored in 16 bits
    uint32_t nRedMask = 0x00FF0000;
    uint32_t nGreenMask = 0x0000FF00;
    uint32_t nBlueMask = 0x000000FF;

    // Bytes one pixel occupies in surface memory.
    int BytesPerPixel() const { return (nBitsPerPixel + 7) / 8; }

    static constexpr PixelFormat Rgb555() { return {16, 0x7C00, 0x03E0, 0x001F}; }
    static constexpr PixelFormat Rgb565() { return {16, 0xF800, 0x07E0, 0x001F}; }
    static constexpr PixelFormat Rgb888() { return {24, 0xFF0000, 0x00FF00, 0x0000FF}; }
    static constexpr PixelFormat Xrgb8888() { return {32, 0xFF0000, 0x00FF00, 0x0000FF}; }

    friend bool operator==(const PixelFormat&, const PixelFormat&) = default;
};

}  // namespace display
