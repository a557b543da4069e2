// CBinFile: the CD audio carried in a raw 2448-byte-sector disc image (.bin).
#pragma once

#include <cstdint>

#include "tindlib/SoundFile.h"

namespace tindlib {

// Each raw sector holds 2352 bytes of CD audio (44.1 kHz, stereo, 16-bit little-endian)
// followed by 96 bytes of subcode. Frames are numbered across sectors without gaps; a
// partial last sector contributes the whole frames it holds.
class CBinFile : public CSoundFile {
public:
    static constexpr int64_t kSectorBytes = 2448;
    static constexpr int64_t kAudioBytes = 2352;
    static constexpr int64_t kFrameBytes = 4;                               // 2 ch x 16 bit
    static constexpr int64_t kFramesPerSector = kAudioBytes / kFrameBytes;  // 588

    CBinFile() = default;
    ~CBinFile() override;

    // Refuses anything but a readable regular file holding at least one frame.
    bool Open(const std::string& strPath, unsigned nMode) override;
    bool Close() override;
    bool CanRead() const override { return m_nFd >= 0; }
    int64_t Read(void* pBuffer, int64_t nFrames) override;
    bool CanSeek() const override { return m_nFd >= 0; }
    // Positions are clamped to [0, length]; returns the new position, -1 when closed.
    int64_t Seek(int64_t nFrame, int nOrigin) override;
    int64_t GetPosition() override { return m_nPosition; }
    int64_t GetLength() override { return m_nLength; }

private:
    int m_nFd = -1;
    int64_t m_nLength = 0;
    int64_t m_nPosition = 0;
};

}  // namespace tindlib
