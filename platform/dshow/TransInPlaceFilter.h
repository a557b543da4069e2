// CTransInPlaceFilter: a transform filter that changes each sample in its own buffer.
#pragma once

#include <vector>

#include "platform/dshow/TransformFilter.h"

namespace dshow {

class CTransInPlaceFilter;

// Both pins carry the same type: each tests a proposed type with CheckInputType and with
// the peer connected to the other pin, and offers that peer's types.
class CTransInPlaceInputPin : public CTransformInputPin {
public:
    CTransInPlaceInputPin(CTransInPlaceFilter* pFilter, LPCWSTR pName);
    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT GetMediaType(int iPosition, CMediaType* pmt) override;
};

class CTransInPlaceOutputPin : public CTransformOutputPin {
public:
    CTransInPlaceOutputPin(CTransInPlaceFilter* pFilter, LPCWSTR pName);
    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT GetMediaType(int iPosition, CMediaType* pmt) override;
};

class CTransInPlaceFilter : public CTransformFilter {
public:
    // bModifiesData: the filter writes into the samples it receives, so a read-only sample
    // is copied before it is transformed.
    CTransInPlaceFilter(IUnknown* pUnk, REFCLSID clsid, bool bModifiesData = true);

    CBasePin* GetPin(int n) override;

    // Any pair of types: both pins carry one type.
    HRESULT CheckTransform(const CMediaType*, const CMediaType*) override { return S_OK; }
    // The pins offer their peers' types instead.
    HRESULT GetMediaType(int, CMediaType*) override { return E_UNEXPECTED; }

    // The in-place transform; S_FALSE drops the sample.
    virtual HRESULT Transform(IMediaSample* pSample) = 0;
    using CTransformFilter::Transform;

    HRESULT Receive(IMediaSample* pSample) override;

    bool ModifiesData() const { return m_bModifiesData; }

private:
    const bool m_bModifiesData;
    std::vector<BYTE> m_copyBuffer;  // --- streaming thread only
};

}  // namespace dshow
