// The open zip track's unpacked copy: a fresh folder per track, the old one removed.
#include "player/archive/UnpackedZipTrack.h"

bool CUnpackedZipTrack::Open(const std::string& strZip, ArchiveProblem& problem) {
    Close();
    std::string strError;
    std::unique_ptr<CTrackFolder> pFolder = CTrackFolder::Create(strError);
    if (!pFolder) {
        problem = ArchiveProblem{};
        problem.kind = EArchiveProblem::CannotWrite;
        problem.strReason = strError;
        return false;
    }
    UnpackedTrack track;
    if (!m_unpacker.Unpack(strZip, *pFolder, track, problem)) {
        return false;  // the folder goes with pFolder
    }
    m_pFolder = std::move(pFolder);
    m_track = std::move(track);
    return true;
}

void CUnpackedZipTrack::Close() {
    m_pFolder.reset();
    m_track = UnpackedTrack{};
}
