// Fuzzes loading the filter's persistent stream: any bytes must load or fail cleanly, and a
// stream that loaded must save back to the fixed 96-byte layout.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/com/MemoryStream.h"
#include "vocalremover/VocalRemover.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace com;
    HRESULT hr = S_OK;
    dshow::CUnknown* object = skellan::CVocalRemover::CreateInstance(nullptr, &hr);
    object->NonDelegatingAddRef();
    IPersistStream* persist = nullptr;
    object->NonDelegatingQueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&persist));
    auto* in = new CMemoryStream(std::vector<uint8_t>(data, data + size));
    const HRESULT loaded = persist->Load(in);
    if (loaded != S_OK && loaded != VFW_E_INVALID_FILE_FORMAT)
        std::abort();
    auto* out = new CMemoryStream();
    if (persist->Save(out, TRUE) != S_OK || out->Data().size() != 96)
        std::abort();
    out->Release();
    in->Release();
    persist->Release();
    object->NonDelegatingRelease();
    return 0;
}
