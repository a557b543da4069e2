// cdgsample: writes a generated karaoke-like CD+G track (.cdg, or .bin with silent audio).
#include <cstdio>
#include <string>

#include "tools/cdgauthor/SyntheticTrack.h"
#include "tools/cli/CommandLine.h"

namespace {

const char kUsage[] =
    "usage: cdgsample [--] OUTPUT.cdg|OUTPUT.bin [SECONDS]\n"
    "Writes a generated karaoke-like CD+G track: a .cdg packet file, or a .bin CD image\n"
    "with silent audio when the name ends in .bin.\n"
    "  SECONDS     the track's length, above 0 and at most 3600 (default 60)\n"
    "  -h, --help  show this help\n";

constexpr double kMaxSeconds = 3600;

}  // namespace

int main(int argc, char** argv) {
    cli::CommandLine cl("cdgsample", kUsage);
    if (const auto done = cl.Parse(argc, argv))
        return *done;
    const auto& operands = cl.Operands();
    if (operands.empty())
        return cl.UsageError("no output file given");
    if (operands.size() > 2)
        return cl.UsageError("too many arguments: " + operands[2]);
    const std::string& path = operands[0];
    double seconds = 60;
    if (operands.size() == 2 && (!cli::ParseNumber(operands[1].c_str(), seconds) ||
                                 !(seconds > 0) || seconds > kMaxSeconds)) {
        return cl.UsageError("SECONDS must be a number above 0 and at most 3600, not \"" +
                             operands[1] + "\"");
    }
    const cdgauthor::CdgTrackWriter track = cdgauthor::MakeSyntheticTrack(seconds);
    const bool bBin = path.size() >= 4 && path.compare(path.size() - 4, 4, ".bin") == 0;
    if (!(bBin ? track.WriteBin(path, {}) : track.WriteCdg(path))) {
        std::perror(("cdgsample: " + path).c_str());
        return cli::kExitFailure;
    }
    std::printf("%s: %lld packets (%.1f s)\n", path.c_str(),
                static_cast<long long>(track.GetPacketCount()), track.GetPacketCount() / 300.0);
    return cli::kExitOk;
}
