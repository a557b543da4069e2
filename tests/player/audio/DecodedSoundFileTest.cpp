// CDecodedSoundFile against files decoded in full: content, seeks, end, Close, bad input.
#include <atomic>
#include <chrono>
#include <cmath>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include "player/audio/DecodedSoundFile.h"
#include "tests/player/audio/TestMedia.h"

using namespace testmedia;
namespace fs = std::filesystem;

namespace {

constexpr int64_t kRampFrames = 3 * 44100 + 123;  // two ring's worth and an odd tail
constexpr int64_t kRingFrames = CDecodedSoundFile::kBufferSize / 4;

std::vector<int16_t> ReadAll(CDecodedSoundFile& file, int64_t chunk = 4096) {
    std::vector<int16_t> all;
    std::vector<int16_t> buf(static_cast<size_t>(chunk) * 2);
    for (;;) {
        const int64_t got = file.Read(buf.data(), chunk);
        all.insert(all.end(), buf.begin(), buf.begin() + got * 2);
        if (got < chunk) {
            break;
        }
    }
    return all;
}

// Reads n frames at the current position and checks that each carries its own index.
void ExpectRampAt(CDecodedSoundFile& file, int64_t first, int64_t n) {
    std::vector<int16_t> buf(static_cast<size_t>(n) * 2);
    ASSERT_EQ(file.Read(buf.data(), n), n) << "at " << first;
    for (int64_t i = 0; i < n; ++i) {
        ASSERT_EQ(FrameIndexOf(&buf[2 * static_cast<size_t>(i)]), first + i)
            << "frame " << i << " after a seek to " << first;
    }
    EXPECT_EQ(file.GetPosition(), first + n);
}

class DecodedSoundFileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        gst_init(nullptr, nullptr);
        s_dir = new TempDir;
        ASSERT_TRUE(WriteRamp(*s_dir / "ramp.wav", kRampFrames, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
        ASSERT_TRUE(
            WriteRamp(*s_dir / "ramp.flac", kRampFrames, SF_FORMAT_FLAC | SF_FORMAT_PCM_16));
        ASSERT_TRUE(MakeTone(*s_dir / "tone.mp3", "mp3", 2.0));
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    static std::string Path(const char* name) { return (*s_dir / name).string(); }
    static TempDir* s_dir;
};

TempDir* DecodedSoundFileTest::s_dir = nullptr;

}  // namespace

TEST_F(DecodedSoundFileTest, LosslessFilesDecodeExactlyToTheEnd) {
    const auto expected = RampFrames(kRampFrames);
    for (const char* name : {"ramp.wav", "ramp.flac"}) {
        SCOPED_TRACE(name);
        CDecodedSoundFile file;
        ASSERT_TRUE(file.Open(Path(name), 64));
        EXPECT_TRUE(file.IsOpen());
        EXPECT_EQ(file.GetFormat().nChannels, 2);
        EXPECT_EQ(file.GetFormat().nSamplesPerSec, 44100u);
        EXPECT_EQ(file.GetFormat().wBitsPerSample, 16);
        EXPECT_EQ(file.GetBlockAlign(), 4);
        EXPECT_EQ(file.GetLength(), kRampFrames);
        EXPECT_EQ(file.GetPosition(), 0);
        // Odd-sized reads cross every ring boundary; the tail after completion is kept.
        const auto all = ReadAll(file, 1001);
        ASSERT_EQ(all.size(), expected.size());
        EXPECT_TRUE(all == expected);
        std::vector<int16_t> buf(200);
        EXPECT_EQ(file.Read(buf.data(), 100), 0) << "reads stay dry at the end";
        EXPECT_EQ(file.GetPosition(), kRampFrames);
    }
}

TEST_F(DecodedSoundFileTest, SeeksInsideTheRingMoveOnlyTheCursor) {
    CDecodedSoundFile file;
    ASSERT_TRUE(file.Open(Path("ramp.wav"), 64));
    std::vector<int16_t> buf(2 * 30000);
    ASSERT_EQ(file.Read(buf.data(), 30000), 30000);
    // Backward, to the ring's first frame, forward again.
    EXPECT_EQ(file.Seek(0, 0), 0);
    ExpectRampAt(file, 0, 1000);
    EXPECT_EQ(file.Seek(12345, 0), 12345);
    ExpectRampAt(file, 12345, 40000);
    // Far ahead: a hard seek, and the stream goes on exactly from there.
    EXPECT_EQ(file.Seek(100000, 0), 100000);
    EXPECT_EQ(file.GetPosition(), 100000);
    ExpectRampAt(file, 100000, 20000);
    // Back behind the ring's start: another hard seek.
    EXPECT_EQ(file.Seek(5, 0), 5);
    ExpectRampAt(file, 5, kRingFrames + 777);
}

TEST_F(DecodedSoundFileTest, SeekToTheEndOfBufferedDataAndOnePast) {
    CDecodedSoundFile file;
    ASSERT_TRUE(file.Open(Path("ramp.flac"), 64));
    std::vector<int16_t> buf(2 * 1000);
    ASSERT_EQ(file.Read(buf.data(), 1000), 1000);
    // Let the decoder fill the ring completely, then probe its edge from both sides.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(file.Seek(kRingFrames, 0), kRingFrames);
    ExpectRampAt(file, kRingFrames, 500);
    EXPECT_EQ(file.Seek(kRingFrames + 501, 0), kRingFrames + 501);
    ExpectRampAt(file, kRingFrames + 501, 500);
}

TEST_F(DecodedSoundFileTest, RandomSeeksMatchTheFullDecode) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int64_t> frameDist(0, kRampFrames - 2000);
    for (const char* name : {"ramp.wav", "ramp.flac"}) {
        SCOPED_TRACE(name);
        CDecodedSoundFile file;
        ASSERT_TRUE(file.Open(Path(name), 64));
        for (int i = 0; i < 25; ++i) {
            const int64_t frame = frameDist(rng);
            EXPECT_EQ(file.Seek(frame, i % 3), frame);
            ExpectRampAt(file, frame, 1500);
        }
        // A seek to the very end leaves nothing to read; one back from it, one frame.
        EXPECT_EQ(file.Seek(kRampFrames, 0), kRampFrames);
        std::vector<int16_t> buf(20);
        EXPECT_EQ(file.Read(buf.data(), 10), 0);
        EXPECT_EQ(file.Seek(kRampFrames - 1, 0), kRampFrames - 1);
        ExpectRampAt(file, kRampFrames - 1, 1);
    }
}

TEST_F(DecodedSoundFileTest, CompressedFormatsDecode) {
    TempDir dir;
    ASSERT_TRUE(MakeTone(dir / "t.wma", "wma", 1.0));
    ASSERT_TRUE(MakeTone(dir / "t.ogg", "ogg", 1.0));
    ASSERT_TRUE(MakeTone(dir / "t.m4a", "m4a", 1.0));
    ASSERT_TRUE(MakeTone(dir / "t.flac", "flac", 1.0));
    for (const fs::path& path : {fs::path(Path("tone.mp3")), dir / "t.wma", dir / "t.ogg",
                                 dir / "t.m4a", dir / "t.flac"}) {
        SCOPED_TRACE(path.filename().string());
        CDecodedSoundFile file;
        ASSERT_TRUE(file.Open(path.string(), 64));
        EXPECT_EQ(file.GetFormat().nChannels, 2);
        EXPECT_EQ(file.GetFormat().nSamplesPerSec, 44100u);
        const int64_t length = file.GetLength();
        const auto all = ReadAll(file);
        const int64_t frames = static_cast<int64_t>(all.size() / 2);
        // Encoders pad to whole packets; the decoded stream may differ by a few packets.
        EXPECT_NEAR(static_cast<double>(frames), static_cast<double>(length), 4096.0);
        EXPECT_GT(frames, 44100 * 9 / 10);
        // A 440 Hz sine of real amplitude, not silence or noise.
        double energy = 0;
        int crossings = 0;
        for (int64_t i = 10000; i < 30000; ++i) {
            const double v = all[2 * static_cast<size_t>(i)];
            energy += v * v;
            crossings += (all[2 * static_cast<size_t>(i - 1)] < 0) != (v < 0);
        }
        EXPECT_GT(std::sqrt(energy / 20000), 1000.0);
        EXPECT_NEAR(crossings, 2 * 440 * 20000 / 44100, 10);
    }
}

TEST_F(DecodedSoundFileTest, Mp3SeeksLandOnTheSameAudioAsTheFullDecode) {
    CDecodedSoundFile full;
    ASSERT_TRUE(full.Open(Path("tone.mp3"), 64));
    const auto reference = ReadAll(full);
    CDecodedSoundFile file;
    ASSERT_TRUE(file.Open(Path("tone.mp3"), 64));
    for (int64_t frame : {70000LL, 3000LL, 80001LL}) {
        EXPECT_EQ(file.Seek(frame, 0), frame);
        EXPECT_EQ(file.GetPosition(), frame);
        std::vector<int16_t> buf(2 * 4000);
        ASSERT_EQ(file.Read(buf.data(), 4000), 4000);
        int maxDiff = 0;
        for (size_t i = 0; i < buf.size(); ++i) {
            maxDiff =
                std::max(maxDiff, std::abs(buf[i] - reference[2 * static_cast<size_t>(frame) + i]));
        }
        EXPECT_LE(maxDiff, 4) << "after a seek to " << frame;
    }
}

TEST_F(DecodedSoundFileTest, CloseWhileTheStreamingThreadWaitsForRoom) {
    for (int round = 0; round < 3; ++round) {
        CDecodedSoundFile file;
        ASSERT_TRUE(file.Open(Path("ramp.wav"), 64));
        std::vector<int16_t> buf(2 * 100);
        ASSERT_EQ(file.Read(buf.data(), 100), 100);
        // The ring fills within milliseconds; the streaming thread then waits for room.
        std::this_thread::sleep_for(std::chrono::milliseconds(50 * round));
        EXPECT_TRUE(file.Close());
        EXPECT_FALSE(file.IsOpen());
        EXPECT_EQ(file.Read(buf.data(), 100), 0) << "a closed source reads nothing";
        // The same object opens again and starts over.
        ASSERT_TRUE(file.Open(Path("ramp.flac"), 64));
        EXPECT_EQ(file.GetPosition(), 0);
        ExpectRampAt(file, 0, 50000);
    }  // destroyed while streaming
}

TEST_F(DecodedSoundFileTest, BadInputIsRefusedAndTheObjectStaysUsable) {
    TempDir dir;
    WriteBytes(dir / "empty.mp3", {});
    std::vector<uint8_t> noise(64 * 1024);
    std::mt19937 rng(1);
    for (auto& b : noise) {
        b = static_cast<uint8_t>(rng());
    }
    WriteBytes(dir / "noise.mp3", noise);
    {
        std::ifstream in(Path("tone.mp3"), std::ios::binary);
        std::vector<uint8_t> head(300);
        in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
        WriteBytes(dir / "truncated.mp3", head);
    }
    WriteBytes(dir / "broken.wav",
               {'R', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0x7F, 'W', 'A', 'V', 'E',
                'f', 'm', 't', ' ', 2,    0,    0,    0,    1,   0,   'd', 'a'});
    fs::create_directory(dir / "folder.mp3");
    WriteBytes(dir / "locked.mp3", noise);
    fs::permissions(dir / "locked.mp3", fs::perms::none);

    CDecodedSoundFile::SetMessageHook([](int, const std::string&) {});
    CDecodedSoundFile file;
    for (const char* name : {"empty.mp3", "noise.mp3", "truncated.mp3", "broken.wav", "folder.mp3",
                             "locked.mp3", "missing.mp3"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(file.Open((dir / name).string(), 64));
        EXPECT_FALSE(file.IsOpen());
        std::vector<int16_t> buf(20);
        EXPECT_EQ(file.Read(buf.data(), 10), 0);
        EXPECT_EQ(file.GetLength(), 0);
        ASSERT_TRUE(file.Open(Path("ramp.wav"), 64)) << "a good file opens right after";
        ExpectRampAt(file, 0, 10);
        EXPECT_EQ(file.GetLength(), kRampFrames) << "the length is that of the new file";
    }
    CDecodedSoundFile::SetMessageHook(nullptr);
}

TEST_F(DecodedSoundFileTest, UnseekableStreamShowsTheMessageAndFails) {
    TempDir dir;
    const fs::path fifo = dir / "pipe.wav";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::vector<uint8_t> wav;
    {
        std::ifstream in(Path("ramp.wav"), std::ios::binary);
        wav.assign(std::istreambuf_iterator<char>(in), {});
    }
    // A pipe can neither seek nor be measured. The writer never blocks, so it ends
    // whether or not the reader ever opens the pipe.
    std::atomic<bool> done{false};
    std::thread writer([&] {
        const int fd = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
        size_t at = 0;
        while (fd >= 0 && !done && at < wav.size()) {
            const ssize_t n = write(fd, wav.data() + at, wav.size() - at);
            if (n > 0) {
                at += static_cast<size_t>(n);
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        while (fd >= 0 && !done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (fd >= 0) {
            close(fd);
        }
    });
    static std::atomic<int> shownId{0};
    static std::string shownText;
    CDecodedSoundFile::SetMessageHook([](int id, const std::string& text) {
        shownText = text;
        shownId = id;
    });
    CDecodedSoundFile file;
    EXPECT_FALSE(file.Open(fifo.string(), 64));
    EXPECT_EQ(shownId, CDecodedSoundFile::IDS_CANNOT_SEEK);
    EXPECT_EQ(shownText, CDecodedSoundFile::LoadMessage(CDecodedSoundFile::IDS_CANNOT_SEEK));
    EXPECT_FALSE(shownText.empty());
    file.Close();
    done = true;
    writer.join();
    CDecodedSoundFile::SetMessageHook(nullptr);
}

TEST_F(DecodedSoundFileTest, FramesStayWholeWhenTheRingIsNotAMultipleOfThem) {
    // Six channels: 12 bytes a frame, which divides neither the ring nor its release step.
    constexpr int kChannels = 6;
    constexpr int64_t kFrames = 100000;
    SF_INFO info{};
    info.channels = kChannels;
    info.samplerate = 48000;
    info.format = SF_FORMAT_WAVEX | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(Path("six.wav").c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr);
    std::vector<int16_t> pcm(static_cast<size_t>(kFrames) * kChannels);
    for (int64_t i = 0; i < kFrames; ++i) {
        for (int c = 0; c < kChannels; ++c) {
            pcm[static_cast<size_t>(i * kChannels + c)] =
                static_cast<int16_t>((i * 7 + c) & 0x7FFF);
        }
    }
    ASSERT_EQ(sf_writef_short(f, pcm.data(), kFrames), kFrames);
    sf_close(f);

    CDecodedSoundFile file;
    ASSERT_TRUE(file.Open(Path("six.wav"), 64));
    ASSERT_EQ(file.GetBlockAlign(), 2 * kChannels);
    EXPECT_EQ(file.GetLength(), kFrames);
    auto expectAt = [&](int64_t first, int64_t n) {
        std::vector<int16_t> buf(static_cast<size_t>(n) * kChannels);
        ASSERT_EQ(file.Read(buf.data(), n), n);
        for (int64_t i = 0; i < n; ++i) {
            for (int c = 0; c < kChannels; ++c) {
                ASSERT_EQ(buf[static_cast<size_t>(i * kChannels + c)],
                          static_cast<int16_t>(((first + i) * 7 + c) & 0x7FFF))
                    << "frame " << first + i << " channel " << c;
            }
        }
    };
    // Stream past several releases from the ring's front, then seek back inside the ring.
    expectAt(0, 60000);
    EXPECT_EQ(file.Seek(50000, 0), 50000);
    expectAt(50000, 30000);
    EXPECT_EQ(file.Seek(1234, 0), 1234);
    expectAt(1234, 98000);
}

TEST_F(DecodedSoundFileTest, CutShortFilePlaysWhatItHolds) {
    // The header promises the whole ramp; the data stops a third of the way in.
    std::vector<uint8_t> bytes;
    {
        std::ifstream in(Path("ramp.wav"), std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    bytes.resize(bytes.size() / 3);
    TempDir dir;
    WriteBytes(dir / "cut.wav", bytes);
    CDecodedSoundFile file;
    ASSERT_TRUE(file.Open((dir / "cut.wav").string(), 64));
    const auto all = ReadAll(file, 4096);
    const int64_t frames = static_cast<int64_t>(all.size() / 2);
    EXPECT_GT(frames, kRampFrames / 3 - 100);
    EXPECT_LE(frames, kRampFrames / 3);
    for (int64_t i = 0; i < frames; i += 997) {
        ASSERT_EQ(FrameIndexOf(&all[2 * static_cast<size_t>(i)]), i);
    }
    // A seek beyond the data ends at once instead of waiting for samples that never come.
    EXPECT_EQ(file.Seek(kRampFrames / 2, 0), kRampFrames / 2);
    std::vector<int16_t> buf(200);
    EXPECT_EQ(file.Read(buf.data(), 100), 0);
}
