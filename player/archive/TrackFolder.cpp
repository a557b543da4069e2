// The private track folder: creation under the runtime folder, removal, and leftovers.
#include "player/archive/TrackFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// mkdtemp's six random characters after "quillet-track-<pid>-".
constexpr size_t kRandomLength = 6;

bool IsUsableRoot(const char* pszPath) {
    if (pszPath == nullptr || pszPath[0] != '/') {
        return false;
    }
    struct stat st {};
    return ::stat(pszPath, &st) == 0 && S_ISDIR(st.st_mode) && ::access(pszPath, W_OK | X_OK) == 0;
}

bool IsProcessGone(long nPid) {
    // EPERM means it exists but belongs to someone else: alive.
    return ::kill(static_cast<pid_t>(nPid), 0) == -1 && errno == ESRCH;
}

}  // namespace

CTrackFolder::CTrackFolder(std::string strPath, int nDirFd)
    : m_strPath(std::move(strPath)), m_nDirFd(nDirFd) {}

CTrackFolder::~CTrackFolder() {
    std::error_code error;
    fs::remove_all(m_strPath, error);
    if (m_nDirFd >= 0) {
        ::close(m_nDirFd);
    }
}

std::string CTrackFolder::DefaultRoot() {
    if (const char* pszRuntime = std::getenv("XDG_RUNTIME_DIR"); IsUsableRoot(pszRuntime)) {
        return pszRuntime;
    }
    std::error_code error;
    const fs::path temp = fs::temp_directory_path(error);
    return error || temp.empty() ? std::string("/tmp") : temp.string();
}

std::unique_ptr<CTrackFolder> CTrackFolder::Create(std::string& strError,
                                                   const std::string& strRoot) {
    const std::string strBase = strRoot.empty() ? DefaultRoot() : strRoot;
    std::string strTemplate = (fs::path(strBase) / kPrefix).string() + std::to_string(::getpid()) +
                              "-" + std::string(kRandomLength, 'X');
    std::vector<char> name(strTemplate.begin(), strTemplate.end());
    name.push_back('\0');
    // mkdtemp makes the folder with mode 0700 under a name nobody else can have taken.
    if (::mkdtemp(name.data()) == nullptr) {
        strError = "cannot make a folder in " + strBase + ": " + std::strerror(errno);
        return nullptr;
    }
    std::string strPath(name.data());
    const int nFd = ::open(strPath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (nFd < 0) {
        strError = "cannot open the folder " + strPath + ": " + std::strerror(errno);
        ::rmdir(strPath.c_str());
        return nullptr;
    }
    return std::unique_ptr<CTrackFolder>(new CTrackFolder(std::move(strPath), nFd));
}

std::string CTrackFolder::FilePath(const std::string& strName) const {
    return m_strPath + "/" + strName;
}

int CTrackFolder::CreateFile(const std::string& strName) const {
    if (strName.empty() || strName.find('/') != std::string::npos || strName == "." ||
        strName == "..") {
        errno = EINVAL;
        return -1;
    }
    return ::openat(m_nDirFd, strName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    0600);
}

long CTrackFolder::OwnerOf(const std::string& strName) {
    constexpr size_t nPrefix = sizeof(kPrefix) - 1;
    if (strName.compare(0, nPrefix, kPrefix) != 0) {
        return -1;
    }
    const size_t nDash = strName.find('-', nPrefix);
    if (nDash == std::string::npos || nDash == nPrefix || nDash > nPrefix + 10 ||
        strName.size() != nDash + 1 + kRandomLength) {
        return -1;
    }
    long nPid = 0;
    for (size_t i = nPrefix; i < nDash; ++i) {
        if (strName[i] < '0' || strName[i] > '9') {
            return -1;
        }
        nPid = nPid * 10 + (strName[i] - '0');
    }
    return nPid > 0 ? nPid : -1;
}

int CTrackFolder::RemoveLeftovers(const std::string& strRoot) {
    const std::string strBase = strRoot.empty() ? DefaultRoot() : strRoot;
    int nRemoved = 0;
    std::error_code error;
    fs::directory_iterator it(strBase, error);
    if (error) {
        return 0;
    }
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error) {
            break;
        }
        const long nPid = OwnerOf(it->path().filename().string());
        if (nPid < 0 || nPid == static_cast<long>(::getpid()) || !IsProcessGone(nPid)) {
            continue;
        }
        // Only real folders of this user: never through a link, never someone else's.
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
            st.st_uid != ::geteuid()) {
            continue;
        }
        std::error_code removeError;
        if (fs::remove_all(it->path(), removeError) > 0 && !removeError) {
            ++nRemoved;
        }
    }
    return nRemoved;
}
