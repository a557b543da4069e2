// regsvr: registers or unregisters an in-process COM server by calling its exports.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include <dlfcn.h>

#include "platform/com/ComTypes.h"
#include "platform/com/RegistryStore.h"

namespace {

using com::HRESULT;
using ServerFn = HRESULT (*)();
using VersionStringFn = const char* (*)(const char*);

int Usage() {
    std::fprintf(stderr,
                 "usage: regsvr register|unregister|info SERVER\n"
                 "  register    calls the server's DllRegisterServer\n"
                 "  unregister  calls the server's DllUnregisterServer\n"
                 "  info        prints the server's version information\n"
                 "The registry store is %s (set QUILLET_REGISTRY to use another).\n",
                 com::CRegistryStore::DefaultPath().c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return Usage();
    const std::string command = argv[1];
    if (command != "register" && command != "unregister" && command != "info")
        return Usage();
    std::error_code ec;
    const auto path = std::filesystem::absolute(argv[2], ec);
    if (ec || !std::filesystem::is_regular_file(path, ec)) {
        std::fprintf(stderr, "regsvr: %s: no such file\n", argv[2]);
        return 1;
    }
    void* server = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (server == nullptr) {
        std::fprintf(stderr, "regsvr: cannot load %s: %s\n", path.c_str(), ::dlerror());
        return 1;
    }
    if (command == "info") {
        auto version = reinterpret_cast<VersionStringFn>(::dlsym(server, "DllGetVersionString"));
        if (version == nullptr) {
            std::fprintf(stderr, "regsvr: %s has no version information\n", path.c_str());
            return 1;
        }
        for (const char* name : {"FileDescription", "FileVersion", "ProductVersion", "InternalName",
                                 "OriginalFilename", "OLESelfRegister"}) {
            const char* value = version(name);
            std::printf("%s: %s\n", name, value != nullptr ? value : "");
        }
        return 0;
    }
    const char* exportName = command == "register" ? "DllRegisterServer" : "DllUnregisterServer";
    auto entry = reinterpret_cast<ServerFn>(::dlsym(server, exportName));
    if (entry == nullptr) {
        std::fprintf(stderr, "regsvr: %s has no %s; it is not a self-registering server\n",
                     path.c_str(), exportName);
        return 1;
    }
    const HRESULT hr = entry();
    if (com::FAILED(hr)) {
        std::fprintf(stderr, "regsvr: %s failed: 0x%08X\n", exportName, static_cast<unsigned>(hr));
        return 1;
    }
    std::printf("%s succeeded in %s\n", exportName, path.c_str());
    return 0;
}
