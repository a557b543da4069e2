// CClassFactory: object creation for a server's classes.
#include "platform/dshow/ClassFactory.h"

#include <new>

namespace dshow {

HRESULT CClassFactory::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CClassFactory::Release() {
    const ULONG n = --m_cRef;
    if (n == 0)
        delete this;
    return n;
}

HRESULT CClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter != nullptr && riid != IID_IUnknown)
        return CLASS_E_NOAGGREGATION;
    HRESULT hr = S_OK;
    CUnknown* object = m_pTemplate->CreateInstance(pUnkOuter, &hr);
    if (object == nullptr)
        return FAILED(hr) ? hr : E_OUTOFMEMORY;
    if (FAILED(hr)) {
        delete object;
        return hr;
    }
    // Hold the object while asking, so a failed query releases it to nothing.
    object->NonDelegatingAddRef();
    hr = object->NonDelegatingQueryInterface(riid, ppv);
    object->NonDelegatingRelease();
    return hr;
}

HRESULT CClassFactory::LockServer(BOOL fLock) {
    if (fLock) {
        ++s_cLocked;
    } else {
        --s_cLocked;
    }
    return S_OK;
}

HRESULT DllGetClassObjectFromTemplates(const CFactoryTemplate* templates, int count,
                                       REFCLSID rClsID, REFIID riid, void** pv) {
    if (pv == nullptr)
        return E_POINTER;
    *pv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory)
        return E_NOINTERFACE;
    for (int i = 0; i < count; ++i) {
        if (!templates[i].IsClassID(rClsID))
            continue;
        auto* factory = new (std::nothrow) CClassFactory(&templates[i]);
        if (factory == nullptr)
            return E_OUTOFMEMORY;
        factory->AddRef();
        *pv = static_cast<IClassFactory*>(factory);
        return S_OK;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT DllCanUnloadNowFromTemplates() {
    return CBaseObject::ObjectsActive() == 0 && CClassFactory::ServerLocks() == 0 ? S_OK : S_FALSE;
}

}  // namespace dshow
