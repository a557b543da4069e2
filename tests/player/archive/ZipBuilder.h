// Zips made in the tests with libzip: good track archives and every kind of bad one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ziptest {

struct ZipEntry {
    std::string strName;
    std::vector<uint8_t> data;
    bool bStore = false;    // stored as is rather than deflated
    bool bEncrypt = false;  // AES-256 with a password
};

// Writes a zip of these entries (a name ending in "/" makes a folder). False on any error.
bool WriteZip(const std::string& strPath, const std::vector<ZipEntry>& entries);

// Rewrites the uncompressed size an entry declares, in its local header and in the
// central directory alike, so the archive stays consistent but lies about that entry.
bool PatchDeclaredSize(const std::string& strPath, const std::string& strEntry, uint32_t nSize);

// A zip of nEntries tiny entries, the first of them a track.
bool WriteManyEntries(const std::string& strPath, int nEntries);

std::vector<uint8_t> ReadBytes(const std::string& strPath);
bool WriteBytes(const std::string& strPath, const std::vector<uint8_t>& bytes);

// Bytes that stand for a file's content: n bytes of a repeating pattern seeded by nSeed.
std::vector<uint8_t> Pattern(size_t nSize, uint8_t nSeed);

// Every file below a folder, as paths relative to it, sorted.
std::vector<std::string> ListFiles(const std::string& strFolder);

}  // namespace ziptest
