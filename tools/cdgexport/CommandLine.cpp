// Parsing of cdgexport's arguments; every mistake gets a message saying what was expected.
#include "tools/cdgexport/CommandLine.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>

namespace cdgexport {

const char kUsage[] =
    "usage: cdgexport TRACK OUT [options]\n"
    "Exports a CD+G track (.cdg with its audio beside it, or .bin) to a video file.\n"
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
    if (s.empty()) {
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

bool ParseCommandLine(int argc, const char* const* argv, CommandLine& cmd, std::string& error) {
    cmd = CommandLine();
    int nPositional = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            cmd.bHelp = true;
            return true;
        }
    }
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        // --name=value is the same as --name value.
        std::string_view inlineValue;
        bool bInline = false;
        if (arg.starts_with("--") && arg.find('=') != std::string_view::npos) {
            inlineValue = arg.substr(arg.find('=') + 1);
            arg = arg.substr(0, arg.find('='));
            bInline = true;
        }
        auto value = [&](std::string_view& v) {
            if (bInline) {
                v = inlineValue;
                return true;
            }
            if (i + 1 >= argc) {
                return false;
            }
            v = argv[++i];
            return true;
        };
        std::string_view v;
        if (arg == "--size") {
            if (!value(v) || !ParseSize(v, cmd.options.nWidth, cmd.options.nHeight)) {
                error = "--size needs WxH in even numbers from 16x16 to 7680x4320, e.g. 1280x720";
                return false;
            }
        } else if (arg == "--fps") {
            if (!value(v) || !ParseInt(v, kMinFps, kMaxFps, cmd.options.nFps)) {
                error = "--fps needs a whole number of frames per second from 1 to 120";
                return false;
            }
        } else if (arg == "--key") {
            if (!value(v) || !ParseInt(v, kMinKey, kMaxKey, cmd.options.nKey)) {
                error = "--key needs a whole number of semitones from -6 to +6";
                return false;
            }
        } else if (arg == "--remove-vocals" || arg == "--progress") {
            if (bInline) {
                error = std::string(arg) + " takes no value";
                return false;
            }
            (arg == "--progress" ? cmd.bProgressLines : cmd.options.bRemoveVocals) = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + std::string(argv[i]);
            return false;
        } else if (nPositional == 0) {
            cmd.options.strTrack = arg;
            ++nPositional;
        } else if (nPositional == 1) {
            cmd.options.strOutput = arg;
            ++nPositional;
        } else {
            error = "too many arguments: " + std::string(arg);
            return false;
        }
    }
    if (nPositional < 2) {
        error = nPositional == 0 ? "no track given" : "no output file given";
        return false;
    }
    if (cmd.options.strTrack.empty() || cmd.options.strOutput.empty()) {
        error = "the track and the output file need non-empty names";
        return false;
    }
    if (!ContainerForPath(cmd.options.strOutput)) {
        error = "unknown output format for " + cmd.options.strOutput +
                ": the name must end in .mp4, .mkv or .webm";
        return false;
    }
    return true;
}

}  // namespace cdgexport
