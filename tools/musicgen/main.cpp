// musicgen: renders the demo song to a WAV file and writes its timed lyrics (LRC).
#include <cstdio>
#include <fstream>
#include <string>

#include "tools/musicgen/DemoSong.h"
#include "tools/musicgen/Synth.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: musicgen OUTPUT.wav OUTPUT.lrc\n");
        return 2;
    }
    const musicgen::DemoSong song;
    musicgen::Synth synth(song.GetLength());
    song.Render(synth);
    synth.Normalise(0.89);
    std::string error;
    if (!synth.WriteWav(argv[1], error)) {
        std::fprintf(stderr, "musicgen: %s\n", error.c_str());
        return 1;
    }
    std::ofstream lrc(argv[2], std::ios::binary);
    lrc << song.ToLrc();
    lrc.close();
    if (!lrc) {
        std::fprintf(stderr, "musicgen: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("%s: %.1f s; %s: %zu lines\n", argv[1], song.GetLength(), argv[2],
                song.GetLines().size());
    return 0;
}
