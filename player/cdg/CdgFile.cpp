// Track reading: lazy audio skip before each sector's packets, 24-byte reads.
#include "player/cdg/CdgFile.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Code points of the last three UTF-8 characters (fewer if the string is shorter).
std::vector<char32_t> LastCharacters(const std::string& s, size_t nCount) {
    std::vector<char32_t> out;
    size_t end = s.size();
    while (end > 0 && out.size() < nCount) {
        size_t start = end - 1;
        while (start > 0 && (static_cast<unsigned char>(s[start]) & 0xC0) == 0x80) {
            --start;
        }
        const auto lead = static_cast<unsigned char>(s[start]);
        // Only ASCII matters for the comparison; any other character stands for itself.
        out.insert(out.begin(), end - start == 1 ? char32_t(lead) : char32_t(0x80 + lead));
        end = start;
    }
    return out;
}

}  // namespace

CCdgFile::~CCdgFile() {
    Close();
}

bool CCdgFile::IsRawImagePath(const std::string& path) {
    const std::vector<char32_t> tail = LastCharacters(path, 3);
    if (tail.size() != 3) {
        return false;
    }
    const char* bin = "bin";
    for (size_t i = 0; i < 3; ++i) {
        char32_t c = tail[i];
        if (c >= 'A' && c <= 'Z') {
            c += 'a' - 'A';
        }
        if (c != static_cast<char32_t>(bin[i])) {
            return false;
        }
    }
    return true;
}

bool CCdgFile::Open(const std::string& path) {
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return false;
    }
    if (!m_pChunk) {
        m_pChunk = std::make_unique_for_overwrite<uint8_t[]>(kCdgReadChunk);
    }
    Close();
    m_fd = fd;
    m_nPosition = 0;
    m_nSectorSize = IsRawImagePath(path) ? kCdgRawSectorSize : kCdgSubcodeBytes;
    m_nPacketIndex = 0;
    return true;
}

void CCdgFile::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_nPosition = 0;
    m_nChunkStart = 0;
    m_nChunkBytes = 0;
}

bool CCdgFile::Seek(int64_t nOffset, bool bFromCurrent) {
    const int64_t target = bFromCurrent ? m_nPosition + nOffset : nOffset;
    if (m_fd < 0 || target < 0) {
        return false;
    }
    m_nPosition = target;
    return true;
}

bool CCdgFile::ReadPacket(CCdgPacket& packet) {
    if (m_fd < 0) {
        return false;
    }
    const int64_t nSaved = m_nPosition;
    if (m_nPacketIndex % kCdgPacketsPerSector == 0 &&
        !Seek(m_nSectorSize - kCdgSubcodeBytes, true)) {
        return false;
    }
    if (!FetchPacket()) {
        // A failed read leaves the reader where it was, so a later read retries cleanly.
        m_nPosition = nSaved;
        return false;
    }
    m_nPosition += kCdgPacketSize;
    packet.Parse(m_packetBuf);
    ++m_nPacketIndex;
    return true;
}

bool CCdgFile::FetchPacket() {
    const bool bHeld = m_nPosition >= m_nChunkStart &&
                       m_nPosition + kCdgPacketSize <= m_nChunkStart + m_nChunkBytes;
    if (!bHeld) {
        int64_t nGot = 0;
        while (nGot < kCdgReadChunk) {
            const ssize_t n =
                ::pread(m_fd, m_pChunk.get() + nGot, static_cast<size_t>(kCdgReadChunk - nGot),
                        static_cast<off_t>(m_nPosition + nGot));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            nGot += n;
        }
        m_nChunkStart = m_nPosition;
        m_nChunkBytes = nGot;
        if (nGot < kCdgPacketSize) {
            return false;
        }
    }
    std::memcpy(m_packetBuf, m_pChunk.get() + (m_nPosition - m_nChunkStart), kCdgPacketSize);
    return true;
}

bool CCdgFile::SeekPacket(int32_t nIndex) {
    if (nIndex < 0) {
        return false;
    }
    const int64_t sector = nIndex / kCdgPacketsPerSector;
    const int64_t within = nIndex % kCdgPacketsPerSector;
    int64_t offset = sector * m_nSectorSize;
    if (within != 0) {
        offset += (m_nSectorSize - kCdgSubcodeBytes) + int64_t{kCdgPacketSize} * within;
    }
    if (!Seek(offset, false)) {
        return false;
    }
    m_nPacketIndex = nIndex;
    return true;
}
