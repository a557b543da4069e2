// CSoundFilePlayer: plays the current CSoundFile on a CPlaybackManager; the audio clock.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "tindlib/PlaybackManager.h"

namespace tindlib {

class CSoundFile;

// Transport and clock of one sound source.
//
// Status: 0 stopped (also once the source has played to its end), 1 playing, 2 paused.
// The clock (GetPositionInSeconds) is the source time of the audio heard now: it runs
// smoothly and never goes back while playing, stands still while paused or stopped, and
// reads exactly the requested time right after SetPositionInSeconds.
//
// Threads: every public member may be called from any thread (the UI thread, a playback
// thread polling the clock, a timer thread); calls are serialised inside. The source is
// read (Read, GetPosition, Seek) on GStreamer's streaming thread while playing or paused,
// and seeked inside SetPositionInSeconds/Stop/PlayFile on the caller's thread, never two
// at once. Transport calls (SetSoundFile, PlayFile, Stop, SetPositionInSeconds) may wait
// for a source Read in progress to return; GetPositionInSeconds and GetStatus never wait
// for the source, only for a transport call running on another thread. None of them may
// be called from a source's own methods or a GStreamer callback.
//
// Ownership: the player owns neither the manager nor the source. Hand it null (or
// another source) before deleting the current source; from then on it never touches it.
class CSoundFilePlayer : private CPlaybackManager::IFeed {
public:
    static constexpr int kStopped = 0;
    static constexpr int kPlaying = 1;
    static constexpr int kPaused = 2;

    CSoundFilePlayer() = default;
    ~CSoundFilePlayer() override;
    CSoundFilePlayer(const CSoundFilePlayer&) = delete;
    CSoundFilePlayer& operator=(const CSoundFilePlayer&) = delete;

    // The device to play on; stops playback first. The manager must outlive the player.
    void SetPlaybackManager(CPlaybackManager* pManager);
    // Stops playback and takes an opened source, or null (silent, stopped). False for a
    // source that is not open or whose format the device cannot play (the player then
    // holds no source).
    bool SetSoundFile(CSoundFile* pSoundFile);
    CSoundFile* GetSoundFile() const;

    // Plays frames [nStart, nEnd) of the source; -1 for nStart continues from the
    // current position, -1 for nEnd plays to the end. With bLoop the range repeats (from
    // nStart, or from frame 0 when nStart is -1). A paused player resumes. False without
    // a source or device.
    bool PlayFile(int64_t nStart, int64_t nEnd, bool bLoop);
    // Pauses a playing player, resumes a paused one; false otherwise.
    bool Pause();
    // Stops and rewinds the source to frame 0.
    bool Stop();
    int GetStatus();

    double GetPositionInSeconds();
    // Seeks the source (negative times count as 0). Keeps the status.
    bool SetPositionInSeconds(double dSeconds);

    // Karaoke effects on the device (see CPlaybackManager). A change during playback
    // restarts the device from the audio heard now, so it is heard at once and the clock
    // goes on without a jump. False when the effect cannot be had (no device, no library,
    // no vocal remover for this source); the request is kept for the next source.
    bool SetKeySemitones(int nSemitones);
    bool SetVocalRemoval(bool bOn);

private:
    // One stretch of continuous audio: device frame nDevice plays source frame nSource.
    struct Anchor {
        int64_t nDevice;
        int64_t nSource;
    };

    int64_t Fill(uint8_t* pBuffer, int64_t nFrames) override;
    void OnFlush() override;

    void StopLocked();
    void ReapEndLocked();
    bool StartLocked();
    double SourceSecondsLocked();  // the source's own position, stopped state
    // Maps device time to source time; *pnAnchor tells which stretch it fell in.
    double DeviceToSourceSeconds(double dDevice, int64_t* pnAnchor);
    double ClockLocked();
    bool SeekLocked(double dSeconds);
    // Restarts the device from the heard position, when playing or paused.
    void RestartHeardLocked();

    std::mutex m_mutex;  // serialises the public members; taken before m_sourceMutex
    CPlaybackManager* m_pManager = nullptr;
    int m_nStatus = kStopped;
    double m_dFrozen = 0.0;        // the clock while paused
    double m_dLastReported = 0.0;  // keeps the clock monotonic while playing
    double m_dSeekTarget = 0.0;    // reported until audio from the target is heard
    int64_t m_nActiveAnchor = 0;   // nDevice of the stretch the clock last reported from
    uint32_t m_nRate = 0;          // the source's rate, fixed while it is set

    // --- guarded by m_sourceMutex: everything the streaming thread uses
    mutable std::mutex m_sourceMutex;
    CSoundFile* m_pSoundFile = nullptr;
    int64_t m_nPendingFrame = -1;  // where OnFlush puts the source
    int64_t m_nRangeStart = 0;     // loop start
    int64_t m_nRangeEnd = -1;      // -1: to the end of the source
    bool m_bLoop = false;
    int64_t m_nDeviceFrames = 0;  // frames handed to the device since start/flush

    // --- guarded by m_anchorMutex (taken after m_sourceMutex when both are needed)
    mutable std::mutex m_anchorMutex;
    std::vector<Anchor> m_anchors;  // ascending nDevice; the first is at 0
};

}  // namespace tindlib
