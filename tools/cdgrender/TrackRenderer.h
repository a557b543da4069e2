// TrackRenderer: plays a track's packets into a screen by packet count or time, no audio.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/display/Display.h"
#include "player/cdg/CdgFile.h"
#include "player/cdg/CdgScreen.h"

class TrackRenderer {
public:
    TrackRenderer();
    ~TrackRenderer();

    // Opens the track; false with a message in error otherwise.
    bool Open(const std::string& path, std::string& error);

    // Executes packets until nCount have been executed or the track ends; returns the
    // number executed so far. Checkpoints must come in increasing order.
    int64_t AdvanceTo(int64_t nCount);
    // Executes every packet due before the given time (packet n falls due at n / 300 s).
    int64_t AdvanceToTime(double dSeconds);
    bool AtEnd() const { return m_bEnded; }
    int64_t Executed() const { return m_nExecuted; }

    // Composes the 320 x 240 frame into pPixels (320 x 240 values 0x00RRGGBB, top row
    // first); false when no frame could be composed.
    bool ComposeFrame(uint32_t* pPixels);
    // The composed frame as an RGB PNG.
    bool WritePng(const std::string& path, std::string& error);
    // Palette line and 216 rows of 300 hex digits (one palette index per pixel).
    bool WriteDump(const std::string& path, std::string& error);

    static int64_t PacketsDueBefore(double dSeconds);

private:
    std::unique_ptr<display::CDisplay> m_pDisplay;
    std::unique_ptr<CCdgScreen> m_pScreen;
    CCdgFile m_file;
    int64_t m_nExecuted = 0;
    bool m_bEnded = false;
};
