// CDecodedRing: the ring, its cursor, the target-frame rule and the hand-off between threads.
#include "player/audio/DecodedRing.h"

#include <algorithm>
#include <chrono>

namespace {

// How long a reader waits for a hard seek's target before it takes what comes.
constexpr auto kTargetWait = std::chrono::seconds(2);

}  // namespace

CDecodedRing::CDecodedRing() = default;

void CDecodedRing::Reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_buffer.Clear();
    m_nFrameBytes = 0;
    m_nBufferStartFrame = 0;
    m_nTargetFrame = 0;
    m_bTargetReached = true;
    m_bStartForced = false;
    m_nDeliveredFrames = 0;
    m_bEndOfStream = false;
    m_bAwaitFlush = false;
    m_bStop = false;
}

void CDecodedRing::SetFrameBytes(size_t nBytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nFrameBytes = nBytes;
}

size_t CDecodedRing::ReleaseChunk() const {
    return kReleaseChunk - kReleaseChunk % m_nFrameBytes;
}

void CDecodedRing::ReleaseBehindCursor(size_t nBytes) {
    nBytes -= nBytes % m_nFrameBytes;
    const size_t nReleased = m_buffer.ReleaseFromFront(nBytes);
    m_nBufferStartFrame += static_cast<int64_t>(nReleased / m_nFrameBytes);
}

bool CDecodedRing::FrameAhead() const {
    return m_buffer.GetDataInBuffer() - m_buffer.GetCurPos() >= m_nFrameBytes;
}

size_t CDecodedRing::Read(uint8_t* pOut, size_t nFrames) {
    std::unique_lock<std::mutex> lock(m_mutex);
    const size_t nAlign = m_nFrameBytes;
    if (nAlign == 0) {
        return 0;
    }
    size_t nWanted = nFrames * nAlign;
    size_t nGot = 0;
    for (;;) {
        if (!m_bTargetReached) {
            m_toReader.wait_for(lock, kTargetWait,
                                [this] { return m_bTargetReached || m_bEndOfStream; });
            if (!m_bTargetReached && !m_bStartForced && !m_bEndOfStream) {
                m_bStartForced = true;
                m_bTargetReached = true;
            }
        }
        // The end is stored after the last sample, so an end seen here means the ring
        // already holds everything.
        const bool bEnded = m_bEndOfStream;
        size_t nTake = std::min(nWanted, m_buffer.GetDataInBuffer() - m_buffer.GetCurPos());
        nTake -= nTake % nAlign;
        if (nTake > 0) {
            const size_t nRead = m_buffer.Read(pOut + nGot, nTake);
            nGot += nRead;
            nWanted -= nRead;
            if (m_buffer.GetCurPos() > kSize / 2) {
                ReleaseBehindCursor(ReleaseChunk());
            }
        }
        m_toWriter.notify_one();
        // At the end, everything still in the ring is delivered before reads run dry.
        if (nWanted == 0 || (bEnded && !FrameAhead())) {
            break;
        }
        if (!bEnded) {
            m_toReader.wait(lock, [this] { return FrameAhead() || m_bEndOfStream; });
        }
    }
    return nGot / nAlign;
}

bool CDecodedRing::SeekInRing(int64_t nFrame) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto nAlign = static_cast<int64_t>(m_nFrameBytes);
        if (nAlign == 0) {
            return false;
        }
        const int64_t nHeld = static_cast<int64_t>(m_buffer.GetDataInBuffer()) / nAlign;
        if (nFrame < m_nBufferStartFrame || nFrame > m_nBufferStartFrame + nHeld) {
            return false;
        }
        const auto nCursor = static_cast<size_t>((nFrame - m_nBufferStartFrame) * nAlign);
        m_buffer.SetCurPos(nCursor);
        const size_t nKeep = kSize / 2 + ReleaseChunk();
        if (nCursor > nKeep) {
            ReleaseBehindCursor(nCursor - nKeep);
        }
    }
    m_toWriter.notify_one();
    return true;
}

void CDecodedRing::BeginHardSeek(int64_t nFrame) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_bStop = true;
    m_toWriter.notify_one();
    m_toReader.wait(lock, [this] { return !m_bWriterInside; });
    m_buffer.Clear();
    m_nBufferStartFrame = nFrame;
    m_nTargetFrame = nFrame;
    m_bTargetReached = false;
    m_bEndOfStream = false;
    m_nDeliveredFrames = nFrame;
    m_bAwaitFlush = true;
    m_bStop = false;
}

void CDecodedRing::CancelFlushWait() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bAwaitFlush = false;  // the target rule sorts out the rest
}

int64_t CDecodedRing::GetPosition() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_nFrameBytes == 0) {
        return 0;
    }
    return m_nBufferStartFrame + static_cast<int64_t>(m_buffer.GetCurPos() / m_nFrameBytes);
}

void CDecodedRing::Park() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_bStop = true;
    m_toWriter.notify_one();
    m_toReader.wait(lock, [this] { return !m_bWriterInside; });
}

void CDecodedRing::StoreSample(const uint8_t* pData, size_t nBytes, int64_t nStartFrame) {
    std::unique_lock<std::mutex> lock(m_mutex);
    const size_t nAlign = m_nFrameBytes;
    if (nStartFrame < 0) {
        nStartFrame = m_nDeliveredFrames;
        m_nDeliveredFrames += static_cast<int64_t>(nBytes / std::max<size_t>(nAlign, 1));
    }
    if (m_bStop || m_bAwaitFlush || nAlign == 0) {
        return;
    }
    // The target rule: the stream standing at or before the target has reached it; what
    // ends before the target is skipped whole, the part of a sample before it is cut off.
    // A stream that resumes past the target stores nothing until a reader forces the start.
    if (nStartFrame <= m_nTargetFrame && !m_bTargetReached) {
        m_bTargetReached = true;
        m_toReader.notify_one();
    }
    const int64_t nEnd = nStartFrame + static_cast<int64_t>(nBytes / nAlign);
    if (nEnd < m_nTargetFrame || !m_bTargetReached) {
        return;
    }
    if (m_nTargetFrame > nStartFrame) {
        const size_t nSkip =
            std::min(static_cast<size_t>(m_nTargetFrame - nStartFrame) * nAlign, nBytes);
        pData += nSkip;
        nBytes -= nSkip;
    }
    m_bWriterInside = true;
    while (nBytes > 0 && !m_bStop) {
        if (m_buffer.GetFreeBufSpace() == 0) {
            // Full: the reader frees room as it plays; Park frees the writer at once.
            m_toWriter.wait(lock, [this] { return m_buffer.GetFreeBufSpace() > 0 || m_bStop; });
            continue;
        }
        const size_t nCursor = m_buffer.GetCurPos();
        m_buffer.SetCurPos(m_buffer.GetDataInBuffer());
        const size_t nWritten = m_buffer.Write(pData, std::min(m_buffer.GetFreeBufSpace(), nBytes));
        m_buffer.SetCurPos(nCursor);
        pData += nWritten;
        nBytes -= nWritten;
        m_toReader.notify_one();
    }
    m_bWriterInside = false;
    m_toReader.notify_all();  // Park or BeginHardSeek may be waiting for this
}

void CDecodedRing::StoreEndOfStream() {
    std::lock_guard<std::mutex> lock(m_mutex);
    // Until a hard seek's flush has ended, the end belongs to the old position.
    if (!m_bStop && !m_bAwaitFlush) {
        m_bEndOfStream = true;
        m_toReader.notify_one();
    }
}

void CDecodedRing::EndFlush() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bAwaitFlush = false;
}

void CDecodedRing::EndWithError() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bEndOfStream = true;
    m_toReader.notify_one();
}
