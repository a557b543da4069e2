// CDecodedRing: the window of decoded PCM between a decoder's streaming thread and a reader.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "tindlib/CyclicBuffer.h"

// Holds the PCM a decoder delivers until one reader takes it. The streaming side appends
// and blocks while the ring is full, which paces the decoder to the reader; about half the
// ring is kept behind the read cursor so that short seeks are served from memory. The ring
// knows nothing of the decoder: its owner repositions the decoder after a hard seek and
// reports how the stream goes (samples, end, flush ended, error).
//
// Threads:
//   - Reset, SetFrameBytes: the owner, while no streaming thread runs and no reader reads.
//   - Read, SeekInRing, BeginHardSeek, CancelFlushWait, GetPosition: one reader at a time.
//   - Park: the owner or the reader (a reader never parks while another thread reads).
//   - StoreSample, StoreEndOfStream: the streaming thread.
//   - EndFlush, EndWithError: any thread.
// No method calls out while holding the lock, so any caller may hold its own locks.
class CDecodedRing {
public:
    static constexpr size_t kSize = 0x40000;         // 262144 bytes
    static constexpr size_t kReleaseChunk = 0x4000;  // 16384 bytes: the unit kept space frees by

    CDecodedRing();

    // Empty, at frame 0 with no frame size, and accepting samples again.
    void Reset();
    // The bytes of one frame once the decoder's format is known; until then nothing is stored.
    void SetFrameBytes(size_t nBytes);

    // Blocks until nFrames whole frames are copied or the stream has ended; returns frames.
    // A reader waiting for a hard seek's target gives up after a while once per Reset and
    // takes what comes (see the target rule in StoreSample).
    size_t Read(uint8_t* pOut, size_t nFrames);
    // Moves the cursor when nFrame lies in the held window; false when it does not.
    bool SeekInRing(int64_t nFrame);
    // Parks the streaming side, empties the ring and makes nFrame the target: what arrives
    // before the next EndFlush is from the old position and is dropped.
    void BeginHardSeek(int64_t nFrame);
    // The decoder refused the seek, so no flush will come.
    void CancelFlushWait();
    int64_t GetPosition();

    // Stops storing and waits until the streaming side has left the ring; a writer waiting
    // for room leaves at once. Until Reset or BeginHardSeek, samples are dropped.
    void Park();

    // A sample of nBytes starting at stream frame nStartFrame; -1 when the decoder does not
    // know: it then follows the last such sample (or the hard seek's target).
    void StoreSample(const uint8_t* pData, size_t nBytes, int64_t nStartFrame);
    // In order after the last sample: everything there is has been stored.
    void StoreEndOfStream();
    // The decoder's flush after a hard seek has ended: what follows is from the new position.
    void EndFlush();
    // The decoder failed: the reader must not wait for data that will never come.
    void EndWithError();

private:
    // Lock held for all of these.
    size_t ReleaseChunk() const;              // whole frames
    void ReleaseBehindCursor(size_t nBytes);  // keeps the front on a frame boundary
    bool FrameAhead() const;

    // --- guarded by m_mutex
    std::mutex m_mutex;
    tindlib::CCyclicBuffer m_buffer{kSize};
    size_t m_nFrameBytes = 0;
    int64_t m_nBufferStartFrame = 0;  // the stream frame at the ring's front
    int64_t m_nTargetFrame = 0;       // a hard seek's frame; what comes before it is skipped
    bool m_bTargetReached = true;     // the stream stands at or before the target
    bool m_bStartForced = false;      // a reader has given up waiting for a target once
    int64_t m_nDeliveredFrames = 0;   // where the next sample of unknown time starts
    bool m_bEndOfStream = false;
    // After a hard seek, until the decoder's flush has ended: what arrives is from the old
    // position and is dropped.
    bool m_bAwaitFlush = false;
    bool m_bStop = false;          // Park asked the streaming side to store nothing
    bool m_bWriterInside = false;  // StoreSample runs (it may wait for room unlocked)

    // Wakes the reader (data, end, target reached, writer gone) and the writer (room, stop).
    std::condition_variable m_toReader;
    std::condition_variable m_toWriter;
};
