// skellan-tune end to end: a short WAV file plays to the end with the page up; bad files fail.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/RunProgram.h"

namespace fs = std::filesystem;

namespace {

// Writes a canonical 16-bit stereo PCM WAV file of a stepped tone.
void WriteWav(const fs::path& path, uint32_t frames) {
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const uint32_t bytes = frames * 4;
    out.write("RIFF", 4);
    u32(36 + bytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(2);
    u32(44100);
    u32(44100 * 4);
    u16(4);
    u16(16);
    out.write("data", 4);
    u32(bytes);
    for (uint32_t i = 0; i < frames; ++i) {
        u16(static_cast<uint16_t>((i % 100) * 300));
        u16(static_cast<uint16_t>((i % 50) * 200));
    }
}

class SkellanTune : public testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("skellan-tune-test-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("GST_REGISTRY", (m_dir / "registry.bin").c_str(), 1);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    static int Run(const fs::path& file) {
        const std::string command = std::string("'") + SKELLAN_TUNE +
                                    "' --sink 'fakesink sync=false' --quit-after 30 '" +
                                    file.string() + "' >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    fs::path m_dir;
};

}  // namespace

TEST_F(SkellanTune, PlaysAFileToItsEnd) {
    WriteWav(m_dir / "song.wav", 44100);
    EXPECT_EQ(Run(m_dir / "song.wav"), 0);
}

TEST_F(SkellanTune, ReportsFilesItCannotPlay) {
    EXPECT_EQ(Run(m_dir / "missing.wav"), 1);
    std::ofstream(m_dir / "notes.wav") << "not audio at all";
    EXPECT_EQ(Run(m_dir / "notes.wav"), 1);
}

TEST_F(SkellanTune, CommandLineHelpAndUsageErrors) {
    struct Case {
        std::vector<std::string> args;
        int nExit;
        std::string err;  // the whole error output
    };
    const std::string hint = " (try 'skellan-tune --help')\n";
    const Case cases[] = {
        {{"--help"}, 0, ""},
        {{"-h", "song.wav"}, 0, ""},
        {{}, 2, "skellan-tune: no file given" + hint},
        {{"--frobnicate", "song.wav"}, 2, "skellan-tune: unknown option --frobnicate" + hint},
        {{"-platform", "offscreen", "song.wav"},
         2,
         "skellan-tune: unknown option -platform" + hint},
        {{"a.wav", "b.wav"}, 2, "skellan-tune: more than one file given: b.wav" + hint},
        {{"--quit-after", "soon", "a.wav"},
         2,
         "skellan-tune: --quit-after needs a time in seconds from 0 to 86400, not \"soon\"" + hint},
        {{"a.wav", "--sink"}, 2, "skellan-tune: --sink needs a GStreamer sink description" + hint},
    };
    for (const Case& c : cases) {
        const ProgramRun run = RunProgram(SKELLAN_TUNE, c.args, m_dir);
        std::string what;
        for (const std::string& arg : c.args)
            what += " " + arg;
        EXPECT_EQ(run.nExit, c.nExit) << what;
        EXPECT_EQ(run.err, c.err) << what;
        EXPECT_EQ(run.out.rfind("usage: skellan-tune ", 0) == 0, c.nExit == 0) << what;
    }
}
