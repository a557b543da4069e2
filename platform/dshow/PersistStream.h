// CPersistStream: IPersistStream for a filter, with the framework's number format.
#pragma once

#include <atomic>

#include "platform/dshow/DShowTypes.h"

namespace dshow {

// Writes n as 12 UTF-16LE characters: "%011d " (zero-filled to eleven, then one space).
HRESULT WriteInt(IStream* pStream, int n);
// Reads an optional minus sign and digits ended by a space, tab, CR, LF or NUL. Any other
// character, a number outside the int range, or the stream ending inside the number fails
// with VFW_E_INVALID_FILE_FORMAT; a failing read gives the stream's error. 0 on failure.
int ReadInt(IStream* pStream, HRESULT& hr);

// The stream holds the software version, then whatever WriteToStream writes.
class CPersistStream : public IPersistStream {
public:
    CPersistStream(IUnknown* punk, HRESULT* phr);
    virtual ~CPersistStream() = default;

    HRESULT IsDirty() override { return m_fDirty ? S_OK : S_FALSE; }
    HRESULT Load(IStream* pStm) override;
    HRESULT Save(IStream* pStm, BOOL fClearDirty) override;
    // SizeMax() plus the version's 24 bytes.
    HRESULT GetSizeMax(uint64_t* pcbSize) override;

    // Safe from any thread.
    void SetDirty(bool fDirty) { m_fDirty = fDirty; }

protected:
    virtual HRESULT WriteToStream(IStream*) { return S_OK; }
    virtual HRESULT ReadFromStream(IStream*) { return S_OK; }
    virtual int SizeMax() { return 0; }
    virtual DWORD GetSoftwareVersion() { return 0; }

    DWORD m_dwFileVersion = 0;  // the version the last Load read

private:
    std::atomic<bool> m_fDirty{false};
};

// Bytes WriteInt writes for one number.
inline constexpr int kPersistIntBytes = 24;

}  // namespace dshow
