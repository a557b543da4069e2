// The registry store: content, file location, atomic and concurrent updates, bad files.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
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

TEST_F(RegistryStoreTest, MalformedFileIsReportedAndNeverOverwritten) {
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
    EXPECT_EQ(ReadFile(), garbage);
}

TEST_F(RegistryStoreTest, IllFormedKeyNamesWriteNothing) {
    CRegistryStore store(m_path);
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

TEST(RegistryStoreLocation, FollowsTheEnvironment) {
    const char* savedExplicit = std::getenv("QUILLET_REGISTRY");
    const std::string saved = savedExplicit ? savedExplicit : "";
    const char* savedData = std::getenv("XDG_DATA_HOME");
    const std::string savedDataValue = savedData ? savedData : "";
    ::unsetenv("QUILLET_REGISTRY");
    ::setenv("XDG_DATA_HOME", "/data/home", 1);
    EXPECT_EQ(CRegistryStore::DefaultPath(), "/data/home/quillet/registry.ini");
    ::setenv("QUILLET_REGISTRY", "/elsewhere/reg.ini", 1);
    EXPECT_EQ(CRegistryStore::DefaultPath(), "/elsewhere/reg.ini");
    if (savedExplicit) {
        ::setenv("QUILLET_REGISTRY", saved.c_str(), 1);
    } else {
        ::unsetenv("QUILLET_REGISTRY");
    }
    if (savedData) {
        ::setenv("XDG_DATA_HOME", savedDataValue.c_str(), 1);
    } else {
        ::unsetenv("XDG_DATA_HOME");
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
