// Bitmap allocation, geometry and filling.
#include "player/cdg/Dib.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

// Header block: the 40-byte header plus room for 256 colour-table entries and 4 bytes.
constexpr size_t kHeaderBlockSize = sizeof(BITMAPINFOHEADER) + 256 * 4 + 4;  // 1068
constexpr int32_t kPixelsPerMetre = 2880;

std::atomic<bool> g_bFailAllocations{false};

void* AllocateZeroed(size_t nBytes) {
    if (g_bFailAllocations.load(std::memory_order_relaxed)) {
        return nullptr;
    }
    return std::calloc(nBytes, 1);
}

}  // namespace

CDib::~CDib() {
    Free();
}

void CDib::SimulateAllocationFailure(bool bFail) {
    g_bFailAllocations.store(bFail);
}

bool CDib::Create(int nBitsPerPixel, int32_t nWidth, int32_t nHeight) {
    Free();
    m_bOwnsMemory = true;
    if (nBitsPerPixel <= 0 || nWidth <= 0 || nHeight <= 0) {
        return false;
    }
    m_pHeader = static_cast<BITMAPINFOHEADER*>(AllocateZeroed(kHeaderBlockSize));
    if (m_pHeader == nullptr) {
        return false;
    }
    const int32_t stride = StrideOf(nWidth, nBitsPerPixel);
    m_pHeader->biSize = sizeof(BITMAPINFOHEADER);
    m_pHeader->biWidth = nWidth;
    m_pHeader->biHeight = nHeight;
    m_pHeader->biPlanes = 1;
    m_pHeader->biBitCount = static_cast<uint16_t>(nBitsPerPixel);
    m_pHeader->biCompression = BI_RGB;
    m_pHeader->biXPelsPerMeter = kPixelsPerMetre;
    m_pHeader->biYPelsPerMeter = kPixelsPerMetre;
    m_pHeader->biSizeImage = static_cast<uint32_t>(stride) * static_cast<uint32_t>(nHeight);

    m_pBits = static_cast<uint8_t*>(AllocateZeroed(m_pHeader->biSizeImage));
    if (m_pBits == nullptr) {
        Free();
    }
    return m_pBits != nullptr;
}

void CDib::Free() {
    if (m_bOwnsMemory) {
        std::free(m_pBits);
        std::free(m_pHeader);
    }
    m_pBits = nullptr;
    m_pHeader = nullptr;
}

bool CDib::Fill(uint8_t nValue) {
    if (m_pHeader == nullptr || m_pBits == nullptr || m_pHeader->biBitCount != 8) {
        return false;
    }
    const int32_t stride = GetStride();
    for (int32_t row = 0; row < m_pHeader->biHeight; ++row) {
        std::memset(m_pBits + static_cast<size_t>(row) * stride, nValue,
                    static_cast<size_t>(m_pHeader->biWidth));
    }
    return true;
}

void CDib::AdoptMemoryOf(CDib& source) {
    Free();
    m_pBits = source.m_pBits;
    m_pHeader = source.m_pHeader;
    m_bOwnsMemory = source.m_bOwnsMemory;
    source.m_bOwnsMemory = false;
}
