// Software display surface: memory, lock bookkeeping, same-size and stretched blits.
#include "platform/display/DisplaySurface.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace display {

namespace {

// Rows start on 4-byte boundaries, as display memory usually does.
int PitchFor(int nWidth, const PixelFormat& format) {
    return (nWidth * format.BytesPerPixel() + 3) / 4 * 4;
}

}  // namespace

CDisplaySurface::CDisplaySurface(int nWidth, int nHeight, const PixelFormat& format)
    : m_nWidth(nWidth),
      m_nHeight(nHeight),
      m_format(format),
      m_nPitch(PitchFor(nWidth, format)),
      m_pBits(new uint8_t[static_cast<size_t>(m_nPitch) * nHeight]()) {}

bool CDisplaySurface::Lock(SurfaceDesc& desc) {
    if (m_bLocked) {
        return false;
    }
    m_bLocked = true;
    desc.nWidth = m_nWidth;
    desc.nHeight = m_nHeight;
    desc.nPitch = m_nPitch;
    desc.format = m_format;
    desc.pBits = m_pBits.get();
    return true;
}

bool CDisplaySurface::Unlock() {
    if (!m_bLocked) {
        return false;
    }
    m_bLocked = false;
    return true;
}

uint32_t CDisplaySurface::GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_nWidth || y >= m_nHeight) {
        return 0;
    }
    const int nBytes = m_format.BytesPerPixel();
    const uint8_t* p = m_pBits.get() + static_cast<size_t>(y) * m_nPitch + x * nBytes;
    uint32_t value = 0;
    for (int i = 0; i < nBytes; ++i) {
        value |= static_cast<uint32_t>(p[i]) << (8 * i);
    }
    return value;
}

bool CDisplaySurface::Blt(const Rect& dstRect, const CDisplaySurface& src, const Rect& srcRect) {
    if (!(src.m_format == m_format) || m_bLocked || src.m_bLocked) {
        return false;
    }
    if (dstRect.Width() <= 0 || dstRect.Height() <= 0 || srcRect.Width() <= 0 ||
        srcRect.Height() <= 0) {
        return true;
    }
    const int nBytes = m_format.BytesPerPixel();
    const bool bSameSize =
        dstRect.Width() == srcRect.Width() && dstRect.Height() == srcRect.Height();

    // Source column (in bytes) for each destination column, clipped to both surfaces.
    const int x0 = std::max(dstRect.left, 0);
    const int x1 = std::min(dstRect.right, m_nWidth);
    const int y0 = std::max(dstRect.top, 0);
    const int y1 = std::min(dstRect.bottom, m_nHeight);
    if (x0 >= x1 || y0 >= y1) {
        return true;
    }
    auto srcX = [&](int x) {
        return srcRect.left + static_cast<int>(static_cast<int64_t>(x - dstRect.left) *
                                               srcRect.Width() / dstRect.Width());
    };
    auto srcY = [&](int y) {
        return srcRect.top + static_cast<int>(static_cast<int64_t>(y - dstRect.top) *
                                              srcRect.Height() / dstRect.Height());
    };
    auto inSource = [&](int sx, int sy) {
        return sx >= 0 && sy >= 0 && sx < src.m_nWidth && sy < src.m_nHeight;
    };

    if (bSameSize && inSource(srcX(x0), srcY(y0)) && inSource(srcX(x1 - 1), srcY(y1 - 1))) {
        const size_t nRowBytes = static_cast<size_t>(x1 - x0) * nBytes;
        for (int y = y0; y < y1; ++y) {
            const uint8_t* s = src.m_pBits.get() + static_cast<size_t>(srcY(y)) * src.m_nPitch +
                               static_cast<size_t>(srcX(x0)) * nBytes;
            uint8_t* d = m_pBits.get() + static_cast<size_t>(y) * m_nPitch +
                         static_cast<size_t>(x0) * nBytes;
            std::memmove(d, s, nRowBytes);
        }
        return true;
    }

    std::vector<int> columns;
    columns.reserve(static_cast<size_t>(x1 - x0));
    for (int x = x0; x < x1; ++x) {
        columns.push_back(srcX(x));
    }
    for (int y = y0; y < y1; ++y) {
        const int sy = srcY(y);
        if (sy < 0 || sy >= src.m_nHeight) {
            continue;
        }
        const uint8_t* sRow = src.m_pBits.get() + static_cast<size_t>(sy) * src.m_nPitch;
        uint8_t* d =
            m_pBits.get() + static_cast<size_t>(y) * m_nPitch + static_cast<size_t>(x0) * nBytes;
        for (int sx : columns) {
            if (sx >= 0 && sx < src.m_nWidth) {
                std::memcpy(d, sRow + static_cast<size_t>(sx) * nBytes, nBytes);
            }
            d += nBytes;
        }
    }
    return true;
}

}  // namespace display
