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

// Both layouts, short and longer than one read chunk (packets straddle the chunk boundaries):
// each packet comes from its place in the file, trailing bytes give none, and seeks back and
// forth land where sequential reading does.
TEST_F(CdgFileTest, PacketsComeFromTheirPlaceAndSeeksLandThere) {
    struct Case {
        const char* name;
        size_t nBytes;
        int nSectorSize;
        int nPackets;
    };
    const Case cases[] = {
        {"t.cdg", 24 * 5 + 10, 96, 5},       {"t.bin", 2448 * 3, 2448, 12},
        {"s.bin", 2448 * 4 + 100, 2448, 16}, {"long.cdg", 24 * 6000, 96, 6000},
        {"long.bin", 2448 * 80, 2448, 320},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCdgFile file;
        ASSERT_TRUE(file.Open(Write(c.name, c.nBytes)));
        EXPECT_EQ(file.m_nSectorSize, c.nSectorSize);
        // Packet n of sector s is at sector * s + (sector - 96) + 24 n: in a raw image the
        // audio of each sector comes first.
        auto slotOf = [&](int n) {
            const int64_t at =
                int64_t{c.nSectorSize} * (n / 4) + (c.nSectorSize - 96) + 24 * (n % 4);
            return static_cast<int>((at / 24) % 64);
        };
        CCdgPacket p;
        int n = 0;
        while (file.ReadPacket(p)) {
            ASSERT_EQ(Slot(p), slotOf(n)) << "packet " << n;
            ++n;
        }
        EXPECT_EQ(n, c.nPackets);
        EXPECT_EQ(file.m_nPacketIndex, c.nPackets);
        EXPECT_EQ(Slot(p), slotOf(n - 1)) << "a failed read leaves the packet as it was";
        for (int index : {c.nPackets - 2, 0, c.nPackets / 2, 3, 1}) {
            ASSERT_TRUE(file.SeekPacket(index));
            EXPECT_EQ(file.m_nPacketIndex, index);
            ASSERT_TRUE(file.ReadPacket(p));
            EXPECT_EQ(Slot(p), slotOf(index)) << "after a seek to " << index;
            ASSERT_TRUE(file.ReadPacket(p)) << "reading on after a seek";
            EXPECT_EQ(Slot(p), slotOf(index + 1)) << "after a seek to " << index;
        }
        EXPECT_FALSE(file.SeekPacket(-1));
        EXPECT_EQ(file.m_nPacketIndex, 3) << "a refused seek keeps the index";
    }
    EXPECT_GT(size_t{24} * 6000, size_t{2} * kCdgReadChunk) << "the long tracks span chunks";
    EXPECT_DOUBLE_EQ(CCdgFile::PacketToSeconds(300), 1.0);
    EXPECT_DOUBLE_EQ(CCdgFile::PacketToSeconds(75), 0.25);
}

// Multibyte characters before the name's end do not matter; "biñ" and a fullwidth b
// are not "bin".
TEST_F(CdgFileTest, LastThreeCharactersDecideTheLayout) {
    for (const char* path : {"TRACK.BIN", "track.Bin", "trackbin", "/a/b/song.bIn", "bin",
                             "tr\xC3\xA4"
                             "ck.bin"}) {
        EXPECT_TRUE(CCdgFile::IsRawImagePath(path)) << path;
    }
    for (const char* path :
         {"track.cdg", "track.CDG", "track.dat", "in", "track.bi\xC3\xB1", "x\xEF\xBD\x82in"}) {
        EXPECT_FALSE(CCdgFile::IsRawImagePath(path)) << path;
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
