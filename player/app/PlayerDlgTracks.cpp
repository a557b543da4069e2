// CPlayerDlg's track files: zips unpacked before opening, dropped files, recent tracks.
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include "player/app/ArchiveMessages.h"
#include "player/app/PlayerApp.h"
#include "player/app/PlayerDlg.h"
#include "player/app/RecentTracks.h"
#include "player/cdg/view/CdgView.h"
#include "player/util/DisplayText.h"
#include "player/util/PathUtil.h"
#include "player/util/ResourceStrings.h"

namespace {

// Widest a recent track's path may be drawn in the menu.
constexpr int kRecentTextWidth = 480;

QString FileName(const QString& strPath) {
    return QFileInfo(strPath).fileName();
}

bool IsTrackFileName(const QString& strName) {
    const QString strSuffix = QFileInfo(strName).suffix().toLower();
    return strSuffix == QLatin1String("cdg") || strSuffix == QLatin1String("bin") ||
           strSuffix == QLatin1String("zip");
}

}  // namespace

bool CPlayerDlg::PrepareTrackFile(const std::string& strPath, std::string& strTrackFile) {
    if (!CZipTrackUnpacker::IsZipPath(strPath)) {
        // Whatever was unpacked for the last track is no longer needed.
        m_unpackedZip.Close();
        strTrackFile = strPath;
        return true;
    }
    ArchiveProblem problem;
    if (m_unpackedZip.Open(strPath, problem)) {
        strTrackFile = m_unpackedZip.GetTrack().strTrack;
        return true;
    }
    // As with any track that cannot be opened, the old one is closed.
    m_app.GetReader().Close();
    ReportMessage(IDS_CANNOT_OPEN, kMessageError,
                  FileName(QString::fromStdString(strPath)) + QStringLiteral(": ") +
                      DescribeArchiveProblem(problem));
    return false;
}

void CPlayerDlg::OpenChosenTrack(const std::string& strPath) {
    // As the Open command does once a file is chosen.
    m_bOpening = true;
    OnStop();
    m_app.SetSoundFile(nullptr);
    OpenTrack(strPath);
    m_bOpening = false;
}

QString CPlayerDlg::DroppedTrack(const QMimeData* pData) {
    if (pData == nullptr || !pData->hasUrls()) {
        return QString();
    }
    // Several files dropped (a track with its music, say): the first track among them.
    for (const QUrl& url : pData->urls()) {
        if (url.isLocalFile() && IsTrackFileName(url.toLocalFile())) {
            return url.toLocalFile();
        }
    }
    return QString();
}

void CPlayerDlg::EnableTrackDrops() {
    setAcceptDrops(true);
    if (m_pView != nullptr) {
        // Full screen the view is a window of its own, so its drags come here through
        // the filter rather than up the widget tree.
        m_pView->setAcceptDrops(true);
        m_pView->installEventFilter(this);
    }
}

bool CPlayerDlg::HandleTrackDrag(QEvent* pEvent) {
    auto* pDrop = static_cast<QDropEvent*>(pEvent);
    const QString strTrack = DroppedTrack(pDrop->mimeData());
    if (strTrack.isEmpty()) {
        // Refused: the pointer shows the drop is not taken.
        pDrop->ignore();
        return true;
    }
    pDrop->acceptProposedAction();
    if (pEvent->type() == QEvent::Drop) {
        // After the drop has finished, so that a message box does not hold the drag.
        const std::string strPath = strTrack.toStdString();
        QMetaObject::invokeMethod(
            this, [this, strPath] { OpenChosenTrack(strPath); }, Qt::QueuedConnection);
    }
    return true;
}

bool CPlayerDlg::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pWatched == m_pView &&
        (pEvent->type() == QEvent::DragEnter || pEvent->type() == QEvent::DragMove ||
         pEvent->type() == QEvent::Drop)) {
        return HandleTrackDrag(pEvent);
    }
    return QDialog::eventFilter(pWatched, pEvent);
}

void CPlayerDlg::dragEnterEvent(QDragEnterEvent* pEvent) {
    HandleTrackDrag(pEvent);
}

void CPlayerDlg::dragMoveEvent(QDragMoveEvent* pEvent) {
    HandleTrackDrag(pEvent);
}

void CPlayerDlg::dropEvent(QDropEvent* pEvent) {
    HandleTrackDrag(pEvent);
}

void CPlayerDlg::AddRecentTracksMenu(QMenu* pMenu) {
    QMenu* pRecent = pMenu->addMenu(QCoreApplication::translate("Quillet", "&Recent tracks"));
    const QStringList tracks = CRecentTracks::Load();
    pRecent->setEnabled(!tracks.isEmpty());
    const QFontMetrics metrics(pRecent->font());
    for (int i = 0; i < tracks.size(); ++i) {
        QString strText = metrics.elidedText(tracks[i], Qt::ElideMiddle, kRecentTextWidth);
        strText.replace(QLatin1Char('&'), QLatin1String("&&"));
        // Numbered 1 to 9 and 0, as their keys lie on the keyboard.
        const QString strNumber = QString::number((i + 1) % 10);
        QAction* pAction = pRecent->addAction(QStringLiteral("&%1 %2").arg(strNumber, strText));
        pAction->setData(tracks[i]);
        pAction->setToolTip(tracks[i]);
        const QString strPath = tracks[i];
        connect(pAction, &QAction::triggered, this, [this, strPath] { OnRecentTrack(strPath); });
    }
}

void CPlayerDlg::OnRecentTrack(const QString& strPath) {
    if (!FileExists(strPath.toStdString())) {
        CRecentTracks::Remove(strPath);
        ReportMessage(
            IDS_CANNOT_OPEN, kMessageError,
            FileName(strPath) + QStringLiteral(": ") +
                QCoreApplication::translate("Quillet",
                                            "no longer there; it has been taken off the recent "
                                            "tracks"));
        return;
    }
    OpenChosenTrack(strPath.toStdString());
}
