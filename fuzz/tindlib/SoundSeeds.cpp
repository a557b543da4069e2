// soundfile_seeds FOLDER: writes short WAV files in the encodings the WAV reader accepts,
// made from a few notes of the demo song's synthesiser, as seeds for the sound-file fuzzer.
#include <cstdio>
#include <string>
#include <vector>

#include <sndfile.h>

#include "tools/musicgen/Synth.h"

namespace {

// A twentieth of a second keeps every seed under the fuzzer's input size.
constexpr double kSeconds = 0.05;

struct Encoding {
    const char* name;
    int nFormat;
    int nChannels;
    int nRate;
};

constexpr Encoding kEncodings[] = {
    {"u8-mono-8k", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, 8000},
    {"s24-stereo", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 44100},
    {"s32-stereo", SF_FORMAT_WAV | SF_FORMAT_PCM_32, 2, 22050},
    {"float-stereo", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 11025},
    {"double-mono", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 1, 8000},
    {"ulaw-mono", SF_FORMAT_WAV | SF_FORMAT_ULAW, 1, 8000},
    {"alaw-stereo", SF_FORMAT_WAV | SF_FORMAT_ALAW, 2, 8000},
    {"ima-adpcm-stereo", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 2, 11025},
    {"ms-adpcm-mono", SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 1, 11025},
    {"gsm-mono", SF_FORMAT_WAV | SF_FORMAT_GSM610, 1, 8000},
    {"wavex-6ch", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 6, 8000},
    {"rf64-stereo", SF_FORMAT_RF64 | SF_FORMAT_PCM_16, 2, 8000},
};

bool Write(const std::string& path, const Encoding& encoding, const musicgen::Synth& synth) {
    SF_INFO info{};
    info.samplerate = encoding.nRate;
    info.channels = encoding.nChannels;
    info.format = encoding.nFormat;
    SNDFILE* pFile = sf_open(path.c_str(), SFM_WRITE, &info);
    if (pFile == nullptr) {
        std::fprintf(stderr, "soundfile_seeds: %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    // The synthesiser's frames resampled by picking, every channel from left or right.
    const size_t nFrames = static_cast<size_t>(kSeconds * encoding.nRate);
    std::vector<float> samples;
    for (size_t i = 0; i < nFrames; ++i) {
        const size_t nSource =
            i * musicgen::Synth::kSampleRate / static_cast<size_t>(encoding.nRate);
        for (int c = 0; c < encoding.nChannels; ++c) {
            samples.push_back(c % 2 == 0 ? synth.GetLeft(nSource) : synth.GetRight(nSource));
        }
    }
    const auto nWritten = sf_writef_float(pFile, samples.data(), static_cast<sf_count_t>(nFrames));
    return sf_close(pFile) == 0 && nWritten == static_cast<sf_count_t>(nFrames);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: soundfile_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    musicgen::Synth synth(kSeconds);
    synth.Kick(0.0, 0.8);
    synth.Lead(0.0, kSeconds, 69, 0.5);
    synth.Pad(0.02, kSeconds, 57, -0.5, 0.3);
    synth.Normalise(0.89);
    std::string error;
    // The song writer's own format first: 16-bit stereo at 44.1 kHz.
    if (!synth.WriteWav(folder + "/s16-stereo.wav", error)) {
        std::fprintf(stderr, "soundfile_seeds: %s\n", error.c_str());
        return 1;
    }
    for (const Encoding& encoding : kEncodings) {
        if (!Write(folder + "/" + encoding.name + ".wav", encoding, synth)) {
            return 1;
        }
    }
    return 0;
}
