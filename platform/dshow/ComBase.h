// CUnknown: reference counting and aggregation for the framework's COM objects.
#pragma once

#include <atomic>
#include <mutex>

#include "platform/dshow/DShowTypes.h"

namespace dshow {

// The object's own IUnknown, used when it is aggregated: the outer object holds it and
// every other interface forwards to the outer object.
class INonDelegatingUnknown {
public:
    virtual HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG NonDelegatingAddRef() = 0;
    virtual ULONG NonDelegatingRelease() = 0;

protected:
    ~INonDelegatingUnknown() = default;
};

// Counts live objects and server locks of this module, for DllCanUnloadNow.
class CBaseObject {
public:
    CBaseObject() { ++s_cActiveObjects; }
    virtual ~CBaseObject() { --s_cActiveObjects; }
    CBaseObject(const CBaseObject&) = delete;
    CBaseObject& operator=(const CBaseObject&) = delete;

    static long ObjectsActive() { return s_cActiveObjects; }

private:
    static inline std::atomic<long> s_cActiveObjects{0};
};

class CUnknown : public INonDelegatingUnknown, public CBaseObject {
public:
    // pUnk is the outer unknown when aggregated, else null.
    explicit CUnknown(IUnknown* pUnk);
    ~CUnknown() override = default;

    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    ULONG NonDelegatingAddRef() override;
    ULONG NonDelegatingRelease() override;

    // Where the IUnknown methods of every interface of this object go.
    IUnknown* GetOwner() const { return m_pUnknown; }

private:
    // IUnknown face of the non-delegating methods, handed out for IID_IUnknown.
    class CInner final : public IUnknown {
    public:
        explicit CInner(CUnknown* self) : m_self(self) {}
        HRESULT QueryInterface(REFIID riid, void** ppv) override {
            return m_self->NonDelegatingQueryInterface(riid, ppv);
        }
        ULONG AddRef() override { return m_self->NonDelegatingAddRef(); }
        ULONG Release() override { return m_self->NonDelegatingRelease(); }

    private:
        CUnknown* m_self;
    };

    CInner m_inner{this};
    IUnknown* const m_pUnknown;
    std::atomic<ULONG> m_cRef{0};
};

// Hands out pUnk through ppv with a reference added.
HRESULT GetInterface(IUnknown* pUnk, void** ppv);

// The IUnknown methods of an interface implemented by a CUnknown: all go to the owner.
#define DECLARE_IUNKNOWN                                                 \
    com::HRESULT QueryInterface(com::REFIID riid, void** ppv) override { \
        return GetOwner()->QueryInterface(riid, ppv);                    \
    }                                                                    \
    com::ULONG AddRef() override {                                       \
        return GetOwner()->AddRef();                                     \
    }                                                                    \
    com::ULONG Release() override {                                      \
        return GetOwner()->Release();                                    \
    }

// A recursive lock, like a Windows critical section.
class CCritSec {
public:
    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }

private:
    std::recursive_mutex m_mutex;
};

class CAutoLock {
public:
    explicit CAutoLock(CCritSec* pLock) : m_pLock(pLock) { m_pLock->Lock(); }
    ~CAutoLock() { m_pLock->Unlock(); }
    CAutoLock(const CAutoLock&) = delete;
    CAutoLock& operator=(const CAutoLock&) = delete;

private:
    CCritSec* m_pLock;
};

}  // namespace dshow
