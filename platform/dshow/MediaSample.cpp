// CMediaSample: buffer access and the actual data length.
#include "platform/dshow/MediaSample.h"

namespace dshow {

HRESULT CMediaSample::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IMediaSample) {
        *ppv = static_cast<IMediaSample*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT CMediaSample::GetPointer(BYTE** ppBuffer) {
    if (ppBuffer == nullptr)
        return E_POINTER;
    *ppBuffer = m_pBuffer;
    return S_OK;
}

HRESULT CMediaSample::SetActualDataLength(long length) {
    if (length < 0 || length > m_cbBuffer)
        return E_INVALIDARG;
    m_lActual = length;
    return S_OK;
}

}  // namespace dshow
