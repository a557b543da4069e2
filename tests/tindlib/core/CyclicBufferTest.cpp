// The byte ring's cursor rules, wrap-around and release from the front.
#include <cstdint>
#include <numeric>
#include <vector>

#include <gtest/gtest.h>

#include "tindlib/core/CyclicBuffer.h"

using tindlib::CCyclicBuffer;

namespace {

std::vector<uint8_t> Ramp(size_t n, uint8_t first) {
    std::vector<uint8_t> v(n);
    std::iota(v.begin(), v.end(), first);
    return v;
}

}  // namespace

TEST(CyclicBuffer, WriteExtendsDataReadFollowsTheCursorAndClearEmpties) {
    CCyclicBuffer ring(16);
    const auto data = Ramp(10, 1);
    EXPECT_EQ(ring.Write(data.data(), data.size()), 10u);
    EXPECT_EQ(ring.GetDataInBuffer(), 10u);
    EXPECT_EQ(ring.GetCurPos(), 10u);
    EXPECT_EQ(ring.GetFreeBufSpace(), 6u);
    EXPECT_FALSE(ring.SetCurPos(11)) << "the cursor cannot pass the data";
    EXPECT_EQ(ring.GetCurPos(), 10u);

    ASSERT_TRUE(ring.SetCurPos(3));
    std::vector<uint8_t> out(20, 0);
    EXPECT_EQ(ring.Read(out.data(), 4), 4u);
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(out[3], 7);
    EXPECT_EQ(ring.GetCurPos(), 7u);
    EXPECT_EQ(ring.Read(out.data(), 20), 3u) << "a read stops at the end of the data";
    EXPECT_EQ(ring.Read(out.data(), 20), 0u);
    EXPECT_EQ(ring.GetDataInBuffer(), 10u) << "reading keeps the data";
    EXPECT_TRUE(ring.SetCurPos(10)) << "the end of the data is a valid cursor";

    ring.Clear();
    EXPECT_EQ(ring.GetDataInBuffer(), 0u);
    EXPECT_EQ(ring.GetCurPos(), 0u);
    EXPECT_EQ(ring.GetFreeBufSpace(), 16u);
    EXPECT_EQ(ring.GetBufSize(), 16u);
}

TEST(CyclicBuffer, WriteInsideDataOverwritesAndIsBoundedByCapacity) {
    CCyclicBuffer ring(8);
    const auto data = Ramp(6, 10);
    ring.Write(data.data(), data.size());
    ring.SetCurPos(4);
    const auto more = Ramp(10, 100);
    EXPECT_EQ(ring.Write(more.data(), more.size()), 4u) << "room only up to the capacity";
    EXPECT_EQ(ring.GetDataInBuffer(), 8u);
    EXPECT_EQ(ring.GetFreeBufSpace(), 0u);
    ring.SetCurPos(0);
    std::vector<uint8_t> out(8);
    ring.Read(out.data(), 8);
    EXPECT_EQ(out, (std::vector<uint8_t>{10, 11, 12, 13, 100, 101, 102, 103}));
}

TEST(CyclicBuffer, ReleaseMovesCursorBackAndDataWrapsAround) {
    CCyclicBuffer ring(8);
    const auto data = Ramp(8, 0);
    ring.Write(data.data(), data.size());
    ring.SetCurPos(6);
    EXPECT_EQ(ring.ReleaseFromFront(5), 5u);
    EXPECT_EQ(ring.GetCurPos(), 1u);
    EXPECT_EQ(ring.GetDataInBuffer(), 3u);

    // The new bytes wrap around the end of the storage.
    ring.SetCurPos(ring.GetDataInBuffer());
    const auto more = Ramp(5, 50);
    EXPECT_EQ(ring.Write(more.data(), more.size()), 5u);
    ring.SetCurPos(0);
    std::vector<uint8_t> out(8);
    EXPECT_EQ(ring.Read(out.data(), 8), 8u);
    EXPECT_EQ(out, (std::vector<uint8_t>{5, 6, 7, 50, 51, 52, 53, 54}));

    EXPECT_EQ(ring.ReleaseFromFront(100), 8u) << "release is bounded by the data";
    EXPECT_EQ(ring.GetCurPos(), 0u);
    EXPECT_EQ(ring.GetDataInBuffer(), 0u);
}

TEST(CyclicBuffer, LongStreamThroughSmallRingKeepsOrder) {
    // Writer appends at the end, reader consumes and releases: the bytes come out in order.
    CCyclicBuffer ring(7);
    uint8_t nextIn = 0;
    uint8_t nextOut = 0;
    for (int round = 0; round < 500; ++round) {
        const size_t cursor = ring.GetCurPos();
        ring.SetCurPos(ring.GetDataInBuffer());
        std::vector<uint8_t> chunk(static_cast<size_t>(round % 5 + 1));
        for (auto& b : chunk) {
            b = nextIn++;
        }
        const size_t written = ring.Write(chunk.data(), chunk.size());
        nextIn = static_cast<uint8_t>(nextIn - (chunk.size() - written));
        ring.SetCurPos(cursor);
        uint8_t out[3];
        const size_t got = ring.Read(out, round % 3 + 1);
        for (size_t i = 0; i < got; ++i) {
            ASSERT_EQ(out[i], nextOut++) << "round " << round;
        }
        ring.ReleaseFromFront(ring.GetCurPos());
    }
}
