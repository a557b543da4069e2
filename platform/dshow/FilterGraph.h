// CFilterGraph: holds filters, connects their pins and reconnects them on request.
#pragma once

#include <deque>
#include <vector>

#include "platform/dshow/ComBase.h"

namespace dshow {

// A reconnection asked for while a connection is being made (a filter reacting to its new
// type) is carried out once that connection has finished. Single-threaded use.
class CFilterGraph final : public CUnknown, public IFilterGraph {
public:
    // Starts with one reference held by the creator.
    static CFilterGraph* Create();

    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    HRESULT AddFilter(IBaseFilter* pFilter, LPCWSTR pName) override;
    HRESULT RemoveFilter(IBaseFilter* pFilter) override;
    HRESULT ConnectDirect(IPin* ppinOut, IPin* ppinIn, const CMediaType* pmt) override;
    // Breaks the pin's connection and makes it again, letting the pins agree a type anew
    // (the previous type when no other is agreed).
    HRESULT Reconnect(IPin* ppin) override;
    HRESULT Disconnect(IPin* ppin) override;

    // How many reconnections have been carried out (for hosts that watch the graph).
    int ReconnectCount() const { return m_nReconnects; }

private:
    CFilterGraph() : CUnknown(nullptr) {}
    ~CFilterGraph() override;

    HRESULT DoReconnect(IPin* ppin);
    void RunPendingReconnects();

    std::vector<IBaseFilter*> m_filters;  // counted references
    std::deque<IPin*> m_pending;          // counted references
    int m_nConnecting = 0;
    int m_nReconnects = 0;
};

}  // namespace dshow
