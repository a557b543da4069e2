// CWaveDump: a GStreamer sink that hands every decoded sample to a callback.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "tindlib/WaveFormat.h"

typedef struct _GstElement GstElement;

namespace tindlib {

// What one callback reports. The data is valid only during the call.
struct CWaveDumpSample {
    enum class Kind {
        Data,         // decoded PCM, on the streaming thread
        EndOfStream,  // no data; in order after the last sample, on the streaming thread
        Flushed,      // no data; a flush (e.g. a flushing seek) has ended: everything
                      // after this comes from the new position. On the flushing thread.
    };
    Kind nKind = Kind::Data;
    const uint8_t* pData = nullptr;
    size_t nLength = 0;       // bytes
    int64_t nMediaTime = -1;  // index of the first frame in the stream; -1 when unknown
};

// Wraps an appsink. Put GetElement() into a pipeline (the bin takes its own reference)
// and link the decoder's raw audio to it. The callback runs on the pipeline's streaming
// thread, once per sample, and the sink takes no further sample until it returns; a
// callback that blocks therefore holds the upstream decoder back. It must not throw.
// It also hears of the end of the stream and of the end of every flush (see Kind).
//
// Threads: SetCallback before the pipeline leaves the NULL state (or while no sample
// flows); GetConnectedFormat from any thread.
class CWaveDump {
public:
    using Callback = void (*)(const CWaveDumpSample& sample, void* pUser);

    CWaveDump();
    ~CWaveDump();
    CWaveDump(const CWaveDump&) = delete;
    CWaveDump& operator=(const CWaveDump&) = delete;

    // False when GStreamer could not make the appsink (its plugin is missing).
    bool IsValid() const { return m_pSink != nullptr; }
    GstElement* GetElement() const { return m_pSink; }
    void SetCallback(Callback pCallback, void* pUser);
    // The interleaved PCM format negotiated on the input; false before negotiation or
    // when the input is not integer PCM.
    bool GetConnectedFormat(WAVEFORMATEX* pFormat) const;

private:
    static int OnNewSample(GstElement* pSink, void* pSelf);
    void Deliver(const CWaveDumpSample& sample);

    GstElement* m_pSink = nullptr;
    unsigned long m_nProbe = 0;  // the flush watch on the sink's input
    std::atomic<Callback> m_pCallback{nullptr};
    std::atomic<void*> m_pUser{nullptr};
};

}  // namespace tindlib
