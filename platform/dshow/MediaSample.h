// CMediaSample: an IMediaSample over memory its creator owns.
#pragma once

#include <atomic>

#include "platform/dshow/DShowTypes.h"

namespace dshow {

// The creator owns the sample and its memory and keeps both alive while the sample is
// being delivered; AddRef and Release only count (like a sample going back to its
// allocator on its last release, it is never deleted through them).
class CMediaSample final : public IMediaSample {
public:
    CMediaSample(BYTE* pBuffer, long size, bool readOnly = false)
        : m_pBuffer(pBuffer), m_cbBuffer(size), m_lActual(size), m_bReadOnly(readOnly) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return ++m_cRef; }
    ULONG Release() override { return --m_cRef; }

    HRESULT GetPointer(BYTE** ppBuffer) override;
    long GetSize() override { return m_cbBuffer; }
    long GetActualDataLength() override { return m_lActual; }
    HRESULT SetActualDataLength(long length) override;
    bool IsReadOnly() override { return m_bReadOnly; }

private:
    BYTE* m_pBuffer;
    long m_cbBuffer;
    long m_lActual;
    bool m_bReadOnly;
    std::atomic<ULONG> m_cRef{1};
};

}  // namespace dshow
