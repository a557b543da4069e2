// The export's time grid and the pictures on it: frame slot k starts at k / fps seconds and
// shows the engine after every packet due before that time, as the player would show it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TrackRenderer;

namespace cdgexport {

inline constexpr int64_t kPacketsPerSecond = 300;  // 75 sectors x 4 packets
inline constexpr int64_t kNanosPerSecond = 1000000000;

// Packets executed for slot k: packet n is due once n / 300 s < k / fps (strictly, as the
// playback loop compares), which holds for n < ceil(300 k / fps).
int64_t PacketsDueAtSlot(int64_t nSlot, int nFps);
// Start of slot k in nanoseconds, rounded down.
uint64_t SlotTime(int64_t nSlot, int nFps);
// Slots that start before nTime (ns): the slots of a video that lasts nTime.
int64_t SlotsBefore(uint64_t nTime, int nFps);

// Plays a track's packets along the slots and keeps the composed 320 x 240 frame.
class CFrameSource {
public:
    static constexpr int kFrameWidth = 320;
    static constexpr int kFrameHeight = 240;

    CFrameSource();
    ~CFrameSource();
    CFrameSource(const CFrameSource&) = delete;
    CFrameSource& operator=(const CFrameSource&) = delete;

    bool Open(const std::string& strTrack, std::string& error);
    // Brings the picture to slot k (slots in increasing order). True when the frame differs
    // from the one before; the first slot always counts as a change. False in bChanged
    // and an error when no frame could be composed.
    bool AdvanceToSlot(int64_t nSlot, int nFps, bool& bChanged, std::string& error);
    // 320 x 240 pixels 0x00RRGGBB, top row first, of the last slot reached.
    const uint32_t* GetFrame() const { return m_frame.data(); }

private:
    std::unique_ptr<TrackRenderer> m_pRenderer;
    std::vector<uint32_t> m_frame;
    std::vector<uint32_t> m_scratch;
    int64_t m_nComposedAt = -1;  // packets executed when m_frame was composed
};

}  // namespace cdgexport
