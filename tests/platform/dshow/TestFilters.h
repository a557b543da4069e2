// A small in-place test filter (it negates 8-bit samples) for the framework's tests.
#pragma once

#include <new>

#include "platform/dshow/TransInPlaceFilter.h"

namespace dshow::test {

inline constexpr CLSID CLSID_NegateFilter{0x11111111, 0x2222, 0x3333, {4, 4, 5, 5, 6, 6, 7, 7}};

// Accepts audio of any format whose format type is FORMAT_WaveFormatEx.
class CNegateFilter final : public CTransInPlaceFilter {
public:
    static CUnknown* CreateInstance(IUnknown* punk, HRESULT* phr) {
        auto* filter = new (std::nothrow) CNegateFilter(punk);
        if (filter == nullptr && phr != nullptr)
            *phr = E_OUTOFMEMORY;
        return filter;
    }
    explicit CNegateFilter(IUnknown* punk) : CTransInPlaceFilter(punk, CLSID_NegateFilter) {}

    HRESULT CheckInputType(const CMediaType* mt) override {
        return mt->majortype == MEDIATYPE_Audio && mt->formattype == FORMAT_WaveFormatEx
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT Transform(IMediaSample* sample) override {
        BYTE* p = nullptr;
        sample->GetPointer(&p);
        for (long i = 0; i < sample->GetActualDataLength(); ++i)
            p[i] = static_cast<BYTE>(-p[i]);
        return S_OK;
    }
    using CTransInPlaceFilter::Transform;
};

}  // namespace dshow::test
