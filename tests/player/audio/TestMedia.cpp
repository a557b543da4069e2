// Test media made on the fly.
#include "tests/player/audio/TestMedia.h"

#include <fstream>

#include <gst/gst.h>
#include <sndfile.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testmedia {

TempDir::TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "quillet-audio-XXXXXX").string();
    m_path = mkdtemp(tmpl.data());
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::vector<int16_t> RampFrames(int64_t frames) {
    std::vector<int16_t> pcm(static_cast<size_t>(frames) * 2);
    for (int64_t i = 0; i < frames; ++i) {
        pcm[2 * static_cast<size_t>(i)] = static_cast<int16_t>(static_cast<uint16_t>(i & 0xFFFF));
        pcm[2 * static_cast<size_t>(i) + 1] = static_cast<int16_t>(1000 + (i >> 16));
    }
    return pcm;
}

int64_t FrameIndexOf(const int16_t* frame) {
    return (static_cast<int64_t>(frame[1]) - 1000) * 65536 + static_cast<uint16_t>(frame[0]);
}

bool WriteRamp(const fs::path& path, int64_t frames, int sfFormat, int rate) {
    SF_INFO info{};
    info.channels = 2;
    info.samplerate = rate;
    info.format = sfFormat;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (f == nullptr) {
        return false;
    }
    const auto pcm = RampFrames(frames);
    const bool ok = sf_writef_short(f, pcm.data(), frames) == frames;
    sf_close(f);
    return ok;
}

bool RunPipeline(const std::string& description) {
    if (!gst_is_initialized()) {
        gst_init(nullptr, nullptr);
    }
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    if (pipeline == nullptr || error != nullptr) {
        if (error != nullptr) {
            g_error_free(error);
        }
        if (pipeline != nullptr) {
            gst_object_unref(pipeline);
        }
        return false;
    }
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* msg = gst_bus_timed_pop_filtered(
        bus, 60 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ok = msg != nullptr && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS;
    if (msg != nullptr) {
        gst_message_unref(msg);
    }
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return ok;
}

bool MakeTone(const fs::path& path, const std::string& kind, double seconds) {
    const int buffers = static_cast<int>(seconds * 44100 / 1024);
    std::string encoder;
    if (kind == "mp3") {
        encoder = "lamemp3enc target=bitrate bitrate=128 ! id3v2mux";
    } else if (kind == "wma") {
        encoder = "avenc_wmav2 bitrate=128000 ! avmux_asf";
    } else if (kind == "ogg") {
        encoder = "vorbisenc ! oggmux";
    } else if (kind == "flac") {
        encoder = "flacenc ! flactag";
    } else if (kind == "m4a") {
        encoder = "avenc_aac ! mp4mux";
    } else {
        return false;
    }
    return RunPipeline("audiotestsrc wave=sine freq=440 samplesperbuffer=1024 num-buffers=" +
                       std::to_string(buffers) +
                       " ! audio/x-raw,format=S16LE,rate=44100,channels=2 ! audioconvert ! " +
                       encoder + " ! filesink location=\"" + path.string() + "\"");
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

}  // namespace testmedia
