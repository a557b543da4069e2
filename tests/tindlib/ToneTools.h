// Test signals and their measurement: tones, noise, level at a frequency, pitch.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

namespace tonetools {

// Interleaved 16-bit stereo: a tone in both channels alike (the centre) plus, when
// dSideAmplitude > 0, noise in opposite phase (only in the sides).
inline std::vector<int16_t> CentreToneOverSides(double dFreq, double dToneAmplitude,
                                                double dSideAmplitude, int nRate, int64_t nFrames) {
    std::vector<int16_t> pcm(static_cast<size_t>(nFrames * 2));
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    for (int64_t i = 0; i < nFrames; ++i) {
        const double tone = dToneAmplitude *
                            std::sin(2 * std::numbers::pi * dFreq * static_cast<double>(i) / nRate);
        const double side = dSideAmplitude * noise(rng);
        pcm[2 * i] = static_cast<int16_t>(std::lround((tone + side) * 32767));
        pcm[2 * i + 1] = static_cast<int16_t>(std::lround((tone - side) * 32767));
    }
    return pcm;
}

// One channel of interleaved samples as doubles in [-1, 1).
inline std::vector<double> Channel(const std::vector<int16_t>& pcm, int nChannels, int nChannel) {
    std::vector<double> out;
    out.reserve(pcm.size() / nChannels);
    for (size_t i = nChannel; i < pcm.size(); i += nChannels) {
        out.push_back(pcm[i] / 32768.0);
    }
    return out;
}

// (left - right) / 2 or (left + right) / 2 of interleaved stereo.
inline std::vector<double> Mix(const std::vector<int16_t>& pcm, double dRightSign) {
    std::vector<double> out;
    out.reserve(pcm.size() / 2);
    for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
        out.push_back((pcm[i] + dRightSign * pcm[i + 1]) / 2 / 32768.0);
    }
    return out;
}

// Amplitude of the frequency component in samples [nFrom, nFrom + nCount) (one DFT bin,
// Hann window; the bin's phasor turned by multiplication rather than per-sample sines).
inline double LevelAt(const std::vector<double>& x, double dFreq, int nRate, size_t nFrom,
                      size_t nCount) {
    const double dStep = 2 * std::numbers::pi * dFreq / nRate;
    const double dWinStep = 2 * std::numbers::pi / static_cast<double>(nCount - 1);
    const double cosStep = std::cos(dStep);
    const double sinStep = std::sin(dStep);
    double c = 1.0;  // cos of the bin's phase at n
    double s = 0.0;
    double re = 0.0;
    double im = 0.0;
    double wsum = 0.0;
    for (size_t n = 0; n < nCount && nFrom + n < x.size(); ++n) {
        const double w = 0.5 - 0.5 * std::cos(dWinStep * static_cast<double>(n));
        re += w * x[nFrom + n] * c;
        im -= w * x[nFrom + n] * s;
        wsum += w;
        const double cNext = c * cosStep - s * sinStep;
        s = s * cosStep + c * sinStep;
        c = cNext;
    }
    return wsum == 0.0 ? 0.0 : 2 * std::hypot(re, im) / wsum;
}

inline double Rms(const std::vector<double>& x, size_t nFrom, size_t nCount) {
    double sum = 0.0;
    size_t n = 0;
    for (; n < nCount && nFrom + n < x.size(); ++n) {
        sum += x[nFrom + n] * x[nFrom + n];
    }
    return n == 0 ? 0.0 : std::sqrt(sum / static_cast<double>(n));
}

// The frequency whose DFT bin is largest between dLow and dHigh: a 1 Hz search, then
// 0.05 Hz steps around the best.
inline double PeakFrequency(const std::vector<double>& x, int nRate, size_t nFrom, size_t nCount,
                            double dLow, double dHigh) {
    auto best = [&](double dFrom, double dTo, double dStep) {
        double dBest = dFrom;
        double dBestLevel = -1.0;
        for (double f = dFrom; f <= dTo; f += dStep) {
            const double level = LevelAt(x, f, nRate, nFrom, nCount);
            if (level > dBestLevel) {
                dBestLevel = level;
                dBest = f;
            }
        }
        return dBest;
    };
    const double dCoarse = best(dLow, dHigh, 1.0);
    return best(dCoarse - 1.0, dCoarse + 1.0, 0.05);
}

inline double Db(double dRatio) {
    return 20 * std::log10(dRatio);
}

}  // namespace tonetools
