// CHostOutputPin and CHostInputPin: pins a host owns to feed a filter and take its output.
#pragma once

#include <functional>
#include <optional>

#include "platform/dshow/BasePin.h"

namespace dshow {

// Belongs to no filter: owned by the host object that holds it, which keeps it alive
// while it is connected. Offers one type (if any) and accepts any type it is asked for.
class CHostOutputPin final : public CBaseOutputPin {
public:
    explicit CHostOutputPin(LPCWSTR pName) : CBaseOutputPin(nullptr, &m_lock, pName) {}

    void Offer(const CMediaType& mt) { m_offered = mt; }
    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT GetMediaType(int iPosition, CMediaType* pmt) override;

private:
    CCritSec m_lock;
    std::optional<CMediaType> m_offered;
};

// Accepts the types `accept` approves (all when unset) and hands each sample it receives
// to `onSample`, on the thread that delivers it.
class CHostInputPin final : public CBaseInputPin {
public:
    using SampleHandler = std::function<HRESULT(IMediaSample*)>;
    using TypeFilter = std::function<bool(const CMediaType&)>;

    CHostInputPin(LPCWSTR pName, SampleHandler onSample, TypeFilter accept = {})
        : CBaseInputPin(nullptr, &m_lock, pName),
          m_onSample(std::move(onSample)),
          m_accept(std::move(accept)) {}

    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT Receive(IMediaSample* pSample) override;
    HRESULT EndOfStream() override;
    int EndOfStreamCount() const { return m_nEndOfStream; }

private:
    CCritSec m_lock;
    SampleHandler m_onSample;
    TypeFilter m_accept;
    std::atomic<int> m_nEndOfStream{0};
};

}  // namespace dshow
