// CBasePin and its input and output kinds: connecting, disconnecting, passing samples.
#include "platform/dshow/BasePin.h"

#include <cwchar>

#include "platform/com/TaskMemory.h"
#include "platform/dshow/BaseFilter.h"

namespace dshow {

CBasePin::CBasePin(CBaseFilter* pFilter, CCritSec* pLock, LPCWSTR pName, PIN_DIRECTION dir)
    : CUnknown(nullptr), m_pFilter(pFilter), m_pLock(pLock), m_pName(pName), m_dir(dir) {}

HRESULT CBasePin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IPin || riid == IID_IUnknown) {
        return GetInterface(static_cast<IPin*>(this), ppv);
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CBasePin::NonDelegatingAddRef() {
    return m_pFilter != nullptr ? m_pFilter->GetOwner()->AddRef() : 2;
}

ULONG CBasePin::NonDelegatingRelease() {
    return m_pFilter != nullptr ? m_pFilter->GetOwner()->Release() : 1;
}

HRESULT CBasePin::Connect(IPin* pReceivePin, const CMediaType* pmt) {
    if (pReceivePin == nullptr)
        return E_POINTER;
    CAutoLock lock(m_pLock);
    if (m_Connected != nullptr)
        return VFW_E_ALREADY_CONNECTED;
    if (m_pFilter != nullptr && !m_pFilter->IsStopped())
        return VFW_E_NOT_STOPPED;
    if (pmt != nullptr)
        return AttemptConnection(pReceivePin, pmt);
    // The receiving pin's preferences first, then ours.
    for (IPin* source : {pReceivePin, static_cast<IPin*>(this)}) {
        for (int i = 0;; ++i) {
            CMediaType candidate;
            if (source->GetMediaType(i, &candidate) != S_OK)
                break;
            if (SUCCEEDED(AttemptConnection(pReceivePin, &candidate)))
                return S_OK;
        }
    }
    return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT CBasePin::CheckProposal(IPin* pPeer, const CMediaType* pmt) {
    if (const HRESULT hr = CheckConnect(pPeer); FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    if (CheckMediaType(pmt) != S_OK) {
        BreakConnect();
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

HRESULT CBasePin::AttemptConnection(IPin* pReceivePin, const CMediaType* pmt) {
    if (const HRESULT hr = CheckProposal(pReceivePin, pmt); FAILED(hr)) {
        return hr;
    }
    // Connected before the type is set, as the framework's filters expect.
    m_Connected = pReceivePin;
    m_Connected->AddRef();
    HRESULT hr = SetMediaType(pmt);
    if (SUCCEEDED(hr)) {
        hr = pReceivePin->ReceiveConnection(this, pmt);
        if (SUCCEEDED(hr)) {
            hr = CompleteConnect(pReceivePin);
            if (SUCCEEDED(hr))
                return S_OK;
            pReceivePin->Disconnect();
        }
    }
    m_Connected->Release();
    m_Connected = nullptr;
    BreakConnect();
    return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CBasePin::ReceiveConnection(IPin* pConnector, const CMediaType* pmt) {
    if (pConnector == nullptr || pmt == nullptr)
        return E_POINTER;
    CAutoLock lock(m_pLock);
    if (m_Connected != nullptr)
        return VFW_E_ALREADY_CONNECTED;
    if (m_pFilter != nullptr && !m_pFilter->IsStopped())
        return VFW_E_NOT_STOPPED;
    HRESULT hr = CheckProposal(pConnector, pmt);
    if (FAILED(hr)) {
        return hr;
    }
    m_Connected = pConnector;
    m_Connected->AddRef();
    hr = SetMediaType(pmt);
    if (SUCCEEDED(hr))
        hr = CompleteConnect(pConnector);
    if (FAILED(hr)) {
        m_Connected->Release();
        m_Connected = nullptr;
        BreakConnect();
    }
    return hr;
}

HRESULT CBasePin::Disconnect() {
    CAutoLock lock(m_pLock);
    if (m_pFilter != nullptr && !m_pFilter->IsStopped())
        return VFW_E_NOT_STOPPED;
    if (m_Connected == nullptr)
        return S_FALSE;
    BreakConnect();
    m_Connected->Release();
    m_Connected = nullptr;
    return S_OK;
}

HRESULT CBasePin::ConnectedTo(IPin** ppPin) {
    if (ppPin == nullptr)
        return E_POINTER;
    CAutoLock lock(m_pLock);
    *ppPin = m_Connected;
    if (m_Connected == nullptr)
        return VFW_E_NOT_CONNECTED;
    m_Connected->AddRef();
    return S_OK;
}

HRESULT CBasePin::ConnectionMediaType(CMediaType* pmt) {
    if (pmt == nullptr)
        return E_POINTER;
    CAutoLock lock(m_pLock);
    if (m_Connected == nullptr) {
        *pmt = CMediaType();
        return VFW_E_NOT_CONNECTED;
    }
    *pmt = m_mt;
    return S_OK;
}

HRESULT CBasePin::QueryPinInfo(PIN_INFO* pInfo) {
    if (pInfo == nullptr)
        return E_POINTER;
    pInfo->pFilter = m_pFilter;
    if (m_pFilter != nullptr)
        m_pFilter->GetOwner()->AddRef();
    std::wcsncpy(pInfo->achName, m_pName.c_str(), MAX_PIN_NAME - 1);
    pInfo->achName[MAX_PIN_NAME - 1] = L'\0';
    pInfo->dir = m_dir;
    return S_OK;
}

HRESULT CBasePin::QueryDirection(PIN_DIRECTION* pPinDir) {
    if (pPinDir == nullptr)
        return E_POINTER;
    *pPinDir = m_dir;
    return S_OK;
}

HRESULT CBasePin::QueryId(LPWSTR* Id) {
    if (Id == nullptr)
        return E_POINTER;
    const size_t bytes = (m_pName.size() + 1) * sizeof(WCHAR);
    *Id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (*Id == nullptr)
        return E_OUTOFMEMORY;
    std::wmemcpy(*Id, m_pName.c_str(), m_pName.size() + 1);
    return S_OK;
}

HRESULT CBasePin::QueryAccept(const CMediaType* pmt) {
    if (pmt == nullptr)
        return E_POINTER;
    return CheckMediaType(pmt) == S_OK ? S_OK : S_FALSE;
}

HRESULT CBasePin::GetMediaType(int /*iPosition*/, CMediaType* pmt) {
    return pmt == nullptr ? E_POINTER : VFW_S_NO_MORE_ITEMS;
}

HRESULT CBasePin::BeginFlush() {
    m_bFlushing = true;
    return S_OK;
}

HRESULT CBasePin::EndFlush() {
    m_bFlushing = false;
    return S_OK;
}

HRESULT CBasePin::SetMediaType(const CMediaType* pmt) {
    m_mt = *pmt;
    return S_OK;
}

HRESULT CBasePin::CheckConnect(IPin* pPin) {
    PIN_DIRECTION peerDir;
    if (const HRESULT hr = pPin->QueryDirection(&peerDir); FAILED(hr))
        return hr;
    return peerDir == m_dir ? VFW_E_INVALID_DIRECTION : S_OK;
}

CBaseInputPin::CBaseInputPin(CBaseFilter* pFilter, CCritSec* pLock, LPCWSTR pName)
    : CBasePin(pFilter, pLock, pName, PINDIR_INPUT) {}

HRESULT CBaseInputPin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IMemInputPin)
        return GetInterface(static_cast<IMemInputPin*>(this), ppv);
    return CBasePin::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CBaseInputPin::CheckStreaming() {
    if (!IsConnected())
        return VFW_E_NOT_CONNECTED;
    if (IsFlushing())
        return S_FALSE;
    if (m_pFilter != nullptr && m_pFilter->IsStopped())
        return VFW_E_WRONG_STATE;
    return S_OK;
}

HRESULT CBaseInputPin::Receive(IMediaSample* pSample) {
    if (pSample == nullptr)
        return E_POINTER;
    return CheckStreaming();
}

CBaseOutputPin::CBaseOutputPin(CBaseFilter* pFilter, CCritSec* pLock, LPCWSTR pName)
    : CBasePin(pFilter, pLock, pName, PINDIR_OUTPUT) {}

HRESULT CBaseOutputPin::CompleteConnect(IPin* pReceivePin) {
    IMemInputPin* input = nullptr;
    const HRESULT hr =
        pReceivePin->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input));
    if (FAILED(hr))
        return E_NOINTERFACE;
    m_pInputPin = input;
    return S_OK;
}

HRESULT CBaseOutputPin::BreakConnect() {
    if (m_pInputPin != nullptr) {
        m_pInputPin->Release();
        m_pInputPin = nullptr;
    }
    return S_OK;
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* pSample) {
    if (m_pInputPin == nullptr)
        return VFW_E_NOT_CONNECTED;
    return m_pInputPin->Receive(pSample);
}

HRESULT CBaseOutputPin::DeliverEndOfStream() {
    return m_Connected == nullptr ? VFW_E_NOT_CONNECTED : m_Connected->EndOfStream();
}

HRESULT CBaseOutputPin::DeliverBeginFlush() {
    return m_Connected == nullptr ? VFW_E_NOT_CONNECTED : m_Connected->BeginFlush();
}

HRESULT CBaseOutputPin::DeliverEndFlush() {
    return m_Connected == nullptr ? VFW_E_NOT_CONNECTED : m_Connected->EndFlush();
}

}  // namespace dshow
