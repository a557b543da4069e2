// The renderer as users run it: checkpoints by packets and time, dump format, PNGs, errors.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "tools/cdgauthor/CdgTrackWriter.h"

namespace fs = std::filesystem;
using namespace cdgauthor;

namespace {

struct Result {
    int nExit;
    std::string out;
    std::string err;
};

class CdgRender : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("cdgrender-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
        // Packet 0 fills the picture with 5, packet 10 draws a tile of colour 9 at (6, 12),
        // packet 20 loads the low palette; 300 packets in all.
        CdgTrackWriter track;
        track.Put(0, MemoryPreset(5));
        TileLines on;
        on.fill(0x3F);
        track.Put(10, TileBlock(0, 9, 1, 1, on));
        track.Put(20, LoadColors(false, {0xFFF, 0xF00, 0x0F0, 0x00F, 0x123, 0x456, 0x789, 0xABC}));
        track.PadTo(300);
        m_track = (m_dir / "t.cdg").string();
        ASSERT_TRUE(track.WriteCdg(m_track));
    }
    void TearDown() override { fs::remove_all(m_dir); }

    Result Render(const std::string& args) {
        const std::string out = (m_dir / "stdout").string(), err = (m_dir / "stderr").string();
        const std::string cmd = std::string(CDGRENDER_PATH) + " " + args + " >" + out + " 2>" + err;
        const int status = std::system(cmd.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read(out), Read(err)};
    }
    static std::string Read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    fs::path m_dir;
    std::string m_track;
};

}  // namespace

TEST_F(CdgRender, DumpHasPaletteLineAndOneHexDigitPerPixel) {
    const Result r = Render(m_track + " --packets 21");
    ASSERT_EQ(r.nExit, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 217u);
    EXPECT_EQ(lines[0],
              "palette 0x00F0F0F0 0x000000F0 0x0000F000 0x00F00000 0x00302010 0x00605040 "
              "0x00908070 0x00C0B0A0 0x00000000 0x00000000 0x00000000 0x00000000 0x00000000 "
              "0x00000000 0x00000000 0x00000000");
    for (size_t y = 1; y < lines.size(); ++y) {
        ASSERT_EQ(lines[y].size(), 300u) << y;
    }
    EXPECT_EQ(lines[1], std::string(300, '5')) << "top row first";
    EXPECT_EQ(lines[1 + 12].substr(0, 14),
              "555555999999"
              "55");
    EXPECT_EQ(lines[1 + 24].substr(6, 6), "555555");
}

TEST_F(CdgRender, CheckpointsExecuteExactlyThePacketsCountedOrDueBeforeTheirTime) {
    const Result r = Render(m_track + " --packets 10 --packets 1 --packets 11 --dump-dir " +
                            (m_dir / "d").string());
    ASSERT_EQ(r.nExit, 0) << r.err;
    for (const char* name : {"1.txt", "10.txt", "11.txt"}) {
        ASSERT_TRUE(fs::exists(m_dir / "d" / name)) << name;
    }
    EXPECT_EQ(Lines(Read(m_dir / "d" / "10.txt"))[13], std::string(300, '5'))
        << "packet 10 (the tile) is the eleventh";
    EXPECT_EQ(Lines(Read(m_dir / "d" / "11.txt"))[13].substr(6, 6), "999999");
    EXPECT_EQ(Lines(Read(m_dir / "d" / "1.txt"))[100], std::string(300, '5'));
    // Packet 10 is due at 10/300 s: not yet at exactly that time, executed just after.
    for (const auto& [at, tile] : {std::pair{"0.0333", "555555"}, {"0.034", "999999"}}) {
        const Result timed = Render(m_track + " --dump --at " + at);
        ASSERT_EQ(timed.nExit, 0) << timed.err;
        EXPECT_EQ(Lines(timed.out)[13].substr(6, 6), tile) << at;
    }
    const Result end = Render(m_track + " --dump --at 1");
    EXPECT_EQ(end.nExit, 0) << "the end of the track, its 300 packets done: " << end.err;
}

TEST_F(CdgRender, WritesFramesAsPng) {
    const Result one = Render(m_track + " --at 0.5 -o " + (m_dir / "f.png").string());
    ASSERT_EQ(one.nExit, 0) << one.err;
    const std::string png = Read(m_dir / "f.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    // IHDR: width and height big-endian at bytes 16 and 20.
    auto be32 = [&](size_t at) {
        return (uint8_t(png[at]) << 24) | (uint8_t(png[at + 1]) << 16) |
               (uint8_t(png[at + 2]) << 8) | uint8_t(png[at + 3]);
    };
    EXPECT_EQ(be32(16), 320);
    EXPECT_EQ(be32(20), 240);

    const Result every = Render(m_track + " --every 0.25 --out-dir " + (m_dir / "e").string());
    ASSERT_EQ(every.nExit, 0) << every.err;
    for (const char* name : {"0.250s.png", "0.500s.png", "0.750s.png", "1.000s.png"}) {
        EXPECT_TRUE(fs::exists(m_dir / "e" / name)) << name;
    }
    EXPECT_FALSE(fs::exists(m_dir / "e" / "1.250s.png")) << "stops once the track has ended";
}

TEST_F(CdgRender, BadInputGivesAClearErrorAndNonZeroExit) {
    struct Case {
        std::string args;
        int nExit;
        const char* message;
    };
    const std::string dir = m_dir.string();
    const Case cases[] = {
        {dir + "/missing.cdg --dump --packets 1", 1, "cannot open"},
        {dir + " --dump --packets 1", 1, "cannot open"},
        {m_track + " --packets 301", 1, "ends after 300 packets (1.000 s), before --packets 301"},
        {m_track + " --dump --at 1.01", 1, "ends after 300 packets (1.000 s), before --at 1.01"},
        {m_track + " --at 1000 -o " + dir + "/f.png", 1, "before --at 1000"},
        {m_track + " --dump --at 1e300", 1, "before --at 1e+300"},
        {m_track + " --every 1.5 --out-dir " + dir + "/e", 1, "before the first frame of --every"},
        {m_track + " --every 1e300 --out-dir " + dir + "/e", 1, "--every 1e+300"},
        {m_track + " --packets 10 --packets 400 --dump-dir " + dir + "/d", 1,
         "before --packets 400"},
        {dir + "/empty.cdg --dump --at 0", 1, "empty.cdg: the track has no packets"},
        {dir + "/empty.cdg --every 1 --out-dir " + dir + "/e", 1, "has no packets"},
        {m_track + " --at", 2, "--at needs"},
        {m_track + " --at -1 -o x.png", 2, "--at needs"},
        {m_track + " --at 1e999 -o x.png", 2, "--at needs"},
        {m_track + " --packets 1x", 2, "--packets needs"},
        {m_track + " --every 0 --out-dir " + dir, 2, "--every needs"},
        {m_track, 2, "nothing to render"},
        {m_track + " --at 1 --at 2", 2, "--out-dir"},
        {m_track + " --at 1", 2, "-o FILE"},
        {"--at 1", 2, "no track"},
        {m_track + " --at 1 -o " + dir + "/no/such/dir/f.png", 1, "cannot write"},
    };
    std::ofstream(m_dir / "empty.cdg").close();
    for (const Case& c : cases) {
        const Result r = Render(c.args);
        EXPECT_EQ(r.nExit, c.nExit) << c.args;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.args << ": " << r.err;
        if (c.nExit == 2) {
            EXPECT_NE(r.err.find("(try 'cdgrender --help')"), std::string::npos) << c.args;
        }
    }
    // A checkpoint past the end is found before anything is written.
    EXPECT_FALSE(fs::exists(m_dir / "d"));
    EXPECT_FALSE(fs::exists(m_dir / "e"));
    EXPECT_FALSE(fs::exists(m_dir / "f.png"));
}
