// WriteInt, ReadInt and CPersistStream's Load and Save.
#include "platform/dshow/PersistStream.h"

#include <cstdio>
#include <limits>

namespace dshow {

HRESULT WriteInt(IStream* pStream, int n) {
    if (pStream == nullptr)
        return E_POINTER;
    char text[kPersistIntBytes / 2 + 1];
    std::snprintf(text, sizeof text, "%011d ", n);
    BYTE utf16[kPersistIntBytes];
    for (int i = 0; i < kPersistIntBytes / 2; ++i) {
        utf16[2 * i] = static_cast<BYTE>(text[i]);  // ASCII: the high byte is 0
        utf16[2 * i + 1] = 0;
    }
    ULONG written = 0;
    const HRESULT hr = pStream->Write(utf16, sizeof utf16, &written);
    if (FAILED(hr))
        return hr;
    return written == sizeof utf16 ? S_OK : STG_E_WRITEFAULT;
}

namespace {

// One UTF-16LE character; VFW_E_INVALID_FILE_FORMAT when the stream has ended.
HRESULT ReadChar(IStream* pStream, char16_t& ch) {
    BYTE bytes[2];
    ULONG read = 0;
    const HRESULT hr = pStream->Read(bytes, sizeof bytes, &read);
    if (FAILED(hr))
        return hr;
    if (read != sizeof bytes)
        return VFW_E_INVALID_FILE_FORMAT;
    ch = static_cast<char16_t>(bytes[0] | bytes[1] << 8);
    return S_OK;
}

}  // namespace

int ReadInt(IStream* pStream, HRESULT& hr) {
    if (pStream == nullptr) {
        hr = E_POINTER;
        return 0;
    }
    char16_t ch = 0;
    if (hr = ReadChar(pStream, ch); FAILED(hr))
        return 0;
    const bool negative = ch == u'-';
    if (negative && (hr = ReadChar(pStream, ch), FAILED(hr)))
        return 0;
    // The magnitude may reach 2^31 only with a minus sign (INT_MIN).
    long long value = 0;
    constexpr long long kLimit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    for (;;) {
        if (ch >= u'0' && ch <= u'9') {
            value = value * 10 + (ch - u'0');
            if (value > kLimit) {
                hr = VFW_E_INVALID_FILE_FORMAT;
                return 0;
            }
        } else if (ch == u' ' || ch == u'\t' || ch == u'\r' || ch == u'\n' || ch == u'\0') {
            break;
        } else {
            hr = VFW_E_INVALID_FILE_FORMAT;
            return 0;
        }
        if (hr = ReadChar(pStream, ch); FAILED(hr))
            return 0;
    }
    if (!negative && value == kLimit) {
        hr = VFW_E_INVALID_FILE_FORMAT;
        return 0;
    }
    hr = S_OK;
    return static_cast<int>(negative ? -value : value);
}

CPersistStream::CPersistStream(IUnknown* /*punk*/, HRESULT* /*phr*/) {}

HRESULT CPersistStream::Load(IStream* pStm) {
    if (pStm == nullptr)
        return E_POINTER;
    HRESULT hr = S_OK;
    m_dwFileVersion = static_cast<DWORD>(ReadInt(pStm, hr));
    if (FAILED(hr))
        return hr;
    return ReadFromStream(pStm);
}

HRESULT CPersistStream::Save(IStream* pStm, BOOL fClearDirty) {
    if (pStm == nullptr)
        return E_POINTER;
    HRESULT hr = WriteInt(pStm, static_cast<int>(GetSoftwareVersion()));
    if (FAILED(hr))
        return hr;
    hr = WriteToStream(pStm);
    if (FAILED(hr))
        return hr;
    m_fDirty = !fClearDirty;
    return hr;
}

HRESULT CPersistStream::GetSizeMax(uint64_t* pcbSize) {
    if (pcbSize == nullptr)
        return E_POINTER;
    *pcbSize = static_cast<uint64_t>(SizeMax()) + kPersistIntBytes;
    return S_OK;
}

}  // namespace dshow
