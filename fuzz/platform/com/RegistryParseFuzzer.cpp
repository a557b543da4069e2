// Fuzzes the registry store's parser: any text parses or is refused cleanly, and what
// parses serialises to text that parses back to the same content.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/com/RegistryStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    com::CRegistryTree tree;
    if (!tree.Parse(text))
        return 0;
    const std::string once = tree.Serialise();
    com::CRegistryTree again;
    if (!again.Parse(once) || again.Serialise() != once)
        std::abort();
    return 0;
}
