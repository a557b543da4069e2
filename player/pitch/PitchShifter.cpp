// CPitchShifter: Rubber Band's real-time stretcher at a fixed pitch ratio, with the start
// delay and the tail handled so that the output lines up with the input frame for frame.
#include "player/pitch/PitchShifter.h"

#include <algorithm>
#include <cmath>

#include <rubberband/RubberBandStretcher.h>

namespace {

using RubberBand::RubberBandStretcher;

// The largest block handed to the stretcher at once (its buffers are sized for it).
constexpr int64_t kBlockFrames = 4096;
constexpr float kFullScale = 32768.0f;
constexpr int kSemitonesPerOctave = 12;

int16_t ToSample(float value) {
    const float scaled = std::nearbyint(value * kFullScale);
    return static_cast<int16_t>(std::clamp(scaled, -kFullScale, kFullScale - 1.0f));
}

}  // namespace

CPitchShifter::CPitchShifter(int nChannels, int nSampleRate, int nSemitones)
    : m_nChannels(std::max(nChannels, 1)),
      m_nSemitones(std::clamp(nSemitones, kMinSemitones, kMaxSemitones)) {
    // The finer engine keeps music clean at a few semitones; channels together keep the
    // stereo image, so a centred voice stays centred (and removable) after the shift.
    const RubberBandStretcher::Options options = RubberBandStretcher::OptionProcessRealTime |
                                                 RubberBandStretcher::OptionEngineFiner |
                                                 RubberBandStretcher::OptionChannelsTogether;
    m_pStretcher = std::make_unique<RubberBandStretcher>(
        static_cast<size_t>(std::max(nSampleRate, 1)), static_cast<size_t>(m_nChannels), options,
        1.0, PitchScale(m_nSemitones));
    m_pStretcher->setMaxProcessSize(kBlockFrames);
    m_planar.assign(static_cast<size_t>(m_nChannels), std::vector<float>(kBlockFrames));
    m_pointers.resize(static_cast<size_t>(m_nChannels));
    for (int c = 0; c < m_nChannels; ++c) {
        m_pointers[static_cast<size_t>(c)] = m_planar[static_cast<size_t>(c)].data();
    }
    // Silence in front primes the stretcher; what it delays the real input by is dropped
    // from the output again.
    Feed(static_cast<int64_t>(m_pStretcher->getPreferredStartPad()), false);
    m_nDelayLeft = static_cast<int64_t>(m_pStretcher->getStartDelay());
}

CPitchShifter::~CPitchShifter() = default;

double CPitchShifter::PitchScale(int nSemitones) {
    return std::pow(2.0, static_cast<double>(nSemitones) / kSemitonesPerOctave);
}

int64_t CPitchShifter::GetLatency() const {
    return static_cast<int64_t>(m_pStretcher->getStartDelay());
}

void CPitchShifter::Feed(int64_t nFrames, bool bFinal) {
    // Zeros: the callers fill m_planar only for blocks they pass one at a time.
    for (auto& channel : m_planar) {
        std::fill(channel.begin(), channel.end(), 0.0f);
    }
    do {
        const int64_t n = std::min(nFrames, kBlockFrames);
        nFrames -= n;
        m_pStretcher->process(m_pointers.data(), static_cast<size_t>(n), bFinal && nFrames == 0);
    } while (nFrames > 0);
}

void CPitchShifter::Process(const int16_t* pInput, int64_t nFrames, std::vector<int16_t>& out) {
    if (m_bFinished || pInput == nullptr) {
        return;
    }
    while (nFrames > 0) {
        const int64_t n = std::min(nFrames, kBlockFrames);
        for (int64_t i = 0; i < n; ++i) {
            for (int c = 0; c < m_nChannels; ++c) {
                m_planar[static_cast<size_t>(c)][static_cast<size_t>(i)] =
                    static_cast<float>(*pInput++) / kFullScale;
            }
        }
        m_pStretcher->process(m_pointers.data(), static_cast<size_t>(n), false);
        m_nFramesIn += n;
        nFrames -= n;
        Drain(out);
    }
}

void CPitchShifter::Finish(std::vector<int16_t>& out) {
    if (m_bFinished) {
        return;
    }
    m_bFinished = true;
    // Silence after the end pushes the last real frames through the stretcher's delay.
    Feed(GetLatency() + kBlockFrames, true);
    Drain(out);
    const int64_t nMissing = m_nFramesIn - m_nFramesOut;
    if (nMissing > 0) {
        out.insert(out.end(), static_cast<size_t>(nMissing * m_nChannels), 0);
    } else if (nMissing < 0) {
        out.resize(out.size() - static_cast<size_t>(-nMissing * m_nChannels));
    }
    m_nFramesOut = m_nFramesIn;
}

void CPitchShifter::Drain(std::vector<int16_t>& out) {
    for (int nAvailable = m_pStretcher->available(); nAvailable > 0;
         nAvailable = m_pStretcher->available()) {
        const auto n = static_cast<int64_t>(
            m_pStretcher->retrieve(m_pointers.data(), std::min<size_t>(nAvailable, kBlockFrames)));
        if (n <= 0) {
            break;
        }
        const int64_t nSkip = std::min(n, m_nDelayLeft);
        m_nDelayLeft -= nSkip;
        // Past the end of the input there is only the tail of silence pushed by Finish.
        const int64_t nKeep = std::min(n - nSkip, m_nFramesIn - m_nFramesOut);
        for (int64_t i = nSkip; i < nSkip + nKeep; ++i) {
            for (int c = 0; c < m_nChannels; ++c) {
                out.push_back(ToSample(m_planar[static_cast<size_t>(c)][static_cast<size_t>(i)]));
            }
        }
        m_nFramesOut += nKeep;
    }
}
