// What one export is asked to make: the track, the output and its picture and audio options.
#pragma once

#include <optional>
#include <string>

namespace cdgexport {

// Output containers, chosen by the output file's extension.
enum class EContainer {
    Mp4,       // .mp4: H.264 and AAC
    Matroska,  // .mkv: H.264 and AAC
    WebM,      // .webm: VP9 and Opus
};

inline constexpr int kDefaultWidth = 960;
inline constexpr int kDefaultHeight = 720;
inline constexpr int kDefaultFps = 30;
// 4:2:0 video needs even sides; the upper bounds are what the encoders take (8K).
inline constexpr int kMinSide = 16;
inline constexpr int kMaxWidth = 7680;
inline constexpr int kMaxHeight = 4320;
inline constexpr int kMinFps = 1;
inline constexpr int kMaxFps = 120;
inline constexpr int kMinKey = -6;
inline constexpr int kMaxKey = 6;

struct ExportOptions {
    std::string strTrack;
    std::string strOutput;
    int nWidth = kDefaultWidth;
    int nHeight = kDefaultHeight;
    int nFps = kDefaultFps;
    bool bRemoveVocals = false;
    int nKey = 0;  // semitones, kMinKey..kMaxKey
};

// The container an output path names by its extension (any case), if it names one.
std::optional<EContainer> ContainerForPath(const std::string& strPath);
// "MP4", "Matroska", "WebM".
const char* ContainerName(EContainer container);

}  // namespace cdgexport
