// Export speed: a four-minute karaoke-like track (the generated track's pages of lines
// drawn and highlighted, about seven picture changes a second) with music beside it, at
// 960x720 and 30 fps. Reports times real time (x_realtime, wall clock) and the CPU
// seconds spent, per container and for an MP3 beside the track and the karaoke options.
#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <gst/gst.h>
#include <sndfile.h>
#include <sys/resource.h>
#include <unistd.h>

#include "tools/cdgauthor/SyntheticTrack.h"
#include "tools/cdgexport/VideoExporter.h"
#include "tools/musicgen/DemoSong.h"
#include "tools/musicgen/Synth.h"

namespace fs = std::filesystem;

namespace {

constexpr double kSeconds = 240.0;

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The demo song, repeated to four minutes, as a WAV; an MP3 made from it with GStreamer.
class CBenchTrack {
public:
    CBenchTrack() {
        m_dir = fs::temp_directory_path() / ("cdgexport-bench-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    ~CBenchTrack() { fs::remove_all(m_dir); }

    // song.cdg with song.wav (or song.mp3) beside it, in a folder of their own.
    std::string Track(bool bMp3) {
        const fs::path folder = m_dir / (bMp3 ? "mp3" : "wav");
        if (!fs::exists(folder / "song.cdg")) {
            fs::create_directories(folder);
            cdgauthor::MakeSyntheticTrack(kSeconds).WriteCdg((folder / "song.cdg").string());
            WriteMusic(folder / "song.wav");
            if (bMp3) {
                const std::string launch = "filesrc location=\"" + (folder / "song.wav").string() +
                                           "\" ! wavparse ! audioconvert ! lamemp3enc "
                                           "target=bitrate bitrate=192 ! filesink location=\"" +
                                           (folder / "song.mp3").string() + "\"";
                RunLaunch(launch);
                fs::remove(folder / "song.wav");
            }
        }
        return (folder / "song.cdg").string();
    }
    fs::path Output(const char* pszExtension) const {
        return m_dir / (std::string("out") + pszExtension);
    }

private:
    static void WriteMusic(const fs::path& path) {
        const musicgen::DemoSong song;
        musicgen::Synth synth(song.GetLength());
        song.Render(synth);
        synth.Normalise(0.89);
        const auto nFrames = static_cast<size_t>(kSeconds * musicgen::Synth::kSampleRate);
        std::vector<int16_t> pcm(nFrames * 2);
        for (size_t i = 0; i < nFrames; ++i) {
            const size_t j = i % synth.GetFrameCount();
            pcm[2 * i] = static_cast<int16_t>(synth.GetLeft(j) * 32767);
            pcm[2 * i + 1] = static_cast<int16_t>(synth.GetRight(j) * 32767);
        }
        SF_INFO info{};
        info.samplerate = musicgen::Synth::kSampleRate;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        if (file != nullptr) {
            sf_writef_short(file, pcm.data(), static_cast<sf_count_t>(nFrames));
            sf_close(file);
        }
    }
    static void RunLaunch(const std::string& description) {
        gst_init(nullptr, nullptr);
        GstElement* pipeline = gst_parse_launch(description.c_str(), nullptr);
        if (pipeline == nullptr) {
            return;
        }
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, GST_CLOCK_TIME_NONE,
            static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        if (message != nullptr) {
            gst_message_unref(message);
        }
        gst_object_unref(bus);
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
    }

    fs::path m_dir;
};

CBenchTrack& Track() {
    static CBenchTrack track;
    return track;
}

void Export(benchmark::State& state, const char* pszExtension, bool bMp3, bool bKaraoke) {
    cdgexport::ExportOptions options;
    options.strTrack = Track().Track(bMp3);
    options.strOutput = Track().Output(pszExtension).string();
    options.bRemoveVocals = bKaraoke;
    options.nKey = bKaraoke ? 2 : 0;
    std::atomic<bool> bCancel{false};
    double dCpu = 0;
    double dWall = 0;
    int64_t nFrames = 0;
    for (auto _ : state) {
        const double dCpuStart = CpuSeconds();
        const cdgexport::ExportResult result = cdgexport::ExportVideo(options, bCancel);
        dCpu += CpuSeconds() - dCpuStart;
        dWall += result.dElapsedSeconds;
        nFrames = result.nFramesPushed;
        if (result.status != cdgexport::EExportStatus::Done) {
            state.SkipWithError(result.strError.c_str());
            return;
        }
        state.SetIterationTime(result.dElapsedSeconds);
    }
    const auto nRuns = static_cast<double>(state.iterations());
    state.counters["x_realtime"] = kSeconds * nRuns / dWall;
    state.counters["cpu_s"] = dCpu / nRuns;
    state.counters["x_realtime_per_cpu_s"] = kSeconds * nRuns / dCpu;
    state.counters["pictures"] = static_cast<double>(nFrames);
    state.counters["MB"] =
        static_cast<double>(fs::file_size(Track().Output(pszExtension))) / (1024.0 * 1024.0);
}

}  // namespace

// One export per run (each takes seconds); --benchmark_repetitions gives more.
#define EXPORT_BENCHMARK(name, ...)              \
    BENCHMARK_CAPTURE(Export, name, __VA_ARGS__) \
        ->UseManualTime()                        \
        ->Iterations(1)                          \
        ->Unit(benchmark::kSecond)

EXPORT_BENCHMARK(mp4_wav, ".mp4", false, false);
EXPORT_BENCHMARK(mkv_wav, ".mkv", false, false);
EXPORT_BENCHMARK(webm_wav, ".webm", false, false);
EXPORT_BENCHMARK(mp4_mp3, ".mp4", true, false);
EXPORT_BENCHMARK(mp4_mp3_vocals_removed_key_plus2, ".mp4", true, true);

BENCHMARK_MAIN();
