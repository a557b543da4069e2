// The registry store: content, file location, atomic and concurrent updates, bad files,
// temporaries left by killed writers.
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/com/ComRuntime.h"
#include "platform/com/RegistryStore.h"

using namespace com;
namespace fs = std::filesystem;

namespace {

class RegistryStoreTest : public testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("quillet-registry-" + std::to_string(::getpid()) + "-" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        m_path = (m_dir / "sub" / "registry.ini").string();
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string ReadFile() const {
        std::ifstream in(m_path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path m_dir;
    std::string m_path;
};

}  // namespace

TEST_F(RegistryStoreTest, KeepsValuesAcrossInstancesAndDeletesWholeTrees) {
    CRegistryStore store(m_path);
    EXPECT_FALSE(store.KeyExists("HKEY_CLASSES_ROOT")) << "an absent file is an empty store";
    ASSERT_EQ(store.Update([](CRegistryTree& t) {
        t.SetValue("HKEY_CLASSES_ROOT\\CLSID\\{A}", "", "Name with \"quotes\" and \\");
        t.SetValue("HKEY_CLASSES_ROOT\\CLSID\\{A}\\InprocServer32", "ThreadingModel", "Both");
        t.SetValue("HKEY_CLASSES_ROOT\\CLSID\\{AB}", "", "sibling with a common prefix");
    }),
              S_OK);
    CRegistryStore again(m_path);
    EXPECT_EQ(again.GetValue("HKEY_CLASSES_ROOT\\CLSID\\{A}", ""), "Name with \"quotes\" and \\");
    EXPECT_TRUE(again.KeyExists("HKEY_CLASSES_ROOT\\CLSID")) << "parents are created";
    ASSERT_EQ(again.Update([](CRegistryTree& t) {
        EXPECT_TRUE(t.DeleteTree("HKEY_CLASSES_ROOT\\CLSID\\{A}"));
        EXPECT_FALSE(t.DeleteTree("HKEY_CLASSES_ROOT\\CLSID\\{A}"));
    }),
              S_OK);
    EXPECT_FALSE(store.KeyExists("HKEY_CLASSES_ROOT\\CLSID\\{A}\\InprocServer32"));
    EXPECT_EQ(store.GetValue("HKEY_CLASSES_ROOT\\CLSID\\{AB}", ""), "sibling with a common prefix");
    CRegistryTree tree;
    ASSERT_EQ(store.Read(tree), S_OK);
    EXPECT_EQ(tree.SubKeys("HKEY_CLASSES_ROOT\\CLSID"), std::vector<std::string>{"{AB}"});
}

TEST_F(RegistryStoreTest, MalformedFilesAndKeyNamesWriteNothing) {
    fs::create_directories(fs::path(m_path).parent_path());
    for (const char* bad :
         {"@=\"value before any key\"\n", "[]\n", "[a]b]\n", "[k]\n\"n\"=\"x\" tail\n",
          "[k]\n\"n\"=\"bad \\q escape\"\n", "[k]\n\"unterminated=\"x\"\n"}) {
        CRegistryTree tree;
        EXPECT_FALSE(tree.Parse(bad)) << bad;
    }
    const std::string garbage = "[HKEY_CLASSES_ROOT]\nnot a value line\n";
    std::ofstream(m_path) << garbage;
    CRegistryStore store(m_path);
    CRegistryTree tree;
    EXPECT_EQ(store.Read(tree), VFW_E_INVALID_FILE_FORMAT);
    EXPECT_EQ(store.Update([](CRegistryTree& t) { t.SetValue("K", "", "v"); }),
              VFW_E_INVALID_FILE_FORMAT);
    EXPECT_EQ(ReadFile(), garbage) << "a malformed file is never overwritten";

    fs::remove(m_path);
    ASSERT_EQ(store.Update([](CRegistryTree& t) { t.SetValue("Good", "", "1"); }), S_OK);
    const std::string before = ReadFile();
    EXPECT_EQ(store.Update([](CRegistryTree& t) { t.SetValue("Bad]\nKey", "", "x"); }),
              E_INVALIDARG);
    EXPECT_EQ(ReadFile(), before);
    EXPECT_EQ(store.Update([](CRegistryTree& t) { t.SetValue("Key", "name", "line\nbreak"); }),
              S_OK)
        << "values may hold anything";
    EXPECT_EQ(store.GetValue("Key", "name"), "line\nbreak");
}

TEST_F(RegistryStoreTest, TwoWritingProcessesLoseNothing) {
    constexpr int kWriters = 3;
    constexpr int kUpdates = 40;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            CRegistryStore store(m_path);
            for (int i = 0; i < kUpdates; ++i) {
                const std::string key = "W" + std::to_string(w) + "\\" + std::to_string(i);
                if (FAILED(store.Update([&](CRegistryTree& t) { t.SetValue(key, "", "x"); }))) {
                    ::_exit(1);
                }
            }
            ::_exit(0);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    CRegistryTree tree;
    ASSERT_EQ(CRegistryStore(m_path).Read(tree), S_OK);
    for (int w = 0; w < kWriters; ++w) {
        EXPECT_EQ(tree.SubKeys("W" + std::to_string(w)).size(), static_cast<size_t>(kUpdates));
    }
    for (const auto& entry : fs::directory_iterator(fs::path(m_path).parent_path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "registry.ini" || name == "registry.ini.lock")
            << "temporary file left behind: " << name;
    }
}

namespace {

// Stands in for a writer between mkstemp and its rename: a child process that makes a
// temporary beside the store, locks it and waits until it is killed.
class CStrandedWriter {
public:
    explicit CStrandedWriter(const std::string& storePath) {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            std::string temp = storePath + ".XXXXXX";
            const int fd = ::mkstemp(temp.data());
            if (fd < 0 || ::flock(fd, LOCK_EX) != 0 || ::write(fd, "partial", 7) != 7)
                ::_exit(1);
            const std::string name = fs::path(temp).filename().string();
            if (::write(ready[1], name.data(), name.size()) != static_cast<ssize_t>(name.size()))
                ::_exit(1);
            ::close(ready[1]);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char name[256] = {};
        const ssize_t n = m_pid > 0 ? ::read(ready[0], name, sizeof name - 1) : -1;
        ::close(ready[0]);
        if (n > 0)
            m_tempName.assign(name, static_cast<size_t>(n));
    }
    ~CStrandedWriter() { Kill(); }
    CStrandedWriter(const CStrandedWriter&) = delete;
    CStrandedWriter& operator=(const CStrandedWriter&) = delete;

    // The temporary's file name, empty when the child could not make it.
    const std::string& TempName() const { return m_tempName; }
    void Kill() {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    std::string m_tempName;
};

std::vector<std::string> FolderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST_F(RegistryStoreTest, OnlyWritersRemoveTemporariesAndOnlyOfKilledWriters) {
    CRegistryStore store(m_path);
    ASSERT_EQ(store.Update([](CRegistryTree& t) { t.SetValue("K", "", "before"); }), S_OK);
    const fs::path folder = fs::path(m_path).parent_path();

    CStrandedWriter killed(m_path);
    ASSERT_FALSE(killed.TempName().empty());
    killed.Kill();
    CStrandedWriter alive(m_path);
    ASSERT_FALSE(alive.TempName().empty());
    // Names that only resemble a temporary of this store are never touched.
    const std::vector<std::string> unrelated = {"registry.ini.bak",    "registry.ini.ABC12",
                                                "registry.ini.ABC-12", "registry.ini.ABC1234",
                                                "other.ini.ABC123",    "registry.iniXABC123"};
    for (const std::string& name : unrelated)
        std::ofstream(folder / name) << "keep";
    CRegistryTree tree;
    EXPECT_EQ(store.Read(tree), S_OK);
    ASSERT_TRUE(fs::exists(folder / killed.TempName()))
        << "only a writer, under the exclusive lock, may remove a temporary";

    ASSERT_EQ(store.Update([](CRegistryTree& t) { t.SetValue("K", "", "after"); }), S_OK);
    EXPECT_EQ(store.GetValue("K", ""), "after");
    EXPECT_FALSE(fs::exists(folder / killed.TempName())) << "abandoned by a killed writer";
    EXPECT_TRUE(fs::exists(folder / alive.TempName())) << "still locked by a live writer";
    for (const std::string& name : unrelated)
        EXPECT_TRUE(fs::exists(folder / name)) << name;

    alive.Kill();
    ASSERT_EQ(store.Update([](CRegistryTree& t) { t.SetValue("K", "", "last"); }), S_OK);
    std::vector<std::string> expected = unrelated;
    expected.insert(expected.end(), {"registry.ini", "registry.ini.lock"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderEntries(folder), expected);
}

TEST(RegistryStoreLocation, FollowsTheEnvironment) {
    std::vector<std::pair<const char*, std::optional<std::string>>> saved;
    for (const char* name : {"QUILLET_REGISTRY", "XDG_DATA_HOME"}) {
        const char* value = std::getenv(name);
        saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    ::unsetenv("QUILLET_REGISTRY");
    ::setenv("XDG_DATA_HOME", "/data/home", 1);
    EXPECT_EQ(CRegistryStore::DefaultPath(), "/data/home/quillet/registry.ini");
    ::setenv("QUILLET_REGISTRY", "/elsewhere/reg.ini", 1);
    EXPECT_EQ(CRegistryStore::DefaultPath(), "/elsewhere/reg.ini");
    for (const auto& [name, value] : saved) {
        value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
    }
}

TEST_F(RegistryStoreTest, CoCreateInstanceReportsUnregisteredAndMissingServers) {
    CRegistryStore store(m_path);
    const CLSID clsid{0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object, store),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    ASSERT_EQ(store.Update([&](CRegistryTree& t) {
        t.SetValue(JoinKey(ClassKey(clsid), "InprocServer32"), "", (m_dir / "absent.ax").string());
    }),
              S_OK);
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object, store),
              CO_E_DLLNOTFOUND);
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr, store),
              E_POINTER);
}
