// Slot arithmetic in integers (no rounding drift over hours), and frame composition only
// when packets ran since the last slot.
#include "tools/cdgexport/FrameTimeline.h"

#include <algorithm>

#include "tools/cdgrender/TrackRenderer.h"

namespace cdgexport {

int64_t PacketsDueAtSlot(int64_t nSlot, int nFps) {
    if (nSlot <= 0) {
        return 0;
    }
    return (kPacketsPerSecond * nSlot + nFps - 1) / nFps;
}

uint64_t SlotTime(int64_t nSlot, int nFps) {
    if (nSlot <= 0) {
        return 0;
    }
    const auto k = static_cast<uint64_t>(nSlot);
    const auto fps = static_cast<uint64_t>(nFps);
    // k * 1e9 / fps without overflow for any slot of a sane length.
    return k / fps * kNanosPerSecond + (k % fps) * kNanosPerSecond / fps;
}

int64_t SlotsBefore(uint64_t nTime, int nFps) {
    // The smallest k with SlotTime(k) >= nTime.
    const auto fps = static_cast<uint64_t>(nFps);
    const uint64_t nSeconds = nTime / kNanosPerSecond;
    const uint64_t nRest = nTime % kNanosPerSecond;
    auto k = static_cast<int64_t>(nSeconds * fps + nRest * fps / kNanosPerSecond);
    while (SlotTime(k, nFps) < nTime) {
        ++k;
    }
    while (k > 0 && SlotTime(k - 1, nFps) >= nTime) {
        --k;
    }
    return k;
}

CFrameSource::CFrameSource()
    : m_frame(static_cast<size_t>(kFrameWidth) * kFrameHeight),
      m_scratch(static_cast<size_t>(kFrameWidth) * kFrameHeight) {}

CFrameSource::~CFrameSource() = default;

bool CFrameSource::Open(const std::string& strTrack, std::string& error) {
    m_pRenderer = std::make_unique<TrackRenderer>();
    m_nComposedAt = -1;
    return m_pRenderer->Open(strTrack, error);
}

bool CFrameSource::AdvanceToSlot(int64_t nSlot, int nFps, bool& bChanged, std::string& error) {
    bChanged = false;
    const int64_t nExecuted = m_pRenderer->AdvanceTo(PacketsDueAtSlot(nSlot, nFps));
    if (nExecuted == m_nComposedAt) {
        return true;  // nothing ran: the picture is the one already composed
    }
    if (!m_pRenderer->ComposeFrame(m_scratch.data())) {
        error = "no frame could be composed";
        return false;
    }
    bChanged = m_nComposedAt < 0 || m_scratch != m_frame;
    m_nComposedAt = nExecuted;
    if (bChanged) {
        m_frame.swap(m_scratch);
    }
    return true;
}

}  // namespace cdgexport
