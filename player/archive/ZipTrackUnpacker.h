// CZipTrackUnpacker: takes the CD+G track and its audio out of a zip into a track folder.
#pragma once

#include <cstdint>
#include <string>

class CTrackFolder;

// Why a zip gave no track.
enum class EArchiveProblem {
    None,
    CannotRead,      // the file cannot be opened or read
    NotAZip,         // not a zip archive at all
    Damaged,         // corrupt or cut short: headers, checksums, compressed data
    TooManyEntries,  // more entries than any track archive has
    UnsafeName,      // an entry's name would climb out of the folder it is unpacked into
    NoTrack,         // no .cdg inside
    Encrypted,       // the track or its audio needs a password
    TooLarge,        // an entry claims, or unpacks to, more than the limit (or its claim)
    Unsupported,     // compressed with a method this build cannot unpack
    CannotWrite,     // the track folder cannot be made or written
};

struct ArchiveProblem {
    EArchiveProblem kind = EArchiveProblem::None;
    std::string strEntry;   // the entry concerned, when there is one
    std::string strReason;  // the library's or the system's own words, when there are any
    // TooManyEntries: the entries and the most that are read. TooLarge: the size the entry
    // claims and the limit; strReason "claimed" when the claim is over the limit, "unpacked"
    // when the data ran past its claim.
    uint64_t nValue = 0;
    uint64_t nLimit = 0;
};

struct UnpackedTrack {
    std::string strTrack;       // "<folder>/track.cdg"
    std::string strAudio;       // "<folder>/track.<kind>", empty when the zip has none
    std::string strTrackEntry;  // their names inside the zip
    std::string strAudioEntry;
};

// Entry names are never used as paths: the track is written as "track.cdg" and its audio as
// "track.<kind>" (lower case), so nothing lands outside the folder and the usual lookup of
// the audio beside a track finds it. Stateless apart from the limit; any thread.
class CZipTrackUnpacker {
public:
    static constexpr uint64_t kMaxEntrySize = uint64_t{512} << 20;  // 512 MiB
    // A track archive holds a few files; this many is something else.
    static constexpr uint64_t kMaxEntries = 1000;
    static constexpr char kTrackTitle[] = "track";

    explicit CZipTrackUnpacker(uint64_t nMaxEntrySize = kMaxEntrySize)
        : m_nMaxEntrySize(nMaxEntrySize) {}

    // True when the path names a zip ("zip" extension, any case).
    static bool IsZipPath(const std::string& strPath);

    // Reads the zip, picks the track and its audio and writes them into the folder. On
    // failure the reason is in problem; whatever was written stays inside the folder.
    bool Unpack(const std::string& strZip, const CTrackFolder& folder, UnpackedTrack& track,
                ArchiveProblem& problem) const;

private:
    uint64_t m_nMaxEntrySize;
};
