// Class lookup and creation: CoCreateInstance through the registry store's InprocServer32.
#pragma once

#include <string>

#include "platform/com/RegistryStore.h"
#include "platform/com/Unknown.h"

namespace com {

inline constexpr uint32_t CLSCTX_INPROC_SERVER = 0x1;

// The signature of the export every in-process server provides.
using DllGetClassObjectFn = HRESULT (*)(REFCLSID, REFIID, void**);
using DllCanUnloadNowFn = HRESULT (*)();

// "HKEY_CLASSES_ROOT\CLSID\{...}" for a class.
std::string ClassKey(REFCLSID clsid);

// Loads (once per process) the server library at path and asks its DllGetClassObject for
// the class object. CO_E_DLLNOTFOUND when it cannot be loaded, CO_E_ERRORINDLL when it
// lacks the export.
HRESULT CoGetClassObjectFromModule(const std::string& path, REFCLSID clsid, REFIID riid,
                                   void** ppv);

// Resolves the class through the store's "CLSID\{...}\InprocServer32" default value;
// REGDB_E_CLASSNOTREG when the class is not registered there.
HRESULT CoGetClassObject(REFCLSID clsid, uint32_t clsContext, REFIID riid, void** ppv,
                         const CRegistryStore& store = CRegistryStore::Default());
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* pUnkOuter, uint32_t clsContext, REFIID riid,
                         void** ppv, const CRegistryStore& store = CRegistryStore::Default());

}  // namespace com
