// The screen's display surfaces: the picture mirror in display pixels, colour conversion,
// and composition of the 320 x 240 frame (border plus visible window).
#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/display/Display.h"
#include "player/cdg/CdgScreen.h"

static_assert(std::endian::native == std::endian::little,
              "display pixels are stored least significant byte first");

namespace {

// Largest offsets that keep the 288 x 192 window inside the 300 x 216 picture.
constexpr int kMaxHOffset = kCdgPictureWidth - kCdgWindowLeft - kCdgWindowWidth;   // 6
constexpr int kMaxVOffset = kCdgPictureHeight - kCdgWindowTop - kCdgWindowHeight;  // 12

int Scale(uint32_t nLevel, int nWidth) {
    // An 8-bit level narrowed (or widened) to the channel's width.
    return nWidth <= 8 ? static_cast<int>(nLevel >> (8 - nWidth))
                       : static_cast<int>(nLevel << (nWidth - 8));
}

void WritePixel(uint8_t* p, int nBytes, uint32_t nPixel) {
    switch (nBytes) {
        case 4:
            p[3] = static_cast<uint8_t>(nPixel >> 24);
            [[fallthrough]];
        case 3:
            p[2] = static_cast<uint8_t>(nPixel >> 16);
            [[fallthrough]];
        case 2:
            p[1] = static_cast<uint8_t>(nPixel >> 8);
            [[fallthrough]];
        default:
            p[0] = static_cast<uint8_t>(nPixel);
    }
}

}  // namespace

void CCdgScreen::LearnChannels(const display::SurfaceDesc& desc) {
    auto learn = [](uint32_t mask) {
        Channel c;
        if (mask != 0) {
            c.nShift = std::countr_zero(mask);
            c.nWidth = std::countr_one(mask >> c.nShift);
        }
        return c;
    };
    m_red = learn(desc.format.nRedMask);
    m_green = learn(desc.format.nGreenMask);
    m_blue = learn(desc.format.nBlueMask);
    m_bChannelsKnown = true;
}

uint32_t CCdgScreen::ColorToPixel(COLORREF color) {
    if (!m_bChannelsKnown) {
        if (m_pPictureDesc == nullptr) {
            return 0;
        }
        LearnChannels(*m_pPictureDesc);
    }
    const uint32_t red = color & 0xFF;
    const uint32_t green = (color >> 8) & 0xFF;
    const uint32_t blue = (color >> 16) & 0xFF;
    return (static_cast<uint32_t>(Scale(red, m_red.nWidth)) << m_red.nShift) |
           (static_cast<uint32_t>(Scale(green, m_green.nWidth)) << m_green.nShift) |
           (static_cast<uint32_t>(Scale(blue, m_blue.nWidth)) << m_blue.nShift);
}

void CCdgScreen::RefreshPixelCache() {
    for (int i = 0; i < m_nColors; ++i) {
        m_pixelOfIndex[i] = ColorToPixel(m_palette[i]);
    }
}

void CCdgScreen::StorePixel(int x, int y, uint32_t nPixel) {
    const int nBytes = m_pPictureDesc->format.BytesPerPixel();
    WritePixel(m_pPictureDesc->pBits + static_cast<size_t>(y) * m_pPictureDesc->nPitch +
                   static_cast<size_t>(x) * nBytes,
               nBytes, nPixel);
}

void CCdgScreen::StoreRun(int x, int y, const uint8_t* pIndices, int nCount) {
    const int nBytes = m_pPictureDesc->format.BytesPerPixel();
    uint8_t* p = m_pPictureDesc->pBits + static_cast<size_t>(y) * m_pPictureDesc->nPitch +
                 static_cast<size_t>(x) * nBytes;
    switch (nBytes) {
        case 4:
            for (int i = 0; i < nCount; ++i, p += 4) {
                const uint32_t v = m_pixelOfIndex[pIndices[i]];
                std::memcpy(p, &v, 4);
            }
            break;
        case 2:
            for (int i = 0; i < nCount; ++i, p += 2) {
                const auto v = static_cast<uint16_t>(m_pixelOfIndex[pIndices[i]]);
                std::memcpy(p, &v, 2);
            }
            break;
        default:
            for (int i = 0; i < nCount; ++i, p += nBytes) {
                WritePixel(p, nBytes, m_pixelOfIndex[pIndices[i]]);
            }
    }
}

bool CCdgScreen::CreateSurfaces() {
    display::CDisplay* pDisplay = display::CDisplay::Current();
    if (pDisplay == nullptr) {
        return false;
    }
    auto pPicture = pDisplay->CreateSurface(m_nWidth, m_nHeight);
    if (!pPicture) {
        return false;
    }
    m_pPicture = std::move(pPicture);
    m_pPictureDesc = std::make_unique<display::SurfaceDesc>();
    m_pPicture->Lock(*m_pPictureDesc);
    if (!m_bChannelsKnown) {
        LearnChannels(*m_pPictureDesc);
    }
    RefreshPixelCache();
    for (int x = 0; m_dib.GetBits() != nullptr && x < m_nWidth; ++x) {
        for (int y = 0; y < m_nHeight; ++y) {
            StorePixel(x, y, m_pixelOfIndex[*m_dib.GetPixelAddress(x, y) & 0x0F]);
        }
    }
    m_pFrame.reset();
    m_pFrame = pDisplay->CreateSurface(m_nFrameWidth, m_nFrameHeight);
    m_bBorderDirty = true;
    m_pPicture->Unlock();
    return true;
}

void CCdgScreen::ReleaseSurfaces() {
    tindlib::CScopedLock hold(m_lock, m_nLockTimeoutMs.load());
    if (!hold.Acquired()) {
        return;
    }
    m_pPicture.reset();
    m_pPictureDesc.reset();
    m_pFrame.reset();
    m_bPictureLocked = false;
    m_bBorderDirty = true;
}

bool CCdgScreen::EnsureSurfaces() {
    if (m_pPictureDesc == nullptr) {
        return CreateSurfaces();
    }
    if (!m_pFrame) {
        // A frame surface that could not be made earlier is tried again on every use
        // rather than leaving the video black until the next rebuild.
        if (display::CDisplay* pDisplay = display::CDisplay::Current()) {
            m_pFrame = pDisplay->CreateSurface(m_nFrameWidth, m_nFrameHeight);
            m_bBorderDirty = true;
        }
    }
    return true;
}

bool CCdgScreen::LockPicture() {
    if (!EnsureSurfaces() || !m_pPicture) {
        return false;
    }
    *m_pPictureDesc = display::SurfaceDesc();
    if (!m_pPicture->Lock(*m_pPictureDesc)) {
        return false;
    }
    m_bPictureLocked = true;
    return true;
}

bool CCdgScreen::UnlockPicture() {
    m_bPictureLocked = false;
    return m_pPicture && m_pPicture->Unlock();
}

void CCdgScreen::SetPixel(int x, int y, int nIndex) {
    FillRect(x, y, x + 1, y + 1, nIndex);
}

void CCdgScreen::FillRect(int nLeft, int nTop, int nRight, int nBottom, int nIndex) {
    nLeft = std::max(nLeft, 0);
    nTop = std::max(nTop, 0);
    nRight = std::min(nRight, m_nWidth);
    nBottom = std::min(nBottom, m_nHeight);
    const auto nValue = static_cast<uint8_t>(nIndex & 0x0F);
    EnsureSurfaces();
    const bool bLocked = !m_bPictureLocked && LockPicture();
    const bool bMirror = m_bPictureLocked;
    const uint32_t nPixel = bMirror ? m_pixelOfIndex[nValue] : 0;
    for (int y = nTop; y < nBottom && m_dib.GetBits() != nullptr; ++y) {
        uint8_t* pRow = m_dib.GetPixelAddress(0, y);
        for (int x = nLeft; x < nRight; ++x) {
            if (bMirror) {
                StorePixel(x, y, nPixel);
            }
            pRow[x] = nValue;
        }
    }
    if (bLocked) {
        UnlockPicture();
    }
}

display::Rect CCdgScreen::GetVisibleWindow() const {
    const int left = kCdgWindowLeft + std::clamp(m_nHOffset, 0, kMaxHOffset);
    const int top = kCdgWindowTop + std::clamp(m_nVOffset, 0, kMaxVOffset);
    return {left, top, left + kCdgWindowWidth, top + kCdgWindowHeight};
}

display::CDisplaySurface* CCdgScreen::ComposeFrame() {
    if (m_pFrame && m_bBorderDirty) {
        display::SurfaceDesc desc;
        if (m_pFrame->Lock(desc)) {
            const uint32_t nPixel = ColorToPixel(m_palette[m_nBorderColor & 0x0F]);
            const int nBytes = desc.format.BytesPerPixel();
            for (int y = 0; y < desc.nHeight; ++y) {
                uint8_t* p = desc.pBits + static_cast<size_t>(y) * desc.nPitch;
                for (int x = 0; x < desc.nWidth; ++x, p += nBytes) {
                    WritePixel(p, nBytes, nPixel);
                }
            }
            m_pFrame->Unlock();
            m_bBorderDirty = false;
        }
    }
    if (m_pFrame && m_pPicture) {
        const display::Rect dest{kCdgFrameWindowLeft, kCdgFrameWindowTop,
                                 kCdgFrameWindowLeft + kCdgWindowWidth,
                                 kCdgFrameWindowTop + kCdgWindowHeight};
        m_pFrame->Blt(dest, *m_pPicture, GetVisibleWindow());
    }
    return m_pFrame.get();
}
