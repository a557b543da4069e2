// CSilentSoundFile: ten minutes of silence for tracks without an audio file.
#pragma once

#include <atomic>
#include <cstdint>

#include "tindlib/SoundFile.h"

// 44.1 kHz 16-bit stereo zeros. Reads never run dry, also past the length, so the
// graphics can run against the clock; the player's end-of-audio check stops them.
// Threads: any, the position being atomic.
class CSilentSoundFile : public tindlib::CSoundFile {
public:
    static constexpr int64_t kLength = 26460000;  // 600 s at 44100 Hz

    CSilentSoundFile() = default;

    // Ignores the path; sets the format and marks the source open.
    bool Open(const std::string& strPath, unsigned nMode) override;
    bool Close() override { return true; }
    bool CanRead() const override { return true; }
    int64_t Read(void* pBuffer, int64_t nFrames) override;
    bool CanSeek() const override { return true; }
    // Origin 0 sets, 1 adds, 2 counts back from the length; others change nothing.
    // Returns the offset argument.
    int64_t Seek(int64_t nOffset, int nOrigin) override;
    int64_t GetPosition() override { return m_nPosition; }
    int64_t GetLength() override { return kLength; }

private:
    std::atomic<int64_t> m_nPosition{0};
};
