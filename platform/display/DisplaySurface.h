// CDisplaySurface: a software surface in a display pixel format, with lock and blits.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/display/PixelFormat.h"

namespace display {

// Half-open rectangle, right and bottom exclusive.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// What a lock hands out: the memory and its layout.
struct SurfaceDesc {
    int nWidth = 0;
    int nHeight = 0;
    int nPitch = 0;  // bytes from one row to the next
    PixelFormat format;
    uint8_t* pBits = nullptr;
};

// Not thread-safe: the owner serialises access (the screen does so under its lock).
class CDisplaySurface {
public:
    CDisplaySurface(int nWidth, int nHeight, const PixelFormat& format);
    CDisplaySurface(const CDisplaySurface&) = delete;
    CDisplaySurface& operator=(const CDisplaySurface&) = delete;

    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    int GetPitch() const { return m_nPitch; }
    const PixelFormat& GetFormat() const { return m_format; }

    // Fills desc with the whole surface's memory. False if already locked.
    bool Lock(SurfaceDesc& desc);
    bool Unlock();
    bool IsLocked() const { return m_bLocked; }

    // Copies srcRect of src into dstRect of this surface, stretching with nearest-neighbour
    // sampling when the sizes differ. Both surfaces must share a pixel format; rectangles
    // are clipped to both surfaces. False on a format mismatch or a locked surface.
    bool Blt(const Rect& dstRect, const CDisplaySurface& src, const Rect& srcRect);

    // Read access for whoever shows the surface (tests, the renderer, the video window).
    const uint8_t* Bits() const { return m_pBits.get(); }
    uint32_t GetPixel(int x, int y) const;

private:
    int m_nWidth;
    int m_nHeight;
    PixelFormat m_format;
    int m_nPitch;
    std::unique_ptr<uint8_t[]> m_pBits;
    bool m_bLocked = false;
};

}  // namespace display
