// Arbitrary bytes as a zip track: unpacking never crashes, never writes anywhere but its
// track folder, and gives either a track (with at most its audio) or a reason.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "player/archive/TrackFolder.h"
#include "player/archive/ZipTrackUnpacker.h"

namespace fs = std::filesystem;

namespace {

// Small, so that inputs claiming big entries run into the limit quickly.
constexpr uint64_t kLimit = 4 << 20;

void Check(bool bCondition) {
    if (!bCondition) {
        std::abort();
    }
}

const fs::path& Root() {
    static const fs::path root = [] {
        std::string strTemplate = (fs::temp_directory_path() / "zip-fuzz-XXXXXX").string();
        return fs::path(::mkdtemp(strTemplate.data()));
    }();
    return root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path zip = Root() / "input.zip";
    if (std::FILE* f = std::fopen(zip.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    const fs::path folders = Root() / "folders";
    fs::create_directories(folders);
    std::string strError;
    auto pFolder = CTrackFolder::Create(strError, folders.string());
    Check(pFolder != nullptr);

    UnpackedTrack track;
    ArchiveProblem problem;
    const bool bOk = CZipTrackUnpacker(kLimit).Unpack(zip.string(), *pFolder, track, problem);
    size_t nFiles = 0;
    for (const auto& entry : fs::directory_iterator(pFolder->GetPath())) {
        Check(entry.is_regular_file() && !entry.is_symlink());
        Check(entry.file_size() <= kLimit);
        ++nFiles;
    }
    if (bOk) {
        Check(problem.kind == EArchiveProblem::None);
        Check(track.strTrack == pFolder->FilePath("track.cdg") && fs::exists(track.strTrack));
        Check(track.strAudio.empty() || fs::exists(track.strAudio));
        Check(nFiles == (track.strAudio.empty() ? 1u : 2u));
    } else {
        Check(problem.kind != EArchiveProblem::None);
        Check(nFiles <= 2);
    }
    const std::string strFolder = pFolder->GetPath();
    pFolder.reset();
    Check(!fs::exists(strFolder));
    // Nothing beside the input and the (now empty) folder of folders.
    size_t nBeside = 0;
    for (const auto& entry : fs::directory_iterator(Root())) {
        (void)entry;
        ++nBeside;
    }
    Check(nBeside == 2 && fs::is_empty(folders));
    return 0;
}
