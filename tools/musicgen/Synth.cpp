// Additive and noise synthesis for the demo's lead, pad, bass and drums; WAV output.
#include "tools/musicgen/Synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <sndfile.h>

namespace musicgen {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kNyquistGuard = 0.45;  // harmonics stay below this share of the rate
constexpr int kA4Note = 69;
constexpr double kA4Frequency = 440.0;

// Attack, decay to a sustain level, release after the note's length.
double Envelope(double t, double dLength, double dAttack, double dDecay, double dSustain,
                double dRelease) {
    double level = 0.0;
    if (t < dAttack) {
        level = t / dAttack;
    } else if (t < dAttack + dDecay) {
        level = 1.0 - (1.0 - dSustain) * (t - dAttack) / dDecay;
    } else {
        level = dSustain;
    }
    if (t > dLength) {
        level *= std::max(0.0, 1.0 - (t - dLength) / dRelease);
    }
    return level;
}

}  // namespace

Synth::Synth(double dSeconds)
    : m_left(static_cast<size_t>(dSeconds * kSampleRate), 0.0f),
      m_right(static_cast<size_t>(dSeconds * kSampleRate), 0.0f) {}

double Synth::NoteFrequency(int nNote) {
    return kA4Frequency * std::pow(2.0, (nNote - kA4Note) / 12.0);
}

void Synth::Add(size_t nFrame, double dSample, double dPan) {
    if (nFrame >= m_left.size()) {
        return;
    }
    // Constant-power pan.
    const double angle = (std::clamp(dPan, -1.0, 1.0) + 1.0) * std::numbers::pi / 4.0;
    m_left[nFrame] += static_cast<float>(dSample * std::cos(angle));
    m_right[nFrame] += static_cast<float>(dSample * std::sin(angle));
}

double Synth::Noise() {
    // xorshift32: cheap, and repeatable.
    m_nNoiseState ^= m_nNoiseState << 13;
    m_nNoiseState ^= m_nNoiseState >> 17;
    m_nNoiseState ^= m_nNoiseState << 5;
    return static_cast<double>(m_nNoiseState) / 2147483648.0 - 1.0;
}

void Synth::Lead(double dStart, double dLength, int nNote, double dLevel) {
    // A voice-like tone: falling harmonics with a lift around 1 kHz, and a vibrato that
    // sets in after the onset.
    const double f0 = NoteFrequency(nNote);
    const double dRelease = 0.12;
    const auto nFirst = static_cast<size_t>(dStart * kSampleRate);
    const auto nFrames = static_cast<size_t>((dLength + dRelease) * kSampleRate);
    double phase = 0.0;
    for (size_t i = 0; i < nFrames; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double depth = std::min(1.0, std::max(0.0, (t - 0.15) / 0.3)) * 0.006;
        const double f = f0 * (1.0 + depth * std::sin(kTwoPi * 5.5 * t));
        phase += kTwoPi * f / kSampleRate;
        double sample = 0.0;
        for (int h = 1; h <= 12 && h * f < kNyquistGuard * kSampleRate; ++h) {
            const double formant = 1.0 + 1.5 * std::exp(-std::pow((h * f - 1000.0) / 500.0, 2));
            sample += formant / h * std::sin(h * phase);
        }
        const double env = Envelope(t, dLength, 0.03, 0.1, 0.8, dRelease);
        Add(nFirst + i, 0.25 * dLevel * env * sample, 0.0);
    }
}

void Synth::Pad(double dStart, double dLength, int nNote, double dPan, double dLevel) {
    // Two slightly detuned saw-like tones, soft attack, few harmonics.
    const double f0 = NoteFrequency(nNote);
    const double dRelease = 0.4;
    const auto nFirst = static_cast<size_t>(dStart * kSampleRate);
    const auto nFrames = static_cast<size_t>((dLength + dRelease) * kSampleRate);
    for (size_t i = 0; i < nFrames; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        double sample = 0.0;
        for (const double detune : {0.997, 1.003}) {
            const double f = f0 * detune;
            for (int h = 1; h <= 6 && h * f < kNyquistGuard * kSampleRate; ++h) {
                sample += std::sin(kTwoPi * h * f * t) / (h * h);
            }
        }
        const double env = Envelope(t, dLength, 0.25, 0.3, 0.7, dRelease);
        Add(nFirst + i, 0.08 * dLevel * env * sample, dPan);
    }
}

void Synth::Bass(double dStart, double dLength, int nNote, double dLevel) {
    const double f = NoteFrequency(nNote);
    const double dRelease = 0.06;
    const auto nFirst = static_cast<size_t>(dStart * kSampleRate);
    const auto nFrames = static_cast<size_t>((dLength + dRelease) * kSampleRate);
    for (size_t i = 0; i < nFrames; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double sample = std::sin(kTwoPi * f * t) + 0.3 * std::sin(kTwoPi * 2 * f * t) +
                              0.1 * std::sin(kTwoPi * 3 * f * t);
        const double env = Envelope(t, dLength, 0.005, 0.2, 0.6, dRelease);
        Add(nFirst + i, 0.35 * dLevel * env * sample, 0.0);
    }
}

void Synth::Kick(double dStart, double dLevel) {
    const auto nFirst = static_cast<size_t>(dStart * kSampleRate);
    const auto nFrames = static_cast<size_t>(0.35 * kSampleRate);
    double phase = 0.0;
    for (size_t i = 0; i < nFrames; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double f = 45.0 + 110.0 * std::exp(-t * 30.0);  // a quick downward sweep
        phase += kTwoPi * f / kSampleRate;
        Add(nFirst + i, 0.7 * dLevel * std::exp(-t * 9.0) * std::sin(phase), 0.0);
    }
}

void Synth::Snare(double dStart, double dPan, double dLevel) {
    const auto nFirst = static_cast<size_t>(dStart * kSampleRate);
    const auto nFrames = static_cast<size_t>(0.25 * kSampleRate);
    double lowPassed = 0.0;
    for (size_t i = 0; i < nFrames; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double noise = Noise();
        lowPassed += 0.5 * (noise - lowPassed);
        const double body = std::sin(kTwoPi * 190.0 * t) * std::exp(-t * 25.0);
        const double sample = 0.6 * lowPassed * std::exp(-t * 18.0) + 0.5 * body;
        Add(nFirst + i, 0.45 * dLevel * sample, dPan);
    }
}

void Synth::HiHat(double dStart, double dPan, double dLevel) {
    const auto nFirst = static_cast<size_t>(dStart * kSampleRate);
    const auto nFrames = static_cast<size_t>(0.06 * kSampleRate);
    double previous = 0.0;
    for (size_t i = 0; i < nFrames; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double noise = Noise();
        const double highPassed = noise - previous;  // keep the hiss, lose the rumble
        previous = noise;
        Add(nFirst + i, 0.12 * dLevel * highPassed * std::exp(-t * 70.0), dPan);
    }
}

void Synth::Normalise(double dPeak) {
    float peak = 0.0f;
    for (size_t i = 0; i < m_left.size(); ++i) {
        peak = std::max({peak, std::fabs(m_left[i]), std::fabs(m_right[i])});
    }
    if (peak <= 0.0f) {
        return;
    }
    const auto scale = static_cast<float>(dPeak / peak);
    for (size_t i = 0; i < m_left.size(); ++i) {
        m_left[i] *= scale;
        m_right[i] *= scale;
    }
}

bool Synth::WriteWav(const std::string& path, std::string& error) const {
    SF_INFO info{};
    info.samplerate = kSampleRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* pFile = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!pFile) {
        error = path + ": " + sf_strerror(nullptr);
        return false;
    }
    sf_command(pFile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    std::vector<float> interleaved(2 * m_left.size());
    for (size_t i = 0; i < m_left.size(); ++i) {
        interleaved[2 * i] = m_left[i];
        interleaved[2 * i + 1] = m_right[i];
    }
    const auto nFrames = static_cast<sf_count_t>(m_left.size());
    const bool bWritten = sf_writef_float(pFile, interleaved.data(), nFrames) == nFrames;
    if (!bWritten) {
        error = path + ": " + sf_strerror(pFile);
    }
    if (sf_close(pFile) != 0 && bWritten) {
        error = path + ": cannot be closed";
        return false;
    }
    return bWritten;
}

}  // namespace musicgen
