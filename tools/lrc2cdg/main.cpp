// lrc2cdg: turns timed lyrics (LRC, with word timings) into a CD+G karaoke track.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/cdgauthor/CdgTrackWriter.h"
#include "tools/cli/CommandLine.h"
#include "tools/lrc2cdg/LrcParser.h"
#include "tools/lrc2cdg/LyricsTrackBuilder.h"

namespace {

constexpr double kPacketsPerSecond = 300.0;
constexpr double kMaxLength = lrc2cdg::LyricsTrackBuilder::kMaxSeconds;

const char kUsage[] =
    "usage: lrc2cdg [--length SECONDS] [--] INPUT.lrc OUTPUT.cdg\n"
    "Turns timed lyrics (LRC, with optional <mm:ss.xx> word times) into a CD+G track.\n"
    "  --length SECONDS  the track's length, at most 7200 (default: the file's [length:]\n"
    "                    tag, else the last line's end plus a few seconds)\n"
    "  -h, --help        show this help\n";

}  // namespace

int main(int argc, char** argv) {
    cli::CommandLine cl("lrc2cdg", kUsage);
    double dLength = 0.0;
    cl.Add({{"--length"}, "a time in seconds above 0 and at most 7200", [&](const char* v) {
                return cli::ParseNumber(v, dLength) && dLength > 0.0 && dLength <= kMaxLength;
            }});
    if (const auto done = cl.Parse(argc, argv))
        return *done;
    const auto& operands = cl.Operands();
    if (operands.size() < 2)
        return cl.UsageError(operands.empty() ? "no input file given" : "no output file given");
    if (operands.size() > 2)
        return cl.UsageError("too many arguments: " + operands[2]);
    const std::string& input = operands[0];
    const std::string& output = operands[1];

    lrc2cdg::LrcSong song;
    std::string error;
    if (!lrc2cdg::LrcParser::ParseFile(input, song, error))
        return cl.Failure(error);
    cdgauthor::CdgTrackWriter writer;
    lrc2cdg::LyricsTrackBuilder builder;
    std::vector<std::string> errors;
    if (!builder.Build(song, dLength, writer, errors)) {
        for (const std::string& problem : errors)
            cl.Failure(input + ": " + problem);
        return cli::kExitFailure;
    }
    for (const std::string& warning : builder.GetWarnings())
        std::fprintf(stderr, "lrc2cdg: %s: %s\n", input.c_str(), warning.c_str());
    // Written beside the target first, so a failed write leaves any old track intact.
    const std::string temporary = output + ".part";
    if (!writer.WriteCdg(temporary) || std::rename(temporary.c_str(), output.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(temporary.c_str());
        return cl.Failure("cannot write " + output + ": " + reason);
    }
    std::printf("%s: %zu lines, %lld packets (%.1f s)\n", output.c_str(), song.lines.size(),
                static_cast<long long>(writer.GetPacketCount()),
                static_cast<double>(writer.GetPacketCount()) / kPacketsPerSecond);
    return cli::kExitOk;
}
