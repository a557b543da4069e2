// cdgrender: renders a CD+G track without audio to PNG frames or text dumps of its state.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "TrackRenderer.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

const char kUsage[] =
    "usage: cdgrender TRACK [options]\n"
    "Renders a .cdg or .bin track without audio.\n"
    "  --at SECONDS      frame at this time (repeatable)\n"
    "  --every SECONDS   a frame every SECONDS until the track ends (needs --out-dir)\n"
    "  -o, --output FILE output for a single checkpoint (a dump goes to stdout without it)\n"
    "  --out-dir DIR     one file per checkpoint: DIR/<SECONDS>s.png, or DIR/<N>.txt\n"
    "  --dump            write the state as text (palette line, 216 rows of 300 hex\n"
    "                    digits) instead of a PNG\n"
    "  --packets N       state after exactly N packets (repeatable; implies --dump)\n"
    "  --dump-dir DIR    like --out-dir, implies --dump\n";

struct Checkpoint {
    std::optional<double> dSeconds;  // a time, else a packet count
    int64_t nPackets = 0;
};

struct Options {
    std::string track;
    std::vector<Checkpoint> checkpoints;
    double dEvery = 0;
    std::string output;
    std::string outDir;
    bool bDump = false;
};

int Usage(const std::string& message) {
    std::fprintf(stderr, "cdgrender: %s\n%s", message.c_str(), kUsage);
    return kExitUsage;
}

bool ParseSeconds(const char* text, double& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text, &end);
    return errno == 0 && end != text && *end == '\0' && std::isfinite(value) && value >= 0;
}

bool ParseCount(const char* text, int64_t& value) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    value = v;
    return errno == 0 && end != text && *end == '\0' && v >= 0;
}

// Returns kExitOk, or an exit code after printing the problem.
int Parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return -1;
        }
        if (arg == "--dump") {
            o.bDump = true;
        } else if (arg == "--at" || arg == "--every") {
            const char* v = value();
            double seconds = 0;
            if (v == nullptr || !ParseSeconds(v, seconds)) {
                return Usage(arg + " needs a time in seconds (a number >= 0)");
            }
            if (arg == "--at") {
                o.checkpoints.push_back({seconds, 0});
            } else if (seconds <= 0) {
                return Usage("--every needs a time above 0");
            } else {
                o.dEvery = seconds;
            }
        } else if (arg == "--packets") {
            const char* v = value();
            int64_t n = 0;
            if (v == nullptr || !ParseCount(v, n)) {
                return Usage("--packets needs a packet count (an integer >= 0)");
            }
            o.checkpoints.push_back({std::nullopt, n});
            o.bDump = true;
        } else if (arg == "-o" || arg == "--output" || arg == "--out-dir" || arg == "--dump-dir") {
            const char* v = value();
            if (v == nullptr || *v == '\0') {
                return Usage(arg + " needs a path");
            }
            if (arg == "-o" || arg == "--output") {
                o.output = v;
            } else {
                o.outDir = v;
                o.bDump = o.bDump || arg == "--dump-dir";
            }
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            return Usage("unknown option " + arg);
        } else if (o.track.empty()) {
            o.track = arg;
        } else {
            return Usage("more than one track given");
        }
    }
    if (o.track.empty()) {
        return Usage("no track given");
    }
    if (o.checkpoints.empty() && o.dEvery == 0) {
        return Usage("nothing to render: give --at, --every or --packets");
    }
    const bool bMany = o.checkpoints.size() > 1 || o.dEvery > 0;
    if (bMany && o.outDir.empty()) {
        return Usage("several checkpoints need --out-dir (or --dump-dir)");
    }
    if (!bMany && o.outDir.empty() && o.output.empty() && !o.bDump) {
        return Usage("give -o FILE or --out-dir DIR for the PNG");
    }
    return kExitOk;
}

std::string NameFor(const Options& o, const Checkpoint& c, int64_t nExecuted) {
    if (o.outDir.empty()) {
        return o.output.empty() ? "-" : o.output;
    }
    char name[64];
    if (o.bDump) {
        std::snprintf(name, sizeof(name), "%lld.txt", static_cast<long long>(nExecuted));
    } else {
        std::snprintf(name, sizeof(name), "%.3fs.png", c.dSeconds.value_or(nExecuted / 300.0));
    }
    return (std::filesystem::path(o.outDir) / name).string();
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    const int parsed = Parse(argc, argv, o);
    if (parsed != kExitOk) {
        return parsed < 0 ? kExitOk : parsed;
    }
    TrackRenderer renderer;
    std::string error;
    if (!renderer.Open(o.track, error)) {
        std::fprintf(stderr, "cdgrender: cannot open the track %s\n", error.c_str());
        return kExitFailure;
    }
    if (!o.outDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(o.outDir, ec);
        if (ec) {
            std::fprintf(stderr, "cdgrender: cannot create %s: %s\n", o.outDir.c_str(),
                         ec.message().c_str());
            return kExitFailure;
        }
    }

    // Checkpoints in playing order; --every adds times until the track has ended.
    auto due = [](const Checkpoint& c) {
        return c.dSeconds ? TrackRenderer::PacketsDueBefore(*c.dSeconds) : c.nPackets;
    };
    std::stable_sort(o.checkpoints.begin(), o.checkpoints.end(),
                     [&](const Checkpoint& a, const Checkpoint& b) { return due(a) < due(b); });
    std::vector<Checkpoint> pending = o.checkpoints;
    size_t next = 0;
    int nEveryStep = 1;
    int nWritten = 0;
    while (true) {
        Checkpoint c;
        bool bFromEvery = false;
        if (next < pending.size() &&
            (o.dEvery == 0 ||
             due(pending[next]) <= TrackRenderer::PacketsDueBefore(o.dEvery * nEveryStep))) {
            c = pending[next++];
        } else if (o.dEvery > 0 && !renderer.AtEnd()) {
            c = {o.dEvery * nEveryStep++, 0};
            bFromEvery = true;
        } else {
            break;
        }
        const int64_t nWanted = due(c);
        const int64_t nBefore = renderer.Executed();
        const int64_t nExecuted = renderer.AdvanceTo(nWanted);
        if (bFromEvery && renderer.AtEnd() && nExecuted == nBefore && nWritten > 0) {
            break;  // the track ended before this step: nothing new to show
        }
        if (!c.dSeconds && nExecuted < nWanted) {
            std::fprintf(stderr, "cdgrender: the track ends after %lld packets, before %lld\n",
                         static_cast<long long>(nExecuted), static_cast<long long>(nWanted));
            return kExitFailure;
        }
        const std::string path = NameFor(o, c, nExecuted);
        const bool bOk = o.bDump ? renderer.WriteDump(path, error) : renderer.WritePng(path, error);
        if (!bOk) {
            std::fprintf(stderr, "cdgrender: cannot write %s\n", error.c_str());
            return kExitFailure;
        }
        ++nWritten;
    }
    if (!o.outDir.empty()) {
        std::fprintf(stderr, "cdgrender: wrote %d file(s) to %s\n", nWritten, o.outDir.c_str());
    }
    return kExitOk;
}
