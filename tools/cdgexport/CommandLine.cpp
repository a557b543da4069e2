// cdgexport's options on the tools' shared command-line handling.
#include "tools/cdgexport/CommandLine.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tools/cli/CommandLine.h"

namespace cdgexport {

const char kUsage[] =
    "usage: cdgexport [options] TRACK OUT\n"
    "Exports a CD+G track (.cdg with its audio beside it, .bin, or a zip of both) to a\n"
    "video file.\n"
    "OUT's extension picks the format:\n"
    "  .mp4   H.264 video and AAC audio\n"
    "  .mkv   H.264 video and AAC audio in Matroska\n"
    "  .webm  VP9 video and Opus audio\n"
    "Options:\n"
    "  --size WxH        picture size (default 960x720; even numbers); the 320x240 frame\n"
    "                    is scaled with crisp pixels and letterboxed if the aspect differs\n"
    "  --fps N           frame rate, 1 to 120 (default 30)\n"
    "  --remove-vocals   remove the lead vocal (the centre of the stereo image)\n"
    "  --key N           move the music by N semitones, -6 to +6 (tempo unchanged)\n"
    "  --progress        print progress lines 'PERCENT SPEED SECONDS-LEFT' on stdout,\n"
    "                    for a calling program\n"
    "  -h, --help        show this help\n"
    "On a terminal a progress line shows how far the export is; Ctrl+C stops it and\n"
    "leaves no file behind.\n";

namespace {

bool ParseInt(std::string_view text, int nMin, int nMax, int& value) {
    const std::string s(text);
    if (s.empty() || s.find_first_of(" \t\n") != std::string::npos) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (errno != 0 || end != s.c_str() + s.size() || v < nMin || v > nMax) {
        return false;
    }
    value = static_cast<int>(v);
    return true;
}

bool ParseSize(std::string_view text, int& nWidth, int& nHeight) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string_view::npos) {
        return false;
    }
    int w = 0;
    int h = 0;
    if (!ParseInt(text.substr(0, x), kMinSide, kMaxWidth, w) ||
        !ParseInt(text.substr(x + 1), kMinSide, kMaxHeight, h) || w % 2 != 0 || h % 2 != 0) {
        return false;
    }
    nWidth = w;
    nHeight = h;
    return true;
}

}  // namespace

std::optional<int> ParseCommandLine(int argc, const char* const* argv, CommandLine& cmd) {
    cmd = CommandLine();
    ExportOptions& o = cmd.options;
    cli::CommandLine cl("cdgexport", kUsage);
    cl.Add({{"--size"},
            "WxH in even numbers from 16x16 to 7680x4320, e.g. 1280x720",
            [&o](const char* v) { return ParseSize(v, o.nWidth, o.nHeight); }});
    cl.Add({{"--fps"}, "a whole number of frames per second from 1 to 120", [&o](const char* v) {
                return ParseInt(v, kMinFps, kMaxFps, o.nFps);
            }});
    cl.Add({{"--key"}, "a whole number of semitones from -6 to +6", [&o](const char* v) {
                return ParseInt(v, kMinKey, kMaxKey, o.nKey);
            }});
    cl.AddFlag({"--remove-vocals"}, o.bRemoveVocals);
    cl.AddFlag({"--progress"}, cmd.bProgressLines);
    if (const std::optional<int> nExit = cl.Parse(argc, argv)) {
        return nExit;
    }
    const auto& operands = cl.Operands();
    if (operands.size() < 2) {
        return cl.UsageError(operands.empty() ? "no track given" : "no output file given");
    }
    if (operands.size() > 2) {
        return cl.UsageError("too many arguments: " + operands[2]);
    }
    o.strTrack = operands[0];
    o.strOutput = operands[1];
    if (o.strTrack.empty() || o.strOutput.empty()) {
        return cl.UsageError("the track and the output file need non-empty names");
    }
    if (!ContainerForPath(o.strOutput)) {
        return cl.UsageError("unknown output format for " + o.strOutput +
                             ": the name must end in .mp4, .mkv or .webm");
    }
    return std::nullopt;
}

}  // namespace cdgexport
