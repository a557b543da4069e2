// Test helper: GstDiscoverer for what a file holds, and a decodebin pipeline with app
// sinks (made as the decoder's pads appear) for its pictures and samples.
#include "tests/tools/cdgexport/DecodedVideo.h"

#include <filesystem>
#include <mutex>

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>
#include <gst/video/video.h>

namespace cdgexport::test {

namespace {

constexpr GstClockTime kDiscoverTimeout = 30 * GST_SECOND;
constexpr GstClockTime kDecodeTimeout = 300 * GST_SECOND;

std::string CapsName(GstCaps* caps) {
    if (caps == nullptr || gst_caps_is_empty(caps)) {
        return {};
    }
    return gst_structure_get_name(gst_caps_get_structure(caps, 0));
}

// When a sample is presented: its time on the segment (an edit list's empty edit, for one,
// moves the segment rather than the buffers).
uint64_t RunningTime(GstSample* sample, GstClockTime pts) {
    const GstSegment* segment = gst_sample_get_segment(sample);
    if (segment == nullptr || !GST_CLOCK_TIME_IS_VALID(pts)) {
        return pts;
    }
    return gst_segment_to_running_time(segment, GST_FORMAT_TIME, pts);
}

struct DecodeState {
    GstElement* pipeline = nullptr;
    const std::function<void(const DecodedFrame&)>* onFrame = nullptr;
    DecodedAudio* audio = nullptr;
    int nAudioRate = 0;
    std::mutex mutex;
};

// Hands one decoded picture to onFrame, or adds the samples to the collected audio.
template <bool bVideo>
GstFlowReturn OnSample(GstAppSink* sink, gpointer data) {
    auto* state = static_cast<DecodeState*>(data);
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (sample == nullptr) {
        return GST_FLOW_EOS;
    }
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstMapInfo map;
    if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        std::lock_guard<std::mutex> hold(state->mutex);
        GstVideoInfo video;
        GstAudioInfo audio;
        if (bVideo && gst_video_info_from_caps(&video, gst_sample_get_caps(sample))) {
            DecodedFrame frame;
            frame.nPts = RunningTime(sample, GST_BUFFER_PTS(buffer));
            frame.nWidth = GST_VIDEO_INFO_WIDTH(&video);
            frame.nHeight = GST_VIDEO_INFO_HEIGHT(&video);
            frame.nStride = GST_VIDEO_INFO_PLANE_STRIDE(&video, 0) / 4;
            frame.pPixels = reinterpret_cast<const uint32_t*>(map.data);
            (*state->onFrame)(frame);
        } else if (!bVideo && gst_audio_info_from_caps(&audio, gst_sample_get_caps(sample))) {
            state->audio->nChannels = GST_AUDIO_INFO_CHANNELS(&audio);
            const auto* p = reinterpret_cast<const int16_t*>(map.data);
            state->audio->samples.insert(state->audio->samples.end(), p, p + map.size / 2);
        }
        gst_buffer_unmap(buffer, &map);
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

// Links a new decoded pad to converters and an app sink for its kind of stream.
void OnPadAdded(GstElement*, GstPad* pad, gpointer data) {
    auto* state = static_cast<DecodeState*>(data);
    GstCaps* caps = gst_pad_get_current_caps(pad);
    const std::string name = CapsName(caps);
    if (caps != nullptr) {
        gst_caps_unref(caps);
    }
    const bool bVideo = name.rfind("video/", 0) == 0;
    std::string description =
        "videoconvert ! video/x-raw,format=BGRx ! appsink name=sink sync=false";
    if (!bVideo) {
        if (name.rfind("audio/", 0) != 0) {
            return;
        }
        const std::string rate =
            state->nAudioRate > 0 ? ",rate=" + std::to_string(state->nAudioRate) : "";
        description = "audioconvert ! audioresample ! audio/x-raw,format=S16LE,layout=interleaved" +
                      rate + " ! appsink name=sink sync=false";
    }
    GstElement* branch = gst_parse_bin_from_description(description.c_str(), TRUE, nullptr);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(branch), "sink");
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = bVideo ? OnSample<true> : OnSample<false>;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, state, nullptr);
    gst_object_unref(sink);
    gst_bin_add(GST_BIN(state->pipeline), branch);
    gst_element_sync_state_with_parent(branch);
    GstPad* sinkPad = gst_element_get_static_pad(branch, "sink");
    gst_pad_link(pad, sinkPad);
    gst_object_unref(sinkPad);
}

}  // namespace

bool Discover(const std::string& strPath, MediaInfo& info, std::string& error) {
    gst_init(nullptr, nullptr);
    GError* gerror = nullptr;
    GstDiscoverer* discoverer = gst_discoverer_new(kDiscoverTimeout, &gerror);
    if (discoverer == nullptr) {
        error = gerror ? gerror->message : "no discoverer";
        g_clear_error(&gerror);
        return false;
    }
    const std::string uri = "file://" + std::filesystem::absolute(strPath).string();
    GstDiscovererInfo* result = gst_discoverer_discover_uri(discoverer, uri.c_str(), &gerror);
    bool bOk = result != nullptr && gst_discoverer_info_get_result(result) == GST_DISCOVERER_OK;
    if (!bOk) {
        error = gerror ? gerror->message : "not readable as media";
    } else {
        info = MediaInfo();
        GstDiscovererStreamInfo* top = gst_discoverer_info_get_stream_info(result);
        GstCaps* caps = gst_discoverer_stream_info_get_caps(top);
        info.strContainer = CapsName(caps);
        gst_caps_unref(caps);
        gst_discoverer_stream_info_unref(top);
        GList* videos = gst_discoverer_info_get_video_streams(result);
        GList* audios = gst_discoverer_info_get_audio_streams(result);
        info.nVideoStreams = static_cast<int>(g_list_length(videos));
        info.nAudioStreams = static_cast<int>(g_list_length(audios));
        if (videos != nullptr) {
            auto* video = static_cast<GstDiscovererVideoInfo*>(videos->data);
            GstCaps* vcaps = gst_discoverer_stream_info_get_caps(GST_DISCOVERER_STREAM_INFO(video));
            info.strVideo = CapsName(vcaps);
            gst_caps_unref(vcaps);
            info.nWidth = static_cast<int>(gst_discoverer_video_info_get_width(video));
            info.nHeight = static_cast<int>(gst_discoverer_video_info_get_height(video));
        }
        if (audios != nullptr) {
            GstCaps* acaps =
                gst_discoverer_stream_info_get_caps(GST_DISCOVERER_STREAM_INFO(audios->data));
            info.strAudio = CapsName(acaps);
            gst_caps_unref(acaps);
        }
        gst_discoverer_stream_info_list_free(videos);
        gst_discoverer_stream_info_list_free(audios);
        info.dDuration = static_cast<double>(gst_discoverer_info_get_duration(result)) / GST_SECOND;
    }
    g_clear_error(&gerror);
    if (result != nullptr) {
        gst_discoverer_info_unref(result);
    }
    g_object_unref(discoverer);
    return bOk;
}

bool Decode(const std::string& strPath, const std::function<void(const DecodedFrame&)>& onFrame,
            DecodedAudio& audio, int nAudioRate, std::string& error) {
    gst_init(nullptr, nullptr);
    DecodeState state;
    state.onFrame = &onFrame;
    state.audio = &audio;
    state.nAudioRate = nAudioRate;
    audio = DecodedAudio();
    state.pipeline = gst_pipeline_new("decode");
    GstElement* source = gst_element_factory_make("filesrc", nullptr);
    GstElement* decoder = gst_element_factory_make("decodebin", nullptr);
    g_object_set(source, "location", strPath.c_str(), nullptr);
    gst_bin_add_many(GST_BIN(state.pipeline), source, decoder, nullptr);
    gst_element_link(source, decoder);
    g_signal_connect(decoder, "pad-added", G_CALLBACK(OnPadAdded), &state);
    gst_element_set_state(state.pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(state.pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(
        bus, kDecodeTimeout, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    bool bOk = message != nullptr && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (!bOk) {
        error = "decoding failed";
        if (message != nullptr) {
            GError* gerror = nullptr;
            gst_message_parse_error(message, &gerror, nullptr);
            error += std::string(": ") + (gerror ? gerror->message : "");
            g_clear_error(&gerror);
        }
    }
    if (message != nullptr) {
        gst_message_unref(message);
    }
    gst_object_unref(bus);
    gst_element_set_state(state.pipeline, GST_STATE_NULL);
    gst_object_unref(state.pipeline);
    return bOk;
}

}  // namespace cdgexport::test
