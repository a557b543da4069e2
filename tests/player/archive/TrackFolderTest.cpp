// Track folders: private, removed with their object, and leftovers of dead runs cleared.
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "player/archive/TrackFolder.h"

namespace fs = std::filesystem;

namespace {

class TrackFolderTest : public ::testing::Test {
protected:
    void TearDown() override { fs::remove_all(m_root); }
    static fs::path MakeRoot() {
        std::string strTemplate = (fs::temp_directory_path() / "folder-test-XXXXXX").string();
        return ::mkdtemp(strTemplate.data());
    }
    // A folder as a process of that pid would have made it, with a file inside.
    fs::path MakeFolderOf(long nPid, const char* pszRandom = "AbC123") const {
        const fs::path folder =
            m_root / ("quillet-track-" + std::to_string(nPid) + "-" + pszRandom);
        fs::create_directory(folder);
        std::ofstream(folder / "track.cdg") << "packets";
        return folder;
    }
    // The pid of a process that has ended and been reaped.
    static pid_t DeadPid() {
        const pid_t nChild = ::fork();
        if (nChild == 0) {
            ::_exit(0);
        }
        ::waitpid(nChild, nullptr, 0);
        return nChild;
    }

    fs::path m_root = MakeRoot();
};

TEST_F(TrackFolderTest, IsPrivateNamedByItsOwnerAndGoesWithItsObjectOrIsRefused) {
    std::string strError;
    auto pFolder = CTrackFolder::Create(strError, m_root.string());
    ASSERT_TRUE(pFolder) << strError;
    const fs::path path = pFolder->GetPath();
    EXPECT_EQ(path.parent_path(), m_root);
    EXPECT_EQ(CTrackFolder::OwnerOf(path.filename().string()), ::getpid());
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    const int nFd = pFolder->CreateFile("track.cdg");
    ASSERT_GE(nFd, 0);
    ASSERT_EQ(::write(nFd, "abc", 3), 3);
    ::close(nFd);
    EXPECT_LT(pFolder->CreateFile("track.cdg"), 0) << "never an existing file";
    EXPECT_LT(pFolder->CreateFile("../escape"), 0);
    EXPECT_LT(pFolder->CreateFile(".."), 0);
    EXPECT_EQ(pFolder->FilePath("track.cdg"), (path / "track.cdg").string());

    pFolder.reset();
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(fs::is_empty(m_root));

    EXPECT_FALSE(CTrackFolder::Create(strError, (m_root / "missing").string()));
    EXPECT_NE(strError.find("missing"), std::string::npos)
        << "an unusable root is named: " << strError;
}

TEST_F(TrackFolderTest, RuntimeFolderIsTheDefaultRootWhenUsable) {
    const char* pszOld = std::getenv("XDG_RUNTIME_DIR");
    const std::string strOld = pszOld ? pszOld : "";
    setenv("XDG_RUNTIME_DIR", m_root.c_str(), 1);
    EXPECT_EQ(CTrackFolder::DefaultRoot(), m_root.string());
    setenv("XDG_RUNTIME_DIR", (m_root / "gone").c_str(), 1);
    EXPECT_EQ(CTrackFolder::DefaultRoot(), fs::temp_directory_path().string());
    setenv("XDG_RUNTIME_DIR", "relative/path", 1);
    EXPECT_EQ(CTrackFolder::DefaultRoot(), fs::temp_directory_path().string());
    if (pszOld != nullptr) {
        setenv("XDG_RUNTIME_DIR", strOld.c_str(), 1);
    } else {
        unsetenv("XDG_RUNTIME_DIR");
    }
}

TEST_F(TrackFolderTest, OwnerIsReadOnlyFromOurOwnNames) {
    EXPECT_EQ(CTrackFolder::OwnerOf("quillet-track-1234-abcDEF"), 1234);
    for (const char* pszName :
         {"quillet-track-1234", "quillet-track--abcdef", "quillet-track-12a4-abcdef",
          "quillet-track-1234-abcdefg", "quillet-track-0-abcdef", "quillet-1234-abcdef",
          "quillet-registry-1234-abcdef", "quillet-track-12345678901-abcdef"}) {
        EXPECT_EQ(CTrackFolder::OwnerOf(pszName), -1) << pszName;
    }
}

TEST_F(TrackFolderTest, LeftoversOfDeadRunsGoTheRestStays) {
    const fs::path dead = MakeFolderOf(DeadPid());
    const fs::path deadToo = MakeFolderOf(DeadPid(), "xyz789");
    const fs::path mine = MakeFolderOf(::getpid());
    const fs::path parent = MakeFolderOf(::getppid());  // alive while this test runs
    const fs::path other = m_root / "quillet-track-settings";
    fs::create_directory(other);
    // A link named like a leftover is never followed nor removed.
    const fs::path target = m_root / "target";
    fs::create_directory(target);
    std::ofstream(target / "keep") << "x";
    const fs::path link = m_root / ("quillet-track-" + std::to_string(DeadPid()) + "-link00");
    fs::create_directory_symlink(target, link);

    EXPECT_EQ(CTrackFolder::RemoveLeftovers(m_root.string()), 2);
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_FALSE(fs::exists(deadToo));
    EXPECT_TRUE(fs::exists(mine / "track.cdg"));
    EXPECT_TRUE(fs::exists(parent / "track.cdg"));
    EXPECT_TRUE(fs::exists(other));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fs::exists(target / "keep"));
    EXPECT_EQ(CTrackFolder::RemoveLeftovers(m_root.string()), 0);
}

TEST_F(TrackFolderTest, AKilledOwnersFolderIsFoundAndRemoved) {
    // A child makes its folder, reports it, and is killed before it can remove it.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t nChild = ::fork();
    ASSERT_GE(nChild, 0);
    if (nChild == 0) {
        std::string strError;
        auto pFolder = CTrackFolder::Create(strError, m_root.string());
        const char cReady = pFolder ? 'y' : 'n';
        (void)::write(fds[1], &cReady, 1);
        for (;;) {
            ::pause();
        }
    }
    char cReady = 0;
    ASSERT_EQ(::read(fds[0], &cReady, 1), 1);
    ::close(fds[0]);
    ::close(fds[1]);
    ASSERT_EQ(cReady, 'y');
    EXPECT_EQ(CTrackFolder::RemoveLeftovers(m_root.string()), 0) << "its owner still runs";
    ::kill(nChild, SIGKILL);
    ::waitpid(nChild, nullptr, 0);
    ASSERT_FALSE(fs::is_empty(m_root));
    EXPECT_EQ(CTrackFolder::RemoveLeftovers(m_root.string()), 1);
    EXPECT_TRUE(fs::is_empty(m_root));
}

}  // namespace
