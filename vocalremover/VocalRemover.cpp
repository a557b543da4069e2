// CVocalRemover: creation, interfaces, media types, the transform and persistence.
#include "vocalremover/VocalRemover.h"

#include <new>

#include "platform/com/TaskMemory.h"
#include "vocalremover/InputType.h"
#include "vocalremover/RemoveVocals.h"

namespace skellan {

using namespace dshow;

CUnknown* CVocalRemover::CreateInstance(com::IUnknown* punk, HRESULT* phr) {
    auto* filter = new (std::nothrow) CVocalRemover(punk, phr);
    if (filter == nullptr && phr != nullptr)
        *phr = E_OUTOFMEMORY;
    return filter;
}

CVocalRemover::CVocalRemover(com::IUnknown* punk, HRESULT* phr)
    : CTransInPlaceFilter(punk, CLSID_VocalRemover, true), CPersistStream(punk, phr) {}

HRESULT CVocalRemover::NonDelegatingQueryInterface(const IID& riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IVocalRemover)
        return GetInterface(static_cast<IVocalRemover*>(this), ppv);
    if (riid == IID_ISpecifyPropertyPages) {
        return GetInterface(static_cast<ISpecifyPropertyPages*>(this), ppv);
    }
    if (riid == IID_IPersistStream)
        return GetInterface(static_cast<IPersistStream*>(this), ppv);
    return CTransInPlaceFilter::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CVocalRemover::CheckInputType(const CMediaType* mtIn) {
    return skellan::CheckInputType(mtIn);
}

HRESULT CVocalRemover::SetMediaType(PIN_DIRECTION direction, const CMediaType* pmt) {
    const FormatFacts facts = ReadFormatFacts(*pmt);
    m_Channels = facts.channels;
    m_BytesPerSample = facts.bytesPerSample;
    CTransInPlaceFilter::SetMediaType(direction, pmt);
    if (m_pInput != nullptr && m_pInput->IsConnected() && m_pOutput->IsConnected()) {
        FILTER_INFO info{};
        if (SUCCEEDED(QueryFilterInfo(&info)) && info.pGraph != nullptr) {
            if (direction == PINDIR_OUTPUT && !(*pmt == m_pInput->CurrentMediaType())) {
                info.pGraph->Reconnect(m_pInput);
            }
            info.pGraph->Release();
        }
    }
    return S_OK;
}

HRESULT CVocalRemover::Transform(IMediaSample* pSample) {
    const long length = pSample->GetActualDataLength();
    BYTE* buffer = nullptr;
    if (const HRESULT hr = pSample->GetPointer(&buffer); FAILED(hr))
        return hr;
    CAutoLock lock(&m_ParamLock);
    RemoveVocals(buffer, length);
    return S_OK;
}

void CVocalRemover::RemoveVocals(BYTE* buffer, long length) {
    skellan::RemoveVocals(buffer, length, m_Channels, m_BytesPerSample, m_Level, m_Balance, m_Gain);
}

HRESULT CVocalRemover::GetClassID(CLSID* pClsid) {
    if (pClsid == nullptr)
        return E_POINTER;
    *pClsid = CLSID_VocalRemover;
    return S_OK;
}

HRESULT CVocalRemover::GetPages(CAUUID* pPages) {
    if (pPages == nullptr)
        return E_POINTER;
    pPages->cElems = 1;
    pPages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (pPages->pElems == nullptr)
        return E_OUTOFMEMORY;
    *pPages->pElems = CLSID_VocalRemoverProp;
    return S_OK;
}

HRESULT CVocalRemover::get_Level(int* pLevel) {
    if (pLevel == nullptr)
        return E_POINTER;
    CAutoLock lock(&m_ParamLock);
    *pLevel = m_Level;
    return S_OK;
}

HRESULT CVocalRemover::put_Level(int level) {
    CAutoLock lock(&m_ParamLock);
    m_Level = level;
    SetDirty(true);
    return S_OK;
}

HRESULT CVocalRemover::put_Balance(int balance) {
    m_Balance = balance;
    SetDirty(true);
    return S_OK;
}

HRESULT CVocalRemover::get_Balance(int* pBalance) {
    if (pBalance == nullptr)
        return E_POINTER;
    *pBalance = m_Balance;
    return S_OK;
}

HRESULT CVocalRemover::put_Gain(int gain) {
    m_Gain = gain;
    SetDirty(true);
    return S_OK;
}

HRESULT CVocalRemover::get_Gain(int* pGain) {
    if (pGain == nullptr)
        return E_POINTER;
    *pGain = m_Gain;
    return S_OK;
}

HRESULT CVocalRemover::WriteToStream(IStream* pStream) {
    int level;
    get_Level(&level);
    HRESULT hr = WriteInt(pStream, level);
    if (FAILED(hr))
        return hr;
    hr = WriteInt(pStream, m_Balance);
    if (FAILED(hr))
        return hr;
    return WriteInt(pStream, m_Gain);
}

HRESULT CVocalRemover::ReadFromStream(IStream* pStream) {
    // Each value is stored as soon as it is read: a failing one leaves its parameter at 0
    // and the later ones as they were.
    HRESULT hr = S_OK;
    const int level = ReadInt(pStream, hr);
    {
        CAutoLock lock(&m_ParamLock);
        m_Level = level;
    }
    if (FAILED(hr))
        return hr;
    m_Balance = ReadInt(pStream, hr);
    if (FAILED(hr))
        return hr;
    m_Gain = ReadInt(pStream, hr);
    if (FAILED(hr))
        return hr;
    return S_OK;
}

}  // namespace skellan
