// CSkellanHost: finding and loading Skellan.ax, connecting its filter, passing buffers.
#include "vocalremover/gst/SkellanHost.h"

#include <cstdio>
#include <filesystem>

#include "platform/com/ComRuntime.h"
#include "platform/dshow/FilterRegistration.h"
#include "platform/dshow/MediaSample.h"

namespace skellan {

using namespace dshow;

namespace {

std::string HexResult(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

HRESULT GetFactory(const std::string& serverPath, IClassFactory** factory, std::string& where) {
    void** out = reinterpret_cast<void**>(factory);
    if (!serverPath.empty()) {
        where = serverPath;
        return CoGetClassObjectFromModule(serverPath, CLSID_VocalRemover, IID_IClassFactory, out);
    }
    std::string plugin;
    if (SUCCEEDED(GetModulePath(reinterpret_cast<const void*>(&GetFactory), plugin))) {
        const auto beside = std::filesystem::path(plugin).parent_path() / "Skellan.ax";
        std::error_code ec;
        if (std::filesystem::exists(beside, ec)) {
            where = beside.string();
            return CoGetClassObjectFromModule(where, CLSID_VocalRemover, IID_IClassFactory, out);
        }
    }
    where = "the registry store " + CRegistryStore::DefaultPath();
    return CoGetClassObject(CLSID_VocalRemover, CLSCTX_INPROC_SERVER, IID_IClassFactory, out);
}

}  // namespace

CSkellanHost::CSkellanHost(const std::string& serverPath) {
    IClassFactory* factory = nullptr;
    std::string where;
    m_hrCreate = GetFactory(serverPath, &factory, where);
    if (FAILED(m_hrCreate)) {
        m_error = "cannot get the Skellan class object from " + where + " (" +
                  HexResult(m_hrCreate) + ")";
        return;
    }
    m_hrCreate =
        factory->CreateInstance(nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&m_pFilter));
    factory->Release();
    if (SUCCEEDED(m_hrCreate)) {
        m_hrCreate =
            m_pFilter->QueryInterface(IID_IVocalRemover, reinterpret_cast<void**>(&m_pParams));
    }
    if (SUCCEEDED(m_hrCreate))
        m_hrCreate = m_pFilter->FindPin(L"In", &m_pFilterIn);
    if (SUCCEEDED(m_hrCreate))
        m_hrCreate = m_pFilter->FindPin(L"Out", &m_pFilterOut);
    if (FAILED(m_hrCreate))
        m_error = "cannot create the Skellan filter (" + HexResult(m_hrCreate) + ")";
}

CSkellanHost::~CSkellanHost() {
    Stop();
    if (m_pFilterIn != nullptr)
        m_pFilterIn->Release();
    if (m_pFilterOut != nullptr)
        m_pFilterOut->Release();
    if (m_pParams != nullptr)
        m_pParams->Release();
    if (m_pFilter != nullptr)
        m_pFilter->Release();
}

void CSkellanHost::DisconnectAll() {
    m_pFilter->Stop();
    m_source.Disconnect();
    m_pFilterIn->Disconnect();
    m_pFilterOut->Disconnect();
    m_sink.Disconnect();
}

HRESULT CSkellanHost::SetFormat(const CMediaType& mt) {
    if (FAILED(m_hrCreate))
        return m_hrCreate;
    std::lock_guard guard(m_lock);
    DisconnectAll();
    HRESULT hr = m_source.Connect(m_pFilterIn, &mt);
    if (SUCCEEDED(hr))
        hr = m_pFilterOut->Connect(&m_sink, &mt);
    if (SUCCEEDED(hr))
        hr = m_pFilter->Run(0);
    if (FAILED(hr))
        DisconnectAll();
    return hr;
}

HRESULT CSkellanHost::Process(uint8_t* data, long length) {
    if (FAILED(m_hrCreate))
        return m_hrCreate;
    std::lock_guard guard(m_lock);
    CMediaSample sample(data, length);
    return m_source.Deliver(&sample);
}

void CSkellanHost::Stop() {
    if (FAILED(m_hrCreate))
        return;
    std::lock_guard guard(m_lock);
    DisconnectAll();
}

}  // namespace skellan
