// Test helper: reads an exported video back through GStreamer: what it holds (container,
// codecs, duration) and every decoded picture and audio sample.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace cdgexport::test {

struct MediaInfo {
    std::string strContainer;  // caps names: "video/quicktime", "video/x-matroska", ...
    std::string strVideo;      // "video/x-h264", "video/x-vp9"
    std::string strAudio;      // "audio/mpeg", "audio/x-opus"
    int nVideoStreams = 0;
    int nAudioStreams = 0;
    int nWidth = 0;
    int nHeight = 0;
    double dDuration = 0;  // seconds
};

// False with a message when the file cannot be read as media.
bool Discover(const std::string& strPath, MediaInfo& info, std::string& error);

// One decoded picture: BGRx pixels (0x00RRGGBB), nStride pixels per row.
struct DecodedFrame {
    uint64_t nPts = 0;  // running time: when it is shown
    int nWidth = 0;
    int nHeight = 0;
    int nStride = 0;
    const uint32_t* pPixels = nullptr;
};

struct DecodedAudio {
    int nChannels = 0;
    std::vector<int16_t> samples;  // interleaved
    int64_t Frames() const {
        return nChannels ? static_cast<int64_t>(samples.size()) / nChannels : 0;
    }
};

// Decodes the whole file; each picture goes to onFrame as it comes, the audio (resampled
// to nAudioRate when not 0) is collected.
bool Decode(const std::string& strPath, const std::function<void(const DecodedFrame&)>& onFrame,
            DecodedAudio& audio, int nAudioRate, std::string& error);

}  // namespace cdgexport::test
