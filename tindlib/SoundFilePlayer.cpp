// CSoundFilePlayer: transport, play range and the audio clock.
#include "tindlib/SoundFilePlayer.h"

#include <algorithm>
#include <cmath>

#include "tindlib/SoundFile.h"

namespace tindlib {

CSoundFilePlayer::~CSoundFilePlayer() {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_pManager != nullptr) {
        m_pManager->Close();  // its feed is this object
    }
}

void CSoundFilePlayer::SetPlaybackManager(CPlaybackManager* pManager) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_pManager != nullptr) {
        m_pManager->Close();
    }
    m_nStatus = kStopped;
    m_pManager = pManager;
    CSoundFile* pSource = nullptr;
    {
        std::lock_guard<std::mutex> source(m_sourceMutex);
        pSource = m_pSoundFile;
    }
    if (m_pManager != nullptr && pSource != nullptr &&
        !m_pManager->Open(pSource->GetFormat(), this)) {
        std::lock_guard<std::mutex> source(m_sourceMutex);
        m_pSoundFile = nullptr;
    }
}

bool CSoundFilePlayer::SetSoundFile(CSoundFile* pSoundFile) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_pManager != nullptr) {
        m_pManager->Close();  // joins the streaming thread: the old source is let go
    }
    m_nStatus = kStopped;
    m_dLastReported = 0.0;
    {
        std::lock_guard<std::mutex> source(m_sourceMutex);
        m_pSoundFile = nullptr;
        std::lock_guard<std::mutex> anchors(m_anchorMutex);
        m_anchors.clear();
        m_nPendingFrame = -1;
    }
    if (pSoundFile == nullptr) {
        return true;
    }
    const WAVEFORMATEX& format = pSoundFile->GetFormat();
    if (!pSoundFile->IsOpen() || format.nSamplesPerSec == 0 || format.nBlockAlign == 0) {
        return false;
    }
    if (m_pManager != nullptr && !m_pManager->Open(format, this)) {
        return false;
    }
    m_nRate = format.nSamplesPerSec;
    std::lock_guard<std::mutex> source(m_sourceMutex);
    m_pSoundFile = pSoundFile;
    return true;
}

CSoundFile* CSoundFilePlayer::GetSoundFile() const {
    std::lock_guard<std::mutex> source(m_sourceMutex);
    return m_pSoundFile;
}

bool CSoundFilePlayer::StartLocked() {
    int64_t nFirst = 0;
    {
        std::lock_guard<std::mutex> source(m_sourceMutex);
        m_nDeviceFrames = 0;
        nFirst = m_pSoundFile->GetPosition();
        std::lock_guard<std::mutex> anchors(m_anchorMutex);
        m_anchors.assign(1, Anchor{0, nFirst});
    }
    m_nActiveAnchor = 0;
    m_dSeekTarget = static_cast<double>(nFirst) / m_nRate;
    m_dLastReported = m_dSeekTarget;
    if (!m_pManager->Start()) {
        m_pManager->Halt();
        m_nStatus = kStopped;
        return false;
    }
    m_nStatus = kPlaying;
    return true;
}

bool CSoundFilePlayer::PlayFile(int64_t nStart, int64_t nEnd, bool bLoop) {
    std::lock_guard<std::mutex> guard(m_mutex);
    ReapEndLocked();
    if (m_pManager == nullptr || !m_pManager->IsOpen()) {
        return false;
    }
    {
        std::lock_guard<std::mutex> source(m_sourceMutex);
        if (m_pSoundFile == nullptr) {
            return false;
        }
        m_nRangeStart = std::max<int64_t>(nStart, 0);
        m_nRangeEnd = nEnd;
        m_bLoop = bLoop;
    }
    if (nStart < 0 && m_nStatus == kPlaying) {
        return true;
    }
    if (nStart < 0 && m_nStatus == kPaused) {
        m_nStatus = kPlaying;
        return m_pManager->Resume();
    }
    m_pManager->Halt();
    if (nStart >= 0) {
        std::lock_guard<std::mutex> source(m_sourceMutex);
        m_pSoundFile->Seek(nStart, SOUND_SEEK_SET);
    }
    return StartLocked();
}

bool CSoundFilePlayer::Pause() {
    std::lock_guard<std::mutex> guard(m_mutex);
    ReapEndLocked();
    if (m_nStatus == kPlaying) {
        m_dFrozen = ClockLocked();
        m_nStatus = kPaused;
        return m_pManager->Pause();
    }
    if (m_nStatus == kPaused) {
        m_dLastReported = m_dFrozen;
        m_nStatus = kPlaying;
        return m_pManager->Resume();
    }
    return false;
}

void CSoundFilePlayer::StopLocked() {
    if (m_pManager != nullptr) {
        m_pManager->Halt();
    }
    m_nStatus = kStopped;
    m_dLastReported = 0.0;
    std::lock_guard<std::mutex> source(m_sourceMutex);
    if (m_pSoundFile != nullptr) {
        m_pSoundFile->Seek(0, SOUND_SEEK_SET);
    }
}

bool CSoundFilePlayer::Stop() {
    std::lock_guard<std::mutex> guard(m_mutex);
    StopLocked();
    return true;
}

void CSoundFilePlayer::ReapEndLocked() {
    // The end of the source has been heard: stopped, the source left at its end.
    if (m_nStatus != kStopped && m_pManager != nullptr && m_pManager->IsEnded()) {
        m_pManager->Halt();
        m_nStatus = kStopped;
    }
}

int CSoundFilePlayer::GetStatus() {
    std::lock_guard<std::mutex> guard(m_mutex);
    ReapEndLocked();
    return m_nStatus;
}

double CSoundFilePlayer::SourceSecondsLocked() {
    std::lock_guard<std::mutex> source(m_sourceMutex);
    if (m_pSoundFile == nullptr || m_nRate == 0) {
        return 0.0;
    }
    return static_cast<double>(m_pSoundFile->GetPosition()) / m_nRate;
}

double CSoundFilePlayer::DeviceToSourceSeconds(double dDevice, int64_t* pnAnchor) {
    // Only the anchors' own lock: a source blocked in Read must not hold up the clock.
    std::lock_guard<std::mutex> anchors(m_anchorMutex);
    if (m_anchors.empty()) {
        *pnAnchor = 0;
        return m_dSeekTarget;
    }
    const auto nDevice = static_cast<int64_t>(dDevice * m_nRate);
    // Stretches the device has left behind are no longer needed.
    auto it = std::upper_bound(m_anchors.begin(), m_anchors.end(), nDevice,
                               [](int64_t n, const Anchor& a) { return n < a.nDevice; });
    if (it != m_anchors.begin()) {
        m_anchors.erase(m_anchors.begin(), it - 1);
    }
    const Anchor& a = m_anchors.front();
    *pnAnchor = a.nDevice;
    return static_cast<double>(a.nSource) / m_nRate + dDevice -
           static_cast<double>(a.nDevice) / m_nRate;
}

double CSoundFilePlayer::ClockLocked() {
    double dDevice = 0.0;
    if (!m_pManager->QueryTime(&dDevice)) {
        return m_dLastReported;  // nothing from the current start or seek heard yet
    }
    int64_t nAnchor = 0;
    double dPos = DeviceToSourceSeconds(dDevice, &nAnchor);
    if (nAnchor != m_nActiveAnchor) {
        m_nActiveAnchor = nAnchor;  // a loop went round: the clock starts over
    } else {
        dPos = std::max(dPos, m_dLastReported);
    }
    m_dLastReported = dPos;
    return dPos;
}

double CSoundFilePlayer::GetPositionInSeconds() {
    std::lock_guard<std::mutex> guard(m_mutex);
    ReapEndLocked();
    switch (m_nStatus) {
        case kPlaying:
            return ClockLocked();
        case kPaused:
            return m_dFrozen;
        default:
            return SourceSecondsLocked();
    }
}

bool CSoundFilePlayer::SetPositionInSeconds(double dSeconds) {
    std::lock_guard<std::mutex> guard(m_mutex);
    ReapEndLocked();
    return SeekLocked(dSeconds);
}

bool CSoundFilePlayer::SeekLocked(double dSeconds) {
    if (!std::isfinite(dSeconds) || dSeconds < 0) {
        dSeconds = 0.0;
    }
    std::unique_lock<std::mutex> source(m_sourceMutex);
    if (m_pSoundFile == nullptr) {
        return false;
    }
    const int64_t nFrame = m_pSoundFile->TimeToSample(dSeconds);
    if (m_nStatus == kStopped) {
        return m_pSoundFile->Seek(nFrame, SOUND_SEEK_SET) >= 0;
    }
    m_nPendingFrame = nFrame;
    source.unlock();
    const bool bOk = m_pManager->Flush();
    int64_t nLanded = nFrame;  // where the source really went (it may clamp)
    {
        std::lock_guard<std::mutex> anchors(m_anchorMutex);
        if (bOk && !m_anchors.empty()) {
            nLanded = m_anchors.front().nSource;
        }
    }
    m_nActiveAnchor = 0;
    m_dSeekTarget = static_cast<double>(nLanded) / m_nRate;
    m_dLastReported = m_dSeekTarget;
    if (m_nStatus == kPaused) {
        m_dFrozen = m_dSeekTarget;
    }
    return bOk;
}

void CSoundFilePlayer::RestartHeardLocked() {
    ReapEndLocked();
    if (m_nStatus == kPlaying) {
        const double dHeard = ClockLocked();
        SeekLocked(dHeard);
        // The restart lands on the frame at or before the heard time: the clock holds
        // there rather than step back by that fraction of a frame.
        m_dLastReported = std::max(m_dLastReported, dHeard);
    } else if (m_nStatus == kPaused) {
        SeekLocked(m_dFrozen);
    }
}

bool CSoundFilePlayer::SetKeySemitones(int nSemitones) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_pManager == nullptr) {
        return false;
    }
    const int nBefore = m_pManager->GetKeySemitones();
    const bool bOk = m_pManager->SetKeySemitones(nSemitones);
    if (m_pManager->GetKeySemitones() != nBefore) {
        RestartHeardLocked();
    }
    return bOk;
}

bool CSoundFilePlayer::SetVocalRemoval(bool bOn) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_pManager == nullptr) {
        return false;
    }
    const bool bBefore = m_pManager->GetVocalRemoval();
    const bool bOk = m_pManager->SetVocalRemoval(bOn);
    if (bOk && bOn != bBefore) {
        RestartHeardLocked();  // the device holds audio processed the old way
    }
    return bOk;
}

int64_t CSoundFilePlayer::Fill(uint8_t* pBuffer, int64_t nFrames) {
    std::lock_guard<std::mutex> source(m_sourceMutex);
    if (m_pSoundFile == nullptr) {
        return 0;
    }
    const int64_t nAlign = m_pSoundFile->GetBlockAlign();
    int64_t nDone = 0;
    bool bWrapped = false;
    while (nDone < nFrames) {
        int64_t nWant = nFrames - nDone;
        if (m_nRangeEnd >= 0) {
            nWant = std::min(nWant, m_nRangeEnd - m_pSoundFile->GetPosition());
        }
        const int64_t nGot = nWant > 0 ? m_pSoundFile->Read(pBuffer + nDone * nAlign, nWant) : 0;
        if (nGot > 0) {
            nDone += nGot;
            bWrapped = false;
            continue;
        }
        // The end of the range or the source; a loop goes round unless the range is empty.
        if (!m_bLoop || bWrapped) {
            break;
        }
        m_pSoundFile->Seek(m_nRangeStart, SOUND_SEEK_SET);
        const Anchor wrap{m_nDeviceFrames + nDone, m_pSoundFile->GetPosition()};
        std::lock_guard<std::mutex> anchors(m_anchorMutex);
        m_anchors.push_back(wrap);
        bWrapped = true;
    }
    m_nDeviceFrames += nDone;
    return nDone;
}

void CSoundFilePlayer::OnFlush() {
    std::lock_guard<std::mutex> source(m_sourceMutex);
    if (m_pSoundFile == nullptr) {
        return;
    }
    if (m_nPendingFrame >= 0) {
        m_pSoundFile->Seek(m_nPendingFrame, SOUND_SEEK_SET);
        m_nPendingFrame = -1;
    }
    m_nDeviceFrames = 0;
    const Anchor start{0, m_pSoundFile->GetPosition()};
    std::lock_guard<std::mutex> anchors(m_anchorMutex);
    m_anchors.assign(1, start);
}

}  // namespace tindlib
