// Track layout and file output.
#include "tools/cdgauthor/CdgTrackWriter.h"

#include <cmath>
#include <cstdio>
#include <memory>

namespace cdgauthor {

namespace {

constexpr int kPacketsPerSecond = 300;
constexpr size_t kPacketsPerSector = 4;
constexpr size_t kAudioBytesPerSector = 2352;
constexpr size_t kFramesPerSector = kAudioBytesPerSector / 4;  // 16-bit stereo

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

int64_t CdgTrackWriter::PacketAt(double dSeconds) {
    return static_cast<int64_t>(std::ceil(dSeconds * kPacketsPerSecond - 1e-9));
}

void CdgTrackWriter::PadTo(int64_t nCount) {
    if (nCount > GetPacketCount()) {
        m_packets.resize(static_cast<size_t>(nCount), Slot{Padding(), false});
    }
}

void CdgTrackWriter::Put(int64_t nIndex, const RawPacket& packet) {
    PadTo(nIndex + 1);
    m_packets[static_cast<size_t>(nIndex)] = {packet, true};
}

int64_t CdgTrackWriter::PutFrom(int64_t nIndex, const RawPacket& packet) {
    while (nIndex < GetPacketCount() && m_packets[static_cast<size_t>(nIndex)].bUsed) {
        ++nIndex;
    }
    Put(nIndex, packet);
    return nIndex;
}

bool CdgTrackWriter::WriteCdg(const std::string& path) const {
    File f(std::fopen(path.c_str(), "wb"));
    if (!f) {
        return false;
    }
    for (const Slot& slot : m_packets) {
        if (std::fwrite(slot.packet.data(), 1, slot.packet.size(), f.get()) != slot.packet.size()) {
            return false;
        }
    }
    return std::fflush(f.get()) == 0;
}

bool CdgTrackWriter::WriteBin(const std::string& path,
                              const std::vector<int16_t>& interleavedStereo) const {
    File f(std::fopen(path.c_str(), "wb"));
    if (!f) {
        return false;
    }
    const size_t nSectors = (m_packets.size() + kPacketsPerSector - 1) / kPacketsPerSector;
    uint8_t audio[kAudioBytesPerSector];
    for (size_t s = 0; s < nSectors; ++s) {
        for (size_t i = 0; i < kFramesPerSector * 2; ++i) {
            const size_t n = s * kFramesPerSector * 2 + i;
            const auto sample =
                static_cast<uint16_t>(n < interleavedStereo.size() ? interleavedStereo[n] : 0);
            audio[2 * i] = static_cast<uint8_t>(sample & 0xFF);
            audio[2 * i + 1] = static_cast<uint8_t>(sample >> 8);
        }
        if (std::fwrite(audio, 1, sizeof(audio), f.get()) != sizeof(audio)) {
            return false;
        }
        for (size_t k = 0; k < kPacketsPerSector; ++k) {
            const size_t n = s * kPacketsPerSector + k;
            const RawPacket packet = n < m_packets.size() ? m_packets[n].packet : Padding();
            if (std::fwrite(packet.data(), 1, packet.size(), f.get()) != packet.size()) {
                return false;
            }
        }
    }
    return std::fflush(f.get()) == 0;
}

}  // namespace cdgauthor
