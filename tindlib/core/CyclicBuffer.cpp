// The byte ring with a cursor.
#include "tindlib/core/CyclicBuffer.h"

#include <algorithm>
#include <cstring>

namespace tindlib {

bool CCyclicBuffer::SetCurPos(size_t nPos) {
    if (nPos > m_nData) {
        return false;
    }
    m_nCursor = nPos;
    return true;
}

size_t CCyclicBuffer::Read(void* pDest, size_t nBytes) {
    const size_t nSize = GetBufSize();
    size_t nDone = 0;
    nBytes = std::min(nBytes, m_nData - m_nCursor);
    auto* pOut = static_cast<uint8_t*>(pDest);
    while (nDone < nBytes) {
        const size_t nAt = Physical(m_nCursor);
        const size_t nRun = std::min(nBytes - nDone, nSize - nAt);
        std::memcpy(pOut + nDone, Storage() + nAt, nRun);
        nDone += nRun;
        m_nCursor += nRun;
    }
    return nDone;
}

size_t CCyclicBuffer::Write(const void* pSrc, size_t nBytes) {
    const size_t nSize = GetBufSize();
    size_t nDone = 0;
    nBytes = std::min(nBytes, nSize - m_nCursor);
    const auto* pIn = static_cast<const uint8_t*>(pSrc);
    while (nDone < nBytes) {
        const size_t nAt = Physical(m_nCursor);
        const size_t nRun = std::min(nBytes - nDone, nSize - nAt);
        std::memcpy(Storage() + nAt, pIn + nDone, nRun);
        nDone += nRun;
        m_nCursor += nRun;
    }
    m_nData = std::max(m_nData, m_nCursor);
    return nDone;
}

size_t CCyclicBuffer::ReleaseFromFront(size_t nBytes) {
    nBytes = std::min(nBytes, m_nData);
    if (nBytes == 0) {
        return 0;
    }
    m_nHead = Physical(nBytes);
    m_nData -= nBytes;
    m_nCursor = m_nCursor > nBytes ? m_nCursor - nBytes : 0;
    return nBytes;
}

void CCyclicBuffer::Clear() {
    m_nHead = 0;
    m_nData = 0;
    m_nCursor = 0;
}

}  // namespace tindlib
