// The key change: pitch moved by the ratio of its semitones, length and timing kept, the
// stereo image kept.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "player/pitch/PitchShifter.h"

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// nChannels of the same sine, silent before dOnset seconds.
std::vector<int16_t> Tone(double dSeconds, double dFrequency, int nChannels, double dOnset = 0) {
    const auto nFrames = static_cast<size_t>(dSeconds * kRate);
    std::vector<int16_t> out(nFrames * nChannels);
    for (size_t i = 0; i < nFrames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const auto v = t < dOnset
                           ? int16_t{0}
                           : static_cast<int16_t>(10000 * std::sin(2 * kPi * dFrequency * t));
        for (int c = 0; c < nChannels; ++c) {
            out[i * nChannels + c] = v;
        }
    }
    return out;
}

// Runs the input through in blocks of nBlock frames.
std::vector<int16_t> Shift(const std::vector<int16_t>& in, int nChannels, int nSemitones,
                           int64_t nBlock) {
    CPitchShifter shifter(nChannels, kRate, nSemitones);
    std::vector<int16_t> out;
    const auto nFrames = static_cast<int64_t>(in.size()) / nChannels;
    for (int64_t i = 0; i < nFrames; i += nBlock) {
        shifter.Process(in.data() + i * nChannels, std::min(nBlock, nFrames - i), out);
    }
    shifter.Finish(out);
    return out;
}

double Frequency(const std::vector<int16_t>& audio, int nChannels, double dFrom, double dTo) {
    const auto nFrom = static_cast<size_t>(dFrom * kRate);
    const auto nTo = static_cast<size_t>(dTo * kRate);
    int nCrossings = 0;
    for (size_t i = nFrom + 1; i < nTo; ++i) {
        nCrossings += (audio[(i - 1) * nChannels] < 0) != (audio[i * nChannels] < 0);
    }
    return nCrossings / (2.0 * (dTo - dFrom));
}

TEST(PitchShifter, ScaleIsTheEqualTemperedRatio) {
    EXPECT_DOUBLE_EQ(CPitchShifter::PitchScale(0), 1.0);
    EXPECT_DOUBLE_EQ(CPitchShifter::PitchScale(12), 2.0);
    EXPECT_DOUBLE_EQ(CPitchShifter::PitchScale(-12), 0.5);
    EXPECT_NEAR(CPitchShifter::PitchScale(7), 1.4983, 1e-4);
}

TEST(PitchShifter, KeysBeyondTheRangeAreClamped) {
    EXPECT_EQ(CPitchShifter(2, kRate, 9).GetSemitones(), CPitchShifter::kMaxSemitones);
    EXPECT_EQ(CPitchShifter(2, kRate, -40).GetSemitones(), CPitchShifter::kMinSemitones);
    EXPECT_EQ(CPitchShifter(2, kRate, 3).GetSemitones(), 3);
}

struct ShiftCase {
    int nSemitones;
    int nChannels;
    int64_t nBlock;
};

class PitchShifterCase : public testing::TestWithParam<ShiftCase> {};

TEST_P(PitchShifterCase, MovesThePitchAndKeepsTheLength) {
    const ShiftCase& c = GetParam();
    const std::vector<int16_t> in = Tone(2.0, 440.0, c.nChannels);
    const std::vector<int16_t> out = Shift(in, c.nChannels, c.nSemitones, c.nBlock);
    ASSERT_EQ(out.size(), in.size());
    const double dWant = 440.0 * CPitchShifter::PitchScale(c.nSemitones);
    EXPECT_NEAR(Frequency(out, c.nChannels, 0.3, 1.7), dWant, dWant * 0.01);
}

INSTANTIATE_TEST_SUITE_P(Cases, PitchShifterCase,
                         testing::Values(ShiftCase{6, 2, 4096}, ShiftCase{-6, 2, 4096},
                                         ShiftCase{1, 1, 1000}, ShiftCase{-3, 2, 1},
                                         ShiftCase{4, 2, 10000}, ShiftCase{0, 2, 512}));

TEST(PitchShifter, OutputKeepsTheInputsTiming) {
    // A tone starting at 1 s still starts at 1 s: the start delay is taken out.
    const std::vector<int16_t> in = Tone(2.0, 300.0, 2, 1.0);
    const std::vector<int16_t> out = Shift(in, 2, 5, 2048);
    ASSERT_EQ(out.size(), in.size());
    auto onset = [](const std::vector<int16_t>& a) {
        for (size_t i = 0; i < a.size() / 2; ++i) {
            if (std::abs(a[2 * i]) > 3000) {
                return static_cast<double>(i) / kRate;
            }
        }
        return -1.0;
    };
    EXPECT_NEAR(onset(out), onset(in), 0.02);
}

TEST(PitchShifter, ACentredSoundStaysCentred) {
    const std::vector<int16_t> in = Tone(1.5, 440.0, 2);
    const std::vector<int16_t> out = Shift(in, 2, -4, 4096);
    int nWorst = 0;
    for (size_t i = 0; i + 1 < out.size(); i += 2) {
        nWorst = std::max(nWorst, std::abs(out[i] - out[i + 1]));
    }
    EXPECT_LE(nWorst, 2) << "left and right differ after the shift";
}

TEST(PitchShifter, NothingComesAfterFinish) {
    CPitchShifter shifter(2, kRate, 2);
    const std::vector<int16_t> in = Tone(0.5, 440.0, 2);
    std::vector<int16_t> out;
    shifter.Process(in.data(), static_cast<int64_t>(in.size() / 2), out);
    shifter.Finish(out);
    const size_t nAfterFinish = out.size();
    EXPECT_EQ(nAfterFinish, in.size());
    shifter.Process(in.data(), static_cast<int64_t>(in.size() / 2), out);
    shifter.Finish(out);
    EXPECT_EQ(out.size(), nAfterFinish);
    EXPECT_GT(shifter.GetLatency(), 0);
}

TEST(PitchShifter, EmptyStreamGivesNothing) {
    CPitchShifter shifter(2, kRate, 3);
    std::vector<int16_t> out;
    shifter.Finish(out);
    EXPECT_TRUE(out.empty());
}

}  // namespace
