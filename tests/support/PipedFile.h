// A file offered through a named pipe: a source that can neither seek nor be measured.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <thread>
#include <vector>

// Makes the pipe and writes the file's bytes into it from a thread of its own. The writer
// never blocks, so it ends whether or not a reader ever opens the pipe; the destructor
// stops it.
class CPipedFile {
public:
    CPipedFile(const std::filesystem::path& fifo, const std::filesystem::path& source);
    ~CPipedFile();
    CPipedFile(const CPipedFile&) = delete;
    CPipedFile& operator=(const CPipedFile&) = delete;

    // False when the pipe could not be made (nothing is written then).
    bool Made() const { return m_bMade; }

private:
    void Write();

    std::filesystem::path m_fifo;
    std::vector<uint8_t> m_bytes;
    bool m_bMade = false;
    std::atomic<bool> m_bDone{false};
    std::thread m_writer;
};
