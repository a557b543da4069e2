// Registration of a server's classes and filters in the registry store (the filter mapper).
#pragma once

#include <string>

#include "platform/com/RegistryStore.h"
#include "platform/dshow/ClassFactory.h"

namespace dshow {

// The full path of the shared object that holds `address`.
HRESULT GetModulePath(const void* address, std::string& path);

// "HKEY_CLASSES_ROOT\CLSID\{category}\Instance\{clsid}": where the mapper keeps a filter.
std::string FilterInstanceKey(REFCLSID category, REFCLSID clsid);

// The mapper: records the filter's name, merit, pins and media types under the default
// category of filters, replacing an earlier record; or removes the record (an absent one
// counts as removed).
HRESULT RegisterFilterSetup(const AMOVIESETUP_FILTER& filter, bool bRegister,
                            const CRegistryStore& store);

// For every template: with bRegister, writes "CLSID\{...}" (default value the name) with
// "InprocServer32" (the module's path, "ThreadingModel" = "Both"), then registers each
// filter with the mapper; without, removes the mapper records, then the class keys.
// moduleAddress is any address inside the server library.
HRESULT AMovieDllRegisterServer2(bool bRegister, const CFactoryTemplate* templates, int count,
                                 const void* moduleAddress,
                                 const CRegistryStore& store = CRegistryStore::Default());

}  // namespace dshow
