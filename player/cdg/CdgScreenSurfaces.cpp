// The screen's display surfaces: the picture mirror in display pixels, colour conversion,
// and composition of the 320 x 240 frame (border plus visible window).
#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/display/Display.h"
#include "player/cdg/CdgScreen.h"

static_assert(std::endian::native == std::endian::little,
              "display pixels are stored least significant byte first");
static_assert(kCdgColumns <= 64, "a tile row's changes are bits of one 64-bit word");

namespace {

// Largest offsets that keep the 288 x 192 window inside the 300 x 216 picture.
constexpr int kMaxHOffset = kCdgPictureWidth - kCdgWindowLeft - kCdgWindowWidth;   // 6
constexpr int kMaxVOffset = kCdgPictureHeight - kCdgWindowTop - kCdgWindowHeight;  // 12

int Scale(uint32_t nLevel, int nWidth) {
    // An 8-bit level narrowed (or widened) to the channel's width.
    return nWidth <= 8 ? static_cast<int>(nLevel >> (8 - nWidth))
                       : static_cast<int>(nLevel << (nWidth - 8));
}

// Stores nCount display pixels, each table[index], for the palette indices at pIndices.
// One loop per pixel size, so that each is a plain table lookup and store.
template <typename T>
void ConvertWords(uint8_t* pOut, const uint8_t* pIndices, int nCount, const uint32_t* table) {
    for (int i = 0; i < nCount; ++i, pOut += sizeof(T)) {
        const auto v = static_cast<T>(table[pIndices[i] & 0x0F]);
        std::memcpy(pOut, &v, sizeof(T));
    }
}

void Convert(uint8_t* pOut, int nBytes, const uint8_t* pIndices, int nCount,
             const uint32_t* table) {
    switch (nBytes) {
        case 4:
            ConvertWords<uint32_t>(pOut, pIndices, nCount, table);
            break;
        case 2:
            ConvertWords<uint16_t>(pOut, pIndices, nCount, table);
            break;
        case 1:
            ConvertWords<uint8_t>(pOut, pIndices, nCount, table);
            break;
        default:  // three bytes
            for (int i = 0; i < nCount; ++i, pOut += 3) {
                const uint32_t v = table[pIndices[i] & 0x0F];
                pOut[0] = static_cast<uint8_t>(v);
                pOut[1] = static_cast<uint8_t>(v >> 8);
                pOut[2] = static_cast<uint8_t>(v >> 16);
            }
    }
}

// Fills a whole locked surface with one display pixel: the first row pixel by pixel, the
// others copied from it.
void FillSurface(const display::SurfaceDesc& desc, uint32_t nPixel) {
    if (desc.nHeight <= 0 || desc.nWidth <= 0) {
        return;
    }
    const int nBytes = desc.format.BytesPerPixel();
    const uint32_t table[kCdgColors] = {nPixel};
    const uint8_t zero = 0;
    uint8_t* pFirst = desc.pBits;
    for (int x = 0; x < desc.nWidth; ++x) {
        Convert(pFirst + static_cast<size_t>(x) * nBytes, nBytes, &zero, 1, table);
    }
    const size_t nRowBytes = static_cast<size_t>(desc.nWidth) * nBytes;
    for (int y = 1; y < desc.nHeight; ++y) {
        std::memcpy(desc.pBits + static_cast<size_t>(y) * desc.nPitch, pFirst, nRowBytes);
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

void CCdgScreen::ConvertRun(const display::SurfaceDesc& desc, int x, int y, int nCount) {
    const int nBytes = desc.format.BytesPerPixel();
    Convert(desc.pBits + static_cast<size_t>(y) * desc.nPitch + static_cast<size_t>(x) * nBytes,
            nBytes, m_dib.GetPixelAddress(x, y), nCount, m_pixelOfIndex.data());
}

void CCdgScreen::MarkChanged(int nLeft, int nTop, int nRight, int nBottom) {
    const int nFirstColumn = nLeft / kCdgTileWidth;
    const int nLastColumn = (nRight - 1) / kCdgTileWidth;
    const uint64_t columns = (nLastColumn - nFirstColumn + 1 >= 64)
                                 ? ~uint64_t{0}
                                 : ((uint64_t{1} << (nLastColumn - nFirstColumn + 1)) - 1)
                                       << nFirstColumn;
    for (int row = nTop / kCdgTileHeight; row <= (nBottom - 1) / kCdgTileHeight; ++row) {
        m_changedTiles[row] |= columns;
    }
}

void CCdgScreen::UpdateMirror() {
    const bool bAnyTile = std::any_of(m_changedTiles.begin(), m_changedTiles.end(),
                                      [](uint64_t columns) { return columns != 0; });
    if ((!m_bMirrorStale && !bAnyTile) || !m_pPicture || m_dib.GetBits() == nullptr) {
        return;
    }
    display::SurfaceDesc desc;
    if (!m_pPicture->Lock(desc)) {
        return;  // locked by a LockPicture caller: brought up to date on a later call
    }
    RefreshPixelCache();
    if (m_bMirrorStale) {
        for (int y = 0; y < m_nHeight; ++y) {
            ConvertRun(desc, 0, y, m_nWidth);
        }
    } else {
        // Runs of neighbouring changed tiles are converted line by line in one go.
        for (int row = 0; row < kCdgRows; ++row) {
            uint64_t columns = m_changedTiles[row];
            while (columns != 0) {
                const int nFirst = std::countr_zero(columns);
                const int nRun = std::countr_one(columns >> nFirst);
                columns &= nRun >= 64 ? 0 : ~(((uint64_t{1} << nRun) - 1) << nFirst);
                for (int y = row * kCdgTileHeight; y < (row + 1) * kCdgTileHeight; ++y) {
                    ConvertRun(desc, nFirst * kCdgTileWidth, y, nRun * kCdgTileWidth);
                }
            }
        }
    }
    m_changedTiles.fill(0);
    m_bMirrorStale = false;
    m_pPicture->Unlock();
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
    m_pPicture->Unlock();
    // The new surface is converted whole from the picture.
    m_bMirrorStale = true;
    UpdateMirror();
    m_pFrame.reset();
    m_pFrame = pDisplay->CreateSurface(m_nFrameWidth, m_nFrameHeight);
    m_bBorderDirty = true;
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
    if (!m_bPictureLocked) {
        UpdateMirror();
    }
    return true;
}

bool CCdgScreen::LockPicture() {
    if (m_bPictureLocked || !EnsureSurfaces() || !m_pPicture) {
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
    tindlib::CScopedLock hold(m_lock);
    if (Fill(nLeft, nTop, nRight, nBottom, static_cast<uint8_t>(nIndex & 0x0F))) {
        CountChange();
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
            FillSurface(desc, ColorToPixel(m_palette[m_nBorderColor & 0x0F]));
            m_pFrame->Unlock();
            m_bBorderDirty = false;
        }
    }
    if (m_pFrame && m_pPicture) {
        if (!m_bPictureLocked) {
            UpdateMirror();
        }
        const display::Rect dest{kCdgFrameWindowLeft, kCdgFrameWindowTop,
                                 kCdgFrameWindowLeft + kCdgWindowWidth,
                                 kCdgFrameWindowTop + kCdgWindowHeight};
        m_pFrame->Blt(dest, *m_pPicture, GetVisibleWindow());
    }
    return m_pFrame.get();
}
