// CTrackReader: the open track's packet reader together with the lock that guards it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "player/cdg/CdgFile.h"
#include "player/cdg/CdgPacket.h"

class CCdgScreen;

// The playback thread steps through the packets while the UI thread opens, closes and
// rewinds the track. Every member takes the lock, so a step and the execution of its packet
// never overlap a rewind or a reopen, and nobody reaches the reader past the lock.
class CTrackReader {
public:
    enum class EStep {
        NotDue,    // the next packet is not due yet (or the caller's condition failed)
        Executed,  // one packet was read and executed
        Ended,     // no packet is left: the track has ended
    };

    // Closes the track held, then opens strPath; false when it cannot be read (no track is
    // then open). Clears the end.
    bool Open(const std::string& strPath);
    void Close();
    bool IsOpen();
    // Back to the first packet when a track is open; clears the end.
    void Rewind();
    // The index of the next packet to read.
    int32_t GetPacketIndex();
    // True from the step that found no packet left until the next Open, Close, Rewind or
    // ClearEnd. Lock-free, for the playback thread's pass.
    bool HasEnded() const { return m_bEnded; }
    void ClearEnd();

    // Reads the next packet and executes it on the screen when its time is strictly before
    // dDueSeconds and bStillDue() holds, both asked under the lock. *pnIndex receives the
    // packet's index.
    EStep Step(double dDueSeconds, CCdgScreen& screen, const std::function<bool()>& bStillDue,
               int32_t* pnIndex);

private:
    std::mutex m_readerMutex;
    CCdgFile m_cdgFile;                 // guarded by m_readerMutex
    CCdgPacket m_packet;                // guarded by m_readerMutex
    std::atomic<bool> m_bEnded{false};  // written under m_readerMutex
};
