// Test helper: generated tracks and audio for exports, the renderer's reference frames,
// and the measures that compare an export with them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/tools/cdgexport/DecodedVideo.h"

namespace cdgexport::test {

inline constexpr int kRate = 44100;

// An empty folder for the running test, named after it and this process.
std::filesystem::path FreshFolder(const std::string& strPrefix);

// Stereo test audio: a different pseudo-random noise in each channel under a slow
// envelope, so that any stretch of it lines up with the source at one lag only.
std::vector<int16_t> MakeNoise(double dSeconds, uint32_t nSeed = 7);
// A 440 Hz tone, the same in both channels (all centre).
std::vector<int16_t> MakeCentreTone(double dSeconds, double dFrequency = 440.0);
// 16-bit WAV at kRate (stereo unless told); false on failure.
bool WriteWav(const std::filesystem::path& path, const std::vector<int16_t>& interleaved,
              int nChannels = 2);

// The generated karaoke-like track of cdgauthor (lines drawn from 1 s, highlighted from
// 2 s on) as packets, as a .bin image with the given audio, or nothing for a silent track.
bool WriteTrack(const std::filesystem::path& path, double dSeconds,
                const std::vector<int16_t>& binAudio = {});

// The renderer's composed frames at chosen times, for comparison.
class CReference {
public:
    explicit CReference(const std::string& strTrack);
    ~CReference();
    // The 320 x 240 frame (0x00RRGGBB) the player shows at dSeconds of audio; times must
    // not go backwards.
    const std::vector<uint32_t>& FrameAt(double dSeconds);
    // The same at the start of frame slot k of a video at nFps.
    const std::vector<uint32_t>& FrameAtSlot(int64_t nSlot, int nFps);

private:
    struct Impl;
    Impl* m_pImpl;
};

// Mean absolute difference per colour channel (0-255) between a decoded picture, sampled
// at the centre of each frame pixel's block, and a 320 x 240 reference.
double MeanError(const DecodedFrame& frame, const std::vector<uint32_t>& reference);
// Largest channel value in the bars outside the picture (0 for clean black bars).
int MaxBarLevel(const DecodedFrame& frame);

// The lag (in frames, 0..nMaxLag) at which decoded audio best matches the source, by
// cross-correlation of the left channel over a window starting at nFrom.
int64_t FindDelay(const std::vector<int16_t>& source, const std::vector<int16_t>& decoded,
                  int64_t nFrom, int64_t nMaxLag);
// Root-mean-square level of interleaved audio in frames [nFrom, nTo).
double Rms(const std::vector<int16_t>& audio, int64_t nFrom, int64_t nTo);
// Frequency of the strongest zero-crossing rate of the left channel in [nFrom, nTo).
double ZeroCrossingFrequency(const std::vector<int16_t>& audio, int nRate, int64_t nFrom,
                             int64_t nTo);

}  // namespace cdgexport::test
