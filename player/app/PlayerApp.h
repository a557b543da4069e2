// CPlayerApp: the application object; owns the sound player, the packet reader and the source.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QString>
#include <QUrl>

#include "player/app/TrackReader.h"
#include "tindlib/PlaybackManager.h"
#include "tindlib/SoundFile.h"
#include "tindlib/SoundFilePlayer.h"

class CPlayerDlg;

// The tick rate setting: "FPS" in "Settings", default 25, usable from 1 to 1000.
inline constexpr int kDefaultFps = 25;
inline constexpr int kMinFps = 1;
inline constexpr int kMaxFps = 1000;
// Mode every source and track is opened with (read access, no sharing restriction).
inline constexpr unsigned kOpenModeRead = 64;

// One per process, made on the UI thread before the dialog and destroyed after it.
// Members are used on the UI thread, except the player and the track reader, which are
// safe from any thread (the dialog's playback thread and tick use them).
class CPlayerApp {
public:
    CPlayerApp();
    ~CPlayerApp();
    CPlayerApp(const CPlayerApp&) = delete;
    CPlayerApp& operator=(const CPlayerApp&) = delete;

    // The application object (null before it is made or after it is gone).
    static CPlayerApp* Get() { return s_pApp; }

    // Settings names, the sound library's peak-file flag, and the command line: the
    // arguments after the program's name, joined by blanks into one path.
    void InitInstance(const QString& strProgram, const QStringList& args);
    // Runs the main dialog modally to its end; returns how it ended (accepted or not).
    int Run();
    // Drops the sound source (the player is given none first).
    int ExitInstance();

    // Reads "FPS" from the settings, replaces an unusable value by 25 and writes the
    // result back. Needs the application's organisation and name to be set.
    static int LoadFps();
    // The help page beside the program.
    static QString HelpPath();
    // Opens the help page in the desktop's browser; false when no browser could be started.
    static bool OnHelp();
    // Opens URLs for the help command and the links; tests replace it.
    static void SetUrlOpener(std::function<bool(const QUrl&)> opener);
    static bool OpenUrl(const QUrl& url);

    // Hands the player a new source (or none) and takes ownership; the old one is deleted
    // after the player has let go of it. False when the player cannot play the source.
    bool SetSoundFile(std::unique_ptr<tindlib::CSoundFile> pSoundFile);

    // The current source, null while no track is loaded (UI thread).
    tindlib::CSoundFile* GetSoundFile() const { return m_pSoundFile.get(); }
    // The transport and clock of the current source; any thread.
    tindlib::CSoundFilePlayer& GetPlayer() { return m_player; }
    // The audio output the player plays on; any thread.
    tindlib::CPlaybackManager& GetPlaybackManager() { return m_playbackManager; }
    // The current track's packets; any thread.
    CTrackReader& GetReader() { return m_reader; }

    std::string m_strCmdLine;
    // The main dialog while Run runs it, else null (UI thread).
    CPlayerDlg* m_pMainWnd = nullptr;

private:
    static inline CPlayerApp* s_pApp = nullptr;

    tindlib::CPlaybackManager m_playbackManager;
    tindlib::CSoundFilePlayer m_player;
    std::unique_ptr<tindlib::CSoundFile> m_pSoundFile;
    CTrackReader m_reader;
};
