// The program as users run it: exit codes, messages, the progress line on a terminal and
// quiet otherwise, Ctrl+C, and a missing encoder named with its package.
#include <chrono>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/RunProgram.h"
#include "tests/tools/cdgexport/TestMedia.h"

namespace fs = std::filesystem;
using namespace cdgexport::test;

namespace {

// A cdgexport process with both outputs on a pseudo-terminal, as in a user's shell.
class CTerminalChild {
public:
    explicit CTerminalChild(const std::vector<std::string>& args) {
        std::vector<char*> argv{const_cast<char*>(CDGEXPORT_PATH)};
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        m_pid = ::forkpty(&m_fd, nullptr, nullptr, nullptr);
        if (m_pid == 0) {
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
    }
    ~CTerminalChild() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            Wait();
        }
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }

    // Reads what the child writes until the text contains want or the stream ends.
    bool ReadUntil(const std::string& want) {
        const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (m_text.find(want) == std::string::npos) {
            pollfd p{m_fd, POLLIN, 0};
            if (std::chrono::steady_clock::now() > tEnd || ::poll(&p, 1, 100) < 0) {
                return false;
            }
            if ((p.revents & (POLLIN | POLLHUP)) != 0) {
                char buffer[4096];
                const ssize_t n = ::read(m_fd, buffer, sizeof(buffer));
                if (n <= 0) {
                    return false;
                }
                m_text.append(buffer, static_cast<size_t>(n));
            }
        }
        return true;
    }
    void Signal(int nSignal) { ::kill(m_pid, nSignal); }
    int Wait() {
        int status = 0;
        if (m_pid > 0 && ::waitpid(m_pid, &status, 0) == m_pid) {
            m_pid = -1;
            m_nExit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        return m_nExit;
    }
    const std::string& Text() const { return m_text; }

private:
    pid_t m_pid = -1;
    int m_fd = -1;
    int m_nExit = -1;
    std::string m_text;
};

class CliTest : public testing::Test {
protected:
    void SetUp() override {
        m_dir = FreshFolder("cdgexport-cli");
        fs::create_directories(m_dir / "in");
        fs::create_directories(m_dir / "out");
        ASSERT_TRUE(WriteTrack(m_dir / "in" / "song.cdg", 3.0));
        ASSERT_TRUE(WriteWav(m_dir / "in" / "song.wav", MakeNoise(3.0)));
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // Runs cdgexport with these environment settings ("NAME=value") added.
    ProgramRun Run(const std::vector<std::string>& args, std::vector<std::string> env = {}) {
        env.push_back(CDGEXPORT_PATH);
        env.insert(env.end(), args.begin(), args.end());
        return RunProgram("/usr/bin/env", env, m_dir);
    }
    std::string In(const std::string& name) const { return (m_dir / "in" / name).string(); }
    std::string Out(const std::string& name) const { return (m_dir / "out" / name).string(); }
    // What the runs left in the output folder.
    std::vector<std::string> Outputs() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir / "out")) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    fs::path m_dir;
};

TEST_F(CliTest, HelpExitsZeroAndUsageMistakesExitTwoWithAHint) {
    const ProgramRun help = Run({"--help"});
    EXPECT_EQ(help.nExit, 0);
    EXPECT_NE(help.out.find("usage: cdgexport [options] TRACK OUT"), std::string::npos);
    EXPECT_TRUE(help.err.empty());
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"a.cdg"},
                                                 {"a.cdg", "a.mp4", "--fps", "0"},
                                                 {"a.cdg", "a.mov"},
                                                 {"a.cdg", "a.mp4", "--bogus"}}) {
        const ProgramRun r = Run(args);
        EXPECT_EQ(r.nExit, 2) << r.err;
        EXPECT_NE(r.err.find("(try 'cdgexport --help')"), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
}

TEST_F(CliTest, FailuresExitOneWithTheReason) {
    const ProgramRun missing = Run({In("gone.cdg"), Out("o.mp4")});
    EXPECT_EQ(missing.nExit, 1);
    EXPECT_NE(missing.err.find("cdgexport: cannot open the track " + In("gone.cdg")),
              std::string::npos)
        << missing.err;
    const ProgramRun folder = Run({In("song.cdg"), Out("no/such/o.mkv")});
    EXPECT_EQ(folder.nExit, 1);
    EXPECT_NE(folder.err.find("does not exist"), std::string::npos) << folder.err;
    EXPECT_TRUE(Outputs().empty());
}

TEST_F(CliTest, QuietWhenNotOnATerminalAndProgressLinesForAProgram) {
    const ProgramRun quiet = Run({In("song.cdg"), Out("song.mp4"), "--size", "320x240"});
    EXPECT_EQ(quiet.nExit, 0) << quiet.err;
    EXPECT_TRUE(quiet.err.empty()) << quiet.err;
    EXPECT_TRUE(quiet.out.empty()) << quiet.out;
    EXPECT_TRUE(fs::is_regular_file(Out("song.mp4")));

    const ProgramRun r = Run({In("song.cdg"), Out("song.webm"), "--size", "320x240", "--progress"});
    EXPECT_EQ(r.nExit, 0) << r.err;
    std::istringstream lines(r.out);
    const std::regex record(R"(\d+\.\d \d+\.\d -?\d+)");
    int nLines = 0;
    for (std::string line; std::getline(lines, line); ++nLines) {
        EXPECT_TRUE(std::regex_match(line, record)) << line;
    }
    EXPECT_GE(nLines, 1);
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST_F(CliTest, ProgressLineOnATerminal) {
    CTerminalChild child({In("song.cdg"), Out("song.mkv"), "--size", "320x240"});
    EXPECT_TRUE(child.ReadUntil("wrote " + Out("song.mkv")));
    EXPECT_EQ(child.Wait(), 0);
    const std::string& text = child.Text();
    // "\rcdgexport:  NN%..." updated in place, then cleared before the closing line.
    EXPECT_NE(text.find("\rcdgexport:"), std::string::npos) << text;
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(\d+%)"))) << text;
    EXPECT_NE(text.find("s of video in"), std::string::npos) << text;
}

TEST_F(CliTest, CtrlCStopsAndRemovesThePartialFile) {
    // Long enough to be caught in the middle.
    ASSERT_TRUE(WriteTrack(m_dir / "in" / "long.cdg", 120.0));
    ASSERT_TRUE(WriteWav(m_dir / "in" / "long.wav", MakeNoise(120.0)));
    CTerminalChild child({In("long.cdg"), Out("long.mp4")});
    ASSERT_TRUE(child.ReadUntil("%")) << "no progress from the export";
    child.Signal(SIGINT);
    EXPECT_TRUE(child.ReadUntil("stopped; " + Out("long.mp4") + " was not written"))
        << child.Text();
    EXPECT_EQ(child.Wait(), 128 + SIGINT);
    EXPECT_TRUE(Outputs().empty()) << Outputs().front();
}

TEST_F(CliTest, AMissingEncoderNamesItsPackage) {
    // The system's plugins without the one that holds the encoder, in a registry of our own.
    struct Case {
        const char* pszOutput;
        const char* pszPlugin;
        const char* pszEncoderAndPackage;
    };
    const Case cases[] = {
        {"o.mp4", "libgstx264.so",
         "x264enc is not installed: install the Debian package "
         "gstreamer1.0-plugins-ugly"},
        {"o.webm", "libgstvpx.so",
         "vp9enc is not installed: install the Debian package "
         "gstreamer1.0-plugins-good"},
        {"o.mkv", "libgstlibav.so",
         "avenc_aac is not installed: install the Debian package "
         "gstreamer1.0-libav"},
    };
    for (const Case& c : cases) {
        const fs::path plugins = m_dir / "plugins";
        fs::remove_all(plugins);
        fs::create_directories(plugins);
        for (const auto& entry : fs::directory_iterator(GST_SYSTEM_PLUGIN_DIR)) {
            if (entry.path().filename() != c.pszPlugin) {
                fs::create_symlink(entry.path(), plugins / entry.path().filename());
            }
        }
        fs::remove(m_dir / "registry.bin");
        const ProgramRun r =
            Run({In("song.cdg"), Out(c.pszOutput)},
                {"GST_PLUGIN_SYSTEM_PATH_1_0=" + plugins.string(),
                 "GST_REGISTRY_1_0=" + (m_dir / "registry.bin").string(), "GST_PLUGIN_PATH_1_0="});
        EXPECT_EQ(r.nExit, 1) << c.pszOutput;
        EXPECT_NE(r.err.find(c.pszEncoderAndPackage), std::string::npos) << r.err;
        EXPECT_TRUE(Outputs().empty());
    }
}

}  // namespace
