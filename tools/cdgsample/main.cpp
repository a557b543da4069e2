// cdgsample: writes a generated CD+G track (.cdg, or .bin with silent audio): a karaoke-like
// track, or a benchmark stream that mixes instructions at random places.
#include <cstdio>
#include <optional>
#include <string>

#include "tools/cdgauthor/MixedStream.h"
#include "tools/cdgauthor/SyntheticTrack.h"
#include "tools/cli/CommandLine.h"

namespace {

const char kUsage[] =
    "usage: cdgsample [--] OUTPUT.cdg|OUTPUT.bin [SECONDS]\n"
    "       cdgsample --mix NAME [--seed N] [--] OUTPUT.cdg|OUTPUT.bin\n"
    "Writes a generated karaoke-like CD+G track: a .cdg packet file, or a .bin CD image\n"
    "with silent audio when the name ends in .bin. With --mix, a four-minute stream of\n"
    "instructions at random places, the same for the same seed:\n"
    "  colour-heavy  658 colour loads, 242 border presets, 128 memory presets, 106 scrolls,\n"
    "                12 700 tile blocks and 7 700 XOR tile blocks in 72 000 packets\n"
    "  tiles         72 000 tile blocks, normal and XOR half and half\n"
    "  SECONDS       the track's length, above 0 and at most 3600 (default 60)\n"
    "  --seed N      seed of the random choices (default 1)\n"
    "  -h, --help    show this help\n";

constexpr double kMaxSeconds = 3600;
constexpr double kMaxSeed = 4294967295.0;

}  // namespace

int main(int argc, char** argv) {
    cli::CommandLine cl("cdgsample", kUsage);
    std::optional<cdgauthor::StreamMix> mix;
    double seed = 1;
    cl.Add({{"--mix"}, "colour-heavy or tiles", [&](const char* value) {
                mix = cdgauthor::StreamMix::Named(value);
                return mix.has_value();
            }});
    cl.Add({{"--seed"}, "an integer from 0 to 4294967295", [&](const char* value) {
                return cli::ParseNumber(value, seed) && seed >= 0 && seed <= kMaxSeed &&
                       seed == static_cast<double>(static_cast<uint32_t>(seed));
            }});
    if (const auto done = cl.Parse(argc, argv))
        return *done;
    const auto& operands = cl.Operands();
    if (operands.empty())
        return cl.UsageError("no output file given");
    if (operands.size() > 2)
        return cl.UsageError("too many arguments: " + operands[2]);
    const std::string& path = operands[0];
    double seconds = 60;
    if (operands.size() == 2) {
        if (mix)
            return cl.UsageError("SECONDS does not apply to --mix streams");
        if (!cli::ParseNumber(operands[1].c_str(), seconds) || !(seconds > 0) ||
            seconds > kMaxSeconds) {
            return cl.UsageError("SECONDS must be a number above 0 and at most 3600, not \"" +
                                 operands[1] + "\"");
        }
    }
    const cdgauthor::CdgTrackWriter track =
        mix ? cdgauthor::MakeMixedStream(*mix, static_cast<uint32_t>(seed))
            : cdgauthor::MakeSyntheticTrack(seconds);
    const bool bBin = path.size() >= 4 && path.compare(path.size() - 4, 4, ".bin") == 0;
    if (!(bBin ? track.WriteBin(path, {}) : track.WriteCdg(path))) {
        std::perror(("cdgsample: " + path).c_str());
        return cli::kExitFailure;
    }
    std::printf("%s: %lld packets (%.1f s)\n", path.c_str(),
                static_cast<long long>(track.GetPacketCount()), track.GetPacketCount() / 300.0);
    return cli::kExitOk;
}
