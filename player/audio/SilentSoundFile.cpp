// CSilentSoundFile: zeros with a position.
#include "player/audio/SilentSoundFile.h"

#include <cstring>

bool CSilentSoundFile::Open(const std::string&, unsigned) {
    tindlib::WAVEFORMATEX format = tindlib::MakePcmFormat(2, 44100, 16);
    format.cbSize = 18;
    SetFormat(format);
    m_bOpen = true;
    return true;
}

int64_t CSilentSoundFile::Read(void* pBuffer, int64_t nFrames) {
    if (nFrames <= 0) {
        return 0;
    }
    std::memset(pBuffer, 0, static_cast<size_t>(nFrames) * 4);
    m_nPosition += nFrames;
    return nFrames;
}

int64_t CSilentSoundFile::Seek(int64_t nOffset, int nOrigin) {
    switch (nOrigin) {
        case tindlib::SOUND_SEEK_SET:
            m_nPosition = nOffset;
            break;
        case tindlib::SOUND_SEEK_CUR:
            m_nPosition += nOffset;
            break;
        case tindlib::SOUND_SEEK_END:
            m_nPosition = kLength - nOffset;
            break;
        default:
            break;
    }
    return nOffset;
}
