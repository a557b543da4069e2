// Parameters written from another thread while buffers stream: each buffer sees one set.
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/dshow/MediaSample.h"
#include "tests/vocalremover/FilterHarness.h"

using namespace dshow;
using namespace skellan;

TEST(VocalRemoverThreads, ParameterWritesRacingBuffersAreSafeAndWholeBuffer) {
    test::Connected c;
    ASSERT_EQ(c.Run(MakeAudioType(WAVE_FORMAT_PCM, 2, 44100, 16)), S_OK);
    IVocalRemover* vr = c.f.vr;
    vr->put_Level(0);

    // Gain is only ever 100 or 200 and Level 0: every buffer must come out scaled by one
    // of them throughout, never a mix. Declared after the filter: it stops first.
    std::jthread writer([vr](std::stop_token stop) {
        for (int i = 0; !stop.stop_requested(); ++i) {
            vr->put_Gain(i % 2 == 0 ? 200 : 100);
            vr->put_Balance(i % 100);
            int level = -1;
            vr->get_Level(&level);
            EXPECT_EQ(level, 0);
        }
    });
    for (int round = 0; round < 300; ++round) {
        std::vector<int16_t> frames(2048);
        for (size_t i = 0; i < frames.size(); ++i)
            frames[i] = static_cast<int16_t>(i % 1000 + 1);
        CMediaSample sample(reinterpret_cast<BYTE*>(frames.data()),
                            static_cast<long>(frames.size() * 2));
        ASSERT_EQ(c.source.Deliver(&sample), S_OK);
        const int factor = frames[0];  // the first sample is 1 in, so the factor is 1 or 2
        ASSERT_TRUE(factor == 1 || factor == 2);
        for (size_t i = 0; i < frames.size(); ++i) {
            ASSERT_EQ(frames[i], static_cast<int16_t>((i % 1000 + 1) * factor)) << i;
        }
    }
}
