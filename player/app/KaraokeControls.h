// CKaraokeControls: the player's vocal removal, key change and sync offset commands.
#pragma once

#include <atomic>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include "player/app/KaraokeSettings.h"

class QAction;
class QLabel;
class QMenu;
class QWidget;
namespace tindlib {
class CSoundFilePlayer;
}

enum class EKaraokeCommand {
    ToggleVocals,
    KeyUp,
    KeyDown,
    OriginalKey,
    LyricsEarlier,
    LyricsLater,
    ResetSync,
};

// Holds the values (loaded from the settings, written back on every change), applies
// the audio ones to the player, offers the commands as actions with application-wide
// shortcuts (so they work in the full-screen view too), and shows a short notice over
// the video when a value changes.
//
// Threads: everything on the UI thread, except SyncOffsetSeconds (any thread).
class CKaraokeControls : public QObject {
    Q_OBJECT

public:
    // How long a notice stays over the video.
    static constexpr int kNoticeMs = 2000;

    // Finds the vocal remover's plugin, reads the settings and applies them. The actions
    // go into pDialog (for their shortcuts); notices go over pVideo. Both outlive this.
    CKaraokeControls(QWidget* pDialog, QWidget* pVideo, tindlib::CSoundFilePlayer& player);
    ~CKaraokeControls() override;
    CKaraokeControls(const CKaraokeControls&) = delete;
    CKaraokeControls& operator=(const CKaraokeControls&) = delete;

    // Appends the karaoke items to a menu.
    void AddToMenu(QMenu* pMenu) const;
    void Execute(EKaraokeCommand command);
    QAction* GetAction(EKaraokeCommand command) const;

    // The sync offset in seconds: a packet at time t is executed when the audio position
    // reaches t + offset.
    double SyncOffsetSeconds() const { return m_nSyncOffsetMs.load() / 1000.0; }
    const SKaraokeSettings& GetSettings() const { return m_settings; }
    // The notice shown now over the video (empty when none).
    QString GetNoticeText() const;

    // Watches the video's keys so that the karaoke shortcuts reach the actions.
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void CreateActions(QWidget* pDialog);
    void ApplyVocals(bool bAnnounce);
    void ApplyKey(bool bAnnounce);
    void SetSyncOffset(int nMs);
    void Changed();
    void ShowNotice(const QString& strText);
    void PlaceNotice();

    tindlib::CSoundFilePlayer& m_player;
    SKaraokeSettings m_settings;
    std::atomic<int> m_nSyncOffsetMs{0};
    QAction* m_actions[7] = {};
    QPointer<QWidget> m_pVideo;
    QPointer<QLabel> m_pNotice;
    QTimer m_noticeTimer;
    QString m_strVocalsMissing;  // why vocal removal cannot be had, when it cannot
    QString m_strKeyMissing;     // why key change cannot be had, when it cannot
};
