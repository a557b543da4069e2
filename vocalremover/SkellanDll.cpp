// Skellan.ax: the factory templates, the filter's setup data and the exported entry points.
#include <cstdint>

#include "platform/dshow/ClassFactory.h"
#include "platform/dshow/FilterRegistration.h"
#include "vocalremover/Resource.h"
#include "vocalremover/VocalRemover.h"
#include "vocalremover/VocalRemoverProp.h"

using namespace dshow;
using namespace skellan;

namespace {

const AMOVIESETUP_MEDIATYPE kPinTypes{&MEDIATYPE_Audio, &MEDIASUBTYPE_NULL};

const AMOVIESETUP_PIN kPins[] = {
    {L"Input", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, L"Output", 1, &kPinTypes},
    {L"Output", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, L"Input", 1, &kPinTypes},
};

const AMOVIESETUP_FILTER kFilterSetup{&CLSID_VocalRemover, L"Skellan", MERIT_DO_NOT_USE, 2, kPins};

const CFactoryTemplate g_Templates[] = {
    {L"Skellan", &CLSID_VocalRemover, CVocalRemover::CreateInstance, nullptr, &kFilterSetup},
    {L"Skellan Property Page", &CLSID_VocalRemoverProp, CVocalRemoverProp::CreateInstance, nullptr,
     nullptr},
};
constexpr int g_cTemplates = sizeof(g_Templates) / sizeof(g_Templates[0]);

}  // namespace

// The layout of the shell's version query.
struct DLLVERSIONINFO {
    uint32_t cbSize;
    uint32_t dwMajorVersion;
    uint32_t dwMinorVersion;
    uint32_t dwBuildNumber;
    uint32_t dwPlatformID;
};

#define SKELLAN_EXPORT extern "C" __attribute__((visibility("default")))

SKELLAN_EXPORT HRESULT DllRegisterServer() {
    return AMovieDllRegisterServer2(true, g_Templates, g_cTemplates,
                                    reinterpret_cast<const void*>(&g_Templates));
}

SKELLAN_EXPORT HRESULT DllUnregisterServer() {
    return AMovieDllRegisterServer2(false, g_Templates, g_cTemplates,
                                    reinterpret_cast<const void*>(&g_Templates));
}

SKELLAN_EXPORT HRESULT DllGetClassObject(REFCLSID rClsID, REFIID riid, void** pv) {
    return DllGetClassObjectFromTemplates(g_Templates, g_cTemplates, rClsID, riid, pv);
}

SKELLAN_EXPORT HRESULT DllCanUnloadNow() {
    return DllCanUnloadNowFromTemplates();
}

// Version 1.0.0.0.
SKELLAN_EXPORT HRESULT DllGetVersion(DLLVERSIONINFO* pdvi) {
    if (pdvi == nullptr)
        return E_POINTER;
    if (pdvi->cbSize < sizeof(DLLVERSIONINFO))
        return E_INVALIDARG;
    pdvi->dwMajorVersion = 1;
    pdvi->dwMinorVersion = 0;
    pdvi->dwBuildNumber = 0;
    pdvi->dwPlatformID = 1;
    return S_OK;
}

// The version resource's strings by name ("FileDescription", "OLESelfRegister", ...).
SKELLAN_EXPORT const char* DllGetVersionString(const char* name) {
    return VersionResourceString(name);
}
