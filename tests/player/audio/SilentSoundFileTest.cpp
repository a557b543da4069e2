// CSilentSoundFile: format, zeros past the length, seeks by origin.
#include <vector>

#include <gtest/gtest.h>

#include "player/audio/SilentSoundFile.h"

TEST(SilentSoundFile, OpensAsCdFormatWithoutAFile) {
    CSilentSoundFile silent;
    EXPECT_FALSE(silent.IsOpen());
    ASSERT_TRUE(silent.Open("/no/such/file.wav", 64));
    EXPECT_TRUE(silent.IsOpen()) << "a player must accept it like any opened source";
    const auto& f = silent.GetFormat();
    EXPECT_EQ(f.wFormatTag, 1);
    EXPECT_EQ(f.nChannels, 2);
    EXPECT_EQ(f.nSamplesPerSec, 44100u);
    EXPECT_EQ(f.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(f.nBlockAlign, 4);
    EXPECT_EQ(f.wBitsPerSample, 16);
    EXPECT_EQ(f.cbSize, 18);
    EXPECT_EQ(silent.GetLength(), 26460000);
    EXPECT_DOUBLE_EQ(silent.SampleToTime(silent.GetLength()), 600.0);
}

TEST(SilentSoundFile, ReadsZerosAlsoPastTheLength) {
    CSilentSoundFile silent;
    silent.Open("", 64);
    std::vector<int16_t> pcm(2 * 1000, 77);
    EXPECT_EQ(silent.Read(pcm.data(), 1000), 1000);
    EXPECT_EQ(std::count(pcm.begin(), pcm.end(), 0), 2000);
    EXPECT_EQ(silent.GetPosition(), 1000);

    EXPECT_EQ(silent.Seek(0, 2), 0);
    EXPECT_EQ(silent.GetPosition(), 26460000);
    pcm.assign(pcm.size(), 5);
    EXPECT_EQ(silent.Read(pcm.data(), 1000), 1000);
    EXPECT_EQ(std::count(pcm.begin(), pcm.end(), 0), 2000);
    EXPECT_EQ(silent.GetPosition(), 26461000);
}

TEST(SilentSoundFile, SeekOriginsAndTheReturnedOffset) {
    CSilentSoundFile silent;
    silent.Open("", 64);
    EXPECT_EQ(silent.Seek(500, 0), 500);
    EXPECT_EQ(silent.GetPosition(), 500);
    EXPECT_EQ(silent.Seek(250, 1), 250) << "the offset comes back, not the position";
    EXPECT_EQ(silent.GetPosition(), 750);
    EXPECT_EQ(silent.Seek(1000, 2), 1000);
    EXPECT_EQ(silent.GetPosition(), 26459000);
    EXPECT_EQ(silent.Seek(42, 9), 42);
    EXPECT_EQ(silent.GetPosition(), 26459000) << "an unknown origin changes nothing";
}
