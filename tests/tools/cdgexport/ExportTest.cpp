// Exports of generated tracks, read back through GStreamer: what the files hold, every
// picture against the renderer, and the audio against its source.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/player/archive/ZipBuilder.h"
#include "tests/tools/cdgexport/DecodedVideo.h"
#include "tests/tools/cdgexport/TestMedia.h"
#include "tools/cdgexport/VideoExporter.h"

namespace fs = std::filesystem;
using namespace cdgexport;
using namespace cdgexport::test;

namespace {

constexpr double kTrackSeconds = 9.0;  // the first line is drawn at 1 s, sung 2-7.5 s
constexpr int kFps = 30;
// Mean error per colour channel (0-255) of a decoded picture against the renderer's
// frame: what H.264 at CRF 18 and VP9 at cq 24 leave of flat CD+G colours, with margin.
constexpr double kMeanErrorBound = 3.0;
// Times picked where the picture is busy: a drawn line, and a line half highlighted.
constexpr double kCheckpoints[] = {1.5, 5.0};
constexpr double kNs = 1e9;

struct Container {
    const char* pszExtension;
    const char* pszContainerCaps;
    const char* pszVideoCaps;
    const char* pszAudioCaps;
    // Decoded audio beyond the source's length, after the priming: what the container
    // does not trim at the end (Matroska keeps the last AAC frame's padding).
    int64_t nMaxTailFrames;
};

const Container kContainers[] = {
    {".mp4", "video/quicktime", "video/x-h264", "audio/mpeg", 0},
    {".mkv", "video/x-matroska", "video/x-h264", "audio/mpeg", 1024},
    {".webm", "video/webm", "video/x-vp9", "audio/x-opus", 2},
};

class ExportTest : public testing::Test {
protected:
    void SetUp() override { m_dir = FreshFolder("cdgexport"); }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    ExportResult Export(const std::string& track, const std::string& out,
                        ExportOptions options = {}) {
        options.strTrack = track;
        options.strOutput = out;
        std::atomic<bool> bCancel{false};
        return ExportVideo(options, bCancel);
    }

    // A 9-second track with noise audio beside it; returns the track's path.
    std::string MakeTrackWithWav(std::vector<int16_t>& audio) {
        audio = MakeNoise(kTrackSeconds);
        EXPECT_TRUE(WriteTrack(m_dir / "song.cdg", kTrackSeconds));
        EXPECT_TRUE(WriteWav(m_dir / "song.wav", audio));
        return Path("song.cdg");
    }

    fs::path m_dir;
};

// What decoding an export found, frame by frame.
struct FrameCheck {
    int nFrames = 0;
    double dWorstError = 0;
    double dErrorSum = 0;
    int nOffGrid = 0;    // pictures not on the export's time grid
    int nBackwards = 0;  // pictures not after the one before
    uint64_t nFirstPts = 0;
    std::vector<double> checkpointErrors;
    int64_t nAudioDelay = -1;  // frames, when a source was given
};

// Pictures the player would show differently from one slot to the next, over a track.
int CountPictureChanges(const std::string& track, int nFps, double dSeconds) {
    CReference reference(track);
    std::vector<uint32_t> last;
    int nChanges = 0;
    for (int64_t k = 0; static_cast<double>(k) / nFps < dSeconds; ++k) {
        const std::vector<uint32_t>& frame = reference.FrameAtSlot(k, nFps);
        if (k == 0 || frame != last) {
            ++nChanges;
            last = frame;
        }
    }
    return nChanges;
}

// Decodes the video and holds every picture against the renderer at its time (each
// picture also goes to also). The first picture is slot 0, so its time is the export's
// offset of the pictures. Each distinct picture of the track must come once, on the time
// grid, within dBound of the renderer's; with a source, the sound must be in step.
FrameCheck CheckExport(const std::string& video, const std::string& track, DecodedAudio& audio,
                       const std::vector<int16_t>& source = {}, int nFps = kFps,
                       double dBound = kMeanErrorBound,
                       const std::function<void(const DecodedFrame&)>& also = {}) {
    FrameCheck check;
    std::vector<std::vector<uint32_t>> checkpointFrames;
    {
        CReference reference(track);
        for (double t : kCheckpoints) {
            checkpointFrames.push_back(reference.FrameAt(t));
        }
    }
    check.checkpointErrors.assign(std::size(kCheckpoints), -1);
    CReference reference(track);
    int64_t nLastSlot = -1;
    std::string error;
    const bool bDecoded = Decode(
        video,
        [&](const DecodedFrame& frame) {
            if (also) {
                also(frame);
            }
            if (check.nFrames++ == 0) {
                check.nFirstPts = frame.nPts;
            }
            const double dTime = static_cast<double>(frame.nPts - check.nFirstPts) / kNs;
            const auto nSlot = static_cast<int64_t>(std::llround(dTime * nFps));
            // Matroska keeps times in milliseconds.
            if (std::abs(dTime - static_cast<double>(nSlot) / nFps) > 0.0011) {
                ++check.nOffGrid;
            }
            if (nSlot <= nLastSlot) {
                ++check.nBackwards;
                return;
            }
            nLastSlot = nSlot;
            const double dError = MeanError(frame, reference.FrameAtSlot(nSlot, nFps));
            check.dWorstError = std::max(check.dWorstError, dError);
            check.dErrorSum += dError;
            // The picture on screen at a checkpoint is the last one that started by then.
            for (size_t i = 0; i < std::size(kCheckpoints); ++i) {
                if (dTime <= kCheckpoints[i] + 0.0005) {
                    check.checkpointErrors[i] = MeanError(frame, checkpointFrames[i]);
                }
            }
        },
        audio, kRate, error);
    EXPECT_TRUE(bDecoded) << error;
    EXPECT_EQ(check.nFrames, CountPictureChanges(track, nFps, kTrackSeconds));
    EXPECT_EQ(check.nOffGrid, 0);
    EXPECT_LE(check.dWorstError, dBound);
    if (!source.empty()) {
        check.nAudioDelay = FindDelay(source, audio.samples, kRate / 2, 3000);
        EXPECT_GE(check.nAudioDelay, 0);
        EXPECT_NEAR(static_cast<double>(check.nAudioDelay) / kRate,
                    static_cast<double>(check.nFirstPts) / kNs, 0.0015)
            << "pictures and sound drift apart";
    }
    return check;
}

// Decodes only the sound of an export.
DecodedAudio DecodeAudio(const std::string& video) {
    DecodedAudio audio;
    std::string error;
    EXPECT_TRUE(Decode(
        video, [](const DecodedFrame&) {}, audio, kRate, error))
        << error;
    return audio;
}

class ExportContainerTest : public ExportTest, public testing::WithParamInterface<Container> {};

TEST_P(ExportContainerTest, MatchesTheRendererFrameByFrameAndTheAudioSample) {
    const Container& c = GetParam();
    std::vector<int16_t> source;
    const std::string track = MakeTrackWithWav(source);
    const std::string out = Path(std::string("song") + c.pszExtension);
    const ExportResult result = Export(track, out);
    ASSERT_EQ(result.status, EExportStatus::Done) << result.strError;

    MediaInfo info;
    std::string error;
    ASSERT_TRUE(Discover(out, info, error)) << error;
    EXPECT_EQ(info.strContainer, c.pszContainerCaps);
    EXPECT_EQ(info.strVideo, c.pszVideoCaps);
    EXPECT_EQ(info.strAudio, c.pszAudioCaps);
    EXPECT_EQ(info.nVideoStreams, 1);
    EXPECT_EQ(info.nAudioStreams, 1);
    EXPECT_EQ(info.nWidth, kDefaultWidth);
    EXPECT_EQ(info.nHeight, kDefaultHeight);
    // The audio's length, plus at most the AAC priming the pictures wait for.
    EXPECT_GE(info.dDuration, kTrackSeconds - 0.002);
    EXPECT_LE(info.dDuration, kTrackSeconds + 0.05);

    DecodedAudio audio;
    const FrameCheck check = CheckExport(out, track, audio, source);
    EXPECT_EQ(check.nFrames, result.nFramesPushed);
    EXPECT_EQ(check.nBackwards, 0);
    for (size_t i = 0; i < std::size(kCheckpoints); ++i) {
        EXPECT_GE(check.checkpointErrors[i], 0) << "no picture at " << kCheckpoints[i] << " s";
        EXPECT_LE(check.checkpointErrors[i], kMeanErrorBound) << "at " << kCheckpoints[i] << " s";
    }
    // The sound: stereo and as long as the source.
    ASSERT_EQ(audio.nChannels, 2);
    const int64_t nSourceFrames = static_cast<int64_t>(source.size() / 2);
    EXPECT_GE(audio.Frames() - check.nAudioDelay, nSourceFrames - 2);
    EXPECT_LE(audio.Frames() - check.nAudioDelay, nSourceFrames + c.nMaxTailFrames);
    RecordProperty("mean_error", std::to_string(check.dErrorSum / std::max(check.nFrames, 1)));
    RecordProperty("worst_error", std::to_string(check.dWorstError));
    RecordProperty("audio_delay_frames", std::to_string(check.nAudioDelay));
}

INSTANTIATE_TEST_SUITE_P(Containers, ExportContainerTest, testing::ValuesIn(kContainers),
                         [](const testing::TestParamInfo<Container>& info) {
                             return std::string(info.param.pszExtension + 1);
                         });

TEST_F(ExportTest, BinTrackCarriesItsOwnAudio) {
    const std::vector<int16_t> source = MakeNoise(kTrackSeconds, 11);
    ASSERT_TRUE(WriteTrack(m_dir / "disc.bin", kTrackSeconds, source));
    const ExportResult result = Export(Path("disc.bin"), Path("disc.mkv"));
    ASSERT_EQ(result.status, EExportStatus::Done) << result.strError;
    // The .bin's audio is the noise written into its sectors.
    DecodedAudio audio;
    CheckExport(Path("disc.mkv"), Path("disc.bin"), audio, source);
    EXPECT_GT(Rms(audio.samples, kRate, 2 * kRate), 1000);
}

TEST_F(ExportTest, ZipTrackIsUnpackedLikeThePlayerDoes) {
    const std::vector<int16_t> source = MakeNoise(kTrackSeconds, 5);
    ASSERT_TRUE(WriteTrack(m_dir / "src.cdg", kTrackSeconds));
    ASSERT_TRUE(WriteWav(m_dir / "src.wav", source));
    ASSERT_TRUE(
        ziptest::WriteZip(Path("Artist - Song.zip"),
                          {{"Artist - Song/Song.cdg", ziptest::ReadBytes(Path("src.cdg"))},
                           {"Artist - Song/Song.wav", ziptest::ReadBytes(Path("src.wav"))}}));
    const ExportResult result = Export(Path("Artist - Song.zip"), Path("zipped.mkv"));
    ASSERT_EQ(result.status, EExportStatus::Done) << result.strError;
    DecodedAudio audio;  // the zip's own audio, in step
    CheckExport(Path("zipped.mkv"), Path("src.cdg"), audio, source);
}

TEST_F(ExportTest, SurroundAudioIsMixedToStereo) {
    constexpr double kSeconds = 2.0;
    ASSERT_TRUE(WriteTrack(m_dir / "six.cdg", kSeconds));
    // Six channels of noise: two stereo noises side by side, then a third.
    const std::vector<int16_t> a = MakeNoise(kSeconds, 1);
    const std::vector<int16_t> b = MakeNoise(kSeconds, 2);
    const std::vector<int16_t> c = MakeNoise(kSeconds, 3);
    std::vector<int16_t> six;
    for (size_t i = 0; i < a.size(); i += 2) {
        six.insert(six.end(), {a[i], a[i + 1], b[i], b[i + 1], c[i], c[i + 1]});
    }
    ASSERT_TRUE(WriteWav(m_dir / "six.wav", six, 6));
    const ExportResult result = Export(Path("six.cdg"), Path("six.mp4"));
    ASSERT_EQ(result.status, EExportStatus::Done) << result.strError;
    const DecodedAudio audio = DecodeAudio(Path("six.mp4"));
    EXPECT_EQ(audio.nChannels, 2);
    EXPECT_NEAR(static_cast<double>(audio.Frames()) / kRate, kSeconds, 0.05);
    EXPECT_GT(Rms(audio.samples, kRate / 4, kRate), 500);
}

TEST_F(ExportTest, SilentTrackLastsAsLongAsItsPackets) {
    constexpr double kSeconds = 3.5;  // 1050 packets: the picture lasts 3.5 s
    ASSERT_TRUE(WriteTrack(m_dir / "quiet.cdg", kSeconds));
    const ExportResult result = Export(Path("quiet.cdg"), Path("quiet.webm"));
    ASSERT_EQ(result.status, EExportStatus::Done) << result.strError;
    EXPECT_NEAR(result.dSeconds, kSeconds, 1e-9);
    MediaInfo info;
    std::string error;
    ASSERT_TRUE(Discover(Path("quiet.webm"), info, error)) << error;
    EXPECT_EQ(info.nAudioStreams, 1);
    EXPECT_NEAR(info.dDuration, kSeconds, 0.01);
    DecodedAudio audio;
    CheckExport(Path("quiet.webm"), Path("quiet.cdg"), audio);
    EXPECT_NEAR(static_cast<double>(audio.Frames()) / kRate, kSeconds, 0.001);
    EXPECT_LT(Rms(audio.samples, 0, audio.Frames()), 1.0);
}

struct SizeCase {
    const char* pszName;
    int nWidth;
    int nHeight;
    int nFps;
    double dErrorBound;
};

class ExportSizeTest : public ExportTest, public testing::WithParamInterface<SizeCase> {};

TEST_P(ExportSizeTest, KeepsTheFrameCrispAndBarsBlack) {
    const SizeCase& size = GetParam();
    std::vector<int16_t> source;
    const std::string track = MakeTrackWithWav(source);
    ExportOptions options;
    options.nWidth = size.nWidth;
    options.nHeight = size.nHeight;
    options.nFps = size.nFps;
    const ExportResult result = Export(track, Path("sized.mp4"), options);
    ASSERT_EQ(result.status, EExportStatus::Done) << result.strError;
    int nWorstBar = 0;
    int nWrongSize = 0;
    DecodedAudio audio;
    const FrameCheck check =
        CheckExport(Path("sized.mp4"), track, audio, {}, size.nFps, size.dErrorBound,
                    [&](const DecodedFrame& frame) {
                        nWorstBar = std::max(nWorstBar, MaxBarLevel(frame));
                        nWrongSize += frame.nWidth != size.nWidth || frame.nHeight != size.nHeight;
                    });
    EXPECT_EQ(nWrongSize, 0);
    EXPECT_LE(nWorstBar, 8) << "the bars are not black";
    RecordProperty("worst_error", std::to_string(check.dWorstError));
}

const SizeCase kSizes[] = {
    {"Wide1280x720", 1280, 720, 30, kMeanErrorBound},  // bars left and right
    {"Tall640x720", 640, 720, 30, kMeanErrorBound},    // bars above and below
    {"Odd25fps", 800, 600, 25, kMeanErrorBound},
    // Unscaled, a 4:2:0 chroma sample spans two frame pixels, so one-pixel colour
    // details lose some of their colour.
    {"Native320x240at10fps", 320, 240, 10, 2 * kMeanErrorBound},
};

INSTANTIATE_TEST_SUITE_P(Sizes, ExportSizeTest, testing::ValuesIn(kSizes),
                         [](const testing::TestParamInfo<SizeCase>& info) {
                             return std::string(info.param.pszName);
                         });

TEST_F(ExportTest, RemoveVocalsTakesOutTheCentre) {
    ASSERT_TRUE(WriteTrack(m_dir / "tone.cdg", 3.0));
    ASSERT_TRUE(WriteWav(m_dir / "tone.wav", MakeCentreTone(3.0)));
    ExportOptions options;
    options.nWidth = 320;
    options.nHeight = 240;
    ASSERT_EQ(Export(Path("tone.cdg"), Path("plain.mkv"), options).status, EExportStatus::Done);
    options.bRemoveVocals = true;
    const ExportResult removed = Export(Path("tone.cdg"), Path("karaoke.mkv"), options);
    ASSERT_EQ(removed.status, EExportStatus::Done) << removed.strError;
    const DecodedAudio plain = DecodeAudio(Path("plain.mkv"));
    const DecodedAudio karaoke = DecodeAudio(Path("karaoke.mkv"));
    const double dPlain = Rms(plain.samples, kRate / 2, 2 * kRate);
    const double dKaraoke = Rms(karaoke.samples, kRate / 2, 2 * kRate);
    EXPECT_GT(dPlain, 5000);
    EXPECT_LT(dKaraoke, dPlain / 30) << "the centred tone is still there";
    EXPECT_NEAR(static_cast<double>(karaoke.Frames()), static_cast<double>(plain.Frames()), 1);
}

TEST_F(ExportTest, KeyChangeMovesThePitchNotTheTempo) {
    constexpr double kSeconds = 3.0;
    ASSERT_TRUE(WriteTrack(m_dir / "tone.cdg", kSeconds));
    ASSERT_TRUE(WriteWav(m_dir / "tone.wav", MakeCentreTone(kSeconds, 440.0)));
    for (int nKey : {-6, 5}) {
        SCOPED_TRACE("key " + std::to_string(nKey));
        ExportOptions options;
        options.nWidth = 320;
        options.nHeight = 240;
        options.nKey = nKey;
        const std::string out = Path("key" + std::to_string(nKey) + ".webm");
        const ExportResult result = Export(Path("tone.cdg"), out, options);
        ASSERT_EQ(result.status, EExportStatus::Done) << result.strError;
        EXPECT_NEAR(result.dSeconds, kSeconds, 1e-6);
        const DecodedAudio audio = DecodeAudio(out);
        const double dWant = 440.0 * std::pow(2.0, nKey / 12.0);
        EXPECT_NEAR(ZeroCrossingFrequency(audio.samples, kRate, kRate / 2, 5 * kRate / 2), dWant,
                    dWant * 0.02);
        EXPECT_NEAR(static_cast<double>(audio.Frames()) / kRate, kSeconds, 0.002);
    }
}

}  // namespace
