// CCdgFile: sequential packet reader for .cdg packet files and raw .bin CD images.
#pragma once

#include <cstdint>
#include <string>

#include "player/cdg/CdgPacket.h"

// Track layouts: a sector lasts 1/75 s and carries four packets (300 packets/s = 75 x 4).
inline constexpr int kCdgPacketsPerSector = 4;
inline constexpr int kCdgSectorsPerSecond = 75;
inline constexpr int kCdgSubcodeBytes = kCdgPacketsPerSector * kCdgPacketSize;        // 96
inline constexpr int kCdgAudioBytesPerSector = 2352;                                  // CD-DA
inline constexpr int kCdgRawSectorSize = kCdgAudioBytesPerSector + kCdgSubcodeBytes;  // 2448

// Not thread-safe: one reader thread at a time (the caller excludes rewinds while reading).
class CCdgFile {
public:
    CCdgFile() = default;
    virtual ~CCdgFile();
    CCdgFile(const CCdgFile&) = delete;
    CCdgFile& operator=(const CCdgFile&) = delete;

    // Opens a track for reading (UTF-8 path). A path whose last three characters are
    // "bin" in any case is a raw image; anything else is a packet file. On failure the
    // reader keeps its previous file, sector size and index.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

    // Delivers the next packet; false at the end, on a short last packet or on an error,
    // leaving the packet and the index unchanged.
    bool ReadPacket(CCdgPacket& packet);
    // Makes nIndex the next packet to be read.
    bool SeekPacket(int32_t nIndex);

    static double PacketToSeconds(int32_t nIndex) {
        return nIndex * 0.25 * (1.0 / kCdgSectorsPerSecond);
    }
    // True when the path names a raw .bin image by its last three characters.
    static bool IsRawImagePath(const std::string& path);

    int32_t m_nSectorSize = kCdgSubcodeBytes;
    uint8_t m_packetBuf[kCdgPacketSize] = {};
    int32_t m_nPacketIndex = 0;

private:
    bool Seek(int64_t nOffset, bool bFromCurrent);

    int m_fd = -1;
    int64_t m_nPosition = 0;  // byte position of the next read
};
