// Unpacking track archives: good layouts, and every bad archive refused with its reason,
// nothing written outside the track folder.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <stdlib.h>
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

const std::vector<uint8_t> kCdg = Pattern(24 * 300, 3);
const std::vector<uint8_t> kMp3 = Pattern(20000, 9);
const std::vector<ZipEntry> kGoodPair = {{"Song.cdg", kCdg}, {"Song.mp3", kMp3}};

// The track holds kCdg and the audio kMp3; other entries come first.
struct GoodCase {
    const char* pszName;
    const char* pszTrackEntry;
    const char* pszAudioEntry;  // empty: no audio
    const char* pszAudioFile;
    std::vector<ZipEntry> others = {};
    bool bStore = false;

    std::vector<ZipEntry> Entries() const {
        std::vector<ZipEntry> entries = others;
        entries.push_back({pszTrackEntry, kCdg, bStore});
        if (*pszAudioEntry != '\0') {
            entries.push_back({pszAudioEntry, kMp3, bStore});
        }
        return entries;
    }
};

const GoodCase kGoodCases[] = {
    {"SameTitle", "Artist - Song.cdg", "Artist - Song.mp3", "track.mp3"},
    {"TitlesDiffer", "01.cdg", "Artist - Song.ogg", "track.ogg"},
    {"UpperCase", "SONG.CDG", "SONG.FLAC", "track.flac"},
    {"Nested",
     "Karaoke/Disc 1/Song.cdg",
     "Karaoke/Disc 1/Song.M4A",
     "track.m4a",
     {{"Karaoke/", {}}, {"Karaoke/readme.txt", Pattern(10, 1)}}},
    {"Stored", "a.cdg", "a.wav", "track.wav", {}, true},
    {"NoAudio", "a.cdg", "", "", {{"cover.jpg", Pattern(100, 2)}}},
    {"EncryptedExtraIgnored",
     "a.cdg",
     "a.wma",
     "track.wma",
     {{"liner notes.txt", Pattern(50, 4), false, true}}},
};

class GoodArchiveTest : public UnpackerTest, public ::testing::WithParamInterface<GoodCase> {};

TEST_P(GoodArchiveTest, TrackAndAudioUnpackUnderFixedNames) {
    const GoodCase& c = GetParam();
    const std::string strZip = Zip("song.zip");
    ASSERT_TRUE(WriteZip(strZip, c.Entries()));
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

INSTANTIATE_TEST_SUITE_P(Layouts, GoodArchiveTest, ::testing::ValuesIn(kGoodCases),
                         [](const auto& info) { return std::string(info.param.pszName); });

using MakeZip = std::function<bool(const std::string&)>;

MakeZip Zipped(std::vector<ZipEntry> entries) {
    return [entries](const std::string& p) { return WriteZip(p, entries); };
}

MakeZip Truncated(double dKeep) {
    return [dKeep](const std::string& p) {
        if (!WriteZip(p, kGoodPair)) {
            return false;
        }
        std::vector<uint8_t> bytes = ReadBytes(p);
        bytes.resize(static_cast<size_t>(static_cast<double>(bytes.size()) * dKeep));
        return WriteBytes(p, bytes);
    };
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

// A good pair whose audio entry declares another uncompressed size than it has.
MakeZip Lying(std::vector<uint8_t> audio, uint32_t nClaim) {
    return [audio, nClaim](const std::string& p) {
        return WriteZip(p, {{"Song.cdg", kCdg}, {"Song.mp3", audio}}) &&
               PatchDeclaredSize(p, "Song.mp3", nClaim);
    };
}

struct BadCase {
    const char* pszName;
    MakeZip make;  // makes the bad archive at the path given
    EArchiveProblem kind;
    const char* pszEntry;  // the entry the problem names, when it names one
};

using P = EArchiveProblem;
const BadCase kBadCases[] = {
    {"NoTrack", Zipped({{"Song.mp3", kMp3}, {"Song.txt", Pattern(9, 1)}}), P::NoTrack, ""},
    {"EmptyFile", [](const std::string& p) { return WriteBytes(p, {}); }, P::NotAZip, ""},
    {"NotAZip", [](const std::string& p) { return WriteBytes(p, Pattern(5000, 7)); }, P::NotAZip,
     ""},
    {"Missing", [](const std::string&) { return true; }, P::CannotRead, ""},
    {"TruncatedHalf", Truncated(0.5), P::Damaged, ""},
    {"TruncatedEnd", Truncated(0.995), P::Damaged, ""},
    {"CorruptData", Corrupted, P::Damaged, "Song.mp3"},
    {"EncryptedTrack", Zipped({{"Song.cdg", kCdg, false, true}, {"Song.mp3", kMp3}}), P::Encrypted,
     "Song.cdg"},
    {"EncryptedAudio", Zipped({{"Song.cdg", kCdg}, {"Song.mp3", kMp3, false, true}}), P::Encrypted,
     "Song.mp3"},
    {"ClimbingName", Zipped({{"Song.cdg", kCdg}, {"../../evil.mp3", kMp3}}), P::UnsafeName,
     "../../evil.mp3"},
    {"AbsoluteName", Zipped({{"/tmp/Song.cdg", kCdg}, {"Song.mp3", kMp3}}), P::UnsafeName,
     "/tmp/Song.cdg"},
    {"ClaimsTooMuch", Lying(kMp3, 600u << 20), P::TooLarge, "Song.mp3"},
    {"UnpacksBeyondItsClaim", Lying(std::vector<uint8_t>(4 << 20, 0), 1000), P::TooLarge,
     "Song.mp3"},
    {"TenThousandEntries", [](const std::string& p) { return WriteManyEntries(p, 10000); },
     P::TooManyEntries, ""},
};

class BadArchiveTest : public UnpackerTest, public ::testing::WithParamInterface<BadCase> {};

TEST_P(BadArchiveTest, IsRefusedWithItsReason) {
    const BadCase& c = GetParam();
    const std::string strZip = Zip("bad.zip");
    ASSERT_TRUE(c.make(strZip));
    UnpackedTrack track;
    ArchiveProblem problem;
    EXPECT_FALSE(Unpack(strZip, track, problem));
    EXPECT_EQ(problem.kind, c.kind) << problem.strReason;
    EXPECT_EQ(problem.strEntry, c.pszEntry);
    EXPECT_TRUE(track.strTrack.empty());
    EXPECT_TRUE(track.strAudio.empty());
}

INSTANTIATE_TEST_SUITE_P(Archives, BadArchiveTest, ::testing::ValuesIn(kBadCases),
                         [](const auto& info) { return std::string(info.param.pszName); });

TEST_F(UnpackerTest, SizeLimitsHoldAtTheirEdgesAndProblemsCarryClaimAndLimit) {
    const std::string strZip = Zip("bomb.zip");
    ASSERT_TRUE(WriteZip(strZip, kGoodPair));
    UnpackedTrack track;
    ArchiveProblem problem;
    EXPECT_TRUE(Unpack(strZip, track, problem, kMp3.size())) << problem.strReason;
    EXPECT_FALSE(Unpack(strZip, track, problem, kMp3.size() - 1)) << "honest but over the limit";
    EXPECT_EQ(problem.kind, EArchiveProblem::TooLarge);
    EXPECT_EQ(problem.strEntry, "Song.mp3");

    ASSERT_TRUE(PatchDeclaredSize(strZip, "Song.mp3", 600u << 20));
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
    // A track folder of this process; its privacy is checked with the folder itself.
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
