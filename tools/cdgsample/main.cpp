// cdgsample: writes a generated CD+G track (.cdg, or .bin with silent audio): a karaoke-like
// track, or a benchmark stream that mixes instructions at random places.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "tools/cdgauthor/MixedStream.h"
#include "tools/cdgauthor/SyntheticTrack.h"

namespace {

constexpr int kExitUsage = 2;

const char kUsage[] =
    "usage: cdgsample OUTPUT.cdg|OUTPUT.bin [SECONDS]\n"
    "       cdgsample --mix NAME [--seed N] OUTPUT.cdg|OUTPUT.bin\n"
    "Writes a generated karaoke-like track (60 s unless SECONDS is given), or with --mix a\n"
    "four-minute stream of instructions at random places, the same for the same seed:\n"
    "  colour-heavy  658 colour loads, 242 border presets, 128 memory presets, 106 scrolls,\n"
    "                12 700 tile blocks and 7 700 XOR tile blocks in 72 000 packets\n"
    "  tiles         72 000 tile blocks, normal and XOR half and half\n"
    "  --seed N      seed of the random choices (default 1)\n";

int Usage(const char* message) {
    std::fprintf(stderr, "cdgsample: %s\n%s", message, kUsage);
    return kExitUsage;
}

bool ParseNumber(const char* text, double dMin, double dMax, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value >= dMin && value <= dMax;
}

}  // namespace

int main(int argc, char** argv) {
    std::string path;
    std::optional<double> seconds;
    std::optional<cdgauthor::StreamMix> mix;
    double seed = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--mix" || arg == "--seed") {
            if (i + 1 >= argc) {
                return Usage((arg + " needs a value").c_str());
            }
            const char* value = argv[++i];
            if (arg == "--mix" && !(mix = cdgauthor::StreamMix::Named(value))) {
                return Usage("--mix must be colour-heavy or tiles");
            }
            if (arg == "--seed" && (!ParseNumber(value, 0, 4294967295.0, seed) ||
                                    seed != static_cast<double>(static_cast<uint32_t>(seed)))) {
                return Usage("--seed must be an integer in [0, 4294967295]");
            }
        } else if (path.empty()) {
            path = arg;
        } else if (!seconds) {
            double value = 0;
            if (!ParseNumber(arg.c_str(), 0, 3600, value) || value == 0) {
                return Usage("SECONDS must be a number in (0, 3600]");
            }
            seconds = value;
        } else {
            return Usage("too many arguments");
        }
    }
    if (path.empty()) {
        return Usage("no output file given");
    }
    if (mix && seconds) {
        return Usage("SECONDS does not apply to --mix streams");
    }
    const cdgauthor::CdgTrackWriter track =
        mix ? cdgauthor::MakeMixedStream(*mix, static_cast<uint32_t>(seed))
            : cdgauthor::MakeSyntheticTrack(seconds.value_or(60));
    const bool bBin = path.size() >= 4 && path.compare(path.size() - 4, 4, ".bin") == 0;
    if (!(bBin ? track.WriteBin(path, {}) : track.WriteCdg(path))) {
        std::perror(("cdgsample: " + path).c_str());
        return 1;
    }
    std::printf("%s: %lld packets (%.1f s)\n", path.c_str(),
                static_cast<long long>(track.GetPacketCount()), track.GetPacketCount() / 300.0);
    return 0;
}
