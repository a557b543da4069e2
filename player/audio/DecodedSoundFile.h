// CDecodedSoundFile: a compressed audio file decoded by GStreamer into a ring buffer.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "tindlib/CyclicBuffer.h"
#include "tindlib/SingleLockEx.h"
#include "tindlib/SoundFile.h"
#include "tindlib/WaveDump.h"

typedef struct _GstElement GstElement;
typedef struct _GstBus GstBus;

// Decodes any audio file GStreamer can decode (MP3, WMA, OGG, FLAC, M4A, WAV...) through
//   filesrc ! decodebin ! audioconvert ! audio/x-raw,format=S16LE,layout=interleaved ! Dump
// and keeps a window of the PCM in a 262144-byte ring. The streaming thread appends and
// blocks while the ring is full, which paces the decoder to the reader. About half the
// ring is kept behind the read cursor so that short seeks are served from memory; other
// seeks reposition the pipeline.
//
// Threads:
//   - Open, Close and the destructor: the owner's thread, while no player reads the source.
//   - Read, Seek, GetPosition, GetLength: one reader thread at a time (the player's).
//   - DumpCallback: GStreamer's streaming thread.
class CDecodedSoundFile : public tindlib::CSoundFile {
public:
    // The string id of the message a user should see when a file cannot be positioned; the
    // application's string table holds its text.
    static constexpr int IDS_CANNOT_SEEK = 1018;
    static constexpr int kBufferSize = 0x40000;   // 262144 bytes
    static constexpr int kReleaseChunk = 0x4000;  // 16384 bytes

    // Reports a failure the user should hear of: its string id and a line for the log.
    // Called on the thread that calls Open. The default writes the line to std::clog; the
    // application installs a hook that shows the string table's message for the id.
    using MessageHook = void (*)(int nId, const std::string& strText);
    static void SetMessageHook(MessageHook pHook);  // null restores the default
    // The log line for a message id; empty for an id this source does not report.
    static std::string LoadMessage(int nId);

    CDecodedSoundFile();
    ~CDecodedSoundFile() override;

    // Builds and prerolls the pipeline; does not start decoding (the first Read does).
    // False within a bounded time for anything that does not decode to seekable audio.
    bool Open(const std::string& strPath, unsigned nMode) override;
    // Stops the pipeline, waits for the streaming side to be idle, frees everything.
    bool Close() override;
    bool CanRead() const override { return true; }
    // Blocks until nFrames are delivered or the stream has ended; returns frames.
    int64_t Read(void* pBuffer, int64_t nFrames) override;
    bool CanSeek() const override { return true; }
    // The origin is ignored: the frame is absolute (negative counts as 0). Returns it.
    int64_t Seek(int64_t nFrame, int nOrigin) override;
    int64_t GetPosition() override;
    // The stream's duration in frames, asked once per opened file.
    int64_t GetLength() override;

    // The sink's callback; pSource is the CDecodedSoundFile.
    static void DumpCallback(const tindlib::CWaveDumpSample& sample, void* pSource);

private:
    static MessageHook CurrentMessageHook();
    bool BuildGraph(const std::string& strPath);
    // True once the pipeline reports a duration; may start decoding to learn it.
    bool WaitDuration();
    void StoreSample(const uint8_t* pData, size_t nBytes, int64_t nStartFrame);
    void StoreEndOfStream();
    void RunGraph();
    // Takes errors off the bus (a broken stream ends); true when the stream has ended.
    bool PollBus();
    void WaitCallbackIdle(int nPollMs);
    // Sets m_bStop and wakes a writer waiting for room.
    void RequestStop();
    void SignalRoom();
    void ReleaseBehindCursor(size_t nBytes);  // ring lock held
    size_t ReleaseChunk() const;              // whole frames

    // --- owner's thread (Open/Close); read-only while streaming
    GstElement* m_pGraph = nullptr;
    GstBus* m_pBus = nullptr;
    std::unique_ptr<tindlib::CWaveDump> m_pDump;
    bool m_bDumpInGraph = false;

    // --- reader thread only
    bool m_bRunning = false;
    int64_t m_nBufferStartFrame = 0;
    int64_t m_nLength = -1;

    // --- guarded by m_lock (bound to m_cs): the ring and its cursor
    tindlib::CCriticalSection m_cs;
    tindlib::CSingleLockEx m_lock{&m_cs};
    std::unique_ptr<tindlib::CCyclicBuffer> m_pBuffer;

    // --- shared by the reader and the streaming thread
    std::atomic<bool> m_bEndOfStream{false};
    std::atomic<int64_t> m_nTargetFrame{0};
    std::atomic<bool> m_bTargetReached{true};
    std::atomic<int64_t> m_nDeliveredFrames{0};
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bCallbackIdle{true};
    std::atomic<bool> m_bStartForced{false};
    // After a hard seek, until the pipeline's flush has ended: what arrives is from the
    // old position and is dropped.
    std::atomic<bool> m_bAwaitFlush{false};

    // Wake the reader as soon as the writer appends, and the writer as soon as the reader
    // frees room or a stop is asked for; the waits also time out, as polls.
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    std::condition_variable m_room;
    uint64_t m_nWrites = 0;  // guarded by m_wakeMutex
    uint64_t m_nReads = 0;   // guarded by m_wakeMutex
};
