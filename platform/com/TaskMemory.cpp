// Task memory on the C heap, which every module of a process shares.
#include "platform/com/TaskMemory.h"

#include <cstdlib>

namespace com {

void* CoTaskMemAlloc(size_t cb) {
    return std::malloc(cb == 0 ? 1 : cb);
}

void CoTaskMemFree(void* pv) {
    std::free(pv);
}

}  // namespace com
