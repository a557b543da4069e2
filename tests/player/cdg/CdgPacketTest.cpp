// Packet parsing: field order and six-bit reduction.
#include <numeric>

#include <gtest/gtest.h>

#include "player/cdg/CdgPacket.h"

TEST(CdgPacket, ParsesFieldsInFileOrderMaskedToSixBits) {
    uint8_t raw[24];
    std::iota(raw, raw + 24, uint8_t{0xC0});  // top two bits set on every byte
    raw[0] = 0xC9;
    CCdgPacket p;
    EXPECT_EQ(p.Parse(raw), raw + 24);
    EXPECT_EQ(p.m_command, 9);
    EXPECT_EQ(p.m_instruction, 1);
    EXPECT_EQ(p.m_parityQ[0], 2);
    EXPECT_EQ(p.m_parityQ[1], 3);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(p.m_data[i], 4 + i);
    }
    EXPECT_EQ(p.m_parityP[0], 20);
    EXPECT_EQ(p.m_parityP[3], 23);
}

TEST(CdgPacket, NullInputLeavesPacketUnchangedAndClearZeroes) {
    uint8_t raw[24];
    std::fill(raw, raw + 24, uint8_t{0xFF});
    CCdgPacket p(raw);
    EXPECT_EQ(p.Parse(nullptr), nullptr);
    EXPECT_EQ(p.m_data[15], 0x3F);
    p.Clear();
    EXPECT_EQ(p.m_command, 0);
    EXPECT_EQ(p.m_data[15], 0);
    EXPECT_EQ(p.m_parityP[3], 0);
}
