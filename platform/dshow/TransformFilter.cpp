// CTransformFilter and its two pins.
#include "platform/dshow/TransformFilter.h"

#include <cwchar>
#include <new>

#include "platform/com/TaskMemory.h"
#include "platform/dshow/MediaSample.h"
#include "platform/dshow/MediaSeeking.h"

namespace dshow {

namespace {

HRESULT CopyId(const wchar_t* id, LPWSTR* out) {
    if (out == nullptr)
        return E_POINTER;
    const size_t n = std::wcslen(id) + 1;
    *out = static_cast<LPWSTR>(CoTaskMemAlloc(n * sizeof(WCHAR)));
    if (*out == nullptr)
        return E_OUTOFMEMORY;
    std::wmemcpy(*out, id, n);
    return S_OK;
}

}  // namespace

CTransformInputPin::CTransformInputPin(CTransformFilter* pFilter, LPCWSTR pName)
    : CBaseInputPin(pFilter, &pFilter->m_csFilter, pName), m_pTransformFilter(pFilter) {}

HRESULT CTransformInputPin::QueryId(LPWSTR* Id) {
    return CopyId(L"In", Id);
}

HRESULT CTransformInputPin::CheckMediaType(const CMediaType* pmt) {
    const HRESULT hr = m_pTransformFilter->CheckInputType(pmt);
    if (hr != S_OK)
        return hr;
    CTransformOutputPin* output = m_pTransformFilter->OutputPin();
    if (output->IsConnected()) {
        return m_pTransformFilter->CheckTransform(pmt, &output->CurrentMediaType());
    }
    return S_OK;
}

HRESULT CTransformInputPin::SetMediaType(const CMediaType* pmt) {
    if (const HRESULT hr = CBasePin::SetMediaType(pmt); FAILED(hr))
        return hr;
    return m_pTransformFilter->SetMediaType(PINDIR_INPUT, pmt);
}

HRESULT CTransformInputPin::CheckConnect(IPin* pPin) {
    if (const HRESULT hr = m_pTransformFilter->CheckConnect(PINDIR_INPUT, pPin); FAILED(hr)) {
        return hr;
    }
    return CBaseInputPin::CheckConnect(pPin);
}

HRESULT CTransformInputPin::BreakConnect() {
    m_pTransformFilter->BreakConnect(PINDIR_INPUT);
    return CBaseInputPin::BreakConnect();
}

HRESULT CTransformInputPin::CompleteConnect(IPin* pReceivePin) {
    if (const HRESULT hr = m_pTransformFilter->CompleteConnect(PINDIR_INPUT, pReceivePin);
        FAILED(hr)) {
        return hr;
    }
    return CBaseInputPin::CompleteConnect(pReceivePin);
}

HRESULT CTransformInputPin::Receive(IMediaSample* pSample) {
    CAutoLock lock(&m_pTransformFilter->m_csReceive);
    if (const HRESULT hr = CBaseInputPin::Receive(pSample); hr != S_OK)
        return hr;
    return m_pTransformFilter->Receive(pSample);
}

HRESULT CTransformInputPin::EndOfStream() {
    CAutoLock lock(&m_pTransformFilter->m_csReceive);
    if (const HRESULT hr = CheckStreaming(); hr != S_OK)
        return hr;
    return m_pTransformFilter->EndOfStream();
}

HRESULT CTransformInputPin::BeginFlush() {
    CAutoLock lock(&m_pTransformFilter->m_csFilter);
    if (!IsConnected() || !m_pTransformFilter->OutputPin()->IsConnected()) {
        return VFW_E_NOT_CONNECTED;
    }
    CBaseInputPin::BeginFlush();
    return m_pTransformFilter->BeginFlush();
}

HRESULT CTransformInputPin::EndFlush() {
    CAutoLock lock(&m_pTransformFilter->m_csFilter);
    if (!IsConnected() || !m_pTransformFilter->OutputPin()->IsConnected()) {
        return VFW_E_NOT_CONNECTED;
    }
    const HRESULT hr = m_pTransformFilter->EndFlush();
    CBaseInputPin::EndFlush();
    return hr;
}

CTransformOutputPin::CTransformOutputPin(CTransformFilter* pFilter, LPCWSTR pName)
    : CBaseOutputPin(pFilter, &pFilter->m_csFilter, pName), m_pTransformFilter(pFilter) {}

CTransformOutputPin::~CTransformOutputPin() {
    delete m_pPosition;
}

HRESULT CTransformOutputPin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IMediaSeeking) {
        CAutoLock lock(m_pLock);
        if (m_pPosition == nullptr) {
            m_pPosition = new (std::nothrow)
                CPosPassThru(static_cast<IPin*>(this), m_pTransformFilter->InputPin());
            if (m_pPosition == nullptr)
                return E_OUTOFMEMORY;
        }
        return m_pPosition->NonDelegatingQueryInterface(riid, ppv);
    }
    return CBaseOutputPin::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CTransformOutputPin::QueryId(LPWSTR* Id) {
    return CopyId(L"Out", Id);
}

HRESULT CTransformOutputPin::CheckMediaType(const CMediaType* pmt) {
    CTransformInputPin* input = m_pTransformFilter->InputPin();
    if (!input->IsConnected())
        return E_UNEXPECTED;
    return m_pTransformFilter->CheckTransform(&input->CurrentMediaType(), pmt);
}

HRESULT CTransformOutputPin::SetMediaType(const CMediaType* pmt) {
    if (const HRESULT hr = CBasePin::SetMediaType(pmt); FAILED(hr))
        return hr;
    return m_pTransformFilter->SetMediaType(PINDIR_OUTPUT, pmt);
}

HRESULT CTransformOutputPin::CheckConnect(IPin* pPin) {
    if (const HRESULT hr = m_pTransformFilter->CheckConnect(PINDIR_OUTPUT, pPin); FAILED(hr)) {
        return hr;
    }
    return CBaseOutputPin::CheckConnect(pPin);
}

HRESULT CTransformOutputPin::BreakConnect() {
    m_pTransformFilter->BreakConnect(PINDIR_OUTPUT);
    return CBaseOutputPin::BreakConnect();
}

HRESULT CTransformOutputPin::CompleteConnect(IPin* pReceivePin) {
    if (const HRESULT hr = m_pTransformFilter->CompleteConnect(PINDIR_OUTPUT, pReceivePin);
        FAILED(hr)) {
        return hr;
    }
    return CBaseOutputPin::CompleteConnect(pReceivePin);
}

HRESULT CTransformOutputPin::GetMediaType(int iPosition, CMediaType* pmt) {
    if (pmt == nullptr)
        return E_POINTER;
    if (!m_pTransformFilter->InputPin()->IsConnected())
        return E_UNEXPECTED;
    return m_pTransformFilter->GetMediaType(iPosition, pmt);
}

CTransformFilter::CTransformFilter(IUnknown* pUnk, REFCLSID clsid)
    : CBaseFilter(pUnk, &m_csFilter, clsid) {}

CTransformFilter::~CTransformFilter() {
    delete m_pInput;
    delete m_pOutput;
}

CBasePin* CTransformFilter::GetPin(int n) {
    // Made on first use: the pins' types come from virtual functions of the derived class.
    if (m_pInput == nullptr) {
        m_pInput = new CTransformInputPin(this, L"Input");
        m_pOutput = new CTransformOutputPin(this, L"Output");
    }
    switch (n) {
        case 0:
            return m_pInput;
        case 1:
            return m_pOutput;
        default:
            return nullptr;
    }
}

HRESULT CTransformFilter::Stop() {
    CAutoLock lock(&m_csFilter);
    if (m_State == State_Stopped)
        return S_OK;
    // Waits for the sample in progress, so nothing streams once stopped.
    CAutoLock receive(&m_csReceive);
    m_State = State_Stopped;
    return S_OK;
}

HRESULT CTransformFilter::Transform(IMediaSample* /*pIn*/, IMediaSample* /*pOut*/) {
    return E_UNEXPECTED;
}

HRESULT CTransformFilter::SetMediaType(PIN_DIRECTION, const CMediaType*) {
    return S_OK;
}
HRESULT CTransformFilter::CheckConnect(PIN_DIRECTION, IPin*) {
    return S_OK;
}
HRESULT CTransformFilter::BreakConnect(PIN_DIRECTION) {
    return S_OK;
}
HRESULT CTransformFilter::CompleteConnect(PIN_DIRECTION, IPin*) {
    return S_OK;
}

HRESULT CTransformFilter::Receive(IMediaSample* pSample) {
    BYTE* in = nullptr;
    if (const HRESULT hr = pSample->GetPointer(&in); FAILED(hr))
        return hr;
    const long length = pSample->GetActualDataLength();
    if (length < 0)
        return E_UNEXPECTED;
    m_outputBuffer.assign(in, in + length);
    CMediaSample out(m_outputBuffer.data(), length);
    const HRESULT hr = Transform(pSample, &out);
    if (hr == S_FALSE)
        return S_OK;  // the filter chose to drop the sample
    if (FAILED(hr))
        return hr;
    return m_pOutput->Deliver(&out);
}

HRESULT CTransformFilter::EndOfStream() {
    return m_pOutput->DeliverEndOfStream();
}
HRESULT CTransformFilter::BeginFlush() {
    return m_pOutput->DeliverBeginFlush();
}
HRESULT CTransformFilter::EndFlush() {
    return m_pOutput->DeliverEndFlush();
}

}  // namespace dshow
