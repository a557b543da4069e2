// Bad inputs and cancellation: a clear message, and nothing left at the output path.
#include <atomic>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/tools/cdgexport/TestMedia.h"
#include "tools/cdgexport/VideoExporter.h"

namespace fs = std::filesystem;
using namespace cdgexport;
using namespace cdgexport::test;

namespace {

class ExportErrorTest : public testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("cdgexport-err-" + std::to_string(::getpid()) + "-" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        ASSERT_TRUE(WriteTrack(m_dir / "song.cdg", 2.0));
        ASSERT_TRUE(WriteWav(m_dir / "song.wav", MakeNoise(2.0)));
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(m_dir / "locked", fs::perms::owner_all, ec);
        fs::remove_all(m_dir);
    }

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    ExportResult Export(const std::string& track, const std::string& out,
                        const std::atomic<bool>& bCancel, const ProgressCallback& progress = {}) {
        ExportOptions options;
        options.strTrack = track;
        options.strOutput = out;
        options.nWidth = 320;
        options.nHeight = 240;
        return ExportVideo(options, bCancel, progress);
    }
    ExportResult Export(const std::string& track, const std::string& out) {
        const std::atomic<bool> bCancel{false};
        return Export(track, out, bCancel);
    }

    // The files in the test folder (and in any folder below it).
    std::set<std::string> Files() const {
        std::set<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(m_dir)) {
            if (entry.is_regular_file()) {
                files.insert(entry.path().string());
            }
        }
        return files;
    }

    static std::string ReadAll(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path m_dir;
};

struct BadInput {
    const char* pszName;
    // Builds the case in the folder; returns {track, output}.
    std::pair<std::string, std::string> (*make)(const fs::path& dir);
    const char* pszMessagePart;
};

const BadInput kBadInputs[] = {
    {"TrackMissing",
     [](const fs::path& d) {
         return std::pair{(d / "gone.cdg").string(), (d / "o.mp4").string()};
     },
     "cannot open the track"},
    {"TrackIsAFolder",
     [](const fs::path& d) {
         fs::create_directories(d / "dir.cdg");
         return std::pair{(d / "dir.cdg").string(), (d / "o.mp4").string()};
     },
     "cannot open the track"},
    {"OutputFolderMissing",
     [](const fs::path& d) {
         return std::pair{(d / "song.cdg").string(), (d / "nowhere" / "o.mp4").string()};
     },
     "does not exist"},
    {"OutputFolderIsAFile",
     [](const fs::path& d) {
         return std::pair{(d / "song.cdg").string(), (d / "song.wav" / "o.mp4").string()};
     },
     "is not a folder"},
    {"OutputFolderNotWritable",
     [](const fs::path& d) {
         // The superuser writes anywhere a mode allows nothing; sysfs refuses it too.
         fs::path folder = "/sys";
         if (::geteuid() != 0) {
             folder = d / "locked";
             fs::create_directories(folder);
             fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
         }
         return std::pair{(d / "song.cdg").string(), (folder / "o.mp4").string()};
     },
     "cannot write in the output folder"},
    {"OutputIsAFolder",
     [](const fs::path& d) {
         fs::create_directories(d / "clip.mp4");
         return std::pair{(d / "song.cdg").string(), (d / "clip.mp4").string()};
     },
     "is a folder"},
    {"UnknownExtension",
     [](const fs::path& d) {
         return std::pair{(d / "song.cdg").string(), (d / "o.avi").string()};
     },
     "unknown output format"},
    {"OutputWouldReplaceTheTrack",
     [](const fs::path& d) {
         // Any name is read as a packet file, so a track may carry a video's name.
         fs::copy_file(d / "song.cdg", d / "t.mkv");
         return std::pair{(d / "t.mkv").string(), (d / "t.mkv").string()};
     },
     "would replace the track"},
    {"AudioNotDecodable",
     [](const fs::path& d) {
         fs::remove(d / "song.wav");
         std::ofstream(d / "song.mp3") << "this is not an MP3 file at all";
         return std::pair{(d / "song.cdg").string(), (d / "o.mp4").string()};
     },
     "cannot open the audio"},
    {"ZipWithoutATrack",
     [](const fs::path& d) {
         std::ofstream(d / "broken.zip") << "PK but not really a zip";
         return std::pair{(d / "broken.zip").string(), (d / "o.mp4").string()};
     },
     "cannot open the track"},
    {"NothingToExport",
     [](const fs::path& d) {
         std::ofstream(d / "empty.cdg").flush();
         return std::pair{(d / "empty.cdg").string(), (d / "o.webm").string()};
     },
     "nothing to export"},
};

class BadInputTest : public ExportErrorTest, public testing::WithParamInterface<BadInput> {};

TEST_P(BadInputTest, FailsWithAClearMessageAndWritesNothing) {
    const auto [track, out] = GetParam().make(m_dir);
    const std::set<std::string> before = Files();
    const ExportResult result = Export(track, out);
    EXPECT_EQ(result.status, EExportStatus::Failed);
    EXPECT_NE(result.strError.find(GetParam().pszMessagePart), std::string::npos)
        << result.strError;
    EXPECT_EQ(Files(), before) << "something was left behind";
}

INSTANTIATE_TEST_SUITE_P(Cases, BadInputTest, testing::ValuesIn(kBadInputs),
                         [](const testing::TestParamInfo<BadInput>& info) {
                             return std::string(info.param.pszName);
                         });

TEST_F(ExportErrorTest, TheTrackSurvivesAnAttemptToOverwriteIt) {
    fs::copy_file(m_dir / "song.cdg", m_dir / "t.mkv");
    const std::string before = ReadAll(m_dir / "t.mkv");
    EXPECT_EQ(Export(Path("t.mkv"), Path("t.mkv")).status, EExportStatus::Failed);
    EXPECT_EQ(ReadAll(m_dir / "t.mkv"), before);
}

TEST_F(ExportErrorTest, AnOldVideoIsReplacedOnlyBySuccess) {
    std::ofstream(m_dir / "old.mp4") << "previous export";
    fs::remove(m_dir / "song.wav");
    std::ofstream(m_dir / "song.mp3") << "not audio";
    EXPECT_EQ(Export(Path("song.cdg"), Path("old.mp4")).status, EExportStatus::Failed);
    EXPECT_EQ(ReadAll(m_dir / "old.mp4"), "previous export");
    fs::remove(m_dir / "song.mp3");
    ASSERT_EQ(Export(Path("song.cdg"), Path("old.mp4")).status, EExportStatus::Done);
    EXPECT_GT(fs::file_size(m_dir / "old.mp4"), 1000u);
    // A finished video gets a new file's usual permissions, not the temporary file's.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const auto perms = static_cast<mode_t>(fs::status(m_dir / "old.mp4").permissions());
    EXPECT_EQ(perms & 0777, 0666 & ~mask);
}

TEST_F(ExportErrorTest, CancellingMidwayLeavesNoFile) {
    const std::set<std::string> before = Files();
    std::atomic<bool> bCancel{false};
    int nReports = 0;
    const ExportResult result =
        Export(Path("song.cdg"), Path("song.mp4"), bCancel, [&](const ExportProgress& p) {
            ++nReports;
            if (p.dDoneSeconds > 0.5) {
                bCancel = true;
            }
        });
    EXPECT_EQ(result.status, EExportStatus::Cancelled);
    EXPECT_GT(nReports, 0);
    EXPECT_TRUE(result.strError.empty());
    EXPECT_EQ(Files(), before);
}

TEST_F(ExportErrorTest, CancelledBeforeItStartsLeavesNoFile) {
    const std::set<std::string> before = Files();
    const std::atomic<bool> bCancel{true};
    const ExportResult result = Export(Path("song.cdg"), Path("song.webm"), bCancel);
    EXPECT_EQ(result.status, EExportStatus::Cancelled);
    EXPECT_EQ(Files(), before);
}

}  // namespace
