// CDib: a device-independent bitmap (bottom-up rows, 4-byte stride) holding palette indices.
#pragma once

#include <cstddef>
#include <cstdint>

// The bitmap header in the platform's DIB layout.
struct BITMAPINFOHEADER {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;  // positive: rows stored bottom-up
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

inline constexpr uint32_t BI_RGB = 0;

class CDib {
public:
    CDib() = default;
    virtual ~CDib();
    CDib(const CDib&) = delete;
    CDib& operator=(const CDib&) = delete;

    // Frees what it held and allocates a zeroed bitmap. False (and empty) without memory.
    bool Create(int nBitsPerPixel, int32_t nWidth, int32_t nHeight);
    // Gives the memory back when owned; the pointers become null in every case.
    void Free();

    int32_t GetWidth() const { return m_pHeader ? m_pHeader->biWidth : 0; }
    int32_t GetHeight() const { return m_pHeader ? m_pHeader->biHeight : 0; }
    int32_t GetStride() const {
        return m_pHeader ? StrideOf(m_pHeader->biWidth, m_pHeader->biBitCount) : 0;
    }
    const BITMAPINFOHEADER* GetHeader() const { return m_pHeader; }
    uint8_t* GetBits() const { return m_pBits; }

    // First byte of pixel (x, y), y counted from the top; null without a bitmap.
    uint8_t* GetPixelAddress(int x, int y) const {
        if (m_pHeader == nullptr || m_pBits == nullptr) {
            return nullptr;
        }
        const int32_t row = m_pHeader->biHeight - 1 - y;
        return m_pBits + static_cast<size_t>(row) * GetStride() +
               static_cast<size_t>(x) * (m_pHeader->biBitCount / 8);
    }
    // Sets the first width bytes of every row (padding untouched); 8-bit bitmaps only.
    bool Fill(uint8_t nValue);

    // Frees this bitmap's memory and takes source's blocks without copying; source is
    // marked as not owning them, so its destruction frees nothing.
    void AdoptMemoryOf(CDib& source);

    // Makes every later Create fail, so callers' out-of-memory paths can be exercised.
    static void SimulateAllocationFailure(bool bFail);

    // Bytes from one row to the next: rows are padded to a multiple of four bytes.
    static constexpr int32_t StrideOf(int32_t nWidth, int nBitsPerPixel) {
        return ((nWidth * nBitsPerPixel + 31) / 32) * 4;
    }

    bool m_bOwnsMemory = true;

private:
    uint8_t* m_pBits = nullptr;
    BITMAPINFOHEADER* m_pHeader = nullptr;  // at the front of a 1068-byte block
};
