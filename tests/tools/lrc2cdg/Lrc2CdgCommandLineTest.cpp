// lrc2cdg as a user runs it: bad input named in full and leaving an old track intact,
// and good runs wherever the options stand.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/support/RunProgram.h"

namespace fs = std::filesystem;

namespace {

constexpr char kGood[] = "[ti:Song]\n[00:02.00]<00:02.00>Hel<00:02.50>lo <00:03.00>\n";
constexpr char kOldTrack[] = "old track";

class Lrc2CdgCommandLine : public testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("lrc2cdg-cli-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    static void Write(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    fs::path m_dir;
};

}  // namespace

TEST_F(Lrc2CdgCommandLine, BadInputIsNamedInFullAndLeavesTheOldTrack) {
    struct Case {
        const char* what;
        const char* lrc;                  // null: no input file
        std::vector<std::string> errors;  // each line of the error output contains one
    };
    const Case cases[] = {
        {"a missing input", nullptr, {"in.lrc: cannot be opened"}},
        {"a line that is not a tag", "[00:01.00]fine\nnot a tag\n", {"line 2:"}},
        {"every line too long for the screen",
         "[00:01.00]This first line is much too long\n"
         "[00:04.00]Short\n"
         "[00:07.00]And the third one is too long as well\n"
         "[00:10.00]The fourth is also far too long here\n",
         {"in.lrc: the line at 0:01.00", "in.lrc: the line at 0:07.00",
          "in.lrc: the line at 0:10.00"}},
    };
    for (const Case& c : cases) {
        fs::remove(m_dir / "in.lrc");
        if (c.lrc != nullptr)
            Write(m_dir / "in.lrc", c.lrc);
        Write(m_dir / "old.cdg", kOldTrack);
        const ProgramRun run = RunProgram(LRC2CDG, {"in.lrc", "old.cdg"}, m_dir);
        EXPECT_EQ(run.nExit, 1) << c.what;
        const std::vector<std::string> lines = Lines(run.err);
        ASSERT_EQ(lines.size(), c.errors.size()) << c.what << ": " << run.err;
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].rfind("lrc2cdg: ", 0), 0u) << lines[i];
            EXPECT_NE(lines[i].find(c.errors[i]), std::string::npos) << c.what << ": " << lines[i];
        }
        EXPECT_EQ(Read(m_dir / "old.cdg"), kOldTrack) << c.what;
        EXPECT_FALSE(fs::exists(m_dir / "old.cdg.part")) << c.what;
    }
}

TEST_F(Lrc2CdgCommandLine, WritesTheTrackWhereverTheOptionsStand) {
    struct Case {
        const char* what;
        std::vector<std::string> args;
        uintmax_t nBytes;
    };
    const Case cases[] = {
        {"--length first", {"--length", "10", "good.lrc", "out.cdg"}, 3000u * 24},
        {"--length last", {"good.lrc", "out.cdg", "--length", "4"}, 1200u * 24},
        {"--length=SECONDS", {"good.lrc", "--length=5", "out.cdg"}, 1500u * 24},
        {"after --", {"--length", "6", "--", "good.lrc", "out.cdg"}, 1800u * 24},
    };
    Write(m_dir / "good.lrc", kGood);
    for (const Case& c : cases) {
        Write(m_dir / "out.cdg", kOldTrack);
        const ProgramRun run = RunProgram(LRC2CDG, c.args, m_dir);
        ASSERT_EQ(run.nExit, 0) << c.what << ": " << run.err;
        EXPECT_EQ(fs::file_size(m_dir / "out.cdg"), c.nBytes) << c.what;
        EXPECT_FALSE(fs::exists(m_dir / "out.cdg.part")) << c.what;
        EXPECT_NE(run.out.find("out.cdg: 1 lines"), std::string::npos) << run.out;
    }
}

TEST_F(Lrc2CdgCommandLine, ReportsAnOutputItCannotWrite) {
    Write(m_dir / "good.lrc", kGood);
    const ProgramRun run = RunProgram(LRC2CDG, {"good.lrc", "no/such/dir/out.cdg"}, m_dir);
    EXPECT_EQ(run.nExit, 1);
    EXPECT_EQ(run.err.rfind("lrc2cdg: cannot write no/such/dir/out.cdg: ", 0), 0u) << run.err;
}
