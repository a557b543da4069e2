// CWaveFile: WAV files read through libsndfile, delivered as 16-bit PCM.
#pragma once

#include <cstdint>
#include <vector>

#include "tindlib/SoundFile.h"

struct sf_private_tag;

namespace tindlib {

// Any WAV libsndfile can read (integer PCM of any width, float, A-law/u-law, WAVE_FORMAT_
// EXTENSIBLE, RF64) is delivered as interleaved signed 16-bit PCM with the file's
// channels and rate. Float samples beyond full scale are clipped. Encodings libsndfile
// cannot seek in (GSM 6.10) are sought by decoding forward, from the start when going back.
class CWaveFile : public CSoundFile {
public:
    CWaveFile() = default;
    ~CWaveFile() override;

    bool Open(const std::string& strPath, unsigned nMode) override;
    bool Close() override;
    bool CanRead() const override { return m_pFile != nullptr; }
    int64_t Read(void* pBuffer, int64_t nFrames) override;
    bool CanSeek() const override { return m_pFile != nullptr; }
    // Positions are clamped to [0, length]; returns the new position, -1 when closed.
    int64_t Seek(int64_t nFrame, int nOrigin) override;
    int64_t GetPosition() override { return m_nPosition; }
    int64_t GetLength() override { return m_nLength; }

private:
    int64_t SeekByReading(int64_t nTarget);

    sf_private_tag* m_pFile = nullptr;
    bool m_bSeekable = false;
    int64_t m_nLength = 0;
    int64_t m_nPosition = 0;
};

}  // namespace tindlib
