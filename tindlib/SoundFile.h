// CSoundFile: the base of every sound source (format, frame/time conversion, virtual I/O).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "tindlib/WaveFormat.h"

namespace tindlib {

// Seek origins, as in the C library.
inline constexpr int SOUND_SEEK_SET = 0;
inline constexpr int SOUND_SEEK_CUR = 1;
inline constexpr int SOUND_SEEK_END = 2;

// A source of interleaved PCM. Positions, lengths, reads and seeks count sample frames
// (one sample of every channel, GetBlockAlign() bytes).
//
// Threads: the owner (UI thread) calls Open, Close and the destructor while no player
// uses the source; once handed to a CSoundFilePlayer, Read/Seek/GetPosition/GetLength are
// called from the player's streaming thread and, for Seek/GetPosition, from whatever
// thread calls the player (the player serialises them). Subclasses need not be
// thread-safe beyond that.
class CSoundFile {
public:
    CSoundFile() = default;
    virtual ~CSoundFile() = default;
    CSoundFile(const CSoundFile&) = delete;
    CSoundFile& operator=(const CSoundFile&) = delete;

    // Virtual operations, in this order.
    // A subclass's Open ends in this one, which records the path and marks the source open.
    virtual bool Open(const std::string& strPath, unsigned nMode);
    virtual bool Close();
    virtual bool CanRead() const { return false; }
    // Fills pBuffer with up to nFrames frames; returns the frames delivered (0 at the end).
    virtual int64_t Read(void* pBuffer, int64_t nFrames);
    virtual bool CanWrite() const { return false; }
    virtual int64_t Write(const void* pBuffer, int64_t nFrames);
    virtual bool CanSeek() const { return false; }
    // Origin is SOUND_SEEK_SET/CUR/END; returns the new position, -1 when refused.
    virtual int64_t Seek(int64_t nFrame, int nOrigin);
    virtual int64_t GetPosition() { return 0; }
    virtual int64_t GetLength() { return 0; }
    // The file name without its folder.
    virtual std::string GetName() const;
    virtual void SetFormat(const WAVEFORMATEX& format) { m_format = format; }
    // The full path handed to Open.
    virtual std::string GetFile() const { return m_strPath; }

    // Plain operations by the stored format.
    const WAVEFORMATEX& GetFormat() const { return m_format; }
    int GetBlockAlign() const { return m_format.nBlockAlign; }
    // Seconds to the nearest frame (0 when the format has no rate).
    int64_t TimeToSample(double dSeconds) const;
    double SampleToTime(int64_t nFrame) const;
    // True once opened, by the base Open or a subclass that sets m_bOpen itself.
    bool IsOpen() const { return m_bOpen; }

    // Whether sources write peak (waveform overview) files beside the audio. This library
    // writes none; the flag exists because applications clear it at start-up.
    static inline std::atomic<bool> c_bCreatePeakFiles{true};

protected:
    WAVEFORMATEX m_format;
    std::atomic<bool> m_bOpen{false};  // right after the format block
    std::string m_strPath;
    unsigned m_nMode = 0;
};

}  // namespace tindlib
