// Track reader: byte positions of both layouts, the lazy audio skip, seeks, errors, names.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "player/cdg/CdgFile.h"

namespace fs = std::filesystem;

namespace {

class CdgFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("cdgfile-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // Each byte is (position / 24) so that a packet's data tells where it was read from:
    // its command byte is the low six bits of the 24-byte slot number.
    std::string Write(const std::string& name, size_t nBytes) {
        std::vector<char> bytes(nBytes);
        for (size_t i = 0; i < nBytes; ++i) {
            bytes[i] = static_cast<char>(i / 24);
        }
        const fs::path path = m_dir / name;
        std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(nBytes));
        return path.string();
    }
    // Slot number of the 24 bytes a packet came from (mod 64, as symbols are six bits).
    static int Slot(const CCdgPacket& p) { return p.m_command; }

    fs::path m_dir;
};

}  // namespace

TEST_F(CdgFileTest, PacketFileYieldsWholePacketsOnly) {
    for (size_t extra : {size_t{0}, size_t{10}}) {
        CCdgFile file;
        ASSERT_TRUE(file.Open(Write("t.cdg", 24 * 5 + extra)));
        CCdgPacket p;
        int n = 0;
        while (file.ReadPacket(p)) {
            EXPECT_EQ(Slot(p), n);
            ++n;
        }
        EXPECT_EQ(n, 5) << "trailing bytes: " << extra;
        EXPECT_EQ(file.m_nPacketIndex, 5);
        EXPECT_EQ(Slot(p), 4) << "a failed read leaves the packet as it was";
    }
}

TEST_F(CdgFileTest, RawImageSkipsTheAudioOfEverySector) {
    CCdgFile file;
    ASSERT_TRUE(file.Open(Write("t.bin", 2448 * 3)));
    EXPECT_EQ(file.m_nSectorSize, 2448);
    CCdgPacket p;
    // Packet n of sector s is at 2448 s + 2352 + 24 n: slots 98..101, then 200..203 (mod 64).
    const int expected[] = {98, 99, 100, 101, 2448 / 24 + 98};
    for (int slot : expected) {
        ASSERT_TRUE(file.ReadPacket(p));
        EXPECT_EQ(Slot(p), slot % 64);
    }
    for (int i = 0; i < 7; ++i) {
        ASSERT_TRUE(file.ReadPacket(p));
    }
    EXPECT_FALSE(file.ReadPacket(p)) << "three sectors hold twelve packets";
    EXPECT_EQ(file.m_nPacketIndex, 12);
}

TEST_F(CdgFileTest, SeekPacketAgreesWithSequentialReading) {
    for (const char* name : {"s.cdg", "s.bin"}) {
        const std::string path = Write(name, 2448 * 4);
        CCdgFile sequential, seeking;
        ASSERT_TRUE(sequential.Open(path));
        ASSERT_TRUE(seeking.Open(path));
        std::vector<int> slots;
        CCdgPacket p;
        for (int i = 0; i < 13; ++i) {
            ASSERT_TRUE(sequential.ReadPacket(p));
            slots.push_back(Slot(p));
        }
        for (int index : {5, 0, 11, 4, 7, 1}) {
            ASSERT_TRUE(seeking.SeekPacket(index));
            EXPECT_EQ(seeking.m_nPacketIndex, index);
            ASSERT_TRUE(seeking.ReadPacket(p));
            EXPECT_EQ(Slot(p), slots[index]) << name << " index " << index;
            ASSERT_TRUE(seeking.ReadPacket(p)) << "reading on after a seek";
            EXPECT_EQ(Slot(p), slots[index + 1]) << name << " index " << index + 1;
        }
        EXPECT_FALSE(seeking.SeekPacket(-1));
        EXPECT_EQ(seeking.m_nPacketIndex, 3) << "a refused seek keeps the index";
    }
}

TEST_F(CdgFileTest, ClockFollowsDeliveredPackets) {
    CCdgFile file;
    ASSERT_TRUE(file.Open(Write("c.cdg", 24 * 300)));
    CCdgPacket p;
    while (file.ReadPacket(p)) {
    }
    EXPECT_DOUBLE_EQ(CCdgFile::PacketToSeconds(file.m_nPacketIndex), 1.0);
    EXPECT_DOUBLE_EQ(CCdgFile::PacketToSeconds(75), 0.25);
}

TEST_F(CdgFileTest, LastThreeCharactersDecideTheLayout) {
    struct Case {
        const char* path;
        bool bRaw;
    };
    const Case cases[] = {
        {"TRACK.BIN", true},
        {"track.Bin", true},
        {"trackbin", true},
        {"/a/b/song.bIn", true},
        {"track.cdg", false},
        {"track.CDG", false},
        {"track.dat", false},
        {"in", false},
        {"bin", true},
        {"tr\xC3\xA4"
         "ck.bin",
         true},                       // multibyte characters before the name's end
        {"track.bi\xC3\xB1", false},  // "biñ": the last character is not an n
        {"x\xEF\xBD\x82in", false},   // fullwidth b is not b
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CCdgFile::IsRawImagePath(c.path), c.bRaw) << c.path;
    }
}

TEST_F(CdgFileTest, FailedOpenKeepsTheCurrentTrack) {
    CCdgFile file;
    ASSERT_TRUE(file.Open(Write("keep.bin", 2448 * 2)));
    CCdgPacket p;
    ASSERT_TRUE(file.ReadPacket(p));
    for (const fs::path& bad : {m_dir / "missing.cdg", m_dir}) {
        const int32_t nIndex = file.m_nPacketIndex;
        EXPECT_FALSE(file.Open(bad.string())) << bad;
        EXPECT_EQ(file.m_nSectorSize, 2448);
        EXPECT_EQ(file.m_nPacketIndex, nIndex);
        ASSERT_TRUE(file.ReadPacket(p)) << "the open track is still readable";
        EXPECT_EQ(Slot(p), (98 + nIndex) % 64);
    }
}

TEST_F(CdgFileTest, ClosedOrEmptyFilesDeliverNothing) {
    CCdgFile file;
    CCdgPacket p;
    EXPECT_FALSE(file.ReadPacket(p));
    ASSERT_TRUE(file.Open(Write("empty.cdg", 0)));
    EXPECT_FALSE(file.ReadPacket(p));
    ASSERT_TRUE(file.Open(Write("short.bin", 2370)));
    EXPECT_FALSE(file.ReadPacket(p)) << "audio without its packets";
    EXPECT_EQ(file.m_nPacketIndex, 0);
    file.Close();
    EXPECT_FALSE(file.ReadPacket(p));
}

// Tracks longer than one read chunk: packets straddle the chunk boundaries, and seeks go
// back and forth across them.
TEST_F(CdgFileTest, LongTracksReadAcrossChunks) {
    struct Case {
        const char* name;
        size_t nBytes;
        int nPackets;
    };
    const Case cases[] = {{"long.cdg", 24 * 6000, 6000}, {"long.bin", 2448 * 80, 320}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_GT(c.nBytes, size_t{2} * kCdgReadChunk);
        const std::string path = Write(c.name, c.nBytes);
        CCdgFile file;
        ASSERT_TRUE(file.Open(path));
        const int64_t nSector = file.m_nSectorSize;
        auto slotOf = [&](int n) {
            const int64_t at = nSector * (n / 4) + (nSector - 96) + 24 * (n % 4);
            return static_cast<int>((at / 24) % 64);
        };
        CCdgPacket p;
        int n = 0;
        while (file.ReadPacket(p)) {
            ASSERT_EQ(Slot(p), slotOf(n)) << "packet " << n;
            ++n;
        }
        EXPECT_EQ(n, c.nPackets);
        for (int index : {c.nPackets - 1, 0, c.nPackets / 2, 3, c.nPackets - 5}) {
            ASSERT_TRUE(file.SeekPacket(index));
            ASSERT_TRUE(file.ReadPacket(p));
            EXPECT_EQ(Slot(p), slotOf(index)) << "after a seek to " << index;
        }
    }
}

TEST_F(CdgFileTest, GrowingFileIsFollowed) {
    const std::string path = Write("grow.cdg", 24 * 3 + 10);
    CCdgFile file;
    ASSERT_TRUE(file.Open(path));
    CCdgPacket p;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(file.ReadPacket(p));
    }
    EXPECT_FALSE(file.ReadPacket(p)) << "only ten bytes of the fourth packet so far";
    {
        std::ofstream more(path, std::ios::binary | std::ios::app);
        const std::vector<char> rest(14 + 24, char{3});
        more.write(rest.data(), std::streamsize(rest.size()));
    }
    ASSERT_TRUE(file.ReadPacket(p));
    EXPECT_EQ(Slot(p), 3) << "its first ten bytes as they were written first";
    EXPECT_EQ(p.m_data[15], 3) << "and the rest from the append";
    ASSERT_TRUE(file.ReadPacket(p));
    EXPECT_FALSE(file.ReadPacket(p));
    EXPECT_EQ(file.m_nPacketIndex, 5);
}
