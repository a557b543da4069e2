// Task memory: the allocator shared by a COM server and its callers.
#pragma once

#include <cstddef>

namespace com {

// Null when the memory cannot be had. Memory from one side may be freed by the other.
void* CoTaskMemAlloc(size_t cb);
void CoTaskMemFree(void* pv);

}  // namespace com
