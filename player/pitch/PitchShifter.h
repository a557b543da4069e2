// CPitchShifter: moves interleaved 16-bit PCM by whole semitones, tempo unchanged.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace RubberBand {
class RubberBandStretcher;
}

// A streaming key change through Rubber Band's real-time stretcher. The output keeps the
// input's timing: the stretcher's start delay is dropped from the front and Finish flushes
// the tail, so that frame n out belongs to frame n in and the total lengths are equal.
// While streaming, the output trails the input by GetLatency() frames.
//
// Threads: one caller at a time; the object holds no lock.
class CPitchShifter {
public:
    static constexpr int kMinSemitones = -6;
    static constexpr int kMaxSemitones = 6;

    // nSemitones in [kMinSemitones, kMaxSemitones]; values outside are clamped.
    CPitchShifter(int nChannels, int nSampleRate, int nSemitones);
    ~CPitchShifter();
    CPitchShifter(const CPitchShifter&) = delete;
    CPitchShifter& operator=(const CPitchShifter&) = delete;

    // The frequency ratio of a shift: 2^(n / 12).
    static double PitchScale(int nSemitones);

    int GetChannels() const { return m_nChannels; }
    int GetSemitones() const { return m_nSemitones; }
    // Frames of input the output lags behind while the stream runs.
    int64_t GetLatency() const;

    // Takes nFrames interleaved frames and appends to out whatever shifted frames are ready.
    void Process(const int16_t* pInput, int64_t nFrames, std::vector<int16_t>& out);
    // Ends the stream and appends the rest; afterwards exactly as many frames have come out
    // as went in. Process must not be called after it.
    void Finish(std::vector<int16_t>& out);

private:
    // Feeds nFrames from m_planar to the stretcher in blocks it accepts.
    void Feed(int64_t nFrames, bool bFinal);
    // Appends every frame the stretcher has ready, after the start delay, to out.
    void Drain(std::vector<int16_t>& out);

    int m_nChannels;
    int m_nSemitones;
    std::unique_ptr<RubberBand::RubberBandStretcher> m_pStretcher;
    std::vector<std::vector<float>> m_planar;  // per channel, input then output scratch
    std::vector<float*> m_pointers;
    int64_t m_nFramesIn = 0;
    int64_t m_nFramesOut = 0;
    int64_t m_nDelayLeft = 0;  // start-delay frames still to drop
    bool m_bFinished = false;
};
