// CPipedFile: the pipe and its non-blocking writer.
#include "tests/support/PipedFile.h"

#include <chrono>
#include <fstream>
#include <iterator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CPipedFile::CPipedFile(const std::filesystem::path& fifo, const std::filesystem::path& source)
    : m_fifo(fifo) {
    std::ifstream in(source, std::ios::binary);
    m_bytes.assign(std::istreambuf_iterator<char>(in), {});
    m_bMade = ::mkfifo(fifo.c_str(), 0600) == 0;
    if (m_bMade) {
        m_writer = std::thread([this] { Write(); });
    }
}

CPipedFile::~CPipedFile() {
    m_bDone = true;
    if (m_writer.joinable()) {
        m_writer.join();
    }
}

void CPipedFile::Write() {
    // Read and write ends at once, so opening never waits for a reader.
    const int fd = ::open(m_fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    size_t at = 0;
    while (fd >= 0 && !m_bDone && at < m_bytes.size()) {
        const ssize_t n = ::write(fd, m_bytes.data() + at, m_bytes.size() - at);
        if (n > 0) {
            at += static_cast<size_t>(n);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    while (fd >= 0 && !m_bDone) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (fd >= 0) {
        ::close(fd);
    }
}
