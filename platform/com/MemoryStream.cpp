// CMemoryStream: reads, writes and seeks over an in-memory buffer.
#include "platform/com/MemoryStream.h"

#include <cstring>
#include <limits>
#include <new>

namespace com {

HRESULT CMemoryStream::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IStream) {
        *ppv = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CMemoryStream::Release() {
    const ULONG n = --m_nRefs;
    if (n == 0)
        delete this;
    return n;
}

HRESULT CMemoryStream::Read(void* pv, ULONG cb, ULONG* pcbRead) {
    if (pv == nullptr && cb != 0)
        return E_POINTER;
    const size_t available = m_position < m_data.size() ? m_data.size() - m_position : 0;
    const size_t n = cb < available ? cb : available;
    if (n != 0)
        std::memcpy(pv, m_data.data() + m_position, n);
    m_position += n;
    if (pcbRead != nullptr)
        *pcbRead = static_cast<ULONG>(n);
    return n == cb ? S_OK : S_FALSE;
}

HRESULT CMemoryStream::Write(const void* pv, ULONG cb, ULONG* pcbWritten) {
    if (pv == nullptr && cb != 0)
        return E_POINTER;
    try {
        if (m_position + cb > m_data.size())
            m_data.resize(m_position + cb);
    } catch (const std::bad_alloc&) {
        if (pcbWritten != nullptr)
            *pcbWritten = 0;
        return E_OUTOFMEMORY;
    }
    if (cb != 0)
        std::memcpy(m_data.data() + m_position, pv, cb);
    m_position += cb;
    if (pcbWritten != nullptr)
        *pcbWritten = cb;
    return S_OK;
}

HRESULT CMemoryStream::Seek(int64_t move, STREAM_SEEK origin, uint64_t* pNewPosition) {
    int64_t base = 0;
    switch (origin) {
        case STREAM_SEEK_SET:
            base = 0;
            break;
        case STREAM_SEEK_CUR:
            base = static_cast<int64_t>(m_position);
            break;
        case STREAM_SEEK_END:
            base = static_cast<int64_t>(m_data.size());
            break;
        default:
            return STG_E_INVALIDFUNCTION;
    }
    if ((move < 0 && base + move < 0) ||
        (move > 0 && base > std::numeric_limits<int64_t>::max() - move)) {
        return STG_E_INVALIDFUNCTION;
    }
    m_position = static_cast<size_t>(base + move);
    if (pNewPosition != nullptr)
        *pNewPosition = m_position;
    return S_OK;
}

}  // namespace com
