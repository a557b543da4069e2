// CSkellanHost: drives one CVocalRemover from Skellan.ax the way a filter graph would.
#pragma once

#include <mutex>
#include <string>

#include "platform/dshow/HostPins.h"
#include "vocalremover/IVocalRemover.h"

namespace skellan {

// Owns the filter (created through the server's class factory) and the two host pins it
// is connected between. SetFormat, Process and Stop may come from different threads; they
// are serialised. The parameter interface is the filter's own and thread-safe.
class CSkellanHost {
public:
    // Loads Skellan.ax from serverPath, or when that is empty from beside the plugin, then
    // through the registry store. Check Result() before use.
    explicit CSkellanHost(const std::string& serverPath = {});
    ~CSkellanHost();
    CSkellanHost(const CSkellanHost&) = delete;
    CSkellanHost& operator=(const CSkellanHost&) = delete;

    HRESULT Result() const { return m_hrCreate; }
    const std::string& Error() const { return m_error; }

    // Connects the filter with this type on both pins and runs it. A type the filter
    // refuses gives VFW_E_TYPE_NOT_ACCEPTED and leaves the filter unconnected.
    HRESULT SetFormat(const dshow::CMediaType& mt);
    // Passes one buffer through the filter, which rewrites it in place.
    HRESULT Process(uint8_t* data, long length);
    // Stops the filter and breaks its connections.
    void Stop();

    // Not counted references; valid while the host lives.
    IVocalRemover* Parameters() const { return m_pParams; }
    dshow::IBaseFilter* Filter() const { return m_pFilter; }

private:
    void DisconnectAll();

    HRESULT m_hrCreate = com::S_OK;
    std::string m_error;
    std::mutex m_lock;
    dshow::IBaseFilter* m_pFilter = nullptr;
    IVocalRemover* m_pParams = nullptr;
    dshow::IPin* m_pFilterIn = nullptr;
    dshow::IPin* m_pFilterOut = nullptr;
    dshow::CHostOutputPin m_source{L"Host Output"};
    dshow::CHostInputPin m_sink{L"Host Input", {}};
};

}  // namespace skellan
