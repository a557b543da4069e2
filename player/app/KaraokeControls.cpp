// CKaraokeControls: actions and shortcuts, applying the values, the notice over the video.
#include "player/app/KaraokeControls.h"

#include <algorithm>
#include <string>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QWidget>

#include "tindlib/PitchShifter.h"
#include "tindlib/PlaybackManager.h"
#include "tindlib/SoundFilePlayer.h"

namespace {

struct ActionSpec {
    EKaraokeCommand command;
    const char* pszText;
    QKeySequence shortcut;
};

// Modifier keys throughout: plain keys in the video switch full screen.
const ActionSpec kActions[] = {
    {EKaraokeCommand::ToggleVocals, "Remove vocals", QKeySequence(Qt::CTRL | Qt::Key_V)},
    {EKaraokeCommand::KeyUp, "Key up", QKeySequence(Qt::CTRL | Qt::Key_Up)},
    {EKaraokeCommand::KeyDown, "Key down", QKeySequence(Qt::CTRL | Qt::Key_Down)},
    {EKaraokeCommand::OriginalKey, "Original key", QKeySequence(Qt::CTRL | Qt::Key_0)},
    {EKaraokeCommand::LyricsEarlier, "Lyrics earlier", QKeySequence(Qt::CTRL | Qt::Key_Left)},
    {EKaraokeCommand::LyricsLater, "Lyrics later", QKeySequence(Qt::CTRL | Qt::Key_Right)},
    {EKaraokeCommand::ResetSync, "Reset sync", QKeySequence(Qt::CTRL | Qt::Key_Backspace)},
};

// Finds the `skellan` element: GStreamer's own paths first, then the build tree's plugin
// folder and the install folders beside the program.
void FindVocalRemoverPlugin() {
    const QDir app(QCoreApplication::applicationDirPath());
    const QString candidates[] = {
        QString(),  // already known to GStreamer
        app.filePath(QStringLiteral("../../plugins")),
        app.filePath(QStringLiteral("../" QUILLET_LIBDIR "/gstreamer-1.0")),
        app.filePath(QStringLiteral("../lib/gstreamer-1.0")),
        app.filePath(QStringLiteral("../share/gstreamer-1.0/plugins")),
    };
    for (const QString& dir : candidates) {
        const QString file =
            dir.isEmpty() ? QString() : QDir(dir).filePath(QStringLiteral("libgstskellan.so"));
        if (tindlib::CPlaybackManager::LoadVocalRemoverPlugin(file.toStdString())) {
            return;
        }
    }
}

QString SignedText(int n) {
    return n > 0 ? QStringLiteral("+%1").arg(n) : QString::number(n);
}

}  // namespace

CKaraokeControls::CKaraokeControls(QWidget* pDialog, QWidget* pVideo,
                                   tindlib::CSoundFilePlayer& player)
    : m_player(player), m_pVideo(pVideo) {
    FindVocalRemoverPlugin();
    std::string strWhy;
    if (!tindlib::CPlaybackManager::IsVocalRemoverAvailable(&strWhy)) {
        m_strVocalsMissing = QString::fromStdString(strWhy);
    }
    strWhy.clear();
    if (!tindlib::CPitchShifter::IsAvailable(&strWhy)) {
        m_strKeyMissing = QString::fromStdString(strWhy);
    }
    m_settings = karaoke::LoadSettings();
    m_nSyncOffsetMs = m_settings.nSyncOffsetMs;
    CreateActions(pDialog);

    m_noticeTimer.setSingleShot(true);
    m_noticeTimer.setInterval(kNoticeMs);
    connect(&m_noticeTimer, &QTimer::timeout, this, [this] {
        if (m_pNotice != nullptr) {
            m_pNotice->hide();
        }
    });
    if (m_pVideo != nullptr) {
        m_pVideo->installEventFilter(this);
    }
    // A value asked for that cannot be had is said once, at start.
    ApplyVocals(m_settings.bVocalRemoval && !m_strVocalsMissing.isEmpty());
    ApplyKey(m_settings.nKeySemitones != 0 && !m_strKeyMissing.isEmpty());
}

CKaraokeControls::~CKaraokeControls() {
    if (m_pVideo != nullptr) {
        m_pVideo->removeEventFilter(this);
    }
    delete m_pNotice;  // null once the video has taken it down with itself
}

void CKaraokeControls::CreateActions(QWidget* pDialog) {
    for (const ActionSpec& spec : kActions) {
        auto* pAction = new QAction(QString::fromLatin1(spec.pszText), this);
        pAction->setShortcut(spec.shortcut);
        // The full-screen view is a window of its own: the shortcuts work in every one.
        pAction->setShortcutContext(Qt::ApplicationShortcut);
        const EKaraokeCommand command = spec.command;
        connect(pAction, &QAction::triggered, this, [this, command] { Execute(command); });
        pDialog->addAction(pAction);
        m_actions[static_cast<int>(command)] = pAction;
    }
    QAction* pVocals = GetAction(EKaraokeCommand::ToggleVocals);
    pVocals->setCheckable(true);
    pVocals->setChecked(m_settings.bVocalRemoval && m_strVocalsMissing.isEmpty());
    if (!m_strVocalsMissing.isEmpty()) {
        pVocals->setEnabled(false);
        pVocals->setToolTip(QStringLiteral("Not available: %1").arg(m_strVocalsMissing));
    }
    if (!m_strKeyMissing.isEmpty()) {
        for (auto command :
             {EKaraokeCommand::KeyUp, EKaraokeCommand::KeyDown, EKaraokeCommand::OriginalKey}) {
            GetAction(command)->setEnabled(false);
            GetAction(command)->setToolTip(
                QStringLiteral("Not available: %1").arg(m_strKeyMissing));
        }
    }
}

QAction* CKaraokeControls::GetAction(EKaraokeCommand command) const {
    return m_actions[static_cast<int>(command)];
}

void CKaraokeControls::AddToMenu(QMenu* pMenu) const {
    pMenu->setToolTipsVisible(true);  // says why an item is not available
    pMenu->addSeparator();
    pMenu->addAction(GetAction(EKaraokeCommand::ToggleVocals));
    pMenu->addSeparator();
    for (auto command :
         {EKaraokeCommand::KeyUp, EKaraokeCommand::KeyDown, EKaraokeCommand::OriginalKey}) {
        pMenu->addAction(GetAction(command));
    }
    pMenu->addSeparator();
    for (auto command : {EKaraokeCommand::LyricsEarlier, EKaraokeCommand::LyricsLater,
                         EKaraokeCommand::ResetSync}) {
        pMenu->addAction(GetAction(command));
    }
}

void CKaraokeControls::Execute(EKaraokeCommand command) {
    switch (command) {
        case EKaraokeCommand::ToggleVocals:
            m_settings.bVocalRemoval = !m_settings.bVocalRemoval;
            ApplyVocals(true);
            break;
        case EKaraokeCommand::KeyUp:
        case EKaraokeCommand::KeyDown:
        case EKaraokeCommand::OriginalKey: {
            const int nStep = command == EKaraokeCommand::KeyUp     ? 1
                              : command == EKaraokeCommand::KeyDown ? -1
                                                                    : 0;
            m_settings.nKeySemitones =
                nStep == 0 ? 0 : karaoke::ClampKey(m_settings.nKeySemitones + nStep);
            ApplyKey(true);
            break;
        }
        case EKaraokeCommand::LyricsEarlier:
            SetSyncOffset(m_settings.nSyncOffsetMs - kSyncOffsetStepMs);
            break;
        case EKaraokeCommand::LyricsLater:
            SetSyncOffset(m_settings.nSyncOffsetMs + kSyncOffsetStepMs);
            break;
        case EKaraokeCommand::ResetSync:
            SetSyncOffset(0);
            break;
    }
}

void CKaraokeControls::ApplyVocals(bool bAnnounce) {
    QAction* pVocals = GetAction(EKaraokeCommand::ToggleVocals);
    if (!m_strVocalsMissing.isEmpty()) {
        // The wish is kept for a system that has the filter; nothing reaches the audio.
        pVocals->setChecked(false);
        if (bAnnounce) {
            ShowNotice(QStringLiteral("Vocal removal not available: %1").arg(m_strVocalsMissing));
        }
        return;
    }
    const bool bOn = m_settings.bVocalRemoval;
    pVocals->setChecked(bOn);
    const bool bApplied = m_player.SetVocalRemoval(bOn);
    Changed();
    if (!bAnnounce) {
        return;
    }
    if (bOn && !bApplied && m_player.GetSoundFile() != nullptr) {
        // The filter takes 8- and 16-bit audio only; it comes back with the next track.
        ShowNotice(QStringLiteral("Vocal removal not available for this audio"));
    } else {
        ShowNotice(bOn ? QStringLiteral("Vocals removed") : QStringLiteral("Vocals restored"));
    }
}

void CKaraokeControls::ApplyKey(bool bAnnounce) {
    if (!m_strKeyMissing.isEmpty()) {
        if (bAnnounce) {
            ShowNotice(QStringLiteral("Key change not available: %1").arg(m_strKeyMissing));
        }
        return;
    }
    m_player.SetKeySemitones(m_settings.nKeySemitones);
    Changed();
    if (bAnnounce) {
        ShowNotice(m_settings.nKeySemitones == 0
                       ? QStringLiteral("Original key")
                       : QStringLiteral("Key %1").arg(SignedText(m_settings.nKeySemitones)));
    }
}

void CKaraokeControls::SetSyncOffset(int nMs) {
    m_settings.nSyncOffsetMs = karaoke::ClampSyncOffset(nMs);
    m_nSyncOffsetMs = m_settings.nSyncOffsetMs;
    Changed();
    ShowNotice(QStringLiteral("Lyrics %1 ms").arg(SignedText(m_settings.nSyncOffsetMs)));
}

void CKaraokeControls::Changed() {
    karaoke::SaveSettings(m_settings);
}

void CKaraokeControls::ShowNotice(const QString& strText) {
    if (m_pVideo == nullptr) {
        return;
    }
    if (m_pNotice == nullptr) {
        m_pNotice = new QLabel(m_pVideo);
        m_pNotice->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_pNotice->setAlignment(Qt::AlignCenter);
        m_pNotice->setStyleSheet(
            QStringLiteral("QLabel { color: white; background: rgba(0, 0, 0, 160); "
                           "border-radius: 6px; padding: 4px 10px; font-weight: bold; }"));
    }
    m_pNotice->setText(strText);
    PlaceNotice();
    m_pNotice->show();
    m_pNotice->raise();
    m_noticeTimer.start();
}

void CKaraokeControls::PlaceNotice() {
    if (m_pNotice == nullptr || m_pVideo == nullptr) {
        return;
    }
    // Readable at any size of the video, full screen included.
    QFont font = m_pNotice->font();
    font.setPixelSize(std::max(12, m_pVideo->height() / 18));
    m_pNotice->setFont(font);
    m_pNotice->adjustSize();
    const int nWidth = std::min(m_pNotice->width(), m_pVideo->width());
    m_pNotice->setGeometry((m_pVideo->width() - nWidth) / 2, m_pVideo->height() / 12, nWidth,
                           m_pNotice->height());
}

QString CKaraokeControls::GetNoticeText() const {
    return m_pNotice != nullptr && m_pNotice->isVisible() ? m_pNotice->text() : QString();
}

bool CKaraokeControls::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pWatched == m_pVideo) {
        if (pEvent->type() == QEvent::ShortcutOverride) {
            // The video claims every key for itself; the karaoke shortcuts are let through.
            auto* pKey = static_cast<QKeyEvent*>(pEvent);
            const QKeySequence pressed(pKey->keyCombination());
            for (QAction* pAction : m_actions) {
                if (pAction->isEnabled() && pAction->shortcut() == pressed) {
                    pEvent->ignore();
                    return true;
                }
            }
        } else if (pEvent->type() == QEvent::KeyPress &&
                   static_cast<QKeyEvent*>(pEvent)->key() == Qt::Key_Control) {
            // Ctrl alone starts a karaoke shortcut; it must not switch full screen.
            return true;
        } else if (pEvent->type() == QEvent::Resize) {
            PlaceNotice();
        }
    }
    return QObject::eventFilter(pWatched, pEvent);
}
