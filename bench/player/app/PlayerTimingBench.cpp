// Player timing while playing: packet lateness (due -> executed) and frame latency
// (executed -> painted), measured on the real dialog with the clocked test audio sink.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include "player/app/PlayerApp.h"
#include "player/app/PlayerDlg.h"
#include "player/cdg/view/CdgView.h"
#include "tools/cdgauthor/CdgPacketBuilder.h"
#include "tools/cdgauthor/CdgTrackWriter.h"

namespace {

using Clock = std::chrono::steady_clock;

QApplication& App() {
    static int argc = 1;
    static char name[] = "player_timing_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (qEnvironmentVariableIsEmpty("TINDLIB_AUDIO_SINK")) {
        qputenv("TINDLIB_AUDIO_SINK", "fakesink sync=true");
    }
    // Lives until the process ends: Qt's globals must not outlive it.
    static auto* pApp = new QApplication(argc, argv);
    return *pApp;
}

// The demo track, or empty when it is not there.
std::string DemoTrack() {
    const QDir demo(QStringLiteral(QUILLET_SOURCE_DIR "/demo"));
    const QStringList tracks =
        demo.entryList({QStringLiteral("*.cdg"), QStringLiteral("*.bin")}, QDir::Files, QDir::Name);
    return tracks.isEmpty() ? std::string() : demo.filePath(tracks.front()).toStdString();
}

// Runs the event loop as the program does (QTest::qWait would sleep between passes).
void RunEventLoop(int nMs) {
    QEventLoop loop;
    QTimer::singleShot(nMs, &loop, &QEventLoop::quit);
    loop.exec();
}

double Percentile(std::vector<double> values, double dFraction) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto nIndex = static_cast<size_t>(dFraction * static_cast<double>(values.size() - 1));
    return values[nIndex];
}

void Report(benchmark::State& state, const std::vector<double>& ms) {
    state.counters["samples"] = static_cast<double>(ms.size());
    state.counters["p50_ms"] = Percentile(ms, 0.50);
    state.counters["p99_ms"] = Percentile(ms, 0.99);
    state.counters["max_ms"] = ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end());
}

// Lateness of each packet: how long after the audio passed its time it was executed.
class CLateness : public IPlaybackObserver {
public:
    void OnPacketExecuted(int32_t nIndex, double dPosition, Clock::time_point tRead) override {
        const double dSinceRead = std::chrono::duration<double>(Clock::now() - tRead).count();
        const double dLate = dPosition - CCdgFile::PacketToSeconds(nIndex) + dSinceRead;
        std::lock_guard lock(m_mutex);
        m_ms.push_back(dLate * 1000.0);
    }
    void OnStopPosted() override {}
    std::vector<double> Take() {
        std::lock_guard lock(m_mutex);
        return std::move(m_ms);
    }

private:
    std::mutex m_mutex;
    std::vector<double> m_ms;
};

// Wall time of each colour change's execution, for the frame-latency run.
class CChanges : public IPlaybackObserver {
public:
    explicit CChanges(std::vector<int32_t> changeIndices) : m_indices(std::move(changeIndices)) {}
    void OnPacketExecuted(int32_t nIndex, double, Clock::time_point) override {
        if (std::find(m_indices.begin(), m_indices.end(), nIndex) != m_indices.end()) {
            std::lock_guard lock(m_mutex);
            m_executed.emplace_back(nIndex, Clock::now());
        }
    }
    void OnStopPosted() override {}
    std::vector<std::pair<int32_t, Clock::time_point>> Executed() {
        std::lock_guard lock(m_mutex);
        return m_executed;
    }

private:
    std::vector<int32_t> m_indices;
    std::mutex m_mutex;
    std::vector<std::pair<int32_t, Clock::time_point>> m_executed;
};

struct Player {
    Player() {
        App();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
        QCoreApplication::setOrganizationName(QStringLiteral("Quillet"));
        QCoreApplication::setApplicationName(QStringLiteral("player_timing_bench"));
        app = std::make_unique<CPlayerApp>();
        dlg = std::make_unique<CPlayerDlg>();
        dlg->show();
        RunEventLoop(100);
    }
    ~Player() {
        dlg.reset();
        app.reset();
    }
    QTemporaryDir settingsDir;
    std::unique_ptr<CPlayerApp> app;
    std::unique_ptr<CPlayerDlg> dlg;
};

void BM_PacketLateness(benchmark::State& state) {
    const std::string strTrack = DemoTrack();
    if (strTrack.empty()) {
        state.SkipWithError("no demo track in demo/");
        return;
    }
    const int nSeconds = static_cast<int>(state.range(0));
    for (auto _ : state) {
        Player player;
        CLateness lateness;
        player.dlg->SetObserver(&lateness);
        player.dlg->OpenTrack(strTrack);
        RunEventLoop(nSeconds * 1000);
        player.dlg->OnStop();
        player.dlg->SetObserver(nullptr);
        Report(state, lateness.Take());
    }
}
BENCHMARK(BM_PacketLateness)->Arg(20)->Iterations(1)->Unit(benchmark::kSecond);

void BM_FrameLatency(benchmark::State& state) {
    // A colour change every 0.37 s (not a multiple of the tick), 40 changes.
    QTemporaryDir dir;
    const std::string strTrack = dir.filePath(QStringLiteral("changes.cdg")).toStdString();
    const std::string strAudio = dir.filePath(QStringLiteral("changes.wav")).toStdString();
    cdgauthor::CdgTrackWriter writer;
    writer.Put(0, cdgauthor::LoadColors(false, {0x000, 0xF00, 0x0F0, 0x00F, 0, 0, 0, 0}));
    std::vector<int32_t> changes;
    constexpr int kChanges = 40;
    for (int i = 0; i < kChanges; ++i) {
        const auto nIndex = writer.PutFrom(cdgauthor::CdgTrackWriter::PacketAt(0.5 + i * 0.37),
                                           cdgauthor::MemoryPreset(1 + i % 3));
        changes.push_back(static_cast<int32_t>(nIndex));
    }
    const double dLength = 1.0 + kChanges * 0.37;
    writer.PadTo(cdgauthor::CdgTrackWriter::PacketAt(dLength));
    if (!writer.WriteCdg(strTrack)) {
        state.SkipWithError("cannot write the track");
        return;
    }
    for (auto _ : state) {
        Player player;
        CChanges executed(changes);
        std::vector<std::pair<QRgb, Clock::time_point>> shown;
        player.dlg->GetView()->SetPresentedCallback([&](const QImage& frame) {
            const QRgb centre = frame.pixel(160, 120);
            if (shown.empty() || shown.back().first != centre) {
                shown.emplace_back(centre, Clock::now());
            }
        });
        player.dlg->SetObserver(&executed);
        player.dlg->OpenTrack(strTrack);  // no audio beside it: against silence
        RunEventLoop(static_cast<int>(dLength * 1000) + 500);
        player.dlg->OnStop();
        player.dlg->SetObserver(nullptr);
        player.dlg->GetView()->SetPresentedCallback({});
        // Pair each change with the first frame after it that shows its colour.
        const QRgb colours[] = {qRgb(0xF0, 0, 0), qRgb(0, 0xF0, 0), qRgb(0, 0, 0xF0)};
        std::vector<double> ms;
        for (const auto& [nIndex, tExecuted] : executed.Executed()) {
            const auto it = std::find(changes.begin(), changes.end(), nIndex);
            const QRgb colour = colours[(it - changes.begin()) % 3];
            for (const auto& [centre, tShown] : shown) {
                if (centre == colour && tShown >= tExecuted) {
                    ms.push_back(
                        std::chrono::duration<double, std::milli>(tShown - tExecuted).count());
                    break;
                }
            }
        }
        Report(state, ms);
        state.counters["tick_ms"] = static_cast<double>(player.dlg->GetTickPeriod().count());
    }
}
BENCHMARK(BM_FrameLatency)->Iterations(1)->Unit(benchmark::kSecond);

// From the application's start to the first frame with graphics on it, playing the demo:
// on the clocked test sink (0), and through the default output (1), which needs a sound
// server (scripts/run-bench.sh starts one with a null output).
void BM_LaunchToFirstGraphics(benchmark::State& state) {
    const std::string strTrack = DemoTrack();
    if (strTrack.empty()) {
        state.SkipWithError("no demo track in demo/");
        return;
    }
    App();
    const bool bDefaultOutput = state.range(0) == 1;
    const QByteArray sink = qgetenv("TINDLIB_AUDIO_SINK");
    if (bDefaultOutput) {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
            state.SkipWithError("no sound server (PULSE_SERVER); run scripts/run-bench.sh");
            return;
        }
        qunsetenv("TINDLIB_AUDIO_SINK");
    }
    std::vector<double> ms;
    for (auto _ : state) {
        QTemporaryDir settingsDir;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
        const auto tStart = Clock::now();
        Clock::time_point tShown{};
        auto pApp = std::make_unique<CPlayerApp>();
        auto pDlg = std::make_unique<CPlayerDlg>();
        pDlg->GetView()->SetPresentedCallback([&](const QImage& frame) {
            if (tShown == Clock::time_point{} &&
                frame.pixel(frame.width() / 2, frame.height() / 2) != qRgb(0, 0, 0)) {
                tShown = Clock::now();
            }
        });
        pDlg->show();
        pDlg->OpenTrack(strTrack);
        const auto tLimit = Clock::now() + std::chrono::seconds(15);
        while (tShown == Clock::time_point{} && Clock::now() < tLimit) {
            RunEventLoop(5);
        }
        pDlg->GetView()->SetPresentedCallback({});
        pDlg->OnStop();
        if (tShown != Clock::time_point{}) {
            ms.push_back(std::chrono::duration<double, std::milli>(tShown - tStart).count());
        }
        pDlg.reset();
        pApp.reset();
    }
    qputenv("TINDLIB_AUDIO_SINK", sink);
    Report(state, ms);
}
BENCHMARK(BM_LaunchToFirstGraphics)->Arg(0)->Arg(1)->Iterations(5)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
