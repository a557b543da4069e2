// The core COM interfaces: IUnknown, IClassFactory, IStream, IPersist, IPersistStream and
// ISpecifyPropertyPages.
#pragma once

#include <cstdint>

#include "platform/com/ComTypes.h"
#include "platform/com/Guid.h"

namespace com {

// Every method returns a status; no exception crosses an interface.
class IUnknown {
public:
    virtual HRESULT QueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

class IClassFactory : public IUnknown {
public:
    virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) = 0;
    virtual HRESULT LockServer(BOOL fLock) = 0;

protected:
    ~IClassFactory() = default;
};

enum STREAM_SEEK : uint32_t { STREAM_SEEK_SET = 0, STREAM_SEEK_CUR = 1, STREAM_SEEK_END = 2 };

class IStream : public IUnknown {
public:
    // Reads up to cb bytes; fewer only at the end of the stream (S_FALSE then).
    virtual HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) = 0;
    virtual HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) = 0;
    virtual HRESULT Seek(int64_t move, STREAM_SEEK origin, uint64_t* pNewPosition) = 0;

protected:
    ~IStream() = default;
};

class IPersist : public IUnknown {
public:
    virtual HRESULT GetClassID(CLSID* pClassID) = 0;

protected:
    ~IPersist() = default;
};

class IPersistStream : public IPersist {
public:
    virtual HRESULT IsDirty() = 0;
    virtual HRESULT Load(IStream* pStm) = 0;
    virtual HRESULT Save(IStream* pStm, BOOL fClearDirty) = 0;
    virtual HRESULT GetSizeMax(uint64_t* pcbSize) = 0;

protected:
    ~IPersistStream() = default;
};

// A counted array of GUIDs allocated with CoTaskMemAlloc; the caller frees pElems.
struct CAUUID {
    ULONG cElems = 0;
    GUID* pElems = nullptr;
};

class ISpecifyPropertyPages : public IUnknown {
public:
    virtual HRESULT GetPages(CAUUID* pPages) = 0;

protected:
    ~ISpecifyPropertyPages() = default;
};

}  // namespace com
