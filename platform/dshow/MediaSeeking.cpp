// CPosPassThru: every seeking request goes to the pin upstream of the filter's input.
#include "platform/dshow/MediaSeeking.h"

namespace dshow {

HRESULT CPosPassThru::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IMediaSeeking)
        return GetInterface(static_cast<IMediaSeeking*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

template <typename F>
HRESULT CPosPassThru::Upstream(F&& f) {
    IPin* upstream = nullptr;
    if (FAILED(m_pInputPin->ConnectedTo(&upstream)) || upstream == nullptr) {
        return VFW_E_NOT_CONNECTED;
    }
    IMediaSeeking* seeking = nullptr;
    const HRESULT found =
        upstream->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking));
    upstream->Release();
    if (FAILED(found))
        return E_NOTIMPL;
    const HRESULT hr = f(seeking);
    seeking->Release();
    return hr;
}

HRESULT CPosPassThru::GetCapabilities(DWORD* p) {
    return Upstream([&](IMediaSeeking* s) { return s->GetCapabilities(p); });
}
HRESULT CPosPassThru::CheckCapabilities(DWORD* p) {
    return Upstream([&](IMediaSeeking* s) { return s->CheckCapabilities(p); });
}
HRESULT CPosPassThru::IsFormatSupported(const GUID* p) {
    return Upstream([&](IMediaSeeking* s) { return s->IsFormatSupported(p); });
}
HRESULT CPosPassThru::QueryPreferredFormat(GUID* p) {
    return Upstream([&](IMediaSeeking* s) { return s->QueryPreferredFormat(p); });
}
HRESULT CPosPassThru::GetTimeFormat(GUID* p) {
    return Upstream([&](IMediaSeeking* s) { return s->GetTimeFormat(p); });
}
HRESULT CPosPassThru::IsUsingTimeFormat(const GUID* p) {
    return Upstream([&](IMediaSeeking* s) { return s->IsUsingTimeFormat(p); });
}
HRESULT CPosPassThru::SetTimeFormat(const GUID* p) {
    return Upstream([&](IMediaSeeking* s) { return s->SetTimeFormat(p); });
}
HRESULT CPosPassThru::GetDuration(int64_t* p) {
    return Upstream([&](IMediaSeeking* s) { return s->GetDuration(p); });
}
HRESULT CPosPassThru::GetStopPosition(int64_t* p) {
    return Upstream([&](IMediaSeeking* s) { return s->GetStopPosition(p); });
}
HRESULT CPosPassThru::GetCurrentPosition(int64_t* p) {
    return Upstream([&](IMediaSeeking* s) { return s->GetCurrentPosition(p); });
}
HRESULT CPosPassThru::ConvertTimeFormat(int64_t* pTarget, const GUID* pTargetFormat, int64_t Source,
                                        const GUID* pSourceFormat) {
    return Upstream([&](IMediaSeeking* s) {
        return s->ConvertTimeFormat(pTarget, pTargetFormat, Source, pSourceFormat);
    });
}
HRESULT CPosPassThru::SetPositions(int64_t* pCurrent, DWORD dwCurrentFlags, int64_t* pStop,
                                   DWORD dwStopFlags) {
    return Upstream([&](IMediaSeeking* s) {
        return s->SetPositions(pCurrent, dwCurrentFlags, pStop, dwStopFlags);
    });
}
HRESULT CPosPassThru::GetPositions(int64_t* pCurrent, int64_t* pStop) {
    return Upstream([&](IMediaSeeking* s) { return s->GetPositions(pCurrent, pStop); });
}
HRESULT CPosPassThru::GetAvailable(int64_t* pEarliest, int64_t* pLatest) {
    return Upstream([&](IMediaSeeking* s) { return s->GetAvailable(pEarliest, pLatest); });
}
HRESULT CPosPassThru::SetRate(double dRate) {
    return Upstream([&](IMediaSeeking* s) { return s->SetRate(dRate); });
}
HRESULT CPosPassThru::GetRate(double* pdRate) {
    return Upstream([&](IMediaSeeking* s) { return s->GetRate(pdRate); });
}
HRESULT CPosPassThru::GetPreroll(int64_t* pllPreroll) {
    return Upstream([&](IMediaSeeking* s) { return s->GetPreroll(pllPreroll); });
}

}  // namespace dshow
