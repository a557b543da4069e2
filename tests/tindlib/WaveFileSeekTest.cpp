// CWaveFile on encodings libsndfile cannot seek in: seeks decode forward instead of failing.
// The file is the fuzzer's finding: a GSM 6.10 WAV the seek of which returned -1.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>

#include "tests/tindlib/TestFiles.h"
#include "tindlib/WaveFile.h"

using namespace tindlib;

namespace {

// 0.1 s of mono GSM 6.10 at 8 kHz, as libsndfile writes it.
const uint8_t kGsmWav[] = {
    0x52, 0x49, 0x46, 0x46, 0xf8, 0x00, 0x00, 0x00, 0x57, 0x41, 0x56, 0x45, 0x66, 0x6d, 0x74, 0x20,
    0x14, 0x00, 0x00, 0x00, 0x31, 0x00, 0x01, 0x00, 0x40, 0x1f, 0x00, 0x00, 0x59, 0x06, 0x00, 0x00,
    0x41, 0x00, 0x00, 0x00, 0x02, 0x00, 0x40, 0x01, 0x66, 0x61, 0x63, 0x74, 0x04, 0x00, 0x00, 0x00,
    0x20, 0x03, 0x00, 0x00, 0x64, 0x61, 0x74, 0x61, 0xc3, 0x00, 0x00, 0x00, 0xce, 0x57, 0x8f, 0x0d,
    0x85, 0xc2, 0xf3, 0xff, 0x4b, 0x4a, 0xd2, 0x56, 0x6b, 0x70, 0x64, 0x2d, 0x6d, 0xfb, 0xc6, 0x46,
    0x72, 0x92, 0xa3, 0x4d, 0xd7, 0x98, 0x3c, 0x91, 0x7a, 0xb4, 0xe9, 0xd1, 0x66, 0x89, 0x78, 0xdd,
    0x2c, 0xc9, 0x01, 0xf5, 0x6c, 0xca, 0x43, 0x4d, 0xdb, 0x41, 0xef, 0x8e, 0x73, 0xa9, 0xa5, 0xb7,
    0x43, 0x97, 0x40, 0x08, 0x84, 0x65, 0xdb, 0xd5, 0x34, 0x5d, 0xa0, 0x64, 0x92, 0x98, 0x88, 0xdb,
    0xd1, 0xb4, 0xd5, 0x71, 0x7b, 0x35, 0xe5, 0x42, 0xd2, 0xbe, 0x11, 0x94, 0x38, 0xb9, 0x2c, 0xb7,
    0x1d, 0x92, 0xed, 0xdb, 0xdb, 0x7f, 0xdf, 0xfe, 0xcd, 0x2e, 0x49, 0x77, 0x24, 0x71, 0x8d, 0xb8,
    0x21, 0x4d, 0x6d, 0x15, 0x13, 0x54, 0x4a, 0xd0, 0x4d, 0x5b, 0x43, 0xc7, 0xb7, 0x2d, 0x5f, 0xb7,
    0xed, 0x15, 0xdd, 0xdf, 0x66, 0x5d, 0x52, 0x37, 0x21, 0x09, 0x00, 0x60, 0x24, 0xe9, 0x98, 0x98,
    0x1b, 0x12, 0xb5, 0x75, 0x74, 0xdb, 0x4c, 0xb6, 0xbd, 0xdb, 0x56, 0xb4, 0xed, 0x6b, 0x97, 0x6f,
    0x7b, 0x33, 0x54, 0x61, 0x94, 0x60, 0x49, 0xb2, 0x35, 0x13, 0x42, 0x02, 0x50, 0x92, 0x04, 0x82,
    0x74, 0x21, 0x4d, 0xed, 0x08, 0xbb, 0x8d, 0xc5, 0x46, 0x3a, 0x2a, 0x54, 0x40, 0x92, 0x24, 0x49,
    0x92, 0x52, 0x54, 0x40, 0x92, 0x24, 0x49, 0x92, 0x78, 0x50, 0x40, 0x92, 0x24, 0x49, 0x92, 0x00,
};

class GsmWav : public ::testing::Test {
protected:
    void SetUp() override {
        testfiles::WriteBytes(m_path, m_gsm);
        ASSERT_TRUE(m_wav.Open(m_path, 64));
        // Everything, read straight through: what any seek must agree with.
        std::vector<short> chunk(256);
        for (int64_t n; (n = m_wav.Read(chunk.data(), 256)) > 0;) {
            m_all.insert(m_all.end(), chunk.begin(), chunk.begin() + n);
        }
        ASSERT_EQ(static_cast<int64_t>(m_all.size()), m_wav.GetLength());
        ASSERT_GT(m_all.size(), 600u);
    }
    void TearDown() override { m_wav.Close(); }
    // The frames a read at the current position delivers.
    std::vector<short> ReadFrames(int64_t nFrames) {
        std::vector<short> out(static_cast<size_t>(nFrames));
        out.resize(static_cast<size_t>(m_wav.Read(out.data(), nFrames)));
        return out;
    }
    std::vector<short> Expected(int64_t nFirst, int64_t nFrames) const {
        return {m_all.begin() + nFirst, m_all.begin() + nFirst + nFrames};
    }

    const std::vector<uint8_t> m_gsm{std::begin(kGsmWav), std::end(kGsmWav)};
    testfiles::TempDir m_dir;
    const std::filesystem::path m_path = m_dir / "gsm.wav";
    CWaveFile m_wav;
    std::vector<short> m_all;
};

}  // namespace

TEST_F(GsmWav, SeeksForwardAndBackLikeAnyWav) {
    const int64_t nLength = m_wav.GetLength();
    struct Step {
        int64_t nFrame;
        int nOrigin;
        int64_t nExpected;
    } steps[] = {
        {nLength / 2, SOUND_SEEK_SET, nLength / 2},     // back, from the end
        {100, SOUND_SEEK_CUR, nLength / 2 + 16 + 100},  // forward, past the 16 read
        {10, SOUND_SEEK_SET, 10},                       // back again
        {-20, SOUND_SEEK_END, nLength - 20},
        {-5, SOUND_SEEK_SET, 0},  // clamped to the file
        {nLength + 10, SOUND_SEEK_SET, nLength},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.nExpected);
        ASSERT_EQ(m_wav.Seek(step.nFrame, step.nOrigin), step.nExpected);
        EXPECT_EQ(m_wav.GetPosition(), step.nExpected);
        const int64_t nCount = std::min<int64_t>(16, nLength - step.nExpected);
        EXPECT_EQ(ReadFrames(16), Expected(step.nExpected, nCount));
    }
}

TEST_F(GsmWav, RefusesToGoBackWhenTheFileIsGoneOrChanged) {
    for (const bool bStereo : {false, true}) {
        SCOPED_TRACE(bStereo ? "replaced by a stereo file" : "removed");
        ASSERT_TRUE(m_wav.Open(m_path, 64));
        ASSERT_EQ(m_wav.Seek(300, SOUND_SEEK_SET), 300);
        std::filesystem::remove(m_path);
        if (bStereo) {
            testfiles::WriteSound(m_path, std::vector<int16_t>(2000), 2, 8000);
        }
        // Going back needs the file from its start: the seek fails and the source stays
        // where it was, still delivering the frames of the file it opened.
        EXPECT_EQ(m_wav.Seek(0, SOUND_SEEK_SET), -1);
        EXPECT_EQ(m_wav.GetPosition(), 300);
        EXPECT_EQ(ReadFrames(16), Expected(300, 16));
        testfiles::WriteBytes(m_path, m_gsm);
    }
}
