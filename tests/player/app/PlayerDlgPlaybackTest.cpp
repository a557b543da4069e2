// The playback loop, the tick and the transport, played through the test audio sink.
#include <chrono>
#include <thread>

#include <QLabel>

#include "tests/player/app/DlgFixture.h"

namespace {

using namespace testtracks;

class PlaybackTest : public PlayerFixture {};

TEST_F(PlaybackTest, OpeningPlaysAndEachFrameAppearsWhileItsPacketIsDue) {
    m_pDlg->OpenTrack(MakeTrack("track", 0.6, 1.2, 2.0, 3.0));
    EXPECT_EQ(Status(), 1);
    EXPECT_TRUE(static_cast<QLabel*>(m_pDlg->GetDlgItem(IDC_CURRENT_FILE))
                    ->text()
                    .contains(QStringLiteral("track")));
    // The audio clock decides: red shows once the audio passed 0.6 s and before 1.2 s.
    ASSERT_TRUE(WaitFor([&] { return Centre() == kRed; }));
    const double dRedAt = m_pApp->GetPlayer().GetPositionInSeconds();
    ASSERT_TRUE(WaitFor([&] { return Centre() == kGreen; }));
    const double dGreenAt = m_pApp->GetPlayer().GetPositionInSeconds();
    EXPECT_GE(dRedAt, 0.6);
    EXPECT_LT(dRedAt, 1.2);
    EXPECT_GE(dGreenAt, 1.2);
    EXPECT_LT(dGreenAt, 2.2);
    ASSERT_TRUE(WaitFor(
        [&] { return static_cast<QLabel*>(m_pDlg->GetDlgItem(IDC_TIME))->text() == "0:01"; }));
    // Every packet so far, in file order.
    const std::vector<int32_t> indices = m_recorder.Indices();
    for (size_t i = 0; i < indices.size(); ++i) {
        ASSERT_EQ(indices[i], static_cast<int32_t>(i));
    }
}

TEST_F(PlaybackTest, PauseHoldsThePacketsAndPlayGoesOn) {
    m_pDlg->OpenTrack(MakeTrack("track", 5, 6, 8, 8));
    ASSERT_TRUE(WaitFor([&] { return m_recorder.Count() > 60; }));
    m_pDlg->OnPlayPause();
    EXPECT_NE(Status(), 0);
    EXPECT_NE(Status(), 1);
    const size_t nAtPause = m_recorder.Count();
    QTest::qWait(400);
    EXPECT_EQ(m_recorder.Count(), nAtPause);
    m_pDlg->OnPlayPause();
    EXPECT_EQ(Status(), 1);
    ASSERT_TRUE(WaitFor([&] { return m_recorder.Count() > nAtPause + 30; }));
}

TEST_F(PlaybackTest, StopRewindsClearsAndLeavesFullScreen) {
    m_pDlg->OpenTrack(MakeTrack("track", 0.3, 5, 6, 6));
    ASSERT_TRUE(WaitFor([&] { return Centre() == kRed; }));
    m_pDlg->OnFullScreen();
    ASSERT_TRUE(m_pDlg->GetView()->IsFullScreen());
    const QString strTime = static_cast<QLabel*>(m_pDlg->GetDlgItem(IDC_TIME))->text();
    m_pDlg->OnStop();
    EXPECT_EQ(Status(), 0);
    EXPECT_EQ(m_pDlg->GetPacketIndex(), 0);
    EXPECT_FALSE(m_pDlg->GetView()->IsFullScreen());
    EXPECT_FALSE(m_pDlg->IsCursorHidden());
    {
        CCdgScreen* pScreen = m_pDlg->GetScreen();
        tindlib::CScopedLock hold(pScreen->GetLock());
        EXPECT_EQ(pScreen->GetPictureIndex(150, 100), 0);
        EXPECT_EQ(pScreen->GetPaletteEntry(1), 0u);
    }
    ASSERT_TRUE(WaitFor([&] { return Centre() == kBlack; }));
    EXPECT_EQ(static_cast<QLabel*>(m_pDlg->GetDlgItem(IDC_TIME))->text(), strTime)
        << "Stop leaves the time as it was";
    // Playing again starts from the first packet.
    const size_t nBefore = m_recorder.Count();
    m_pDlg->OnPlayPause();
    ASSERT_TRUE(WaitFor([&] { return m_recorder.Count() > nBefore; }));
    EXPECT_EQ(m_recorder.Indices()[nBefore], 0);
}

TEST_F(PlaybackTest, PacketsRunningOutPostStopOnce) {
    m_pDlg->OpenTrack(MakeTrack("short", 0.2, 0.4, 0.6, 4.0));
    ASSERT_TRUE(WaitFor([&] { return m_recorder.m_nStopsPosted > 0; }));
    ASSERT_TRUE(WaitFor([&] { return Status() == 0; }));
    EXPECT_EQ(m_pDlg->GetPacketIndex(), 0);
    QTest::qWait(1500);
    EXPECT_EQ(m_recorder.m_nStopsPosted, 1);
    EXPECT_EQ(Status(), 0);
    EXPECT_EQ(m_recorder.Count(), static_cast<size_t>(cdgauthor::CdgTrackWriter::PacketAt(0.6)));
}

TEST_F(PlaybackTest, TheStopOfAnEndedTrackSparesTheTrackOpenedBeforeItRuns) {
    m_pDlg->OpenTrack(MakeTrack("short", 0.2, 0.4, 0.6, 4.0));
    // Held off the event loop, so the posted Stop waits while the next track opens.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (m_recorder.m_nStopsPosted == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(m_recorder.m_nStopsPosted, 1);
    m_pDlg->OpenChosenTrack(MakeTrack("next", 0.3, 5, 6, 6));
    QTest::qWait(300);
    EXPECT_EQ(Status(), 1);
    ASSERT_TRUE(WaitFor([&] { return Centre() == kRed; }));
}

class FastTickTest : public PlayerFixture {
protected:
    FastTickTest() { m_nFps = 500; }  // 2 ms ticks: the 100-tick delay lasts 0.2 s
};

TEST_F(FastTickTest, AudioEndingStopsAfterTheDelay) {
    m_pDlg->OpenTrack(MakeTrack("long", 0.2, 5, 6, 0.5));
    ASSERT_TRUE(WaitFor([&] { return Centre() == kRed; }));
    // The audio ends at 0.5 s; the tick then stops, rewinds and clears.
    ASSERT_TRUE(WaitFor([&] { return Status() == 0 && m_pDlg->GetPacketIndex() == 0; }));
    ASSERT_TRUE(WaitFor([&] { return Centre() == kBlack; }));
    EXPECT_EQ(m_recorder.m_nStopsPosted, 0) << "the packets did not run out";
}

class SlowerTickTest : public PlayerFixture {
protected:
    SlowerTickTest() { m_nFps = 50; }  // 20 ms ticks: the 100-tick delay lasts 2 s
};

TEST_F(SlowerTickTest, StoppedAudioCountsAsTheEndOnlyAfterTheDelay) {
    // The audio lasts 0.15 s, the packets much longer.
    m_pDlg->OpenTrack(MakeTrack("long", 0.1, 5, 6, 0.15));
    ASSERT_TRUE(WaitFor([&] { return Status() == 0; }));
    // Well inside the delay: the track is not stopped yet (no rewind, picture kept).
    QTest::qWait(200);
    EXPECT_GT(m_pDlg->GetPacketIndex(), 0);
    ASSERT_TRUE(WaitFor([&] { return Centre() == kRed; }));
    // Then the tick stops it.
    ASSERT_TRUE(WaitFor([&] { return m_pDlg->GetPacketIndex() == 0; }));
    ASSERT_TRUE(WaitFor([&] { return Centre() == kBlack; }));
}

TEST_F(PlaybackTest, FastForwardCatchesUpWithoutSkippingPackets) {
    m_pDlg->OpenTrack(MakeTrack("long", 0.2, 6, 12, 12));
    ASSERT_TRUE(WaitFor([&] { return Centre() == kRed; }));
    m_pDlg->SetFastForwardHeld(true);
    ASSERT_TRUE(WaitFor([&] { return m_pApp->GetPlayer().GetPositionInSeconds() > 6.5; }));
    m_pDlg->SetFastForwardHeld(false);
    ASSERT_TRUE(WaitFor([&] { return Centre() == kGreen; }));
    const std::vector<int32_t> indices = m_recorder.Indices();
    ASSERT_GT(indices.size(), static_cast<size_t>(cdgauthor::CdgTrackWriter::PacketAt(6.0)));
    for (size_t i = 0; i < indices.size(); ++i) {
        ASSERT_EQ(indices[i], static_cast<int32_t>(i)) << "no packet skipped or repeated";
    }
}

}  // namespace
