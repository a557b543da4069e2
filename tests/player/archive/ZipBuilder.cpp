// Zip writing and patching for the tests.
#include "tests/player/archive/ZipBuilder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <zip.h>

namespace fs = std::filesystem;

namespace ziptest {

namespace {

uint32_t Get(const std::vector<uint8_t>& bytes, size_t n, int nBytes) {
    uint32_t value = 0;
    for (int i = nBytes - 1; i >= 0; --i) {
        value = value << 8 | bytes[n + static_cast<size_t>(i)];
    }
    return value;
}

// The zip format's fixed layout: where a header's name starts, and where in the header its
// name length and uncompressed size are.
struct Header {
    uint32_t nSignature;
    size_t nName, nNameLength, nSize;
};
constexpr Header kLocal = {0x04034b50, 30, 26, 22};
constexpr Header kCentral = {0x02014b50, 46, 28, 24};

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
    for (auto it = bytes.begin();
         (it = std::search(it, bytes.end(), strEntry.begin(), strEntry.end())) != bytes.end();
         ++it) {
        const auto nName = static_cast<size_t>(it - bytes.begin());
        for (const Header& h : {kLocal, kCentral}) {
            const size_t n = nName - h.nName;
            if (nName >= h.nName && Get(bytes, n, 4) == h.nSignature &&
                Get(bytes, n + h.nNameLength, 2) == strEntry.size()) {
                for (size_t i = 0; i < 4; ++i) {
                    bytes[n + h.nSize + i] = static_cast<uint8_t>(nSize >> (8 * i));
                }
                ++nPatched;
            }
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
