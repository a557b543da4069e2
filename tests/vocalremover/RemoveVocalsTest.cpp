// The buffer rewrite: worked frames, buffer edges, and the vector kernel against the scalar one.
#include <cstring>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "vocalremover/RemoveVocals.h"

using namespace skellan;

namespace {

std::vector<uint8_t> Frames(std::initializer_list<int16_t> samples) {
    std::vector<uint8_t> bytes(samples.size() * 2);
    std::memcpy(bytes.data(), std::data(samples), bytes.size());
    return bytes;
}

std::vector<int16_t> Samples(const std::vector<uint8_t>& bytes) {
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

struct WorkedFrame {
    const char* name;
    int level, balance, gain;
    int16_t inL, inR, outL, outR;
};

// Rows print as their names, not as raw bytes.
void PrintTo(const WorkedFrame& f, std::ostream* os) {
    *os << f.name;
}

class WorkedFrames : public testing::TestWithParam<WorkedFrame> {};

}  // namespace

TEST_P(WorkedFrames, ComeOutExactlyOnEveryKernel) {
    const WorkedFrame f = GetParam();
    std::vector<RemoveVocalsKernel> kernels{RemoveVocalsScalar};
    if (CpuHasAvx2())
        kernels.push_back(RemoveVocalsAvx2);
    for (const RemoveVocalsKernel kernel : kernels) {
        // Nine copies, so the vector kernel handles the frame in its 8-frame body and in
        // its scalar tail.
        std::vector<uint8_t> buffer;
        for (int i = 0; i < 9; ++i) {
            const auto one = Frames({f.inL, f.inR});
            buffer.insert(buffer.end(), one.begin(), one.end());
        }
        kernel(buffer.data(), 9, MakeCoefficients(f.level, f.balance, f.gain));
        const auto out = Samples(buffer);
        for (int i = 0; i < 9; ++i) {
            EXPECT_EQ(out[2 * i], f.outL) << "frame " << i;
            EXPECT_EQ(out[2 * i + 1], f.outR) << "frame " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, WorkedFrames,
    testing::Values(
        // Level 100, balance 50: the centre is the mean of the channels, taken out of both.
        WorkedFrame{"Defaults", 100, 50, 100, 1000, 200, 400, -400},
        WorkedFrame{"HalvesTruncateTowardZero", 100, 50, 100, 3, 0, 1, -1},
        WorkedFrame{"HalfLevelRemovesHalfTheCentre", 50, 50, 100, 1000, 200, 700, -100},
        WorkedFrame{"BalanceAllLeft", 100, 100, 100, 1000, 200, 0, -800},
        WorkedFrame{"BalanceAllRight", 100, 0, 100, 1000, 200, 800, 0},
        WorkedFrame{"LevelZeroOnlyScales", 0, 50, 150, 1000, 200, 1500, 300},
        WorkedFrame{"GainSaturatesBothWays", 100, 50, 300, 20000, -20000, 32767, -32768},
        WorkedFrame{"FullScaleInputs", 100, 50, 100, -32768, 32767, -32767, 32767},
        WorkedFrame{"GainZeroSilences", 100, 50, 0, 12345, -321, 0, 0},
        // Balance 150: left weight 1.5, right weight -0.5; centre 1400.
        WorkedFrame{"BalanceBeyondLeft", 100, 150, 100, 1000, 200, -400, -1200}),
    [](const testing::TestParamInfo<WorkedFrame>& info) { return std::string(info.param.name); });

TEST(RemoveVocals, TouchesOnlySixteenBitStereo) {
    const auto original = Frames({1000, 200, -5, 7, 300, 300});
    for (const auto& [channels, bytes] : {std::pair{1, 2}, {2, 1}, {6, 2}, {0, 0}, {2, 3}}) {
        auto buffer = original;
        RemoveVocals(buffer.data(), static_cast<long>(buffer.size()), channels, bytes, 100, 50,
                     100);
        EXPECT_EQ(buffer, original) << channels << " channels of " << bytes << " bytes";
    }
}

TEST(RemoveVocals, ProcessesWholeFramesAndLeavesTrailingBytes) {
    for (long extra = 0; extra < 4; ++extra) {
        auto buffer = Frames({1000, 200, 3, 0});
        buffer.insert(buffer.end(), {0xAB, 0xCD, 0xEF});
        RemoveVocals(buffer.data(), 8 + extra, 2, 2, 100, 50, 100);
        const auto out = Samples(buffer);
        EXPECT_EQ((std::vector<int16_t>{out[0], out[1], out[2], out[3]}),
                  (std::vector<int16_t>{400, -400, 1, -1}));
        EXPECT_EQ(buffer[8], 0xAB);
        EXPECT_EQ(buffer[9], 0xCD);
        EXPECT_EQ(buffer[10], 0xEF);
    }
    for (long length : {-4L, 0L, 1L, 2L, 3L}) {
        auto buffer = Frames({1000, 200});
        const auto original = buffer;
        RemoveVocals(buffer.data(), length, 2, 2, 100, 50, 100);
        EXPECT_EQ(buffer, original) << "length " << length;
    }
}

TEST(RemoveVocals, LevelZeroAtUnityGainIsIdentityAndCentreIsRemoved) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    std::vector<int16_t> in(2000);
    for (auto& s : in)
        s = static_cast<int16_t>(sample(rng));
    std::vector<uint8_t> buffer(in.size() * 2);
    std::memcpy(buffer.data(), in.data(), buffer.size());

    auto identity = buffer;
    RemoveVocals(identity.data(), static_cast<long>(identity.size()), 2, 2, 0, 50, 100);
    EXPECT_EQ(identity, buffer);

    auto removed = buffer;
    RemoveVocals(removed.data(), static_cast<long>(removed.size()), 2, 2, 100, 50, 100);
    const auto out = Samples(removed);
    for (size_t i = 0; i < in.size(); i += 2) {
        const int l = in[i], r = in[i + 1];
        // ((L - R) / 2, (R - L) / 2), truncated toward zero, saturated at the top.
        EXPECT_EQ(out[i], std::min((l - r) / 2, 32767)) << l << "," << r;
        EXPECT_EQ(out[i + 1], std::min((r - l) / 2, 32767)) << l << "," << r;
    }

    auto centred = Frames({1234, 1234, -32768, -32768, 32767, 32767});
    RemoveVocals(centred.data(), static_cast<long>(centred.size()), 2, 2, 100, 50, 100);
    EXPECT_EQ(Samples(centred), std::vector<int16_t>(6, 0));
}

TEST(RemoveVocals, SaturatesJustOutsideTheRangeInsteadOfWrapping) {
    // Level 0, Gain 101: the sample times 1.01.
    auto buffer = Frames({32767, -32768, 32443, -32444});
    RemoveVocals(buffer.data(), 8, 2, 2, 0, 50, 101);
    EXPECT_EQ(Samples(buffer), (std::vector<int16_t>{32767, -32768, 32767, -32768}));
    // Negative gain inverts; -32768 inverted saturates to 32767.
    auto inverted = Frames({-32768, 100});
    RemoveVocals(inverted.data(), 4, 2, 2, 0, 50, -100);
    EXPECT_EQ(Samples(inverted), (std::vector<int16_t>{32767, -100}));
}

TEST(RemoveVocals, CoefficientsAreProductsWithOneHundredth) {
    // 35, 57 and 70 are values where n * 0.01 and n / 100 differ in the last bit.
    const auto k = MakeCoefficients(57, 35, 70);
    EXPECT_EQ(k.a, 35 * 0.01);
    EXPECT_EQ(k.d, 57 * 0.01);
    EXPECT_EQ(k.c, 70 * 0.01);
    EXPECT_EQ(k.b, 1.0 - 35 * 0.01);
    EXPECT_NE(k.a, 35 / 100.0);
    EXPECT_NE(k.d, 57 / 100.0);
    EXPECT_NE(k.c, 70 / 100.0);
}

TEST(RemoveVocalsAvx2, MatchesTheScalarKernelBitForBit) {
    if (!CpuHasAvx2())
        GTEST_SKIP() << "this CPU has no AVX2";
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    std::uniform_int_distribution<int> edge(0, 5);
    std::uniform_int_distribution<int> param(-400, 400);
    std::uniform_int_distribution<int> wide(std::numeric_limits<int>::min(),
                                            std::numeric_limits<int>::max());
    std::uniform_int_distribution<size_t> count(0, 77);
    constexpr int16_t kEdges[] = {-32768, -32767, -1, 0, 1, 32767};
    for (int round = 0; round < 3000; ++round) {
        const size_t frames = count(rng);
        const size_t offset = static_cast<size_t>(round % 4);  // unaligned starts too
        std::vector<uint8_t> buffer(offset + frames * 4);
        for (size_t i = offset; i + 1 < buffer.size(); i += 2) {
            const int16_t s =
                edge(rng) == 0 ? kEdges[edge(rng)] : static_cast<int16_t>(sample(rng));
            std::memcpy(&buffer[i], &s, 2);
        }
        const bool extreme = round % 10 == 0;
        const auto k =
            MakeCoefficients(extreme ? wide(rng) : param(rng), extreme ? wide(rng) : param(rng),
                             extreme ? wide(rng) : param(rng));
        auto scalar = buffer;
        auto vector = buffer;
        RemoveVocalsScalar(scalar.data() + offset, frames, k);
        RemoveVocalsAvx2(vector.data() + offset, frames, k);
        ASSERT_EQ(scalar, vector) << "round " << round << ", " << frames << " frames";
    }
}
