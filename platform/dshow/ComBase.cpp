// CUnknown: the non-delegating reference count and IUnknown lookup.
#include "platform/dshow/ComBase.h"

namespace dshow {

CUnknown::CUnknown(IUnknown* pUnk) : m_pUnknown(pUnk != nullptr ? pUnk : &m_inner) {}

HRESULT CUnknown::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown)
        return GetInterface(&m_inner, ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CUnknown::NonDelegatingAddRef() {
    return ++m_cRef;
}

ULONG CUnknown::NonDelegatingRelease() {
    const ULONG count = --m_cRef;
    if (count == 0) {
        // Guard against the destructor's own AddRef/Release pairs deleting twice.
        m_cRef = 1;
        delete this;
    }
    return count;
}

HRESULT GetInterface(IUnknown* pUnk, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = pUnk;
    pUnk->AddRef();
    return S_OK;
}

}  // namespace dshow
