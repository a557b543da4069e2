// The export's time grid against the playback loop's rule, and the progress texts.
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "tools/cdgexport/FrameTimeline.h"
#include "tools/cdgexport/ProgressLine.h"

using namespace cdgexport;

namespace {

// The playback loop executes packet n once n / 300 < position, compared in doubles; the
// slot's time is k / fps.
int64_t DueByTheLoopsRule(int64_t k, int fps) {
    const double dPosition = static_cast<double>(k) / fps;
    int64_t n = 0;
    while (static_cast<double>(n) / 300.0 < dPosition) {
        ++n;
    }
    return n;
}

TEST(Timeline, SlotsExecuteThePacketsThePlayerWouldHaveExecuted) {
    for (int fps : {1, 7, 10, 24, 25, 29, 30, 50, 60, 100, 120}) {
        for (int64_t k = 0; k <= 3 * fps; ++k) {
            ASSERT_EQ(PacketsDueAtSlot(k, fps), DueByTheLoopsRule(k, fps))
                << "fps " << fps << " slot " << k;
        }
    }
    // An hour in at 30 fps, still exact.
    EXPECT_EQ(PacketsDueAtSlot(30 * 3600, 30), 300 * 3600);
}

TEST(Timeline, SlotTimesAndSlotCountsAgree) {
    for (int fps : {1, 24, 25, 30, 60, 120}) {
        EXPECT_EQ(SlotTime(fps, fps), 1000000000u);
        for (int64_t k = 0; k < 5 * fps; ++k) {
            const uint64_t t = SlotTime(k, fps);
            EXPECT_EQ(SlotsBefore(t, fps), k);          // slot k itself starts at t
            EXPECT_EQ(SlotsBefore(t + 1, fps), k + 1);  // ... and is counted just after
        }
    }
    // Ten seconds at 30 fps are 300 slots; 10.001 s need one more.
    EXPECT_EQ(SlotsBefore(10000000000u, 30), 300);
    EXPECT_EQ(SlotsBefore(10001000000u, 30), 301);
    EXPECT_EQ(SlotsBefore(0, 30), 0);
}

struct ProgressCase {
    const char* pszName;
    ExportProgress progress;
    const char* pszLine;
    const char* pszRecord;
};

const ProgressCase kProgress[] = {
    {"Start", {0, 240, 0}, "  0%", "0.0 0.0 -1"},
    {"TooEarlyForASpeed", {2, 240, 0.1}, "  0%", "0.8 0.0 -1"},
    {"Quarter", {60, 240, 2}, " 25%  30.0x real time  0:06 left", "25.0 30.0 6"},
    {"RoundsTimeLeftUp", {100, 240, 4}, " 41%  25.0x real time  0:06 left", "41.7 25.0 6"},
    {"Slow", {10, 600, 5}, "  1%  2.0x real time  4:55 left", "1.7 2.0 295"},
    {"Done", {240, 240, 10}, "100%  24.0x real time  0:00 left", "100.0 24.0 0"},
    {"LongerThanAnnounced", {250, 240, 10}, "100%  25.0x real time  0:00 left", "100.0 25.0 0"},
    {"UnknownLength", {30, 0, 1}, "  0%", "0.0 30.0 -1"},
};

class ProgressText : public testing::TestWithParam<ProgressCase> {};

TEST_P(ProgressText, ShowsPercentSpeedAndTimeLeft) {
    const ProgressCase& c = GetParam();
    EXPECT_EQ(FormatProgressLine(c.progress), c.pszLine);
    EXPECT_EQ(FormatProgressRecord(c.progress), c.pszRecord);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProgressText, testing::ValuesIn(kProgress),
                         [](const testing::TestParamInfo<ProgressCase>& info) {
                             return std::string(info.param.pszName);
                         });

}  // namespace
