// CBaseFilter: state, graph membership, pin lookup and setup of a filter.
#pragma once

#include <atomic>
#include <string>

#include "platform/dshow/ComBase.h"

namespace dshow {

class CBasePin;

class CBaseFilter : public CUnknown, public IBaseFilter, public IAMovieSetup {
public:
    // pLock guards the filter's state and connections; it belongs to the derived filter.
    CBaseFilter(IUnknown* pUnk, CCritSec* pLock, REFCLSID clsid);
    ~CBaseFilter() override = default;

    DECLARE_IUNKNOWN
    // IBaseFilter, IMediaFilter, IPersist, IAMovieSetup and IUnknown.
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    HRESULT GetClassID(CLSID* pClsID) override;
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME tStart) override;
    HRESULT GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* State) override;
    HRESULT FindPin(LPCWSTR Id, IPin** ppPin) override;
    HRESULT QueryFilterInfo(FILTER_INFO* pInfo) override;
    HRESULT JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) override;

    // Registers (or removes) the filter's own setup data with the mapper; S_FALSE and
    // nothing done when the filter has none.
    HRESULT Register() override;
    HRESULT Unregister() override;

    virtual int GetPinCount() = 0;
    // Pins stay owned by the filter; null past the last.
    virtual CBasePin* GetPin(int n) = 0;
    virtual const AMOVIESETUP_FILTER* GetSetupData() { return nullptr; }

    bool IsStopped() const { return m_State == State_Stopped; }
    bool IsActive() const { return m_State != State_Stopped; }
    // Not a counted reference: the graph holds the filter, not the other way round.
    IFilterGraph* GetFilterGraph() const { return m_pGraph; }

protected:
    std::atomic<FILTER_STATE> m_State{State_Stopped};
    CCritSec* m_pLock;
    CLSID m_clsid;
    IFilterGraph* m_pGraph = nullptr;  // --- guarded by m_pLock
    std::wstring m_pName;              // --- guarded by m_pLock
};

}  // namespace dshow
