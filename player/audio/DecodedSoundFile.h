// CDecodedSoundFile: a compressed audio file decoded by GStreamer into a ring buffer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "player/audio/DecodedRing.h"
#include "tindlib/SoundFile.h"
#include "tindlib/WaveDump.h"

typedef struct _GstElement GstElement;
typedef struct _GstBus GstBus;

// Decodes any audio file GStreamer can decode (MP3, WMA, OGG, FLAC, M4A, WAV...) through
//   filesrc ! decodebin ! audioconvert ! audio/x-raw,format=S16LE,layout=interleaved ! Dump
// and keeps a window of the PCM in a 262144-byte CDecodedRing. The streaming thread appends
// and blocks while the ring is full, which paces the decoder to the reader. About half the
// ring is kept behind the read cursor so that short seeks are served from memory; other
// seeks reposition the pipeline. This class runs the pipeline; the ring does the hand-off.
//
// Threads:
//   - Open, Close and the destructor: the owner's thread, while no player reads the source.
//   - Read, Seek, GetPosition, GetLength: one reader thread at a time (the player's).
//   - DumpCallback: GStreamer's streaming thread (a flush's end: the thread that seeks).
//   - The bus's sync handler: whichever thread posts a message; it only tells the ring.
class CDecodedSoundFile : public tindlib::CSoundFile {
public:
    // The string id of the message a user should see when a file cannot be positioned; the
    // application's string table holds its text.
    static constexpr int IDS_CANNOT_SEEK = 1018;
    static constexpr int kBufferSize = static_cast<int>(CDecodedRing::kSize);
    static constexpr int kReleaseChunk = static_cast<int>(CDecodedRing::kReleaseChunk);

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

    // Building (DecodedSoundFileGraph.cpp): calls nothing in the other files of this class.
    // The pipeline around m_pDump, still in the NULL state; false when an element is missing.
    bool BuildGraph(const std::string& strPath);
    // Pauses the pipeline until the first sample waits in the dump and sets the decoded
    // format; false for anything that does not decode to audio within a bounded time.
    bool Preroll();

    // The pipeline's life (DecodedSoundFile.cpp).
    // From the end of Open on, tells the ring of an error as soon as it is posted. Until
    // then Open takes the messages it waits for off the bus itself.
    void WatchBus();
    // True once the pipeline can seek and reports a duration; may start decoding to learn it.
    bool CanPosition();
    void RunGraph();

    // --- owner's thread (Open/Close); read-only while streaming
    GstElement* m_pGraph = nullptr;
    GstBus* m_pBus = nullptr;
    std::unique_ptr<tindlib::CWaveDump> m_pDump;
    bool m_bDumpInGraph = false;

    // --- reader thread only (and Open, before any reader)
    bool m_bRunning = false;
    int64_t m_nLength = -1;

    // Guards itself. The destructor's Close stops the pipeline before any member goes.
    CDecodedRing m_ring;
};
