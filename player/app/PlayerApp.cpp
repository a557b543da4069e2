// CPlayerApp: start-up, settings, help and the ownership of the sound source.
#include "player/app/PlayerApp.h"

#include <mutex>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QThread>

#include "player/app/PlayerDlg.h"
#include "player/archive/TrackFolder.h"
#include "player/audio/DecodedSoundFile.h"
#include "player/util/DisplayText.h"
#include "player/util/ResourceStrings.h"

namespace {

constexpr char kHelpPage[] = "player.htm";

static_assert(CDecodedSoundFile::IDS_CANNOT_SEEK == IDS_CANNOT_SEEK,
              "the decoded source reports an id of the string table");

// Shows what the decoded source reports as the string table's error message. Sources are
// opened on the UI thread; from any other thread the box is queued to it, never waited for.
void ShowSourceMessage(int nId, const std::string&) {
    QCoreApplication* pApp = QCoreApplication::instance();
    if (pApp == nullptr) {
        return;
    }
    if (QThread::currentThread() == pApp->thread()) {
        ShowMessage(nId, kMessageError);
    } else {
        QMetaObject::invokeMethod(
            pApp, [nId] { ShowMessage(nId, kMessageError); }, Qt::QueuedConnection);
    }
}

std::mutex g_openerMutex;
std::function<bool(const QUrl&)> g_urlOpener;  // guarded by g_openerMutex

}  // namespace

CPlayerApp::CPlayerApp() {
    m_player.SetPlaybackManager(&m_playbackManager);
    s_pApp = this;
}

CPlayerApp::~CPlayerApp() {
    ExitInstance();
    m_reader.Close();
    CDecodedSoundFile::SetMessageHook(nullptr);
    if (s_pApp == this) {
        s_pApp = nullptr;
    }
}

void CPlayerApp::InitInstance(const QString& strProgram, const QStringList& args) {
    QCoreApplication::setOrganizationName(QStringLiteral("Quillet"));
    // The settings live under the program's own name, so a renamed copy keeps its own.
    QCoreApplication::setApplicationName(QFileInfo(strProgram).completeBaseName());
    tindlib::CSoundFile::c_bCreatePeakFiles = false;
    // Unpacked zip tracks of runs that were killed before they could clean up.
    CTrackFolder::RemoveLeftovers();
    CDecodedSoundFile::SetMessageHook(&ShowSourceMessage);
    // The shell splits an unquoted path with blanks; the whole line is one path again.
    m_strCmdLine = args.join(QLatin1Char(' ')).toStdString();
}

int CPlayerApp::Run() {
    CPlayerDlg dlg;
    m_pMainWnd = &dlg;
    const int nResult = dlg.exec();
    m_pMainWnd = nullptr;
    return nResult;
}

int CPlayerApp::ExitInstance() {
    m_player.Stop();
    SetSoundFile(nullptr);
    return 0;
}

bool CPlayerApp::SetSoundFile(std::unique_ptr<tindlib::CSoundFile> pSoundFile) {
    // The player must never read a deleted source: it lets go of the old one first.
    const bool bAccepted = m_player.SetSoundFile(pSoundFile.get());
    m_pSoundFile = std::move(pSoundFile);
    return bAccepted;
}

int CPlayerApp::LoadFps() {
    QSettings settings;
    bool bNumber = false;
    int nFps =
        settings.value(QStringLiteral("Settings/FPS"), kDefaultFps).toString().toInt(&bNumber);
    if (!bNumber || nFps < kMinFps || nFps > kMaxFps) {
        nFps = kDefaultFps;
    }
    settings.setValue(QStringLiteral("Settings/FPS"), nFps);
    settings.sync();
    return nFps;
}

QString CPlayerApp::HelpPath() {
    // Shipped beside the program, in the build tree and when installed alike.
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QLatin1String(kHelpPage));
}

bool CPlayerApp::OnHelp() {
    return OpenUrl(QUrl::fromLocalFile(HelpPath()));
}

void CPlayerApp::SetUrlOpener(std::function<bool(const QUrl&)> opener) {
    std::lock_guard lock(g_openerMutex);
    g_urlOpener = std::move(opener);
}

bool CPlayerApp::OpenUrl(const QUrl& url) {
    std::function<bool(const QUrl&)> opener;
    {
        std::lock_guard lock(g_openerMutex);
        opener = g_urlOpener;
    }
    return opener ? opener(url) : QDesktopServices::openUrl(url);
}
