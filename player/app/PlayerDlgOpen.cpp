// CPlayerDlg's track opening: the Open and Initial open commands and the audio lookup.
#include <filesystem>
#include <system_error>

#include <QFileDialog>
#include <QLabel>
#include <unistd.h>

#include "player/app/AudioLookup.h"
#include "player/app/PlayerApp.h"
#include "player/app/PlayerDlg.h"
#include "player/app/RecentTracks.h"
#include "player/audio/SilentSoundFile.h"
#include "player/util/DisplayText.h"
#include "player/util/PathUtil.h"
#include "player/util/ResourceStrings.h"

namespace {

// Why a file cannot be opened, as the user should hear it.
int ReasonFor(const std::string& strPath) {
    std::error_code error;
    const auto status = std::filesystem::status(strPath, error);
    if (!std::filesystem::exists(status)) {
        return IDS_REASON_NOT_FOUND;
    }
    if (std::filesystem::is_directory(status)) {
        return IDS_REASON_FOLDER;
    }
    if (::access(strPath.c_str(), R_OK) != 0) {
        return IDS_REASON_NOT_READABLE;
    }
    return IDS_REASON_NOT_TRACK;
}

QString FileName(const std::string& strPath) {
    return QString::fromStdString(std::filesystem::path(strPath).filename().string());
}

}  // namespace

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
    // The playback thread may be between two packets; it never sees a half-open reader.
    if (!m_app.GetReader().Open(strTrackFile)) {
        ReportMessage(
            IDS_CANNOT_OPEN, kMessageError,
            FileName(strPath) + QStringLiteral(": ") + LoadResourceString(ReasonFor(strPath)));
        return;
    }

    CRecentTracks::Add(QString::fromStdString(strPath));

    ShowNotice(QString());
    bool bSilent = false;
    std::unique_ptr<tindlib::CSoundFile> pSource = OpenSoundFile(strTrackFile, &bSilent);
    // Silence reads on past its length; the tick ends the track there.
    m_dAudioEnd = bSilent ? static_cast<double>(CSilentSoundFile::kLength) /
                                pSource->GetFormat().nSamplesPerSec
                          : std::numeric_limits<double>::infinity();
    if (m_app.SetSoundFile(std::move(pSource))) {
        if (!m_app.GetPlaybackManager().HasOutput() && !m_bNoOutputSaid) {
            m_bNoOutputSaid = true;
            ShowNotice(LoadResourceString(IDS_NO_AUDIO_OUTPUT),
                       LoadResourceString(IDS_NO_AUDIO_OUTPUT_DETAIL));
        }
        OnPlayPause();
    } else {
        m_app.SetSoundFile(nullptr);
    }

    if (m_pCurrentFile != nullptr) {
        m_pCurrentFile->setText(FitPathToControl(m_strPath, m_pCurrentFile, nullptr, nullptr, -1));
        m_pCurrentFile->setToolTip(QString::fromStdString(m_strPath));
    }
}

std::unique_ptr<tindlib::CSoundFile> CPlayerDlg::OpenSoundFile(const std::string& strTrackPath,
                                                               bool* pbSilent) {
    const AudioChoice audio = FindAudio(strTrackPath);
    std::unique_ptr<tindlib::CSoundFile> pSource = MakeSoundFile(audio.source);
    *pbSilent = audio.source == EAudioSource::Silence;
    if (pSource && pSource->Open(audio.strPath, kOpenModeRead)) {
        return pSource;
    }
    if (!*pbSilent) {
        const int nReason = ReasonFor(audio.strPath);
        const QString strReason =
            LoadResourceString(nReason == IDS_REASON_NOT_TRACK ? IDS_REASON_NOT_DECODED : nReason);
        ShowNotice(LoadResourceString(IDS_AUDIO_NOT_PLAYED),
                   LoadResourceString(IDS_AUDIO_NOT_PLAYED_DETAIL)
                       .arg(FileName(audio.strPath), strReason));
    }
    pSource = std::make_unique<CSilentSoundFile>();
    pSource->Open(audio.strPath, kOpenModeRead);
    *pbSilent = true;
    return pSource;
}
