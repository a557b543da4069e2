// ScratchFile on POSIX files: rewritten by name for every input; files that crashed runs
// left behind are removed by the next one.
#include "fuzz/support/ScratchFile.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fuzz {

namespace {

std::string ScratchFolder() {
    struct stat info {};
    if (::stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) &&
        ::access("/dev/shm", W_OK) == 0) {
        return "/dev/shm";
    }
    return "/tmp";
}

constexpr char kPrefix[] = "quillet-fuzz-";

// A crashing input ends the process without destructors, leaving its files behind; in
// memory-backed storage they would add up over many runs. Removes those of dead processes.
void RemoveStaleFiles(const std::string& folder) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(kPrefix, 0) != 0) {
            continue;
        }
        const long nPid = std::strtol(name.c_str() + sizeof kPrefix - 1, nullptr, 10);
        if (nPid > 0 && ::kill(static_cast<pid_t>(nPid), 0) != 0 && errno == ESRCH) {
            std::filesystem::remove(entry.path(), ec);
        }
    }
}

}  // namespace

ScratchFile::ScratchFile(const std::string& suffix) {
    static std::atomic<int> s_nCount{0};
    if (s_nCount == 0) {
        RemoveStaleFiles(ScratchFolder());
    }
    m_stem = ScratchFolder() + "/" + kPrefix + std::to_string(::getpid()) + "-" +
             std::to_string(s_nCount++);
    m_path = m_stem + suffix;
    m_bMade = Write(nullptr, 0);
}

ScratchFile::~ScratchFile() {
    ::unlink(m_path.c_str());
    for (const std::string& alias : m_aliases) {
        ::unlink(alias.c_str());
    }
}

std::string ScratchFile::AddName(const std::string& suffix) {
    const std::string alias = m_stem + suffix;
    ::unlink(alias.c_str());
    if (!m_bMade || ::link(m_path.c_str(), alias.c_str()) != 0) {
        return {};
    }
    m_aliases.push_back(alias);
    return alias;
}

bool ScratchFile::Write(const uint8_t* pData, size_t nSize) {
    // Opened by name every time: a parser that replaces its file (write and rename) leaves
    // a kept descriptor on the old one.
    const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    size_t nDone = 0;
    while (nDone < nSize) {
        const ssize_t n = ::write(fd, pData + nDone, nSize - nDone);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        nDone += static_cast<size_t>(n);
    }
    return ::close(fd) == 0 && nDone == nSize;
}

}  // namespace fuzz
