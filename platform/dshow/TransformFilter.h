// CTransformFilter: a one-input, one-output filter that transforms each sample.
#pragma once

#include <vector>

#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/BasePin.h"

namespace dshow {

class CTransformFilter;

// Input pin "Input" (id "In"): tests types with the filter's CheckInputType and, once the
// output is connected, CheckTransform; hands samples to the filter.
class CTransformInputPin : public CBaseInputPin {
public:
    CTransformInputPin(CTransformFilter* pFilter, LPCWSTR pName);

    HRESULT QueryId(LPWSTR* Id) override;
    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT SetMediaType(const CMediaType* pmt) override;
    HRESULT CheckConnect(IPin* pPin) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* pReceivePin) override;
    HRESULT Receive(IMediaSample* pSample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;

protected:
    CTransformFilter* m_pTransformFilter;
};

// Output pin "Output" (id "Out"): offers the filter's GetMediaType and tests types with
// CheckTransform against the input's type.
class CTransformOutputPin : public CBaseOutputPin {
public:
    CTransformOutputPin(CTransformFilter* pFilter, LPCWSTR pName);

    ~CTransformOutputPin() override;

    // Adds IMediaSeeking, made on first request, which passes every request upstream.
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    HRESULT QueryId(LPWSTR* Id) override;
    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT SetMediaType(const CMediaType* pmt) override;
    HRESULT CheckConnect(IPin* pPin) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* pReceivePin) override;
    HRESULT GetMediaType(int iPosition, CMediaType* pmt) override;

protected:
    CTransformFilter* m_pTransformFilter;

private:
    CUnknown* m_pPosition = nullptr;  // --- guarded by the filter lock
};

class CTransformFilter : public CBaseFilter {
public:
    CTransformFilter(IUnknown* pUnk, REFCLSID clsid);
    ~CTransformFilter() override;

    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int n) override;
    HRESULT Stop() override;

    // What a derived filter supplies.
    virtual HRESULT CheckInputType(const CMediaType* mtIn) = 0;
    virtual HRESULT CheckTransform(const CMediaType* mtIn, const CMediaType* mtOut) = 0;
    virtual HRESULT GetMediaType(int iPosition, CMediaType* pMediaType) = 0;
    // Copying transform: pOut has the size of pIn's buffer.
    virtual HRESULT Transform(IMediaSample* pIn, IMediaSample* pOut);

    // Notifications from the pins, called under the filter lock.
    virtual HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* pmt);
    virtual HRESULT CheckConnect(PIN_DIRECTION dir, IPin* pPin);
    virtual HRESULT BreakConnect(PIN_DIRECTION dir);
    virtual HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* pReceivePin);

    // Streaming, called by the input pin under the receive lock.
    virtual HRESULT Receive(IMediaSample* pSample);
    virtual HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();

    CTransformInputPin* InputPin() { return static_cast<CTransformInputPin*>(GetPin(0)); }
    CTransformOutputPin* OutputPin() { return static_cast<CTransformOutputPin*>(GetPin(1)); }

protected:
    friend class CTransformInputPin;
    friend class CTransformOutputPin;

    CCritSec m_csFilter;   // state and connections
    CCritSec m_csReceive;  // held around each sample; taken inside m_csFilter
    CTransformInputPin* m_pInput = nullptr;
    CTransformOutputPin* m_pOutput = nullptr;

private:
    std::vector<BYTE> m_outputBuffer;  // --- streaming thread only
};

}  // namespace dshow
