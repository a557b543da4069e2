// CUnpackedZipTrack: the unpacked copy of the zip track that is open, kept until the track
// closes or another one opens.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "player/archive/TrackFolder.h"
#include "player/archive/ZipTrackUnpacker.h"

// Holds at most one copy, in its own track folder. Used by one thread at a time.
class CUnpackedZipTrack {
public:
    explicit CUnpackedZipTrack(uint64_t nMaxEntrySize = CZipTrackUnpacker::kMaxEntrySize)
        : m_unpacker(nMaxEntrySize) {}

    // Unpacks the zip into a new folder under the default root. Success replaces the copy
    // held; failure leaves none (the failed attempt's folder is removed as well), with the
    // reason in problem.
    bool Open(const std::string& strZip, ArchiveProblem& problem);
    // Removes the copy held, if any.
    void Close();

    bool IsOpen() const { return m_pFolder != nullptr; }
    // The unpacked files; empty names when nothing is held.
    const UnpackedTrack& GetTrack() const { return m_track; }
    // The folder of the copy; empty when nothing is held.
    std::string GetFolder() const { return m_pFolder ? m_pFolder->GetPath() : std::string(); }

private:
    CZipTrackUnpacker m_unpacker;
    std::unique_ptr<CTrackFolder> m_pFolder;
    UnpackedTrack m_track;
};
