// cdgrender: renders a CD+G track without audio to PNG frames or text dumps of its state.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "TrackRenderer.h"
#include "tools/cli/CommandLine.h"

namespace {

const char kUsage[] =
    "usage: cdgrender [options] TRACK\n"
    "Renders a .cdg or .bin track without audio.\n"
    "  --at SECONDS      frame at this time, within the track (repeatable)\n"
    "  --every SECONDS   a frame every SECONDS until the track ends (needs --out-dir)\n"
    "  -o, --output FILE output for a single checkpoint (a dump goes to stdout without it,\n"
    "                    or with -o -)\n"
    "  --out-dir DIR     one file per checkpoint: DIR/<SECONDS>s.png, or DIR/<N>.txt\n"
    "  --dump            write the state as text (palette line, 216 rows of 300 hex\n"
    "                    digits) instead of a PNG\n"
    "  --packets N       state after exactly N packets (repeatable; implies --dump)\n"
    "  --dump-dir DIR    like --out-dir, implies --dump\n"
    "  -h, --help        show this help\n";

constexpr const char* kSecondsValue = "a time in seconds (a number >= 0)";

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

void AddOptions(cli::CommandLine& cl, Options& o) {
    cl.AddFlag({"--dump"}, o.bDump);
    cl.Add({{"--at"}, kSecondsValue, [&o](const char* v) {
                double seconds = 0;
                if (!cli::ParseNumber(v, seconds) || seconds < 0)
                    return false;
                o.checkpoints.push_back({seconds, 0});
                return true;
            }});
    cl.Add({{"--every"}, "a time in seconds above 0", [&o](const char* v) {
                return cli::ParseNumber(v, o.dEvery) && o.dEvery > 0;
            }});
    cl.Add({{"--packets"}, "a packet count (an integer >= 0)", [&o](const char* v) {
                int64_t n = 0;
                if (!cli::ParseCount(v, n))
                    return false;
                o.checkpoints.push_back({std::nullopt, n});
                return o.bDump = true;
            }});
    cl.Add({{"-o", "--output"}, "a file name (or - for standard output)", [&o](const char* v) {
                o.output = v;
                return cli::IsFileName(v) || o.output == "-";
            }});
    cl.Add({{"--out-dir"}, "a folder name", [&o](const char* v) {
                o.outDir = v;
                return cli::IsFileName(v);
            }});
    cl.Add({{"--dump-dir"}, "a folder name", [&o](const char* v) {
                o.outDir = v;
                o.bDump = true;
                return cli::IsFileName(v);
            }});
}

// nullopt to go on; otherwise the exit code, the help or the problem already printed.
std::optional<int> Parse(cli::CommandLine& cl, int argc, char** argv, Options& o) {
    AddOptions(cl, o);
    if (const auto done = cl.Parse(argc, argv))
        return done;
    if (cl.Operands().empty())
        return cl.UsageError("no track given");
    if (cl.Operands().size() > 1)
        return cl.UsageError("more than one track given");
    o.track = cl.Operands().front();
    if (o.checkpoints.empty() && o.dEvery == 0)
        return cl.UsageError("nothing to render: give --at, --every or --packets");
    const bool bMany = o.checkpoints.size() > 1 || o.dEvery > 0;
    if (bMany && o.outDir.empty())
        return cl.UsageError("several checkpoints need --out-dir (or --dump-dir)");
    if (!bMany && o.outDir.empty() && (o.output.empty() || o.output == "-") && !o.bDump)
        return cl.UsageError("give -o FILE or --out-dir DIR for the PNG");
    return std::nullopt;
}

std::string FormatSeconds(double dSeconds) {
    char text[32];
    std::snprintf(text, sizeof(text), "%g", dSeconds);
    return text;
}

// The packets in the track, counted by a reader of its own so the renderer starts fresh.
int64_t CountPackets(const std::string& path) {
    CCdgFile file;
    if (!file.Open(path))
        return 0;
    CCdgPacket packet;
    int64_t nCount = 0;
    while (file.ReadPacket(packet))
        ++nCount;
    return nCount;
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
    cli::CommandLine cl("cdgrender", kUsage);
    Options o;
    if (const auto done = Parse(cl, argc, argv, o))
        return *done;
    TrackRenderer renderer;
    std::string error;
    if (!renderer.Open(o.track, error))
        return cl.Failure("cannot open the track " + error);
    // Every checkpoint is checked against the track before anything is written.
    const int64_t nPackets = CountPackets(o.track);
    if (nPackets == 0)
        return cl.Failure(o.track + ": the track has no packets");
    if (o.dEvery * 300.0 > static_cast<double>(nPackets)) {
        return cl.Failure("the track ends after " + std::to_string(nPackets) +
                          " packets, before the first frame of --every " + FormatSeconds(o.dEvery));
    }
    for (const Checkpoint& c : o.checkpoints) {
        // A time is compared before it becomes a packet count, which a huge time overflows.
        const bool bPastEnd = c.dSeconds ? *c.dSeconds * 300.0 > static_cast<double>(nPackets)
                                         : c.nPackets > nPackets;
        if (bPastEnd) {
            char message[160];
            std::snprintf(message, sizeof(message),
                          "the track ends after %lld packets (%.3f s), before %s %s",
                          static_cast<long long>(nPackets), nPackets / 300.0,
                          c.dSeconds ? "--at" : "--packets",
                          c.dSeconds ? FormatSeconds(*c.dSeconds).c_str()
                                     : std::to_string(c.nPackets).c_str());
            return cl.Failure(message);
        }
    }
    if (!o.outDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(o.outDir, ec);
        if (ec)
            return cl.Failure("cannot create " + o.outDir + ": " + ec.message());
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
        if (!bFromEvery && nExecuted < nWanted) {
            return cl.Failure("the track ended after " + std::to_string(nExecuted) +
                              " packets while it was read");  // shortened meanwhile
        }
        const std::string path = NameFor(o, c, nExecuted);
        const bool bOk = o.bDump ? renderer.WriteDump(path, error) : renderer.WritePng(path, error);
        if (!bOk)
            return cl.Failure("cannot write " + error);
        ++nWritten;
    }
    if (!o.outDir.empty()) {
        std::fprintf(stderr, "cdgrender: wrote %d file(s) to %s\n", nWritten, o.outDir.c_str());
    }
    return cli::kExitOk;
}
