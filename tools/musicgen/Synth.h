// Synth: a small stereo mixing buffer and the instruments of the demo song, all synthesised.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace musicgen {

class Synth {
public:
    static constexpr int kSampleRate = 44100;

    explicit Synth(double dSeconds);

    // Instruments. Times and lengths in seconds, notes as MIDI numbers, pan -1 (left) to
    // +1 (right), levels linear.
    void Lead(double dStart, double dLength, int nNote, double dLevel);
    void Pad(double dStart, double dLength, int nNote, double dPan, double dLevel);
    void Bass(double dStart, double dLength, int nNote, double dLevel);
    void Kick(double dStart, double dLevel);
    void Snare(double dStart, double dPan, double dLevel);
    void HiHat(double dStart, double dPan, double dLevel);

    // Scales the mix so its peak sits at dPeak (0-1).
    void Normalise(double dPeak);
    // 16-bit stereo WAV through libsndfile; false with a message on failure.
    bool WriteWav(const std::string& path, std::string& error) const;

    static double NoteFrequency(int nNote);
    size_t GetFrameCount() const { return m_left.size(); }
    float GetLeft(size_t nFrame) const { return m_left[nFrame]; }
    float GetRight(size_t nFrame) const { return m_right[nFrame]; }

private:
    void Add(size_t nFrame, double dSample, double dPan);
    double Noise();

    std::vector<float> m_left;
    std::vector<float> m_right;
    uint32_t m_nNoiseState = 0x1234567u;  // fixed seed: the same song every run
};

}  // namespace musicgen
