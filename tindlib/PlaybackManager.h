// CPlaybackManager: the playback device, a GStreamer output pipeline fed from a callback.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "tindlib/PitchShifter.h"
#include "tindlib/WaveFormat.h"

typedef struct _GstElement GstElement;

namespace tindlib {

// Plays interleaved PCM through
//   appsrc ! [skellan !] audioconvert ! audioresample ! <sink>
// where <sink> is the gst-launch description in the environment variable
// TINDLIB_AUDIO_SINK (e.g. "fakesink sync=true") or autoaudiosink. When that sink cannot
// play (no sound server, no device), the audio goes to a clocked sink that discards it,
// so that the device time still runs; HasOutput then says so.
//
// Karaoke effects: a key change shifts the feed's audio before it is pushed (see
// CPitchShifter: output stays aligned with the feed, so the device time needs no
// correction); vocal removal is the `skellan` element, put in for 8- and 16-bit PCM when
// its filter can be loaded, and switched by passthrough. Both are asked for at any time;
// a key change is applied at the next Start or Flush, vocal removal at once to the audio
// not yet queued. Without the library or the element the audio plays unchanged.
//
// Device time runs from 0 at every Start or Flush and is the time of the audio being
// heard now: the pipeline's position, which the sink reports with its latency accounted
// for. It is taken from the pipeline, never from an element found while building it,
// because a bin such as autoaudiosink puts its real sink in place only when it starts.
//
// Threads: every public member may be called from any thread except the streaming
// thread; calls are serialised by the owner (CSoundFilePlayer). The feed runs on the
// streaming thread, and OnFlush on the thread that calls Flush.
class CPlaybackManager {
public:
    class IFeed {
    public:
        virtual ~IFeed() = default;
        // Fills up to nFrames frames; fewer (or 0) means the end of the audio. Streaming
        // thread; must not call back into the device.
        virtual int64_t Fill(uint8_t* pBuffer, int64_t nFrames) = 0;
        // The queued audio has been dropped and the device time restarts at 0; the next
        // Fill continues wherever the feed now stands. Called inside Flush.
        virtual void OnFlush() = 0;
    };

    static constexpr int64_t kBlockFrames = 1024;  // ~23 ms at 44.1 kHz per buffer

    CPlaybackManager();
    ~CPlaybackManager();
    CPlaybackManager(const CPlaybackManager&) = delete;
    CPlaybackManager& operator=(const CPlaybackManager&) = delete;

    // Builds the pipeline for the format, ready to start. False (and a reason in
    // GetLastError) when the format is not PCM or the pipeline cannot be made.
    bool Open(const WAVEFORMATEX& format, IFeed* pFeed);
    void Close();
    bool IsOpen() const { return m_pPipeline != nullptr; }

    bool Start();  // from the beginning of the feed, device time 0
    bool Pause();  // holds the device time
    bool Resume();
    void Halt();  // drops everything queued; Start begins again
    // Drops the queued audio, calls the feed's OnFlush and restarts the device time at 0
    // keeping the paused/playing state. False when not started.
    bool Flush();

    // The device time in seconds; false until audio from the current Start/Flush has
    // reached the sink (the pipeline has prerolled it).
    bool QueryTime(double* pSeconds) const;
    // False when the last Open found no audio output and plays into a discarding sink.
    bool HasOutput() const { return m_bHasOutput; }
    // The sink has played the end of the feed (or the pipeline failed).
    bool IsEnded() const { return m_flags.bEnded; }
    std::string GetLastError() const;

    // The key shift in semitones (clamped to the shifter's range), for the next Start or
    // Flush. False (the value still kept) when the library is missing.
    bool SetKeySemitones(int nSemitones);
    int GetKeySemitones() const { return m_nSemitones; }
    // Vocal removal on or off; false when the opened pipeline has no vocal remover.
    bool SetVocalRemoval(bool bOn);
    bool GetVocalRemoval() const { return m_bVocalRemoval; }
    // Whether the opened pipeline holds the vocal remover.
    bool HasVocalRemover() const { return m_pFilter != nullptr; }
    // Whether the `skellan` element and its filter can be had; the reason when not.
    static bool IsVocalRemoverAvailable(std::string* pstrWhy = nullptr);
    // The output pipeline, for tests and benchmarks that watch its sink; null when not
    // open. Not a counted reference: valid until the next Open or Close.
    GstElement* GetPipeline() const { return m_pPipeline; }
    // Registers the GStreamer plugin file with the `skellan` element unless the element is
    // known already; false when it is still unknown.
    static bool LoadVocalRemoverPlugin(const std::string& strPluginFile);

    // Written by the pipeline's bus handler on GStreamer's threads.
    struct BusFlags {
        // The sink has prerolled audio of the current Start/Flush; cleared by Start and
        // Flush before they ask for new audio.
        std::atomic<bool> bAudioArrived{false};
        std::atomic<bool> bEnded{false};  // end of stream or an error
    };

private:
    static void OnNeedData(GstElement* pSrc, unsigned nLength, void* pSelf);
    static int OnSeekData(GstElement* pSrc, uint64_t nOffset, void* pSelf);
    void SetError(const std::string& strError);
    // Builds the pipeline on the sink description and brings it to READY; false (pipeline
    // released) when that fails.
    bool Build(const std::string& strSink, const WAVEFORMATEX& format, bool bFilter);
    // Builds with the vocal remover when it can be had, else without.
    bool BuildWithFilter(const std::string& strSink, const WAVEFORMATEX& format);
    void ApplyPassthrough();
    // Makes the shifter ready for a new stretch of audio (streaming thread parked).
    void ResetShifter();
    void Release();

    GstElement* m_pPipeline = nullptr;
    GstElement* m_pSrc = nullptr;
    GstElement* m_pFilter = nullptr;  // the vocal remover in the pipeline, or null
    // --- guarded by m_feedMutex, which the streaming thread holds while it feeds; written
    // only while no streaming thread runs (Open before the pipeline, Close after it), so
    // the lock is never contended: it makes GStreamer's hand-off visible to the checkers.
    mutable std::mutex m_feedMutex;
    IFeed* m_pFeed = nullptr;
    WAVEFORMATEX m_format;
    bool m_bStarted = false;

    std::atomic<int> m_nSemitones{0};
    std::atomic<bool> m_bVocalRemoval{false};

    // --- guarded by m_feedMutex: the streaming thread, and Start/Flush while it is parked
    CPitchShifter m_shifter;
    std::atomic<int64_t> m_nPushedFrames{0};  // since the last Start/Flush: next buffer time

    // Position queries are spaced out; in between the device time is carried forward
    // with the pipeline clock. Used by QueryTime only (callers are serialised).
    mutable bool m_bCacheValid = false;
    mutable uint64_t m_nCachePos = 0;    // ns, from the last position query
    mutable uint64_t m_nCacheClock = 0;  // pipeline clock at that query
    bool m_bPlaying = false;             // PLAYING asked for (not paused or halted)

    BusFlags m_flags;
    bool m_bHasOutput = true;
    mutable std::mutex m_errorMutex;
    std::string m_strError;  // guarded by m_errorMutex
};

}  // namespace tindlib
