// CdgTrackWriter: lays packets out on the 300-per-second timeline and writes .cdg or .bin.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/cdgauthor/CdgPacketBuilder.h"

namespace cdgauthor {

class CdgTrackWriter {
public:
    // Index of the first packet at or after the given time.
    static int64_t PacketAt(double dSeconds);

    // Places a packet at an exact index (the track grows with padding to reach it).
    void Put(int64_t nIndex, const RawPacket& packet);
    // Places a packet at the first free index at or after nIndex; returns that index.
    int64_t PutFrom(int64_t nIndex, const RawPacket& packet);
    // Appends at the end of the track.
    void Append(const RawPacket& packet) { m_packets.push_back({packet, true}); }
    // Pads the track to at least nCount packets.
    void PadTo(int64_t nCount);

    int64_t GetPacketCount() const { return static_cast<int64_t>(m_packets.size()); }
    const RawPacket& GetPacket(int64_t nIndex) const { return m_packets.at(nIndex).packet; }

    // Packets only. False (with errno set) on an I/O error.
    bool WriteCdg(const std::string& path) const;
    // Raw image: 2352 bytes of 16-bit stereo audio then the sector's four packets. The
    // audio is cut or padded with silence to the packets' length.
    bool WriteBin(const std::string& path, const std::vector<int16_t>& interleavedStereo) const;

private:
    struct Slot {
        RawPacket packet;
        bool bUsed;
    };
    std::vector<Slot> m_packets;
};

}  // namespace cdgauthor
