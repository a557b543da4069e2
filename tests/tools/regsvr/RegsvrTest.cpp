// regsvr as a user runs it: registering and unregistering Skellan.ax, and refusing bad input.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/com/ComRuntime.h"
#include "vocalremover/IVocalRemover.h"

namespace fs = std::filesystem;

namespace {

class Regsvr : public testing::Test {
protected:
    void SetUp() override {
        m_store =
            fs::temp_directory_path() / ("regsvr-test-" + std::to_string(::getpid()) + ".ini");
        fs::remove(m_store);
        ::setenv("QUILLET_REGISTRY", m_store.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("QUILLET_REGISTRY");
        fs::remove(m_store);
        fs::remove(m_store.string() + ".lock");
    }
    static int Run(const std::string& arguments) {
        const std::string command =
            std::string("'") + REGSVR + "' " + arguments + " >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    fs::path m_store;
};

const std::string kServer = std::string("'") + SKELLAN_AX + "'";

}  // namespace

TEST_F(Regsvr, RegistersAndUnregistersTheServer) {
    ASSERT_EQ(Run("register " + kServer), 0);
    const com::CRegistryStore store(m_store.string());
    const std::string inproc =
        com::JoinKey(com::ClassKey(skellan::CLSID_VocalRemover), "InprocServer32");
    EXPECT_EQ(store.GetValue(inproc, ""), fs::canonical(SKELLAN_AX).string());
    EXPECT_EQ(Run("unregister " + kServer), 0);
    EXPECT_FALSE(store.KeyExists(com::ClassKey(skellan::CLSID_VocalRemover)));
    EXPECT_EQ(Run("unregister " + kServer), 0) << "a second unregistration still succeeds";
    EXPECT_EQ(Run("info " + kServer), 0);
}

TEST_F(Regsvr, RefusesWhatIsNotASelfRegisteringServer) {
    EXPECT_EQ(Run("register /nonexistent/Skellan.ax"), 1);
    EXPECT_EQ(Run(std::string("register '") + NOT_A_SERVER + "'"), 1);
    EXPECT_EQ(Run("register '" + m_store.parent_path().string() + "'"), 1) << "a folder";
    EXPECT_FALSE(fs::exists(m_store)) << "nothing was written";
}
