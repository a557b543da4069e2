// A harness for testing the replay driver: fails the way a found bug does (abort) on an
// input starting with "crash", and accepts anything else.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    if (nSize >= 5 && std::memcmp(pData, "crash", 5) == 0) {
        std::abort();
    }
    return 0;
}
