// Test helper: audio and track generation, reference frames and comparison measures.
#include "tests/tools/cdgexport/TestMedia.h"

#include <algorithm>
#include <cmath>
#include <random>

#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include "tools/cdgauthor/SyntheticTrack.h"
#include "tools/cdgrender/TrackRenderer.h"

namespace cdgexport::test {

namespace {

constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 240;
constexpr double kPi = 3.14159265358979323846;

// The picture area of a W x H video holding the 320 x 240 frame letterboxed.
struct PictureRect {
    int nLeft = 0;
    int nTop = 0;
    int nWidth = 0;
    int nHeight = 0;
};

PictureRect LetterboxFor(int nWidth, int nHeight) {
    PictureRect r;
    // The 4:3 frame fills the height when the video is wider, else the width.
    if (static_cast<int64_t>(nWidth) * kFrameHeight >=
        static_cast<int64_t>(nHeight) * kFrameWidth) {
        r.nHeight = nHeight;
        r.nWidth = nHeight * kFrameWidth / kFrameHeight;
    } else {
        r.nWidth = nWidth;
        r.nHeight = nWidth * kFrameHeight / kFrameWidth;
    }
    r.nLeft = (nWidth - r.nWidth) / 2;
    r.nTop = (nHeight - r.nHeight) / 2;
    return r;
}

}  // namespace

std::filesystem::path FreshFolder(const std::string& strPrefix) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        (strPrefix + "-" + std::to_string(::getpid()) + "-" +
         testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

std::vector<int16_t> MakeNoise(double dSeconds, uint32_t nSeed) {
    const auto nFrames = static_cast<size_t>(dSeconds * kRate);
    std::mt19937 rng(nSeed);
    std::uniform_int_distribution<int> noise(-12000, 12000);
    std::vector<int16_t> out(nFrames * 2);
    for (size_t i = 0; i < nFrames; ++i) {
        const double envelope =
            0.6 + 0.4 * std::sin(2 * kPi * 1.3 * static_cast<double>(i) / kRate);
        out[2 * i] = static_cast<int16_t>(noise(rng) * envelope);
        out[2 * i + 1] = static_cast<int16_t>(noise(rng) * envelope);
    }
    return out;
}

std::vector<int16_t> MakeCentreTone(double dSeconds, double dFrequency) {
    const auto nFrames = static_cast<size_t>(dSeconds * kRate);
    std::vector<int16_t> out(nFrames * 2);
    for (size_t i = 0; i < nFrames; ++i) {
        const auto v = static_cast<int16_t>(
            12000 * std::sin(2 * kPi * dFrequency * static_cast<double>(i) / kRate));
        out[2 * i] = v;
        out[2 * i + 1] = v;
    }
    return out;
}

bool WriteWav(const std::filesystem::path& path, const std::vector<int16_t>& interleaved,
              int nChannels) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = nChannels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        return false;
    }
    const auto nFrames = static_cast<sf_count_t>(interleaved.size()) / nChannels;
    const bool bOk = sf_writef_short(file, interleaved.data(), nFrames) == nFrames;
    return sf_close(file) == 0 && bOk;
}

bool WriteTrack(const std::filesystem::path& path, double dSeconds,
                const std::vector<int16_t>& binAudio) {
    const cdgauthor::CdgTrackWriter track = cdgauthor::MakeSyntheticTrack(dSeconds);
    return path.extension() == ".bin" ? track.WriteBin(path.string(), binAudio)
                                      : track.WriteCdg(path.string());
}

struct CReference::Impl {
    TrackRenderer renderer;
    std::vector<uint32_t> frame = std::vector<uint32_t>(kFrameWidth * kFrameHeight);
};

CReference::CReference(const std::string& strTrack) : m_pImpl(new Impl) {
    std::string error;
    m_pImpl->renderer.Open(strTrack, error);
}

CReference::~CReference() {
    delete m_pImpl;
}

const std::vector<uint32_t>& CReference::FrameAt(double dSeconds) {
    m_pImpl->renderer.AdvanceToTime(dSeconds);
    m_pImpl->renderer.ComposeFrame(m_pImpl->frame.data());
    return m_pImpl->frame;
}

const std::vector<uint32_t>& CReference::FrameAtSlot(int64_t nSlot, int nFps) {
    // Packet n is executed once n / 300 < k / fps: the n with n * fps < 300 k.
    m_pImpl->renderer.AdvanceTo(nSlot <= 0 ? 0 : (300 * nSlot - 1) / nFps + 1);
    m_pImpl->renderer.ComposeFrame(m_pImpl->frame.data());
    return m_pImpl->frame;
}

double MeanError(const DecodedFrame& frame, const std::vector<uint32_t>& reference) {
    const PictureRect r = LetterboxFor(frame.nWidth, frame.nHeight);
    double dSum = 0;
    for (int y = 0; y < kFrameHeight; ++y) {
        const int sy = r.nTop + (2 * y + 1) * r.nHeight / (2 * kFrameHeight);
        for (int x = 0; x < kFrameWidth; ++x) {
            const int sx = r.nLeft + (2 * x + 1) * r.nWidth / (2 * kFrameWidth);
            const uint32_t got = frame.pPixels[static_cast<size_t>(sy) * frame.nStride + sx];
            const uint32_t want = reference[static_cast<size_t>(y) * kFrameWidth + x];
            for (int shift : {0, 8, 16}) {
                dSum += std::abs(static_cast<int>((got >> shift) & 0xFF) -
                                 static_cast<int>((want >> shift) & 0xFF));
            }
        }
    }
    return dSum / (3.0 * kFrameWidth * kFrameHeight);
}

int MaxBarLevel(const DecodedFrame& frame) {
    const PictureRect r = LetterboxFor(frame.nWidth, frame.nHeight);
    int nMax = 0;
    for (int y = 0; y < frame.nHeight; ++y) {
        for (int x = 0; x < frame.nWidth; ++x) {
            // One pixel of margin: the encoder's blocks blur the bars' edge a little.
            const bool bInside = x >= r.nLeft - 1 && x <= r.nLeft + r.nWidth && y >= r.nTop - 1 &&
                                 y <= r.nTop + r.nHeight;
            if (bInside) {
                continue;
            }
            const uint32_t p = frame.pPixels[static_cast<size_t>(y) * frame.nStride + x];
            nMax = std::max({nMax, static_cast<int>(p & 0xFF), static_cast<int>((p >> 8) & 0xFF),
                             static_cast<int>((p >> 16) & 0xFF)});
        }
    }
    return nMax;
}

int64_t FindDelay(const std::vector<int16_t>& source, const std::vector<int16_t>& decoded,
                  int64_t nFrom, int64_t nMaxLag) {
    constexpr int64_t kWindow = 8192;
    int64_t nBest = -1;
    double dBest = -1e300;
    for (int64_t lag = 0; lag <= nMaxLag; ++lag) {
        if (2 * (nFrom + lag + kWindow) > static_cast<int64_t>(decoded.size()) ||
            2 * (nFrom + kWindow) > static_cast<int64_t>(source.size())) {
            break;
        }
        double dSum = 0;
        for (int64_t i = 0; i < kWindow; ++i) {
            dSum += static_cast<double>(source[2 * (nFrom + i)]) * decoded[2 * (nFrom + lag + i)];
        }
        if (dSum > dBest) {
            dBest = dSum;
            nBest = lag;
        }
    }
    return nBest;
}

double Rms(const std::vector<int16_t>& audio, int64_t nFrom, int64_t nTo) {
    nTo = std::min<int64_t>(nTo, static_cast<int64_t>(audio.size()) / 2);
    double dSum = 0;
    int64_t n = 0;
    for (int64_t i = 2 * nFrom; i < 2 * nTo; ++i, ++n) {
        dSum += static_cast<double>(audio[i]) * audio[i];
    }
    return n > 0 ? std::sqrt(dSum / static_cast<double>(n)) : 0.0;
}

double ZeroCrossingFrequency(const std::vector<int16_t>& audio, int nRate, int64_t nFrom,
                             int64_t nTo) {
    nTo = std::min<int64_t>(nTo, static_cast<int64_t>(audio.size()) / 2);
    int64_t nCrossings = 0;
    for (int64_t i = nFrom + 1; i < nTo; ++i) {
        if ((audio[2 * (i - 1)] < 0) != (audio[2 * i] < 0)) {
            ++nCrossings;
        }
    }
    const double dSeconds = static_cast<double>(nTo - nFrom) / nRate;
    return dSeconds > 0 ? nCrossings / (2.0 * dSeconds) : 0.0;
}

}  // namespace cdgexport::test
