// The host's own pins: type offers and acceptance, and sample hand-over.
#include "platform/dshow/HostPins.h"

namespace dshow {

HRESULT CHostOutputPin::CheckMediaType(const CMediaType* pmt) {
    return pmt == nullptr ? E_POINTER : S_OK;
}

HRESULT CHostOutputPin::GetMediaType(int iPosition, CMediaType* pmt) {
    if (pmt == nullptr)
        return E_POINTER;
    if (iPosition != 0 || !m_offered)
        return VFW_S_NO_MORE_ITEMS;
    *pmt = *m_offered;
    return S_OK;
}

HRESULT CHostInputPin::CheckMediaType(const CMediaType* pmt) {
    if (pmt == nullptr)
        return E_POINTER;
    return !m_accept || m_accept(*pmt) ? S_OK : S_FALSE;
}

HRESULT CHostInputPin::Receive(IMediaSample* pSample) {
    if (const HRESULT hr = CBaseInputPin::Receive(pSample); hr != S_OK)
        return hr;
    return m_onSample ? m_onSample(pSample) : S_OK;
}

HRESULT CHostInputPin::EndOfStream() {
    ++m_nEndOfStream;
    return S_OK;
}

}  // namespace dshow
