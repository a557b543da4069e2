// CFactoryTemplate and CClassFactory: how a server's DllGetClassObject makes its objects.
#pragma once

#include <atomic>

#include "platform/dshow/ComBase.h"

namespace dshow {

using LPFNNewCOMObject = CUnknown* (*)(IUnknown* pUnkOuter, HRESULT* phr);
using LPFNInitRoutine = void (*)(BOOL bLoading, const CLSID* rclsid);

// One class a server offers: its name, identifier, creation function and setup data.
struct CFactoryTemplate {
    LPCWSTR m_Name;
    const CLSID* m_ClsID;
    LPFNNewCOMObject m_lpfnNew;
    LPFNInitRoutine m_lpfnInit;
    const AMOVIESETUP_FILTER* m_pAMovieSetup_Filter;

    bool IsClassID(REFCLSID rclsid) const { return *m_ClsID == rclsid; }
    CUnknown* CreateInstance(IUnknown* pUnk, HRESULT* phr) const { return m_lpfnNew(pUnk, phr); }
};

class CClassFactory final : public IClassFactory, public CBaseObject {
public:
    explicit CClassFactory(const CFactoryTemplate* pTemplate) : m_pTemplate(pTemplate) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return ++m_cRef; }
    ULONG Release() override;

    // Aggregation is offered only for IID_IUnknown, as COM requires.
    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    HRESULT LockServer(BOOL fLock) override;

    static long ServerLocks() { return s_cLocked; }

private:
    const CFactoryTemplate* m_pTemplate;
    std::atomic<ULONG> m_cRef{0};
    static inline std::atomic<long> s_cLocked{0};
};

// DllGetClassObject over a server's template table: CLASS_E_CLASSNOTAVAILABLE for a class
// not in it.
HRESULT DllGetClassObjectFromTemplates(const CFactoryTemplate* templates, int count,
                                       REFCLSID rClsID, REFIID riid, void** pv);
// DllCanUnloadNow: S_OK only when no object and no server lock of this module is alive.
HRESULT DllCanUnloadNowFromTemplates();

}  // namespace dshow
