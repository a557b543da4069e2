// The program as users run it: exit codes, messages, the progress line on a terminal and
// quiet otherwise, Ctrl+C, and a missing encoder named with its package.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/tools/cdgexport/TestMedia.h"

namespace fs = std::filesystem;
using namespace cdgexport::test;

namespace {

struct Result {
    int nExit = -1;
    std::string out;
    std::string err;
};

// A cdgexport process with its stdout on a pipe (or, with bTerminal, both outputs on a
// pseudo-terminal) and stderr in a file.
class CChild {
public:
    CChild(const std::vector<std::string>& args, const fs::path& errFile, bool bTerminal = false,
           const std::vector<std::string>& env = {}) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(CDGEXPORT_PATH));
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        int fds[2] = {-1, -1};
        if (bTerminal) {
            m_pid = ::forkpty(&m_fd, nullptr, nullptr, nullptr);
        } else {
            if (::pipe(fds) != 0) {
                return;
            }
            m_pid = ::fork();
        }
        if (m_pid == 0) {
            for (const std::string& e : env) {
                ::putenv(const_cast<char*>(e.c_str()));
            }
            if (!bTerminal) {
                ::dup2(fds[1], STDOUT_FILENO);
                ::close(fds[0]);
                ::close(fds[1]);
                const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                ::dup2(err, STDERR_FILENO);
            }
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        if (!bTerminal) {
            ::close(fds[1]);
            m_fd = fds[0];
        }
    }
    ~CChild() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            Wait();
        }
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }

    // Reads what the child writes until the text contains want or the stream ends.
    bool ReadUntil(const std::string& want,
                   std::chrono::seconds timeout = std::chrono::seconds(60)) {
        const auto tEnd = std::chrono::steady_clock::now() + timeout;
        while (m_text.find(want) == std::string::npos) {
            pollfd p{m_fd, POLLIN, 0};
            if (std::chrono::steady_clock::now() > tEnd || ::poll(&p, 1, 100) < 0) {
                return false;
            }
            if ((p.revents & (POLLIN | POLLHUP)) != 0) {
                char buffer[4096];
                const ssize_t n = ::read(m_fd, buffer, sizeof(buffer));
                if (n <= 0) {
                    return m_text.find(want) != std::string::npos;
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

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class CliTest : public testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("cdgexport-cli-" + std::to_string(::getpid()) + "-" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        ASSERT_TRUE(WriteTrack(m_dir / "song.cdg", 3.0));
        ASSERT_TRUE(WriteWav(m_dir / "song.wav", MakeNoise(3.0)));
    }
    void TearDown() override { fs::remove_all(m_dir); }

    Result Run(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
        Result r;
        CChild child(args, m_dir / "stderr", false, env);
        child.ReadUntil("\x01");  // everything, to the end
        r.nExit = child.Wait();
        r.out = child.Text();
        r.err = ReadFile(m_dir / "stderr");
        return r;
    }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    // Names in the folder other than the inputs.
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir)) {
            const std::string name = entry.path().filename().string();
            if (name != "song.cdg" && name != "song.wav" && name != "stderr" &&
                name != "long.cdg" && name != "long.wav" && name != "plugins" &&
                name != "registry.bin") {
                names.push_back(name);
            }
        }
        return names;
    }

    fs::path m_dir;
};

TEST_F(CliTest, HelpExitsZeroWithTheUsage) {
    const Result r = Run({"--help"});
    EXPECT_EQ(r.nExit, 0);
    EXPECT_NE(r.out.find("usage: cdgexport [options] TRACK OUT"), std::string::npos);
    EXPECT_TRUE(r.err.empty());
}

TEST_F(CliTest, UsageMistakesExitTwoWithAHint) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"a.cdg"},
                                                 {"a.cdg", "a.mp4", "--fps", "0"},
                                                 {"a.cdg", "a.mov"},
                                                 {"a.cdg", "a.mp4", "--bogus"}}) {
        const Result r = Run(args);
        EXPECT_EQ(r.nExit, 2) << r.err;
        EXPECT_NE(r.err.find("(try 'cdgexport --help')"), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
}

TEST_F(CliTest, FailuresExitOneWithTheReason) {
    const Result missing = Run({Path("gone.cdg"), Path("o.mp4")});
    EXPECT_EQ(missing.nExit, 1);
    EXPECT_NE(missing.err.find("cdgexport: cannot open the track " + Path("gone.cdg")),
              std::string::npos)
        << missing.err;
    const Result folder = Run({Path("song.cdg"), Path("no/such/o.mkv")});
    EXPECT_EQ(folder.nExit, 1);
    EXPECT_NE(folder.err.find("does not exist"), std::string::npos) << folder.err;
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(CliTest, QuietWhenNotOnATerminal) {
    const Result r = Run({Path("song.cdg"), Path("song.mp4"), "--size", "320x240"});
    EXPECT_EQ(r.nExit, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_TRUE(fs::is_regular_file(Path("song.mp4")));
}

TEST_F(CliTest, ProgressLinesForAProgram) {
    const Result r = Run({Path("song.cdg"), Path("song.webm"), "--size", "320x240", "--progress"});
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
    CChild child({Path("song.cdg"), Path("song.mkv"), "--size", "320x240"}, m_dir / "stderr", true);
    EXPECT_TRUE(child.ReadUntil("wrote " + Path("song.mkv")));
    EXPECT_EQ(child.Wait(), 0);
    const std::string& text = child.Text();
    // "\rcdgexport:  NN%..." updated in place, then cleared before the closing line.
    EXPECT_NE(text.find("\rcdgexport:"), std::string::npos) << text;
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(\d+%)"))) << text;
    EXPECT_NE(text.find("s of video in"), std::string::npos) << text;
}

TEST_F(CliTest, CtrlCStopsAndRemovesThePartialFile) {
    // Long enough to be caught in the middle.
    ASSERT_TRUE(WriteTrack(m_dir / "long.cdg", 120.0));
    ASSERT_TRUE(WriteWav(m_dir / "long.wav", MakeNoise(120.0)));
    CChild child({Path("long.cdg"), Path("long.mp4"), "--progress"}, m_dir / "stderr");
    ASSERT_TRUE(child.ReadUntil("\n")) << "no progress from the export";
    child.Signal(SIGINT);
    EXPECT_EQ(child.Wait(), 128 + SIGINT);
    EXPECT_NE(ReadFile(m_dir / "stderr").find("stopped; " + Path("long.mp4") + " was not written"),
              std::string::npos);
    EXPECT_TRUE(Leftovers().empty()) << Leftovers().front();
}

TEST_F(CliTest, AMissingEncoderNamesItsPackage) {
    // The system's plugins without the one that holds the encoder, in a registry of our own.
    struct Case {
        const char* pszOutput;
        const char* pszPlugin;
        const char* pszMessage;
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
        const Result r =
            Run({Path("song.cdg"), Path(c.pszOutput)},
                {"GST_PLUGIN_SYSTEM_PATH_1_0=" + plugins.string(),
                 "GST_REGISTRY_1_0=" + (m_dir / "registry.bin").string(), "GST_PLUGIN_PATH_1_0="});
        EXPECT_EQ(r.nExit, 1) << c.pszOutput;
        EXPECT_NE(r.err.find(c.pszMessage), std::string::npos) << r.err;
        EXPECT_TRUE(Leftovers().empty());
    }
}

}  // namespace
