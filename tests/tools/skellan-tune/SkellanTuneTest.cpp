// skellan-tune end to end: a short WAV file plays to the end with the page up; bad files fail.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include "tests/support/RunProgram.h"

namespace fs = std::filesystem;

namespace {

class SkellanTune : public testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("skellan-tune-test-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("GST_REGISTRY", (m_dir / "registry.bin").c_str(), 1);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    ProgramRun Run(const std::vector<std::string>& args) const {
        return RunProgram(SKELLAN_TUNE, args, m_dir);
    }
    fs::path m_dir;
};

}  // namespace

TEST_F(SkellanTune, PlaysAFileToItsEndAndReportsFilesItCannotPlay) {
    // A second of a stepped tone in 16-bit stereo.
    std::vector<int16_t> tone(2 * 44100);
    for (size_t i = 0; i < tone.size(); ++i) {
        tone[i] = static_cast<int16_t>(i % 2 == 0 ? (i / 2 % 100) * 300 : (i / 2 % 50) * 200);
    }
    SF_INFO info{0, 44100, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
    SNDFILE* file = sf_open((m_dir / "song.wav").c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(sf_writef_short(file, tone.data(), 44100), 44100);
    sf_close(file);
    std::ofstream(m_dir / "notes.wav") << "not audio at all";
    for (const auto& [name, nExit] :
         {std::pair{"song.wav", 0}, {"missing.wav", 1}, {"notes.wav", 1}}) {
        EXPECT_EQ(Run({"--sink", "fakesink sync=false", "--quit-after", "30", name}).nExit, nExit)
            << name;
    }
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
        const ProgramRun run = Run(c.args);
        std::string what;
        for (const std::string& arg : c.args)
            what += " " + arg;
        EXPECT_EQ(run.nExit, c.nExit) << what;
        EXPECT_EQ(run.err, c.err) << what;
        EXPECT_EQ(run.out.rfind("usage: skellan-tune ", 0) == 0, c.nExit == 0) << what;
    }
}
