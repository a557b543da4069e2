// CoCreateInstance and friends: registry lookup and loading of in-process servers.
#include "platform/com/ComRuntime.h"

#include <map>
#include <mutex>

#include <dlfcn.h>

namespace com {

std::string ClassKey(REFCLSID clsid) {
    return JoinKey(JoinKey(kClassesRoot, "CLSID"), StringFromGuid(clsid));
}

namespace {

// Loaded servers stay loaded for the life of the process: objects they made may outlive
// any caller's knowledge of them.
void* LoadServer(const std::string& path) {
    static std::mutex lock;
    static std::map<std::string, void*> loaded;
    std::lock_guard guard(lock);
    if (const auto it = loaded.find(path); it != loaded.end())
        return it->second;
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle != nullptr)
        loaded.emplace(path, handle);
    return handle;
}

}  // namespace

HRESULT CoGetClassObjectFromModule(const std::string& path, REFCLSID clsid, REFIID riid,
                                   void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    void* handle = LoadServer(path);
    if (handle == nullptr)
        return CO_E_DLLNOTFOUND;
    auto* getClassObject =
        reinterpret_cast<DllGetClassObjectFn>(::dlsym(handle, "DllGetClassObject"));
    if (getClassObject == nullptr)
        return CO_E_ERRORINDLL;
    return getClassObject(clsid, riid, ppv);
}

HRESULT CoGetClassObject(REFCLSID clsid, uint32_t clsContext, REFIID riid, void** ppv,
                         const CRegistryStore& store) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if ((clsContext & CLSCTX_INPROC_SERVER) == 0)
        return REGDB_E_CLASSNOTREG;
    const auto path = store.GetValue(JoinKey(ClassKey(clsid), "InprocServer32"), "");
    if (!path || path->empty())
        return REGDB_E_CLASSNOTREG;
    return CoGetClassObjectFromModule(*path, clsid, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* pUnkOuter, uint32_t clsContext, REFIID riid,
                         void** ppv, const CRegistryStore& store) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(clsid, clsContext, IID_IClassFactory,
                                  reinterpret_cast<void**>(&factory), store);
    if (FAILED(hr))
        return hr;
    hr = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    return hr;
}

}  // namespace com
