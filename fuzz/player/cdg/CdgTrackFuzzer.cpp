// Arbitrary bytes as a track, read in both layouts (.cdg packets, .bin raw sectors) and
// executed on a screen whose frame is composed along the way. Besides memory errors it
// checks that the reader delivers exactly the file's packets and that the composed frame
// shows the picture and border the interpreter holds.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/support/ScratchFile.h"
#include "platform/display/Display.h"
#include "player/cdg/CdgFile.h"
#include "player/cdg/CdgScreen.h"

namespace {

// Packets run per layout and input: under a second of a track, enough for any sequence of
// instructions to matter, and a bound on the surface rebuilds (colour loads, scrolls) one
// input can cause; those are what an input costs.
constexpr int kMaxPackets = 256;
// The frame is composed every this many packets, as a tick would, and at the end.
constexpr int kComposeEvery = 64;

void Require(bool bHolds, const char* what) {
    if (!bHolds) {
        std::fprintf(stderr, "cdg_track_fuzzer: %s\n", what);
        std::abort();
    }
}

// One display and one screen per pixel format, made once: building a screen costs far more
// than running a short track. Each input starts from a screen in its reset state.
struct Screen {
    explicit Screen(const display::PixelFormat& format) : display(format) {
        display::CDisplay::SetCurrent(&display);
        screen = std::make_unique<CCdgScreen>();
    }
    display::CDisplay display;
    std::unique_ptr<CCdgScreen> screen;
};

struct Process {
    Process()
        : screens{Screen(display::PixelFormat::Rgb565()), Screen(display::PixelFormat::Rgb555()),
                  Screen(display::PixelFormat::Rgb888()), Screen(display::PixelFormat::Xrgb8888())},
          file(".cdg"),
          binPath(file.AddName(".bin")) {}
    std::array<Screen, 4> screens;
    fuzz::ScratchFile file;
    std::string binPath;
};

// Byte offset of a packet in the track's layout.
size_t PacketOffset(int32_t nIndex, bool bRaw) {
    if (!bRaw) {
        return static_cast<size_t>(nIndex) * kCdgPacketSize;
    }
    const auto sector = static_cast<size_t>(nIndex / kCdgPacketsPerSector);
    const auto within = static_cast<size_t>(nIndex % kCdgPacketsPerSector);
    return sector * kCdgRawSectorSize + kCdgAudioBytesPerSector + within * kCdgPacketSize;
}

// Composes the frame and compares a few of its pixels with the screen's state. Only with
// surfaces: a rebuild for the frame alone would double the cost of most inputs, and every
// input that draws rebuilds them anyway.
void Compose(CCdgScreen& screen) {
    tindlib::CScopedLock hold(screen.GetLock());
    if (!screen.HasSurfaces()) {
        return;
    }
    screen.EnsureSurfaces();
    const display::CDisplaySurface* pFrame = screen.ComposeFrame();
    if (pFrame == nullptr) {
        return;
    }
    Require(pFrame->GetWidth() == kCdgFrameWidth && pFrame->GetHeight() == kCdgFrameHeight,
            "frame of the wrong size");
    const uint32_t nBorder = screen.ColorToPixel(screen.GetPaletteEntry(screen.GetBorderColor()));
    Require(pFrame->GetPixel(0, 0) == nBorder, "border pixel differs from the border colour");
    const display::Rect window = screen.GetVisibleWindow();
    for (const auto [fx, fy] :
         {std::array{0, 0}, std::array{kCdgWindowWidth - 1, 0}, std::array{0, kCdgWindowHeight - 1},
          std::array{kCdgWindowWidth / 2, kCdgWindowHeight / 2},
          std::array{kCdgWindowWidth - 1, kCdgWindowHeight - 1}}) {
        const int nIndex = screen.GetPictureIndex(window.left + fx, window.top + fy);
        Require(pFrame->GetPixel(kCdgFrameWindowLeft + fx, kCdgFrameWindowTop + fy) ==
                    screen.ColorToPixel(screen.GetPaletteEntry(nIndex)),
                "frame pixel differs from the picture");
    }
}

void Play(const std::string& path, bool bRaw, const uint8_t* pData, size_t nSize,
          CCdgScreen& screen) {
    CCdgFile file;
    Require(file.Open(path), "the track does not open");
    Require(file.m_nSectorSize == (bRaw ? kCdgRawSectorSize : kCdgSubcodeBytes),
            "layout not chosen by the name");
    CCdgPacket packet;
    int32_t n = 0;
    while (n < kMaxPackets && file.ReadPacket(packet)) {
        const size_t nAt = PacketOffset(n, bRaw);
        Require(nAt + kCdgPacketSize <= nSize, "packet read past the end of the file");
        Require(std::memcmp(file.m_packetBuf, pData + nAt, kCdgPacketSize) == 0,
                "packet differs from the file's bytes");
        Require(file.m_nPacketIndex == ++n, "packet index does not count the packets");
        screen.Execute(packet);
        if (n % kComposeEvery == 0) {
            Compose(screen);
        }
    }
    if (n < kMaxPackets) {
        Require(PacketOffset(n, bRaw) + kCdgPacketSize > nSize, "track ended early");
    }
    Compose(screen);
    // A rewind into the middle reads the same packet again.
    if (n > 1) {
        const int32_t nBack = n / 2;
        Require(file.SeekPacket(nBack) && file.ReadPacket(packet), "rewind failed");
        Require(
            std::memcmp(file.m_packetBuf, pData + PacketOffset(nBack, bRaw), kCdgPacketSize) == 0,
            "packet after a rewind differs from the file's bytes");
        screen.Execute(packet);
    }
}

bool IsInResetState(CCdgScreen& screen) {
    static const std::vector<uint8_t> zeros(static_cast<size_t>(kCdgPictureHeight) * 512);
    tindlib::CScopedLock hold(screen.GetLock());
    const CDib& picture = screen.GetPicture();
    const size_t nBytes = static_cast<size_t>(picture.GetStride()) * picture.GetHeight();
    if (screen.GetBorderColor() != 0 || screen.GetHOffset() != 0 || screen.GetVOffset() != 0 ||
        picture.GetBits() == nullptr || nBytes > zeros.size() ||
        std::memcmp(picture.GetBits(), zeros.data(), nBytes) != 0) {
        return false;
    }
    for (int i = 0; i < kCdgColors; ++i) {
        if (screen.GetPaletteEntry(i) != 0) {
            return false;
        }
    }
    return true;
}

// Back to the state Reset() gives (black picture and palette, border 0, offsets 0) without
// the full-picture surface rebuild that makes Reset() cost more than a short track: an
// input that left that state keeps its surfaces; otherwise Clear() (as Stop does) blackens
// picture and palette and drops the surfaces, which the next input rebuilds only if it
// draws, and packets put the border and the offsets back.
void ResetCheaply(CCdgScreen& screen) {
    if (IsInResetState(screen)) {
        return;
    }
    screen.Clear();
    uint8_t raw[kCdgPacketSize] = {kCdgCommandGraphics, kCdgBorderPreset};
    screen.Execute(CCdgPacket(raw));
    raw[1] = kCdgScrollPreset;
    screen.Execute(CCdgPacket(raw));
    Require(IsInResetState(screen), "Clear, border and scroll presets do not reset the screen");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    static Process process;
    if (!process.file.Write(pData, nSize) || process.binPath.empty()) {
        return 0;
    }
    Screen& target = process.screens[nSize % process.screens.size()];
    CCdgScreen& screen = *target.screen;
    display::CDisplay::SetCurrent(&target.display);
    Play(process.file.Path(), false, pData, nSize, screen);
    // The picture and palette carry over from one layout to the next, as when the player
    // opens another track.
    Play(process.binPath, true, pData, nSize, screen);
    ResetCheaply(screen);
    return 0;
}
