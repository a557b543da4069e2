// musicgen: renders the demo song to a WAV file and writes its timed lyrics (LRC).
#include <cstdio>
#include <fstream>
#include <string>

#include "tools/cli/CommandLine.h"
#include "tools/musicgen/DemoSong.h"
#include "tools/musicgen/Synth.h"

namespace {

const char kUsage[] =
    "usage: musicgen [--] OUTPUT.wav OUTPUT.lrc\n"
    "Renders the demo song to a 16-bit stereo WAV file and writes its timed lyrics.\n"
    "  -h, --help  show this help\n";

}  // namespace

int main(int argc, char** argv) {
    cli::CommandLine cl("musicgen", kUsage);
    if (const auto done = cl.Parse(argc, argv))
        return *done;
    const auto& operands = cl.Operands();
    if (operands.size() < 2)
        return cl.UsageError(operands.empty() ? "no output files given" : "no OUTPUT.lrc given");
    if (operands.size() > 2)
        return cl.UsageError("too many arguments: " + operands[2]);
    const std::string& wav = operands[0];
    const std::string& lrcPath = operands[1];
    const musicgen::DemoSong song;
    musicgen::Synth synth(song.GetLength());
    song.Render(synth);
    synth.Normalise(0.89);
    std::string error;
    if (!synth.WriteWav(wav, error))
        return cl.Failure(error);
    std::ofstream lrc(lrcPath, std::ios::binary);
    lrc << song.ToLrc();
    lrc.close();
    if (!lrc)
        return cl.Failure("cannot write " + lrcPath);
    std::printf("%s: %.1f s; %s: %zu lines\n", wav.c_str(), song.GetLength(), lrcPath.c_str(),
                song.GetLines().size());
    return cli::kExitOk;
}
