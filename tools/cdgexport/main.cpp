// cdgexport: exports a CD+G track with its audio to an MP4, Matroska or WebM video.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>

#include <unistd.h>

#include "tools/cdgexport/CommandLine.h"
#include "tools/cdgexport/ProgressLine.h"
#include "tools/cdgexport/VideoExporter.h"
#include "tools/cli/CommandLine.h"

namespace {

constexpr int kExitInterrupted = 128 + SIGINT;
constexpr auto kProgressInterval = std::chrono::milliseconds(250);

std::atomic<bool> g_bCancel{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

extern "C" void OnSignal(int) {
    g_bCancel.store(true);
}

void InstallSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // A second Ctrl+C ends the program at once, should the first not be heard.
    action.sa_flags = SA_RESETHAND;
    for (int nSignal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(nSignal, &action, nullptr);
    }
    // A reader of the progress lines that went away is no reason to leave a partial file.
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace cdgexport;
    CommandLine cmd;
    if (const std::optional<int> nExit = ParseCommandLine(argc, argv, cmd)) {
        return *nExit;
    }
    InstallSignalHandlers();

    const bool bTerminal = ::isatty(STDERR_FILENO) != 0;
    auto tLast = std::chrono::steady_clock::now() - kProgressInterval;
    const ProgressCallback progress = [&](const ExportProgress& p) {
        const auto tNow = std::chrono::steady_clock::now();
        if (tNow - tLast < kProgressInterval) {
            return;
        }
        tLast = tNow;
        if (bTerminal) {
            std::fprintf(stderr, "\rcdgexport: %s\033[K", FormatProgressLine(p).c_str());
            std::fflush(stderr);
        }
        if (cmd.bProgressLines) {
            std::printf("%s\n", FormatProgressRecord(p).c_str());
            std::fflush(stdout);
        }
    };
    const ExportResult result = ExportVideo(cmd.options, g_bCancel, progress);
    if (bTerminal) {
        std::fputs("\r\033[K", stderr);
    }
    switch (result.status) {
        case EExportStatus::Done:
            if (bTerminal) {
                std::fprintf(stderr, "cdgexport: wrote %s (%.1f s of video in %.1f s)\n",
                             cmd.options.strOutput.c_str(), result.dSeconds,
                             result.dElapsedSeconds);
            }
            return cli::kExitOk;
        case EExportStatus::Cancelled:
            std::fprintf(stderr, "cdgexport: stopped; %s was not written\n",
                         cmd.options.strOutput.c_str());
            return kExitInterrupted;
        case EExportStatus::Failed:
            break;
    }
    std::fprintf(stderr, "cdgexport: %s\n", result.strError.c_str());
    return cli::kExitFailure;
}
