// Which entries of an archive make the track: the names checked and the pair chosen.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The audio kinds an archived track may carry, in the order they are preferred; the
// same order as the loose audio beside a track.
inline constexpr const char* kArchiveAudioExtensions[] = {"wav", "mp3",  "wma",
                                                          "ogg", "flac", "m4a"};

// The lower-case extension (without its dot) of an entry's last name; empty for none.
std::string EntryExtension(const std::string& strEntry);

// True when the name would leave the folder it is unpacked into, were it used as a path:
// absolute ("/x", "\x", "C:x"), or with a ".." step (either separator).
bool IsUnsafeEntryName(const std::string& strEntry);

// True for names no track comes from: folders ("a/") and the resource forks macOS adds
// to the zips it makes ("__MACOSX/...", "._name").
bool IsIgnoredEntry(const std::string& strEntry);

struct TrackEntryChoice {
    size_t nTrack = 0;             // index of the .cdg entry
    std::optional<size_t> nAudio;  // index of its audio; none: play against silence
    size_t nAudioKind = 0;         // index into kArchiveAudioExtensions when nAudio is set
};

// Picks the track among entry names (in archive order):
// - the first .cdg (any case) that has audio of the same title (compared without regard to
//   case); among several such audio files the one in the same folder, then the earliest
//   kind of kArchiveAudioExtensions, then the first in the archive;
// - otherwise, with exactly one .cdg and one audio file, those two;
// - otherwise the first .cdg without audio.
// Nothing when there is no .cdg. Ignored entries do not count.
std::optional<TrackEntryChoice> ChooseTrackEntries(const std::vector<std::string>& entries);
