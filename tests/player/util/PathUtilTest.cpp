// Tests of the path helpers: splitting, joining, candidates, quotes, existence, program folder.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "player/util/PathUtil.h"

namespace {

using Parts = std::vector<std::string>;

Parts Split(const std::string& path) {
    Parts parts{"stale", "x", "y", "z", "surplus", "surplus"};
    SplitPath(path, parts);
    return parts;
}

TEST(SplitPathTest, SplitsBothPathFormsIntoFourParts) {
    const std::string folder = "/" + std::string(400, 'f') + "/", title(300, 't');
    struct Row {
        std::string path;
        Parts expected;
    };
    const Row rows[] = {
        {folder + title + ".cdg", {"", folder, title, ".cdg"}},  // long components stay whole
        {"C:\\songs\\a.b.cdg", {"C:", "\\songs\\", "a.b", ".cdg"}},
        {"/home/ann/karaoke/song.cdg", {"", "/home/ann/karaoke/", "song", ".cdg"}},
        {"/music.d/track", {"", "/music.d/", "track", ""}},
        {"song", {"", "", "song", ""}},
        {"d:/mixed\\sep/x.bin", {"d:", "/mixed\\sep/", "x", ".bin"}},
        {"/songs/.cdg", {"", "/songs/", "", ".cdg"}},
        {"/Lieder/Grüße.cdg", {"", "/Lieder/", "Grüße", ".cdg"}},
        {"", {"", "", "", ""}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Split(row.path), row.expected) << row.path;
    }
}

TEST(JoinPathTest, AddsOneSeparatorOnlyWhereNeeded) {
    EXPECT_EQ(JoinPath("", "b.cdg"), "b.cdg");
    EXPECT_EQ(JoinPath("/songs", ""), "/songs");
    EXPECT_EQ(JoinPath("C:", "\\songs\\"), "C:\\songs\\");
    EXPECT_EQ(JoinPath("/songs/", "a.cdg"), "/songs/a.cdg");
    EXPECT_EQ(JoinPath("/songs", "/a.cdg"), "/songs/a.cdg");
    EXPECT_EQ(JoinPath("/songs", "a.cdg"), "/songs/a.cdg");
    EXPECT_EQ(JoinPath("C:\\songs", "a.cdg"), "C:\\songs\\a.cdg");
    EXPECT_EQ(JoinPath("songs", "a.cdg"), "songs/a.cdg");
}

TEST(MakePathTest, BuildsPathsFromTheirPieces) {
    EXPECT_EQ(MakePath(nullptr, "...", "song", ".cdg"), ".../song.cdg");
    EXPECT_EQ(MakePath(nullptr, "...", "song", "cdg"), ".../song.cdg");
    EXPECT_EQ(MakePath("C:", "\\songs", "song", "wav"), "C:\\songs\\song.wav");
    EXPECT_EQ(MakePath("C:", nullptr, "song", "wav"), "C:\\song.wav");
    EXPECT_EQ(MakePath(nullptr, "/songs/", "song", ""), "/songs/song");
    EXPECT_EQ(MakePath(nullptr, nullptr, "song.", "mp3"), "song.mp3");
    EXPECT_EQ(MakePath(nullptr, nullptr, nullptr, nullptr), "");
    EXPECT_EQ(MakePath(nullptr, nullptr, nullptr, "wav"), ".wav");
}

TEST(MakePathTest, AudioCandidatesSitBesideTheTrack) {
    const std::pair<const char*, const char*> cases[] = {
        {"/home/ann/Karaoke Night/01 Song.cdg", "/home/ann/Karaoke Night/01 Song.mp3"},
        {"C:\\songs\\a.b.cdg", "C:\\songs\\a.b.mp3"},
        {"relative/track.CDG", "relative/track.mp3"},
        {"/Lieder/Grüße.cdg", "/Lieder/Grüße.mp3"}};
    for (const auto& [pszTrack, pszAudio] : cases) {
        const Parts parts = Split(pszTrack);
        EXPECT_EQ(MakePath(parts[0].c_str(), parts[1].c_str(), parts[2].c_str(), "mp3"), pszAudio);
    }
}

TEST(GetPathFolderTest, WithAndWithoutTheSeparator) {
    EXPECT_EQ(GetPathFolder("C:\\a\\b.cdg", true), "C:\\a\\");
    EXPECT_EQ(GetPathFolder("C:\\a\\b.cdg", false), "C:\\a");
    EXPECT_EQ(GetPathFolder("/a/b.cdg", true), "/a/");
    EXPECT_EQ(GetPathFolder("/a/b.cdg", false), "/a");
    EXPECT_EQ(GetPathFolder("b.cdg", true), "/");
    EXPECT_EQ(GetPathFolder("b.cdg", false), "");
}

TEST(SplitFoldersTest, CutsAtSeparatorsAndSkipsEmptyNames) {
    std::vector<std::string> names{"stale"};
    EXPECT_EQ(SplitFolders("\\a\\\\b\\", names, false), 2);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(SplitFolders("a/b", names, true), 2);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(SplitFolders("a/b", names, false), 1);
    EXPECT_EQ(names, (std::vector<std::string>{"a/b"}));
    EXPECT_EQ(SplitFolders("", names, true), 0);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(SplitFolders("/home/ann/music", names, true), 3);
    EXPECT_EQ(names.back(), "music");
}

TEST(StripQuotesTest, RemovesBlanksAndOneQuoteAtEachEnd) {
    struct Row {
        const char* pszIn;
        const char* pszOut;
    };
    const Row rows[] = {
        {"  \"/home/ann/My Songs/a.cdg\"  ", "/home/ann/My Songs/a.cdg"},
        {"/home/ann/a.cdg", "/home/ann/a.cdg"},
        {"\t/a.cdg\r\n", "/a.cdg"},
        {"\"", ""},
        {"\"\"", ""},
        {"\"\"x\"\"", "\"x\""},
        {"   ", ""},
        {"", ""},
        {"\xE2\x80\x9C/songs/a.cdg\xE2\x80\x9D", "/songs/a.cdg"},
        {"\xE2\x80\x9D/songs/a.cdg\xE2\x80\x9D", "/songs/a.cdg"},
        {"\xE2\x80\x9D", ""},
        {"\"C:\\songs\\a.cdg", "C:\\songs\\a.cdg"},
        {" \" /a.cdg \" ", " /a.cdg "},
        // U+0154 is C5 94: its second byte must not be taken for a quote.
        {"/songs/\xC5\x94", "/songs/\xC5\x94"},
        {"\"/songs/\xC5\x94\"", "/songs/\xC5\x94"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(StripQuotes(row.pszIn), row.pszOut) << row.pszIn;
    }
}

TEST(FileExistsTest, TellsExistingFromMissingFiles) {
    char name[] = "/tmp/quillet-exists-XXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    close(fd);
    EXPECT_TRUE(FileExists(name));
    EXPECT_TRUE(FileExists("/tmp"));
    std::remove(name);
    EXPECT_FALSE(FileExists(name));
    EXPECT_FALSE(FileExists(""));
}

TEST(GetModuleFolderTest, IsTheFolderOfThisProgram) {
    const std::string folder = GetModuleFolder();
    EXPECT_EQ(folder, std::string(QUILLET_TEST_BINARY_DIR) + "/");
    EXPECT_TRUE(FileExists(JoinPath(folder, "playerutil_path_tests")));
}

}  // namespace
