// The karaoke controls in the dialog: menu items and shortcuts, values written back,
// notices over the video, and the sync offset in the playback loop.
#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include <QAction>
#include <QMenu>
#include <QSettings>
#include <QWindow>

#include "player/app/KaraokeControls.h"
#include "tests/player/app/DlgFixture.h"
#include "tindlib/PitchShifter.h"

namespace {

using namespace testtracks;

class KaraokeTest : public PlayerFixture {
protected:
    CKaraokeControls& Karaoke() { return *m_pDlg->GetKaraoke(); }
    QVariant Stored(const char* pszName) {
        return QSettings().value(QStringLiteral("Settings/") + QLatin1String(pszName));
    }
};

TEST_F(KaraokeTest, TheMenuHoldsTheItemsWithTheirShortcuts) {
    std::unique_ptr<QMenu> pMenu(m_pDlg->CreateContextMenu());
    const std::pair<const char*, QKeySequence> expected[] = {
        {"Remove vocals", QKeySequence(Qt::CTRL | Qt::Key_V)},
        {"Key up", QKeySequence(Qt::CTRL | Qt::Key_Up)},
        {"Key down", QKeySequence(Qt::CTRL | Qt::Key_Down)},
        {"Original key", QKeySequence(Qt::CTRL | Qt::Key_0)},
        {"Lyrics earlier", QKeySequence(Qt::CTRL | Qt::Key_Left)},
        {"Lyrics later", QKeySequence(Qt::CTRL | Qt::Key_Right)},
        {"Reset sync", QKeySequence(Qt::CTRL | Qt::Key_Backspace)},
    };
    const QList<QAction*> actions = pMenu->actions();
    for (const auto& [pszText, shortcut] : expected) {
        SCOPED_TRACE(pszText);
        auto it = std::find_if(actions.begin(), actions.end(),
                               [&](QAction* a) { return a->text() == QLatin1String(pszText); });
        ASSERT_NE(it, actions.end());
        EXPECT_EQ((*it)->shortcut(), shortcut);
        EXPECT_EQ((*it)->shortcutContext(), Qt::ApplicationShortcut);
    }
    EXPECT_TRUE(Karaoke().GetAction(EKaraokeCommand::ToggleVocals)->isCheckable());
}

TEST_F(KaraokeTest, KeyCommandsClampWriteBackAndSayTheKey) {
    if (!tindlib::CPitchShifter::IsAvailable()) {
        GTEST_SKIP() << "no Rubber Band library";
    }
    Karaoke().Execute(EKaraokeCommand::KeyUp);
    Karaoke().Execute(EKaraokeCommand::KeyUp);
    EXPECT_EQ(Karaoke().GetNoticeText(), QStringLiteral("Key +2"));
    EXPECT_EQ(Stored("KeySemitones").toInt(), 2);
    EXPECT_EQ(m_pApp->GetPlaybackManager().GetKeySemitones(), 2);
    for (int i = 0; i < 10; ++i) {
        Karaoke().Execute(EKaraokeCommand::KeyDown);
    }
    EXPECT_EQ(Karaoke().GetNoticeText(), QStringLiteral("Key -6"));
    EXPECT_EQ(Karaoke().GetSettings().nKeySemitones, -6);
    EXPECT_EQ(m_pApp->GetPlaybackManager().GetKeySemitones(), -6);
    Karaoke().Execute(EKaraokeCommand::OriginalKey);
    EXPECT_EQ(Karaoke().GetNoticeText(), QStringLiteral("Original key"));
    EXPECT_EQ(Stored("KeySemitones").toInt(), 0);
    EXPECT_EQ(m_pApp->GetPlaybackManager().GetKeySemitones(), 0);
}

TEST_F(KaraokeTest, SyncCommandsStepClampAndSayTheOffset) {
    for (int i = 0; i < 4; ++i) {
        Karaoke().Execute(EKaraokeCommand::LyricsLater);
    }
    EXPECT_EQ(Karaoke().GetNoticeText(), QStringLiteral("Lyrics +40 ms"));
    EXPECT_EQ(Stored("SyncOffsetMs").toInt(), 40);
    EXPECT_DOUBLE_EQ(Karaoke().SyncOffsetSeconds(), 0.04);
    for (int i = 0; i < 150; ++i) {
        Karaoke().Execute(EKaraokeCommand::LyricsEarlier);
    }
    EXPECT_EQ(Karaoke().GetNoticeText(), QStringLiteral("Lyrics -1000 ms"));
    EXPECT_EQ(Stored("SyncOffsetMs").toInt(), -1000);
    Karaoke().Execute(EKaraokeCommand::ResetSync);
    EXPECT_EQ(Karaoke().GetNoticeText(), QStringLiteral("Lyrics 0 ms"));
    EXPECT_EQ(Stored("SyncOffsetMs").toInt(), 0);
}

TEST_F(KaraokeTest, VocalRemovalTogglesOrSaysWhyItCannot) {
    QAction* pVocals = Karaoke().GetAction(EKaraokeCommand::ToggleVocals);
    if (!pVocals->isEnabled()) {
        EXPECT_FALSE(pVocals->toolTip().isEmpty()) << "a disabled item says why";
        return;
    }
    pVocals->trigger();
    EXPECT_TRUE(pVocals->isChecked());
    EXPECT_EQ(Karaoke().GetNoticeText(), QStringLiteral("Vocals removed"));
    EXPECT_EQ(Stored("VocalRemoval").toString(), QStringLiteral("true"));
    EXPECT_TRUE(m_pApp->GetPlaybackManager().GetVocalRemoval());
    pVocals->trigger();
    EXPECT_FALSE(pVocals->isChecked());
    EXPECT_EQ(Stored("VocalRemoval").toString(), QStringLiteral("false"));
    EXPECT_FALSE(m_pApp->GetPlaybackManager().GetVocalRemoval());
}

TEST_F(KaraokeTest, TheNoticeGoesAfterTwoSeconds) {
    Karaoke().Execute(EKaraokeCommand::LyricsLater);
    EXPECT_FALSE(Karaoke().GetNoticeText().isEmpty());
    EXPECT_TRUE(WaitFor([&] { return Karaoke().GetNoticeText().isEmpty(); },
                        CKaraokeControls::kNoticeMs + 2000));
}

// Shortcuts reach the controls from the video, windowed and full screen, while plain
// keys still switch full screen.
TEST_F(KaraokeTest, ShortcutsWorkInTheVideoAndFullScreen) {
    CCdgView* pView = m_pDlg->GetView();
    m_pDlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pDlg.get()));
    pView->setFocus();
    ASSERT_TRUE(pView->hasFocus());
    QTest::keyClick(m_pDlg->windowHandle(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(Karaoke().GetSettings().nSyncOffsetMs, 10);
    EXPECT_FALSE(pView->IsFullScreen()) << "a shortcut is not a key for the video";

    m_pDlg->OnFullScreen();
    ASSERT_TRUE(WaitFor([&] { return pView->IsFullScreen(); }));
    pView->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(pView));
    QWindow* pFull = pView->windowHandle();
    QTest::keyClick(pFull, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(Karaoke().GetSettings().nSyncOffsetMs, 20);
    EXPECT_EQ(Karaoke().GetNoticeText(), QStringLiteral("Lyrics +20 ms"));
    QTest::keyClick(pFull, Qt::Key_Backspace, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_EQ(Karaoke().GetSettings().nSyncOffsetMs, 0);
    EXPECT_TRUE(pView->IsFullScreen());
    QTest::keyClick(pFull, Qt::Key_Space);
    EXPECT_TRUE(WaitFor([&] { return !pView->IsFullScreen(); }));
}

// Records the position each packet was executed at.
class CDueRecorder : public IPlaybackObserver {
public:
    void OnPacketExecuted(int32_t nIndex, double dPosition,
                          std::chrono::steady_clock::time_point) override {
        std::lock_guard lock(m_mutex);
        m_executed.emplace_back(nIndex, dPosition);
    }
    void OnStopPosted() override {}
    std::vector<std::pair<int32_t, double>> Executed() {
        std::lock_guard lock(m_mutex);
        return m_executed;
    }

private:
    std::mutex m_mutex;
    std::vector<std::pair<int32_t, double>> m_executed;
};

class SyncOffsetTest : public KaraokeTest, public ::testing::WithParamInterface<int> {};

// With offset o, the packet at t is executed once the heard position reaches t + o, and
// not long after.
TEST_P(SyncOffsetTest, PacketsRunAtTheirTimePlusTheOffset) {
    const int nOffsetMs = GetParam();
    const EKaraokeCommand step =
        nOffsetMs > 0 ? EKaraokeCommand::LyricsLater : EKaraokeCommand::LyricsEarlier;
    for (int i = 0; i < std::abs(nOffsetMs) / kSyncOffsetStepMs; ++i) {
        Karaoke().Execute(step);
    }
    ASSERT_EQ(Karaoke().GetSettings().nSyncOffsetMs, nOffsetMs);
    CDueRecorder recorder;
    m_pDlg->SetObserver(&recorder);
    m_pDlg->OpenTrack(MakeTrack("track", 0.5, 1.0, 3.0, 3.0));
    ASSERT_TRUE(WaitFor([&] { return m_pApp->GetPlayer().GetPositionInSeconds() > 1.6; }));
    m_pDlg->SetObserver(nullptr);
    const double dOffset = nOffsetMs / 1000.0;
    std::vector<double> lateness;
    for (const auto& [nIndex, dPosition] : recorder.Executed()) {
        const double dDue = CCdgFile::PacketToSeconds(nIndex) + dOffset;
        ASSERT_GE(dPosition, dDue) << "packet " << nIndex << " executed early";
        if (dDue > 0.3) {  // once the audio runs
            lateness.push_back(dPosition - dDue);
        }
    }
    ASSERT_GT(lateness.size(), 100u);
    std::sort(lateness.begin(), lateness.end());
    EXPECT_LT(lateness[lateness.size() / 2], 0.05) << "median lateness";
    // Nothing due yet was executed: the last packet run is due before the position.
    const double dLastDue = CCdgFile::PacketToSeconds(recorder.Executed().back().first) + dOffset;
    EXPECT_LT(dLastDue, m_pApp->GetPlayer().GetPositionInSeconds());
}

INSTANTIATE_TEST_SUITE_P(Offsets, SyncOffsetTest, ::testing::Values(300, -300, 0),
                         [](const auto& info) {
                             return info.param > 0   ? std::string("Later")
                                    : info.param < 0 ? std::string("Earlier")
                                                     : std::string("None");
                         });

}  // namespace
