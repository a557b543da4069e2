// CNullSoundServer: a pulseaudio child process with a null sink.
#include "tests/support/NullSoundServer.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr auto kStartLimit = std::chrono::seconds(10);

// Whether something accepts connections on the socket yet.
bool Listening(const std::string& strSocket) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, strSocket.c_str(), sizeof(address.sun_path) - 1);
    const bool bOk = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bOk;
}

}  // namespace

CNullSoundServer::CNullSoundServer() {
    std::string strTemplate =
        (std::filesystem::temp_directory_path() / "quillet-pulse.XXXXXX").string();
    if (::mkdtemp(strTemplate.data()) == nullptr) {
        m_strError = "cannot make a folder for the sound server";
        return;
    }
    m_strFolder = strTemplate;
    const std::string strSocket = m_strFolder + "/native";
    const std::string strSocketArg =
        "module-native-protocol-unix auth-anonymous=1 socket=" + strSocket;

    // The server keeps its state in the folder, whoever runs the tests.
    std::vector<std::string> env;
    for (char** p = environ; *p != nullptr; ++p) {
        const std::string strVar = *p;
        if (strVar.rfind("HOME=", 0) != 0 && strVar.rfind("XDG_RUNTIME_DIR=", 0) != 0 &&
            strVar.rfind("PULSE_", 0) != 0) {
            env.push_back(strVar);
        }
    }
    env.push_back("HOME=" + m_strFolder);
    env.push_back("XDG_RUNTIME_DIR=" + m_strFolder);
    std::vector<char*> envp;
    for (std::string& s : env) {
        envp.push_back(s.data());
    }
    envp.push_back(nullptr);

    std::vector<std::string> args = {"pulseaudio",
                                     "--daemonize=no",
                                     "--exit-idle-time=-1",
                                     "--use-pid-file=no",
                                     "--disallow-exit",
                                     "-n",
                                     "--load=module-null-sink sink_name=null",
                                     "--load=" + strSocketArg,
                                     "--log-target=stderr",
                                     "--log-level=error"};
    std::vector<char*> argv;
    for (std::string& s : args) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);
    const std::string strLog = m_strFolder + "/server.log";
    const pid_t pid = ::fork();
    if (pid == 0) {
        // The server goes with the test program, however that ends, and keeps its words
        // out of the test's output.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int fd = ::open(strLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::dup2(fd, STDOUT_FILENO);
            ::dup2(fd, STDERR_FILENO);
        }
        ::execvpe("pulseaudio", argv.data(), envp.data());
        ::_exit(127);
    }
    if (pid < 0) {
        m_strError = "cannot start a process for the sound server";
        return;
    }
    m_pid = pid;
    const auto until = std::chrono::steady_clock::now() + kStartLimit;
    while (!Listening(strSocket)) {
        int nStatus = 0;
        if (::waitpid(m_pid, &nStatus, WNOHANG) == m_pid ||
            std::chrono::steady_clock::now() > until) {
            std::ifstream log(strLog);
            std::string strWords((std::istreambuf_iterator<char>(log)), {});
            m_strError =
                "pulseaudio did not come up (is it installed?): " + strWords.substr(0, 2000);
            m_pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::setenv("PULSE_SERVER", Address().c_str(), 1);
}

CNullSoundServer::~CNullSoundServer() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        int nStatus = 0;
        ::waitpid(m_pid, &nStatus, 0);
    }
    if (!m_strFolder.empty()) {
        std::error_code error;
        std::filesystem::remove_all(m_strFolder, error);
    }
}

void CNullSoundServer::UseNoServer() {
    ::setenv("PULSE_SERVER", "unix:/nonexistent/quillet-no-sound-server", 1);
}

namespace {

CNullSoundServer* g_pServer = nullptr;

class CServerEnvironment : public ::testing::Environment {
public:
    void TearDown() override {
        delete g_pServer;
        g_pServer = nullptr;
    }
};

}  // namespace

CNullSoundServer& TestSoundServer() {
    if (g_pServer == nullptr) {
        g_pServer = new CNullSoundServer;
        ::testing::AddGlobalTestEnvironment(new CServerEnvironment);
    }
    return *g_pServer;
}
