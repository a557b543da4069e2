// A vocal remover made the way a host makes it, and wired between a host source and sink.
#pragma once

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "platform/dshow/HostPins.h"
#include "vocalremover/VocalRemover.h"

namespace skellan::test {

using namespace dshow;

// A fresh filter held through its non-delegating IUnknown.
class Filter {
public:
    Filter() {
        HRESULT hr = S_OK;
        m_object = CVocalRemover::CreateInstance(nullptr, &hr);
        m_object->NonDelegatingAddRef();
        EXPECT_EQ(hr, S_OK);
        m_object->NonDelegatingQueryInterface(IID_IVocalRemover, reinterpret_cast<void**>(&vr));
        m_object->NonDelegatingQueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&ps));
        m_object->NonDelegatingQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&bf));
    }
    ~Filter() {
        vr->Release();
        ps->Release();
        bf->Release();
        m_object->NonDelegatingRelease();
    }
    Filter(const Filter&) = delete;
    Filter& operator=(const Filter&) = delete;
    CUnknown* Object() const { return m_object; }

    IVocalRemover* vr = nullptr;
    IPersistStream* ps = nullptr;
    IBaseFilter* bf = nullptr;

private:
    CUnknown* m_object;
};

// The filter between a host source and a host sink that keeps what it receives.
struct Connected {
    Connected() {
        f.bf->FindPin(L"In", &input);
        f.bf->FindPin(L"Out", &output);
    }
    ~Connected() {
        f.bf->Stop();
        for (IPin* pin : {static_cast<IPin*>(&source), input, output, static_cast<IPin*>(&sink)}) {
            pin->Disconnect();
        }
        input->Release();
        output->Release();
    }
    // Both pins on one type, and the filter running.
    HRESULT Run(const CMediaType& mt) {
        HRESULT hr = source.Connect(input, &mt);
        hr = FAILED(hr) ? hr : output->Connect(&sink, &mt);
        return FAILED(hr) ? hr : f.bf->Run(0);
    }

    Filter f;
    IPin* input = nullptr;
    IPin* output = nullptr;
    CHostOutputPin source{L"Source"};
    std::vector<std::vector<uint8_t>> received;
    CHostInputPin sink{L"Sink", [this](IMediaSample* s) {
                           BYTE* p = nullptr;
                           s->GetPointer(&p);
                           received.emplace_back(p, p + s->GetActualDataLength());
                           return S_OK;
                       }};
};

}  // namespace skellan::test
