// CWaveFile on libsndfile.
#include "tindlib/WaveFile.h"

#include <algorithm>
#include <limits>

#include <sndfile.h>

namespace tindlib {

namespace {

// libsndfile reads many containers; this source is for WAV only.
bool IsWavContainer(int nFormat) {
    const int nMajor = nFormat & SF_FORMAT_TYPEMASK;
    return nMajor == SF_FORMAT_WAV || nMajor == SF_FORMAT_WAVEX || nMajor == SF_FORMAT_RF64;
}

constexpr int kMaxChannels = 32;  // more than any real WAV; keeps block align in 16 bits

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
    int64_t nBase = 0;
    switch (nOrigin) {
        case SOUND_SEEK_SET:
            break;
        case SOUND_SEEK_CUR:
            nBase = m_nPosition;
            break;
        case SOUND_SEEK_END:
            nBase = m_nLength;
            break;
        default:
            return -1;
    }
    // Saturating add: any int64 argument is a valid request, clamped to the file.
    int64_t nTarget = 0;
    if (__builtin_add_overflow(nBase, nFrame, &nTarget)) {
        nTarget = nFrame > 0 ? std::numeric_limits<int64_t>::max() : 0;
    }
    nTarget = std::clamp<int64_t>(nTarget, 0, m_nLength);
    const sf_count_t nAt = sf_seek(m_pFile, nTarget, SEEK_SET);
    if (nAt < 0) {
        return -1;
    }
    m_nPosition = nAt;
    return m_nPosition;
}

}  // namespace tindlib
