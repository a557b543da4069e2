// CPlayerDlg: the main dialog; owns the screen, the video window, the tick and the playback thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <QDialog>
#include <QSize>

#include "player/app/TickTimer.h"
#include "player/archive/UnpackedZipTrack.h"
#include "player/util/DialogLayout.h"

class CCdgScreen;
class CCdgView;
class CKaraokeControls;
class CPlayerApp;
class QLabel;
class QMenu;
class QMimeData;
class QPushButton;
namespace tindlib {
class CSoundFile;
}
namespace display {
class CDisplay;
}

// Control and command IDs (commands equal the IDs of the buttons that send them).
enum EPlayerControl : int {
    IDC_VIDEO = 1000,
    IDC_FULLSCREEN = 1001,
    IDC_OPEN = 1002,
    IDC_PLAY = 1003,
    IDC_STOP = 1004,
    IDC_CLOSE = 1005,
    IDC_INITIAL_OPEN = 1006,
    IDC_WEBLINK = 1007,
    IDC_NOTICE = 1008,
    IDC_TIME_CAPTION = 1009,
    IDC_TIME = 1010,
    IDC_FASTFORWARD = 1011,
    IDC_CURRENT_FILE = 1013,
    IDC_CURRENT_FILE_CAPTION = 1014,
};

// Watches the playback thread; for benchmarks and tests. Called on the playback thread.
class IPlaybackObserver {
public:
    virtual ~IPlaybackObserver() = default;
    // A packet was executed; dPosition is the audio position read at the start of the
    // pass, at tRead.
    virtual void OnPacketExecuted(int32_t nIndex, double dPosition,
                                  std::chrono::steady_clock::time_point tRead) = 0;
    // The packets ran out and Stop was posted.
    virtual void OnStopPosted() = 0;
};

// Threads: widgets and commands on the UI thread; PlaybackLoop on the playback thread;
// OnTimerTick on the tick's timer thread. Lock order: transport lock, the track reader's
// lock, view lock, screen lock. The application must exist for the dialog's whole life.
class CPlayerDlg : public QDialog {
    Q_OBJECT

public:
    // Makes the display object, the screen and the view, reads the tick rate, and starts
    // the tick and the playback thread.
    explicit CPlayerDlg(QWidget* pParent = nullptr);
    ~CPlayerDlg() override;
    CPlayerDlg(const CPlayerDlg&) = delete;
    CPlayerDlg& operator=(const CPlayerDlg&) = delete;

    // Commands (UI thread).
    void OnCommand(int nId);
    void OnFullScreen();
    void OnOpen();
    void OnInitialOpen();
    void OnPlayPause();
    void OnStop();
    void OpenTrack(const std::string& strPath);
    // What Open does once a file is chosen: stop, drop the sound, open the track. For
    // dropped files and the recent tracks.
    void OpenChosenTrack(const std::string& strPath);

    // For tests and benchmarks.
    CCdgView* GetView() const { return m_pView; }
    CKaraokeControls* GetKaraoke() const { return m_pKaraoke.get(); }
    CCdgScreen* GetScreen() const { return m_pScreen.get(); }
    QWidget* GetDlgItem(int nId) const;
    std::chrono::milliseconds GetTickPeriod() const { return m_tickPeriod; }
    const std::string& GetPath() const { return m_strPath; }
    // The index of the next packet to read, under the reader lock (any thread).
    int32_t GetPacketIndex();
    void SetObserver(IPlaybackObserver* pObserver) { m_pObserver = pObserver; }
    // Stands in for holding the Fast forward button down.
    void SetFastForwardHeld(bool bHeld) { m_bFastForwardHeld = bHeld; }
    bool IsCursorHidden() const { return m_bCursorHidden; }
    // Called with the file dialog's answer instead of showing it, when set (tests).
    void SetFileChooser(std::function<QString(const QString& strInitial)> chooser);
    // Receives the dialog's messages (string id, message-box type, detail text) instead
    // of a message box, when set (tests).
    void SetMessageHook(
        std::function<void(int nStringId, int nType, const QString& strDetail)> hook);
    // What the dialog's notice line says now (a problem with the audio, else the notice).
    QString GetNotice() const;

    // The dialog's right-click menu (the caller owns it).
    QMenu* CreateContextMenu();

    // The first track file (.cdg, .bin or .zip, any case) among dropped data; empty for none.
    static QString DroppedTrack(const QMimeData* pData);
    // The folder the open zip track is unpacked in; empty when the track is no zip.
    std::string GetUnpackedFolder() const { return m_unpackedZip.GetFolder(); }

    // Dialog units of this dialog's font, in pixels (as the templates are drawn).
    QRect MapDialogRect(int nLeft, int nTop, int nWidth, int nHeight) const;

    void done(int nResult) override;

protected:
    void moveEvent(QMoveEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;
    // Tracks dropped on the dialog or the video window open; anything else is refused.
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dragMoveEvent(QDragMoveEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

private:
    void CreateControls();
    void OnInitDialog();
    void PlaceView();
    void SetPlayImage(bool bPause);
    // The time label (UI thread; the playback thread posts it).
    void ShowTime(int nSeconds);
    void ShowAbout();
    void OnHelp();
    // A message box, or the message hook when one is set.
    void ReportMessage(int nStringId, int nType, const QString& strDetail = QString());
    // Puts a short text on the notice line, the whole story in its tool tip; an empty
    // text brings the notice back.
    void ShowNotice(const QString& strText, const QString& strDetail = QString());
    // The source a track plays: its audio, or silence when there is none or it cannot be
    // played (the notice then says why).
    std::unique_ptr<tindlib::CSoundFile> OpenSoundFile(const std::string& strTrackPath,
                                                       bool* pbSilent);
    // Wakes the playback thread out of its rest (after a transport change).
    void WakePlayback();

    // Track files (PlayerDlgTracks.cpp). The file the reader opens for a path: a zip is
    // unpacked first; false, with the problem reported, when it gives no track.
    bool PrepareTrackFile(const std::string& strPath, std::string& strTrackFile);
    void EnableTrackDrops();
    bool HandleTrackDrag(QEvent* pEvent);
    void AddRecentTracksMenu(QMenu* pMenu);
    void OnRecentTrack(const QString& strPath);

    // Playback thread and tick (the loop and the tick of the transport).
    void PlaybackLoop();
    void OnTimerTick();
    // The transport part of Play/Pause: starts a stopped player, else pauses or resumes;
    // true when it now plays. Safe from any thread.
    bool TogglePlayback();
    // Player stop, rewind and clear: safe from the UI thread and the tick.
    void StopTransport();
    // The window part of Stop (UI thread).
    void StopWindowWork();

    CPlayerApp& m_app;
    std::unique_ptr<display::CDisplay> m_pDD;
    std::unique_ptr<CCdgScreen> m_pScreen;
    CCdgView* m_pView = nullptr;  // owned; a child widget only while windowed
    // Vocal removal, key and sync offset; the playback thread reads the offset.
    std::unique_ptr<CKaraokeControls> m_pKaraoke;
    CDialogLayout m_layout;
    QPushButton* m_pPlay = nullptr;
    QLabel* m_pTime = nullptr;
    QLabel* m_pCurrentFile = nullptr;
    QSize m_sizeMinTrack;
    std::chrono::milliseconds m_tickPeriod{40};
    std::string m_strPath;
    std::function<QString(const QString&)> m_fileChooser;
    std::function<void(int, int, const QString&)> m_messageHook;
    QString m_strNotice;           // the notice line's own text, while a problem shows
    bool m_bNoOutputSaid = false;  // "no audio output" is said once
    bool m_bCursorHidden = false;
    bool m_bInitialised = false;
    CUnpackedZipTrack m_unpackedZip;  // the open track's files when it came in a zip

    // --- shared with the playback thread and the tick
    std::atomic<bool> m_bStopThread{false};
    std::atomic<bool> m_bThreadDone{false};
    std::atomic<bool> m_bSwitchingView{false};
    std::atomic<bool> m_bTickBusy{false};
    std::atomic<bool> m_bOpening{false};
    std::atomic<bool> m_bFastForwardHeld{false};
    std::atomic<int> m_nEndCheckDelay{0};
    // Where the audio ends for a source that does not end by itself (silence), in seconds.
    std::atomic<double> m_dAudioEnd{std::numeric_limits<double>::infinity()};
    std::atomic<IPlaybackObserver*> m_pObserver{nullptr};
    // The screen's picture-change count at the last frame composed by a tick; a tick
    // composes only when the count moved. None yet, so the first tick shows the picture.
    uint64_t m_nRenderedChanges = ~uint64_t{0};  // tick thread only
    // Serialises transport changes (Stop, Play/Pause, Open) between the UI and the tick.
    std::recursive_mutex m_transportMutex;
    // The playback thread rests on this while nothing plays; transport changes wake it.
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    bool m_bWakeRequested = false;  // guarded by m_wakeMutex

    CTickTimer m_timer;
    std::thread m_thread;
};
