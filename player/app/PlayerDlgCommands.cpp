// CPlayerDlg's commands on the UI thread: the buttons' dispatch, the full-screen switch,
// and the window's part of the transport (Play/Pause, Stop, the time label).
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

#include "player/app/ButtonIcons.h"
#include "player/app/PlayerApp.h"
#include "player/app/PlayerDlg.h"
#include "player/cdg/view/CdgView.h"

void CPlayerDlg::OnCommand(int nId) {
    switch (nId) {
        case IDC_FULLSCREEN:
            OnFullScreen();
            break;
        case IDC_OPEN:
            OnOpen();
            break;
        case IDC_PLAY:
            OnPlayPause();
            break;
        case IDC_STOP:
            OnStop();
            break;
        case IDC_CLOSE:
            accept();
            break;
        case IDC_INITIAL_OPEN:
            OnInitialOpen();
            break;
        default:
            break;  // fast forward is the tick's work
    }
}

void CPlayerDlg::OnFullScreen() {
    if (m_pView == nullptr) {
        return;
    }
    m_bSwitchingView = true;
    const bool bFullScreen = !m_pView->IsFullScreen();
    m_pView->SetFullScreen(bFullScreen);
    PlaceView();
    if (!bFullScreen) {
        activateWindow();
        setFocus(Qt::OtherFocusReason);
    }
    m_bSwitchingView = false;
    // The pointer is hidden exactly while the view covers the screen.
    if (bFullScreen && !m_bCursorHidden) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
        m_bCursorHidden = true;
    } else if (!bFullScreen && m_bCursorHidden) {
        QGuiApplication::restoreOverrideCursor();
        m_bCursorHidden = false;
    }
}

void CPlayerDlg::OnPlayPause() {
    std::lock_guard lock(m_transportMutex);
    if (m_app.GetSoundFile() == nullptr) {
        return;
    }
    SetPlayImage(TogglePlayback());
}

void CPlayerDlg::OnStop() {
    std::lock_guard lock(m_transportMutex);
    StopTransport();
    StopWindowWork();
}

void CPlayerDlg::StopWindowWork() {
    SetPlayImage(false);
    if (m_pView != nullptr && m_pView->IsFullScreen()) {
        OnFullScreen();
    }
}

void CPlayerDlg::SetPlayImage(bool bPause) {
    if (m_pPlay != nullptr) {
        m_pPlay->setIcon(MakeButtonIcon(bPause ? EButtonPicture::Pause : EButtonPicture::Play));
    }
}

void CPlayerDlg::ShowTime(int nSeconds) {
    m_pTime->setText(
        QStringLiteral("%1:%2").arg(nSeconds / 60).arg(nSeconds % 60, 2, 10, QLatin1Char('0')));
}
