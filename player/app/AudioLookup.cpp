// The audio lookup beside a track and the sound source made for each kind.
#include "player/app/AudioLookup.h"

#include <vector>

#include "player/audio/DecodedSoundFile.h"
#include "player/audio/SilentSoundFile.h"
#include "player/cdg/CdgFile.h"
#include "player/util/PathUtil.h"
#include "tindlib/BinFile.h"
#include "tindlib/WaveFile.h"

AudioChoice FindAudio(const std::string& strTrackPath) {
    if (CCdgFile::IsRawImagePath(strTrackPath)) {
        return {EAudioSource::Bin, strTrackPath};
    }
    std::vector<std::string> parts;
    SplitPath(strTrackPath, parts);
    struct Candidate {
        const char* pszExtension;
        EAudioSource source;
    };
    const Candidate candidates[] = {
        {"wav", EAudioSource::Wave},
        {"mp3", EAudioSource::Mp3},
        {"wma", EAudioSource::Wma},
        // The kinds karaoke libraries added later; after the three first looked for.
        {"ogg", EAudioSource::Ogg},
        {"flac", EAudioSource::Flac},
        {"m4a", EAudioSource::M4a},
    };
    AudioChoice choice;
    for (const Candidate& candidate : candidates) {
        choice.strPath =
            MakePath(parts[0].c_str(), parts[1].c_str(), parts[2].c_str(), candidate.pszExtension);
        if (FileExists(choice.strPath)) {
            choice.source = candidate.source;
            return choice;
        }
    }
    choice.source = EAudioSource::Silence;
    return choice;
}

std::unique_ptr<tindlib::CSoundFile> MakeSoundFile(EAudioSource source) {
    switch (source) {
        case EAudioSource::Bin:
            return std::make_unique<tindlib::CBinFile>();
        case EAudioSource::Wave:
            return std::make_unique<tindlib::CWaveFile>();
        case EAudioSource::Mp3:
        case EAudioSource::Wma:
        case EAudioSource::Ogg:
        case EAudioSource::Flac:
        case EAudioSource::M4a:
            return std::make_unique<CDecodedSoundFile>();
        case EAudioSource::Silence:
            return std::make_unique<CSilentSoundFile>();
    }
    return nullptr;
}
