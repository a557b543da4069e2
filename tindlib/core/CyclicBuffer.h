// CBuffer and CCyclicBuffer: fixed-capacity byte storage and the byte ring with a cursor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tindlib {

// Plain fixed-size byte storage.
class CBuffer {
public:
    explicit CBuffer(size_t nSize) : m_data(nSize) {}
    virtual ~CBuffer() = default;

    size_t GetBufSize() const { return m_data.size(); }

protected:
    uint8_t* Storage() { return m_data.data(); }
    const uint8_t* Storage() const { return m_data.data(); }

private:
    std::vector<uint8_t> m_data;
};

// A ring of bytes holding a window of a stream. Offsets (the cursor included) count from
// the front of the held data, not from the storage. The cursor lies in [0, data]: bytes
// before it have been consumed and are kept, bytes after it are waiting to be read.
// Not thread-safe: the owner guards it with its own lock.
class CCyclicBuffer : public CBuffer {
public:
    explicit CCyclicBuffer(size_t nSize) : CBuffer(nSize) {}

    size_t GetDataInBuffer() const { return m_nData; }
    size_t GetFreeBufSpace() const { return GetBufSize() - m_nData; }
    size_t GetCurPos() const { return m_nCursor; }
    // False (cursor unchanged) when the offset lies beyond the held data.
    bool SetCurPos(size_t nPos);

    // Copies up to nBytes from the cursor on; advances the cursor. Returns the bytes copied.
    size_t Read(void* pDest, size_t nBytes);
    // Writes at the cursor, overwriting held bytes and extending the data as far as the
    // capacity allows; advances the cursor. Returns the bytes written.
    size_t Write(const void* pSrc, size_t nBytes);
    // Drops up to nBytes at the front; the cursor moves back with the data (not below 0).
    // Returns the bytes dropped.
    size_t ReleaseFromFront(size_t nBytes);
    void Clear();

private:
    size_t Physical(size_t nOffset) const { return (m_nHead + nOffset) % GetBufSize(); }

    size_t m_nHead = 0;  // storage index of the front byte
    size_t m_nData = 0;
    size_t m_nCursor = 0;
};

}  // namespace tindlib
