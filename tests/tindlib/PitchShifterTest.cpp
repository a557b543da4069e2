// CPitchShifter on its own: pass-through, the shifted pitch, timing and length kept,
// the stereo image kept, formats and bad input.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/tindlib/ToneTools.h"
#include "tindlib/PitchShifter.h"

using namespace tindlib;
using namespace tonetools;

namespace {

constexpr int kRate = 44100;

// Runs the whole source through the shifter in blocks of nBlock frames.
std::vector<uint8_t> Shift(CPitchShifter& shifter, const WAVEFORMATEX& format,
                           const std::vector<uint8_t>& source, int64_t nBlock = 1024) {
    const int64_t nAlign = format.nBlockAlign;
    const int64_t nTotal = static_cast<int64_t>(source.size()) / nAlign;
    int64_t nRead = 0;
    const CPitchShifter::Pull pull = [&](uint8_t* p, int64_t n) {
        const int64_t nGot = std::min(n, nTotal - nRead);
        std::memcpy(p, source.data() + nRead * nAlign, static_cast<size_t>(nGot * nAlign));
        nRead += nGot;
        return nGot;
    };
    std::vector<uint8_t> out;
    std::vector<uint8_t> block(static_cast<size_t>(nBlock * nAlign));
    for (;;) {
        const int64_t nGot = shifter.Fill(block.data(), nBlock, pull);
        out.insert(out.end(), block.begin(), block.begin() + nGot * nAlign);
        if (nGot < nBlock) {
            break;
        }
    }
    return out;
}

std::vector<uint8_t> Bytes(const std::vector<int16_t>& pcm) {
    std::vector<uint8_t> bytes(pcm.size() * 2);
    std::memcpy(bytes.data(), pcm.data(), bytes.size());
    return bytes;
}

std::vector<int16_t> Samples(const std::vector<uint8_t>& bytes) {
    std::vector<int16_t> pcm(bytes.size() / 2);
    std::memcpy(pcm.data(), bytes.data(), pcm.size() * 2);
    return pcm;
}

class PitchShifterTest : public testing::Test {
protected:
    void SetUp() override {
        std::string strWhy;
        if (!CPitchShifter::IsAvailable(&strWhy)) {
            GTEST_SKIP() << strWhy;
        }
    }
    const WAVEFORMATEX m_stereo16 = MakePcmFormat(2, kRate, 16);
};

TEST_F(PitchShifterTest, NoShiftPassesEveryFormatThroughUnchanged) {
    for (const uint16_t nBits : {8, 16, 24, 32}) {
        SCOPED_TRACE(nBits);
        const WAVEFORMATEX format = MakePcmFormat(2, kRate, nBits);
        std::vector<uint8_t> source(static_cast<size_t>(5000 * format.nBlockAlign));
        for (size_t i = 0; i < source.size(); ++i) {
            source[i] = static_cast<uint8_t>(i * 37 + 11);
        }
        CPitchShifter shifter;
        ASSERT_TRUE(shifter.Reset(format, 0));
        EXPECT_FALSE(shifter.IsActive());
        EXPECT_EQ(Shift(shifter, format, source), source);
    }
}

struct ShiftCase {
    int nSemitones;
    double dExpected;  // Hz, from 440 Hz
};

TEST_F(PitchShifterTest, MovesATonesPitchBySemitones) {
    const std::vector<ShiftCase> cases = {
        {3, 523.25}, {-2, 392.00}, {6, 622.25}, {-6, 311.13}, {1, 466.16}};
    const auto source = Bytes(CentreToneOverSides(440.0, 0.5, 0.0, kRate, 2 * kRate));
    CPitchShifter shifter;  // reused: a Reset starts every case afresh
    for (const ShiftCase& c : cases) {
        SCOPED_TRACE(c.nSemitones);
        ASSERT_TRUE(shifter.Reset(m_stereo16, c.nSemitones));
        EXPECT_EQ(shifter.GetSemitones(), c.nSemitones);
        const auto left = Channel(Samples(Shift(shifter, m_stereo16, source)), 2, 0);
        ASSERT_GT(left.size(), static_cast<size_t>(kRate));
        const double f = PeakFrequency(left, kRate, kRate / 2, 16384, 280.0, 660.0);
        EXPECT_NEAR(f, c.dExpected, 2.0);
    }
}

// The shifter's latency never reaches the output: a tone starting at 1 s still starts
// there, and the output is as long as the input.
TEST_F(PitchShifterTest, KeepsTheTimingAndLengthOfTheSource) {
    for (const int nSemitones : {3, -4}) {
        SCOPED_TRACE(nSemitones);
        auto pcm = CentreToneOverSides(440.0, 0.5, 0.0, kRate, 3 * kRate);
        std::fill(pcm.begin(), pcm.begin() + 2 * kRate, int16_t{0});  // silence to 1 s
        CPitchShifter shifter;
        ASSERT_TRUE(shifter.Reset(m_stereo16, nSemitones));
        const auto out = Channel(Samples(Shift(shifter, m_stereo16, Bytes(pcm))), 2, 0);
        EXPECT_NEAR(static_cast<double>(out.size()), 3.0 * kRate, 1024.0);
        // Where a 5 ms window first reaches half the tone's level.
        const size_t nWindow = kRate / 200;
        size_t nOnset = 0;
        for (size_t i = 0; i + nWindow < out.size(); i += 16) {
            if (Rms(out, i, nWindow) > 0.5 * 0.5 / std::sqrt(2.0)) {
                nOnset = i + nWindow / 2;
                break;
            }
        }
        EXPECT_NEAR(static_cast<double>(nOnset) / kRate, 1.0, 0.005);
    }
}

// Channels are shifted together: a centred tone stays centred (what vocal removal needs).
TEST_F(PitchShifterTest, KeepsACentredToneCentred) {
    const auto source = Bytes(CentreToneOverSides(440.0, 0.5, 0.0, kRate, 2 * kRate));
    CPitchShifter shifter;
    ASSERT_TRUE(shifter.Reset(m_stereo16, 3));
    const auto out = Samples(Shift(shifter, m_stereo16, source));
    const auto side = Mix(out, -1.0);
    const auto mid = Mix(out, 1.0);
    EXPECT_GT(Rms(mid, kRate / 2, kRate), 0.2);
    EXPECT_LT(Db(Rms(side, kRate / 2, kRate) / Rms(mid, kRate / 2, kRate)), -40.0);
}

TEST_F(PitchShifterTest, ClampsTheShiftAndRefusesWhatItCannotShift) {
    CPitchShifter shifter;
    ASSERT_TRUE(shifter.Reset(m_stereo16, 9));
    EXPECT_EQ(shifter.GetSemitones(), CPitchShifter::kMaxSemitones);
    ASSERT_TRUE(shifter.Reset(m_stereo16, -100));
    EXPECT_EQ(shifter.GetSemitones(), CPitchShifter::kMinSemitones);

    // Not PCM, a bit depth that is not whole bytes, a block size that does not fit: the
    // audio passes unchanged.
    WAVEFORMATEX floatFormat = m_stereo16;
    floatFormat.wFormatTag = 3;
    WAVEFORMATEX oddBits = MakePcmFormat(2, kRate, 12);
    WAVEFORMATEX badAlign = m_stereo16;
    badAlign.nBlockAlign = 3;
    for (const WAVEFORMATEX& format : {floatFormat, oddBits, badAlign}) {
        EXPECT_FALSE(shifter.Reset(format, 2));
        EXPECT_FALSE(shifter.IsActive());
    }
    const std::vector<uint8_t> source(4000, 0x5A);
    EXPECT_EQ(Shift(shifter, m_stereo16, source), source);
}

TEST_F(PitchShifterTest, ShiftsMonoOfEverySampleWidth) {
    for (const uint16_t nBits : {8, 16, 24, 32}) {
        SCOPED_TRACE(nBits);
        const WAVEFORMATEX format = MakePcmFormat(1, kRate, nBits);
        const int nBytes = nBits / 8;
        // Little-endian samples; 8-bit ones are unsigned, offset by 128.
        const int32_t nOffset = nBits == 8 ? 128 : 0;
        std::vector<uint8_t> source;
        for (int i = 0; i < 2 * kRate; ++i) {
            const double s = 0.5 * std::sin(2 * std::numbers::pi * 440.0 * i / kRate);
            const auto u =
                static_cast<uint32_t>(std::lround(s * std::ldexp(1.0, nBits - 1)) + nOffset);
            for (int b = 0; b < nBytes; ++b) {
                source.push_back(static_cast<uint8_t>(u >> (8 * b)));
            }
        }
        CPitchShifter shifter;
        ASSERT_TRUE(shifter.Reset(format, 3));
        const auto out = Shift(shifter, format, source);
        std::vector<double> x;
        for (size_t i = 0; i + nBytes <= out.size(); i += nBytes) {
            uint32_t u = 0;
            for (int b = 0; b < nBytes; ++b) {
                u |= static_cast<uint32_t>(out[i + b]) << (8 * b);
            }
            // Sign-extended from the top bit of the sample's width.
            const int32_t v = nBits == 8 ? static_cast<int32_t>(u) - nOffset
                                         : static_cast<int32_t>(u << (32 - nBits)) >> (32 - nBits);
            x.push_back(std::ldexp(static_cast<double>(v), 1 - nBits));
        }
        EXPECT_NEAR(PeakFrequency(x, kRate, kRate / 2, 16384, 400.0, 600.0), 523.25, 2.0);
    }
}

}  // namespace
