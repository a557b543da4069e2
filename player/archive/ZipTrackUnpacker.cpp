// Unpacking a track from a zip with libzip: checks first, then counted extraction.
#include "player/archive/ZipTrackUnpacker.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <unistd.h>
#include <zip.h>

#include "player/archive/TrackEntries.h"
#include "player/archive/TrackFolder.h"

namespace {

constexpr size_t kChunk = 64 * 1024;

struct ZipDiscard {
    void operator()(zip_t* pZip) const { zip_discard(pZip); }
};
struct ZipFileClose {
    void operator()(zip_file_t* pFile) const { zip_fclose(pFile); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipDiscard>;
using ZipFilePtr = std::unique_ptr<zip_file_t, ZipFileClose>;

class CDescriptor {
public:
    explicit CDescriptor(int nFd) : m_nFd(nFd) {}
    ~CDescriptor() { Close(); }
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;
    int Get() const { return m_nFd; }
    bool Close() {
        const int nFd = m_nFd;
        m_nFd = -1;
        return nFd < 0 || ::close(nFd) == 0;
    }

private:
    int m_nFd;
};

bool Fail(ArchiveProblem& problem, EArchiveProblem kind, std::string strEntry = {},
          std::string strReason = {}) {
    problem.kind = kind;
    problem.strEntry = std::move(strEntry);
    problem.strReason = std::move(strReason);
    return false;
}

std::string ZipErrorText(int nZipError) {
    zip_error_t error;
    zip_error_init_with_code(&error, nZipError);
    std::string strText = zip_error_strerror(&error);
    zip_error_fini(&error);
    return strText;
}

// A file that starts with a local entry header is a zip whose end is missing or broken.
bool StartsLikeZip(const std::string& strPath) {
    std::array<char, 4> head{};
    std::FILE* pFile = std::fopen(strPath.c_str(), "rb");
    if (pFile == nullptr) {
        return false;
    }
    const bool bRead = std::fread(head.data(), 1, head.size(), pFile) == head.size();
    std::fclose(pFile);
    return bRead && std::memcmp(head.data(), "PK\x03\x04", head.size()) == 0;
}

bool OpenProblem(const std::string& strZip, int nZipError, ArchiveProblem& problem) {
    const std::string strReason = ZipErrorText(nZipError);
    switch (nZipError) {
        case ZIP_ER_NOENT:
        case ZIP_ER_OPEN:
        case ZIP_ER_READ:
        case ZIP_ER_SEEK:
        case ZIP_ER_TELL:
            return Fail(problem, EArchiveProblem::CannotRead, {}, strReason);
        case ZIP_ER_NOZIP:
            return StartsLikeZip(strZip)
                       ? Fail(problem, EArchiveProblem::Damaged, {}, "its directory is missing")
                       : Fail(problem, EArchiveProblem::NotAZip, {}, strReason);
        case ZIP_ER_MULTIDISK:
            return Fail(problem, EArchiveProblem::Unsupported, {}, strReason);
        default:
            return Fail(problem, EArchiveProblem::Damaged, {}, strReason);
    }
}

bool WriteAll(int nFd, const char* pData, size_t nSize) {
    while (nSize > 0) {
        const ssize_t nWritten = ::write(nFd, pData, nSize);
        if (nWritten < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        pData += nWritten;
        nSize -= static_cast<size_t>(nWritten);
    }
    return true;
}

// Copies one entry into a new file of the folder, counting what it unpacks to.
bool Extract(zip_t* pZip, zip_uint64_t nIndex, const std::string& strEntry,
             const CTrackFolder& folder, const std::string& strFile, uint64_t nLimit,
             ArchiveProblem& problem) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(pZip, nIndex, 0, &st) != 0) {
        return Fail(problem, EArchiveProblem::Damaged, strEntry, zip_strerror(pZip));
    }
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 && st.encryption_method != ZIP_EM_NONE) {
        return Fail(problem, EArchiveProblem::Encrypted, strEntry);
    }
    if ((st.valid & ZIP_STAT_COMP_METHOD) != 0 &&
        zip_compression_method_supported(st.comp_method, 0) == 0) {
        return Fail(problem, EArchiveProblem::Unsupported, strEntry,
                    "compression method " + std::to_string(st.comp_method));
    }
    // What the entry claims is checked before anything is unpacked, and then held to.
    const bool bClaimed = (st.valid & ZIP_STAT_SIZE) != 0;
    problem.nLimit = nLimit;
    problem.nValue = bClaimed ? st.size : nLimit;
    if (bClaimed && st.size > nLimit) {
        return Fail(problem, EArchiveProblem::TooLarge, strEntry, "claimed");
    }
    const uint64_t nAllowed = bClaimed ? st.size : nLimit;

    ZipFilePtr pFile(zip_fopen_index(pZip, nIndex, 0));
    if (!pFile) {
        const int nError = zip_error_code_zip(zip_get_error(pZip));
        const std::string strReason = zip_strerror(pZip);
        switch (nError) {
            case ZIP_ER_NOPASSWD:
            case ZIP_ER_WRONGPASSWD:
            case ZIP_ER_ENCRNOTSUPP:
                return Fail(problem, EArchiveProblem::Encrypted, strEntry, strReason);
            case ZIP_ER_COMPNOTSUPP:
                return Fail(problem, EArchiveProblem::Unsupported, strEntry, strReason);
            default:
                return Fail(problem, EArchiveProblem::Damaged, strEntry, strReason);
        }
    }
    CDescriptor out(folder.CreateFile(strFile));
    if (out.Get() < 0) {
        return Fail(problem, EArchiveProblem::CannotWrite, strEntry, std::strerror(errno));
    }
    std::vector<char> buffer(kChunk);
    uint64_t nTotal = 0;
    for (;;) {
        const zip_int64_t nRead = zip_fread(pFile.get(), buffer.data(), buffer.size());
        if (nRead < 0) {
            return Fail(problem, EArchiveProblem::Damaged, strEntry,
                        zip_file_strerror(pFile.get()));
        }
        if (nRead == 0) {
            break;
        }
        nTotal += static_cast<uint64_t>(nRead);
        if (nTotal > nAllowed) {
            return Fail(problem, EArchiveProblem::TooLarge, strEntry, "unpacked");
        }
        if (!WriteAll(out.Get(), buffer.data(), static_cast<size_t>(nRead))) {
            return Fail(problem, EArchiveProblem::CannotWrite, strEntry, std::strerror(errno));
        }
    }
    if (bClaimed && nTotal != st.size) {
        return Fail(problem, EArchiveProblem::Damaged, strEntry,
                    "it holds " + std::to_string(nTotal) + " of the " + std::to_string(st.size) +
                        " bytes it claims");
    }
    if (!out.Close()) {
        return Fail(problem, EArchiveProblem::CannotWrite, strEntry, std::strerror(errno));
    }
    return true;
}

}  // namespace

bool CZipTrackUnpacker::IsZipPath(const std::string& strPath) {
    constexpr char kExtension[] = ".zip";
    constexpr size_t nLength = sizeof(kExtension) - 1;
    if (strPath.size() < nLength) {
        return false;
    }
    for (size_t i = 0; i < nLength; ++i) {
        char c = strPath[strPath.size() - nLength + i];
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        if (c != kExtension[i]) {
            return false;
        }
    }
    return true;
}

bool CZipTrackUnpacker::Unpack(const std::string& strZip, const CTrackFolder& folder,
                               UnpackedTrack& track, ArchiveProblem& problem) const {
    problem = ArchiveProblem{};
    track = UnpackedTrack{};
    int nError = ZIP_ER_OK;
    ZipPtr pZip(zip_open(strZip.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &nError));
    if (!pZip) {
        return OpenProblem(strZip, nError, problem);
    }
    const zip_int64_t nEntries = zip_get_num_entries(pZip.get(), 0);
    if (nEntries < 0) {
        return Fail(problem, EArchiveProblem::Damaged, {}, zip_strerror(pZip.get()));
    }
    if (static_cast<uint64_t>(nEntries) > kMaxEntries) {
        problem.nValue = static_cast<uint64_t>(nEntries);
        problem.nLimit = kMaxEntries;
        return Fail(problem, EArchiveProblem::TooManyEntries);
    }

    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(nEntries));
    for (zip_int64_t i = 0; i < nEntries; ++i) {
        const char* pszName = zip_get_name(pZip.get(), static_cast<zip_uint64_t>(i), 0);
        if (pszName == nullptr) {
            return Fail(problem, EArchiveProblem::Damaged, {}, zip_strerror(pZip.get()));
        }
        names.emplace_back(pszName);
        // One such name is enough to distrust the whole archive.
        if (IsUnsafeEntryName(names.back())) {
            return Fail(problem, EArchiveProblem::UnsafeName, names.back());
        }
    }

    const std::optional<TrackEntryChoice> choice = ChooseTrackEntries(names);
    if (!choice) {
        return Fail(problem, EArchiveProblem::NoTrack);
    }
    const std::string strTrackFile = std::string(kTrackTitle) + ".cdg";
    if (!Extract(pZip.get(), choice->nTrack, names[choice->nTrack], folder, strTrackFile,
                 m_nMaxEntrySize, problem)) {
        return false;
    }
    track.strTrack = folder.FilePath(strTrackFile);
    track.strTrackEntry = names[choice->nTrack];
    if (choice->nAudio) {
        const std::string strAudioFile =
            std::string(kTrackTitle) + "." + kArchiveAudioExtensions[choice->nAudioKind];
        if (!Extract(pZip.get(), *choice->nAudio, names[*choice->nAudio], folder, strAudioFile,
                     m_nMaxEntrySize, problem)) {
            track = UnpackedTrack{};
            return false;
        }
        track.strAudio = folder.FilePath(strAudioFile);
        track.strAudioEntry = names[*choice->nAudio];
    }
    problem = ArchiveProblem{};
    return true;
}
