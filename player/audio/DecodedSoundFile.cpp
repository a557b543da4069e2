// CDecodedSoundFile: the ring between the streaming thread and the reader.
#include "player/audio/DecodedSoundFile.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include <gst/gst.h>

namespace {

constexpr int kTargetPolls = 2000;  // 1 ms each: how long a reader waits for a seek target
constexpr auto kReaderWait = std::chrono::milliseconds(10);
constexpr auto kWriterWait = std::chrono::milliseconds(10);

void SleepMs(int nMs) {
    std::this_thread::sleep_for(std::chrono::milliseconds(nMs));
}

}  // namespace

CDecodedSoundFile::CDecodedSoundFile()
    : m_pBuffer(std::make_unique<tindlib::CCyclicBuffer>(kBufferSize)) {}

CDecodedSoundFile::~CDecodedSoundFile() {
    Close();
}

bool CDecodedSoundFile::Open(const std::string& strPath, unsigned nMode) {
    Close();  // leaves the ring empty
    // A reopened object starts over: nothing of the previous file may leak into this one.
    m_nLength = -1;
    m_nTargetFrame = 0;
    m_nBufferStartFrame = 0;
    m_bTargetReached = true;
    m_bEndOfStream = false;
    m_bStartForced = false;
    m_bAwaitFlush = false;
    m_nDeliveredFrames = 0;
    // Cleared before building: a pipeline that must decode to learn its length stores
    // from the start.
    m_bStop = false;
    if (!BuildGraph(strPath)) {
        // Whatever was built goes at once, so a refused file holds no thread or handle.
        Close();
        m_bStop = false;
        return false;
    }
    const bool bOpen = CSoundFile::Open(strPath, nMode);
    GetLength();  // asked once, while the pipeline stands at its start
    return bOpen;
}

size_t CDecodedSoundFile::ReleaseChunk() const {
    const size_t nAlign = static_cast<size_t>(GetBlockAlign());
    return kReleaseChunk - kReleaseChunk % nAlign;
}

void CDecodedSoundFile::ReleaseBehindCursor(size_t nBytes) {
    const size_t nAlign = static_cast<size_t>(GetBlockAlign());
    nBytes -= nBytes % nAlign;  // the front stays on a frame boundary
    const size_t nReleased = m_pBuffer->ReleaseFromFront(nBytes);
    m_nBufferStartFrame += static_cast<int64_t>(nReleased / nAlign);
}

void CDecodedSoundFile::RunGraph() {
    if (m_pGraph != nullptr && !m_bRunning) {
        gst_element_set_state(m_pGraph, GST_STATE_PLAYING);
        m_bRunning = true;
    }
}

bool CDecodedSoundFile::PollBus() {
    while (m_pBus != nullptr && !m_bEndOfStream) {
        // Completion itself comes through the dump, in order with the samples. A decoding
        // error mid-stream ends the stream too: the reader must not wait for data that
        // will never come.
        GstMessage* pMsg = gst_bus_pop_filtered(m_pBus, GST_MESSAGE_ERROR);
        if (pMsg == nullptr) {
            break;
        }
        m_bEndOfStream = true;
        gst_message_unref(pMsg);
    }
    return m_bEndOfStream;
}

void CDecodedSoundFile::SignalRoom() {
    {
        std::lock_guard<std::mutex> wake(m_wakeMutex);
        ++m_nReads;
    }
    m_room.notify_one();
}

void CDecodedSoundFile::RequestStop() {
    m_bStop = true;
    SignalRoom();
}

void CDecodedSoundFile::WaitCallbackIdle(int nPollMs) {
    while (!m_bCallbackIdle) {
        SleepMs(nPollMs);
    }
}

int64_t CDecodedSoundFile::Read(void* pBuffer, int64_t nFrames) {
    const size_t nAlign = static_cast<size_t>(GetBlockAlign());
    if (!IsOpen() || nFrames <= 0 || nAlign == 0) {
        return 0;
    }
    auto* pOut = static_cast<uint8_t*>(pBuffer);
    size_t nWanted = static_cast<size_t>(nFrames) * nAlign;
    size_t nGot = 0;
    for (;;) {
        if (!m_bTargetReached) {
            RunGraph();
            for (int i = 0; i < kTargetPolls && !m_bTargetReached && !PollBus(); ++i) {
                SleepMs(1);
            }
            if (!m_bTargetReached && !m_bStartForced && !m_bEndOfStream) {
                m_bStartForced = true;
                m_bTargetReached = true;
            }
        }
        uint64_t nSeenWrites = 0;
        {
            std::lock_guard<std::mutex> wake(m_wakeMutex);
            nSeenWrites = m_nWrites;
        }
        // Looked at before the ring: the end is reported after the last sample is stored,
        // so an end seen here means the ring already holds everything.
        const bool bEnded = PollBus();
        size_t nAhead = 0;
        {
            tindlib::CScopedLock guard(m_lock);
            nAhead = m_pBuffer->GetDataInBuffer() - m_pBuffer->GetCurPos();
            size_t nTake = std::min(nWanted, nAhead);
            nTake -= nTake % nAlign;  // whole frames only
            if (nTake > 0) {
                const size_t nRead = m_pBuffer->Read(pOut, nTake);
                pOut += nRead;
                nGot += nRead;
                nWanted -= nRead;
                nAhead -= nRead;
                if (m_pBuffer->GetCurPos() > kBufferSize / 2) {
                    ReleaseBehindCursor(ReleaseChunk());
                }
            }
        }
        SignalRoom();
        if (nWanted == 0) {
            break;
        }
        // At the end, everything still in the ring is delivered before reads run dry.
        if (bEnded && nAhead < nAlign) {
            break;
        }
        RunGraph();
        if (!bEnded) {
            std::unique_lock<std::mutex> wake(m_wakeMutex);
            m_wake.wait_for(wake, kReaderWait, [&] { return m_nWrites != nSeenWrites; });
        }
    }
    return static_cast<int64_t>(nGot / nAlign);
}

int64_t CDecodedSoundFile::Seek(int64_t nFrame, int) {
    nFrame = std::max<int64_t>(nFrame, 0);
    const int64_t nAlign = GetBlockAlign();
    if (!IsOpen() || nAlign == 0) {
        return nFrame;
    }
    bool bInRing = false;
    {
        tindlib::CScopedLock guard(m_lock);
        const int64_t nHeld = static_cast<int64_t>(m_pBuffer->GetDataInBuffer()) / nAlign;
        if (nFrame >= m_nBufferStartFrame && nFrame <= m_nBufferStartFrame + nHeld) {
            const size_t nCursor = static_cast<size_t>((nFrame - m_nBufferStartFrame) * nAlign);
            m_pBuffer->SetCurPos(nCursor);
            const size_t nKeep = kBufferSize / 2 + ReleaseChunk();
            if (nCursor > nKeep) {
                ReleaseBehindCursor(nCursor - nKeep);
            }
            bInRing = true;
        }
    }
    if (bInRing) {
        SignalRoom();
        return nFrame;
    }
    // Hard seek: park the streaming side, empty the ring, reposition the pipeline.
    RequestStop();
    WaitCallbackIdle(1);
    {
        tindlib::CScopedLock guard(m_lock);
        m_pBuffer->Clear();
        m_nBufferStartFrame = nFrame;
    }
    m_nTargetFrame = nFrame;
    m_bTargetReached = false;
    m_bEndOfStream = false;
    m_nDeliveredFrames = nFrame;
    // From here the streaming side drops what it gets until the flush of the seek below
    // has ended; what comes after is from the new position and must not be lost.
    m_bAwaitFlush = true;
    m_bStop = false;
    // Rounded up, so that clipping at this time keeps the target frame and drops the one
    // before it.
    const auto nTime = static_cast<gint64>(gst_util_uint64_scale_ceil(
        static_cast<guint64>(nFrame), GST_SECOND, GetFormat().nSamplesPerSec));
    const gboolean bSeeked =
        gst_element_seek(m_pGraph, 1.0, GST_FORMAT_TIME,
                         static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                         GST_SEEK_TYPE_SET, nTime, GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);
    if (!bSeeked) {
        m_bAwaitFlush = false;  // no flush will come; the target rule sorts out the rest
    }
    return nFrame;
}

int64_t CDecodedSoundFile::GetPosition() {
    const int64_t nAlign = GetBlockAlign();
    if (nAlign == 0) {
        return 0;
    }
    tindlib::CScopedLock guard(m_lock);
    return m_nBufferStartFrame + static_cast<int64_t>(m_pBuffer->GetCurPos()) / nAlign;
}

int64_t CDecodedSoundFile::GetLength() {
    if (m_nLength == -1 && IsOpen() && GetFormat().nSamplesPerSec > 0) {
        gint64 nDuration = -1;
        if (gst_element_query_duration(m_pGraph, GST_FORMAT_TIME, &nDuration) && nDuration > 0) {
            // Rounded: durations are frame times truncated to nanoseconds.
            m_nLength = static_cast<int64_t>(gst_util_uint64_scale_round(
                static_cast<guint64>(nDuration), GetFormat().nSamplesPerSec, GST_SECOND));
        }
    }
    return std::max<int64_t>(m_nLength, 0);
}

void CDecodedSoundFile::DumpCallback(const tindlib::CWaveDumpSample& sample, void* pSource) {
    auto* self = static_cast<CDecodedSoundFile*>(pSource);
    if (sample.nKind == tindlib::CWaveDumpSample::Kind::Flushed) {
        self->m_bAwaitFlush = false;
    } else if (sample.nKind == tindlib::CWaveDumpSample::Kind::EndOfStream) {
        self->StoreEndOfStream();
    } else if (sample.nMediaTime >= 0) {
        self->StoreSample(sample.pData, sample.nLength, sample.nMediaTime);
    } else {
        const int64_t nAlign = std::max(self->GetBlockAlign(), 1);
        self->StoreSample(sample.pData, sample.nLength, self->m_nDeliveredFrames);
        self->m_nDeliveredFrames += static_cast<int64_t>(sample.nLength) / nAlign;
    }
}

void CDecodedSoundFile::StoreEndOfStream() {
    // Same handshake as a sample: until a hard seek's flush has ended, the end belongs
    // to the old position.
    m_bCallbackIdle = false;
    if (!m_bStop && !m_bAwaitFlush) {
        m_bEndOfStream = true;
        {
            std::lock_guard<std::mutex> wake(m_wakeMutex);
            ++m_nWrites;
        }
        m_wake.notify_one();
    }
    m_bCallbackIdle = true;
}

void CDecodedSoundFile::StoreSample(const uint8_t* pData, size_t nBytes, int64_t nStartFrame) {
    // Busy first, then look at m_bStop: a seek that has set m_bStop and then sees this
    // side idle knows it will not touch the ring or the target any more.
    m_bCallbackIdle = false;
    const size_t nAlign = static_cast<size_t>(GetBlockAlign());
    if (m_bStop || m_bAwaitFlush || nAlign == 0) {
        m_bCallbackIdle = true;
        return;
    }
    const int64_t nTarget = m_nTargetFrame;
    const int64_t nEnd = nStartFrame + static_cast<int64_t>(nBytes / nAlign);
    if (nEnd < nTarget) {
        m_bTargetReached = true;  // the stream is at or before the target
        m_bCallbackIdle = true;
        return;
    }
    if (nStartFrame <= nTarget) {
        m_bTargetReached = true;
    }
    if (!m_bTargetReached) {
        m_bCallbackIdle = true;  // resumed past the target: see Read's forced start
        return;
    }
    if (nTarget > nStartFrame) {
        const size_t nSkip = static_cast<size_t>(nTarget - nStartFrame) * nAlign;
        pData += std::min(nSkip, nBytes);
        nBytes -= std::min(nSkip, nBytes);
    }
    while (nBytes > 0 && !m_bStop) {
        size_t nWritten = 0;
        uint64_t nSeenReads = 0;
        {
            std::lock_guard<std::mutex> wake(m_wakeMutex);
            nSeenReads = m_nReads;
        }
        {
            tindlib::CScopedLock guard(m_lock);
            const size_t nCursor = m_pBuffer->GetCurPos();
            m_pBuffer->SetCurPos(m_pBuffer->GetDataInBuffer());
            nWritten = m_pBuffer->Write(pData, std::min(m_pBuffer->GetFreeBufSpace(), nBytes));
            m_pBuffer->SetCurPos(nCursor);
        }
        if (nWritten == 0) {
            // Full: the reader frees room as it plays.
            std::unique_lock<std::mutex> wake(m_wakeMutex);
            m_room.wait_for(wake, kWriterWait, [&] { return m_nReads != nSeenReads || m_bStop; });
            continue;
        }
        pData += nWritten;
        nBytes -= nWritten;
        {
            std::lock_guard<std::mutex> wake(m_wakeMutex);
            ++m_nWrites;
        }
        m_wake.notify_one();
    }
    m_bCallbackIdle = true;
}
