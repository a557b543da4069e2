// Parameters written from another thread while buffers stream: each buffer sees one set.
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/dshow/HostPins.h"
#include "platform/dshow/MediaSample.h"
#include "vocalremover/VocalRemover.h"

using namespace dshow;
using namespace skellan;

TEST(VocalRemoverThreads, ParameterWritesRacingBuffersAreSafeAndWholeBuffer) {
    HRESULT hr = S_OK;
    CUnknown* object = CVocalRemover::CreateInstance(nullptr, &hr);
    object->NonDelegatingAddRef();
    IBaseFilter* filter = nullptr;
    IVocalRemover* vr = nullptr;
    object->NonDelegatingQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&filter));
    object->NonDelegatingQueryInterface(IID_IVocalRemover, reinterpret_cast<void**>(&vr));
    IPin* input = nullptr;
    IPin* output = nullptr;
    filter->FindPin(L"In", &input);
    filter->FindPin(L"Out", &output);
    CHostOutputPin source(L"Source");
    CHostInputPin sink(L"Sink", {});
    const CMediaType stereo = MakeAudioType(WAVE_FORMAT_PCM, 2, 44100, 16);
    ASSERT_EQ(source.Connect(input, &stereo), S_OK);
    ASSERT_EQ(output->Connect(&sink, &stereo), S_OK);
    ASSERT_EQ(filter->Run(0), S_OK);
    vr->put_Level(0);

    std::atomic<bool> done{false};
    // Gain is only ever 100 or 200 and Level 0: every buffer must come out scaled by one
    // of them throughout, never a mix.
    std::thread writer([&] {
        for (int i = 0; !done; ++i) {
            vr->put_Gain(i % 2 == 0 ? 200 : 100);
            vr->put_Balance(i % 100);
            int level = -1;
            vr->get_Level(&level);
            EXPECT_EQ(level, 0);
        }
    });
    for (int round = 0; round < 300; ++round) {
        std::vector<int16_t> frames(2048);
        for (size_t i = 0; i < frames.size(); ++i)
            frames[i] = static_cast<int16_t>(i % 1000 + 1);
        CMediaSample sample(reinterpret_cast<BYTE*>(frames.data()),
                            static_cast<long>(frames.size() * 2));
        ASSERT_EQ(source.Deliver(&sample), S_OK);
        const int factor = frames[0] / 1;  // first sample is 1 in, so factor is 1 or 2
        ASSERT_TRUE(factor == 1 || factor == 2);
        for (size_t i = 0; i < frames.size(); ++i) {
            ASSERT_EQ(frames[i], static_cast<int16_t>((i % 1000 + 1) * factor)) << i;
        }
    }
    done = true;
    writer.join();
    filter->Stop();
    source.Disconnect();
    input->Disconnect();
    output->Disconnect();
    sink.Disconnect();
    input->Release();
    output->Release();
    vr->Release();
    filter->Release();
    object->NonDelegatingRelease();
}
