// Class keys and mapper records in the registry store.
#include "platform/dshow/FilterRegistration.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include <dlfcn.h>

#include "platform/com/ComRuntime.h"
#include "platform/com/WideString.h"

namespace dshow {

HRESULT GetModulePath(const void* address, std::string& path) {
    Dl_info info{};
    if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr || *info.dli_fname == 0) {
        return HResultFromErrno(ENOENT);
    }
    std::error_code ec;
    const auto full = std::filesystem::canonical(info.dli_fname, ec);
    if (ec)
        return HResultFromErrno(ec.value());
    path = full.string();
    return S_OK;
}

std::string FilterInstanceKey(REFCLSID category, REFCLSID clsid) {
    return JoinKey(JoinKey(ClassKey(category), "Instance"), StringFromGuid(clsid));
}

namespace {

std::string Flag(BOOL value) {
    return value ? "1" : "0";
}

std::string Hex32(DWORD value) {
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

std::string GuidOrNull(const CLSID* clsid) {
    return StringFromGuid(clsid ? *clsid : CLSID_NULL);
}

void WriteFilterRecord(CRegistryTree& tree, const AMOVIESETUP_FILTER& filter) {
    const std::string key = FilterInstanceKey(CLSID_LegacyAmFilterCategory, *filter.clsID);
    tree.DeleteTree(key);
    const std::string name = WideToUtf8(filter.strName ? filter.strName : L"");
    tree.SetValue(key, "FriendlyName", name);
    tree.SetValue(key, "CLSID", StringFromGuid(*filter.clsID));
    tree.SetValue(key, "Merit", Hex32(filter.dwMerit));
    for (UINT p = 0; p < filter.nPins; ++p) {
        const AMOVIESETUP_PIN& pin = filter.lpPin[p];
        const std::string pinKey =
            JoinKey(JoinKey(key, "Pins"), WideToUtf8(pin.strName ? pin.strName : L""));
        tree.SetValue(pinKey, "Output", Flag(pin.bOutput));
        tree.SetValue(pinKey, "Rendered", Flag(pin.bRendered));
        tree.SetValue(pinKey, "ZeroInstancesAllowed", Flag(pin.bZero));
        tree.SetValue(pinKey, "ManyInstances", Flag(pin.bMany));
        tree.SetValue(pinKey, "ConnectsToFilter", GuidOrNull(pin.clsConnectsToFilter));
        tree.SetValue(pinKey, "ConnectsToPin",
                      WideToUtf8(pin.strConnectsToPin ? pin.strConnectsToPin : L""));
        for (UINT t = 0; t < pin.nMediaTypes; ++t) {
            const std::string typeKey = JoinKey(JoinKey(pinKey, "Types"), std::to_string(t));
            tree.SetValue(typeKey, "MajorType", GuidOrNull(pin.lpMediaType[t].clsMajorType));
            tree.SetValue(typeKey, "MinorType", GuidOrNull(pin.lpMediaType[t].clsMinorType));
        }
    }
}

}  // namespace

HRESULT RegisterFilterSetup(const AMOVIESETUP_FILTER& filter, bool bRegister,
                            const CRegistryStore& store) {
    if (filter.clsID == nullptr)
        return E_POINTER;
    return store.Update([&](CRegistryTree& tree) {
        if (bRegister) {
            WriteFilterRecord(tree, filter);
        } else {
            tree.DeleteTree(FilterInstanceKey(CLSID_LegacyAmFilterCategory, *filter.clsID));
        }
    });
}

HRESULT AMovieDllRegisterServer2(bool bRegister, const CFactoryTemplate* templates, int count,
                                 const void* moduleAddress, const CRegistryStore& store) {
    std::string path;
    if (const HRESULT hr = GetModulePath(moduleAddress, path); FAILED(hr))
        return hr;
    if (bRegister) {
        const HRESULT hr = store.Update([&](CRegistryTree& tree) {
            for (int i = 0; i < count; ++i) {
                const std::string key = ClassKey(*templates[i].m_ClsID);
                tree.DeleteTree(key);
                tree.SetValue(key, "", WideToUtf8(templates[i].m_Name));
                tree.SetValue(JoinKey(key, "InprocServer32"), "", path);
                tree.SetValue(JoinKey(key, "InprocServer32"), "ThreadingModel", "Both");
            }
        });
        if (FAILED(hr))
            return hr;
    }
    for (int i = 0; i < count; ++i) {
        if (templates[i].m_pAMovieSetup_Filter == nullptr)
            continue;
        const HRESULT hr =
            RegisterFilterSetup(*templates[i].m_pAMovieSetup_Filter, bRegister, store);
        if (FAILED(hr))
            return hr;
    }
    if (!bRegister) {
        return store.Update([&](CRegistryTree& tree) {
            for (int i = 0; i < count; ++i)
                tree.DeleteTree(ClassKey(*templates[i].m_ClsID));
        });
    }
    return S_OK;
}

}  // namespace dshow
