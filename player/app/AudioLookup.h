// The audio that belongs to a track: found beside it by name, and the source that plays it.
#pragma once

#include <memory>
#include <string>

namespace tindlib {
class CSoundFile;
}

// Kinds of audio a track can have, in the order they are looked for.
enum class EAudioSource {
    Bin,      // the raw CD image itself carries the audio
    Wave,     // <title>.wav
    Mp3,      // <title>.mp3, decoded
    Wma,      // <title>.wma, decoded
    Ogg,      // <title>.ogg, decoded
    Flac,     // <title>.flac, decoded
    M4a,      // <title>.m4a, decoded
    Silence,  // nothing found: ten minutes of silence
};

struct AudioChoice {
    EAudioSource source = EAudioSource::Silence;
    std::string strPath;  // the audio file (for silence, the last candidate looked at)
};

// ".bin" tracks (by their last three characters, any case) are their own audio; otherwise
// the first of wav, mp3, wma, ogg, flac, m4a that exists beside the track with the same title.
AudioChoice FindAudio(const std::string& strTrackPath);
// A new, unopened source for that kind of audio.
std::unique_ptr<tindlib::CSoundFile> MakeSoundFile(EAudioSource source);
