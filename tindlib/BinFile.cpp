// CBinFile: reads the audio bytes out of raw disc sectors.
#include "tindlib/BinFile.h"

#include <algorithm>
#include <bit>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tindlib {

namespace {

void SwapToHost(uint8_t* pData, size_t nBytes) {
    if constexpr (std::endian::native == std::endian::big) {
        for (size_t i = 0; i + 1 < nBytes; i += 2) {
            std::swap(pData[i], pData[i + 1]);
        }
    } else {
        (void)pData;
        (void)nBytes;
    }
}

}  // namespace

CBinFile::~CBinFile() {
    Close();
}

bool CBinFile::Open(const std::string& strPath, unsigned nMode) {
    Close();
    const int nFd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (nFd < 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(nFd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(nFd);
        return false;
    }
    const int64_t nSize = st.st_size;
    const int64_t nTail = std::min(nSize % kSectorBytes, kAudioBytes) / kFrameBytes;
    const int64_t nFrames = nSize / kSectorBytes * kFramesPerSector + nTail;
    if (nFrames <= 0) {
        ::close(nFd);
        return false;
    }
    m_nFd = nFd;
    m_nLength = nFrames;
    m_nPosition = 0;
    SetFormat(MakePcmFormat(2, 44100, 16));
    return CSoundFile::Open(strPath, nMode);
}

bool CBinFile::Close() {
    if (m_nFd >= 0) {
        ::close(m_nFd);
        m_nFd = -1;
    }
    m_nLength = 0;
    m_nPosition = 0;
    return CSoundFile::Close();
}

int64_t CBinFile::Read(void* pBuffer, int64_t nFrames) {
    if (m_nFd < 0 || nFrames <= 0) {
        return 0;
    }
    auto* pOut = static_cast<uint8_t*>(pBuffer);
    int64_t nDone = 0;
    nFrames = std::min(nFrames, m_nLength - m_nPosition);
    while (nDone < nFrames) {
        const int64_t nSector = m_nPosition / kFramesPerSector;
        const int64_t nInSector = m_nPosition % kFramesPerSector;
        const int64_t nRun = std::min(nFrames - nDone, kFramesPerSector - nInSector);
        const off_t nOffset = nSector * kSectorBytes + nInSector * kFrameBytes;
        const size_t nBytes = static_cast<size_t>(nRun * kFrameBytes);
        const ssize_t nGot = ::pread(m_nFd, pOut, nBytes, nOffset);
        if (nGot <= 0) {
            break;  // read error or the file shrank: end of the audio
        }
        const int64_t nGotFrames = nGot / kFrameBytes;
        SwapToHost(pOut, static_cast<size_t>(nGotFrames * kFrameBytes));
        pOut += nGotFrames * kFrameBytes;
        nDone += nGotFrames;
        m_nPosition += nGotFrames;
        if (static_cast<size_t>(nGot) < nBytes) {
            break;
        }
    }
    return nDone;
}

int64_t CBinFile::Seek(int64_t nFrame, int nOrigin) {
    if (m_nFd < 0) {
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
    int64_t nTarget = 0;
    if (__builtin_add_overflow(nBase, nFrame, &nTarget)) {
        nTarget = nFrame > 0 ? std::numeric_limits<int64_t>::max() : 0;
    }
    m_nPosition = std::clamp<int64_t>(nTarget, 0, m_nLength);
    return m_nPosition;
}

}  // namespace tindlib
