// CDecodedRing without a decoder: frames in order across the wrap, the end, the target rule,
// the flush after a hard seek, and the park handshake with a writer waiting for room.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "player/audio/DecodedRing.h"

namespace {

// Six-byte frames: the ring's size is not a multiple of them, so wraps split frames.
constexpr size_t kFrameBytes = 6;
constexpr int64_t kRingFrames = static_cast<int64_t>(CDecodedRing::kSize / kFrameBytes);

// Frames first..first+n-1, each carrying its own index in its first four bytes.
std::vector<uint8_t> Frames(int64_t first, int64_t n) {
    std::vector<uint8_t> bytes(static_cast<size_t>(n) * kFrameBytes, 0xAB);
    for (int64_t i = 0; i < n; ++i) {
        const auto index = static_cast<uint32_t>(first + i);
        std::memcpy(&bytes[static_cast<size_t>(i) * kFrameBytes], &index, sizeof index);
    }
    return bytes;
}

void Store(CDecodedRing& ring, int64_t first, int64_t n, int64_t nMediaTime) {
    const auto bytes = Frames(first, n);
    ring.StoreSample(bytes.data(), bytes.size(), nMediaTime);
}

// Reads n frames and returns the index each carries.
std::vector<int64_t> ReadIndices(CDecodedRing& ring, int64_t n) {
    std::vector<uint8_t> bytes(static_cast<size_t>(n) * kFrameBytes);
    const size_t got = ring.Read(bytes.data(), static_cast<size_t>(n));
    std::vector<int64_t> indices(got);
    for (size_t i = 0; i < got; ++i) {
        uint32_t index = 0;
        std::memcpy(&index, &bytes[i * kFrameBytes], sizeof index);
        indices[i] = index;
    }
    return indices;
}

std::vector<int64_t> Range(int64_t first, int64_t n) {
    std::vector<int64_t> indices(static_cast<size_t>(n));
    for (int64_t i = 0; i < n; ++i) {
        indices[static_cast<size_t>(i)] = first + i;
    }
    return indices;
}

class DecodedRingTest : public ::testing::Test {
protected:
    DecodedRingTest() {
        m_ring.Reset();
        m_ring.SetFrameBytes(kFrameBytes);
    }
    CDecodedRing m_ring;
};

}  // namespace

TEST_F(DecodedRingTest, AWriterPacedByTheReaderDeliversEveryFrameInOrder) {
    const int64_t total = 3 * kRingFrames + 77;
    std::thread writer([&] {
        // Samples of unknown time and uneven sizes, as a decoder might hand them over.
        for (int64_t at = 0, n = 1; at < total; at += n, n = n % 4093 + 1000) {
            n = std::min(n, total - at);
            Store(m_ring, at, n, -1);
        }
        m_ring.StoreEndOfStream();
    });
    std::vector<int64_t> all;
    for (;;) {
        const auto chunk = ReadIndices(m_ring, 3001);
        all.insert(all.end(), chunk.begin(), chunk.end());
        if (chunk.size() < 3001) {
            break;
        }
    }
    writer.join();
    EXPECT_EQ(all, Range(0, total));
    EXPECT_EQ(m_ring.GetPosition(), total);
    EXPECT_TRUE(ReadIndices(m_ring, 10).empty()) << "reads run dry after the end";
}

TEST_F(DecodedRingTest, NothingIsStoredOrReadWithoutAFrameSize) {
    m_ring.Reset();
    Store(m_ring, 0, 100, 0);
    std::vector<uint8_t> bytes(100 * kFrameBytes);
    EXPECT_EQ(m_ring.Read(bytes.data(), 100), 0u);
    EXPECT_EQ(m_ring.GetPosition(), 0);
    EXPECT_FALSE(m_ring.SeekInRing(0));
}

TEST_F(DecodedRingTest, SeeksInsideTheHeldWindowMoveOnlyTheCursor) {
    Store(m_ring, 0, 5000, 0);
    EXPECT_EQ(ReadIndices(m_ring, 1000), Range(0, 1000));
    ASSERT_TRUE(m_ring.SeekInRing(200)) << "behind the cursor, still held";
    EXPECT_EQ(m_ring.GetPosition(), 200);
    EXPECT_EQ(ReadIndices(m_ring, 300), Range(200, 300));
    ASSERT_TRUE(m_ring.SeekInRing(4000)) << "ahead of the cursor";
    EXPECT_EQ(ReadIndices(m_ring, 500), Range(4000, 500));
    EXPECT_TRUE(m_ring.SeekInRing(5000)) << "the end of the held data";
    EXPECT_FALSE(m_ring.SeekInRing(5001));
    EXPECT_EQ(m_ring.GetPosition(), 5000) << "a refused seek leaves the cursor";
}

TEST_F(DecodedRingTest, AnErrorFreesAReaderWaitingForData) {
    Store(m_ring, 0, 10, 0);
    std::thread failing([&] { m_ring.EndWithError(); });
    EXPECT_EQ(ReadIndices(m_ring, 100), Range(0, 10)) << "what was held, then the end";
    failing.join();
}

namespace {

struct TargetCase {
    const char* name;
    int64_t target;
    std::vector<std::pair<int64_t, int64_t>> samples;  // first frame, count
    int64_t expectFirst;                               // first frame read after the seek
};

void PrintTo(const TargetCase& c, std::ostream* os) {
    *os << c.name;
}

class TargetRuleTest : public ::testing::TestWithParam<TargetCase> {};

}  // namespace

TEST_P(TargetRuleTest, AHardSeekReadsFromItsTarget) {
    const TargetCase& c = GetParam();
    CDecodedRing ring;
    ring.SetFrameBytes(kFrameBytes);
    ring.BeginHardSeek(c.target);
    // From the old position, before the flush: dropped although it claims the target.
    Store(ring, 90000, 50, c.target);
    ring.StoreEndOfStream();
    ring.EndFlush();
    for (const auto& [first, n] : c.samples) {
        Store(ring, first, n, first);
    }
    ring.StoreEndOfStream();
    const auto got = ReadIndices(ring, 10000);
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.front(), c.expectFirst);
    EXPECT_EQ(got, Range(c.expectFirst, static_cast<int64_t>(got.size())));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TargetRuleTest,
    ::testing::Values(
        TargetCase{"SampleStartsOnTheTarget", 1000, {{1000, 400}}, 1000},
        TargetCase{"SampleSpansTheTarget", 1000, {{900, 400}}, 1000},
        TargetCase{"EarlierSamplesAreSkippedWhole", 1000, {{0, 500}, {500, 499}, {999, 300}}, 1000},
        TargetCase{"TargetAtTheStart", 0, {{0, 100}}, 0}),

    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DecodedRingTest, ParkFreesAWriterWaitingForRoomAndDropsWhatFollows) {
    std::thread writer([&] { Store(m_ring, 0, kRingFrames + 1000, 0); });
    // The writer fills the ring in one go under the ring's lock, then waits for room.
    EXPECT_EQ(ReadIndices(m_ring, 10), Range(0, 10));
    m_ring.Park();
    writer.join();  // returns although nobody made room for the rest
    const int64_t held = static_cast<int64_t>(CDecodedRing::kSize / kFrameBytes);
    Store(m_ring, held, 100, held);
    m_ring.StoreEndOfStream();  // parked: dropped like the samples
    m_ring.EndWithError();
    ASSERT_TRUE(m_ring.SeekInRing(10));
    const auto rest = ReadIndices(m_ring, 2 * kRingFrames);
    ASSERT_FALSE(rest.empty());
    EXPECT_EQ(rest.front(), 10);
    EXPECT_LE(rest.back(), held - 1) << "nothing stored after the park";

    m_ring.Reset();
    m_ring.SetFrameBytes(kFrameBytes);
    Store(m_ring, 0, 10, 0);
    EXPECT_EQ(ReadIndices(m_ring, 10), Range(0, 10)) << "a reset ring stores again";
}

TEST_F(DecodedRingTest, AReaderTakesWhatComesOnceTheStreamResumedPastTheTarget) {
    m_ring.BeginHardSeek(1000);
    m_ring.EndFlush();
    Store(m_ring, 1200, 100, 1200);  // past the target, before any reader gave up: dropped
    std::atomic<bool> bDone{false};
    std::thread decoder([&] {
        for (int64_t first = 1300; !bDone; first += 100) {
            Store(m_ring, first, 100, first);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));  // a decoder's pace
        }
    });
    // The reader waits a while for the target, then takes the samples that follow.
    const auto got = ReadIndices(m_ring, 250);
    bDone = true;
    decoder.join();
    ASSERT_EQ(got.size(), 250u);
    EXPECT_GE(got.front(), 1300);
    EXPECT_EQ(got.front() % 100, 0) << "from the start of a sample";
    EXPECT_EQ(got, Range(got.front(), 250));
}
