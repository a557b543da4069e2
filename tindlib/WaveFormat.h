// WAVEFORMATEX: the PCM format block every sound source carries.
#pragma once

#include <cstdint>

namespace tindlib {

inline constexpr uint16_t WAVE_FORMAT_PCM = 1;

// Same fields and meaning as the Windows structure; all sources here deliver PCM.
struct WAVEFORMATEX {
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;
};

// Builds a consistent interleaved PCM format.
inline WAVEFORMATEX MakePcmFormat(uint16_t nChannels, uint32_t nRate, uint16_t nBits) {
    WAVEFORMATEX fmt;
    fmt.wFormatTag = WAVE_FORMAT_PCM;
    fmt.nChannels = nChannels;
    fmt.nSamplesPerSec = nRate;
    fmt.wBitsPerSample = nBits;
    fmt.nBlockAlign = static_cast<uint16_t>(nChannels * (nBits / 8));
    fmt.nAvgBytesPerSec = nRate * fmt.nBlockAlign;
    return fmt;
}

}  // namespace tindlib
