// CExportPipeline: element set-up for each container, pushing with back-pressure, and the
// bus watch that turns a failure into a message.
#include "tools/cdgexport/ExportPipeline.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include <gst/app/gstappsrc.h>
#include <gst/audio/audio.h>
#include <gst/gst.h>

namespace cdgexport {

namespace {

constexpr int kBusPollMs = 2;
constexpr int kFinishPollMs = 100;
// Raw data waiting in an app source before the producer holds off.
constexpr guint64 kVideoQueueFrames = 4;
constexpr guint64 kAudioQueueBytes = 1 << 18;
// A key frame at least this often, in encoded frames: frames only come when the picture
// changes, so this is ten seconds or more of video.
constexpr int kKeyFrameSeconds = 10;
// Encoder settings. The picture is flat colours and sharp edges, which a constant
// quality handles with few bits; the audio rates keep music clean.
constexpr int kH264Quality = 18;  // x264 CRF
constexpr int kVp9Quality = 24;   // VP9 constant-quality level
constexpr int kVp9CpuUsed = 8;    // libvpx's fastest real-time setting
constexpr int kVp9Threads = 2;    // the machine's cores; rows stay single-threaded
constexpr int kAacBitrate = 192000;
constexpr int kOpusBitrate = 160000;
// Encoder effort: x264's "superfast" preset and Opus at complexity 6 take about half the
// time of their defaults on this content, which keeps a whole track well above 20 times
// real time on two cores; at these rates the loss is not seen or heard.
constexpr const char* kH264Preset = "superfast";
constexpr int kOpusComplexity = 6;
constexpr int kOpusRate = 48000;  // the only full-band rate Opus codes
// FFmpeg's AAC encoder puts one frame of priming in front of the sound. The muxers do not
// record it (Opus's pre-skip they do), so the pictures are placed that much later.
constexpr int kAacPrimingFrames = 1024;

GstElement* Make(const std::string& factory, std::vector<GstElement*>& made) {
    GstElement* element = gst_element_factory_make(factory.c_str(), nullptr);
    if (element != nullptr) {
        made.push_back(element);
    }
    return element;
}

GstElement* MakeCaps(GstCaps* caps, std::vector<GstElement*>& made) {
    GstElement* filter = Make("capsfilter", made);
    if (filter != nullptr) {
        g_object_set(filter, "caps", caps, nullptr);
    }
    gst_caps_unref(caps);
    return filter;
}

GstElement* MakeQueue(std::vector<GstElement*>& made) {
    GstElement* queue = Make("queue", made);
    if (queue != nullptr) {
        g_object_set(queue, "max-size-buffers", 0u, "max-size-bytes", 0u, "max-size-time",
                     guint64{0}, nullptr);
    }
    return queue;
}

void SetupVideoEncoder(GstElement* encoder, const std::string& factory, int nFps) {
    if (factory == "x264enc") {
        gst_util_set_object_arg(G_OBJECT(encoder), "speed-preset", kH264Preset);
        gst_util_set_object_arg(G_OBJECT(encoder), "pass", "qual");
        // No B-frames: with frames seconds apart, reordering would shift the picture's
        // times by whole seconds in MP4, and still pictures gain nothing from them.
        g_object_set(encoder, "quantizer", guint{kH264Quality}, "key-int-max",
                     guint(nFps * kKeyFrameSeconds), "bframes", guint{0}, nullptr);
    } else if (factory == "vp9enc") {
        // Real-time deadline: each distinct frame is coded once, so no frame is worth the
        // "good" deadline's many passes.
        g_object_set(encoder, "deadline", gint64{1}, "cpu-used", kVp9CpuUsed, "cq-level",
                     kVp9Quality, "keyframe-max-dist", nFps * kKeyFrameSeconds, "threads",
                     kVp9Threads, nullptr);
        gst_util_set_object_arg(G_OBJECT(encoder), "end-usage", "q");
        // The frames sit on a 1/fps grid: that is the encoder's time unit.
        GValue fraction = G_VALUE_INIT;
        g_value_init(&fraction, GST_TYPE_FRACTION);
        gst_value_set_fraction(&fraction, 1, nFps);
        g_object_set_property(G_OBJECT(encoder), "timebase", &fraction);
        g_value_unset(&fraction);
    }
}

void SetupAudioEncoder(GstElement* encoder, const std::string& factory) {
    if (factory == "opusenc") {
        g_object_set(encoder, "bitrate", kOpusBitrate, "complexity", kOpusComplexity, nullptr);
    } else {
        // The fast coder: half the time of the default two-loop search, and at this
        // rate the difference is not heard.
        g_object_set(encoder, "bitrate", kAacBitrate, nullptr);
        gst_util_set_object_arg(G_OBJECT(encoder), "aac-coder", "fast");
    }
}

// appsrc ! videoconvertscale ! I420 at the output size ! encoder ! queue
std::vector<GstElement*> MakeVideoBranch(const PipelineSpec& spec, std::vector<GstElement*>& made) {
    GstElement* source = Make("appsrc", made);
    // Scaling and conversion in one pass: the fastest way through, and the chroma is
    // taken from the scaled picture, so colour edges stay on the pixel grid.
    GstElement* scale = Make("videoconvertscale", made);
    GstElement* scaled =
        MakeCaps(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "I420", "width",
                                     G_TYPE_INT, spec.nWidth, "height", G_TYPE_INT, spec.nHeight,
                                     "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, "colorimetry",
                                     G_TYPE_STRING, "bt709", nullptr),
                 made);
    GstElement* encoder = Make(spec.elements.strVideoEncoder, made);
    GstElement* queue = MakeQueue(made);
    if (source != nullptr) {
        GstCaps* caps =
            gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", "width", G_TYPE_INT,
                                CExportPipeline::kFrameWidth, "height", G_TYPE_INT,
                                CExportPipeline::kFrameHeight, "framerate", GST_TYPE_FRACTION, 0, 1,
                                "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
        g_object_set(source, "caps", caps, "format", GST_FORMAT_TIME, "max-bytes",
                     kVideoQueueFrames * CExportPipeline::kFrameWidth *
                         CExportPipeline::kFrameHeight * sizeof(uint32_t),
                     nullptr);
        gst_caps_unref(caps);
    }
    if (scale != nullptr) {
        gst_util_set_object_arg(G_OBJECT(scale), "method", "nearest-neighbour");
        g_object_set(scale, "add-borders", TRUE, nullptr);
    }
    if (encoder != nullptr) {
        SetupVideoEncoder(encoder, spec.elements.strVideoEncoder, spec.nFps);
    }
    return {source, scale, scaled, encoder, queue};
}

// appsrc ! audioconvert [! S16LE ! skellan ! audioconvert] ! audioresample ! at most
// stereo (48 kHz for Opus) ! encoder ! queue
std::vector<GstElement*> MakeAudioBranch(const PipelineSpec& spec, std::vector<GstElement*>& made) {
    std::vector<GstElement*> chain;
    GstElement* source = Make("appsrc", made);
    chain = {source, Make("audioconvert", made)};
    if (spec.bRemoveVocals) {
        chain.push_back(
            MakeCaps(gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "S16LE", "layout",
                                         G_TYPE_STRING, "interleaved", nullptr),
                     made));
        chain.push_back(Make("skellan", made));
        chain.push_back(Make("audioconvert", made));
    }
    chain.push_back(Make("audioresample", made));
    GstCaps* out = gst_caps_new_simple("audio/x-raw", "channels", G_TYPE_INT,
                                       std::min(spec.nChannels, 2), nullptr);
    if (spec.container == EContainer::WebM) {
        gst_caps_set_simple(out, "rate", G_TYPE_INT, kOpusRate, nullptr);
    }
    chain.push_back(MakeCaps(out, made));
    GstElement* encoder = Make(spec.elements.strAudioEncoder, made);
    chain.push_back(encoder);
    chain.push_back(MakeQueue(made));
    if (source != nullptr) {
        // Channels beyond stereo in the usual order of their count, so they can be mixed
        // down to the two the encoders get.
        GstAudioChannelPosition positions[64];
        const bool bPositioned =
            spec.nChannels <= 64 &&
            gst_audio_channel_positions_from_mask(
                spec.nChannels, gst_audio_channel_get_fallback_mask(spec.nChannels), positions);
        GstAudioInfo info;
        gst_audio_info_init(&info);
        gst_audio_info_set_format(&info, GST_AUDIO_FORMAT_S16LE, spec.nSampleRate, spec.nChannels,
                                  bPositioned ? positions : nullptr);
        GstCaps* caps = gst_audio_info_to_caps(&info);
        g_object_set(source, "caps", caps, "format", GST_FORMAT_TIME, "max-bytes", kAudioQueueBytes,
                     nullptr);
        gst_caps_unref(caps);
    }
    if (encoder != nullptr) {
        SetupAudioEncoder(encoder, spec.elements.strAudioEncoder);
    }
    return chain;
}

// Links the elements in order and the last to a request pad of the muxer.
bool LinkChain(const std::vector<GstElement*>& chain, GstElement* mux) {
    for (size_t i = 0; i + 1 < chain.size(); ++i) {
        if (!gst_element_link(chain[i], chain[i + 1])) {
            return false;
        }
    }
    return gst_element_link(chain.back(), mux);
}

}  // namespace

CExportPipeline::~CExportPipeline() {
    Stop();
}

bool CExportPipeline::Build(const PipelineSpec& spec, std::string& error) {
    Stop();
    m_nSampleRate = spec.nSampleRate;
    m_nChannels = spec.nChannels;
    m_nAudioFrames = 0;
    m_bEnded = false;
    m_nVideoOffset =
        spec.elements.strAudioEncoder == "avenc_aac"
            ? gst_util_uint64_scale_int(kAacPrimingFrames, GST_SECOND, spec.nSampleRate)
            : 0;

    std::vector<GstElement*> made;
    const std::vector<GstElement*> video = MakeVideoBranch(spec, made);
    const std::vector<GstElement*> audio = MakeAudioBranch(spec, made);
    GstElement* mux = Make(spec.elements.strMuxer, made);
    GstElement* sink = Make("filesink", made);
    const auto missing = [](GstElement* e) { return e == nullptr; };
    if (std::any_of(video.begin(), video.end(), missing) ||
        std::any_of(audio.begin(), audio.end(), missing) || mux == nullptr || sink == nullptr) {
        for (GstElement* element : made) {
            gst_object_unref(gst_object_ref_sink(element));
        }
        error = "a GStreamer element could not be created";
        return false;
    }
    g_object_set(sink, "location", spec.strLocation.c_str(), nullptr);
    m_pPipeline = gst_pipeline_new("cdgexport");
    for (GstElement* element : made) {
        gst_bin_add(GST_BIN(m_pPipeline), element);
    }
    if (!LinkChain(video, mux) || !LinkChain(audio, mux) || !gst_element_link(mux, sink)) {
        error = "the export pipeline could not be linked (" + spec.elements.strVideoEncoder + ", " +
                spec.elements.strAudioEncoder + ", " + spec.elements.strMuxer + ")";
        Stop();
        return false;
    }
    m_pVideoSource = GST_ELEMENT(gst_object_ref(video.front()));
    m_pAudioSource = GST_ELEMENT(gst_object_ref(audio.front()));
    m_pBus = gst_element_get_bus(m_pPipeline);
    return true;
}

bool CExportPipeline::Start(std::string& error) {
    if (m_pPipeline == nullptr) {
        error = "no pipeline";
        return false;
    }
    if (gst_element_set_state(m_pPipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        if (CheckBus(0, error)) {
            error = "the export pipeline could not be started";
        }
        return false;
    }
    return CheckBus(0, error);
}

bool CExportPipeline::CheckBus(int nWaitMs, std::string& error) {
    if (m_pBus == nullptr) {
        return true;
    }
    const auto types = static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_EOS);
    GstClockTime timeout = static_cast<GstClockTime>(nWaitMs) * GST_MSECOND;
    while (GstMessage* message = gst_bus_timed_pop_filtered(m_pBus, timeout, types)) {
        timeout = 0;
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
            m_bEnded = true;
            gst_message_unref(message);
            continue;
        }
        GError* gerror = nullptr;
        gchar* debug = nullptr;
        gst_message_parse_error(message, &gerror, &debug);
        error = std::string("encoding failed in ") + GST_OBJECT_NAME(GST_MESSAGE_SRC(message)) +
                ": " + (gerror != nullptr ? gerror->message : "unknown error");
        g_clear_error(&gerror);
        g_free(debug);
        gst_message_unref(message);
        return false;
    }
    return true;
}

bool CExportPipeline::Push(GstElement* pSource, void* pBuffer, const std::atomic<bool>& bCancel,
                           std::string& error) {
    auto* buffer = static_cast<GstBuffer*>(pBuffer);
    GstAppSrc* appsrc = GST_APP_SRC(pSource);
    const guint64 nMax = gst_app_src_get_max_bytes(appsrc);
    // Back-pressure by waiting on the bus, so an error or a cancel ends the wait.
    while (gst_app_src_get_current_level_bytes(appsrc) >= nMax) {
        if (bCancel.load() || !CheckBus(kBusPollMs, error)) {
            gst_buffer_unref(buffer);
            return false;
        }
    }
    if (bCancel.load() || !CheckBus(0, error)) {
        gst_buffer_unref(buffer);
        return false;
    }
    if (gst_app_src_push_buffer(appsrc, buffer) != GST_FLOW_OK) {
        if (CheckBus(kFinishPollMs, error)) {
            error = "the export pipeline stopped taking data";
        }
        return false;
    }
    return true;
}

bool CExportPipeline::PushVideo(const uint32_t* pFrame, uint64_t nPts, uint64_t nDuration,
                                const std::atomic<bool>& bCancel, std::string& error) {
    const gsize nBytes = gsize{kFrameWidth} * kFrameHeight * sizeof(uint32_t);
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, nBytes, nullptr);
    gst_buffer_fill(buffer, 0, pFrame, nBytes);
    GST_BUFFER_PTS(buffer) = nPts + m_nVideoOffset;
    GST_BUFFER_DURATION(buffer) = nDuration;
    return Push(m_pVideoSource, buffer, bCancel, error);
}

bool CExportPipeline::PushAudio(const int16_t* pSamples, int64_t nFrames,
                                const std::atomic<bool>& bCancel, std::string& error) {
    if (nFrames <= 0) {
        return true;
    }
    const gsize nBytes = static_cast<gsize>(nFrames) * m_nChannels * sizeof(int16_t);
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, nBytes, nullptr);
    gst_buffer_fill(buffer, 0, pSamples, nBytes);
    const GstClockTime nStart =
        gst_util_uint64_scale_int(m_nAudioFrames, GST_SECOND, m_nSampleRate);
    const GstClockTime nEnd =
        gst_util_uint64_scale_int(m_nAudioFrames + nFrames, GST_SECOND, m_nSampleRate);
    GST_BUFFER_PTS(buffer) = nStart;
    GST_BUFFER_DURATION(buffer) = nEnd - nStart;
    GST_BUFFER_OFFSET(buffer) = static_cast<guint64>(m_nAudioFrames);
    GST_BUFFER_OFFSET_END(buffer) = static_cast<guint64>(m_nAudioFrames + nFrames);
    m_nAudioFrames += nFrames;
    return Push(m_pAudioSource, buffer, bCancel, error);
}

uint64_t CExportPipeline::GetAudioTime() const {
    return gst_util_uint64_scale_int(m_nAudioFrames, GST_SECOND, m_nSampleRate);
}

bool CExportPipeline::Finish(const std::atomic<bool>& bCancel, std::string& error) {
    gst_app_src_end_of_stream(GST_APP_SRC(m_pVideoSource));
    gst_app_src_end_of_stream(GST_APP_SRC(m_pAudioSource));
    while (!m_bEnded) {
        if (bCancel.load() || !CheckBus(kFinishPollMs, error)) {
            return false;
        }
    }
    return true;
}

void CExportPipeline::Stop() {
    if (m_pPipeline != nullptr) {
        gst_element_set_state(m_pPipeline, GST_STATE_NULL);
    }
    for (GstElement** pp : {&m_pVideoSource, &m_pAudioSource}) {
        if (*pp != nullptr) {
            gst_object_unref(*pp);
            *pp = nullptr;
        }
    }
    if (m_pBus != nullptr) {
        gst_object_unref(m_pBus);
        m_pBus = nullptr;
    }
    if (m_pPipeline != nullptr) {
        gst_object_unref(m_pPipeline);
        m_pPipeline = nullptr;
    }
}

}  // namespace cdgexport
