// CBaseFilter: state changes, graph membership and pin lookup.
#include "platform/dshow/BaseFilter.h"

#include <cwchar>

#include "platform/com/TaskMemory.h"
#include "platform/dshow/BasePin.h"
#include "platform/dshow/FilterRegistration.h"

namespace dshow {

CBaseFilter::CBaseFilter(IUnknown* pUnk, CCritSec* pLock, REFCLSID clsid)
    : CUnknown(pUnk), m_pLock(pLock), m_clsid(clsid) {}

HRESULT CBaseFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IBaseFilter || riid == IID_IMediaFilter || riid == IID_IPersist) {
        return GetInterface(static_cast<IBaseFilter*>(this), ppv);
    }
    if (riid == IID_IAMovieSetup)
        return GetInterface(static_cast<IAMovieSetup*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CBaseFilter::GetClassID(CLSID* pClsID) {
    if (pClsID == nullptr)
        return E_POINTER;
    *pClsID = m_clsid;
    return S_OK;
}

HRESULT CBaseFilter::Stop() {
    CAutoLock lock(m_pLock);
    HRESULT result = S_OK;
    if (m_State != State_Stopped) {
        for (int i = 0; i < GetPinCount(); ++i) {
            CBasePin* pin = GetPin(i);
            if (pin != nullptr && pin->IsConnected()) {
                const HRESULT hr = pin->Inactive();
                if (FAILED(hr) && SUCCEEDED(result))
                    result = hr;
            }
        }
    }
    m_State = State_Stopped;
    return result;
}

HRESULT CBaseFilter::Pause() {
    CAutoLock lock(m_pLock);
    if (m_State == State_Stopped) {
        for (int i = 0; i < GetPinCount(); ++i) {
            CBasePin* pin = GetPin(i);
            if (pin != nullptr && pin->IsConnected()) {
                if (const HRESULT hr = pin->Active(); FAILED(hr))
                    return hr;
            }
        }
    }
    m_State = State_Paused;
    return S_OK;
}

HRESULT CBaseFilter::Run(REFERENCE_TIME /*tStart*/) {
    CAutoLock lock(m_pLock);
    if (m_State == State_Stopped) {
        if (const HRESULT hr = Pause(); FAILED(hr))
            return hr;
    }
    m_State = State_Running;
    return S_OK;
}

HRESULT CBaseFilter::GetState(DWORD /*dwMilliSecsTimeout*/, FILTER_STATE* State) {
    if (State == nullptr)
        return E_POINTER;
    *State = m_State;
    return S_OK;
}

HRESULT CBaseFilter::FindPin(LPCWSTR Id, IPin** ppPin) {
    if (Id == nullptr || ppPin == nullptr)
        return E_POINTER;
    *ppPin = nullptr;
    CAutoLock lock(m_pLock);
    for (int i = 0; i < GetPinCount(); ++i) {
        CBasePin* pin = GetPin(i);
        if (pin == nullptr)
            continue;
        LPWSTR pinId = nullptr;
        if (FAILED(pin->QueryId(&pinId)))
            continue;
        const bool match = std::wcscmp(pinId, Id) == 0;
        CoTaskMemFree(pinId);
        if (match)
            return GetInterface(static_cast<IPin*>(pin), reinterpret_cast<void**>(ppPin));
    }
    return VFW_E_NOT_FOUND;
}

HRESULT CBaseFilter::QueryFilterInfo(FILTER_INFO* pInfo) {
    if (pInfo == nullptr)
        return E_POINTER;
    CAutoLock lock(m_pLock);
    std::wcsncpy(pInfo->achName, m_pName.c_str(), MAX_FILTER_NAME - 1);
    pInfo->achName[MAX_FILTER_NAME - 1] = L'\0';
    pInfo->pGraph = m_pGraph;
    if (m_pGraph != nullptr)
        m_pGraph->AddRef();
    return S_OK;
}

HRESULT CBaseFilter::JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) {
    CAutoLock lock(m_pLock);
    m_pGraph = pGraph;
    m_pName = pName != nullptr ? pName : L"";
    return S_OK;
}

HRESULT CBaseFilter::Register() {
    const AMOVIESETUP_FILTER* setup = GetSetupData();
    if (setup == nullptr)
        return S_FALSE;
    return RegisterFilterSetup(*setup, true, CRegistryStore::Default());
}

HRESULT CBaseFilter::Unregister() {
    const AMOVIESETUP_FILTER* setup = GetSetupData();
    if (setup == nullptr)
        return S_FALSE;
    return RegisterFilterSetup(*setup, false, CRegistryStore::Default());
}

}  // namespace dshow
