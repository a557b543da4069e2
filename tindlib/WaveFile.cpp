// CWaveFile on libsndfile.
#include "tindlib/WaveFile.h"

#include <algorithm>
#include <limits>
#include <vector>

#include <sndfile.h>

namespace tindlib {

namespace {

// libsndfile reads many containers; this source is for WAV only.
bool IsWavContainer(int nFormat) {
    const int nMajor = nFormat & SF_FORMAT_TYPEMASK;
    return nMajor == SF_FORMAT_WAV || nMajor == SF_FORMAT_WAVEX || nMajor == SF_FORMAT_RF64;
}

constexpr int kMaxChannels = 32;       // more than any real WAV; keeps block align in 16 bits
constexpr int64_t kSkipFrames = 4096;  // frames decoded at a time when seeking by reading

}  // namespace

CWaveFile::~CWaveFile() {
    Close();
}

bool CWaveFile::Open(const std::string& strPath, unsigned nMode) {
    Close();
    SF_INFO info{};
    SNDFILE* pFile = sf_open(strPath.c_str(), SFM_READ, &info);
    if (pFile == nullptr) {
        return false;
    }
    if (!IsWavContainer(info.format) || info.channels < 1 || info.channels > kMaxChannels ||
        info.samplerate < 1 || info.frames < 0) {
        sf_close(pFile);
        return false;
    }
    // Float data must clip, not wrap, when converted to 16 bits.
    sf_command(pFile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    m_pFile = pFile;
    m_bSeekable = info.seekable != 0;
    m_nLength = info.frames;
    m_nPosition = 0;
    SetFormat(MakePcmFormat(static_cast<uint16_t>(info.channels),
                            static_cast<uint32_t>(info.samplerate), 16));
    return CSoundFile::Open(strPath, nMode);
}

bool CWaveFile::Close() {
    if (m_pFile != nullptr) {
        sf_close(m_pFile);
        m_pFile = nullptr;
    }
    m_bSeekable = false;
    m_nLength = 0;
    m_nPosition = 0;
    return CSoundFile::Close();
}

int64_t CWaveFile::Read(void* pBuffer, int64_t nFrames) {
    if (m_pFile == nullptr || nFrames <= 0) {
        return 0;
    }
    const sf_count_t nGot = sf_readf_short(m_pFile, static_cast<short*>(pBuffer), nFrames);
    if (nGot <= 0) {
        return 0;
    }
    m_nPosition += nGot;
    return nGot;
}

int64_t CWaveFile::Seek(int64_t nFrame, int nOrigin) {
    if (m_pFile == nullptr) {
        return -1;
    }
    const int64_t nTarget = ResolveSeekTarget(nFrame, nOrigin, m_nPosition, m_nLength);
    if (nTarget < 0) {
        return -1;
    }
    if (!m_bSeekable) {
        return SeekByReading(nTarget);
    }
    const sf_count_t nAt = sf_seek(m_pFile, nTarget, SEEK_SET);
    if (nAt < 0) {
        return -1;
    }
    m_nPosition = nAt;
    return m_nPosition;
}

int64_t CWaveFile::SeekByReading(int64_t nTarget) {
    if (nTarget < m_nPosition) {
        // Back to the start by opening the file again. A file replaced meanwhile by one
        // of another layout is refused: the frames delivered so far would not match.
        SF_INFO info{};
        SNDFILE* pFile = sf_open(m_strPath.c_str(), SFM_READ, &info);
        if (pFile == nullptr) {
            return -1;
        }
        if (info.channels != m_format.nChannels ||
            static_cast<uint32_t>(info.samplerate) != m_format.nSamplesPerSec) {
            sf_close(pFile);
            return -1;
        }
        sf_close(m_pFile);
        m_pFile = pFile;
        sf_command(m_pFile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
        m_nPosition = 0;
    }
    std::vector<short> discard(static_cast<size_t>(kSkipFrames) * m_format.nChannels);
    while (m_nPosition < nTarget) {
        const sf_count_t nGot = sf_readf_short(
            m_pFile, discard.data(), std::min<int64_t>(kSkipFrames, nTarget - m_nPosition));
        if (nGot <= 0) {
            break;  // the data ends before the header said: the end is here
        }
        m_nPosition += nGot;
    }
    return m_nPosition;
}

}  // namespace tindlib
