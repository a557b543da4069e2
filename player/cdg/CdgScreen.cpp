// The CD+G instruction interpreter: one handler per instruction, dispatched by Execute.
#include "player/cdg/CdgScreen.h"

#include <algorithm>

namespace {

// Data symbol fields.
constexpr uint8_t kColorMask = 0x0F;
constexpr uint8_t kTileRowMask = 0x1F;
constexpr uint8_t kTileColumnMask = 0x3F;
constexpr uint8_t kLeftmostPixelBit = 0x20;  // bit 5 is the leftmost of a tile line's six
constexpr uint8_t kOffsetMask = 0x0F;
constexpr int kScrollCommandShift = 4;
constexpr uint8_t kScrollCommandMask = 0x03;
constexpr int kColorsPerLoad = 8;

// Symbols of a tile block.
constexpr int kSymColor0 = 0;
constexpr int kSymColor1 = 1;
constexpr int kSymRow = 2;
constexpr int kSymColumn = 3;
constexpr int kSymFirstLine = 4;

// Scroll command: 0 still, 1 moves content right/down (source -step), 2 and 3 left/up.
int ScrollStep(uint8_t symbol, int nStep) {
    switch ((symbol >> kScrollCommandShift) & kScrollCommandMask) {
        case 0:
            return 0;
        case 1:
            return -nStep;
        default:
            return nStep;
    }
}

}  // namespace

CCdgScreen::CCdgScreen() {
    Reset();
}

CCdgScreen::~CCdgScreen() {
    m_pPicture.reset();
    m_pPictureDesc.reset();
    m_pFrame.reset();
}

void CCdgScreen::Reset() {
    tindlib::CScopedLock hold(m_lock);
    m_dib.Create(8, m_nWidth, m_nHeight);
    m_palette.fill(0);
    m_nBorderColor = 0;
    m_nHOffset = 0;
    m_nVOffset = 0;
    CreateSurfaces();
    FillRect(0, 0, m_nWidth, m_nHeight, 0);
}

bool CCdgScreen::Execute(const CCdgPacket& packet) {
    if (packet.m_instruction == 0) {
        return true;
    }
    tindlib::CScopedLock hold(m_lock, m_nLockTimeoutMs.load());
    if (!hold.Acquired()) {
        return false;
    }
    m_bRebuild = false;
    if (packet.m_command != kCdgCommandGraphics || m_dib.GetBits() == nullptr) {
        return false;
    }
    switch (packet.m_instruction) {
        case kCdgMemoryPreset:
            MemoryPreset(packet);
            break;
        case kCdgBorderPreset:
            BorderPreset(packet);
            break;
        case kCdgTileBlock:
            TileBlock(packet);
            break;
        case kCdgScrollPreset:
            ScrollPreset(packet);
            break;
        case kCdgScrollCopy:
            ScrollCopy(packet);
            break;
        case kCdgDefineTransparent:
            DefineTransparent(packet);
            break;
        case kCdgLoadColorsLow:
            LoadColorsLow(packet);
            m_bRebuild = true;
            break;
        case kCdgLoadColorsHigh:
            LoadColorsHigh(packet);
            m_bRebuild = true;
            break;
        case kCdgTileBlockXor:
            TileBlockXor(packet);
            break;
        default:
            return false;
    }
    if (m_bRebuild) {
        ReleaseSurfaces();
    }
    return true;
}

void CCdgScreen::Clear() {
    tindlib::CScopedLock hold(m_lock);
    ReleaseSurfaces();
    m_dib.Fill(0);
    m_palette.fill(0);
}

void CCdgScreen::MemoryPreset(const CCdgPacket& packet) {
    const int nColor = packet.m_data[0] & kColorMask;
    const int nRepeat = packet.m_data[1] & kColorMask;
    // Discs send the preset several times; only the first (repeat 0) is acted on.
    if (nRepeat != 0) {
        return;
    }
    FillRect(0, 0, m_nWidth, m_nHeight, nColor);
    m_nHOffset = 0;
    m_nVOffset = 0;
}

void CCdgScreen::BorderPreset(const CCdgPacket& packet) {
    m_nBorderColor = packet.m_data[0] & kColorMask;
    m_bBorderDirty = true;
}

void CCdgScreen::DrawTile(const CCdgPacket& packet, bool bXor) {
    const uint8_t colors[2] = {static_cast<uint8_t>(packet.m_data[kSymColor0] & kColorMask),
                               static_cast<uint8_t>(packet.m_data[kSymColor1] & kColorMask)};
    const int nRow = std::min<int>(packet.m_data[kSymRow] & kTileRowMask, kCdgRows - 1);
    const int nColumn = std::min<int>(packet.m_data[kSymColumn] & kTileColumnMask, kCdgColumns - 1);
    const int x0 = nColumn * kCdgTileWidth;
    const int y0 = nRow * kCdgTileHeight;

    // One lock of the picture surface for the whole tile instead of one per pixel.
    EnsureSurfaces();
    const bool bLocked = !m_bPictureLocked && LockPicture();
    const bool bMirror = m_bPictureLocked;
    uint8_t indices[kCdgTileWidth];
    for (int i = 0; i < kCdgTileHeight; ++i) {
        const uint8_t bits = packet.m_data[kSymFirstLine + i];
        uint8_t* pRow = m_dib.GetPixelAddress(x0, y0 + i);
        for (int j = 0; j < kCdgTileWidth; ++j) {
            uint8_t nIndex = colors[(bits & (kLeftmostPixelBit >> j)) != 0];
            if (bXor) {
                nIndex ^= pRow[j];
            }
            pRow[j] = nIndex;
            indices[j] = nIndex;
        }
        if (bMirror) {
            StoreRun(x0, y0 + i, indices, kCdgTileWidth);
        }
    }
    if (bLocked) {
        UnlockPicture();
    }
}

void CCdgScreen::Scroll(const CCdgPacket& packet, bool bCopy) {
    const uint8_t nColor = packet.m_data[0] & kColorMask;
    m_nHOffset = packet.m_data[1] & kOffsetMask;
    m_nVOffset = packet.m_data[2] & kOffsetMask;
    const int dx = ScrollStep(packet.m_data[1], kCdgTileWidth);
    const int dy = ScrollStep(packet.m_data[2], kCdgTileHeight);
    if (dx == 0 && dy == 0) {
        return;
    }

    CDib moved;
    if (!moved.Create(8, m_nWidth, m_nHeight)) {
        return;  // no memory: the picture stays as it was
    }
    for (int y = 0; y < m_nHeight; ++y) {
        int sy = y + dy;
        const bool bRowOutside = sy < 0 || sy >= m_nHeight;
        if (bRowOutside) {
            sy = sy < 0 ? sy + m_nHeight : sy - m_nHeight;
        }
        uint8_t* pDest = moved.GetPixelAddress(0, y);
        const uint8_t* pSource = m_dib.GetPixelAddress(0, sy);
        for (int x = 0; x < m_nWidth; ++x) {
            int sx = x + dx;
            const bool bOutside = bRowOutside || sx < 0 || sx >= m_nWidth;
            if (bOutside && !bCopy) {
                pDest[x] = nColor;
                continue;
            }
            if (sx < 0) {
                sx += m_nWidth;
            } else if (sx >= m_nWidth) {
                sx -= m_nWidth;
            }
            pDest[x] = pSource[sx];
        }
    }
    m_dib.AdoptMemoryOf(moved);
    m_bRebuild = true;
}

void CCdgScreen::LoadColors(const CCdgPacket& packet, int nBase) {
    for (int i = 0; i < kColorsPerLoad; ++i) {
        m_palette[nBase + i] = DecodeCdgColor(packet.m_data[2 * i], packet.m_data[2 * i + 1]);
    }
    m_bBorderDirty = true;
}
