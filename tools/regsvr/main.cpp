// regsvr: registers or unregisters an in-process COM server by calling its exports.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include <dlfcn.h>

#include "platform/com/ComTypes.h"
#include "platform/com/RegistryStore.h"
#include "tools/cli/CommandLine.h"

namespace {

using com::HRESULT;
using ServerFn = HRESULT (*)();
using VersionStringFn = const char* (*)(const char*);

std::string UsageText() {
    return "usage: regsvr [--] register|unregister|info SERVER\n"
           "  register    calls the server's DllRegisterServer\n"
           "  unregister  calls the server's DllUnregisterServer\n"
           "  info        prints the server's version information\n"
           "  -h, --help  show this help\n"
           "The registry store is " +
           com::CRegistryStore::DefaultPath() + " (set QUILLET_REGISTRY to use another).\n";
}

}  // namespace

int main(int argc, char** argv) {
    cli::CommandLine cl("regsvr", UsageText());
    if (const auto done = cl.Parse(argc, argv))
        return *done;
    const auto& operands = cl.Operands();
    if (operands.empty())
        return cl.UsageError("no command given");
    const std::string& command = operands[0];
    if (command != "register" && command != "unregister" && command != "info")
        return cl.UsageError("unknown command " + command);
    if (operands.size() < 2)
        return cl.UsageError("no server given");
    if (operands.size() > 2)
        return cl.UsageError("too many arguments: " + operands[2]);
    const std::string& server = operands[1];
    std::error_code ec;
    const auto path = std::filesystem::absolute(server, ec);
    if (ec || !std::filesystem::is_regular_file(path, ec))
        return cl.Failure(server + ": no such file");
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr)
        return cl.Failure("cannot load " + path.string() + ": " + ::dlerror());
    if (command == "info") {
        auto version = reinterpret_cast<VersionStringFn>(::dlsym(module, "DllGetVersionString"));
        if (version == nullptr)
            return cl.Failure(path.string() + " has no version information");
        for (const char* name : {"FileDescription", "FileVersion", "ProductVersion", "InternalName",
                                 "OriginalFilename", "OLESelfRegister"}) {
            const char* value = version(name);
            std::printf("%s: %s\n", name, value != nullptr ? value : "");
        }
        return cli::kExitOk;
    }
    const char* exportName = command == "register" ? "DllRegisterServer" : "DllUnregisterServer";
    auto entry = reinterpret_cast<ServerFn>(::dlsym(module, exportName));
    if (entry == nullptr) {
        return cl.Failure(path.string() + " has no " + exportName +
                          "; it is not a self-registering server");
    }
    const HRESULT hr = entry();
    if (com::FAILED(hr)) {
        char code[16];
        std::snprintf(code, sizeof(code), "0x%08X", static_cast<unsigned>(hr));
        return cl.Failure(std::string(exportName) + " failed: " + code);
    }
    std::printf("%s succeeded in %s\n", exportName, path.c_str());
    return cli::kExitOk;
}
