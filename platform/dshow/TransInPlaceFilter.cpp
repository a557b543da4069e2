// CTransInPlaceFilter and its pins.
#include "platform/dshow/TransInPlaceFilter.h"

#include <optional>

#include "platform/dshow/MediaSample.h"

namespace dshow {

CTransInPlaceInputPin::CTransInPlaceInputPin(CTransInPlaceFilter* pFilter, LPCWSTR pName)
    : CTransformInputPin(pFilter, pName) {}

HRESULT CTransInPlaceInputPin::CheckMediaType(const CMediaType* pmt) {
    if (const HRESULT hr = m_pTransformFilter->CheckInputType(pmt); hr != S_OK)
        return hr;
    CTransformOutputPin* output = m_pTransformFilter->OutputPin();
    if (output->IsConnected())
        return output->GetConnected()->QueryAccept(pmt);
    return S_OK;
}

HRESULT CTransInPlaceInputPin::GetMediaType(int iPosition, CMediaType* pmt) {
    if (pmt == nullptr)
        return E_POINTER;
    CTransformOutputPin* output = m_pTransformFilter->OutputPin();
    if (!output->IsConnected())
        return VFW_E_NOT_CONNECTED;
    return output->GetConnected()->GetMediaType(iPosition, pmt);
}

CTransInPlaceOutputPin::CTransInPlaceOutputPin(CTransInPlaceFilter* pFilter, LPCWSTR pName)
    : CTransformOutputPin(pFilter, pName) {}

HRESULT CTransInPlaceOutputPin::CheckMediaType(const CMediaType* pmt) {
    // The output carries the input's type, so the input rule applies here too.
    if (const HRESULT hr = m_pTransformFilter->CheckInputType(pmt); hr != S_OK)
        return hr;
    CTransformInputPin* input = m_pTransformFilter->InputPin();
    if (input->IsConnected())
        return input->GetConnected()->QueryAccept(pmt);
    return S_OK;
}

HRESULT CTransInPlaceOutputPin::GetMediaType(int iPosition, CMediaType* pmt) {
    if (pmt == nullptr)
        return E_POINTER;
    CTransformInputPin* input = m_pTransformFilter->InputPin();
    if (!input->IsConnected())
        return VFW_E_NOT_CONNECTED;
    return input->GetConnected()->GetMediaType(iPosition, pmt);
}

CTransInPlaceFilter::CTransInPlaceFilter(IUnknown* pUnk, REFCLSID clsid, bool bModifiesData)
    : CTransformFilter(pUnk, clsid), m_bModifiesData(bModifiesData) {}

CBasePin* CTransInPlaceFilter::GetPin(int n) {
    if (m_pInput == nullptr) {
        m_pInput = new CTransInPlaceInputPin(this, L"Input");
        m_pOutput = new CTransInPlaceOutputPin(this, L"Output");
    }
    return CTransformFilter::GetPin(n);
}

HRESULT CTransInPlaceFilter::Receive(IMediaSample* pSample) {
    IMediaSample* sample = pSample;
    std::optional<CMediaSample> copy;
    if (m_bModifiesData && pSample->IsReadOnly()) {
        // The producer still uses that memory: work on a copy of it.
        BYTE* in = nullptr;
        if (const HRESULT hr = pSample->GetPointer(&in); FAILED(hr))
            return hr;
        const long length = pSample->GetActualDataLength();
        if (length < 0)
            return E_UNEXPECTED;
        m_copyBuffer.assign(in, in + length);
        sample = &copy.emplace(m_copyBuffer.data(), length);
    }
    const HRESULT hr = Transform(sample);
    if (hr == S_FALSE)
        return S_OK;
    if (FAILED(hr))
        return hr;
    return m_pOutput->Deliver(sample);
}

}  // namespace dshow
