// CBasePin, CBaseInputPin and CBaseOutputPin: connection and sample passing between pins.
#pragma once

#include <atomic>
#include <string>

#include "platform/dshow/ComBase.h"
#include "platform/dshow/MediaType.h"

namespace dshow {

class CBaseFilter;

// A pin's reference count is its filter's, so a pin lives as long as its filter. A pin
// without a filter (a host's own pin) is owned by its creator and counts nothing.
class CBasePin : public CUnknown, public IPin {
public:
    CBasePin(CBaseFilter* pFilter, CCritSec* pLock, LPCWSTR pName, PIN_DIRECTION dir);

    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    ULONG NonDelegatingAddRef() override;
    ULONG NonDelegatingRelease() override;

    // With a full type, tries exactly that type; with null, the receiving pin's preferred
    // types, then this pin's own.
    HRESULT Connect(IPin* pReceivePin, const CMediaType* pmt) override;
    HRESULT ReceiveConnection(IPin* pConnector, const CMediaType* pmt) override;
    HRESULT Disconnect() override;
    HRESULT ConnectedTo(IPin** ppPin) override;
    HRESULT ConnectionMediaType(CMediaType* pmt) override;
    HRESULT QueryPinInfo(PIN_INFO* pInfo) override;
    HRESULT QueryDirection(PIN_DIRECTION* pPinDir) override;
    HRESULT QueryId(LPWSTR* Id) override;
    HRESULT QueryAccept(const CMediaType* pmt) override;
    HRESULT GetMediaType(int iPosition, CMediaType* pmt) override;
    HRESULT EndOfStream() override { return S_OK; }
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;

    // Hooks for derived pins. CheckMediaType gives S_OK for a type the pin can take.
    virtual HRESULT CheckMediaType(const CMediaType* pmt) = 0;
    virtual HRESULT SetMediaType(const CMediaType* pmt);
    virtual HRESULT CheckConnect(IPin* pPin);
    virtual HRESULT BreakConnect() { return S_OK; }
    virtual HRESULT CompleteConnect(IPin* /*pReceivePin*/) { return S_OK; }
    virtual HRESULT Active() { return S_OK; }
    virtual HRESULT Inactive() { return S_OK; }

    bool IsConnected() const { return m_Connected != nullptr; }
    IPin* GetConnected() const { return m_Connected; }
    const CMediaType& CurrentMediaType() const { return m_mt; }
    const std::wstring& Name() const { return m_pName; }
    bool IsFlushing() const { return m_bFlushing; }

protected:
    HRESULT AttemptConnection(IPin* pReceivePin, const CMediaType* pmt);
    // Both ends of a connection ask the same: the peer and the type, or the pin's
    // connection state is reset and the refusal returned.
    HRESULT CheckProposal(IPin* pPeer, const CMediaType* pmt);

    CBaseFilter* m_pFilter;
    CCritSec* m_pLock;
    std::wstring m_pName;
    PIN_DIRECTION m_dir;
    IPin* m_Connected = nullptr;  // --- guarded by m_pLock; a counted reference
    CMediaType m_mt;              // --- guarded by m_pLock
    std::atomic<bool> m_bFlushing{false};
};

class CBaseInputPin : public CBasePin, public IMemInputPin {
public:
    CBaseInputPin(CBaseFilter* pFilter, CCritSec* pLock, LPCWSTR pName);

    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // Checks that the pin may take a sample now; derived pins process it after this.
    HRESULT Receive(IMediaSample* pSample) override;
    HRESULT ReceiveCanBlock() override { return S_OK; }

protected:
    // S_OK when connected, not flushing and the filter not stopped.
    HRESULT CheckStreaming();
};

class CBaseOutputPin : public CBasePin {
public:
    CBaseOutputPin(CBaseFilter* pFilter, CCritSec* pLock, LPCWSTR pName);

    HRESULT CompleteConnect(IPin* pReceivePin) override;
    HRESULT BreakConnect() override;

    // Passes a sample to the connected input pin.
    HRESULT Deliver(IMediaSample* pSample);
    HRESULT DeliverEndOfStream();
    HRESULT DeliverBeginFlush();
    HRESULT DeliverEndFlush();

protected:
    IMemInputPin* m_pInputPin = nullptr;  // --- set while connected; a counted reference
};

}  // namespace dshow
