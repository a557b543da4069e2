// The filter's persistent stream: any bytes load or fail cleanly; whatever loaded saves to
// the fixed 96-byte layout, and that saved stream loads into a fresh filter with the same
// parameters and saves to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/com/MemoryStream.h"
#include "vocalremover/VocalRemover.h"

namespace {

using namespace com;

void Require(bool bHolds, const char* what) {
    if (!bHolds) {
        std::fprintf(stderr, "vocalremover_persist_fuzzer: %s\n", what);
        std::abort();
    }
}

// One filter object with its persistence and parameter interfaces, released at the end.
class Filter {
public:
    Filter() {
        HRESULT hr = S_OK;
        m_pObject = skellan::CVocalRemover::CreateInstance(nullptr, &hr);
        Require(m_pObject != nullptr && SUCCEEDED(hr), "the filter cannot be made");
        m_pObject->NonDelegatingAddRef();
        m_pObject->NonDelegatingQueryInterface(IID_IPersistStream,
                                               reinterpret_cast<void**>(&m_pPersist));
        m_pObject->NonDelegatingQueryInterface(skellan::IID_IVocalRemover,
                                               reinterpret_cast<void**>(&m_pParams));
        Require(m_pPersist != nullptr && m_pParams != nullptr, "interfaces missing");
    }
    ~Filter() {
        m_pParams->Release();
        m_pPersist->Release();
        m_pObject->NonDelegatingRelease();
    }
    Filter(const Filter&) = delete;
    Filter& operator=(const Filter&) = delete;

    HRESULT Load(std::vector<uint8_t> bytes) {
        auto* pIn = new CMemoryStream(std::move(bytes));
        const HRESULT hr = m_pPersist->Load(pIn);
        pIn->Release();
        return hr;
    }
    std::vector<uint8_t> Save() {
        auto* pOut = new CMemoryStream();
        Require(m_pPersist->Save(pOut, TRUE) == S_OK, "save failed");
        std::vector<uint8_t> bytes = pOut->Data();
        pOut->Release();
        return bytes;
    }
    std::vector<int> Parameters() {
        int nLevel = 0, nBalance = 0, nGain = 0;
        m_pParams->get_Level(&nLevel);
        m_pParams->get_Balance(&nBalance);
        m_pParams->get_Gain(&nGain);
        return {nLevel, nBalance, nGain};
    }

private:
    dshow::CUnknown* m_pObject = nullptr;
    IPersistStream* m_pPersist = nullptr;
    skellan::IVocalRemover* m_pParams = nullptr;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    Filter filter;
    const HRESULT hr = filter.Load(std::vector<uint8_t>(pData, pData + nSize));
    Require(hr == S_OK || hr == VFW_E_INVALID_FILE_FORMAT, "load failed with an unexpected error");
    const std::vector<uint8_t> saved = filter.Save();
    Require(saved.size() == 96, "saved stream is not 96 bytes");
    Filter copy;
    Require(copy.Load(saved) == S_OK, "a saved stream does not load");
    Require(copy.Parameters() == filter.Parameters(), "parameters changed through the stream");
    Require(copy.Save() == saved, "saving again gives other bytes");
    return 0;
}
