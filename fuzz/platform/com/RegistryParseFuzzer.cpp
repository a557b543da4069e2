// The registry store's file, read through the store: any content loads or is refused
// cleanly; a refused file is never overwritten by an update; what loads serialises to text
// that loads back to the same content, and an update keeps it and adds the change.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

#include "fuzz/support/ScratchFile.h"
#include "platform/com/RegistryStore.h"

namespace {

void Require(bool bHolds, const char* what) {
    if (!bHolds) {
        std::fprintf(stderr, "com_registry_fuzzer: %s\n", what);
        std::abort();
    }
}

std::string Content(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The store file and its lock file, removed at exit.
struct StoreFile {
    StoreFile() : file(".ini") {}
    ~StoreFile() { ::unlink((file.Path() + ".lock").c_str()); }
    fuzz::ScratchFile file;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    static StoreFile store;
    const std::string text(reinterpret_cast<const char*>(pData), nSize);
    if (!store.file.Write(pData, nSize)) {
        return 0;
    }
    const com::CRegistryStore registry(store.file.Path());
    com::CRegistryTree tree;
    const com::HRESULT hr = registry.Read(tree);
    com::CRegistryTree parsed;
    const bool bParsed = parsed.Parse(text);
    Require(bParsed == (hr == com::S_OK), "the store and the parser disagree");
    if (!bParsed) {
        Require(hr == com::VFW_E_INVALID_FILE_FORMAT, "refusal with the wrong error");
        const com::HRESULT updated = registry.Update(
            [](com::CRegistryTree& t) { t.SetValue("HKEY_CLASSES_ROOT\\Fuzz", "", "x"); });
        Require(updated == com::VFW_E_INVALID_FILE_FORMAT && Content(store.file.Path()) == text,
                "a refused file was overwritten");
        return 0;
    }
    Require(tree.IsWellFormed(), "a loaded store holds ill-formed keys");
    const std::string once = tree.Serialise();
    Require(parsed.Serialise() == once, "the store and the parser read different content");
    com::CRegistryTree again;
    Require(again.Parse(once) && again.Serialise() == once, "serialised text does not load back");

    const std::string key = "HKEY_CLASSES_ROOT\\CLSID\\{Fuzz}\\InprocServer32";
    Require(registry.Update([&](com::CRegistryTree& t) {
        t.SetValue(key, "ThreadingModel", "Both");
    }) == com::S_OK,
            "update of a loaded store failed");
    com::CRegistryTree after;
    Require(registry.Read(after) == com::S_OK && after.GetValue(key, "ThreadingModel") == "Both",
            "update lost its change");
    again.SetValue(key, "ThreadingModel", "Both");
    Require(after.Serialise() == again.Serialise(), "update changed other content");
    return 0;
}
