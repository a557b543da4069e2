// CPlayerApp: start-up, settings, help and the ownership of the sound source.
#include "player/app/PlayerApp.h"

#include <mutex>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include "player/app/PlayerDlg.h"
#include "player/archive/TrackFolder.h"

namespace {

constexpr char kHelpPage[] = "player.htm";

std::mutex g_openerMutex;
std::function<bool(const QUrl&)> g_urlOpener;  // guarded by g_openerMutex

}  // namespace

CPlayerApp::CPlayerApp() {
    m_player.SetPlaybackManager(&m_playbackManager);
    s_pApp = this;
}

CPlayerApp::~CPlayerApp() {
    ExitInstance();
    m_cdgFile.Close();
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
