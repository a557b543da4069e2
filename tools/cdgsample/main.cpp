// cdgsample: writes a generated karaoke-like CD+G track (.cdg, or .bin with silent audio).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/cdgauthor/SyntheticTrack.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: cdgsample OUTPUT.cdg|OUTPUT.bin [SECONDS]\n");
        return 2;
    }
    const std::string path = argv[1];
    double seconds = 60;
    if (argc == 3) {
        char* end = nullptr;
        seconds = std::strtod(argv[2], &end);
        if (end == argv[2] || *end != '\0' || !(seconds > 0) || seconds > 3600) {
            std::fprintf(stderr, "cdgsample: SECONDS must be a number in (0, 3600]\n");
            return 2;
        }
    }
    const cdgauthor::CdgTrackWriter track = cdgauthor::MakeSyntheticTrack(seconds);
    const bool bBin = path.size() >= 4 && path.compare(path.size() - 4, 4, ".bin") == 0;
    if (!(bBin ? track.WriteBin(path, {}) : track.WriteCdg(path))) {
        std::perror(("cdgsample: " + path).c_str());
        return 1;
    }
    std::printf("%s: %lld packets (%.1f s)\n", path.c_str(),
                static_cast<long long>(track.GetPacketCount()), track.GetPacketCount() / 300.0);
    return 0;
}
