// CWaveDump on appsink.
#include "tindlib/WaveDump.h"

#include <gst/app/gstappsink.h>
#include <gst/audio/audio.h>
#include <gst/gst.h>

namespace tindlib {

namespace {

bool FormatFromCaps(GstCaps* pCaps, WAVEFORMATEX* pFormat, GstAudioInfo* pInfo) {
    if (pCaps == nullptr || !gst_audio_info_from_caps(pInfo, pCaps)) {
        return false;
    }
    if (!GST_AUDIO_INFO_IS_INTEGER(pInfo) || pInfo->layout != GST_AUDIO_LAYOUT_INTERLEAVED ||
        pInfo->channels < 1 || pInfo->bpf < 1) {
        return false;
    }
    if (pFormat != nullptr) {
        *pFormat = MakePcmFormat(static_cast<uint16_t>(pInfo->channels),
                                 static_cast<uint32_t>(pInfo->rate),
                                 static_cast<uint16_t>(GST_AUDIO_INFO_WIDTH(pInfo)));
    }
    return true;
}

}  // namespace

CWaveDump::CWaveDump() {
    if (!gst_is_initialized()) {
        gst_init(nullptr, nullptr);
    }
    m_pSink = gst_element_factory_make("appsink", "Dump");
    if (m_pSink == nullptr) {
        return;
    }
    gst_object_ref_sink(m_pSink);
    // Decode as fast as the callback accepts; keep no reference to old samples.
    g_object_set(m_pSink, "sync", FALSE, "enable-last-sample", FALSE, "max-buffers", 1u, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = [](GstAppSink* pSink, gpointer pSelf) -> GstFlowReturn {
        return static_cast<GstFlowReturn>(OnNewSample(GST_ELEMENT(pSink), pSelf));
    };
    callbacks.eos = [](GstAppSink*, gpointer pSelf) {
        CWaveDumpSample end;
        end.nKind = CWaveDumpSample::Kind::EndOfStream;
        static_cast<CWaveDump*>(pSelf)->Deliver(end);
    };
    gst_app_sink_set_callbacks(GST_APP_SINK(m_pSink), &callbacks, this, nullptr);
    GstPad* pPad = gst_element_get_static_pad(m_pSink, "sink");
    m_nProbe = gst_pad_add_probe(
        pPad, GST_PAD_PROBE_TYPE_EVENT_FLUSH,
        [](GstPad*, GstPadProbeInfo* pInfo, gpointer pSelf) -> GstPadProbeReturn {
            if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(pInfo)) == GST_EVENT_FLUSH_STOP) {
                CWaveDumpSample flushed;
                flushed.nKind = CWaveDumpSample::Kind::Flushed;
                static_cast<CWaveDump*>(pSelf)->Deliver(flushed);
            }
            return GST_PAD_PROBE_OK;
        },
        this, nullptr);
    gst_object_unref(pPad);
}

void CWaveDump::Deliver(const CWaveDumpSample& sample) {
    const Callback pCallback = m_pCallback;
    if (pCallback == nullptr) {
        return;
    }
    try {
        pCallback(sample, m_pUser);
    } catch (...) {
        // The contract forbids throwing; never let it unwind into GStreamer.
    }
}

CWaveDump::~CWaveDump() {
    if (m_pSink != nullptr) {
        gst_element_set_state(m_pSink, GST_STATE_NULL);
        GstAppSinkCallbacks none{};
        gst_app_sink_set_callbacks(GST_APP_SINK(m_pSink), &none, nullptr, nullptr);
        GstPad* pPad = gst_element_get_static_pad(m_pSink, "sink");
        gst_pad_remove_probe(pPad, m_nProbe);
        gst_object_unref(pPad);
        gst_object_unref(m_pSink);
    }
}

void CWaveDump::SetCallback(Callback pCallback, void* pUser) {
    m_pUser = pUser;
    m_pCallback = pCallback;
}

bool CWaveDump::GetConnectedFormat(WAVEFORMATEX* pFormat) const {
    if (m_pSink == nullptr) {
        return false;
    }
    GstPad* pPad = gst_element_get_static_pad(m_pSink, "sink");
    GstCaps* pCaps = gst_pad_get_current_caps(pPad);
    GstAudioInfo info;
    const bool bOk = FormatFromCaps(pCaps, pFormat, &info);
    if (pCaps != nullptr) {
        gst_caps_unref(pCaps);
    }
    gst_object_unref(pPad);
    return bOk;
}

int CWaveDump::OnNewSample(GstElement* pSink, void* pSelf) {
    auto* self = static_cast<CWaveDump*>(pSelf);
    GstSample* pSample = gst_app_sink_pull_sample(GST_APP_SINK(pSink));
    if (pSample == nullptr) {
        return GST_FLOW_EOS;
    }
    GstBuffer* pBuffer = gst_sample_get_buffer(pSample);
    GstMapInfo map;
    if (pBuffer != nullptr && gst_buffer_map(pBuffer, &map, GST_MAP_READ)) {
        CWaveDumpSample sample;
        sample.pData = map.data;
        sample.nLength = map.size;
        GstAudioInfo info;
        if (GST_BUFFER_PTS_IS_VALID(pBuffer) &&
            FormatFromCaps(gst_sample_get_caps(pSample), nullptr, &info)) {
            sample.nMediaTime = static_cast<int64_t>(gst_util_uint64_scale_round(
                GST_BUFFER_PTS(pBuffer), static_cast<guint64>(info.rate), GST_SECOND));
        }
        self->Deliver(sample);
        gst_buffer_unmap(pBuffer, &map);
    }
    gst_sample_unref(pSample);
    return GST_FLOW_OK;
}

}  // namespace tindlib
