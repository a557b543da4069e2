// Bad inputs and cancellation: a clear message, and nothing left at the output path.
#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
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

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class ExportErrorTest : public testing::Test {
protected:
    void SetUp() override {
        m_dir = FreshFolder("cdgexport-err");
        ASSERT_TRUE(WriteTrack(m_dir / "song.cdg", 2.0));
        ASSERT_TRUE(WriteWav(m_dir / "song.wav", MakeNoise(2.0)));
    }
    void TearDown() override {
        if (fs::is_directory(fs::symlink_status(m_dir / "locked"))) {
            fs::permissions(m_dir / "locked", fs::perms::owner_all);
        }
        fs::remove_all(m_dir);
    }

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    ExportResult Export(const std::string& track, const std::string& out,
                        const std::atomic<bool>& bCancel = false,
                        const ProgressCallback& progress = {}) {
        ExportOptions options;
        options.strTrack = Path(track);
        options.strOutput = Path(out);
        options.nWidth = 320;
        options.nHeight = 240;
        return ExportVideo(options, bCancel, progress);
    }

    // Every file in the test folder (and in any folder below it) with what it holds.
    std::map<std::string, std::string> Files() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(m_dir)) {
            if (entry.is_regular_file()) {
                files[entry.path().string()] = ReadAll(entry.path());
            }
        }
        return files;
    }

    fs::path m_dir;
};

struct BadInput {
    const char* pszName;
    const char* pszTrack;  // in the test folder, as is the output
    const char* pszOutput;
    void (*prepare)(const fs::path& dir);  // or null
    const char* pszMessagePart;
};

const BadInput kBadInputs[] = {
    {"TrackMissing", "gone.cdg", "o.mp4", nullptr, "cannot open the track"},
    {"TrackIsAFolder", "dir.cdg", "o.mp4",
     [](const fs::path& d) { fs::create_directories(d / "dir.cdg"); }, "cannot open the track"},
    {"OutputFolderMissing", "song.cdg", "nowhere/o.mp4", nullptr, "does not exist"},
    {"OutputFolderIsAFile", "song.cdg", "song.wav/o.mp4", nullptr, "is not a folder"},
    {"OutputFolderNotWritable", "song.cdg", "locked/o.mp4",
     [](const fs::path& d) {
         // The superuser writes anywhere a mode allows nothing; sysfs refuses it too.
         if (::geteuid() == 0) {
             fs::create_directory_symlink("/sys", d / "locked");
         } else {
             fs::create_directories(d / "locked");
             fs::permissions(d / "locked", fs::perms::owner_read | fs::perms::owner_exec);
         }
     },
     "cannot write in the output folder"},
    {"OutputIsAFolder", "song.cdg", "clip.mp4",
     [](const fs::path& d) { fs::create_directories(d / "clip.mp4"); }, "is a folder"},
    {"UnknownExtension", "song.cdg", "o.avi", nullptr, "unknown output format"},
    // Any name is read as a packet file, so a track may carry a video's name; it survives.
    {"OutputWouldReplaceTheTrack", "t.mkv", "t.mkv",
     [](const fs::path& d) { fs::copy_file(d / "song.cdg", d / "t.mkv"); },
     "would replace the track"},
    {"AudioNotDecodable", "song.cdg", "o.mp4",
     [](const fs::path& d) {
         fs::remove(d / "song.wav");
         std::ofstream(d / "song.mp3") << "this is not an MP3 file at all";
     },
     "cannot open the audio"},
    {"ZipWithoutATrack", "broken.zip", "o.mp4",
     [](const fs::path& d) { std::ofstream(d / "broken.zip") << "PK but not really a zip"; },
     "cannot open the track"},
    {"NothingToExport", "empty.cdg", "o.webm",
     [](const fs::path& d) { std::ofstream(d / "empty.cdg").flush(); }, "nothing to export"},
};

class BadInputTest : public ExportErrorTest, public testing::WithParamInterface<BadInput> {};

TEST_P(BadInputTest, FailsWithAClearMessageAndTouchesNoFile) {
    const BadInput& c = GetParam();
    if (c.prepare != nullptr) {
        c.prepare(m_dir);
    }
    const auto before = Files();
    const ExportResult result = Export(c.pszTrack, c.pszOutput);
    EXPECT_EQ(result.status, EExportStatus::Failed);
    EXPECT_NE(result.strError.find(c.pszMessagePart), std::string::npos) << result.strError;
    EXPECT_TRUE(Files() == before) << "a file was left behind or changed";
}

INSTANTIATE_TEST_SUITE_P(Cases, BadInputTest, testing::ValuesIn(kBadInputs),
                         [](const testing::TestParamInfo<BadInput>& info) {
                             return std::string(info.param.pszName);
                         });

TEST_F(ExportErrorTest, AnOldVideoIsReplacedOnlyBySuccess) {
    std::ofstream(m_dir / "old.mp4") << "previous export";
    fs::remove(m_dir / "song.wav");
    std::ofstream(m_dir / "song.mp3") << "not audio";
    EXPECT_EQ(Export("song.cdg", "old.mp4").status, EExportStatus::Failed);
    EXPECT_EQ(ReadAll(m_dir / "old.mp4"), "previous export");
    fs::remove(m_dir / "song.mp3");
    ASSERT_EQ(Export("song.cdg", "old.mp4").status, EExportStatus::Done);
    EXPECT_GT(fs::file_size(m_dir / "old.mp4"), 1000u);
    // A finished video gets a new file's usual permissions, not the temporary file's.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const auto perms = static_cast<mode_t>(fs::status(m_dir / "old.mp4").permissions());
    EXPECT_EQ(perms & 0777, 0666 & ~mask);
}

TEST_F(ExportErrorTest, CancellingBeforeOrMidwayLeavesNoFile) {
    for (const bool bMidway : {false, true}) {
        SCOPED_TRACE(bMidway ? "midway" : "before the start");
        const auto before = Files();
        std::atomic<bool> bCancel{!bMidway};
        int nReports = 0;
        const ExportResult result = Export("song.cdg", bMidway ? "song.mp4" : "song.webm", bCancel,
                                           [&](const ExportProgress& p) {
                                               ++nReports;
                                               bCancel = bCancel || p.dDoneSeconds > 0.5;
                                           });
        EXPECT_EQ(result.status, EExportStatus::Cancelled);
        if (bMidway) {
            EXPECT_GT(nReports, 0);
        }
        EXPECT_TRUE(result.strError.empty());
        EXPECT_TRUE(Files() == before);
    }
}

}  // namespace
