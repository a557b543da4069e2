// CPitchShifter: moves the key of interleaved PCM by whole semitones, tempo unchanged.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tindlib/WaveFormat.h"

namespace tindlib {

// Rubber Band in its real-time mode, loaded when first needed: a system without the
// library still plays, only without key change (IsAvailable says why).
//
// The output is aligned with the input: output frame n is the shifted source frame n.
// The stretcher's start pad is fed as silence and its start delay dropped after every
// Reset, so its latency never reaches the device and the audio clock needs no correction.
//
// Not thread-safe: one thread at a time (the streaming thread, or a caller while that
// thread is parked).
class CPitchShifter {
public:
    static constexpr int kMinSemitones = -6;
    static constexpr int kMaxSemitones = 6;
    // Pulls up to n source frames into the buffer; fewer means the end of the source.
    using Pull = std::function<int64_t(uint8_t* pBuffer, int64_t nFrames)>;

    CPitchShifter();
    ~CPitchShifter();
    CPitchShifter(const CPitchShifter&) = delete;
    CPitchShifter& operator=(const CPitchShifter&) = delete;

    // Whether the library can be used; the reason in *pstrWhy when not.
    static bool IsAvailable(std::string* pstrWhy = nullptr);
    // The semitone count clamped to the usable range.
    static int ClampSemitones(int nSemitones);

    // Starts afresh for the format and shift (clamped). A shift of 0 passes the audio
    // through untouched. False, and a pass-through, when the format is not 8-, 16-, 24-
    // or 32-bit PCM or the library is missing.
    bool Reset(const WAVEFORMATEX& format, int nSemitones);
    // The shift in effect (0 while passing through).
    int GetSemitones() const { return m_nSemitones; }
    bool IsActive() const { return m_nSemitones != 0; }

    // Writes up to nFrames shifted frames, pulling source frames as needed; fewer than
    // nFrames only at the end of the source. In all, exactly as many frames come out as
    // the source gave (the tail cut or ended in silence to fit).
    int64_t Fill(uint8_t* pOut, int64_t nFrames, const Pull& pull);

private:
    void Release();
    void ToFloat(const uint8_t* pIn, int64_t nFrames);
    void FromFloat(uint8_t* pOut, int64_t nFrames) const;

    void* m_pState = nullptr;  // RubberBandState
    int m_nSemitones = 0;
    WAVEFORMATEX m_format{};
    int64_t m_nPadLeft = 0;    // silence still to feed before the source
    int64_t m_nTrimLeft = 0;   // output still to drop
    bool m_bFinal = false;     // the source has ended and the stretcher was told
    int64_t m_nPulled = 0;     // source frames taken since Reset
    int64_t m_nDelivered = 0;  // shifted frames handed out since Reset
    std::vector<uint8_t> m_pcm;
    std::vector<std::vector<float>> m_planes;
    std::vector<float*> m_planePtrs;
};

}  // namespace tindlib
