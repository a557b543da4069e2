// Skellan.ax as a host sees it: dlopen, the exports, the class objects and registration.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/com/ComRuntime.h"
#include "platform/dshow/DShowTypes.h"
#include "platform/dshow/FilterRegistration.h"
#include "platform/dshow/ui/PropertyPage.h"
#include "vocalremover/IVocalRemover.h"

using namespace com;
using namespace skellan;

namespace {

using HResultFn = HRESULT (*)();
using VersionStringFn = const char* (*)(const char*);

struct VersionInfo {
    uint32_t cbSize, major, minor, build, platform;
};
using VersionFn = HRESULT (*)(VersionInfo*);

class SkellanDll : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_handle = ::dlopen(SKELLAN_AX, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(s_handle, nullptr) << ::dlerror();
    }
    void SetUp() override {
        m_store = std::filesystem::temp_directory_path() /
                  ("skellan-registry-" + std::to_string(::getpid()) + ".ini");
        std::filesystem::remove(m_store);
        ::setenv("QUILLET_REGISTRY", m_store.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("QUILLET_REGISTRY");
        std::filesystem::remove(m_store);
        std::filesystem::remove(m_store.string() + ".lock");
    }
    template <typename Fn>
    static Fn Export(const char* name) {
        return reinterpret_cast<Fn>(::dlsym(s_handle, name));
    }

    static inline void* s_handle = nullptr;
    std::filesystem::path m_store;
};

}  // namespace

TEST_F(SkellanDll, ExportsTheEntryPointsWithCLinkageAndItsVersion) {
    for (const char* name :
         {"DllRegisterServer", "DllUnregisterServer", "DllGetClassObject", "DllCanUnloadNow"}) {
        EXPECT_NE(::dlsym(s_handle, name), nullptr) << name;
    }
    EXPECT_EQ(::dlsym(s_handle, "_ZN7skellan13CVocalRemover14CreateInstanceEPN3com8IUnknownEPi"),
              nullptr)
        << "the library's own code stays private";
    auto versionString = Export<VersionStringFn>("DllGetVersionString");
    ASSERT_NE(versionString, nullptr);
    EXPECT_STREQ(versionString("FileDescription"), "Skellan Filter (Sample)");
    EXPECT_STREQ(versionString("FileVersion"), "1.00");
    EXPECT_STREQ(versionString("OLESelfRegister"), "AM20");
    EXPECT_STREQ(versionString("ActiveMovie"), "Filter dll");
    EXPECT_EQ(versionString("Nonsense"), nullptr);
    VersionInfo info{sizeof(VersionInfo), 9, 9, 9, 9};
    ASSERT_EQ(Export<VersionFn>("DllGetVersion")(&info), S_OK);
    EXPECT_EQ(info.major, 1u);
    EXPECT_EQ(info.minor, 0u);
}

TEST_F(SkellanDll, ClassObjectsMakeBothClassesAndGovernUnloading) {
    auto getClassObject = Export<DllGetClassObjectFn>("DllGetClassObject");
    auto canUnload = Export<HResultFn>("DllCanUnloadNow");
    EXPECT_EQ(canUnload(), S_OK);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(
        getClassObject(CLSID_VocalRemover, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
        S_OK);
    IVocalRemover* filter = nullptr;
    ASSERT_EQ(
        factory->CreateInstance(nullptr, IID_IVocalRemover, reinterpret_cast<void**>(&filter)),
        S_OK);
    factory->Release();
    int level = 0;
    filter->get_Level(&level);
    EXPECT_EQ(level, 100);
    EXPECT_EQ(canUnload(), S_FALSE);
    filter->Release();
    EXPECT_EQ(canUnload(), S_OK);

    ASSERT_EQ(getClassObject(CLSID_VocalRemoverProp, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory)),
              S_OK);
    dshow::IPropertyPage* page = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPropertyPage, reinterpret_cast<void**>(&page)),
              S_OK);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    page->Release();
    factory->Release();

    void* none = nullptr;
    EXPECT_EQ(getClassObject(IID_IVocalRemover, IID_IClassFactory, &none),
              CLASS_E_CLASSNOTAVAILABLE);
}

TEST_F(SkellanDll, RegistersBothClassesAndTheFilterAndUnregistersTwice) {
    ASSERT_EQ(Export<HResultFn>("DllRegisterServer")(), S_OK);
    const CRegistryStore store(m_store.string());
    const std::string path = std::filesystem::canonical(SKELLAN_AX).string();
    const std::string filterKey = ClassKey(CLSID_VocalRemover);
    const std::string pageKey = ClassKey(CLSID_VocalRemoverProp);
    EXPECT_EQ(filterKey, "HKEY_CLASSES_ROOT\\CLSID\\{0E07C9A5-3D0E-4A18-92CA-96687A42B7FA}");
    EXPECT_EQ(store.GetValue(filterKey, ""), "Skellan");
    EXPECT_EQ(store.GetValue(pageKey, ""), "Skellan Property Page");
    for (const std::string& key : {filterKey, pageKey}) {
        EXPECT_EQ(store.GetValue(JoinKey(key, "InprocServer32"), ""), path);
        EXPECT_EQ(store.GetValue(JoinKey(key, "InprocServer32"), "ThreadingModel"), "Both");
    }
    const std::string record =
        dshow::FilterInstanceKey(dshow::CLSID_LegacyAmFilterCategory, CLSID_VocalRemover);
    EXPECT_EQ(store.GetValue(record, "FriendlyName"), "Skellan");
    EXPECT_EQ(store.GetValue(record, "Merit"), "0x00200000");
    EXPECT_EQ(store.GetValue(JoinKey(record, "Pins\\Input"), "Output"), "0");
    EXPECT_EQ(store.GetValue(JoinKey(record, "Pins\\Output"), "Output"), "1");
    EXPECT_EQ(store.GetValue(JoinKey(record, "Pins\\Output"), "ConnectsToPin"), "Input");
    EXPECT_EQ(store.GetValue(JoinKey(record, "Pins\\Output\\Types\\0"), "MinorType"),
              StringFromGuid(GUID_NULL));

    IVocalRemover* filter = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_VocalRemover, nullptr, CLSCTX_INPROC_SERVER, IID_IVocalRemover,
                               reinterpret_cast<void**>(&filter)),
              S_OK);
    filter->Release();

    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(Export<HResultFn>("DllUnregisterServer")(), S_OK) << "round " << round;
        EXPECT_FALSE(store.KeyExists(filterKey));
        EXPECT_FALSE(store.KeyExists(pageKey));
        EXPECT_FALSE(store.KeyExists(record));
    }
    void* none = nullptr;
    EXPECT_EQ(
        CoCreateInstance(CLSID_VocalRemover, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &none),
        REGDB_E_CLASSNOTREG);
}
