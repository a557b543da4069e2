// CRegistryStore: parsing, serialising, and the locked atomic update of the store file.
#include "platform/com/RegistryStore.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace com {

void CRegistryTree::CreateKey(const std::string& key) {
    for (size_t pos = key.find('\\'); pos != std::string::npos; pos = key.find('\\', pos + 1)) {
        m_keys[key.substr(0, pos)];
    }
    m_keys[key];
}

void CRegistryTree::SetValue(const std::string& key, const std::string& name,
                             const std::string& value) {
    CreateKey(key);
    m_keys[key][name] = value;
}

std::optional<std::string> CRegistryTree::GetValue(const std::string& key,
                                                   const std::string& name) const {
    const auto k = m_keys.find(key);
    if (k == m_keys.end())
        return std::nullopt;
    const auto v = k->second.find(name);
    if (v == k->second.end())
        return std::nullopt;
    return v->second;
}

bool CRegistryTree::DeleteTree(const std::string& key) {
    const auto first = m_keys.find(key);
    if (first == m_keys.end())
        return false;
    const std::string prefix = key + "\\";
    auto last = std::next(first);
    while (last != m_keys.end() && last->first.compare(0, prefix.size(), prefix) == 0)
        ++last;
    m_keys.erase(first, last);
    return true;
}

std::vector<std::string> CRegistryTree::SubKeys(const std::string& key) const {
    std::vector<std::string> names;
    const std::string prefix = key + "\\";
    for (auto it = m_keys.lower_bound(prefix);
         it != m_keys.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
        const std::string rest = it->first.substr(prefix.size());
        if (rest.find('\\') == std::string::npos)
            names.push_back(rest);
    }
    return names;
}

namespace {

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (const char c : s) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out + "\"";
}

// Reads a quoted string starting at pos; pos ends just past the closing quote.
bool Unquote(const std::string& line, size_t& pos, std::string& out) {
    if (pos >= line.size() || line[pos] != '"')
        return false;
    out.clear();
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\') {
            if (++pos >= line.size())
                return false;
            switch (line[pos]) {
                case '\\':
                    c = '\\';
                    break;
                case '"':
                    c = '"';
                    break;
                case 'n':
                    c = '\n';
                    break;
                case 'r':
                    c = '\r';
                    break;
                default:
                    return false;
            }
        }
        out += c;
    }
    return false;
}

}  // namespace

bool CRegistryTree::IsWellFormed() const {
    for (const auto& [key, values] : m_keys) {
        if (key.empty() || key.find_first_of("[]\r\n") != std::string::npos)
            return false;
    }
    return true;
}

std::string CRegistryTree::Serialise() const {
    std::string out = "; Quillet registry store: class keys of in-process COM servers\n";
    for (const auto& [key, values] : m_keys) {
        out += "\n[" + key + "]\n";
        for (const auto& [name, value] : values) {
            out += (name.empty() ? std::string("@") : Quote(name)) + "=" + Quote(value) + "\n";
        }
    }
    return out;
}

bool CRegistryTree::Parse(const std::string& text) {
    std::map<std::string, Values> keys;
    std::istringstream in(text);
    std::string line;
    const std::string* current = nullptr;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            if (line.back() != ']' || line.size() < 3)
                return false;
            const std::string key = line.substr(1, line.size() - 2);
            if (key.find_first_of("[]\r") != std::string::npos)
                return false;
            const auto it = keys.try_emplace(key).first;
            current = &it->first;
            continue;
        }
        if (current == nullptr)
            return false;
        std::string name;
        size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (!Unquote(line, pos, name)) {
            return false;
        }
        std::string value;
        if (pos >= line.size() || line[pos] != '=')
            return false;
        ++pos;
        if (!Unquote(line, pos, value) || pos != line.size())
            return false;
        keys[*current][name] = value;
    }
    m_keys = std::move(keys);
    return true;
}

std::string CRegistryStore::DefaultPath() {
    if (const char* explicitPath = std::getenv("QUILLET_REGISTRY"); explicitPath && *explicitPath) {
        return explicitPath;
    }
    std::string base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/') {
        base = data;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::string(home) + "/.local/share";
    } else {
        base = "/tmp";
    }
    return base + "/quillet/registry.ini";
}

namespace {

// Holds an flock on "<store>.lock" for its lifetime; the store file itself is replaced by
// rename, so the lock lives on a file that is never replaced.
class CFileLock {
public:
    CFileLock(const std::string& storePath, int operation) {
        m_fd = ::open((storePath + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_fd < 0) {
            m_error = errno;
            return;
        }
        while (::flock(m_fd, operation) != 0) {
            if (errno != EINTR) {
                m_error = errno;
                break;
            }
        }
    }
    ~CFileLock() {
        if (m_fd >= 0)
            ::close(m_fd);  // closing releases the lock
    }
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;

    HRESULT Result() const { return m_error == 0 ? S_OK : HResultFromErrno(m_error); }

private:
    int m_fd = -1;
    int m_error = 0;
};

HRESULT ReadUnlocked(const std::string& path, CRegistryTree& tree) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        tree = CRegistryTree();
        return ec ? HResultFromErrno(ec.value()) : S_OK;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return STG_E_READFAULT;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return STG_E_READFAULT;
    CRegistryTree parsed;
    if (!parsed.Parse(text.str()))
        return VFW_E_INVALID_FILE_FORMAT;
    tree = std::move(parsed);
    return S_OK;
}

HRESULT EnsureParentFolder(const std::string& path) {
    std::error_code ec;
    const auto parent = std::filesystem::path(path).parent_path();
    if (!parent.empty())
        std::filesystem::create_directories(parent, ec);
    return ec ? HResultFromErrno(ec.value()) : S_OK;
}

constexpr char kTempSuffix[] = ".XXXXXX";

// True for the names mkstemp makes from the store's path: "<store>." and six letters or digits.
bool IsTempName(const std::string& name, const std::string& storeName) {
    const size_t random = sizeof(kTempSuffix) - 2;
    if (name.size() != storeName.size() + 1 + random ||
        name.compare(0, storeName.size(), storeName) != 0 || name[storeName.size()] != '.')
        return false;
    for (size_t i = storeName.size() + 1; i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

// A writer holds an flock on its temporary file from mkstemp until the rename or unlink, so a
// temporary nobody holds belongs to a writer that died. Called under the store's exclusive
// lock, which keeps every other writer of this store between mkstemp and its own flock out.
// Best effort: a temporary that cannot be examined is left alone.
void RemoveAbandonedTemps(const std::string& storePath) {
    const std::filesystem::path store(storePath);
    const std::string storeName = store.filename().string();
    std::error_code ec;
    std::filesystem::directory_iterator it(store.parent_path(), ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::filesystem::path& candidate = it->path();
        if (!IsTempName(candidate.filename().string(), storeName))
            continue;
        const int fd = ::open(candidate.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            ::unlink(candidate.c_str());
        }
        ::close(fd);
    }
}

HRESULT WriteAtomically(const std::string& path, const std::string& text) {
    std::string temp = path + kTempSuffix;
    // Close-on-exec, so no child process keeps the temporary's lock alive after we are gone.
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return HResultFromErrno(errno);
    const auto fail = [&](int error) {
        ::unlink(temp.c_str());
        ::close(fd);
        return HResultFromErrno(error);
    };
    // Marks the temporary as in use; the lock drops with the descriptor, however we end.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return fail(errno);
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(errno);
        done += static_cast<size_t>(n);
    }
    if (::fchmod(fd, 0644) != 0 || ::fsync(fd) != 0)
        return fail(errno);
    // Renamed while still held, so the temporary is never unlocked under its temporary name.
    if (::rename(temp.c_str(), path.c_str()) != 0)
        return fail(errno);
    ::close(fd);  // the content is on disk already: fsync reported any write error
    return S_OK;
}

}  // namespace

HRESULT CRegistryStore::Read(CRegistryTree& tree) const {
    if (!std::filesystem::exists(std::filesystem::path(m_path).parent_path())) {
        tree = CRegistryTree();
        return S_OK;
    }
    CFileLock lock(m_path, LOCK_SH);
    if (FAILED(lock.Result()))
        return lock.Result();
    return ReadUnlocked(m_path, tree);
}

HRESULT CRegistryStore::Update(const std::function<void(CRegistryTree&)>& change) const {
    if (const HRESULT hr = EnsureParentFolder(m_path); FAILED(hr))
        return hr;
    CFileLock lock(m_path, LOCK_EX);
    if (FAILED(lock.Result()))
        return lock.Result();
    RemoveAbandonedTemps(m_path);
    CRegistryTree tree;
    if (const HRESULT hr = ReadUnlocked(m_path, tree); FAILED(hr))
        return hr;
    change(tree);
    if (!tree.IsWellFormed())
        return E_INVALIDARG;
    return WriteAtomically(m_path, tree.Serialise());
}

std::optional<std::string> CRegistryStore::GetValue(const std::string& key,
                                                    const std::string& name) const {
    CRegistryTree tree;
    if (FAILED(Read(tree)))
        return std::nullopt;
    return tree.GetValue(key, name);
}

bool CRegistryStore::KeyExists(const std::string& key) const {
    CRegistryTree tree;
    return SUCCEEDED(Read(tree)) && tree.KeyExists(key);
}

}  // namespace com
