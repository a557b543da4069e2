// Class factories, aggregation, unloading and registration in the store.
#include <filesystem>

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/com/ComRuntime.h"
#include "platform/dshow/FilterRegistration.h"
#include "tests/platform/dshow/TestFilters.h"

using namespace dshow;
using dshow::test::CLSID_NegateFilter;
using dshow::test::CNegateFilter;

namespace {

const AMOVIESETUP_MEDIATYPE kAnyAudio{&MEDIATYPE_Audio, &MEDIASUBTYPE_NULL};
const AMOVIESETUP_PIN kPins[] = {
    {L"Input", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, L"Output", 1, &kAnyAudio},
    {L"Output", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, L"Input", 1, &kAnyAudio}};
const AMOVIESETUP_FILTER kSetup{&CLSID_NegateFilter, L"Negate", MERIT_DO_NOT_USE, 2, kPins};
const CFactoryTemplate kTemplates[] = {
    {L"Negate", &CLSID_NegateFilter, CNegateFilter::CreateInstance, nullptr, &kSetup}};

// A stand-in outer object for aggregation.
class COuter final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    ULONG refs = 1;
};

IClassFactory* Factory(REFIID riid = IID_IClassFactory) {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(DllGetClassObjectFromTemplates(kTemplates, 1, CLSID_NegateFilter, riid,
                                             reinterpret_cast<void**>(&factory)),
              S_OK);
    return factory;
}

}  // namespace

TEST(ClassFactory, CreatesObjectsAndTracksWhetherTheServerMayUnload) {
    EXPECT_EQ(DllCanUnloadNowFromTemplates(), S_OK);
    IClassFactory* factory = Factory();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(DllCanUnloadNowFromTemplates(), S_FALSE) << "a live factory keeps the server";
    IBaseFilter* filter = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter)),
              S_OK);
    IPersistStream* none = nullptr;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPersistStream, reinterpret_cast<void**>(&none)),
              E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    factory->LockServer(TRUE);
    factory->Release();
    filter->Release();
    EXPECT_EQ(DllCanUnloadNowFromTemplates(), S_FALSE) << "the server lock is still held";
    // Unlocking needs a factory again.
    factory = Factory(IID_IUnknown);
    ASSERT_NE(factory, nullptr);
    factory->LockServer(FALSE);
    factory->Release();
    EXPECT_EQ(DllCanUnloadNowFromTemplates(), S_OK);
    void* other = nullptr;
    EXPECT_EQ(DllGetClassObjectFromTemplates(kTemplates, 1, CLSID_NULL, IID_IClassFactory, &other),
              CLASS_E_CLASSNOTAVAILABLE);
}

TEST(ClassFactory, AggregatedObjectsForwardToTheirOuterUnknown) {
    IClassFactory* factory = Factory();
    ASSERT_NE(factory, nullptr);
    COuter outer;
    void* p = nullptr;
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IBaseFilter, &p), CLASS_E_NOAGGREGATION);
    IUnknown* inner = nullptr;
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)),
              S_OK);
    IBaseFilter* filter = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&filter)), S_OK);
    EXPECT_EQ(outer.refs, 2u) << "the interface's reference went to the outer object";
    IUnknown* viaFilter = nullptr;
    EXPECT_EQ(filter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&viaFilter)),
              E_NOINTERFACE)
        << "asked of the outer object, which does not answer";
    filter->Release();
    EXPECT_EQ(outer.refs, 1u);
    inner->Release();
    factory->Release();
    EXPECT_EQ(DllCanUnloadNowFromTemplates(), S_OK);
}

TEST(FilterRegistration, WritesAndRemovesClassKeysAndTheMapperRecord) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("quillet-dshow-reg-" + std::to_string(::getpid()) + ".ini");
    const CRegistryStore store(path.string());
    ASSERT_EQ(AMovieDllRegisterServer2(true, kTemplates, 1, reinterpret_cast<const void*>(&kSetup),
                                       store),
              S_OK);
    const std::string classKey = ClassKey(CLSID_NegateFilter);
    EXPECT_EQ(store.GetValue(classKey, ""), "Negate");
    std::string self;
    ASSERT_EQ(GetModulePath(reinterpret_cast<const void*>(&kSetup), self), S_OK);
    EXPECT_EQ(store.GetValue(JoinKey(classKey, "InprocServer32"), ""), self);
    EXPECT_EQ(store.GetValue(JoinKey(classKey, "InprocServer32"), "ThreadingModel"), "Both");
    const std::string record = FilterInstanceKey(CLSID_LegacyAmFilterCategory, CLSID_NegateFilter);
    EXPECT_EQ(store.GetValue(record, "FriendlyName"), "Negate");
    EXPECT_EQ(store.GetValue(record, "Merit"), "0x00200000");
    EXPECT_EQ(store.GetValue(JoinKey(record, "Pins\\Output"), "Output"), "1");
    EXPECT_EQ(store.GetValue(JoinKey(record, "Pins\\Input"), "ConnectsToPin"), "Output");
    EXPECT_EQ(store.GetValue(JoinKey(record, "Pins\\Input\\Types\\0"), "MajorType"),
              StringFromGuid(MEDIATYPE_Audio));
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(AMovieDllRegisterServer2(false, kTemplates, 1,
                                           reinterpret_cast<const void*>(&kSetup), store),
                  S_OK)
            << "unregistration " << round;
        EXPECT_FALSE(store.KeyExists(classKey));
        EXPECT_FALSE(store.KeyExists(record));
    }
    std::filesystem::remove(path);
    std::filesystem::remove(path.string() + ".lock");
}
