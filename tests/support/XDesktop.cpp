// The private X desktop of GUI tests: Xvfb, openbox and the X tools, run as child processes.
#include "tests/support/XDesktop.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::seconds kStartTimeout{10};
constexpr std::chrono::seconds kToolTimeout{10};
// Root-window property the window manager's start-up command sets when it is ready.
constexpr char kReadyProperty[] = "_QUILLET_TEST_WM_READY";

// The full path of a program on PATH; empty when there is none.
std::string FindProgram(const std::string& strName) {
    const char* pszPath = std::getenv("PATH");
    const std::string strPath = pszPath != nullptr ? pszPath : "/usr/local/bin:/usr/bin:/bin";
    size_t nStart = 0;
    while (nStart <= strPath.size()) {
        size_t nEnd = strPath.find(':', nStart);
        if (nEnd == std::string::npos) {
            nEnd = strPath.size();
        }
        std::string strDir = strPath.substr(nStart, nEnd - nStart);
        if (strDir.empty()) {
            strDir = ".";
        }
        const std::string strFull = strDir + "/" + strName;
        if (access(strFull.c_str(), X_OK) == 0) {
            return strFull;
        }
        nStart = nEnd + 1;
    }
    return {};
}

// Starts a program with stdin and stderr on /dev/null and stdout on nStdout (/dev/null when
// -1); nKeepFd stays open in it. The child is killed when this process ends, however it
// ends, so no server outlives a crashed or timed-out test. Returns the pid, or -1.
pid_t Spawn(const std::vector<std::string>& args, int nStdout = -1, int nKeepFd = -1) {
    const std::string strProgram = FindProgram(args.at(0));
    if (strProgram.empty()) {
        return -1;
    }
    std::vector<char*> argv;
    for (const std::string& strArg : args) {
        argv.push_back(const_cast<char*>(strArg.c_str()));
    }
    argv.push_back(nullptr);
    const int nNull = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (nNull < 0) {
        return -1;
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        // The parent may run threads: only async-signal-safe calls until exec.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127);
        }
        dup2(nNull, STDIN_FILENO);
        dup2(nStdout >= 0 ? nStdout : nNull, STDOUT_FILENO);
        dup2(nNull, STDERR_FILENO);
        if (nKeepFd >= 0) {
            fcntl(nKeepFd, F_SETFD, 0);
        }
        execv(strProgram.c_str(), argv.data());
        _exit(127);
    }
    close(nNull);
    return pid;
}

// Waits up to the time-out for a child to end; kills it when it does not. True when it
// ended by itself with exit status 0.
bool Reap(pid_t pid, std::chrono::milliseconds timeout) {
    const Clock::time_point tEnd = Clock::now() + timeout;
    int nStatus = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &nStatus, WNOHANG);
        if (done == pid) {
            return WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0;
        }
        if (done < 0 && errno != EINTR) {
            return false;
        }
        if (Clock::now() >= tEnd) {
            kill(pid, SIGKILL);
            waitpid(pid, &nStatus, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Reads from a descriptor until end of file, a newline when bLine, or the deadline.
std::string ReadFrom(int nFd, Clock::time_point tEnd, bool bLine) {
    std::string strOut;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(tEnd - Clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd pfd{nFd, POLLIN, 0};
        const int nReady = poll(&pfd, 1, static_cast<int>(left.count()));
        if (nReady < 0 && errno == EINTR) {
            continue;
        }
        if (nReady <= 0) {
            break;
        }
        char buffer[512];
        const ssize_t nRead = read(nFd, buffer, sizeof buffer);
        if (nRead < 0 && errno == EINTR) {
            continue;
        }
        if (nRead <= 0) {
            break;
        }
        strOut.append(buffer, static_cast<size_t>(nRead));
        if (bLine && strOut.find('\n') != std::string::npos) {
            break;
        }
    }
    return strOut;
}

// Runs a tool to its end; true when it succeeded, with its output in *pOut.
bool RunTool(const std::vector<std::string>& args, std::string* pOut = nullptr) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    const pid_t pid = Spawn(args, fds[1]);
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return false;
    }
    const std::string strOut = ReadFrom(fds[0], Clock::now() + kToolTimeout, false);
    close(fds[0]);
    if (pOut != nullptr) {
        *pOut = strOut;
    }
    return Reap(pid, std::chrono::milliseconds(1000));
}

// Every "0x..." window id in a text, in order.
std::vector<unsigned long> HexIds(const std::string& strText) {
    std::vector<unsigned long> ids;
    std::istringstream in(strText);
    std::string strWord;
    while (in >> strWord) {
        if (strWord.rfind("0x", 0) == 0) {
            ids.push_back(std::stoul(strWord, nullptr, 16));
        }
    }
    return ids;
}

// Whether a window manager serves the screen: it lists what it supports on the root
// window while it runs (openbox takes that list away as it goes, though not the rest).
bool WindowManagerRunning() {
    std::string strOut;
    return RunTool({"xprop", "-root", "_NET_SUPPORTED"}, &strOut) &&
           strOut.find("_NET_ACTIVE_WINDOW") != std::string::npos;
}

}  // namespace

CXDesktop::~CXDesktop() {
    Stop();
}

std::string CXDesktop::MissingTools() {
    std::string strMissing;
    for (const char* pszTool : {"Xvfb", "openbox", "xdotool", "xprop", "xwininfo"}) {
        if (FindProgram(pszTool).empty()) {
            strMissing += strMissing.empty() ? pszTool : std::string(" ") + pszTool;
        }
    }
    return strMissing;
}

bool CXDesktop::Start(int nWidth, int nHeight, std::string* pError) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        *pError = "no pipe for the display number";
        return false;
    }
    // The server picks a free display itself and writes its number to the pipe once it
    // accepts clients, so tests running side by side never meet.
    const std::string strScreen = std::to_string(nWidth) + "x" + std::to_string(nHeight) + "x24";
    const pid_t pid = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                             strScreen, "-nolisten", "tcp", "-noreset"},
                            -1, fds[1]);
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        *pError = "Xvfb could not be started";
        return false;
    }
    const std::string strNumber = ReadFrom(fds[0], Clock::now() + kStartTimeout, true);
    close(fds[0]);
    const int nDisplay = std::atoi(strNumber.c_str());
    if (strNumber.empty() || strNumber[0] < '0' || strNumber[0] > '9') {
        kill(pid, SIGTERM);
        Reap(pid, std::chrono::milliseconds(2000));
        *pError = "Xvfb named no display";
        return false;
    }
    m_xvfb = pid;
    m_strDisplay = ":" + std::to_string(nDisplay);
    setenv("DISPLAY", m_strDisplay.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    // The private desktop has no session bus: no test reaches the user's own, and no bus
    // daemon is auto-launched against a display that is about to go.
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/dev/null/no-session-bus", 1);
    return true;
}

bool CXDesktop::StartWindowManager(std::string* pError) {
    if (m_wm > 0) {
        return true;
    }
    // Openbox names itself on the root window before it is ready, and a window mapped in
    // between is never managed; the command it runs once started marks the moment.
    static int s_nStarts = 0;
    const std::string strToken = std::to_string(getpid()) + "-" + std::to_string(++s_nStarts);
    m_wm = Spawn({"openbox", "--sm-disable", "--startup",
                  std::string("xprop -root -f ") + kReadyProperty + " 8s -set " + kReadyProperty +
                      " " + strToken});
    if (m_wm < 0) {
        *pError = "openbox could not be started";
        return false;
    }
    const Clock::time_point tEnd = Clock::now() + kStartTimeout;
    for (;;) {
        std::string strOut;
        if (RunTool({"xprop", "-root", kReadyProperty}, &strOut) &&
            strOut.find('"' + strToken + '"') != std::string::npos && WindowManagerRunning()) {
            return true;
        }
        int nStatus = 0;
        if (waitpid(m_wm, &nStatus, WNOHANG) == m_wm || Clock::now() >= tEnd) {
            StopWindowManager();
            *pError = "openbox did not take the screen";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void CXDesktop::StopWindowManager() {
    if (m_wm <= 0) {
        return;
    }
    kill(m_wm, SIGTERM);
    Reap(m_wm, std::chrono::milliseconds(3000));
    m_wm = -1;
    // It hands the screen back as it goes: wait until it no longer claims it.
    const Clock::time_point tEnd = Clock::now() + kStartTimeout;
    while (WindowManagerRunning() && Clock::now() < tEnd) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool CXDesktop::Key(const std::string& strKeys) {
    return RunTool({"xdotool", "key", strKeys});
}

bool CXDesktop::Click(int x, int y) {
    return RunTool({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "1"});
}

unsigned long CXDesktop::ActiveWindow() {
    std::string strOut;
    const char* pszCommand = HasWindowManager() ? "getactivewindow" : "getwindowfocus";
    if (!RunTool({"xdotool", pszCommand}, &strOut)) {
        return 0;
    }
    return std::strtoul(strOut.c_str(), nullptr, 10);
}

std::vector<unsigned long> CXDesktop::Stacking() {
    std::string strOut;
    if (HasWindowManager()) {
        if (!RunTool({"xprop", "-root", "_NET_CLIENT_LIST_STACKING"}, &strOut)) {
            return {};
        }
        return HexIds(strOut.substr(std::min(strOut.find('#'), strOut.size())));
    }
    if (!RunTool({"xwininfo", "-root", "-children"}, &strOut)) {
        return {};
    }
    // One child a line, top first; the root's own lines name it before "children:".
    const size_t nList = strOut.find("children:");
    if (nList == std::string::npos) {
        return {};
    }
    std::vector<unsigned long> ids;
    std::istringstream in(strOut.substr(nList));
    std::string strLine;
    while (std::getline(in, strLine)) {
        const size_t nFirst = strLine.find_first_not_of(' ');
        if (nFirst != std::string::npos && strLine.compare(nFirst, 2, "0x") == 0) {
            ids.insert(ids.begin(), std::stoul(strLine.substr(nFirst), nullptr, 16));
        }
    }
    return ids;
}

void CXDesktop::Stop() {
    StopWindowManager();
    if (m_xvfb > 0) {
        kill(m_xvfb, SIGTERM);
        Reap(m_xvfb, std::chrono::milliseconds(3000));
        m_xvfb = -1;
    }
}

namespace {

std::unique_ptr<CXDesktop> g_pDesktop;

class CDesktopEnvironment : public ::testing::Environment {
public:
    void TearDown() override { g_pDesktop.reset(); }
};

}  // namespace

CXDesktop* TestDesktop(std::string* pReason) {
    static bool s_bTried = false;
    static std::string s_strReason;
    if (!s_bTried) {
        s_bTried = true;
        const std::string strMissing = CXDesktop::MissingTools();
        if (!strMissing.empty()) {
            s_strReason = "not installed: " + strMissing;
        } else {
            auto pDesktop = std::make_unique<CXDesktop>();
            if (pDesktop->Start(1024, 768, &s_strReason)) {
                g_pDesktop = std::move(pDesktop);
                // Torn down after the environments registered later, the QApplication's
                // among them.
                ::testing::AddGlobalTestEnvironment(new CDesktopEnvironment);
            }
        }
    }
    if (pReason != nullptr) {
        *pReason = s_strReason;
    }
    return g_pDesktop.get();
}
