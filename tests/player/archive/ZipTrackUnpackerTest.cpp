// Unpacking track archives: good layouts, and every bad archive refused with its reason,
// nothing written outside the track folder.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "player/archive/TrackFolder.h"
#include "player/archive/UnpackedZipTrack.h"
#include "player/archive/ZipTrackUnpacker.h"
#include "tests/player/archive/ZipBuilder.h"

namespace fs = std::filesystem;
using namespace ziptest;

namespace {

fs::path MakeWorkFolder() {
    std::string strTemplate = (fs::temp_directory_path() / "unpack-test-XXXXXX").string();
    return ::mkdtemp(strTemplate.data());
}

class UnpackerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_strRoot = (m_work / "root").string();
        m_strZips = (m_work / "zips").string();
        fs::create_directories(m_strRoot);
        fs::create_directories(m_strZips);
    }
    void TearDown() override {
        m_pFolder.reset();
        fs::remove_all(m_work);
    }
    std::string Zip(const char* pszName) const { return m_strZips + "/" + pszName; }
    // Unpacks with the given limit into a fresh folder; nothing may appear anywhere but in
    // that folder.
    bool Unpack(const std::string& strZip, UnpackedTrack& track, ArchiveProblem& problem,
                uint64_t nLimit = CZipTrackUnpacker::kMaxEntrySize) {
        m_pFolder.reset();
        std::string strError;
        m_pFolder = CTrackFolder::Create(strError, m_strRoot);
        EXPECT_TRUE(m_pFolder) << strError;
        const std::vector<std::string> zipsBefore = ListFiles(m_strZips);
        const bool bOk = CZipTrackUnpacker(nLimit).Unpack(strZip, *m_pFolder, track, problem);
        EXPECT_EQ(ListFiles(m_strZips), zipsBefore) << "the archive's folder is untouched";
        for (const std::string& strFile : ListFiles(m_strRoot)) {
            EXPECT_EQ(strFile.rfind(fs::path(m_pFolder->GetPath()).filename().string(), 0), 0u)
                << strFile << " lies outside the track folder";
        }
        return bOk;
    }
    std::vector<std::string> FolderFiles() const { return ListFiles(m_pFolder->GetPath()); }

    fs::path m_work = MakeWorkFolder();
    std::string m_strRoot;
    std::string m_strZips;
    std::unique_ptr<CTrackFolder> m_pFolder;
};

struct GoodCase {
    const char* pszName;
    std::vector<ZipEntry> entries;
    const char* pszTrackEntry;
    const char* pszAudioEntry;  // empty: no audio
    const char* pszAudioFile;
};

const std::vector<uint8_t> kCdg = Pattern(24 * 300, 3);
const std::vector<uint8_t> kMp3 = Pattern(20000, 9);

class GoodArchiveTest : public UnpackerTest, public ::testing::WithParamInterface<GoodCase> {};

TEST_P(GoodArchiveTest, TrackAndAudioUnpackUnderFixedNames) {
    const GoodCase& c = GetParam();
    const std::string strZip = Zip("song.zip");
    ASSERT_TRUE(WriteZip(strZip, c.entries));
    UnpackedTrack track;
    ArchiveProblem problem;
    ASSERT_TRUE(Unpack(strZip, track, problem)) << problem.strReason;
    EXPECT_EQ(problem.kind, EArchiveProblem::None);
    EXPECT_EQ(track.strTrackEntry, c.pszTrackEntry);
    EXPECT_EQ(track.strTrack, m_pFolder->FilePath("track.cdg"));
    EXPECT_EQ(ReadBytes(track.strTrack), kCdg);
    std::vector<std::string> expected{"track.cdg"};
    if (*c.pszAudioEntry != '\0') {
        EXPECT_EQ(track.strAudioEntry, c.pszAudioEntry);
        EXPECT_EQ(track.strAudio, m_pFolder->FilePath(c.pszAudioFile));
        EXPECT_EQ(ReadBytes(track.strAudio), kMp3);
        expected.emplace_back(c.pszAudioFile);
    } else {
        EXPECT_TRUE(track.strAudio.empty());
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderFiles(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, GoodArchiveTest,
    ::testing::Values(
        GoodCase{"SameTitle",
                 {{"Artist - Song.cdg", kCdg}, {"Artist - Song.mp3", kMp3}},
                 "Artist - Song.cdg",
                 "Artist - Song.mp3",
                 "track.mp3"},
        GoodCase{"TitlesDiffer",
                 {{"01.cdg", kCdg}, {"Artist - Song.ogg", kMp3}},
                 "01.cdg",
                 "Artist - Song.ogg",
                 "track.ogg"},
        GoodCase{"UpperCase",
                 {{"SONG.CDG", kCdg}, {"SONG.FLAC", kMp3}},
                 "SONG.CDG",
                 "SONG.FLAC",
                 "track.flac"},
        GoodCase{"Nested",
                 {{"Karaoke/", {}},
                  {"Karaoke/Disc 1/Song.cdg", kCdg},
                  {"Karaoke/Disc 1/Song.M4A", kMp3},
                  {"Karaoke/readme.txt", Pattern(10, 1)}},
                 "Karaoke/Disc 1/Song.cdg",
                 "Karaoke/Disc 1/Song.M4A",
                 "track.m4a"},
        GoodCase{"Stored",
                 {{"a.cdg", kCdg, true}, {"a.wav", kMp3, true}},
                 "a.cdg",
                 "a.wav",
                 "track.wav"},
        GoodCase{"NoAudio", {{"a.cdg", kCdg}, {"cover.jpg", Pattern(100, 2)}}, "a.cdg", "", ""},
        GoodCase{
            "EncryptedExtraIgnored",
            {{"a.cdg", kCdg}, {"a.wma", kMp3}, {"liner notes.txt", Pattern(50, 4), false, true}},
            "a.cdg",
            "a.wma",
            "track.wma"}),
    [](const auto& info) { return std::string(info.param.pszName); });

struct BadCase {
    const char* pszName;
    // Makes the bad archive at the path given.
    std::function<bool(const std::string&)> make;
    EArchiveProblem kind;
    const char* pszEntry;  // the entry the problem names, when it names one
    uint64_t nLimit = CZipTrackUnpacker::kMaxEntrySize;
};

const std::vector<ZipEntry> kGoodPair = {{"Song.cdg", kCdg}, {"Song.mp3", kMp3}};

bool Truncated(const std::string& strPath, double dKeep) {
    if (!WriteZip(strPath, kGoodPair)) {
        return false;
    }
    std::vector<uint8_t> bytes = ReadBytes(strPath);
    bytes.resize(static_cast<size_t>(static_cast<double>(bytes.size()) * dKeep));
    return WriteBytes(strPath, bytes);
}

// Flips bytes inside the stored audio's data, so its checksum no longer matches.
bool Corrupted(const std::string& strPath) {
    if (!WriteZip(strPath, {{"Song.cdg", kCdg, true}, {"Song.mp3", kMp3, true}})) {
        return false;
    }
    std::vector<uint8_t> bytes = ReadBytes(strPath);
    const size_t nAudio = kCdg.size() + 200;  // past the track's data, inside the audio's
    for (size_t i = 0; i < 16; ++i) {
        bytes[nAudio + 100 + i] ^= 0xFF;
    }
    return WriteBytes(strPath, bytes);
}

class BadArchiveTest : public UnpackerTest, public ::testing::WithParamInterface<BadCase> {};

TEST_P(BadArchiveTest, IsRefusedWithItsReason) {
    const BadCase& c = GetParam();
    const std::string strZip = Zip("bad.zip");
    ASSERT_TRUE(c.make(strZip));
    UnpackedTrack track;
    ArchiveProblem problem;
    EXPECT_FALSE(Unpack(strZip, track, problem, c.nLimit));
    EXPECT_EQ(problem.kind, c.kind) << problem.strReason;
    EXPECT_EQ(problem.strEntry, c.pszEntry);
    EXPECT_TRUE(track.strTrack.empty());
    EXPECT_TRUE(track.strAudio.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Archives, BadArchiveTest,
    ::testing::Values(
        BadCase{"NoTrack",
                [](const std::string& p) {
                    return WriteZip(p, {{"Song.mp3", kMp3}, {"Song.txt", Pattern(9, 1)}});
                },
                EArchiveProblem::NoTrack, ""},
        BadCase{"EmptyFile", [](const std::string& p) { return WriteBytes(p, {}); },
                EArchiveProblem::NotAZip, ""},
        BadCase{"NotAZip", [](const std::string& p) { return WriteBytes(p, Pattern(5000, 7)); },
                EArchiveProblem::NotAZip, ""},
        BadCase{"Missing", [](const std::string&) { return true; }, EArchiveProblem::CannotRead,
                ""},
        BadCase{"TruncatedHalf", [](const std::string& p) { return Truncated(p, 0.5); },
                EArchiveProblem::Damaged, ""},
        BadCase{"TruncatedEnd", [](const std::string& p) { return Truncated(p, 0.995); },
                EArchiveProblem::Damaged, ""},
        BadCase{"CorruptData", Corrupted, EArchiveProblem::Damaged, "Song.mp3"},
        BadCase{"EncryptedTrack",
                [](const std::string& p) {
                    return WriteZip(p, {{"Song.cdg", kCdg, false, true}, {"Song.mp3", kMp3}});
                },
                EArchiveProblem::Encrypted, "Song.cdg"},
        BadCase{"EncryptedAudio",
                [](const std::string& p) {
                    return WriteZip(p, {{"Song.cdg", kCdg}, {"Song.mp3", kMp3, false, true}});
                },
                EArchiveProblem::Encrypted, "Song.mp3"},
        BadCase{"ClimbingName",
                [](const std::string& p) {
                    return WriteZip(p, {{"Song.cdg", kCdg}, {"../../evil.mp3", kMp3}});
                },
                EArchiveProblem::UnsafeName, "../../evil.mp3"},
        BadCase{"AbsoluteName",
                [](const std::string& p) {
                    return WriteZip(p, {{"/tmp/Song.cdg", kCdg}, {"Song.mp3", kMp3}});
                },
                EArchiveProblem::UnsafeName, "/tmp/Song.cdg"},
        BadCase{"ClaimsTooMuch",
                [](const std::string& p) {
                    return WriteZip(p, kGoodPair) && PatchDeclaredSize(p, "Song.mp3", (600u << 20));
                },
                EArchiveProblem::TooLarge, "Song.mp3"},
        BadCase{"UnpacksBeyondItsClaim",
                [](const std::string& p) {
                    return WriteZip(p, {{"Song.cdg", kCdg},
                                        {"Song.mp3", std::vector<uint8_t>(4 << 20, 0)}}) &&
                           PatchDeclaredSize(p, "Song.mp3", 1000);
                },
                EArchiveProblem::TooLarge, "Song.mp3"},
        BadCase{"HonestButOverTheLimit",
                [](const std::string& p) { return WriteZip(p, kGoodPair); },
                EArchiveProblem::TooLarge, "Song.mp3", 10000},
        BadCase{"TenThousandEntries",
                [](const std::string& p) { return WriteManyEntries(p, 10000); },
                EArchiveProblem::TooManyEntries, ""}),
    [](const auto& info) { return std::string(info.param.pszName); });

TEST_F(UnpackerTest, SizeProblemsCarryTheClaimAndTheLimit) {
    const std::string strZip = Zip("bomb.zip");
    ASSERT_TRUE(WriteZip(strZip, kGoodPair));
    ASSERT_TRUE(PatchDeclaredSize(strZip, "Song.mp3", 600u << 20));
    UnpackedTrack track;
    ArchiveProblem problem;
    ASSERT_FALSE(Unpack(strZip, track, problem));
    EXPECT_EQ(problem.nValue, uint64_t{600} << 20);
    EXPECT_EQ(problem.nLimit, uint64_t{512} << 20);
    EXPECT_EQ(problem.strReason, "claimed");

    ASSERT_TRUE(WriteManyEntries(strZip, CZipTrackUnpacker::kMaxEntries + 1));
    ASSERT_FALSE(Unpack(strZip, track, problem));
    EXPECT_EQ(problem.kind, EArchiveProblem::TooManyEntries);
    EXPECT_EQ(problem.nValue, CZipTrackUnpacker::kMaxEntries + 1);
    ASSERT_TRUE(WriteManyEntries(strZip, CZipTrackUnpacker::kMaxEntries));
    EXPECT_TRUE(Unpack(strZip, track, problem)) << "the limit itself is allowed";
}

TEST_F(UnpackerTest, AnEntryExactlyAtTheLimitUnpacks) {
    const std::string strZip = Zip("edge.zip");
    ASSERT_TRUE(WriteZip(strZip, kGoodPair));
    UnpackedTrack track;
    ArchiveProblem problem;
    EXPECT_TRUE(Unpack(strZip, track, problem, kMp3.size())) << problem.strReason;
    EXPECT_FALSE(Unpack(strZip, track, problem, kMp3.size() - 1));
}

TEST(ZipPath, OnlyTheZipExtensionInAnyCase) {
    for (const char* pszPath : {"a.zip", "/x/Artist - Song.ZIP", "b.Zip", ".zip"}) {
        EXPECT_TRUE(CZipTrackUnpacker::IsZipPath(pszPath)) << pszPath;
    }
    for (const char* pszPath : {"a.cdg", "zip", "a.zipx", "a_zip", "/x.zip/a.cdg", ""}) {
        EXPECT_FALSE(CZipTrackUnpacker::IsZipPath(pszPath)) << pszPath;
    }
}

class UnpackedZipTrackTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("XDG_RUNTIME_DIR", m_root.c_str(), 1); }
    void TearDown() override {
        unsetenv("XDG_RUNTIME_DIR");
        fs::remove_all(m_root);
    }
    fs::path m_root = MakeWorkFolder();
};

TEST_F(UnpackedZipTrackTest, EachTrackGetsAFreshPrivateFolderAndTheOldOneGoes) {
    const std::string strGood = (m_root / "good.zip").string();
    const std::string strBad = (m_root / "bad.zip").string();
    ASSERT_TRUE(WriteZip(strGood, kGoodPair));
    ASSERT_TRUE(WriteZip(strBad, {{"Song.mp3", kMp3}}));
    CUnpackedZipTrack held;
    ArchiveProblem problem;
    ASSERT_TRUE(held.Open(strGood, problem));
    const std::string strFirst = held.GetFolder();
    EXPECT_EQ(fs::path(strFirst).parent_path(), m_root);
    struct stat st {};
    ASSERT_EQ(::stat(strFirst.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(CTrackFolder::OwnerOf(fs::path(strFirst).filename().string()), ::getpid());

    ASSERT_TRUE(held.Open(strGood, problem));
    EXPECT_NE(held.GetFolder(), strFirst);
    EXPECT_FALSE(fs::exists(strFirst)) << "the last track's copy goes when another opens";
    const std::string strSecond = held.GetFolder();

    EXPECT_FALSE(held.Open(strBad, problem));
    EXPECT_EQ(problem.kind, EArchiveProblem::NoTrack);
    EXPECT_FALSE(held.IsOpen());
    EXPECT_FALSE(fs::exists(strSecond));
    EXPECT_EQ(ListFiles(m_root.string()), (std::vector<std::string>{"bad.zip", "good.zip"}))
        << "a failed attempt leaves no folder";

    ASSERT_TRUE(held.Open(strGood, problem));
    const std::string strThird = held.GetFolder();
    held.Close();
    EXPECT_FALSE(fs::exists(strThird));
    EXPECT_TRUE(held.GetTrack().strTrack.empty());
}

}  // namespace
