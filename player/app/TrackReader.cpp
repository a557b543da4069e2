// CTrackReader: every access to the packet reader under its lock.
#include "player/app/TrackReader.h"

#include "player/cdg/CdgScreen.h"

bool CTrackReader::Open(const std::string& strPath) {
    std::lock_guard lock(m_readerMutex);
    m_cdgFile.Close();
    m_bEnded = false;
    return m_cdgFile.Open(strPath);
}

void CTrackReader::Close() {
    std::lock_guard lock(m_readerMutex);
    m_cdgFile.Close();
    m_bEnded = false;
}

bool CTrackReader::IsOpen() {
    std::lock_guard lock(m_readerMutex);
    return m_cdgFile.IsOpen();
}

void CTrackReader::Rewind() {
    std::lock_guard lock(m_readerMutex);
    if (m_cdgFile.IsOpen()) {
        m_cdgFile.SeekPacket(0);
    }
    m_bEnded = false;
}

int32_t CTrackReader::GetPacketIndex() {
    std::lock_guard lock(m_readerMutex);
    return m_cdgFile.m_nPacketIndex;
}

void CTrackReader::ClearEnd() {
    std::lock_guard lock(m_readerMutex);
    m_bEnded = false;
}

CTrackReader::EStep CTrackReader::Step(double dDueSeconds, CCdgScreen& screen,
                                       const std::function<bool()>& bStillDue, int32_t* pnIndex) {
    std::lock_guard lock(m_readerMutex);
    *pnIndex = m_cdgFile.m_nPacketIndex;
    if (!(CCdgFile::PacketToSeconds(*pnIndex) < dDueSeconds) || !bStillDue()) {
        return EStep::NotDue;
    }
    if (!m_cdgFile.ReadPacket(m_packet)) {
        // Set with the failed read, so a reopen that follows can never be marked ended.
        m_bEnded = true;
        return EStep::Ended;
    }
    screen.Execute(m_packet);
    return EStep::Executed;
}
