// ScratchFile: one file per process, rewritten for every input, for harnesses whose parser
// reads from a path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// Lives in memory-backed storage (/dev/shm) where there is one, so rewriting it costs no
// disk I/O; removed with the object, with its other names. Not thread-safe.
class ScratchFile {
public:
    // The file's name ends in suffix (".cdg", ".wav", ...).
    explicit ScratchFile(const std::string& suffix);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& Path() const { return m_path; }
    // Another name of the same file (a hard link), ending in suffix: readers that choose a
    // layout by the name see the same bytes under each. Empty when the link cannot be
    // made. Only for files nobody replaces by renaming.
    std::string AddName(const std::string& suffix);
    // Replaces the content; false when the file cannot be written.
    bool Write(const uint8_t* pData, size_t nSize);

private:
    std::string m_stem;
    std::string m_path;
    std::vector<std::string> m_aliases;
    bool m_bMade = false;
};

}  // namespace fuzz
