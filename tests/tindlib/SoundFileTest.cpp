// CSoundFile conversions, CWaveFile on libsndfile and CBinFile sector arithmetic.
#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "tests/tindlib/TestFiles.h"
#include "tindlib/BinFile.h"
#include "tindlib/WaveFile.h"

using namespace tindlib;
using testfiles::TempDir;
using testfiles::WriteBytes;
namespace fs = std::filesystem;

namespace {

// A stereo WAV whose left channel counts frames and right channel counts down.
void WriteRampWav(const fs::path& path, int frames, int format) {
    std::vector<int16_t> pcm;
    for (int i = 0; i < frames; ++i) {
        pcm.insert(pcm.end(), {static_cast<int16_t>(i), static_cast<int16_t>(-i)});
    }
    testfiles::WriteSound(path, pcm, 2, 22050, format);
}

// Raw sectors whose audio frames hold their own index (left) and its complement (right),
// with subcode bytes of 0xEE that must never show up in the audio.
std::vector<uint8_t> MakeBinImage(int64_t sectors, int64_t extraBytes) {
    std::vector<uint8_t> img;
    int64_t frame = 0;
    auto putFrames = [&](int64_t n) {
        for (int64_t i = 0; i < n; ++i, ++frame) {
            for (const auto v : {static_cast<uint16_t>(frame), static_cast<uint16_t>(~frame)}) {
                img.insert(img.end(),
                           {static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>(v >> 8)});
            }
        }
    };
    for (int64_t s = 0; s < sectors; ++s) {
        putFrames(CBinFile::kFramesPerSector);
        img.insert(img.end(), CBinFile::kSectorBytes - CBinFile::kAudioBytes, 0xEE);
    }
    putFrames(extraBytes / 4);
    img.insert(img.end(), static_cast<size_t>(extraBytes % 4), 0xEE);
    return img;
}

}  // namespace

TEST(SoundFile, TimeAndFrameConversionsFollowTheRate) {
    struct Probe : CSoundFile {
        void Set(const WAVEFORMATEX& f) { SetFormat(f); }
    } probe;
    probe.Set(MakePcmFormat(2, 44100, 16));
    EXPECT_EQ(probe.GetBlockAlign(), 4);
    EXPECT_EQ(probe.TimeToSample(1.5), 66150);
    EXPECT_DOUBLE_EQ(probe.SampleToTime(66150), 1.5);
    for (int64_t f : {0LL, 1LL, 12345LL, 44099LL, 26460000LL, 987654321LL}) {
        EXPECT_EQ(probe.TimeToSample(probe.SampleToTime(f)), f) << "round trip of frame " << f;
    }
    EXPECT_EQ(probe.TimeToSample(NAN), 0);
    EXPECT_GT(probe.TimeToSample(1e300), 0) << "huge times saturate instead of overflowing";
    EXPECT_FALSE(probe.IsOpen());
    EXPECT_FALSE(probe.CanRead());
}

TEST(WaveFile, DeliversSixteenBitFramesFromAnyWav) {
    TempDir dir;
    struct Case {
        const char* name;
        int format;
    } cases[] = {
        {"pcm16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
        {"pcm24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24},
        {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
        {"ext.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_32},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteRampWav(dir / c.name, 3000, c.format);
        CWaveFile wav;
        ASSERT_TRUE(wav.Open(dir / c.name, 64));
        EXPECT_TRUE(wav.IsOpen());
        EXPECT_EQ(wav.GetFormat().nChannels, 2);
        EXPECT_EQ(wav.GetFormat().nSamplesPerSec, 22050u);
        EXPECT_EQ(wav.GetFormat().wBitsPerSample, 16);
        EXPECT_EQ(wav.GetBlockAlign(), 4);
        EXPECT_EQ(wav.GetLength(), 3000);
        EXPECT_EQ(wav.GetName(), c.name);

        std::vector<short> pcm(2 * 4000);
        EXPECT_EQ(wav.Read(pcm.data(), 1000), 1000);
        EXPECT_EQ(pcm[2 * 999], 999);
        EXPECT_EQ(pcm[2 * 999 + 1], -999);
        EXPECT_EQ(wav.Seek(2500, SOUND_SEEK_SET), 2500);
        EXPECT_EQ(wav.Read(pcm.data(), 4000), 500) << "reads stop at the end";
        EXPECT_EQ(pcm[0], 2500);
        EXPECT_EQ(wav.Read(pcm.data(), 10), 0);
        EXPECT_EQ(wav.GetPosition(), 3000);
        EXPECT_EQ(wav.Seek(-100, SOUND_SEEK_END), 2900);
        EXPECT_EQ(wav.Seek(-50, SOUND_SEEK_CUR), 2850);
        EXPECT_EQ(wav.Read(pcm.data(), 1), 1);
        EXPECT_EQ(pcm[0], 2850);
        EXPECT_EQ(wav.Seek(1'000'000, SOUND_SEEK_SET), 3000) << "seeks are clamped";
        EXPECT_EQ(wav.Seek(INT64_MIN, SOUND_SEEK_CUR), 0);
        EXPECT_EQ(wav.Seek(0, 7), -1) << "an unknown origin is refused";
    }
}

TEST(WaveFile, RefusesWhatIsNotAReadableWav) {
    TempDir dir;
    WriteBytes(dir / "empty.wav", {});
    std::vector<uint8_t> broken = {'R', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0x7F, 'W', 'A', 'V',
                                   'E', 'f', 'm', 't', ' ',  2,    0,    0,    0,   1,   0};
    WriteBytes(dir / "broken.wav", broken);
    std::vector<uint8_t> noise(5000);
    for (size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<uint8_t>(i * 7919 >> 3);
    }
    WriteBytes(dir / "noise.wav", noise);
    testfiles::WriteSound(dir / "aiff.wav", {}, 1, 8000, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);

    for (const char* name : {"empty.wav", "broken.wav", "noise.wav", "aiff.wav", "missing.wav"}) {
        CWaveFile wav;
        EXPECT_FALSE(wav.Open(dir / name, 64)) << name;
        EXPECT_FALSE(wav.IsOpen()) << name;
        EXPECT_EQ(wav.Read(noise.data(), 10), 0) << name;
    }
    CWaveFile wav;
    EXPECT_FALSE(wav.Open(dir.Path(), 64)) << "a directory";

    // The same object still opens a good file afterwards.
    WriteRampWav(dir / "good.wav", 100, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    ASSERT_TRUE(wav.Open(dir / "good.wav", 64));
    EXPECT_EQ(wav.GetLength(), 100);
    EXPECT_TRUE(wav.Close());
    EXPECT_FALSE(wav.IsOpen());
    EXPECT_EQ(wav.Read(noise.data(), 10), 0);
}

TEST(BinFile, FramesSkipTheSubcodeOfEverySector) {
    TempDir dir;
    WriteBytes(dir / "t.bin", MakeBinImage(5, 0));
    CBinFile bin;
    ASSERT_TRUE(bin.Open(dir / "t.bin", 64));
    EXPECT_EQ(bin.GetLength(), 5 * 588);
    EXPECT_EQ(bin.GetFormat().nSamplesPerSec, 44100u);
    EXPECT_EQ(bin.GetFormat().nChannels, 2);
    EXPECT_EQ(bin.GetBlockAlign(), 4);

    // One read across three sector boundaries gives every frame once, in order.
    std::vector<int16_t> pcm(2 * 5 * 588);
    ASSERT_EQ(bin.Seek(500, SOUND_SEEK_SET), 500);
    ASSERT_EQ(bin.Read(pcm.data(), 1500), 1500);
    for (int i = 0; i < 1500; ++i) {
        ASSERT_EQ(static_cast<uint16_t>(pcm[2 * static_cast<size_t>(i)]), 500 + i);
        ASSERT_EQ(static_cast<uint16_t>(pcm[2 * static_cast<size_t>(i) + 1]),
                  static_cast<uint16_t>(~(500 + i)));
    }
    EXPECT_EQ(bin.GetPosition(), 2000);

    // Any frame is reachable, and the last one is the length minus one.
    for (int64_t frame : {0LL, 587LL, 588LL, 1175LL, 1176LL, 2939LL}) {
        ASSERT_EQ(bin.Seek(frame, SOUND_SEEK_SET), frame);
        int16_t one[2];
        ASSERT_EQ(bin.Read(one, 1), 1) << frame;
        EXPECT_EQ(static_cast<uint16_t>(one[0]), frame);
    }
    EXPECT_EQ(bin.Read(pcm.data(), 10), 0) << "end of audio";
    EXPECT_EQ(bin.Seek(-1, SOUND_SEEK_END), 2939);
    EXPECT_EQ(bin.Seek(10, SOUND_SEEK_CUR), 2940);
}

TEST(BinFile, PartialLastSectorAndBadFiles) {
    TempDir dir;
    WriteBytes(dir / "partial.bin", MakeBinImage(2, 42));  // 10 whole frames and 2 stray bytes
    CBinFile bin;
    ASSERT_TRUE(bin.Open(dir / "partial.bin", 64));
    EXPECT_EQ(bin.GetLength(), 2 * 588 + 10);
    std::vector<int16_t> pcm(64);
    bin.Seek(1180, SOUND_SEEK_SET);
    EXPECT_EQ(bin.Read(pcm.data(), 30), 6);
    EXPECT_EQ(static_cast<uint16_t>(pcm[2 * 5]), 1185);

    WriteBytes(dir / "empty.bin", {});
    WriteBytes(dir / "tiny.bin", {1, 2, 3});
    EXPECT_FALSE(bin.Open(dir / "empty.bin", 64));
    EXPECT_FALSE(bin.IsOpen());
    EXPECT_FALSE(bin.Open(dir / "tiny.bin", 64));
    EXPECT_FALSE(bin.Open(dir / "missing.bin", 64));
    EXPECT_FALSE(bin.Open(dir.Path(), 64));
    EXPECT_EQ(bin.Read(pcm.data(), 1), 0);
    EXPECT_EQ(bin.Seek(0, SOUND_SEEK_SET), -1);
    ASSERT_TRUE(bin.Open(dir / "partial.bin", 64));
    EXPECT_EQ(bin.GetPosition(), 0);
}
