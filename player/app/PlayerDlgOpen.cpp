// CPlayerDlg's track opening: the Open and Initial open commands and the audio lookup.
#include <QFileDialog>
#include <QLabel>

#include "player/app/AudioLookup.h"
#include "player/app/PlayerApp.h"
#include "player/app/PlayerDlg.h"
#include "player/app/RecentTracks.h"
#include "player/util/DisplayText.h"
#include "player/util/PathUtil.h"
#include "player/util/ResourceStrings.h"

void CPlayerDlg::OnOpen() {
    // Ticks stand still until the command is done.
    m_bOpening = true;
    OnStop();
    m_app.SetSoundFile(nullptr);
    const QString strInitial = QString::fromStdString(m_strPath);
    QString strChosen;
    if (m_fileChooser) {
        strChosen = m_fileChooser(strInitial);
    } else {
        QFileDialog dialog(this);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setDefaultSuffix(QStringLiteral("cdg"));
        dialog.setNameFilters(
            {QStringLiteral("CDG tracks (*.cdg *.bin *.zip)"), QStringLiteral("All files (*)")});
        if (!strInitial.isEmpty()) {
            dialog.selectFile(strInitial);
        }
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            strChosen = dialog.selectedFiles().front();
        }
    }
    if (!strChosen.isEmpty()) {
        OpenTrack(strChosen.toStdString());
    }
    m_bOpening = false;
}

void CPlayerDlg::OnInitialOpen() {
    if (m_app.m_strCmdLine.empty()) {
        return;
    }
    std::string strPath = StripQuotes(m_app.m_strCmdLine);
    // Blanks inside the quotes go too.
    const auto nFirst = strPath.find_first_not_of(" \t\r\n");
    const auto nLast = strPath.find_last_not_of(" \t\r\n");
    strPath =
        nFirst == std::string::npos ? std::string() : strPath.substr(nFirst, nLast - nFirst + 1);
    OpenTrack(strPath);
}

void CPlayerDlg::OpenTrack(const std::string& strPath) {
    std::lock_guard transport(m_transportMutex);
    m_strPath = strPath;
    // A zip plays from its unpacked copy; the path shown stays the zip's.
    std::string strTrackFile;
    if (!PrepareTrackFile(strPath, strTrackFile)) {
        return;
    }
    bool bOpened = false;
    {
        // The playback thread may be between two packets; it never sees a half-open reader.
        std::lock_guard lock(m_readerMutex);
        m_app.m_cdgFile.Close();
        bOpened = m_app.m_cdgFile.Open(strTrackFile);
        m_bEndPosted = false;
    }
    if (!bOpened) {
        if (m_messageHook) {
            m_messageHook(IDS_CANNOT_OPEN, kMessageError);
        } else {
            ShowMessage(IDS_CANNOT_OPEN, kMessageError, this);
        }
        return;
    }

    CRecentTracks::Add(QString::fromStdString(strPath));

    const AudioChoice audio = FindAudio(strTrackFile);
    std::unique_ptr<tindlib::CSoundFile> pSource = MakeSoundFile(audio.source);
    if (pSource && pSource->Open(audio.strPath, kOpenModeRead)) {
        m_app.SetSoundFile(std::move(pSource));
        OnPlayPause();
    } else {
        m_app.SetSoundFile(nullptr);
    }

    if (m_pCurrentFile != nullptr) {
        m_pCurrentFile->setText(FitPathToControl(m_strPath, m_pCurrentFile, nullptr, nullptr, -1));
        m_pCurrentFile->setToolTip(QString::fromStdString(m_strPath));
    }
}
