// The output pin's IMediaSeeking: made once, and every request passed to the upstream pin.
#include <gtest/gtest.h>

#include "platform/dshow/HostPins.h"
#include "platform/dshow/MediaSeeking.h"
#include "tests/platform/dshow/TestFilters.h"

using namespace dshow;
using dshow::test::CNegateFilter;

namespace {

// An upstream pin that can seek: it records what it is asked.
class CSeekableSource final : public CBaseOutputPin, public IMediaSeeking {
public:
    CSeekableSource() : CBaseOutputPin(nullptr, &m_lock, L"Seekable") {}

    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IMediaSeeking)
            return GetInterface(static_cast<IMediaSeeking*>(this), ppv);
        return CBaseOutputPin::NonDelegatingQueryInterface(riid, ppv);
    }
    HRESULT CheckMediaType(const CMediaType*) override { return S_OK; }

    HRESULT GetDuration(int64_t* p) override { return *p = 600'000'000, S_OK; }
    HRESULT SetPositions(int64_t* current, DWORD, int64_t*, DWORD) override {
        lastSeek = *current;
        return S_OK;
    }
    HRESULT SetRate(double rate) override { return rate > 0 ? S_OK : E_INVALIDARG; }
    HRESULT GetCapabilities(DWORD*) override { return E_NOTIMPL; }
    HRESULT CheckCapabilities(DWORD*) override { return E_NOTIMPL; }
    HRESULT IsFormatSupported(const GUID*) override { return E_NOTIMPL; }
    HRESULT QueryPreferredFormat(GUID*) override { return E_NOTIMPL; }
    HRESULT GetTimeFormat(GUID* p) override { return *p = TIME_FORMAT_MEDIA_TIME, S_OK; }
    HRESULT IsUsingTimeFormat(const GUID*) override { return E_NOTIMPL; }
    HRESULT SetTimeFormat(const GUID*) override { return E_NOTIMPL; }
    HRESULT GetStopPosition(int64_t*) override { return E_NOTIMPL; }
    HRESULT GetCurrentPosition(int64_t*) override { return E_NOTIMPL; }
    HRESULT ConvertTimeFormat(int64_t*, const GUID*, int64_t, const GUID*) override {
        return E_NOTIMPL;
    }
    HRESULT GetPositions(int64_t*, int64_t*) override { return E_NOTIMPL; }
    HRESULT GetAvailable(int64_t*, int64_t*) override { return E_NOTIMPL; }
    HRESULT GetRate(double*) override { return E_NOTIMPL; }
    HRESULT GetPreroll(int64_t*) override { return E_NOTIMPL; }

    int64_t lastSeek = -1;

private:
    CCritSec m_lock;
};

}  // namespace

TEST(MediaSeeking, OutputPinPassesRequestsUpstreamThroughTheInput) {
    auto* filter = new CNegateFilter(nullptr);
    filter->NonDelegatingAddRef();
    IPin* input = nullptr;
    IPin* output = nullptr;
    filter->FindPin(L"In", &input);
    filter->FindPin(L"Out", &output);
    IMediaSeeking* seeking = nullptr;
    ASSERT_EQ(output->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking)), S_OK);
    IMediaSeeking* again = nullptr;
    ASSERT_EQ(output->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&again)), S_OK);
    EXPECT_EQ(seeking, again) << "made once, on first request";
    again->Release();
    IPin* back = nullptr;
    ASSERT_EQ(seeking->QueryInterface(IID_IPin, reinterpret_cast<void**>(&back)), S_OK);
    EXPECT_EQ(back, output) << "the seeking object belongs to the output pin";
    back->Release();
    int64_t duration = 0;
    EXPECT_EQ(seeking->GetDuration(&duration), VFW_E_NOT_CONNECTED);

    CSeekableSource source;
    const CMediaType mt = MakeAudioType(WAVE_FORMAT_PCM, 2, 44100, 16);
    ASSERT_EQ(source.Connect(input, &mt), S_OK);
    ASSERT_EQ(seeking->GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, 600'000'000);
    int64_t position = 123;
    EXPECT_EQ(seeking->SetPositions(&position, 1, nullptr, 0), S_OK);
    EXPECT_EQ(source.lastSeek, 123);
    EXPECT_EQ(seeking->SetRate(-1), E_INVALIDARG) << "the upstream pin's answer comes back";

    CHostOutputPin cannotSeek(L"Plain");
    source.Disconnect();
    input->Disconnect();
    ASSERT_EQ(cannotSeek.Connect(input, &mt), S_OK);
    EXPECT_EQ(seeking->GetDuration(&duration), E_NOTIMPL);
    cannotSeek.Disconnect();
    input->Disconnect();

    seeking->Release();
    input->Release();
    output->Release();
    filter->NonDelegatingRelease();
}
