// CAudioFeed: the audio that plays with a track, as the player finds it, optionally in
// another key, read block by block for the export.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tindlib {
class CPitchShifter;
class CSoundFile;
}  // namespace tindlib

namespace cdgexport {

// The player's sound sources: the .bin's own audio, the WAV, MP3 or WMA beside the track,
// or silence. The player's silence runs for ten minutes; here it lasts as long as the
// track's packets, so a silent track's video ends with its graphics.
class CAudioFeed {
public:
    CAudioFeed();
    ~CAudioFeed();
    CAudioFeed(const CAudioFeed&) = delete;
    CAudioFeed& operator=(const CAudioFeed&) = delete;

    // Opens the track's audio and, for a key other than 0, the pitch shifter. False with a
    // message when the audio file cannot be opened or its format is not 16-bit PCM.
    bool Open(const std::string& strTrack, int nKey, std::string& error);
    // The audio file used (the track itself for a .bin), empty for silence.
    const std::string& GetPath() const { return m_strPath; }
    int GetChannels() const { return m_nChannels; }
    int GetSampleRate() const { return m_nSampleRate; }
    // The length the source announces, in frames (the real end is where reads stop).
    int64_t GetExpectedFrames() const { return m_nExpected; }

    // Replaces out with up to nFrames interleaved frames; false once everything was read.
    bool Read(int64_t nFrames, std::vector<int16_t>& out);

    // Packets in a track file, read as the player reads them (0 when unreadable).
    static int64_t CountPackets(const std::string& strTrack);

private:
    // Up to nFrames source frames, fewer only at the source's end (or the silence's).
    int64_t Pull(uint8_t* pBuffer, int64_t nFrames);

    std::unique_ptr<tindlib::CSoundFile> m_pSource;
    std::unique_ptr<tindlib::CPitchShifter> m_pShifter;
    std::string m_strPath;
    int m_nChannels = 0;
    int m_nSampleRate = 0;
    int64_t m_nExpected = 0;
    int64_t m_nLimit = -1;  // frames to read at most; -1 for the source's own end
    int64_t m_nRead = 0;
    bool m_bEnded = false;
};

}  // namespace cdgexport
