// CPlayerDlg's playback side: the playback thread, the frame tick and the transport they
// share with the commands. No widget is touched here; the window's part is posted to the UI
// thread.
#include "player/app/KaraokeControls.h"
#include "player/app/PlayerApp.h"
#include "player/app/PlayerDlg.h"
#include "player/cdg/CdgScreen.h"
#include "player/cdg/view/CdgView.h"

namespace {

using tindlib::CSoundFilePlayer;

// Ticks a stopped player is given after Play/Pause before it counts as the track's end.
constexpr int kEndCheckTicks = 100;
constexpr auto kPollInterval = std::chrono::milliseconds(1);
// How long the loop rests after the packets ran out, for Stop to come round.
constexpr auto kEndRest = std::chrono::milliseconds(1000);
// Audio skipped per tick while Fast forward is held.
constexpr double kFastForwardStep = 1.0;
// Lets Play/Pause see the player's new status.
constexpr auto kStatusSettle = std::chrono::milliseconds(100);
// Longest rest of the playback thread while nothing plays; transport changes wake it.
constexpr auto kIdleRest = std::chrono::milliseconds(250);

}  // namespace

void CPlayerDlg::PlaybackLoop() {
    CSoundFilePlayer& player = m_app.GetPlayer();
    CTrackReader& reader = m_app.GetReader();
    const std::function<bool()> stillPlaying = [&player] {
        return player.GetStatus() != CSoundFilePlayer::kStopped;
    };
    int nLastSecond = -1;
    while (!m_bStopThread) {
        const int nStatus = player.GetStatus();
        if (nStatus != CSoundFilePlayer::kStopped && !m_bSwitchingView && !reader.HasEnded()) {
            const auto tRead = std::chrono::steady_clock::now();
            const double dPosition = player.GetPositionInSeconds();
            // A packet at t is due when the heard audio reaches t + the sync offset.
            const double dDue = dPosition - m_pKaraoke->SyncOffsetSeconds();
            CTrackReader::EStep step = CTrackReader::EStep::NotDue;
            int32_t nIndex = 0;
            // One packet step at a time, so Stop and Open can rewind or reopen the reader
            // between two packets but never during one.
            while ((step = reader.Step(dDue, *m_pScreen, stillPlaying, &nIndex)) ==
                   CTrackReader::EStep::Executed) {
                if (IPlaybackObserver* pObserver = m_pObserver) {
                    pObserver->OnPacketExecuted(nIndex, dPosition, tRead);
                }
                const int nSecond = static_cast<int>(dPosition);
                if (nSecond != nLastSecond) {
                    nLastSecond = nSecond;
                    QMetaObject::invokeMethod(
                        this, [this, nSecond] { ShowTime(nSecond); }, Qt::QueuedConnection);
                }
            }
            if (step == CTrackReader::EStep::Ended) {
                // Stop is posted once; the reader stays ended, so the loop reads no further
                // until Stop has rewound it.
                // A track opened or rewound before the Stop comes round is not stopped.
                QMetaObject::invokeMethod(
                    this,
                    [this] {
                        if (m_app.GetReader().HasEnded()) {
                            OnStop();
                        }
                    },
                    Qt::QueuedConnection);
                if (IPlaybackObserver* pObserver = m_pObserver) {
                    pObserver->OnStopPosted();
                }
                std::unique_lock lock(m_wakeMutex);
                m_wake.wait_for(lock, kEndRest, [this] { return m_bStopThread.load(); });
            }
        }
        if (nStatus == CSoundFilePlayer::kPlaying) {
            std::this_thread::sleep_for(kPollInterval);
        } else {
            // Nothing moves the clock: rest until a transport change says otherwise.
            std::unique_lock lock(m_wakeMutex);
            m_wake.wait_for(lock, kIdleRest,
                            [this] { return m_bWakeRequested || m_bStopThread.load(); });
            m_bWakeRequested = false;
        }
    }
    m_bThreadDone = true;
}

void CPlayerDlg::WakePlayback() {
    {
        std::lock_guard lock(m_wakeMutex);
        m_bWakeRequested = true;
    }
    m_wake.notify_all();
}

void CPlayerDlg::OnTimerTick() {
    if (m_bSwitchingView || m_bOpening) {
        return;
    }
    if (m_bTickBusy.exchange(true)) {
        return;
    }
    CSoundFilePlayer& player = m_app.GetPlayer();
    if (m_bFastForwardHeld) {
        player.SetPositionInSeconds(player.GetPositionInSeconds() + kFastForwardStep);
        WakePlayback();  // a paused picture follows too
    }
    // A frame is composed only when the screen's picture changed since the last one, and
    // counts as shown only once it was; the view repaints its last frame by itself.
    const uint64_t nChanges = m_pScreen->GetPictureChanges();
    if (m_pView != nullptr && nChanges != m_nRenderedChanges && m_pView->Render()) {
        m_nRenderedChanges = nChanges;
    }
    m_bTickBusy = false;

    // The audio is over when the player stopped by itself, or when silence, which never
    // runs dry, reaches its length.
    auto audioOver = [this, &player] {
        const int nStatus = player.GetStatus();
        return nStatus == CSoundFilePlayer::kStopped ||
               (nStatus == CSoundFilePlayer::kPlaying &&
                player.GetPositionInSeconds() >= m_dAudioEnd);
    };
    const int nDelay = m_nEndCheckDelay;
    if (nDelay == 1 && audioOver()) {
        std::unique_lock lock(m_transportMutex, std::try_to_lock);
        // A command running on the UI thread decides for itself; look again next tick.
        if (lock.owns_lock() && m_nEndCheckDelay == 1 && audioOver()) {
            StopTransport();
            QMetaObject::invokeMethod(
                this, [this] { StopWindowWork(); }, Qt::QueuedConnection);
        }
    } else if (nDelay > 1) {
        // Counts down unless Play/Pause has just set the delay afresh.
        int nExpected = nDelay;
        m_nEndCheckDelay.compare_exchange_strong(nExpected, nDelay - 1);
    }
}

bool CPlayerDlg::TogglePlayback() {
    std::lock_guard lock(m_transportMutex);
    CSoundFilePlayer& player = m_app.GetPlayer();
    m_nEndCheckDelay = kEndCheckTicks;
    if (player.GetStatus() == CSoundFilePlayer::kStopped) {
        m_app.GetReader().ClearEnd();
        player.PlayFile(-1, -1, false);
    } else {
        player.Pause();
    }
    WakePlayback();
    std::this_thread::sleep_for(kStatusSettle);
    return player.GetStatus() == CSoundFilePlayer::kPlaying;
}

void CPlayerDlg::StopTransport() {
    std::lock_guard lock(m_transportMutex);
    m_nEndCheckDelay = 0;
    m_app.GetPlayer().Stop();
    m_app.GetReader().Rewind();
    if (m_pScreen) {
        m_pScreen->Clear();
    }
}

int32_t CPlayerDlg::GetPacketIndex() {
    return m_app.GetReader().GetPacketIndex();
}
