// CVocalRemover: parameters, persistence, interfaces, pages, streaming and reconnection.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/com/MemoryStream.h"
#include "platform/com/TaskMemory.h"
#include "platform/dshow/FilterGraph.h"
#include "platform/dshow/MediaSample.h"
#include "tests/vocalremover/FilterHarness.h"
#include "vocalremover/RemoveVocals.h"

using namespace dshow;
using namespace skellan;
using skellan::test::Connected;
using skellan::test::Filter;

namespace {

std::vector<uint8_t> Utf16(const std::string& text) {
    std::vector<uint8_t> bytes;
    for (const char c : text)
        bytes.insert(bytes.end(), {static_cast<uint8_t>(c), 0});
    return bytes;
}

struct Params {
    int level, balance, gain;
    friend bool operator==(const Params&, const Params&) = default;
};

Params Read(IVocalRemover* vr) {
    Params p{-1, -1, -1};
    vr->get_Level(&p.level);
    vr->get_Balance(&p.balance);
    vr->get_Gain(&p.gain);
    return p;
}

void PrintTo(const Params& p, std::ostream* os) {
    *os << "{" << p.level << ", " << p.balance << ", " << p.gain << "}";
}

}  // namespace

TEST(VocalRemover, StartsAtTheDefaultsCleanAndStoresAnyValue) {
    Filter f;
    EXPECT_EQ(Read(f.vr), (Params{100, 50, 100}));
    EXPECT_EQ(f.ps->IsDirty(), S_FALSE);
    EXPECT_EQ(f.vr->put_Gain(100), S_OK);
    EXPECT_EQ(f.ps->IsDirty(), S_OK) << "setting the same value still marks it dirty";
    f.vr->put_Level(-7);
    f.vr->put_Balance(150);
    f.vr->put_Gain(400);
    EXPECT_EQ(Read(f.vr), (Params{-7, 150, 400}));
    f.vr->put_Level(INT32_MIN);
    f.vr->put_Balance(INT32_MAX);
    EXPECT_EQ(Read(f.vr), (Params{INT32_MIN, INT32_MAX, 400}));
}

TEST(VocalRemover, SavesExactlyNinetySixBytesAndLoadsThemBack) {
    Filter f;
    uint64_t size = 0;
    ASSERT_EQ(f.ps->GetSizeMax(&size), S_OK);
    EXPECT_EQ(size, 96u);
    auto* stream = new CMemoryStream();
    ASSERT_EQ(f.ps->Save(stream, TRUE), S_OK);
    EXPECT_EQ(stream->Data(), Utf16("00000000000 00000000100 00000000050 00000000100 "));
    EXPECT_EQ(f.ps->IsDirty(), S_FALSE);

    Filter g;
    g.vr->put_Level(1);
    g.vr->put_Balance(2);
    g.vr->put_Gain(3);
    ASSERT_EQ(g.ps->Save(stream, FALSE), S_OK);
    EXPECT_EQ(g.ps->IsDirty(), S_OK) << "a save that keeps the flag sets it";
    stream->Seek(0, STREAM_SEEK_SET, nullptr);
    ASSERT_EQ(g.ps->Load(stream), S_OK);
    EXPECT_EQ(Read(g.vr), (Params{100, 50, 100}));
    EXPECT_EQ(g.ps->IsDirty(), S_OK) << "loading leaves the flag as it was";
    stream->Release();

    auto* negative = new CMemoryStream(Utf16("00000000007 -0000000005 00000000150 00000000400 "));
    ASSERT_EQ(g.ps->Load(negative), S_OK);
    EXPECT_EQ(Read(g.vr), (Params{-5, 150, 400}));
    negative->Release();
    CLSID clsid{};
    ASSERT_EQ(g.ps->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_VocalRemover);
}

TEST(VocalRemover, AFailedLoadZeroesTheFailingValueAndKeepsTheLaterOnes) {
    Filter f;
    f.vr->put_Balance(11);
    f.vr->put_Gain(22);
    auto* letter = new CMemoryStream(Utf16("00000000000 000000001x0 00000000050 00000000100 "));
    EXPECT_EQ(f.ps->Load(letter), VFW_E_INVALID_FILE_FORMAT);
    EXPECT_EQ(Read(f.vr), (Params{0, 11, 22}));
    letter->Release();

    auto* truncated = new CMemoryStream(Utf16("00000000000 00000000070 00000000"));
    EXPECT_EQ(f.ps->Load(truncated), VFW_E_INVALID_FILE_FORMAT);
    EXPECT_EQ(Read(f.vr), (Params{70, 0, 22}));
    truncated->Release();
}

namespace {

// A stream that takes only so many bytes, then fails every write.
class CShortStream final : public IStream {
public:
    explicit CShortStream(ULONG room) : m_room(room) {}
    HRESULT QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT Read(void*, ULONG, ULONG* read) override {
        if (read)
            *read = 0;
        return S_FALSE;
    }
    HRESULT Write(const void*, ULONG cb, ULONG* written) override {
        if (cb > m_room)
            return STG_E_WRITEFAULT;
        m_room -= cb;
        ++writes;
        if (written)
            *written = cb;
        return S_OK;
    }
    HRESULT Seek(int64_t, STREAM_SEEK, uint64_t*) override { return S_OK; }
    int writes = 0;

private:
    ULONG m_room;
};

}  // namespace

TEST(VocalRemover, SavingStopsAtTheFirstFailingWriteAndKeepsTheDirtyFlag) {
    Filter f;
    f.vr->put_Level(1);
    for (const ULONG room : {0u, 24u, 48u, 72u}) {
        CShortStream stream(room);
        EXPECT_EQ(f.ps->Save(&stream, TRUE), STG_E_WRITEFAULT) << room;
        EXPECT_EQ(stream.writes, static_cast<int>(room / 24)) << "nothing written after a failure";
        EXPECT_EQ(f.ps->IsDirty(), S_OK) << "a failed save leaves the flag";
    }
    CShortStream enough(96);
    EXPECT_EQ(f.ps->Save(&enough, TRUE), S_OK);
    EXPECT_EQ(f.ps->IsDirty(), S_FALSE);
}

TEST(VocalRemover, EveryInterfaceLeadsToTheSameObject) {
    Filter f;
    ISpecifyPropertyPages* pages = nullptr;
    ASSERT_EQ(f.bf->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&pages)),
              S_OK);
    const std::vector<IUnknown*> faces{f.vr, f.ps, f.bf, pages};
    IUnknown* identity = nullptr;
    ASSERT_EQ(f.bf->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    for (IUnknown* face : faces) {
        IVocalRemover* vr = nullptr;
        ASSERT_EQ(face->QueryInterface(IID_IVocalRemover, reinterpret_cast<void**>(&vr)), S_OK);
        EXPECT_EQ(vr, f.vr);
        vr->Release();
        IUnknown* unknown = nullptr;
        ASSERT_EQ(face->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
        EXPECT_EQ(unknown, identity);
        unknown->Release();
    }
    for (const IID& iid : {IID_IMediaFilter, IID_IPersist, IID_IAMovieSetup}) {
        void* p = nullptr;
        EXPECT_EQ(f.vr->QueryInterface(iid, &p), S_OK);
        static_cast<IUnknown*>(p)->Release();
    }
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(f.vr->QueryInterface(IID_IStream, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    identity->Release();
    pages->Release();
}

TEST(VocalRemover, InterfaceSlotsAreInTheDeclaredOrder) {
    // Calls through the raw table, as a client compiled elsewhere would.
    Filter f;
    using Get = HRESULT (*)(IVocalRemover*, int*);
    using Put = HRESULT (*)(IVocalRemover*, int);
    void** table = *reinterpret_cast<void***>(f.vr);
    reinterpret_cast<Put>(table[4])(f.vr, 1);  // put_Level
    reinterpret_cast<Put>(table[5])(f.vr, 2);  // put_Balance
    reinterpret_cast<Put>(table[7])(f.vr, 3);  // put_Gain
    int level = 0, balance = 0, gain = 0;
    reinterpret_cast<Get>(table[3])(f.vr, &level);
    reinterpret_cast<Get>(table[6])(f.vr, &balance);
    reinterpret_cast<Get>(table[8])(f.vr, &gain);
    EXPECT_EQ(level, 1);
    EXPECT_EQ(balance, 2);
    EXPECT_EQ(gain, 3);
}

TEST(VocalRemover, NamesOnePropertyPageNoSetupDataAndRefusesNullPointers) {
    Filter f;
    ISpecifyPropertyPages* specify = nullptr;
    ASSERT_EQ(f.vr->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&specify)),
              S_OK);
    CAUUID pages;
    ASSERT_EQ(specify->GetPages(&pages), S_OK);
    ASSERT_EQ(pages.cElems, 1u);
    EXPECT_EQ(pages.pElems[0], CLSID_VocalRemoverProp);
    CoTaskMemFree(pages.pElems);
    EXPECT_EQ(specify->GetPages(nullptr), E_POINTER);
    specify->Release();
    IAMovieSetup* setup = nullptr;
    ASSERT_EQ(f.vr->QueryInterface(IID_IAMovieSetup, reinterpret_cast<void**>(&setup)), S_OK);
    EXPECT_EQ(setup->Register(), S_FALSE);
    EXPECT_EQ(setup->Unregister(), S_FALSE);
    setup->Release();
    EXPECT_EQ(f.vr->get_Level(nullptr), E_POINTER);
    EXPECT_EQ(f.vr->get_Balance(nullptr), E_POINTER);
    EXPECT_EQ(f.vr->get_Gain(nullptr), E_POINTER);
    EXPECT_EQ(f.bf->GetClassID(nullptr), E_POINTER);
    EXPECT_EQ(f.Object()->NonDelegatingQueryInterface(IID_IVocalRemover, nullptr), E_POINTER);
}

TEST(VocalRemover, ProcessesSamplesWithTheAgreedFormat) {
    Connected c;
    ASSERT_EQ(c.Run(MakeAudioType(WAVE_FORMAT_PCM, 2, 44100, 16)), S_OK);
    std::vector<uint8_t> data(4 * 3 + 2);
    const int16_t frames[] = {1000, 200, 3, 0, -32768, 32767};
    std::memcpy(data.data(), frames, sizeof frames);
    data[12] = 0x12;
    data[13] = 0x34;
    auto expected = data;
    skellan::RemoveVocals(expected.data(), static_cast<long>(expected.size()), 2, 2, 100, 50, 100);
    CMediaSample sample(data.data(), static_cast<long>(data.size()));
    ASSERT_EQ(c.source.Deliver(&sample), S_OK);
    EXPECT_EQ(data, expected);
    ASSERT_EQ(c.received.size(), 1u);
    EXPECT_EQ(c.received[0], expected);

    c.f.vr->put_Level(0);
    std::vector<uint8_t> untouched = data;
    CMediaSample second(untouched.data(), static_cast<long>(untouched.size()));
    ASSERT_EQ(c.source.Deliver(&second), S_OK);
    EXPECT_EQ(untouched, data) << "Level 0 at Gain 100 is the identity";
}

TEST(VocalRemover, LeavesMonoAndEightBitAloneAndRefusesOtherTypes) {
    for (const auto& mt :
         {MakeAudioType(WAVE_FORMAT_PCM, 1, 8000, 16), MakeAudioType(WAVE_FORMAT_PCM, 2, 8000, 8),
          MakeAudioType(WAVE_FORMAT_PCM, 6, 48000, 16)}) {
        Connected c;
        ASSERT_EQ(c.Run(mt), S_OK);
        std::vector<uint8_t> data{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        const auto original = data;
        CMediaSample sample(data.data(), static_cast<long>(data.size()));
        ASSERT_EQ(c.source.Deliver(&sample), S_OK);
        EXPECT_EQ(data, original);
    }
    Connected c;
    const CMediaType floats = MakeAudioType(WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 32);
    EXPECT_EQ(c.source.Connect(c.input, &floats), VFW_E_TYPE_NOT_ACCEPTED);
}

TEST(VocalRemover, ADifferentOutputTypeReconnectsTheInputButAnInputTypeNever) {
    Connected c;
    CFilterGraph* graph = CFilterGraph::Create();
    ASSERT_EQ(graph->AddFilter(c.f.bf, L"Skellan"), S_OK);
    const CMediaType stereo = MakeAudioType(WAVE_FORMAT_PCM, 2, 44100, 16);
    const CMediaType mono = MakeAudioType(WAVE_FORMAT_PCM, 1, 44100, 16);
    ASSERT_EQ(graph->ConnectDirect(&c.source, c.input, &stereo), S_OK);
    ASSERT_EQ(graph->ConnectDirect(c.output, &c.sink, &stereo), S_OK);
    EXPECT_EQ(graph->ReconnectCount(), 0) << "same type on both pins";

    // A new input type while both pins are connected: no reconnection.
    c.output->Disconnect();
    c.sink.Disconnect();
    ASSERT_EQ(graph->ConnectDirect(c.output, &c.sink, &stereo), S_OK);
    EXPECT_EQ(graph->ReconnectCount(), 0);
    ASSERT_EQ(c.source.Disconnect(), S_OK);
    ASSERT_EQ(c.input->Disconnect(), S_OK);
    c.source.Offer(stereo);
    ASSERT_EQ(graph->ConnectDirect(&c.source, c.input, &stereo), S_OK);
    EXPECT_EQ(graph->ReconnectCount(), 0) << "setting the input's type never reconnects";

    // The output takes mono while the input carries stereo: the input is reconnected, and
    // an upstream that can also give mono now gives it.
    c.source.Offer(mono);
    c.output->Disconnect();
    c.sink.Disconnect();
    ASSERT_EQ(graph->ConnectDirect(c.output, &c.sink, &mono), S_OK);
    EXPECT_EQ(graph->ReconnectCount(), 1);
    CMediaType inputType;
    ASSERT_EQ(c.input->ConnectionMediaType(&inputType), S_OK);
    EXPECT_EQ(inputType, mono) << "the input now carries the output's type";
    graph->Release();
}

TEST(VocalRemover, DifferentOutputTypeOutsideAGraphIsHarmless) {
    Connected c;
    const CMediaType stereo = MakeAudioType(WAVE_FORMAT_PCM, 2, 44100, 16);
    const CMediaType mono = MakeAudioType(WAVE_FORMAT_PCM, 1, 44100, 16);
    ASSERT_EQ(c.source.Connect(c.input, &stereo), S_OK);
    EXPECT_EQ(c.output->Connect(&c.sink, &mono), S_OK) << "no graph to ask: nothing happens";
}
