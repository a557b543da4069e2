// CAudioFeed: the player's audio lookup and sources, a length for silence, and the key
// change applied between the source and the export.
#include "tools/cdgexport/AudioFeed.h"

#include <algorithm>

#include "player/app/AudioLookup.h"
#include "player/cdg/CdgFile.h"
#include "tindlib/PitchShifter.h"
#include "tindlib/SoundFile.h"

namespace cdgexport {

namespace {

constexpr unsigned kOpenReadShared = 64;  // read access, no sharing restriction
constexpr int kPcmBits = 16;

}  // namespace

CAudioFeed::CAudioFeed() = default;

CAudioFeed::~CAudioFeed() {
    if (m_pSource) {
        m_pSource->Close();
    }
}

int64_t CAudioFeed::CountPackets(const std::string& strTrack) {
    CCdgFile file;
    if (!file.Open(strTrack)) {
        return 0;
    }
    CCdgPacket packet;
    int64_t nCount = 0;
    while (file.ReadPacket(packet)) {
        ++nCount;
    }
    return nCount;
}

bool CAudioFeed::Open(const std::string& strTrack, int nKey, std::string& error) {
    const AudioChoice choice = FindAudio(strTrack);
    m_pSource = MakeSoundFile(choice.source);
    const bool bSilent = choice.source == EAudioSource::Silence;
    m_strPath = bSilent ? std::string() : choice.strPath;
    if (!m_pSource || !m_pSource->Open(choice.strPath, kOpenReadShared)) {
        error =
            "cannot open the audio " + choice.strPath + " (not a readable or decodable audio file)";
        m_pSource.reset();
        return false;
    }
    const tindlib::WAVEFORMATEX& format = m_pSource->GetFormat();
    if (format.wBitsPerSample != kPcmBits || format.nChannels == 0 || format.nSamplesPerSec == 0) {
        error = "the audio " + choice.strPath + " is not delivered as 16-bit PCM";
        return false;
    }
    m_nChannels = format.nChannels;
    m_nSampleRate = static_cast<int>(format.nSamplesPerSec);
    if (bSilent) {
        // 147 frames of 44.1 kHz audio per packet: 44100 / 300.
        m_nLimit = CountPackets(strTrack) * m_nSampleRate / 300;
        m_nExpected = m_nLimit;
    } else {
        m_nExpected = std::max<int64_t>(m_pSource->GetLength(), 0);
    }
    if (nKey != 0) {
        std::string strWhy;
        if (!tindlib::CPitchShifter::IsAvailable(&strWhy)) {
            error = "the key cannot be changed: " + strWhy;
            return false;
        }
        m_pShifter = std::make_unique<tindlib::CPitchShifter>();
        m_pShifter->Reset(format, nKey);
    }
    return true;
}

bool CAudioFeed::Read(int64_t nFrames, std::vector<int16_t>& out) {
    out.clear();
    if (m_bEnded || !m_pSource || nFrames <= 0) {
        return false;
    }
    out.resize(static_cast<size_t>(nFrames * m_nChannels));
    auto* pOut = reinterpret_cast<uint8_t*>(out.data());
    const int64_t nGot =
        m_pShifter
            ? m_pShifter->Fill(pOut, nFrames,
                               [this](uint8_t* pBuffer, int64_t n) { return Pull(pBuffer, n); })
            : Pull(pOut, nFrames);
    out.resize(static_cast<size_t>(nGot * m_nChannels));
    m_bEnded = nGot < nFrames;
    return nGot > 0;
}

int64_t CAudioFeed::Pull(uint8_t* pBuffer, int64_t nFrames) {
    // Whole blocks until the source ends: a decoder may deliver less than asked.
    const int64_t nAlign = m_pSource->GetBlockAlign();
    int64_t nDone = 0;
    while (nDone < nFrames) {
        int64_t nWant = nFrames - nDone;
        if (m_nLimit >= 0) {
            nWant = std::min(nWant, m_nLimit - m_nRead);
        }
        const int64_t nGot =
            nWant > 0 ? std::max<int64_t>(m_pSource->Read(pBuffer + nDone * nAlign, nWant), 0) : 0;
        if (nGot == 0) {
            break;
        }
        nDone += nGot;
        m_nRead += nGot;
    }
    return nDone;
}

}  // namespace cdgexport
