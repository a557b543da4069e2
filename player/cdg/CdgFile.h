// CCdgFile: sequential packet reader for .cdg packet files and raw .bin CD images.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "player/cdg/CdgPacket.h"

// Track layouts: a sector lasts 1/75 s and carries four packets (300 packets/s = 75 x 4).
inline constexpr int kCdgPacketsPerSector = 4;
inline constexpr int kCdgSectorsPerSecond = 75;
inline constexpr int kCdgSubcodeBytes = kCdgPacketsPerSector * kCdgPacketSize;        // 96
inline constexpr int kCdgAudioBytesPerSector = 2352;                                  // CD-DA
inline constexpr int kCdgRawSectorSize = kCdgAudioBytesPerSector + kCdgSubcodeBytes;  // 2448
inline constexpr int kCdgReadChunk = 64 * 1024;

// Not thread-safe: one reader thread at a time (the caller excludes rewinds while reading).
// The file is read in chunks of kCdgReadChunk bytes, so that a packet costs no system call
// of its own; a read that finds too few bytes goes back to the file on the next attempt, so
// a growing file is followed.
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
    // Copies the packet at m_nPosition into m_packetBuf, reading a new chunk if the one
    // held does not contain it. False when the file has no whole packet there.
    bool FetchPacket();

    int m_fd = -1;
    int64_t m_nPosition = 0;  // byte position of the next read
    // The chunk held: file bytes [m_nChunkStart, m_nChunkStart + m_nChunkBytes).
    std::unique_ptr<uint8_t[]> m_pChunk;
    int64_t m_nChunkStart = 0;
    int64_t m_nChunkBytes = 0;
};
