// Test media made on the fly: ramps written by libsndfile, tones encoded by GStreamer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testmedia {

// A private folder, removed with its contents at scope end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Stereo 16-bit frames where every frame tells its own index: left = index & 0xFFFF,
// right = index >> 16 (plus a fixed offset so the channels differ).
std::vector<int16_t> RampFrames(int64_t frames);
int64_t FrameIndexOf(const int16_t* frame);

// Writes the ramp with libsndfile; format is an SF_FORMAT_* (WAV/PCM_16 or FLAC/PCM_16).
bool WriteRamp(const std::filesystem::path& path, int64_t frames, int sfFormat, int rate = 44100);

// Runs a gst-launch description to its end (e.g. "audiotestsrc num-buffers=100 ! ... !
// filesink location=X"); false on error.
bool RunPipeline(const std::string& description);

// Encodes seconds of a stereo 44.1 kHz sine: "mp3", "wma", "ogg", "flac" or "m4a".
bool MakeTone(const std::filesystem::path& path, const std::string& kind, double seconds);

void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

}  // namespace testmedia
