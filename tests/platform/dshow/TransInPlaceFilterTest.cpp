// The in-place transform framework: pins, type checks, streaming, states and reconnection.
#include <cwchar>
#include <vector>

#include <gtest/gtest.h>

#include "platform/com/TaskMemory.h"
#include "platform/dshow/FilterGraph.h"
#include "platform/dshow/HostPins.h"
#include "platform/dshow/MediaSample.h"
#include "tests/platform/dshow/TestFilters.h"

using namespace dshow;
using dshow::test::CNegateFilter;

namespace {

// A negate filter between a host source pin and a host sink pin that collects samples.
struct Chain {
    Chain() {
        filter = new CNegateFilter(nullptr);
        filter->NonDelegatingAddRef();
        filter->FindPin(L"In", &input);
        filter->FindPin(L"Out", &output);
    }
    ~Chain() {
        filter->Stop();
        source.Disconnect();
        sink.Disconnect();
        input->Disconnect();
        output->Disconnect();
        input->Release();
        output->Release();
        filter->NonDelegatingRelease();
    }
    HRESULT ConnectBoth(const CMediaType& mt) {
        const HRESULT hr = source.Connect(input, &mt);
        return FAILED(hr) ? hr : output->Connect(&sink, &mt);
    }

    CNegateFilter* filter;
    IPin* input = nullptr;
    IPin* output = nullptr;
    CHostOutputPin source{L"Source"};
    std::vector<std::vector<BYTE>> received;
    CHostInputPin sink{L"Sink", [this](IMediaSample* s) {
                           BYTE* p = nullptr;
                           s->GetPointer(&p);
                           received.emplace_back(p, p + s->GetActualDataLength());
                           return S_OK;
                       }};
};

const CMediaType kStereo16 = MakeAudioType(WAVE_FORMAT_PCM, 2, 44100, 16);

}  // namespace

TEST(TransInPlaceFilter, PinsHaveTheirNamesIdsAndDirections) {
    Chain c;
    PIN_INFO info{};
    ASSERT_EQ(c.input->QueryPinInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"Input");
    EXPECT_EQ(info.dir, PINDIR_INPUT);
    info.pFilter->Release();
    ASSERT_EQ(c.output->QueryPinInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"Output");
    EXPECT_EQ(info.dir, PINDIR_OUTPUT);
    info.pFilter->Release();
    LPWSTR id = nullptr;
    ASSERT_EQ(c.output->QueryId(&id), S_OK);
    EXPECT_STREQ(id, L"Out");
    com::CoTaskMemFree(id);
    IPin* none = nullptr;
    EXPECT_EQ(c.filter->FindPin(L"Input", &none), VFW_E_NOT_FOUND) << "lookup is by id";
    EXPECT_EQ(c.filter->GetMediaType(0, nullptr), E_UNEXPECTED);
    EXPECT_EQ(c.filter->CheckTransform(&kStereo16, nullptr), S_OK);
    EXPECT_TRUE(c.filter->ModifiesData());
}

TEST(TransInPlaceFilter, BothPinsTestTypesWithTheInputRuleAndThePeer) {
    Chain c;
    CMediaType video = kStereo16;
    video.majortype = MEDIATYPE_Video;
    EXPECT_EQ(c.source.Connect(c.input, &video), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(c.output->Connect(&c.sink, &video), VFW_E_TYPE_NOT_ACCEPTED);
    // A sink that takes only mono makes the input refuse stereo once the output is connected.
    CHostInputPin monoSink(L"Mono", {}, [](const CMediaType& mt) {
        return mt.WaveFormat() && mt.WaveFormat()->nChannels == 1;
    });
    const CMediaType mono = MakeAudioType(WAVE_FORMAT_PCM, 1, 44100, 16);
    ASSERT_EQ(c.output->Connect(&monoSink, &mono), S_OK);
    EXPECT_EQ(c.input->QueryAccept(&kStereo16), S_FALSE);
    EXPECT_EQ(c.input->QueryAccept(&mono), S_OK);
    EXPECT_EQ(c.source.Connect(c.input, &kStereo16), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(c.source.Connect(c.input, &mono), S_OK);
    CMediaType agreed;
    ASSERT_EQ(c.input->ConnectionMediaType(&agreed), S_OK);
    EXPECT_EQ(agreed, mono);
    c.output->Disconnect();
    monoSink.Disconnect();
}

TEST(TransInPlaceFilter, RunningFilterTransformsSamplesInPlaceOrCopiesReadOnlyOnes) {
    Chain c;
    ASSERT_EQ(c.ConnectBoth(kStereo16), S_OK);
    std::vector<BYTE> data{1, 2, 3, 250};
    CMediaSample sample(data.data(), static_cast<long>(data.size()));
    EXPECT_EQ(c.source.Deliver(&sample), VFW_E_WRONG_STATE) << "a stopped filter takes nothing";
    ASSERT_EQ(c.filter->Run(0), S_OK);
    ASSERT_EQ(c.source.Deliver(&sample), S_OK);
    EXPECT_EQ(data, (std::vector<BYTE>{255, 254, 253, 6})) << "changed in the sample's memory";
    ASSERT_EQ(c.received.size(), 1u);
    EXPECT_EQ(c.received[0], data);
    EXPECT_EQ(c.source.Connect(c.input, &kStereo16), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(c.input->Disconnect(), VFW_E_NOT_STOPPED);

    std::vector<BYTE> shared{1, 2};
    CMediaSample readOnly(shared.data(), 2, /*readOnly=*/true);
    ASSERT_EQ(c.source.Deliver(&readOnly), S_OK);
    EXPECT_EQ(shared, (std::vector<BYTE>{1, 2})) << "a read-only sample is copied first";
    ASSERT_EQ(c.received.size(), 2u);
    EXPECT_EQ(c.received[1], (std::vector<BYTE>{255, 254}));
}

TEST(TransInPlaceFilter, FlushingDropsSamplesAndEndOfStreamPassesThrough) {
    Chain c;
    ASSERT_EQ(c.ConnectBoth(kStereo16), S_OK);
    ASSERT_EQ(c.filter->Run(0), S_OK);
    std::vector<BYTE> data{1};
    CMediaSample sample(data.data(), 1);
    ASSERT_EQ(c.input->BeginFlush(), S_OK);
    EXPECT_EQ(c.source.Deliver(&sample), S_FALSE);
    ASSERT_EQ(c.input->EndFlush(), S_OK);
    EXPECT_EQ(c.source.Deliver(&sample), S_OK);
    EXPECT_EQ(c.input->EndOfStream(), S_OK);
    EXPECT_EQ(c.sink.EndOfStreamCount(), 1);
}

TEST(FilterGraph, ReconnectionRequestedDuringAConnectionRunsAfterIt) {
    Chain c;
    CFilterGraph* graph = CFilterGraph::Create();
    ASSERT_EQ(graph->AddFilter(c.filter, L"negate"), S_OK);
    FILTER_INFO info{};
    ASSERT_EQ(c.filter->QueryFilterInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"negate");
    EXPECT_EQ(info.pGraph, graph);
    info.pGraph->Release();

    const CMediaType mono = MakeAudioType(WAVE_FORMAT_PCM, 1, 22050, 16);
    c.source.Offer(mono);
    ASSERT_EQ(graph->ConnectDirect(&c.source, c.input, &kStereo16), S_OK);
    ASSERT_EQ(graph->ConnectDirect(c.output, &c.sink, &kStereo16), S_OK);
    ASSERT_EQ(graph->Reconnect(c.input), S_OK);
    EXPECT_EQ(graph->ReconnectCount(), 1);
    CMediaType agreed;
    ASSERT_EQ(c.input->ConnectionMediaType(&agreed), S_OK);
    EXPECT_EQ(agreed, mono) << "the sink offers no type, so the source's offer is agreed";
    EXPECT_EQ(graph->Reconnect(&c.sink), S_OK);
    EXPECT_EQ(graph->ReconnectCount(), 2);
    IPin* peer = nullptr;
    ASSERT_EQ(c.sink.ConnectedTo(&peer), S_OK);
    EXPECT_EQ(peer, c.output);
    peer->Release();
    EXPECT_EQ(graph->RemoveFilter(c.filter), S_OK);
    EXPECT_EQ(graph->RemoveFilter(c.filter), VFW_E_NOT_FOUND);
    graph->Release();
}
