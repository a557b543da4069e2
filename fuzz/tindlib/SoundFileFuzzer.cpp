// Fuzzes the file parsers of the sound library: arbitrary bytes as a WAV and as a raw
// disc image must open or be refused cleanly, and every read and seek stay in bounds.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "tindlib/BinFile.h"
#include "tindlib/WaveFile.h"

namespace {

std::string TempPath() {
    static const std::string path = [] {
        char tmpl[] = "/tmp/tindlib-fuzz-XXXXXX";
        const int fd = mkstemp(tmpl);
        if (fd >= 0) {
            close(fd);
        }
        return std::string(tmpl);
    }();
    return path;
}

void Exercise(tindlib::CSoundFile& file, const std::string& path) {
    if (!file.Open(path, 64)) {
        return;
    }
    const int align = file.GetBlockAlign();
    const int64_t length = file.GetLength();
    if (align <= 0 || length < 0) {
        std::abort();
    }
    std::vector<uint8_t> buf(static_cast<size_t>(align) * 1024);
    int64_t total = 0;
    for (int i = 0; i < 64; ++i) {
        const int64_t got = file.Read(buf.data(), 1024);
        if (got < 0 || got > 1024) {
            std::abort();
        }
        if (got == 0) {
            break;
        }
        total += got;
    }
    for (int64_t frame : {length / 2, length + 10, int64_t{-5}, length - 1}) {
        const int64_t at = file.Seek(frame, tindlib::SOUND_SEEK_SET);
        if (at < 0 || at > length || file.GetPosition() != at) {
            std::abort();
        }
        if (file.Read(buf.data(), 16) > length - at) {
            std::abort();
        }
    }
    (void)total;
    file.Close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = TempPath();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    tindlib::CWaveFile wav;
    Exercise(wav, path);
    tindlib::CBinFile bin;
    Exercise(bin, path);
    return 0;
}
