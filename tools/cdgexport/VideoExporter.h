// ExportVideo: one track to one video file, written under a temporary name and renamed
// when complete, with progress reports and cancellation.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "tools/cdgexport/ExportOptions.h"

namespace cdgexport {

struct ExportProgress {
    double dDoneSeconds = 0;   // media time encoded so far
    double dTotalSeconds = 0;  // the audio's announced length (0 when unknown)
    double dElapsedSeconds = 0;
};

enum class EExportStatus {
    Done,
    Failed,     // strError says why; no output file was made
    Cancelled,  // no output file was made
};

struct ExportResult {
    EExportStatus status = EExportStatus::Failed;
    std::string strError;
    double dSeconds = 0;         // length of the video
    int64_t nFramesPushed = 0;   // distinct pictures handed to the encoder
    double dElapsedSeconds = 0;  // wall time of the whole export
};

using ProgressCallback = std::function<void(const ExportProgress&)>;

// Runs the whole export on the calling thread. The track is what the player opens: a .cdg
// with its audio beside it, a .bin, or a zip holding both (unpacked to a private folder
// for the export's time). bCancel may be raised from any thread (or
// a signal handler) to stop it; progress is reported on the calling thread. Nothing is
// left at the output path unless the result is Done, and an existing file there is only
// replaced then. Uses the process-wide display object of the renderer while it runs.
ExportResult ExportVideo(const ExportOptions& options, const std::atomic<bool>& bCancel,
                         const ProgressCallback& progress = {});

}  // namespace cdgexport
