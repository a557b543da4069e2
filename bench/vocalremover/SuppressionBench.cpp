// How much of a centre-panned voice the filter removes, and how much of side instruments
// remains, on a mix made here: espeak-ng's voice in the centre, tones hard left and right.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <unistd.h>

#include "vocalremover/RemoveVocals.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// The voice as mono samples at its own rate, or empty when espeak-ng is not there.
std::vector<int16_t> SpeakVoice(int& rate) {
    const auto wav = std::filesystem::temp_directory_path() /
                     ("skellan-voice-" + std::to_string(::getpid()) + ".wav");
    const std::string command =
        "espeak-ng -w '" + wav.string() +
        "' 'The lead vocal sits in the middle of the stereo picture, where the "
        "vocal remover takes it away, while guitars and keys stay at the sides.' 2>/dev/null";
    std::vector<int16_t> voice;
    if (std::system(command.c_str()) != 0)
        return voice;
    SF_INFO info{};
    SNDFILE* file = sf_open(wav.c_str(), SFM_READ, &info);
    if (file != nullptr && info.channels == 1) {
        voice.resize(static_cast<size_t>(info.frames));
        voice.resize(static_cast<size_t>(sf_read_short(file, voice.data(), info.frames)));
        rate = info.samplerate;
    }
    if (file != nullptr)
        sf_close(file);
    std::filesystem::remove(wav);
    return voice;
}

double Energy(const std::vector<int16_t>& samples) {
    double sum = 0;
    for (const int16_t s : samples)
        sum += static_cast<double>(s) * s;
    return sum;
}

std::vector<int16_t> Process(std::vector<int16_t> stereo) {
    skellan::RemoveVocals(reinterpret_cast<uint8_t*>(stereo.data()),
                          static_cast<long>(stereo.size() * 2), 2, 2, 100, 50, 100);
    return stereo;
}

void BM_VocalSuppression(benchmark::State& state) {
    int rate = 0;
    const std::vector<int16_t> voice = SpeakVoice(rate);
    if (voice.empty()) {
        state.SkipWithError("espeak-ng is needed to make the test mix");
        return;
    }
    // Voice equal in both channels at half scale; a guitar-like tone left, a bass-like tone
    // right, each with a few harmonics.
    const size_t frames = voice.size();
    std::vector<int16_t> centre(frames * 2), sides(frames * 2), mix(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double left =
            5000 * (std::sin(2 * kPi * 196 * t) + 0.4 * std::sin(2 * kPi * 392 * t));
        const double right =
            5000 * (std::sin(2 * kPi * 110 * t) + 0.3 * std::sin(2 * kPi * 330 * t));
        const auto v = static_cast<int16_t>(voice[i] / 2);
        centre[2 * i] = centre[2 * i + 1] = v;
        sides[2 * i] = static_cast<int16_t>(left);
        sides[2 * i + 1] = static_cast<int16_t>(right);
        mix[2 * i] = static_cast<int16_t>(v + sides[2 * i]);
        mix[2 * i + 1] = static_cast<int16_t>(v + sides[2 * i + 1]);
    }
    double voiceDb = 0;
    double sidesKept = 0;
    double offCentreDb = 0;
    for (auto _ : state) {
        const auto outMix = Process(mix);
        const auto outSides = Process(sides);
        // What is left of the voice: the processed mix less the processed instruments.
        std::vector<int16_t> voiceLeft(outMix.size());
        for (size_t i = 0; i < outMix.size(); ++i) {
            voiceLeft[i] = static_cast<int16_t>(outMix[i] - outSides[i]);
        }
        voiceDb = 10 * std::log10(std::max(Energy(voiceLeft), 1.0) / Energy(centre));
        sidesKept = Energy(outSides) / Energy(sides);
        // A voice panned slightly off centre (55 % left, 45 % right).
        std::vector<int16_t> offCentre(frames * 2);
        for (size_t i = 0; i < frames; ++i) {
            offCentre[2 * i] = static_cast<int16_t>(voice[i] * 0.55);
            offCentre[2 * i + 1] = static_cast<int16_t>(voice[i] * 0.45);
        }
        offCentreDb = 10 * std::log10(Energy(Process(offCentre)) / Energy(offCentre));
    }
    state.counters["voice_dB"] = voiceDb;
    state.counters["sides_energy_kept_pct"] = 100 * sidesKept;
    state.counters["sides_dB"] = 10 * std::log10(sidesKept);
    state.counters["voice_55_45_dB"] = offCentreDb;
    state.counters["seconds_of_mix"] = static_cast<double>(frames) / rate;
}

}  // namespace

BENCHMARK(BM_VocalSuppression)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
