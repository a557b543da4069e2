// IMediaSeeking and CPosPassThru, which hands every seeking request to the upstream pin.
#pragma once

#include "platform/dshow/ComBase.h"

namespace dshow {

inline constexpr IID IID_IMediaSeeking{
    0x36B73880, 0xC2C8, 0x11CF, {0x8B, 0x46, 0x00, 0x80, 0x5F, 0x6C, 0xEF, 0x60}};
inline constexpr GUID TIME_FORMAT_MEDIA_TIME{
    0x7B785574, 0x8C82, 0x11CF, {0xBC, 0x0C, 0x00, 0xAA, 0x00, 0xAC, 0x74, 0xF6}};

class IMediaSeeking : public IUnknown {
public:
    virtual HRESULT GetCapabilities(DWORD* pCapabilities) = 0;
    virtual HRESULT CheckCapabilities(DWORD* pCapabilities) = 0;
    virtual HRESULT IsFormatSupported(const GUID* pFormat) = 0;
    virtual HRESULT QueryPreferredFormat(GUID* pFormat) = 0;
    virtual HRESULT GetTimeFormat(GUID* pFormat) = 0;
    virtual HRESULT IsUsingTimeFormat(const GUID* pFormat) = 0;
    virtual HRESULT SetTimeFormat(const GUID* pFormat) = 0;
    virtual HRESULT GetDuration(int64_t* pDuration) = 0;
    virtual HRESULT GetStopPosition(int64_t* pStop) = 0;
    virtual HRESULT GetCurrentPosition(int64_t* pCurrent) = 0;
    virtual HRESULT ConvertTimeFormat(int64_t* pTarget, const GUID* pTargetFormat, int64_t Source,
                                      const GUID* pSourceFormat) = 0;
    virtual HRESULT SetPositions(int64_t* pCurrent, DWORD dwCurrentFlags, int64_t* pStop,
                                 DWORD dwStopFlags) = 0;
    virtual HRESULT GetPositions(int64_t* pCurrent, int64_t* pStop) = 0;
    virtual HRESULT GetAvailable(int64_t* pEarliest, int64_t* pLatest) = 0;
    virtual HRESULT SetRate(double dRate) = 0;
    virtual HRESULT GetRate(double* pdRate) = 0;
    virtual HRESULT GetPreroll(int64_t* pllPreroll) = 0;

protected:
    ~IMediaSeeking() = default;
};

// Belongs to an output pin (its outer unknown) and passes each call to the IMediaSeeking of
// the pin connected to the filter's input; VFW_E_NOT_CONNECTED when there is none, and
// E_NOTIMPL when that pin cannot seek.
class CPosPassThru final : public CUnknown, public IMediaSeeking {
public:
    CPosPassThru(IUnknown* pOuter, IPin* pInputPin) : CUnknown(pOuter), m_pInputPin(pInputPin) {}

    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    HRESULT GetCapabilities(DWORD* p) override;
    HRESULT CheckCapabilities(DWORD* p) override;
    HRESULT IsFormatSupported(const GUID* p) override;
    HRESULT QueryPreferredFormat(GUID* p) override;
    HRESULT GetTimeFormat(GUID* p) override;
    HRESULT IsUsingTimeFormat(const GUID* p) override;
    HRESULT SetTimeFormat(const GUID* p) override;
    HRESULT GetDuration(int64_t* p) override;
    HRESULT GetStopPosition(int64_t* p) override;
    HRESULT GetCurrentPosition(int64_t* p) override;
    HRESULT ConvertTimeFormat(int64_t* pTarget, const GUID* pTargetFormat, int64_t Source,
                              const GUID* pSourceFormat) override;
    HRESULT SetPositions(int64_t* pCurrent, DWORD dwCurrentFlags, int64_t* pStop,
                         DWORD dwStopFlags) override;
    HRESULT GetPositions(int64_t* pCurrent, int64_t* pStop) override;
    HRESULT GetAvailable(int64_t* pEarliest, int64_t* pLatest) override;
    HRESULT SetRate(double dRate) override;
    HRESULT GetRate(double* pdRate) override;
    HRESULT GetPreroll(int64_t* pllPreroll) override;

private:
    // Calls f with the upstream IMediaSeeking, released afterwards.
    template <typename F>
    HRESULT Upstream(F&& f);

    IPin* m_pInputPin;  // not counted: the input pin lives as long as the filter
};

}  // namespace dshow
