// The sound library's file readers on arbitrary bytes: as a WAV (CWaveFile) and as a raw
// disc image (CBinFile) the file opens or is refused cleanly, and reads and seeks stay
// within the length. The disc image's frames must be exactly the audio bytes of its
// sectors.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/support/ScratchFile.h"
#include "tindlib/BinFile.h"
#include "tindlib/WaveFile.h"

namespace {

constexpr int64_t kChunkFrames = 1024;
constexpr int kMaxChunks = 64;

void Require(bool bHolds, const char* what) {
    if (!bHolds) {
        std::fprintf(stderr, "tindlib_soundfile_fuzzer: %s\n", what);
        std::abort();
    }
}

// Reads up to kMaxChunks chunks from the start, handing each to check, then seeks to a
// few places (outside the file too) and reads again.
template <typename Check>
void Exercise(tindlib::CSoundFile& file, const std::string& path, Check check) {
    if (!file.Open(path, 0)) {
        Require(!file.IsOpen() && !file.CanRead(), "refused file left open");
        return;
    }
    const int nAlign = file.GetBlockAlign();
    const int64_t nLength = file.GetLength();
    Require(nAlign > 0 && nLength >= 0 && file.GetPosition() == 0, "opened in a bad state");
    std::vector<uint8_t> buffer(static_cast<size_t>(nAlign) * kChunkFrames);
    int64_t nTotal = 0;
    for (int i = 0; i < kMaxChunks; ++i) {
        const int64_t nGot = file.Read(buffer.data(), kChunkFrames);
        Require(nGot >= 0 && nGot <= kChunkFrames, "read more than asked");
        if (nGot == 0) {
            break;
        }
        check(nTotal, buffer.data(), nGot);
        nTotal += nGot;
        Require(file.GetPosition() == nTotal, "position does not follow the reads");
    }
    Require(nTotal <= nLength, "read past the length");
    for (const int64_t nFrame : {nLength / 2, nLength + 10, int64_t{-5}, nLength - 1}) {
        const int64_t nAt = file.Seek(nFrame, tindlib::SOUND_SEEK_SET);
        Require(nAt == std::clamp<int64_t>(nFrame, 0, nLength), "seek not clamped to the file");
        Require(file.GetPosition() == nAt, "position differs from the seek's result");
        const int64_t nGot = file.Read(buffer.data(), 16);
        Require(nGot <= nLength - nAt, "read past the length after a seek");
        check(nAt, buffer.data(), nGot);
    }
    Require(file.Seek(0, 7) == -1, "unknown seek origin accepted");
    file.Close();
    Require(!file.IsOpen() && file.Read(buffer.data(), 1) == 0, "closed file still reads");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    static fuzz::ScratchFile scratch(".wav");
    static const std::string binPath = scratch.AddName(".bin");
    if (!scratch.Write(pData, nSize) || binPath.empty()) {
        return 0;
    }
    tindlib::CWaveFile wav;
    Exercise(wav, scratch.Path(), [](int64_t, const uint8_t*, int64_t) {});

    using tindlib::CBinFile;
    const auto nSectors = static_cast<int64_t>(nSize) / CBinFile::kSectorBytes;
    const int64_t nTail =
        std::min(static_cast<int64_t>(nSize) % CBinFile::kSectorBytes, CBinFile::kAudioBytes);
    const int64_t nFrames = nSectors * CBinFile::kFramesPerSector + nTail / CBinFile::kFrameBytes;
    CBinFile bin;
    Exercise(bin, binPath, [&](int64_t nFirst, const uint8_t* pFrames, int64_t nCount) {
        for (int64_t i = 0; i < nCount; ++i) {
            const int64_t nFrame = nFirst + i;
            const int64_t nOffset = nFrame / CBinFile::kFramesPerSector * CBinFile::kSectorBytes +
                                    nFrame % CBinFile::kFramesPerSector * CBinFile::kFrameBytes;
            Require(nFrame < nFrames && std::memcmp(pFrames + i * CBinFile::kFrameBytes,
                                                    pData + nOffset, CBinFile::kFrameBytes) == 0,
                    "disc image frame differs from the sector's audio bytes");
        }
    });
    Require(bin.Open(binPath, 0) == (nFrames > 0), "disc image refused or accepted wrongly");
    Require(!bin.IsOpen() || bin.GetLength() == nFrames, "disc image length miscounted");
    return 0;
}
