// The `skellan` element through GstHarness: negotiation, buffers, properties and presets.
#include <array>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gst/check/gstharness.h>
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "vocalremover/RemoveVocals.h"

namespace fs = std::filesystem;

namespace {

// Only the build's plugin is visible, with a registry and a data folder of this test's own.
class SkellanElement : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_scratch = fs::temp_directory_path() / ("gstskellan-test-" + std::to_string(::getpid()));
        fs::create_directories(s_scratch);
        ::setenv("GST_PLUGIN_SYSTEM_PATH_1_0", "", 1);
        ::setenv("GST_PLUGIN_PATH_1_0", SKELLAN_PLUGIN_DIR, 1);
        ::setenv("GST_REGISTRY_1_0", (s_scratch / "registry.bin").c_str(), 1);
        ::setenv("GST_REGISTRY", (s_scratch / "registry.bin").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (s_scratch / "data").c_str(), 1);  // user presets go here
        gst_init(nullptr, nullptr);
    }
    static void TearDownTestSuite() { fs::remove_all(s_scratch); }

    void TearDown() override {
        if (m_h != nullptr)
            gst_harness_teardown(m_h);
    }

    GstHarness* Harness(const char* caps) {
        m_h = gst_harness_new("skellan");
        gst_harness_set_src_caps_str(m_h, caps);
        return m_h;
    }

    static GstBuffer* BufferOf(const std::vector<uint8_t>& bytes) {
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, bytes.size(), nullptr);
        gst_buffer_fill(buffer, 0, bytes.data(), bytes.size());
        return buffer;
    }

    static std::vector<uint8_t> BytesOf(GstBuffer* buffer) {
        std::vector<uint8_t> bytes(gst_buffer_get_size(buffer));
        gst_buffer_extract(buffer, 0, bytes.data(), bytes.size());
        gst_buffer_unref(buffer);
        return bytes;
    }

    // Pushes bytes through and returns what comes out.
    std::vector<uint8_t> Run(const std::vector<uint8_t>& in) {
        const GstFlowReturn flow = gst_harness_push(m_h, BufferOf(in));
        EXPECT_EQ(flow, GST_FLOW_OK);
        if (flow != GST_FLOW_OK)
            return {};  // nothing to pull: do not wait for it
        GstBuffer* out = gst_harness_pull(m_h);
        EXPECT_NE(out, nullptr);
        return out ? BytesOf(out) : std::vector<uint8_t>{};
    }

    static std::vector<uint8_t> RandomBytes(size_t n, unsigned seed) {
        std::mt19937 rng(seed);
        std::vector<uint8_t> bytes(n);
        for (auto& b : bytes)
            b = static_cast<uint8_t>(rng());
        return bytes;
    }

    // Level, balance and gain as the element reports them.
    static std::array<int, 3> Params(GstElement* element) {
        std::array<int, 3> v{};
        g_object_get(element, "level", &v[0], "balance", &v[1], "gain", &v[2], nullptr);
        return v;
    }

    static inline fs::path s_scratch;
    GstHarness* m_h = nullptr;
};

constexpr char kStereo16[] =
    "audio/x-raw, format=S16LE, layout=interleaved, rate=44100, channels=2";

}  // namespace

TEST_F(SkellanElement, IsRegisteredWithRankNoneAsAnAudioEffect) {
    GstElementFactory* factory = gst_element_factory_find("skellan");
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(factory)), GST_RANK_NONE);
    EXPECT_STREQ(gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS),
                 "Filter/Effect/Audio");
    GstPlugin* plugin = gst_plugin_feature_get_plugin(GST_PLUGIN_FEATURE(factory));
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(fs::path(gst_plugin_get_filename(plugin)).filename(), "libgstskellan.so");
    gst_object_unref(plugin);
    gst_object_unref(factory);
}

TEST_F(SkellanElement, AcceptsExactlyEightAndSixteenBitInterleavedPcm) {
    GstElement* element = gst_element_factory_make("skellan", nullptr);
    ASSERT_NE(element, nullptr);
    GstPad* sink = gst_element_get_static_pad(element, "sink");
    const std::pair<const char*, bool> cases[] = {
        {kStereo16, true},
        {"audio/x-raw, format=U8, layout=interleaved, rate=8000, channels=1", true},
        {"audio/x-raw, format=S16LE, layout=interleaved, rate=192000, channels=6", true},
        {"audio/x-raw, format=F32LE, layout=interleaved, rate=44100, channels=2", false},
        {"audio/x-raw, format=S24LE, layout=interleaved, rate=44100, channels=2", false},
        {"audio/x-raw, format=S32LE, layout=interleaved, rate=44100, channels=2", false},
        {"audio/x-raw, format=S16BE, layout=interleaved, rate=44100, channels=2", false},
        {"audio/x-raw, format=S8, layout=interleaved, rate=44100, channels=2", false},
        {"audio/x-raw, format=S16LE, layout=non-interleaved, rate=44100, channels=2", false},
        {"video/x-raw, format=RGB, width=4, height=4", false},
    };
    for (const auto& [text, accepted] : cases) {
        GstCaps* caps = gst_caps_from_string(text);
        EXPECT_EQ(gst_pad_query_accept_caps(sink, caps) != FALSE, accepted) << text;
        gst_caps_unref(caps);
    }
    gst_object_unref(sink);
    gst_object_unref(element);
}

TEST_F(SkellanElement, RefusedCapsFailNegotiation) {
    Harness("audio/x-raw, format=F32LE, layout=interleaved, rate=44100, channels=2");
    EXPECT_EQ(gst_harness_push(m_h, BufferOf(std::vector<uint8_t>(16))), GST_FLOW_NOT_NEGOTIATED);
}

TEST_F(SkellanElement, ProcessesBuffersExactlyAsTheTransform) {
    Harness(kStereo16);
    struct Settings {
        int level, balance, gain;
    };
    const Settings settings[] = {{100, 50, 100}, {37, 81, 250}, {200, 150, -100}, {0, 50, 100}};
    unsigned seed = 1;
    for (const Settings& s : settings) {
        g_object_set(m_h->element, "level", s.level, "balance", s.balance, "gain", s.gain, nullptr);
        for (const size_t size : {4096u, 4098u, 3u}) {  // trailing bytes stay as they are
            const auto in = RandomBytes(size, seed++);
            auto expected = in;
            skellan::RemoveVocals(expected.data(), static_cast<long>(expected.size()), 2, 2,
                                  s.level, s.balance, s.gain);
            EXPECT_EQ(Run(in), expected)
                << s.level << "/" << s.balance << "/" << s.gain << ", " << size << " bytes";
        }
    }
}

TEST_F(SkellanElement, PassesOtherPcmUnchanged) {
    for (const char* caps :
         {"audio/x-raw, format=U8, layout=interleaved, rate=8000, channels=2",
          "audio/x-raw, format=S16LE, layout=interleaved, rate=8000, channels=1",
          "audio/x-raw, format=S16LE, layout=interleaved, rate=8000, channels=4"}) {
        Harness(caps);
        const auto in = RandomBytes(1024, 99);
        EXPECT_EQ(Run(in), in) << caps;
        gst_harness_teardown(m_h);
        m_h = nullptr;
    }
}

TEST_F(SkellanElement, PropertiesRoundTripThroughTheFilter) {
    GstElement* element = gst_element_factory_make("skellan", nullptr);
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(Params(element), (std::array{100, 50, 100}));
    g_object_set(element, "level", G_MININT, "balance", 150, "gain", 400, nullptr);
    EXPECT_EQ(Params(element), (std::array{G_MININT, 150, 400}));
    gpointer filter = nullptr;
    g_object_get(element, "filter", &filter, nullptr);
    EXPECT_NE(filter, nullptr);
    gst_object_unref(element);
}

TEST_F(SkellanElement, SettingsAreSavedAndLoadedAsPresets) {
    GstElement* first = gst_element_factory_make("skellan", nullptr);
    g_object_set(first, "level", 80, "balance", 45, "gain", 175, nullptr);
    ASSERT_TRUE(gst_preset_save_preset(GST_PRESET(first), "Karaoke night"));
    gst_object_unref(first);

    GstElement* second = gst_element_factory_make("skellan", nullptr);
    gchar** names = gst_preset_get_preset_names(GST_PRESET(second));
    ASSERT_NE(names, nullptr);
    EXPECT_TRUE(g_strv_contains(names, "Karaoke night"));
    g_strfreev(names);
    ASSERT_TRUE(gst_preset_load_preset(GST_PRESET(second), "Karaoke night"));
    EXPECT_EQ(Params(second), (std::array{80, 45, 175}));
    EXPECT_FALSE(gst_preset_load_preset(GST_PRESET(second), "No such preset"));
    gst_object_unref(second);
}
