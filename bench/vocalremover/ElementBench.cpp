// The `skellan` element's own cost: the same pipeline with and without it.
#include <cstdlib>
#include <string>

#include <benchmark/benchmark.h>
#include <gst/gst.h>

namespace {

constexpr int kSeconds = 60;
constexpr int kRate = 44100;
constexpr int kSamplesPerBuffer = 4410;  // 100 ms buffers
constexpr int kBuffers = kSeconds * kRate / kSamplesPerBuffer;

void InitGst() {
    static const bool done = [] {
        // The build's plugin next to the system's.
        const char* old = std::getenv("GST_PLUGIN_PATH_1_0");
        std::string path = SKELLAN_PLUGIN_DIR;
        if (old && *old)
            path += std::string(":") + old;
        ::setenv("GST_PLUGIN_PATH_1_0", path.c_str(), 1);
        gst_init(nullptr, nullptr);
        return true;
    }();
    (void)done;
}

// Runs one minute of white noise through the pipeline as fast as it goes.
bool RunPipeline(bool withSkellan) {
    const std::string description =
        "audiotestsrc wave=white-noise num-buffers=" + std::to_string(kBuffers) +
        " samplesperbuffer=" + std::to_string(kSamplesPerBuffer) +
        " ! audio/x-raw,format=S16LE,layout=interleaved,channels=2,rate=" + std::to_string(kRate) +
        (withSkellan ? " ! skellan" : "") + " ! fakesink sync=false";
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    if (error != nullptr) {
        g_error_free(error);
        if (pipeline)
            gst_object_unref(pipeline);
        return false;
    }
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(
        bus, GST_CLOCK_TIME_NONE, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ok = message != nullptr && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (message)
        gst_message_unref(message);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return ok;
}

void Pipeline(benchmark::State& state, bool withSkellan) {
    InitGst();
    for (auto _ : state) {
        if (!RunPipeline(withSkellan)) {
            state.SkipWithError("the pipeline failed (is the skellan plugin built?)");
            return;
        }
    }
    // Seconds of audio per second of wall time; the element's own cost per second of audio
    // is the difference of the two pipelines' times divided by kSeconds.
    state.counters["x_realtime"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kSeconds, benchmark::Counter::kIsRate);
}

void BM_PipelineWithoutSkellan(benchmark::State& state) {
    Pipeline(state, false);
}
void BM_PipelineWithSkellan(benchmark::State& state) {
    Pipeline(state, true);
}

}  // namespace

BENCHMARK(BM_PipelineWithoutSkellan)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_PipelineWithSkellan)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK_MAIN();
