// lrc2cdg: turns timed lyrics (LRC, with word timings) into a CD+G karaoke track.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/cdgauthor/CdgTrackWriter.h"
#include "tools/lrc2cdg/LrcParser.h"
#include "tools/lrc2cdg/LyricsTrackBuilder.h"

namespace {

constexpr double kPacketsPerSecond = 300.0;
constexpr double kMaxLength = lrc2cdg::LyricsTrackBuilder::kMaxSeconds;

int Usage() {
    std::fprintf(stderr,
                 "usage: lrc2cdg [--length SECONDS] INPUT.lrc OUTPUT.cdg\n"
                 "  --length  the track's length (default: the file's [length:] tag, else\n"
                 "            the last line's end plus a few seconds)\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    double dLength = 0.0;
    int nArg = 1;
    if (nArg + 1 < argc && std::strcmp(argv[nArg], "--length") == 0) {
        char* pEnd = nullptr;
        dLength = std::strtod(argv[nArg + 1], &pEnd);
        if (pEnd == argv[nArg + 1] || *pEnd != '\0' || !(dLength > 0.0) || dLength > kMaxLength) {
            std::fprintf(stderr, "lrc2cdg: bad length \"%s\"\n", argv[nArg + 1]);
            return 2;
        }
        nArg += 2;
    }
    if (argc - nArg != 2) {
        return Usage();
    }
    const std::string input = argv[nArg];
    const std::string output = argv[nArg + 1];

    lrc2cdg::LrcSong song;
    std::string error;
    if (!lrc2cdg::LrcParser::ParseFile(input, song, error)) {
        std::fprintf(stderr, "lrc2cdg: %s\n", error.c_str());
        return 1;
    }
    cdgauthor::CdgTrackWriter writer;
    lrc2cdg::LyricsTrackBuilder builder;
    if (!builder.Build(song, dLength, writer, error)) {
        std::fprintf(stderr, "lrc2cdg: %s: %s\n", input.c_str(), error.c_str());
        return 1;
    }
    for (const std::string& warning : builder.GetWarnings()) {
        std::fprintf(stderr, "lrc2cdg: %s: %s\n", input.c_str(), warning.c_str());
    }
    // Written beside the target first, so a failed write leaves any old track intact.
    const std::string temporary = output + ".part";
    if (!writer.WriteCdg(temporary) || std::rename(temporary.c_str(), output.c_str()) != 0) {
        std::fprintf(stderr, "lrc2cdg: cannot write %s: %s\n", output.c_str(),
                     std::strerror(errno));
        std::remove(temporary.c_str());
        return 1;
    }
    std::printf("%s: %zu lines, %lld packets (%.1f s)\n", output.c_str(), song.lines.size(),
                static_cast<long long>(writer.GetPacketCount()),
                static_cast<double>(writer.GetPacketCount()) / kPacketsPerSecond);
    return 0;
}
