// Zip writing and patching for the tests.
#include "tests/player/archive/ZipBuilder.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <zip.h>

namespace fs = std::filesystem;

namespace ziptest {

namespace {

constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
// Offsets inside the two headers (the zip format's fixed layout).
constexpr size_t kLocalNameLength = 26;
constexpr size_t kLocalSize = 22;
constexpr size_t kLocalName = 30;
constexpr size_t kCentralNameLength = 28;
constexpr size_t kCentralSize = 24;
constexpr size_t kCentralName = 46;

uint32_t Get32(const std::vector<uint8_t>& bytes, size_t n) {
    return static_cast<uint32_t>(bytes[n]) | static_cast<uint32_t>(bytes[n + 1]) << 8 |
           static_cast<uint32_t>(bytes[n + 2]) << 16 | static_cast<uint32_t>(bytes[n + 3]) << 24;
}

uint16_t Get16(const std::vector<uint8_t>& bytes, size_t n) {
    return static_cast<uint16_t>(bytes[n] | bytes[n + 1] << 8);
}

void Put32(std::vector<uint8_t>& bytes, size_t n, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) {
        bytes[n + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

}  // namespace

bool WriteZip(const std::string& strPath, const std::vector<ZipEntry>& entries) {
    int nError = 0;
    zip_t* pZip = zip_open(strPath.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &nError);
    if (pZip == nullptr) {
        return false;
    }
    bool bOk = true;
    for (const ZipEntry& entry : entries) {
        if (!entry.strName.empty() && entry.strName.back() == '/') {
            bOk = bOk && zip_dir_add(pZip, entry.strName.c_str(), ZIP_FL_ENC_UTF_8) >= 0;
            continue;
        }
        zip_source_t* pSource = zip_source_buffer(pZip, entry.data.data(), entry.data.size(), 0);
        const zip_int64_t nIndex = pSource == nullptr
                                       ? -1
                                       : zip_file_add(pZip, entry.strName.c_str(), pSource,
                                                      ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (nIndex < 0) {
            zip_source_free(pSource);
            bOk = false;
            continue;
        }
        const auto nEntry = static_cast<zip_uint64_t>(nIndex);
        bOk = bOk && zip_set_file_compression(pZip, nEntry,
                                              entry.bStore ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0) == 0;
        if (entry.bEncrypt) {
            bOk = bOk && zip_file_set_encryption(pZip, nEntry, ZIP_EM_AES_256, "secret") == 0;
        }
    }
    if (!bOk) {
        zip_discard(pZip);
        return false;
    }
    return zip_close(pZip) == 0;
}

bool PatchDeclaredSize(const std::string& strPath, const std::string& strEntry, uint32_t nSize) {
    std::vector<uint8_t> bytes = ReadBytes(strPath);
    int nPatched = 0;
    for (size_t n = 0; n + kCentralName <= bytes.size(); ++n) {
        const uint32_t nSignature = Get32(bytes, n);
        size_t nName = 0;
        size_t nLength = 0;
        size_t nSizeAt = 0;
        if (nSignature == kLocalSignature && n + kLocalName <= bytes.size()) {
            nLength = Get16(bytes, n + kLocalNameLength);
            nName = n + kLocalName;
            nSizeAt = n + kLocalSize;
        } else if (nSignature == kCentralSignature) {
            nLength = Get16(bytes, n + kCentralNameLength);
            nName = n + kCentralName;
            nSizeAt = n + kCentralSize;
        } else {
            continue;
        }
        if (nName + nLength <= bytes.size() && nLength == strEntry.size() &&
            std::equal(strEntry.begin(), strEntry.end(), bytes.begin() + nName)) {
            Put32(bytes, nSizeAt, nSize);
            ++nPatched;
        }
    }
    return nPatched == 2 && WriteBytes(strPath, bytes);
}

bool WriteManyEntries(const std::string& strPath, int nEntries) {
    std::vector<ZipEntry> entries;
    entries.push_back({"song.cdg", Pattern(96, 1), true});
    for (int i = 1; i < nEntries; ++i) {
        entries.push_back({"pad/" + std::to_string(i) + ".txt", {}, true});
    }
    return WriteZip(strPath, entries);
}

std::vector<uint8_t> ReadBytes(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool WriteBytes(const std::string& strPath, const std::vector<uint8_t>& bytes) {
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<uint8_t> Pattern(size_t nSize, uint8_t nSeed) {
    std::vector<uint8_t> bytes(nSize);
    for (size_t i = 0; i < nSize; ++i) {
        bytes[i] = static_cast<uint8_t>(nSeed + i * 7 + (i >> 8));
    }
    return bytes;
}

std::vector<std::string> ListFiles(const std::string& strFolder) {
    std::vector<std::string> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(strFolder, error), end; !error && it != end;
         it.increment(error)) {
        files.push_back(fs::relative(it->path(), strFolder).string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace ziptest
