// Arbitrary bytes as a track, read in both layouts and executed on a screen with frames
// composed along the way: no crash, no out-of-bounds access.
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "platform/display/Display.h"
#include "player/cdg/CdgFile.h"
#include "player/cdg/CdgScreen.h"

namespace {

std::string TempPath(const char* suffix) {
    return "/tmp/cdg-fuzz-" + std::to_string(::getpid()) + suffix;
}

void Play(const std::string& path, CCdgScreen& screen) {
    CCdgFile file;
    if (!file.Open(path)) {
        return;
    }
    CCdgPacket packet;
    int n = 0;
    while (file.ReadPacket(packet)) {
        screen.Execute(packet);
        if (++n % 16 == 0) {
            tindlib::CScopedLock hold(screen.GetLock());
            screen.EnsureSurfaces();
            screen.ComposeFrame();
        }
    }
    file.SeekPacket(n / 2);
    file.ReadPacket(packet);
    screen.Execute(packet);
    screen.Clear();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static display::CDisplay display(display::PixelFormat::Rgb565());
    display::CDisplay::SetCurrent(&display);
    static CCdgScreen screen;
    for (const char* suffix : {".cdg", ".bin"}) {
        const std::string path = TempPath(suffix);
        if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fwrite(data, 1, size, f);
            std::fclose(f);
            Play(path, screen);
            std::remove(path.c_str());
        }
    }
    return 0;
}
