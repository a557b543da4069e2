// CFilterGraph: filter membership, direct connections and deferred reconnection.
#include "platform/dshow/FilterGraph.h"

#include <algorithm>

#include "platform/dshow/MediaType.h"

namespace dshow {

CFilterGraph* CFilterGraph::Create() {
    auto* graph = new CFilterGraph();
    graph->NonDelegatingAddRef();
    return graph;
}

CFilterGraph::~CFilterGraph() {
    for (IPin* pin : m_pending)
        pin->Release();
    for (IBaseFilter* filter : m_filters) {
        filter->JoinFilterGraph(nullptr, nullptr);
        filter->Release();
    }
}

HRESULT CFilterGraph::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IFilterGraph)
        return GetInterface(static_cast<IFilterGraph*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CFilterGraph::AddFilter(IBaseFilter* pFilter, LPCWSTR pName) {
    if (pFilter == nullptr)
        return E_POINTER;
    if (std::find(m_filters.begin(), m_filters.end(), pFilter) != m_filters.end()) {
        return E_INVALIDARG;
    }
    if (const HRESULT hr = pFilter->JoinFilterGraph(this, pName); FAILED(hr))
        return hr;
    pFilter->AddRef();
    m_filters.push_back(pFilter);
    return S_OK;
}

HRESULT CFilterGraph::RemoveFilter(IBaseFilter* pFilter) {
    const auto it = std::find(m_filters.begin(), m_filters.end(), pFilter);
    if (it == m_filters.end())
        return VFW_E_NOT_FOUND;
    m_filters.erase(it);
    pFilter->JoinFilterGraph(nullptr, nullptr);
    pFilter->Release();
    return S_OK;
}

HRESULT CFilterGraph::ConnectDirect(IPin* ppinOut, IPin* ppinIn, const CMediaType* pmt) {
    if (ppinOut == nullptr || ppinIn == nullptr)
        return E_POINTER;
    ++m_nConnecting;
    const HRESULT hr = ppinOut->Connect(ppinIn, pmt);
    --m_nConnecting;
    RunPendingReconnects();
    return hr;
}

HRESULT CFilterGraph::Reconnect(IPin* ppin) {
    if (ppin == nullptr)
        return E_POINTER;
    IPin* peer = nullptr;
    if (FAILED(ppin->ConnectedTo(&peer)))
        return VFW_E_NOT_CONNECTED;
    peer->Release();
    ppin->AddRef();
    m_pending.push_back(ppin);
    RunPendingReconnects();
    return S_OK;
}

void CFilterGraph::RunPendingReconnects() {
    while (m_nConnecting == 0 && !m_pending.empty()) {
        IPin* pin = m_pending.front();
        m_pending.pop_front();
        DoReconnect(pin);
        pin->Release();
    }
}

HRESULT CFilterGraph::DoReconnect(IPin* ppin) {
    IPin* peer = nullptr;
    if (FAILED(ppin->ConnectedTo(&peer)))
        return VFW_E_NOT_CONNECTED;
    PIN_DIRECTION dir;
    ppin->QueryDirection(&dir);
    IPin* out = dir == PINDIR_OUTPUT ? ppin : peer;
    IPin* in = dir == PINDIR_OUTPUT ? peer : ppin;
    CMediaType previous;
    out->ConnectionMediaType(&previous);
    HRESULT hr = out->Disconnect();
    if (SUCCEEDED(hr))
        hr = in->Disconnect();
    if (SUCCEEDED(hr)) {
        ++m_nConnecting;
        hr = out->Connect(in, nullptr);
        if (FAILED(hr))
            hr = out->Connect(in, &previous);  // keep the pins connected
        --m_nConnecting;
        ++m_nReconnects;
    }
    peer->Release();
    return hr;
}

HRESULT CFilterGraph::Disconnect(IPin* ppin) {
    if (ppin == nullptr)
        return E_POINTER;
    return ppin->Disconnect();
}

}  // namespace dshow
