// CVocalRemover: the in-place filter that removes the centre of 16-bit stereo audio.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/dshow/PersistStream.h"
#include "platform/dshow/TransInPlaceFilter.h"
#include "vocalremover/IVocalRemover.h"

namespace skellan {

class CVocalRemover final : public dshow::CTransInPlaceFilter,
                            public IVocalRemover,
                            public com::ISpecifyPropertyPages,
                            public dshow::CPersistStream {
public:
    // E_OUTOFMEMORY through phr and null when the object cannot be allocated.
    static dshow::CUnknown* CreateInstance(com::IUnknown* punk, HRESULT* phr);

    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(const com::IID& riid, void** ppv) override;

    // The media type rule and the format facts.
    HRESULT CheckInputType(const dshow::CMediaType* mtIn) override;
    // Records the format; when the output pin gets a type other than the input's while
    // both are connected, asks the graph to reconnect the input. Always S_OK.
    HRESULT SetMediaType(dshow::PIN_DIRECTION direction, const dshow::CMediaType* pmt) override;
    // Runs RemoveVocals over the sample under m_ParamLock. Streaming thread.
    HRESULT Transform(dshow::IMediaSample* pSample) override;
    using dshow::CTransInPlaceFilter::Transform;

    // IPersist for both the filter and its persistent stream.
    HRESULT GetClassID(com::CLSID* pClsid) override;

    HRESULT GetPages(com::CAUUID* pPages) override;

    // IVocalRemover: any thread. Level under m_ParamLock, Balance and Gain atomic.
    HRESULT get_Level(int* pLevel) override;
    HRESULT put_Level(int level) override;
    HRESULT put_Balance(int balance) override;
    HRESULT get_Balance(int* pBalance) override;
    HRESULT put_Gain(int gain) override;
    HRESULT get_Gain(int* pGain) override;

    // The rewrite of one buffer with the current format and parameters; the caller holds
    // m_ParamLock.
    void RemoveVocals(com::BYTE* buffer, long length);

protected:
    HRESULT WriteToStream(com::IStream* pStream) override;
    HRESULT ReadFromStream(com::IStream* pStream) override;
    int SizeMax() override { return 3 * dshow::kPersistIntBytes; }

private:
    CVocalRemover(com::IUnknown* punk, HRESULT* phr);
    ~CVocalRemover() override = default;

    static constexpr int32_t kDefaultLevel = 100;
    static constexpr int32_t kDefaultBalance = 50;
    static constexpr int32_t kDefaultGain = 100;

    dshow::CCritSec m_ParamLock;
    int32_t m_Level = kDefaultLevel;  // --- guarded by m_ParamLock
    // Written without the lock by the page and by hosts, read once per buffer.
    std::atomic<int32_t> m_Balance{kDefaultBalance};
    std::atomic<int32_t> m_Gain{kDefaultGain};
    // --- written while pins connect (filter stopped), read by the streaming thread
    std::atomic<int32_t> m_Channels{0};
    std::atomic<int32_t> m_BytesPerSample{0};
};

}  // namespace skellan
