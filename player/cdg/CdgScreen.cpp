// The CD+G instruction interpreter: one handler per instruction, dispatched by Execute.
// Handlers change the picture (m_dib) alone and tell the mirror what they changed.
#include "player/cdg/CdgScreen.h"

#include <algorithm>
#include <cstring>

namespace {

// Data symbol fields.
constexpr uint8_t kColorMask = 0x0F;
constexpr uint8_t kTileRowMask = 0x1F;
constexpr uint8_t kTileColumnMask = 0x3F;
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

// A tile line's six pixels as bytes, 0xFF where the line's bit is set (colour1) and 0
// where it is clear: bit 5 is the leftmost pixel, the lowest byte in memory.
constexpr int kLinePatterns = 64;                      // six bits
constexpr uint64_t kByteOnes = 0x0000010101010101ull;  // 0x01 in each of the six bytes
constexpr std::array<uint64_t, kLinePatterns> MakeLineMasks() {
    std::array<uint64_t, kLinePatterns> masks{};
    for (int bits = 0; bits < kLinePatterns; ++bits) {
        for (int j = 0; j < kCdgTileWidth; ++j) {
            if (bits & (0x20 >> j)) {
                masks[bits] |= uint64_t{0xFF} << (8 * j);
            }
        }
    }
    return masks;
}
constexpr std::array<uint64_t, kLinePatterns> kLineMasks = MakeLineMasks();

// Six pixels are moved as four bytes and two, so nothing past the line is touched.
uint64_t LoadLine(const uint8_t* p) {
    uint32_t lo = 0;
    uint16_t hi = 0;
    std::memcpy(&lo, p, sizeof(lo));
    std::memcpy(&hi, p + sizeof(lo), sizeof(hi));
    return lo | (uint64_t{hi} << 32);
}
void StoreLine(uint8_t* p, uint64_t line) {
    const auto lo = static_cast<uint32_t>(line);
    const auto hi = static_cast<uint16_t>(line >> 32);
    std::memcpy(p, &lo, sizeof(lo));
    std::memcpy(p + sizeof(lo), &hi, sizeof(hi));
}

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
    CountChange();
}

bool CCdgScreen::Execute(const CCdgPacket& packet) {
    if (packet.m_instruction == 0) {
        return true;
    }
    tindlib::CScopedLock hold(m_lock, m_nLockTimeoutMs.load(std::memory_order_relaxed));
    if (!hold.Acquired()) {
        return false;
    }
    m_bRebuild = false;
    if (packet.m_command != kCdgCommandGraphics || m_dib.GetBits() == nullptr) {
        return false;
    }
    bool bChanged = false;
    switch (packet.m_instruction) {
        case kCdgMemoryPreset:
            bChanged = MemoryPreset(packet);
            break;
        case kCdgBorderPreset:
            bChanged = BorderPreset(packet);
            break;
        case kCdgTileBlock:
            bChanged = TileBlock(packet);
            break;
        case kCdgScrollPreset:
            bChanged = ScrollPreset(packet);
            break;
        case kCdgScrollCopy:
            bChanged = ScrollCopy(packet);
            break;
        case kCdgDefineTransparent:
            bChanged = DefineTransparent(packet);
            break;
        case kCdgLoadColorsLow:
            bChanged = LoadColorsLow(packet);
            m_bRebuild = true;
            break;
        case kCdgLoadColorsHigh:
            bChanged = LoadColorsHigh(packet);
            m_bRebuild = true;
            break;
        case kCdgTileBlockXor:
            bChanged = TileBlockXor(packet);
            break;
        default:
            return false;
    }
    // Every pixel may show differently now; the render pass converts them all once,
    // however many such packets came before it.
    if (m_bRebuild && bChanged) {
        MarkAllChanged();
    }
    if (bChanged) {
        CountChange();
    }
    return true;
}

void CCdgScreen::Clear() {
    tindlib::CScopedLock hold(m_lock);
    ReleaseSurfaces();
    m_dib.Fill(0);
    m_palette.fill(0);
    CountChange();
}

bool CCdgScreen::MemoryPreset(const CCdgPacket& packet) {
    const auto nColor = static_cast<uint8_t>(packet.m_data[0] & kColorMask);
    const int nRepeat = packet.m_data[1] & kColorMask;
    // Discs send the preset several times; only the first (repeat 0) is acted on.
    if (nRepeat != 0) {
        return false;
    }
    const bool bFilled = Fill(0, 0, m_nWidth, m_nHeight, nColor);
    const bool bMoved = m_nHOffset != 0 || m_nVOffset != 0;
    m_nHOffset = 0;
    m_nVOffset = 0;
    return bFilled || bMoved;
}

bool CCdgScreen::BorderPreset(const CCdgPacket& packet) {
    const int nColor = packet.m_data[0] & kColorMask;
    const bool bChanged = nColor != m_nBorderColor;
    m_nBorderColor = nColor;
    m_bBorderDirty = true;
    return bChanged;
}

bool CCdgScreen::DrawTile(const CCdgPacket& packet, bool bXor) {
    const uint64_t color0 = (packet.m_data[kSymColor0] & kColorMask) * kByteOnes;
    const uint64_t color1 = (packet.m_data[kSymColor1] & kColorMask) * kByteOnes;
    const int nRow = std::min<int>(packet.m_data[kSymRow] & kTileRowMask, kCdgRows - 1);
    const int nColumn = std::min<int>(packet.m_data[kSymColumn] & kTileColumnMask, kCdgColumns - 1);
    const int x0 = nColumn * kCdgTileWidth;
    const int y0 = nRow * kCdgTileHeight;

    // Rows are stored bottom-up: each line of the tile lies one stride below the last.
    const ptrdiff_t nStep = -static_cast<ptrdiff_t>(m_dib.GetStride());
    uint8_t* pLine = m_dib.GetPixelAddress(x0, y0);
    const uint64_t oldMask = bXor ? ~uint64_t{0} : 0;
    uint64_t nDiff = 0;
    for (int i = 0; i < kCdgTileHeight; ++i, pLine += nStep) {
        const uint64_t mask = kLineMasks[packet.m_data[kSymFirstLine + i] & (kLinePatterns - 1)];
        const uint64_t old = LoadLine(pLine);
        // XOR tiles combine with the old pixels; without a branch, as both kinds interleave.
        const uint64_t line = (color0 ^ (mask & (color0 ^ color1))) ^ (old & oldMask);
        nDiff |= line ^ old;
        StoreLine(pLine, line);
    }
    if (nDiff == 0) {
        return false;
    }
    m_changedTiles[nRow] |= uint64_t{1} << nColumn;
    return true;
}

bool CCdgScreen::Scroll(const CCdgPacket& packet, bool bCopy) {
    const uint8_t nColor = packet.m_data[0] & kColorMask;
    const int nHOffset = packet.m_data[1] & kOffsetMask;
    const int nVOffset = packet.m_data[2] & kOffsetMask;
    const bool bOffsetsChanged = nHOffset != m_nHOffset || nVOffset != m_nVOffset;
    m_nHOffset = nHOffset;
    m_nVOffset = nVOffset;
    const int dx = ScrollStep(packet.m_data[1], kCdgTileWidth);
    const int dy = ScrollStep(packet.m_data[2], kCdgTileHeight);
    if (dx == 0 && dy == 0) {
        return bOffsetsChanged;
    }

    CDib moved;
    if (!moved.Create(8, m_nWidth, m_nHeight)) {
        return bOffsetsChanged;  // no memory: the picture stays as it was
    }
    // New pixel (x, y) comes from (x + dx, y + dy); outside the picture a preset shows the
    // colour and a copy wraps around. Whole rows at a time: with dx = +6 the row's first
    // 294 pixels come from 6 on and the last 6 from the start (or the colour); with dx = -6
    // the other way round.
    const size_t nWidth = static_cast<size_t>(m_nWidth);
    const size_t nShift = static_cast<size_t>(dx < 0 ? -dx : dx);
    for (int y = 0; y < m_nHeight; ++y) {
        uint8_t* pDest = moved.GetPixelAddress(0, y);
        int sy = y + dy;
        const bool bRowOutside = sy < 0 || sy >= m_nHeight;
        if (bRowOutside && !bCopy) {
            std::memset(pDest, nColor, nWidth);
            continue;
        }
        sy = sy < 0 ? sy + m_nHeight : (sy >= m_nHeight ? sy - m_nHeight : sy);
        const uint8_t* pSource = m_dib.GetPixelAddress(0, sy);
        if (dx == 0) {
            std::memcpy(pDest, pSource, nWidth);
        } else if (dx > 0) {
            std::memcpy(pDest, pSource + nShift, nWidth - nShift);
            if (bCopy) {
                std::memcpy(pDest + nWidth - nShift, pSource, nShift);
            } else {
                std::memset(pDest + nWidth - nShift, nColor, nShift);
            }
        } else {
            std::memcpy(pDest + nShift, pSource, nWidth - nShift);
            if (bCopy) {
                std::memcpy(pDest, pSource + nWidth - nShift, nShift);
            } else {
                std::memset(pDest, nColor, nShift);
            }
        }
    }
    const bool bPictureChanged =
        std::memcmp(moved.GetBits(), m_dib.GetBits(), m_dib.GetHeader()->biSizeImage) != 0;
    m_dib.AdoptMemoryOf(moved);
    m_bRebuild = true;
    return bPictureChanged || bOffsetsChanged;
}

bool CCdgScreen::LoadColors(const CCdgPacket& packet, int nBase) {
    bool bChanged = false;
    for (int i = 0; i < kColorsPerLoad; ++i) {
        const COLORREF color = DecodeCdgColor(packet.m_data[2 * i], packet.m_data[2 * i + 1]);
        bChanged = bChanged || m_palette[nBase + i] != color;
        m_palette[nBase + i] = color;
    }
    m_bBorderDirty = true;
    return bChanged;
}

bool CCdgScreen::Fill(int nLeft, int nTop, int nRight, int nBottom, uint8_t nIndex) {
    nLeft = std::max(nLeft, 0);
    nTop = std::max(nTop, 0);
    nRight = std::min(nRight, m_nWidth);
    nBottom = std::min(nBottom, m_nHeight);
    if (nLeft >= nRight || nTop >= nBottom || m_dib.GetBits() == nullptr) {
        return false;
    }
    // Looked at before it is written, so that refilling a picture with its own colour
    // counts as no change; each row is compared with a row of the colour (memcmp is the C
    // library's vectorised comparison).
    const size_t nCount = static_cast<size_t>(nRight - nLeft);
    std::array<uint8_t, kCdgPictureWidth> colorRow;
    colorRow.fill(nIndex);
    bool bDiffers = false;
    for (int y = nTop; y < nBottom && !bDiffers; ++y) {
        bDiffers = std::memcmp(m_dib.GetPixelAddress(nLeft, y), colorRow.data(), nCount) != 0;
    }
    if (!bDiffers) {
        return false;
    }
    for (int y = nTop; y < nBottom; ++y) {
        std::memset(m_dib.GetPixelAddress(nLeft, y), nIndex, nCount);
    }
    MarkChanged(nLeft, nTop, nRight, nBottom);
    return true;
}
