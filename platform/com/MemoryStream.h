// CMemoryStream: an IStream over a growable byte buffer in memory.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/com/Unknown.h"

namespace com {

// Reference counted; starts with one reference held by its creator. Single-threaded use.
class CMemoryStream final : public IStream {
public:
    explicit CMemoryStream(std::vector<uint8_t> data = {}) : m_data(std::move(data)) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return ++m_nRefs; }
    ULONG Release() override;

    HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override;
    HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override;
    HRESULT Seek(int64_t move, STREAM_SEEK origin, uint64_t* pNewPosition) override;

    const std::vector<uint8_t>& Data() const { return m_data; }

private:
    ~CMemoryStream() = default;

    std::atomic<ULONG> m_nRefs{1};
    std::vector<uint8_t> m_data;
    size_t m_position = 0;
};

}  // namespace com
