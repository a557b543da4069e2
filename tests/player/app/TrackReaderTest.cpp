// The track reader shared by the playback thread and the UI thread.
#include <atomic>
#include <cmath>
#include <thread>

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "player/app/TrackReader.h"
#include "player/cdg/CdgScreen.h"
#include "tests/player/app/TestTracks.h"

namespace {

using EStep = CTrackReader::EStep;

class TrackReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Red at 0.1 s, green at 0.2 s, 90 packets in all.
        m_strTrack = m_dir.filePath(QStringLiteral("song.cdg")).toStdString();
        ASSERT_TRUE(testtracks::ColourTrack(0.1, 0.2, 0.3).WriteCdg(m_strTrack));
        ASSERT_TRUE(m_reader.Open(m_strTrack));
    }
    // Steps while packets are due; returns how many were executed.
    int StepUntil(double dDue, EStep* pLast, bool bDue = true) {
        int nExecuted = 0;
        int32_t nIndex = 0;
        while ((*pLast = m_reader.Step(
                    dDue, m_screen, [bDue] { return bDue; }, &nIndex)) == EStep::Executed) {
            ++nExecuted;
        }
        return nExecuted;
    }

    QTemporaryDir m_dir;
    std::string m_strTrack;
    CTrackReader m_reader;
    CCdgScreen m_screen;
};

TEST_F(TrackReaderTest, StepsThroughDuePacketsOnlyAndStaysEndedUntilRewound) {
    EStep last = EStep::Executed;
    EXPECT_EQ(StepUntil(0.0, &last), 0);
    EXPECT_EQ(last, EStep::NotDue);
    EXPECT_EQ(StepUntil(1.0, &last, false), 0) << "the caller's condition holds it back";
    // Packet 30 is at exactly 0.1 s: due strictly after.
    EXPECT_EQ(StepUntil(0.1, &last), 30);
    EXPECT_EQ(m_reader.GetPacketIndex(), 30);
    EXPECT_FALSE(m_reader.HasEnded());

    EXPECT_EQ(StepUntil(INFINITY, &last), 60);
    EXPECT_EQ(last, EStep::Ended);
    EXPECT_TRUE(m_reader.HasEnded());
    EXPECT_EQ(m_reader.GetPacketIndex(), 90);

    m_reader.Rewind();
    EXPECT_FALSE(m_reader.HasEnded());
    EXPECT_EQ(m_reader.GetPacketIndex(), 0);
    EXPECT_EQ(StepUntil(INFINITY, &last), 90);
}

TEST_F(TrackReaderTest, OpenCloseAndTheEndGoTogether) {
    EStep last = EStep::Executed;
    StepUntil(INFINITY, &last);
    ASSERT_TRUE(m_reader.HasEnded());
    // A reopen starts over; one that fails leaves no track, never the old one.
    ASSERT_TRUE(m_reader.Open(m_strTrack));
    EXPECT_FALSE(m_reader.HasEnded());
    EXPECT_EQ(m_reader.GetPacketIndex(), 0);
    StepUntil(INFINITY, &last);
    EXPECT_FALSE(m_reader.Open(m_dir.filePath(QStringLiteral("missing.cdg")).toStdString()));
    EXPECT_FALSE(m_reader.IsOpen());
    EXPECT_FALSE(m_reader.HasEnded());
    EXPECT_EQ(StepUntil(INFINITY, &last), 0);
    EXPECT_EQ(last, EStep::Ended);
    m_reader.Close();
    EXPECT_FALSE(m_reader.HasEnded());
}

TEST_F(TrackReaderTest, RewindsFromAnotherThreadLandBetweenTwoPackets) {
    std::atomic<bool> bStop{false};
    std::atomic<int> nBadSteps{0};
    std::atomic<int> nSteps{0};
    std::thread playback([&] {
        int32_t nLast = -1;
        int32_t nIndex = 0;
        while (!bStop) {
            const EStep step = m_reader.Step(
                INFINITY, m_screen, [] { return true; }, &nIndex);
            if (step == EStep::Executed) {
                // Either the next packet or, after a rewind, the first one.
                if (nIndex != nLast + 1 && nIndex != 0) {
                    ++nBadSteps;
                }
                nLast = nIndex;
                ++nSteps;
            } else if (step == EStep::Ended) {
                m_reader.Rewind();
            }
        }
    });
    // Rewinds and reopens run while the other thread steps through thousands of packets.
    for (int i = 0; nSteps < 5000; ++i) {
        m_reader.Rewind();
        if (i % 100 == 0) {
            EXPECT_TRUE(m_reader.Open(m_strTrack));
        }
        std::this_thread::yield();
    }
    bStop = true;
    playback.join();
    EXPECT_EQ(nBadSteps, 0);
}

}  // namespace
