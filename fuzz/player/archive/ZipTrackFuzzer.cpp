// Zip tracks from arbitrary bytes: unpacking never crashes, never writes anywhere but its
// track folder, and gives either a track (with at most its audio) or a reason.
// Input starting with "PK" is taken as a zip as it stands. Anything else describes a zip to
// build (entries whose names are put together from track-like pieces, so the choice of
// the pair is explored) and bytes to flip in it afterwards.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>
#include <zip.h>

#include "player/archive/TrackFolder.h"
#include "player/archive/ZipTrackUnpacker.h"

namespace fs = std::filesystem;

namespace {

// Small, so that inputs claiming big entries run into the limit quickly.
constexpr uint64_t kLimit = 4 << 20;
constexpr size_t kMaxEntries = 8;
constexpr size_t kMaxData = 2048;

const char* const kFolders[] = {"", "a/", "Disc 1/", "__MACOSX/", "../", "/", "C:", "x\\..\\"};
const char* const kTitles[] = {"Song", "song", "SONG", "Other", "._Song", "", "Song.mp3"};
const char* const kExtensions[] = {".cdg", ".CDG", ".mp3", ".MP3", ".wav", ".ogg", ".flac",
                                   ".m4a", ".wma", ".txt", "",     "/",    ".zip"};

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

class CReader {
public:
    CReader(const uint8_t* pData, size_t nSize) : m_pData(pData), m_nSize(nSize) {}
    uint8_t Byte() { return m_nPos < m_nSize ? m_pData[m_nPos++] : 0; }
    size_t Left() const { return m_nSize - m_nPos; }
    template <typename T, size_t N>
    const T& Pick(const T (&items)[N]) {
        return items[Byte() % N];
    }

private:
    const uint8_t* m_pData;
    size_t m_nSize;
    size_t m_nPos = 0;
};

bool WriteRaw(const fs::path& path, const uint8_t* pData, size_t nSize) {
    std::FILE* pFile = std::fopen(path.c_str(), "wb");
    if (pFile == nullptr) {
        return false;
    }
    const bool bOk = std::fwrite(pData, 1, nSize, pFile) == nSize;
    return std::fclose(pFile) == 0 && bOk;
}

bool BuildZip(const fs::path& path, CReader& in) {
    zip_t* pZip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
    if (pZip == nullptr) {
        return false;
    }
    std::vector<std::vector<uint8_t>> contents;  // alive until the archive is written
    contents.reserve(kMaxEntries);
    const size_t nEntries = in.Byte() % kMaxEntries + 1;
    for (size_t i = 0; i < nEntries; ++i) {
        const uint8_t nFlags = in.Byte();
        std::string strName = in.Pick(kFolders);
        strName += in.Pick(kTitles);
        strName += in.Pick(kExtensions);
        if (!strName.empty() && strName.back() == '/') {
            zip_dir_add(pZip, strName.c_str(), 0);
            continue;
        }
        const size_t nLength = (static_cast<size_t>(in.Byte()) << 8 | in.Byte()) % kMaxData;
        std::vector<uint8_t>& data = contents.emplace_back(nLength);
        for (uint8_t& b : data) {
            b = in.Left() > 0 ? in.Byte() : static_cast<uint8_t>(nLength);
        }
        zip_source_t* pSource = zip_source_buffer(pZip, data.data(), data.size(), 0);
        const zip_int64_t nIndex =
            pSource == nullptr ? -1 : zip_file_add(pZip, strName.c_str(), pSource, 0);
        if (nIndex < 0) {
            zip_source_free(pSource);
            continue;
        }
        const auto nEntry = static_cast<zip_uint64_t>(nIndex);
        zip_set_file_compression(pZip, nEntry, (nFlags & 1) != 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                 0);
        if ((nFlags & 2) != 0) {
            zip_file_set_encryption(pZip, nEntry, ZIP_EM_TRAD_PKWARE, "pw");
        }
    }
    if (zip_close(pZip) != 0) {
        zip_discard(pZip);
        return false;
    }
    // The rest of the input flips bytes of the written archive.
    std::FILE* pFile = std::fopen(path.c_str(), "r+b");
    if (pFile == nullptr) {
        return true;  // an archive of nothing but folders may not be written at all
    }
    std::fseek(pFile, 0, SEEK_END);
    const long nSize = std::ftell(pFile);
    while (in.Left() >= 3 && nSize > 0) {
        const long nAt = (static_cast<long>(in.Byte()) << 8 | in.Byte()) % nSize;
        const uint8_t nXor = in.Byte();
        std::fseek(pFile, nAt, SEEK_SET);
        const int c = std::fgetc(pFile);
        std::fseek(pFile, nAt, SEEK_SET);
        std::fputc(static_cast<uint8_t>(c ^ nXor), pFile);
    }
    std::fclose(pFile);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path zip = Root() / "input.zip";
    std::error_code error;
    fs::remove(zip, error);
    CReader in(data, size);
    const bool bRaw = size >= 2 && data[0] == 'P' && data[1] == 'K';
    if (!(bRaw ? WriteRaw(zip, data, size) : BuildZip(zip, in))) {
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
    Check(nBeside <= 2 && fs::is_empty(folders));
    return 0;
}
