// ExportVideo: checks the inputs, then drives the frame source, the audio feed and the
// pipeline in step: audio first, then every frame slot that starts before the audio pushed.
#include "tools/cdgexport/VideoExporter.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include <gst/gst.h>
#include <sys/stat.h>
#include <unistd.h>

#include "player/app/ArchiveMessages.h"
#include "player/archive/UnpackedZipTrack.h"
#include "tools/cdgexport/AudioFeed.h"
#include "tools/cdgexport/ExportPipeline.h"
#include "tools/cdgexport/FrameTimeline.h"
#include "tools/cdgexport/PipelineElements.h"

namespace fs = std::filesystem;

namespace cdgexport {

namespace {

constexpr int64_t kAudioBlockFrames = 4096;  // about 0.1 s at 44.1 kHz
constexpr mode_t kFileMode = 0666;           // before the umask, as any new file

// The output under a hidden temporary name in the output's own folder (so the final
// rename stays on one file system); removed again unless committed.
class CTempOutput {
public:
    ~CTempOutput() {
        if (!m_path.empty()) {
            std::error_code ec;
            fs::remove(m_path, ec);
        }
    }

    bool Create(const fs::path& output, std::string& error) {
        const fs::path folder = output.has_parent_path() ? output.parent_path() : fs::path(".");
        std::error_code ec;
        if (!fs::exists(folder, ec)) {
            error = "the output folder " + folder.string() + " does not exist";
            return false;
        }
        if (!fs::is_directory(folder, ec)) {
            error = folder.string() + " is not a folder";
            return false;
        }
        std::string name = (folder / ("." + output.filename().string() + "-XXXXXX.part")).string();
        const int fd = ::mkstemps(name.data(), static_cast<int>(std::strlen(".part")));
        if (fd < 0) {
            error = "cannot write in the output folder " + folder.string() + ": " +
                    std::strerror(errno);
            return false;
        }
        // mkstemp makes the file private; the video gets a new file's usual permissions.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, kFileMode & ~mask);
        ::close(fd);
        m_path = name;
        return true;
    }

    const fs::path& GetPath() const { return m_path; }

    bool Commit(const fs::path& output, std::string& error) {
        std::error_code ec;
        fs::rename(m_path, output, ec);
        if (ec) {
            error = "cannot rename the finished video to " + output.string() + ": " + ec.message();
            return false;
        }
        m_path.clear();
        return true;
    }

private:
    fs::path m_path;
};

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return !a.empty() && !b.empty() && fs::equivalent(a, b, ec) && !ec;
}

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// The export proper, with the result's status left to the caller on failure.
class CExportRun {
public:
    CExportRun(const ExportOptions& options, const std::atomic<bool>& bCancel,
               const ProgressCallback& progress)
        : m_options(options), m_bCancel(bCancel), m_progress(progress) {}

    ExportResult Run();

private:
    bool Prepare(std::string& error);
    bool Encode(std::string& error);
    // Pushes the picture held back so far, lasting until nUntil (ns).
    bool FlushPending(uint64_t nUntil, std::string& error);
    // Every slot starting before nTime: pictures that changed are held back, to be pushed
    // with their duration once the next change (or the end) is known.
    bool AdvanceVideo(uint64_t nTime, std::string& error);

    const ExportOptions& m_options;
    const std::atomic<bool>& m_bCancel;
    const ProgressCallback& m_progress;
    const std::chrono::steady_clock::time_point m_tStart = std::chrono::steady_clock::now();

    EContainer m_container = EContainer::Mp4;
    CUnpackedZipTrack m_zip;  // a zip's track and audio, unpacked as the player does
    CFrameSource m_frames;
    CAudioFeed m_audio;
    CTempOutput m_temp;
    CExportPipeline m_pipeline;
    std::vector<uint32_t> m_pending;
    std::optional<uint64_t> m_nPendingPts;
    int64_t m_nNextSlot = 0;
    int64_t m_nFramesPushed = 0;
};

bool CExportRun::Prepare(std::string& error) {
    const std::optional<EContainer> container = ContainerForPath(m_options.strOutput);
    if (!container) {
        error = "unknown output format for " + m_options.strOutput +
                ": the name must end in .mp4, .mkv or .webm";
        return false;
    }
    m_container = *container;
    GError* gerror = nullptr;
    if (!gst_init_check(nullptr, nullptr, &gerror)) {
        error = std::string("GStreamer could not start: ") +
                (gerror != nullptr ? gerror->message : "unknown error");
        g_clear_error(&gerror);
        return false;
    }
    std::string strTrack = m_options.strTrack;
    if (CZipTrackUnpacker::IsZipPath(strTrack)) {
        ArchiveProblem problem;
        if (!m_zip.Open(strTrack, problem)) {
            error = "cannot open the track " + strTrack + ": " +
                    DescribeArchiveProblem(problem).toStdString();
            return false;
        }
        strTrack = m_zip.GetTrack().strTrack;
    }
    std::string detail;
    if (!m_frames.Open(strTrack, detail)) {
        error = "cannot open the track " + detail;
        return false;
    }
    std::error_code ec;
    if (fs::is_directory(m_options.strOutput, ec)) {
        error = m_options.strOutput + " is a folder; give the video file's name";
        return false;
    }
    if (!m_temp.Create(m_options.strOutput, error)) {
        return false;
    }
    ContainerElements elements;
    if (!ChooseElements(m_container, elements, error) ||
        (m_options.bRemoveVocals && !FindSkellan(error))) {
        return false;
    }
    if (!m_audio.Open(strTrack, m_options.nKey, error)) {
        return false;
    }
    if (SameFile(m_options.strOutput, m_options.strTrack) ||
        SameFile(m_options.strOutput, m_audio.GetPath())) {
        error = "the output " + m_options.strOutput + " would replace the track or its audio";
        return false;
    }
    PipelineSpec spec;
    spec.container = m_container;
    spec.elements = elements;
    spec.nWidth = m_options.nWidth;
    spec.nHeight = m_options.nHeight;
    spec.nFps = m_options.nFps;
    spec.nChannels = m_audio.GetChannels();
    spec.nSampleRate = m_audio.GetSampleRate();
    spec.bRemoveVocals = m_options.bRemoveVocals;
    spec.strLocation = m_temp.GetPath().string();
    return m_pipeline.Build(spec, error) && m_pipeline.Start(error);
}

bool CExportRun::FlushPending(uint64_t nUntil, std::string& error) {
    if (!m_nPendingPts || nUntil <= *m_nPendingPts) {
        return true;
    }
    if (!m_pipeline.PushVideo(m_pending.data(), *m_nPendingPts, nUntil - *m_nPendingPts, m_bCancel,
                              error)) {
        return false;
    }
    ++m_nFramesPushed;
    m_nPendingPts.reset();
    return true;
}

bool CExportRun::AdvanceVideo(uint64_t nTime, std::string& error) {
    const int fps = m_options.nFps;
    for (const int64_t nEnd = SlotsBefore(nTime, fps); m_nNextSlot < nEnd; ++m_nNextSlot) {
        bool bChanged = false;
        if (!m_frames.AdvanceToSlot(m_nNextSlot, fps, bChanged, error)) {
            return false;
        }
        if (bChanged) {
            const uint64_t nPts = SlotTime(m_nNextSlot, fps);
            if (!FlushPending(nPts, error)) {
                return false;
            }
            const uint32_t* pFrame = m_frames.GetFrame();
            m_pending.assign(pFrame,
                             pFrame + CFrameSource::kFrameWidth * CFrameSource::kFrameHeight);
            m_nPendingPts = nPts;
        }
    }
    return true;
}

bool CExportRun::Encode(std::string& error) {
    const double dTotal =
        m_audio.GetSampleRate() > 0
            ? static_cast<double>(m_audio.GetExpectedFrames()) / m_audio.GetSampleRate()
            : 0.0;
    std::vector<int16_t> block;
    while (m_audio.Read(kAudioBlockFrames, block)) {
        if (m_bCancel.load()) {
            return false;
        }
        const auto nFrames = static_cast<int64_t>(block.size()) / m_audio.GetChannels();
        if (!m_pipeline.PushAudio(block.data(), nFrames, m_bCancel, error) ||
            !AdvanceVideo(m_pipeline.GetAudioTime(), error)) {
            return false;
        }
        if (m_progress) {
            ExportProgress progress;
            progress.dDoneSeconds =
                static_cast<double>(m_pipeline.GetAudioTime()) / kNanosPerSecond;
            progress.dTotalSeconds = std::max(dTotal, progress.dDoneSeconds);
            progress.dElapsedSeconds = Seconds(std::chrono::steady_clock::now() - m_tStart);
            m_progress(progress);
        }
    }
    if (m_bCancel.load()) {
        return false;
    }
    const uint64_t nEnd = m_pipeline.GetAudioTime();
    if (nEnd == 0) {
        error = m_audio.GetPath().empty()
                    ? "the track has no packets and no audio beside it: nothing to export"
                    : "the audio " + m_audio.GetPath() + " holds no sound";
        return false;
    }
    // The video ends with the audio: the last picture lasts until then.
    return AdvanceVideo(nEnd, error) && FlushPending(nEnd, error) &&
           m_pipeline.Finish(m_bCancel, error);
}

ExportResult CExportRun::Run() {
    ExportResult result;
    std::string error;
    const bool bOk = Prepare(error) && Encode(error);
    m_pipeline.Stop();
    result.nFramesPushed = m_nFramesPushed;
    result.dSeconds = static_cast<double>(m_pipeline.GetAudioTime()) / kNanosPerSecond;
    if (bOk && m_temp.Commit(m_options.strOutput, error)) {
        result.status = EExportStatus::Done;
    } else if (m_bCancel.load()) {
        result.status = EExportStatus::Cancelled;
    } else {
        result.status = EExportStatus::Failed;
        result.strError = error.empty() ? "the export failed" : error;
    }
    result.dElapsedSeconds = Seconds(std::chrono::steady_clock::now() - m_tStart);
    return result;
}

}  // namespace

ExportResult ExportVideo(const ExportOptions& options, const std::atomic<bool>& bCancel,
                         const ProgressCallback& progress) {
    CExportRun run(options, bCancel, progress);
    return run.Run();
}

}  // namespace cdgexport
